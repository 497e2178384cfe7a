// Opening and closing documents with their windows, as a user does all day: memory must come back.
//   DocumentCycles   150 cycles of a 3 s stereo response at 48 kHz: a new document with its window, the file
//                    loaded and drawn, and the document's end (window, samples, caches).
//   FileOpenCycles   150 times File > Open of the example response from the window on screen, as a user does it:
//                    the new window is shown, the old document ends, and the windows' deferred work (the stored
//                    toolbar layout, painting) runs before the next cycle.
// Counters of both: rss_10_MB and rss_150_MB, the resident memory above the process's before the first cycle,
// after the 10th and the 150th cycle, and grown_MB, their difference; heap_grown_MB, the growth of the heap memory
// in use over the same cycles (what the allocator holds free is not in it, so it is the steadier of the two); and
// toolbar_icons, the shared toolbar images held at the end. Flat: what stays is reused. A toolbar icon made afresh
// for each window once let the pixmap cache grow by 10 MB.
// Runs on the offscreen platform: bench_documents [--benchmark_filter=...].
#include "core/Globals.h"
#include "core/UiServices.h"
#include "core/clsMRUlist.h"
#include "core/clsOptions.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "support/ResponseFile.h"
#include "viewer/ToolbarIcons.h"
#include "viewer/frmView.h"

#include "offscreen_benchmarks.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <cmath>
#include <fstream>
#include <functional>
#include <malloc.h>
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

double heapInUse() { return double(mallinfo2().uordblks); }

// Runs the event loop for a while, so that the windows' timers fire and their paint events are delivered, then
// deletes what was left for deletion.
void settle()
{
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// 150 cycles, with the memory counters of the benchmark's description.
void measureCycles(benchmark::State& state, const std::function<void()>& cycle)
{
    double before = 0, at10 = 0, at150 = 0, heap10 = 0, heap150 = 0;
    for (auto _ : state) {
        before = residentBytes();
        for (int i = 1; i <= 150; ++i) {
            cycle();
            if (i == 10) {
                at10 = residentBytes();
                heap10 = heapInUse();
            }
        }
        at150 = residentBytes();
        heap150 = heapInUse();
    }
    state.counters["rss_10_MB"] = (at10 - before) / 1e6;
    state.counters["rss_150_MB"] = (at150 - before) / 1e6;
    state.counters["grown_MB"] = (at150 - at10) / 1e6;
    state.counters["heap_grown_MB"] = (heap150 - heap10) / 1e6;
    state.counters["toolbar_icons"] = ToolbarIconCount();
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
    measureCycles(state, [&] {
        clsWave* wave = WaveByKey(NewWave());
        wave->setFileName(path);
        wave->Show();
        QCoreApplication::processEvents();
        wave->Die();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    });
}

void fileOpenCycles(benchmark::State& state)
{
    InstallDocumentWindows();
    // The program's options and recent files, which every document window follows.
    Options = new clsOptions;
    MRUlist = new clsMRUlist;
    const QString path = QStringLiteral(VEMRA_EXAMPLES_DIR "/example-room.wav");
    auto& scripted = static_cast<ScriptedUiServices&>(UiServices::get());
    clsWave* first = WaveByKey(NewWave());
    first->setFileName(path);
    first->Show();
    settle();
    measureCycles(state, [&] {
        // The scripted dialogs' own record of each request is not the program's memory.
        scripted.fileDialogs.clear();
        scripted.openAnswers.push_back(path);
        auto* window = qobject_cast<frmView*>(WaveAt(1)->viewer()->widget());
        window->menuItem(QStringLiteral("mnFileOpen"))->trigger();
        settle();
    });
    if (WaveCount() != 1 || !WaveAt(1)->Valid())
        state.SkipWithError("File > Open did not leave one document with the response");
    for (clsWave* wave : WavesSnapshot())
        wave->Die();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete MRUlist;
    MRUlist = nullptr;
    delete Options;
    Options = nullptr;
}

} // namespace

BENCHMARK(documentCycles)->Name("DocumentCycles")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(fileOpenCycles)->Name("FileOpenCycles")->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) { return vemra::bench::RunOffscreenBenchmarks(argc, argv) == 0 ? 0 : 1; }
