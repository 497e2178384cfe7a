#include "core/Print.h"

#include "core/Errors.h"
#include "core/UiServices.h"
#include "core/VemraError.h"
#include "library/Messages.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>

namespace vemra {

QPrinter& CurrentPrinter()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

bool HasDestination(const QPrinter& printer)
{
    return !printer.printerName().isEmpty() || !printer.outputFileName().isEmpty();
}

bool ChoosePrinter(QWidget* parent)
{
    return UiServices::get().printDialog(parent, &CurrentPrinter());
}

QPrinter* PrinterToPrintOn(QWidget* parent)
{
    QPrinter& printer = CurrentPrinter();
    if (HasDestination(printer))
        return &printer;
    // Nothing chosen yet: the system's default of the moment, as a printer made afresh would take it (one may
    // have been installed since the program started).
    if (const QPrinterInfo system = QPrinterInfo::defaultPrinter(); !system.isNull()) {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(system.printerName());
        if (HasDestination(printer))
            return &printer;
    }
    MessageRequest box = ErrorBox(msg::NoPrinter);
    box.buttons = MsgButtons::OKCancel;
    box.parent = parent;
    if (UiServices::get().messageBox(box) != MsgResult::OK || !ChoosePrinter(parent))
        return nullptr;
    return &printer;
}

bool BeginPrinting(QPainter& painter, QPrinter& printer)
{
    return HasDestination(printer) && painter.begin(&printer);
}

void StartPrinting(QPainter& painter, QPrinter& printer)
{
    if (!BeginPrinting(painter, printer))
        throw VemraError::printerError(QStringLiteral("Printer error: the printer could not be started"));
}

double PrintTextLeft(double width, double x, double currentX, int alignment)
{
    switch (alignment) {
    case AlignStart: return x;
    case AlignEnd: return x - width;
    case AlignCentre: return x - width / 2.0;
    default: return currentX;
    }
}

int PrintText(PrintPage& page, const QString& text, float x, float y, int alignment)
{
    if (!page.painter)
        return int(std::lround(page.currentY));
    QPainter& p = *page.painter;
    const QFontMetricsF fm(p.font(), p.device());
    page.currentY = y;
    page.currentX = PrintTextLeft(fm.horizontalAdvance(text), x, page.currentX, alignment);
    p.drawText(QPointF(page.currentX, page.currentY + fm.ascent()), text);
    page.currentX = 0;
    page.currentY += fm.lineSpacing();
    return int(std::lround(page.currentY));
}

void SetPrinterFont(PrintPage& page, const QString& fontName, int size_pt, bool bold, bool underline)
{
    if (!page.painter)
        return;
    QFont font(fontName);
    font.setPointSize(size_pt > 0 ? size_pt : 10);
    font.setBold(bold);
    font.setUnderline(underline);
    page.painter->setFont(font);
}

} // namespace vemra
