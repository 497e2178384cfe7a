#include "core/Print.h"

#include "core/VemraError.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <cmath>

namespace vemra {

QPrinter& CurrentPrinter()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

void StartPrinting(QPainter& painter, QPrinter& printer)
{
    if (!painter.begin(&printer))
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
