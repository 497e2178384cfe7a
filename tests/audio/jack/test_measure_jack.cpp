// The measurement window through a real audio server. With the private JACK server of the sound
// tests (dummy driver, loopback ports) a measurement started from the window gives the loopback's response, a
// unit impulse at lag 0; after the server stopped, each Start tells it once and makes no document, and once it is
// back the next Start measures again; a server that goes during a measurement is told once. With no server
// running, choosing its devices fails with the library's message and a measurement ends with a message or a
// result: it never hangs.
#include "../AudioObjects.h"
#include "audio/AudioGlobals.h"
#include "audio/MeasureClock.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "audio/frmMeasure.h"
#include "core/Globals.h"
#include "core/UiServices.h"
#include "core/clsOptions.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/Messages.h"
#include "library/WaveStore.h"
#include "library/api_sound.h"
#include "library/sound/Engine.h"
#include "library/sound/DeviceBackend.h"
#include "library/sound/jack/JackTestServer.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

using namespace vemra;

namespace {

ScriptedUiServices& scripted() { return static_cast<ScriptedUiServices&>(UiServices::get()); }

class JackRig : public testing::Test {
protected:
    frmMeasure* w = nullptr;

    void SetUp() override
    {
        scripted().clear();
        sound::Engine::instance().setBackend(std::make_unique<sound::DeviceBackend>());
        audiotest::makeAudioObjects();
    }
    void TearDown() override
    {
        frmMeasure::setClock(nullptr);
        audiotest::releaseAudioObjects();
    }
    // The window with an internal MLS of order 15, two pre-averages, one omnidirectional microphone.
    void openWindow()
    {
        w = frmMeasure::instance();
        w->show();
        w->cmdType(0)->click();
        w->optInternal()->setChecked(true);
        w->optMLS()->setChecked(true);
        w->lstLength()->setCurrentIndex(w->lstLength()->findData(15));
        w->txtAvg()->setText(QStringLiteral("2"));
    }
    // One Start, which must give the document.
    void measureOnce(int documents)
    {
        scripted().clear();
        w->cmdRecord()->click();
        ASSERT_EQ(WaveCount(), documents) << "told: " << toldTitles();
    }
    // Stops the fixture's server under the window's open stream and waits until the stream knows.
    static void stopTheServer()
    {
        ASSERT_TRUE(sound::Engine::instance().streamOpen());
        ASSERT_EQ(sound::test::jackServer("stop"), 0);
        sound::test::waitUntilStreamLost(*sound::Engine::instance().backend());
    }
    static std::string toldTitles()
    {
        std::string titles;
        for (const MessageRequest& r : scripted().messages)
            titles += r.title.toStdString() + "; ";
        return titles;
    }
};

using JackMeasurement = JackRig;
using JackAbsent = JackRig;

TEST_F(JackMeasurement, AMeasurementFromTheWindowGivesTheLoopback)
{
    ASSERT_EQ(SelectWaveDevices("loopback", 0, 0), 0);
    Mixer->CheckFullDuplex();
    ASSERT_TRUE(Mixer->FullDuplex());
    openWindow();
    ASSERT_EQ(w->stimulus(), 1);
    measureOnce(1);
    const clsWave* wave = WaveAt(1);
    ASSERT_TRUE(wave->Valid());
    const auto samples = WaveStore::samples(wave->header(), 0);
    std::size_t peak = 0;
    for (std::size_t i = 0; i < samples.size(); ++i)
        if (std::abs(samples[i]) > std::abs(samples[peak]))
            peak = i;
    EXPECT_EQ(peak, 0u);
    EXPECT_NEAR(samples[peak] * wave->header().gains.channelFactor[0], 1.0, 1e-3);
    double rest = 0;
    for (std::size_t i = 1; i < samples.size(); ++i)
        rest = std::max(rest, std::abs(double(samples[i])));
    EXPECT_EQ(rest, 0.0) << "the loopback is a pure delay";
}

TEST_F(JackMeasurement, AServerThatWentAwayIsToldAtEachStartAndUsedAgainWhenBack)
{
    if (!sound::test::haveServerScript())
        GTEST_SKIP() << "needs the server script of the CTest fixture";
    ASSERT_EQ(SelectWaveDevices("loopback", 0, 0), 0);
    Mixer->CheckFullDuplex();
    Options->setReuseWindows(false); // each measurement its own document
    openWindow();
    measureOnce(1);

    // The server goes while the window holds its stream: each Start says so once, at once (no wait for a capture
    // that cannot come), and makes no document.
    stopTheServer();
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        scripted().clear();
        w->cmdRecord()->click();
        ASSERT_EQ(scripted().messages.size(), 1u);
        EXPECT_EQ(scripted().messages[0].title, QStringLiteral("Vemra - error (%1)").arg(msg::NoUsableWaveDevice));
        EXPECT_EQ(WaveCount(), 1);
        EXPECT_TRUE(w->cmdRecord()->isEnabled());
    }
    // Back: the next Start connects to it anew and measures, without a restart.
    ASSERT_EQ(sound::test::jackServer("start"), 0);
    measureOnce(2);
    EXPECT_TRUE(WaveAt(2)->Valid());
}

// The server goes while a measurement runs, during the build-up or during the recording, and the stream knows it
// before the wait ends: every step after it fails (the capture, the processing, the meters restarted at the end of
// the stimulus), and the loss is told once. The first step to reopen the stream is told: the capture's start after
// the build-up, or the meters at the end of the stimulus, before the processing of the recording; either way the
// server is not there (151).
TEST_F(JackMeasurement, AServerThatGoesDuringTheRunIsToldOnce)
{
    if (!sound::test::haveServerScript())
        GTEST_SKIP() << "needs the server script of the CTest fixture";
    // The program's clock, with a hand in the window's waits.
    struct HandInTheWaits final : MeasureClock {
        std::function<void()> onIdle;
        double now_s() override { return steadyMeasureClock().now_s(); }
        void idle() override
        {
            steadyMeasureClock().idle();
            if (onIdle)
                onIdle();
        }
    } clock;
    frmMeasure::setClock(&clock);
    ASSERT_EQ(SelectWaveDevices("loopback", 0, 0), 0);
    Mixer->CheckFullDuplex();
    openWindow();
    for (const char* wait : {"Soundfield buildup...", "Recording..."}) {
        SCOPED_TRACE(wait);
        bool stopped = false;
        clock.onIdle = [&] {
            if (!stopped && w->statusPanel()->text() == QLatin1String(wait)) {
                stopped = true;
                stopTheServer();
            }
        };
        scripted().clear();
        w->cmdRecord()->click();
        clock.onIdle = nullptr;
        EXPECT_TRUE(stopped);
        ASSERT_EQ(scripted().messages.size(), 1u) << toldTitles();
        EXPECT_EQ(scripted().messages[0].title, QStringLiteral("Vemra - error (%1)").arg(msg::NoUsableWaveDevice));
        EXPECT_EQ(WaveCount(), 0);
        EXPECT_TRUE(w->cmdRecord()->isEnabled());
        ASSERT_EQ(sound::test::jackServer("start"), 0);
    }
}

TEST_F(JackAbsent, NoServerGivesTheLibrarysMessageNotAHang)
{
    // No device at all (150), or none of that name among the others (151).
    const VResult rc = SelectWaveDevices("loopback", 0, 0);
    EXPECT_TRUE(rc == msg::TooFewWaveDevices || rc == msg::NoUsableWaveDevice) << rc;
    SelectWaveDevices("", 0, 0);
    Mixer->CheckFullDuplex();
    openWindow();
    scripted().clear();
    w->optExternal()->setChecked(true); // whatever the default devices can do, a capture is asked for
    w->cmdRecord()->click();
    // Either the defaults recorded (a document) or the failure was told; the click came back either way.
    const bool told = !scripted().messages.empty();
    EXPECT_TRUE((WaveCount() == 1) != told);
}

} // namespace
