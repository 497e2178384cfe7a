// Opening and closing documents with their windows, as a user does all day: memory must come back.
//   DocumentCycles   150 cycles of a 3 s stereo response at 48 kHz: a new document with its window, the file
//                    loaded and drawn, and the document's end (window, samples, caches).
//   FileOpenCycles   150 times File > Open of the example response from the window on screen, as a user does it:
//                    the new window is shown, the old document ends, and the windows' deferred work (the stored
//                    toolbar layout, painting) runs before the next cycle.
//   TableWaterfallCycles  the same, and on each new document the ISO 3382 table and a waterfall (its properties
//                    answered with OK, every slice computed and drawn); the old document's table and waterfall
//                    close with it.
//   OpenDialogCycles 600 times File > Open through Qt's own Open dialog, which the program shows where the desktop
//                    offers none of its own, answered with the example response, with Qt's pixmap cache limited to
//                    the argument (KB).
// Counters of each: rss_10_MB and rss_150_MB, the resident memory above the process's before the first cycle,
// after the 10th and the 150th cycle, and grown_MB, their difference; heap_grown_MB, the growth of the heap memory
// in use over the same cycles (what the allocator holds free is not in it, so it is the steadier of the two);
// rss_KB_per_cycle and heap_KB_per_cycle, the same growths per cycle; and toolbar_icons, the shared toolbar images
// held at the end. Flat: what stays is reused. A toolbar icon made afresh for each window once let the pixmap cache
// grow by 10 MB.
// Qt's Open dialog does that by itself, beyond the program's reach: each dialog makes its standard icons afresh,
// and what it paints of them stays in the pixmap cache (about 18 KB a dialog here, 35 KB on an X11 desktop) until
// the cache reaches its limit (10 MB by default), after which the pixmaps stop growing. OpenDialogCycles shows it
// with a smaller limit: heap_KB_per_last_cycle, the heap's growth per cycle over the last 150 cycles, falls to what
// Qt 6.4's cache keeps of every pixmap it let go (its name, about 3 KB a dialog); pixmap_cache_MB, what emptying
// the cache at the end gives back.
// Runs on the offscreen platform: bench_documents [--benchmark_filter=...].
#include "core/Globals.h"
#include "core/UiServices.h"
#include "core/clsMRUlist.h"
#include "core/clsOptions.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "support/ResponseFile.h"
#include "tables/frmTable.h"
#include "viewer/ToolbarIcons.h"
#include "viewer/frmView.h"
#include "viewer/frmWaterProp.h"
#include "viewer/frmWaterfall.h"

#include "offscreen_benchmarks.h"
#include "process_memory.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QPixmapCache>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTimer>

#include <cmath>
#include <functional>
#include <string>

using namespace vemra;
using vemra::bench::heapInUse;
using vemra::bench::residentBytes;

namespace {

// Runs the event loop for a while, so that the windows' timers fire and their paint events are delivered, then
// deletes what was left for deletion.
void settle()
{
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// `cycles` cycles (at least 150), with the memory counters of the benchmark's description.
void measureCycles(benchmark::State& state, const std::function<void()>& cycle, int cycles = 150)
{
    double before = 0, at10 = 0, at150 = 0, heap10 = 0, heap150 = 0, heapLastFrom = 0, heapEnd = 0;
    const int lastFrom = cycles - 150;
    for (auto _ : state) {
        before = residentBytes();
        for (int i = 1; i <= cycles; ++i) {
            cycle();
            if (i == 10) {
                at10 = residentBytes();
                heap10 = heapInUse();
            }
            if (i == 150) {
                at150 = residentBytes();
                heap150 = heapInUse();
            }
            if (i == lastFrom)
                heapLastFrom = heapInUse();
        }
        heapEnd = heapInUse();
    }
    state.counters["rss_10_MB"] = (at10 - before) / 1e6;
    state.counters["rss_150_MB"] = (at150 - before) / 1e6;
    state.counters["grown_MB"] = (at150 - at10) / 1e6;
    state.counters["heap_grown_MB"] = (heap150 - heap10) / 1e6;
    state.counters["rss_KB_per_cycle"] = (at150 - at10) / 140 / 1e3;
    state.counters["heap_KB_per_cycle"] = (heap150 - heap10) / 140 / 1e3;
    if (lastFrom >= 150)
        state.counters["heap_KB_per_last_cycle"] = (heapEnd - heapLastFrom) / 150 / 1e3;
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

// The top-level window of that class that is not among `before`, or nullptr.
template <class Window>
Window* newWindow(const QSet<QWidget*>& before)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!before.contains(w))
            if (auto* window = qobject_cast<Window*>(w))
                return window;
    return nullptr;
}

QSet<QWidget*> topLevelWindows()
{
    const auto list = QApplication::topLevelWidgets();
    return QSet<QWidget*>(list.begin(), list.end());
}

// Runs the event loop until `done` holds, looking at it every few milliseconds (also from within the windows' own
// loops and dialogs), then deletes what was left for deletion.
void settleUntil(const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(2);
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

const QString kExample = QStringLiteral(VEMRA_EXAMPLES_DIR "/example-room.wav");

// `cycles` times File > Open of the example response from the document window on screen, then `onNewDocument` on
// the window of the new document. `beforeOpen` readies the answer of the Open dialog.
void openingCycles(benchmark::State& state, const std::function<void()>& beforeOpen,
                   const std::function<void(frmView&)>& onNewDocument, int cycles = 150)
{
    InstallDocumentWindows();
    // The program's options and recent files, which every document window follows.
    Options = new clsOptions;
    MRUlist = new clsMRUlist;
    clsWave* first = WaveByKey(NewWave());
    first->setFileName(kExample);
    first->Show();
    settle();
    auto documentWindow = [] { return qobject_cast<frmView*>(WaveAt(1)->viewer()->widget()); };
    measureCycles(
        state,
        [&] {
            beforeOpen();
            documentWindow()->menuItem(QStringLiteral("mnFileOpen"))->trigger();
            settle();
            if (WaveCount() == 1)
                onNewDocument(*documentWindow());
        },
        cycles);
    if (WaveCount() != 1 || !WaveAt(1)->Valid())
        state.SkipWithError("File > Open did not leave one document with the response");
    for (clsWave* wave : WavesSnapshot())
        wave->Die();
    settle();
    delete MRUlist;
    MRUlist = nullptr;
    delete Options;
    Options = nullptr;
}

// The scripted Open dialog answers with the example response.
void answerOpenWithExample()
{
    auto& scripted = static_cast<ScriptedUiServices&>(UiServices::get());
    // The scripted dialogs' own record of each request is not the program's memory.
    scripted.fileDialogs.clear();
    scripted.openAnswers.push_back(kExample);
}

void fileOpenCycles(benchmark::State& state)
{
    openingCycles(state, answerOpenWithExample, [](frmView&) {});
}

// The ISO 3382 table and a waterfall on the new document, each run to its end.
void tableWaterfallCycles(benchmark::State& state)
{
    openingCycles(state, answerOpenWithExample, [&](frmView& window) {
        QSet<QWidget*> before = topLevelWindows();
        window.menuItem(QStringLiteral("mnParIso"))->trigger();
        const QPointer<frmTable> table = newWindow<frmTable>(before);
        settleUntil([&] { return !table || (!table->busy() && table->runsCompleted() >= 1); });
        before = topLevelWindows();
        window.menuItem(QStringLiteral("mnViewWaterfall"))->trigger();
        const QPointer<frmWaterfall> waterfall = newWindow<frmWaterfall>(before);
        // Its first tick asks for the properties, in a dialog of its own loop; OK starts the slices.
        settleUntil([&] {
            if (!waterfall)
                return true;
            if (frmWaterProp* dialog = waterfall->propertiesDialog(); dialog && dialog->isVisible()) {
                dialog->cmdOK->click();
                return false;
            }
            return waterfall->pictureDrawn() && !waterfall->Busy();
        });
        if (!table || !waterfall)
            state.SkipWithError("the table or the waterfall closed before it finished");
    });
}

// Answers each of Qt's Open dialogs with the example response once the user has seen it: the example's folder
// listed (on a thread of the dialog's own) and the dialog painted with it. Answered at once, the dialog would
// never draw its icons.
class OpenDialogAnswer : public QObject {
public:
    OpenDialogAnswer()
    {
        connect(&poll_, &QTimer::timeout, this, &OpenDialogAnswer::tick);
        poll_.start(2);
    }

private:
    void tick()
    {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            shown_ = nullptr; // the program shows the same dialog again for the next open
            return;
        }
        if (dialog != shown_) {
            shown_ = dialog;
            dialog->selectFile(kExample);
            return;
        }
        const auto* model = dialog->findChild<QFileSystemModel*>();
        if (!model || model->rowCount(model->index(model->rootPath())) == 0)
            return;
        dialog->repaint();
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog's, which checks the file as its Open button does
    }

    QTimer poll_;
    QPointer<QFileDialog> shown_;
};

// File > Open through Qt's own Open dialog, with the pixmap cache limited to the argument (KB).
void openDialogCycles(benchmark::State& state)
{
    const int defaultLimit_KB = QPixmapCache::cacheLimit();
    QPixmapCache::setCacheLimit(int(state.range(0)));
    UiServices& scripted = UiServices::get();
    UiServices::install(nullptr);
    {
        OpenDialogAnswer answer;
        openingCycles(state, [] {}, [](frmView&) {}, 600);
    }
    UiServices::install(&scripted);
    const double held = heapInUse();
    QPixmapCache::clear();
    state.counters["pixmap_cache_MB"] = (held - heapInUse()) / 1e6;
    QPixmapCache::setCacheLimit(defaultLimit_KB);
    state.counters["pixmap_cache_limit_KB"] = double(state.range(0));
    state.counters["default_pixmap_cache_limit_KB"] = defaultLimit_KB;
}

} // namespace

BENCHMARK(documentCycles)->Name("DocumentCycles")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(fileOpenCycles)->Name("FileOpenCycles")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(tableWaterfallCycles)->Name("TableWaterfallCycles")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(openDialogCycles)
    ->Name("OpenDialogCycles")
    ->ArgName("pixmap_cache_KB")
    ->Arg(1024)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

int main(int argc, char** argv) { return vemra::bench::RunOffscreenBenchmarks(argc, argv) == 0 ? 0 : 1; }
