// The table windows on a 10 s stereo response at 48 kHz: from opening a table to the end of its first run, once
// on a document whose values are not computed yet (a freshly loaded document: everything from the analysis up),
// and once on a document that has them all (what the window itself costs: its grid, its yields, its formats).
// Goals: 0.3 s and 20 ms per table. Run on one core with `taskset -c 0 bench/bench_tables`.
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/Codes.h"
#include "support/ResponseFile.h"
#include "support/ResponseGenerator.h"
#include "tables/Tables.h"
#include "tables/frmTable.h"
#include "tables/frmTableMTF.h"

#include "offscreen_benchmarks.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPointer>

using namespace vemra;
namespace ts = vemra::testsupport;

namespace {

constexpr int kRate = 48000;

// Two decays of 1.6 and 1.3 s with a noise floor 60 dB down, 10 s long, as a response file.
const QString& responseFile()
{
    static const QString path = QString::fromStdString(
        test::ResponseFile("ten-seconds.wav")
            .rate(kRate)
            .perChannel({ts::exponentialDecay(1.6, kRate, 10.0, 12000, 60, 480, 11),
                         ts::exponentialDecay(1.3, kRate, 10.0, 9000, 60, 520, 12)})
            // A probe: every table has rows for it, the spatial ones included.
            .receiver(ReceiverOmniOmniProbe)
            .probeDistance(20)
            .write());
    return path;
}

clsWave* loadDocument()
{
    clsWave* wave = WaveByKey(NewWave(false));
    wave->setFileName(responseFile());
    return wave;
}

// Opens the table and lets it run to the end of its first run.
void openAndRun(int kind, const QString& key)
{
    QPointer<frmTable> table;
    if (kind < 0) {
        table = new frmTableMTF(key);
        table->show();
    } else {
        table = ShowParameterTable(ParameterTable(kind), key);
    }
    while (table && table->runsCompleted() < 1)
        QCoreApplication::processEvents();
    if (table)
        table->close();
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void NotYetComputed(benchmark::State& state)
{
    const int kind = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        clsWave* wave = loadDocument();
        const QString key = wave->Key();
        state.ResumeTiming();
        openAndRun(kind, key);
        state.PauseTiming();
        wave->Die();
        settle();
        state.ResumeTiming();
    }
}

void AlreadyComputed(benchmark::State& state)
{
    const int kind = int(state.range(0));
    clsWave* wave = loadDocument();
    openAndRun(kind, wave->Key()); // the document computes and keeps every value
    settle();
    for (auto _ : state) {
        openAndRun(kind, wave->Key());
        state.PauseTiming();
        settle();
        state.ResumeTiming();
    }
    wave->Die();
    settle();
}

// The table kinds in menu order (ParameterTable), then -1 for the modulation table.
void kinds(benchmark::internal::Benchmark* b)
{
    b->ArgName("table");
    for (int kind = 0; kind <= int(ParameterTable::Stage); ++kind)
        b->Arg(kind);
    b->Arg(-1);
}

BENCHMARK(NotYetComputed)->Apply(kinds)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(AlreadyComputed)->Apply(kinds)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    // A table that prompts (an error report) fails the run.
    return vemra::bench::RunOffscreenBenchmarks(argc, argv) == 0 ? 0 : 1;
}
