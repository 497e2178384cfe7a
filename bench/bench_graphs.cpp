// The parameter graph's gathering: T30 in octave bands over 20 response files of 3 s at 48 kHz (reverberation
// times 0.6 .. 1.55 s), from fresh caches each time; and T20 of the same files afterwards, which the caches answer.
// The files are written once into a private temporary folder; the window runs offscreen.
#include "document/Waves.h"
#include "document/clsWave.h"
#include "graphs/frmParameters.h"
#include "library/files/ResponseFile.h"
#include "support/ResponseGenerator.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace vemra;

namespace {

constexpr int kFiles = 20;
constexpr int kT30 = 3;

const QStringList& responseFiles()
{
    static QTemporaryDir folder;
    static const QStringList files = [] {
        QStringList names;
        for (int i = 0; i < kFiles; ++i) {
            const double T = 0.6 + 0.05 * i;
            const auto pcm = testsupport::toPcm16(testsupport::exponentialDecay(T, 48000, 3.0, 20000, 60, 480, 1 + i));
            WaveHeader h;
            h.info.IRStart[0] = h.info.IRStart[1] = -1;
            files::setPcm16Format(h, 1, 48000, std::int64_t(pcm.size()));
            const QString path = folder.filePath(QStringLiteral("pos%1.wav").arg(i));
            if (files::writeResponseWav(path.toStdString(), h, pcm) != 0)
                return QStringList();
            names << path;
        }
        return names;
    }();
    return files;
}

std::unique_ptr<frmParameters> windowWithFiles()
{
    auto w = std::make_unique<frmParameters>();
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    for (const QString& f : responseFiles())
        w->Add(f);
    w->setCurrentParam(kT30);
    return w;
}

// From fresh caches: each file is loaded once and analysed in its ten octave bands.
void GatherT30OctavesOf20Files(benchmark::State& state)
{
    if (responseFiles().size() != kFiles) {
        state.SkipWithError("could not write the response files");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto w = windowWithFiles();
        state.ResumeTiming();
        w->UpdateGraph();
        state.PauseTiming();
        if (!w->statistics().done(kT30, 0))
            state.SkipWithError("the gathering did not finish");
        w.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}

// T20 after T30: one decay analysis per file and band serves both, so the second gathering reads the caches.
void GatherT20AfterT30(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto w = windowWithFiles();
        w->UpdateGraph();
        w->setCurrentParam(2);
        state.ResumeTiming();
        w->UpdateGraph();
        state.PauseTiming();
        if (!w->statistics().done(2, 0))
            state.SkipWithError("the gathering did not finish");
        w.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(GatherT30OctavesOf20Files)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(GatherT20AfterT30)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (clsWave* w : WavesSnapshot())
        w->Die();
    return 0;
}
