#pragma once
// Shared by the document window's tests: closed-form responses written as files (through test::ResponseFile), and
// a fixture that opens a document with its window at a chosen size and drives its graph with QTest's pointer
// events.
#include "core/UiServices.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/draw/GraphGeometry.h"
#include "support/ResponseFile.h"
#include "viewer/PictureBox.h"
#include "viewer/frmView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include <functional>
#include <vector>

namespace viewertest {

using namespace vemra;

inline ScriptedUiServices& scripted()
{
    return static_cast<ScriptedUiServices&>(UiServices::get());
}

// Writes the file and gives its path as the windows take it.
inline QString written(const test::ResponseFile& file) { return QString::fromStdString(file.write()); }

// A response file whose sample i is sample(i) in every channel, 16-bit units.
inline QString writeResponse(const QString& name, int frames, int fs, const std::function<double(int)>& sample,
                             int channels = 1)
{
    return written(test::ResponseFile(name.toStdString())
                       .channels(channels)
                       .rate(fs)
                       .frames(frames)
                       .sample([&sample](std::int64_t i, int) { return sample(int(i)); })
                       .receiver(1));
}

// A noise-like decay after 100 frames of silence, in 16-bit units; channel c at 1 / (c + 1) of the level.
inline double decayingNoise(std::int64_t i, int c)
{
    const double a = i < 100 ? 0.0 : 20000.0 * std::exp(-double(i - 100) / 3000.0);
    return a * ((i * 7919) % 11 < 5 ? 1 : -1) / (c + 1);
}

// A ramp from -32000 to nearly +32000 over `frames` samples: the pressure view shows it as a straight line.
inline QString writeRamp(const QString& name, int frames, int fs)
{
    return writeResponse(name, frames, fs, [frames](int i) { return -32000.0 + 64000.0 * i / frames; });
}

class ViewerWindow : public testing::Test {
protected:
    void SetUp() override
    {
        InstallDocumentWindows();
        scripted().clear();
    }
    void TearDown() override
    {
        for (clsWave* wave : WavesSnapshot())
            wave->Die();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        clsWave::setViewerFactory({});
    }

    // A new document with its window shown; an empty path leaves it empty.
    frmView* open(const QString& path, QSize size = QSize(900, 600))
    {
        clsWave* wave = WaveByKey(NewWave());
        if (!path.isEmpty())
            wave->setFileName(path);
        wave->Show();
        auto* window = qobject_cast<frmView*>(wave->viewer()->widget());
        window->resize(size);
        QCoreApplication::processEvents();
        return window;
    }

    // The geometry the window draws its graphs with.
    static GraphGeometry geometryOf(const frmView& w)
    {
        const clsWave* wave = w.WaveFile();
        return GraphGeometry{w.graphHeight(), w.graphWidth(), w.firstPoint(), w.pointCount(), wave->ViewType(),
                             double(wave->dBRange())};
    }

    static QString panel(const frmView& w, int n) { return w.statusPanel(n)->text(); }

    static void moveTo(frmView& w, QPoint at, int graph = 0) { QTest::mouseMove(w.imgGraph(graph), at); }
    static void press(frmView& w, QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(w.imgGraph(0), button, {}, at);
    }
    static void release(frmView& w, QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(w.imgGraph(0), button, {}, at);
    }
    // A left-button drag on graph 0 from one pixel column to another, half-way down.
    static void drag(frmView& w, int fromX, int toX)
    {
        const int y = w.graphHeight() / 2;
        press(w, QPoint(fromX, y));
        moveTo(w, QPoint((fromX + toX) / 2, y));
        moveTo(w, QPoint(toX, y));
        release(w, QPoint(toX, y));
    }
};

} // namespace viewertest
