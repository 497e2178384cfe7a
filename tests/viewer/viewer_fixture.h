#pragma once
// Shared by the document window's tests: closed-form responses written as files, and a fixture that opens a
// document with its window at a chosen size and drives its graph with QTest's pointer events.
#include "core/UiServices.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/draw/GraphGeometry.h"
#include "library/files/ResponseFile.h"
#include "support/private_dirs.h"
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

// A response file whose sample i is sample(i) in every channel, 16-bit units.
inline QString writeResponse(const QString& name, int frames, int fs, const std::function<double(int)>& sample,
                             int channels = 1)
{
    WaveHeader h;
    h.format.Channels = std::int16_t(channels);
    h.format.SampleFrequency = fs;
    h.info.Receiver = 1;
    std::vector<std::int16_t> s;
    s.reserve(std::size_t(frames) * std::size_t(channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s.push_back(std::int16_t(std::lround(sample(i))));
    const std::string path = test::privateRoot() + "/" + name.toStdString();
    EXPECT_EQ(files::writeResponseWav(path, h, s), Ok);
    return QString::fromStdString(path);
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
