#pragma once
// The measurement window on the stepped virtual card: one clock for the window's waits and the library's bounded
// waits, whose every idle step runs the card for the time that passes, so a measurement takes no real time and
// comes out the same on every run.
#include "AudioFixture.h"

#include "../library/sound/SoundFixtures.h"
#include "audio/MeasureClock.h"
#include "audio/UpDown.h"
#include "audio/VUMeter.h"
#include "audio/frmMeasure.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/Codes.h"
#include "library/WaveStore.h"
#include "library/sound/BackendFactory.h"
#include "library/files/ResponseFile.h"
#include "library/files/TempFiles.h"
#include "support/private_dirs.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <functional>
#include <set>

namespace audiotest {

// Seconds that pass on each idle step of a wait.
inline constexpr double kIdleStep_s = 0.01;

class SteppedTime final : public MeasureClock, public sound::WaitClock {
public:
    sound::VirtualCard* card = nullptr;
    double rate = 48000;
    double t = 0;
    int idles = 0;
    // Runs on every idle step (a test's hand during a wait).
    std::function<void()> onIdle;

    void advance(double seconds)
    {
        t += seconds;
        if (card) {
            const auto target = std::int64_t(t * rate);
            if (target > card->framesRun())
                card->step(target - card->framesRun());
        }
    }
    double now_s() override { return t; }
    void idle() override
    {
        ++idles;
        advance(kIdleStep_s);
        QCoreApplication::processEvents();
        if (onIdle)
            onIdle();
    }
    std::int64_t now_ms() override { return std::int64_t(t * 1000); }
    void sleep_ms(int ms) override { advance(ms / 1000.0); }
};

class MeasureTest : public AudioTest {
protected:
    SteppedTime time;

    // The program's own virtual room, stepped.
    sound::VirtualCardConfig cardConfig() override { return sound::virtualRoom(); }
    static std::vector<double> room(double scale = 1.0)
    {
        std::vector<double> h = sound::virtualRoom().response;
        for (double& v : h)
            v *= scale;
        return h;
    }
    // Error of a measured response against the room (dB of the room's energy): over the whole response for an
    // MLS, within the 20 Hz to 20 kHz that a sweep excites for a sweep.
    static double roomError_dB(int stimulus, const std::vector<double>& response, double scale = 1.0)
    {
        const bool sweep = stimulus == StimulusInternalSweep || stimulus == StimulusExternalSweep;
        return sweep ? sound::test::bandError_dB(response, room(scale), 48000, 20, 20000)
                     : sound::test::responseError_dB(response, room(scale), room().size());
    }

    void SetUp() override
    {
        AudioTest::SetUp();
        time.card = card;
        sound::Engine::instance().setClock(&time);
        frmMeasure::setClock(&time);
    }
    void TearDown() override
    {
        time.onIdle = nullptr;
        frmMeasure::Unload();
        for (clsWave* wave : WavesSnapshot())
            wave->Die();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        frmMeasure::setClock(nullptr);
        LastRecordingKey.clear();
        ActiveWaveKey.clear();
        AudioTest::TearDown();
    }
    void installCard(sound::VirtualCardConfig config)
    {
        AudioTest::installCard(std::move(config));
        time.card = card;
    }

    // The mixer (and so the player and the recorder) and the window, shown.
    frmMeasure* open()
    {
        CreateMixer();
        frmMeasure* w = frmMeasure::instance();
        w->show();
        QCoreApplication::processEvents();
        return w;
    }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    static std::set<std::string> tempFiles()
    {
        std::set<std::string> names;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(files::tempFolder(), ec))
            names.insert(e.path().string());
        return names;
    }
    // The response of the last document, channel c, in true amplitude.
    static std::vector<double> responseOf(const clsWave& wave, int channel = 0)
    {
        std::vector<double> r;
        const auto samples = WaveStore::samples(wave.header(), channel);
        const double factor = wave.header().gains.channelFactor[channel];
        for (std::int16_t s : samples)
            r.push_back(s * factor);
        return r;
    }
    static clsWave* lastDocument()
    {
        const auto all = WavesSnapshot();
        return all.empty() ? nullptr : all.back();
    }
};

} // namespace audiotest
