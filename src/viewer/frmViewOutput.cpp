// The document window's output commands: File > Print with the printer set-up dialog, the toolbar's Print on the
// current printer, Ctrl+C's copy of the graph, and Play and Stop through the document.
#include "viewer/frmView.h"

#include "audio/frmMeasure.h"

#include "core/ErrorGuard.h"
#include "core/Print.h"
#include "core/VemraError.h"
#include "library/draw/DeviceContext.h"
#include "viewer/BusyCursor.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPrinter>

namespace vemra {

void frmView::connectOutputCommands()
{
    setCommand(QStringLiteral("mnFilePrint"), [this] { mnFilePrint_Click(); });
    setCommand(QStringLiteral("Print"), [this] {
        guarded("Toolbar", [&] {
            if (QPrinter* printer = PrinterToPrintOn(this))
                PrintGraphOn(*printer);
        });
    });
    setCommand(QStringLiteral("Play"), [this] { PlayButton_Click(); });
    setCommand(QStringLiteral("Stop"), [this] {
        if (clsWave* wave = WaveFile())
            wave->StopPlay();
    });
}

void frmView::mnFilePrint_Click()
{
    guarded("mnFilePrint", [&] {
        if (ChoosePrinter(this))
            PrintGraphOn(CurrentPrinter());
    });
}

void frmView::PrintGraphOn(QPrinter& printer)
{
    clsWave* wave = WaveFile();
    if (!wave || !wave->Valid())
        return;
    const BusyCursor busy;
    QPainter painter;
    StartPrinting(painter, printer);
    {
        const DeviceContext dc(painter);
        wave->PrintWave(dc.handle());
    }
    if (!painter.end())
        throw VemraError::printerError();
}

void frmView::PlayButton_Click()
{
    guarded("Toolbar", [&] {
        clsWave* wave = WaveFile();
        if (!wave || !wave->Valid())
            return;
        // The measurement window shares the sound card: it goes first.
        if (frmMeasure::loaded())
            frmMeasure::Unload();
        const bool selection = mSelectionActive && mTimeView && mSelLength > 1;
        const std::int16_t r = selection ? wave->Play(wave->FilterType(), mSelStart, mSelLength)
                                         : wave->Play(wave->FilterType(), 0, wave->SampleCount());
        // A refusal has been shown by the document: the group shows the stopped state.
        setButtonPressed(r == 0 ? QStringLiteral("Play") : QStringLiteral("Stop"), true);
    });
}

void frmView::keyPressEvent(QKeyEvent* event)
{
    // Ctrl+C is Edit > Copy while that is offered, however the key arrives: an open menu passes the keys it does
    // not take on to the window, past the menu item's shortcut. Otherwise (no selection, or a spectrum view) it
    // copies the graph.
    if (event->matches(QKeySequence::Copy)) {
        if (QAction* copy = menuItem(QStringLiteral("mnEditCopy")); copy && copy->isEnabled())
            copy->trigger();
        else if (clsWave* wave = WaveFile(); wave && wave->Valid())
            wave->ClipSaveWave();
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

} // namespace vemra
