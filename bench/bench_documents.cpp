// Opening and closing documents with their windows, as a user does all day: memory must come back. One cycle is
// a new document with its window, the file loaded and drawn, and the document's end (window, samples, caches).
//   DocumentCycles   150 cycles of a 3 s stereo response at 48 kHz. Counters: rss_10_MB and rss_150_MB, the
//                    resident memory above the process's before the first cycle, after the 10th and the 150th
//                    cycle, and grown_MB, their difference (flat: what stays is reused).
// Runs on the offscreen platform: bench_documents [--benchmark_filter=...].
#include "document/Waves.h"
#include "document/clsWave.h"
#include "support/ResponseFile.h"
#include "viewer/frmView.h"

#include "offscreen_benchmarks.h"

#include <QCoreApplication>
#include <QEvent>

#include <cmath>
#include <fstream>
#include <string>

using namespace vemra;

namespace {

double residentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return 1024.0 * std::stod(line.substr(6));
    return 0;
}

void cycle(const QString& path)
{
    clsWave* wave = WaveByKey(NewWave());
    wave->setFileName(path);
    wave->Show();
    QCoreApplication::processEvents();
    wave->Die();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void documentCycles(benchmark::State& state)
{
    InstallDocumentWindows();
    const QString path = QString::fromStdString(
        test::ResponseFile("cycles.wav")
            .channels(2)
            .rate(48000)
            .frames(3 * 48000)
            .sample([](std::int64_t i, int c) {
                return 20000.0 * std::exp(-double(i) / 9000.0) * ((i * 7919 + c) % 11 < 5 ? 1 : -1);
            })
            .write());
    double before = 0, at10 = 0, at150 = 0;
    for (auto _ : state) {
        before = residentBytes();
        for (int i = 1; i <= 150; ++i) {
            cycle(path);
            if (i == 10)
                at10 = residentBytes();
        }
        at150 = residentBytes();
    }
    state.counters["rss_10_MB"] = (at10 - before) / 1e6;
    state.counters["rss_150_MB"] = (at150 - before) / 1e6;
    state.counters["grown_MB"] = (at150 - at10) / 1e6;
}

} // namespace

BENCHMARK(documentCycles)->Name("DocumentCycles")->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) { return vemra::bench::RunOffscreenBenchmarks(argc, argv) == 0 ? 0 : 1; }
