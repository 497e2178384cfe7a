#include "tables/TablePage.h"

#include "core/VemraError.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

namespace vemra::tables {
namespace {

constexpr int kFontSize_pt = 10;
constexpr double kAfterTitle_mm = 10.0;

VemraError printerError() { return VemraError(482, QStringLiteral("Printer error")); }

double printableWidth_mm(const QPrinter& printer)
{
    return printer.pageLayout().paintRect(QPageLayout::Millimeter).width();
}

} // namespace

void TablePage::print(QPrinter& printer, double width_mm, const std::function<void(TablePage&)>& draw)
{
    if (!printer.isValid())
        throw printerError();
    // The page turned for a wide table is that page's alone: the printer is the program's, and what prints on it
    // next starts from the orientation the user set. Restored after the painter has ended the job.
    struct KeepOrientation {
        QPrinter& printer;
        QPageLayout::Orientation orientation;
        ~KeepOrientation() { printer.setPageOrientation(orientation); }
    } keep{printer, printer.pageLayout().orientation()};
    if (printableWidth_mm(printer) < width_mm)
        printer.setPageOrientation(QPageLayout::Landscape);
    const double available_mm = printableWidth_mm(printer);
    const double scale = available_mm < width_mm ? available_mm / width_mm : 1.0;
    QPainter painter;
    if (!BeginPrinting(painter, printer))
        throw printerError();
    painter.setPen(Qt::black);
    painter.scale(scale, scale);
    TablePage page(painter, printer.resolution() / 25.4, available_mm / scale);
    draw(page);
    if (!painter.end())
        throw printerError();
}

TablePage::TablePage(QPainter& painter, double unitsPerMm, double printableWidth_mm)
    : painter_(painter), unitsPerMm_(unitsPerMm), printableWidth_mm_(printableWidth_mm)
{
    page_.painter = &painter;
    titleFont();
}

namespace {

// The printer fonts by name, with the kind of face to fall back on where the named one is not installed.
void setFont(PrintPage& page, const QString& name, bool bold, QFont::StyleHint hint)
{
    SetPrinterFont(page, name, kFontSize_pt, bold, false);
    QFont f = page.painter->font();
    f.setStyleHint(hint);
    page.painter->setFont(f);
}

} // namespace

void TablePage::titleFont() { setFont(page_, QStringLiteral("Arial"), false, QFont::SansSerif); }

void TablePage::labelFont() { setFont(page_, QStringLiteral("Courier New"), true, QFont::TypeWriter); }

void TablePage::cellFont() { setFont(page_, QStringLiteral("Courier New"), false, QFont::TypeWriter); }

void TablePage::emptyLines(int count)
{
    for (int i = 0; i < count; ++i)
        PrintText(page_, QString(), 0, float(page_.currentY), AlignStart);
}

void TablePage::title(const QString& text)
{
    titleFont();
    PrintText(page_, text, float(units(printableWidth_mm_ / 2)), float(page_.currentY), AlignCentre);
    page_.currentY += units(kAfterTitle_mm);
}

void TablePage::headingLine(const QStringList& headings, int count)
{
    beginRow();
    label(QStringLiteral("Frequency [Hz]:"), kLabelX_mm);
    for (int k = 0; k < count && k < headings.size(); ++k)
        text(headings[k], centreX_mm(k), AlignCentre);
    endRow();
    emptyLines(1);
}

void TablePage::row(const TableRow& row, clsWave& wave, int channel, const BandColumns& columns, int through)
{
    beginRow();
    label(row.printLabel, kLabelX_mm);
    cellFont();
    for (int k = 0; k <= columns.last; ++k) {
        const Cell cell = row.cell(wave, channel, columns.band(k));
        if (cell.printCentred)
            text(cell.print, centreX_mm(k), AlignCentre);
        else
            text(cell.print, valueX_mm(k), AlignEnd);
    }
    for (int k = columns.last + 1; k <= through; ++k)
        text(QStringLiteral("--"), centreX_mm(k), AlignCentre);
    endRow();
}

void TablePage::beginRow()
{
    rowY_ = page_.currentY;
    rowEnd_ = rowY_;
}

void TablePage::label(const QString& text, double x_mm, int alignment)
{
    labelFont();
    this->text(text, x_mm, alignment);
    cellFont();
}

void TablePage::text(const QString& text, double x_mm, int alignment)
{
    PrintText(page_, text, float(units(x_mm)), float(rowY_), alignment);
    rowEnd_ = std::max(rowEnd_, page_.currentY);
}

void TablePage::endRow()
{
    if (rowEnd_ <= rowY_)
        rowEnd_ = rowY_ + QFontMetricsF(painter_.font(), painter_.device()).lineSpacing();
    page_.currentY = rowEnd_;
}

} // namespace vemra::tables
