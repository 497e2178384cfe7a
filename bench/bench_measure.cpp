// Measurement speed:
// - a capture's processing: MLS of order 18, 16 pre-averages, 48 kHz, two channels, from the finished capture to
//   the response file (goal < 50 ms);
// - the level meters: one poll of the recorder and the redraw of both meters in the measurement window; the
//   counter core_percent is the share of one core the meters take at the recorder's 50 polls a second (goal: 20
//   updates a second or more at < 5 %);
// - a whole measurement from the window's Start to the new document, on the virtual card paced in real time: MLS of
//   order 16 with 4 pre-averages and a sweep of order 16 with 4, at 48 kHz. The counter overhead_s is the time
//   beyond the stimulus (build-up and recording periods) (goal <= 0.5 s).
#include "audio/AudioObjects.h"
#include "audio/AudioGlobals.h"
#include "audio/VUMeter.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "audio/frmMeasure.h"
#include "core/Globals.h"
#include "core/clsOptions.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/api_files.h"
#include "library/api_sound.h"
#include "library/sound/BackendFactory.h"
#include "library/sound/Engine.h"
#include "library/sound/Mixer.h"
#include "library/sound/VirtualCard.h"

#include "offscreen_benchmarks.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <cmath>
#include <cstdlib>

using namespace vemra;

namespace {

// The program's audio objects on a virtual card (stepped or paced in real time).
struct Rig {
    sound::VirtualCard* card = nullptr;
    explicit Rig(sound::VirtualCardConfig config, sound::VirtualCard::Pacing pacing)
    {
        auto c = std::make_unique<sound::VirtualCard>(std::move(config), pacing);
        card = c.get();
        sound::Engine::instance().setBackend(std::move(c));
        sound::setMixerBackend(sound::makeVirtualMixer(card->gains()));
        audiotest::makeAudioObjects();
    }
    ~Rig() { audiotest::releaseAudioObjects(); }
};

void BM_ProcessCaptureMlsOrder18x16Stereo(benchmark::State& state)
{
    sound::VirtualCardConfig config;
    config.response = {0.0, 0.5, 0.25};
    Rig rig(config, sound::VirtualCard::Pacing::Stepped);
    Player->setLength(18);
    Recorder->setPreAvgCnt(16);
    Recorder->setChannels(2);
    Recorder->StartRecorder();
    Player->setStimulus(1);
    Player->Play(false);
    rig.card->step(1 << 18);
    for (auto _ : state) {
        state.PauseTiming();
        Recorder->Record(1);
        rig.card->step(16 * ((1 << 18) - 1) + 4096);
        QString file;
        state.ResumeTiming();
        if (Recorder->Process(file, 1, 2) != 0)
            state.SkipWithError("processing failed");
        state.PauseTiming();
        DeleteTempFile(file.toStdString());
        state.ResumeTiming();
    }
    Player->Silence();
    Recorder->StopRecorder();
}
BENCHMARK(BM_ProcessCaptureMlsOrder18x16Stereo)->Unit(benchmark::kMillisecond);

void BM_MeterUpdate(benchmark::State& state)
{
    Rig rig(sound::virtualRoom(), sound::VirtualCard::Pacing::Stepped);
    frmMeasure* w = frmMeasure::instance();
    w->cmdType(2)->click(); // both meters drawn
    w->show();
    QCoreApplication::processEvents();
    w->cmdTest()->click();
    std::int64_t updates = 0;
    QElapsedTimer cpu;
    double spent_s = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rig.card->step(960); // 20 ms of input
        state.ResumeTiming();
        cpu.start();
        Recorder->Timer();
        QCoreApplication::processEvents(); // the repaint of what changed
        spent_s += double(cpu.nsecsElapsed()) * 1e-9;
        ++updates;
    }
    w->cmdTest()->click();
    frmMeasure::Unload();
    state.counters["core_percent"] = updates ? 100.0 * spent_s / double(updates) * 50.0 : 0.0;
}
BENCHMARK(BM_MeterUpdate)->Unit(benchmark::kMicrosecond);

void BM_MeasurementFromStartToDocument(benchmark::State& state)
{
    const bool sweep = state.range(0) == 5;
    Rig rig(sound::virtualRoom(), sound::VirtualCard::Pacing::RealTime);
    frmMeasure* w = frmMeasure::instance();
    w->show();
    w->optInternal()->setChecked(true);
    (sweep ? w->optSweep() : w->optMLS())->setChecked(true);
    w->lstLength()->setCurrentIndex(w->lstLength()->findData(16));
    w->txtAvg()->setText(QStringLiteral("4"));
    const double stimulus_s = 5 * (sweep ? 65536.0 : 65535.0) / 48000.0;
    double overhead_s = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        w->cmdRecord()->click();
        overhead_s = double(clock.nsecsElapsed()) * 1e-9 - stimulus_s;
        // With reused windows the count stays: a valid document at the end is the result.
        const auto documents = WavesSnapshot();
        if (documents.empty() || !documents.back()->Valid())
            state.SkipWithError("no document");
    }
    frmMeasure::Unload();
    state.counters["overhead_s"] = overhead_s;
}

} // namespace

BENCHMARK(BM_MeasurementFromStartToDocument)->Arg(1)->Arg(5)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    setenv("VEMRA_SOUND_BACKEND", "virtual", 1);
    vemra::bench::RunOffscreenBenchmarks(argc, argv);
    return 0;
}
