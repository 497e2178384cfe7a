#pragma once
// Shared by the table tests: two-channel responses of known decays written as files, headless documents holding
// them, and table windows opened on them and run to their end.
#include "core/Globals.h"
#include "core/UiServices.h"
#include "core/clsOptions.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/Codes.h"
#include "library/dsp/Bands.h"
#include "support/ResponseFile.h"
#include "support/ResponseGenerator.h"
#include "support/private_dirs.h"
#include "tables/Tables.h"
#include "tables/frmTable.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace tabletest {

using namespace vemra;
namespace ts = vemra::testsupport;

inline ScriptedUiServices& scripted() { return static_cast<ScriptedUiServices&>(UiServices::get()); }

struct Response {
    int fs = 48000;
    std::int16_t receiver = ReceiverOmni;
    bool calibrated = false;
    std::int16_t sourceFilter = SourceFilterNone;
    double T0_s = 1.2;                  // reverberation time of channel 0
    double T1_s = 0.7;                  // of channel 1, at half the amplitude
    double inr1k_dB = ts::noINR;        // white noise, this far below the decay in the 1 kHz octave
    double length_s = 1.5;
    bool silentSecondChannel = false; // nothing in channel 1: none of its values exists
};

// One tone per octave band whose centre lies below 0.45 fs, decaying with time T: every band's energy follows the
// decay exactly, so each band has its value.
inline std::vector<float> tonalDecay(const Response& r, double T, double amplitude, std::uint64_t seed)
{
    ts::ResponseShape shape;
    shape.fs_Hz = r.fs;
    shape.length_s = r.length_s;
    shape.delay = r.fs / 100;
    shape.seed = seed;
    const double e0 = amplitude * amplitude;
    shape.energy = ts::singleDecay(T, e0);
    std::vector<double> tones;
    for (int b = 1; b <= 10; ++b)
        if (dsp::bandCentre_Hz(b) < 0.45 * r.fs)
            tones.push_back(dsp::bandCentre_Hz(b));
    if (r.inr1k_dB < ts::noINR) {
        const double inBand = (dsp::bandUpper_Hz(6) - dsp::bandLower_Hz(6)) / (r.fs / 2.0);
        shape.noiseEnergy = e0 / double(tones.size()) * std::pow(10.0, -r.inr1k_dB / 10) / inBand;
    }
    return ts::makeTonalResponse(shape, tones);
}

inline QString writeResponse(const QString& name, const Response& r)
{
    std::vector<float> c1 = tonalDecay(r, r.T1_s, 4500, 5);
    if (r.silentSecondChannel)
        std::fill(c1.begin(), c1.end(), 0.0f);
    return QString::fromStdString(test::ResponseFile(name.toStdString())
                                      .rate(r.fs)
                                      .perChannel({tonalDecay(r, r.T0_s, 9000, 3), c1})
                                      .receiver(r.receiver)
                                      .probeDistance(r.receiver == ReceiverOmniOmniProbe ? 20.0f : 0.0f)
                                      .header([&r](WaveHeader& h) {
                                          h.info.SourceFilter = r.sourceFilter;
                                          if (r.calibrated)
                                              writeTextField(h.gains.CalID, sizeof h.gains.CalID, "Test room, 2024");
                                      })
                                      .write());
}

// A headless document holding a new response file.
inline clsWave& openDocument(const Response& r, const QString& name = QStringLiteral("hall.wav"))
{
    clsWave* wave = WaveByKey(NewWave(false));
    wave->setFileName(writeResponse(name, r));
    EXPECT_TRUE(wave->Valid());
    return *wave;
}

// Lets the events run until the table has ended `runs` calculation runs and is idle (true), or the window is gone
// (false). However slow the machine, it waits: a table that never finishes is ended by the test runner's timeout.
inline bool finish(QPointer<frmTable> table, int runs = 1)
{
    while (table && (table->busy() || table->runsCompleted() < runs)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return !table.isNull();
}

// Answers a modal table window of that kind once its first run has ended: `act` is called once with it, from a
// timer of the event loop that runs the window. The end is polled at each tick, never waited for inside one: a tick
// may come from within the window's own run, whose end a wait there would never see.
template <class Table>
std::unique_ptr<QTimer> answerModalTable(std::function<void(Table&)> act)
{
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(5);
    QTimer* tick = timer.get();
    QObject::connect(tick, &QTimer::timeout, [tick, act] {
        auto* table = qobject_cast<Table*>(QApplication::activeModalWidget());
        if (!table || table->busy() || table->runsCompleted() < 1)
            return;
        tick->stop();
        act(*table);
    });
    timer->start();
    return timer;
}

// A label's text, "" when there is no such label.
inline QString cell(const frmTable& table, const QString& name)
{
    const QLabel* l = table.label(name);
    return l ? l->text() : QString();
}

// Every document dies after each test, with the windows that follow it.
class TableTest : public testing::Test {
protected:
    void SetUp() override { scripted().clear(); }
    void TearDown() override
    {
        for (clsWave* w : WavesSnapshot())
            w->Die();
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QLocale::setDefault(QLocale::c());
    }

    // A table of that kind on the document, shown and run to the end.
    static frmTable* open(ParameterTable kind, clsWave& wave)
    {
        frmTable* table = ShowParameterTable(kind, wave.Key());
        EXPECT_NE(table, nullptr);
        finish(table);
        return table;
    }
};

// A table test with the program's options installed (the stored speech weights, the export folder), new for each
// test.
class TableTestWithOptions : public TableTest {
protected:
    void SetUp() override
    {
        TableTest::SetUp();
        options_ = std::make_unique<clsOptions>();
        Options = options_.get();
        // Stored weights start from their defaults, whatever an earlier test stored.
        for (int i = 0; i < int(clsOptions::DefaultSTIWeights.size()); ++i)
            Options->setSTI_Weight(i, clsOptions::DefaultSTIWeights[std::size_t(i)]);
    }
    void TearDown() override
    {
        TableTest::TearDown();
        Options = nullptr;
        options_.reset();
    }
    std::unique_ptr<clsOptions> options_;
};

} // namespace tabletest
