#pragma once
// The printed page of a parameter table: positions in millimetres from the top left of the printable area, the
// title in "Arial" 10, the table in "Courier New" 10 (labels bold, cells regular), column k's values right-aligned
// at 60 + 20 k mm and its headings and "--" centred at 52.5 + 20 k mm. A page wider than the printable area is
// turned to landscape, and scaled down when even that is too narrow, so nothing is cut off.
// Calling thread: the user-interface thread.
#include "core/Print.h"
#include "tables/TableRow.h"

#include <QString>
#include <QStringList>
#include <functional>

class QPainter;
class QPrinter;

namespace vemra::tables {

class TablePage {
public:
    // x of the value column k (right edge) and of its centre.
    static double valueX_mm(int column) { return 60.0 + 20.0 * column; }
    static double centreX_mm(int column) { return 52.5 + 20.0 * column; }
    static constexpr double kLabelX_mm = 40.0;

    // Prints one page on the printer: `draw` fills it. `width_mm` is the rightmost extent the table needs.
    // Throws the run-time error "Printer error" when the printer cannot be used.
    static void print(QPrinter& printer, double width_mm, const std::function<void(TablePage&)>& draw);

    TablePage(QPainter& painter, double unitsPerMm, double printableWidth_mm);

    // Fonts: "Arial" 10 for the title and the empty lines before it, "Courier New" 10 for the table.
    void titleFont();
    void labelFont();   // bold
    void cellFont();    // regular
    // `count` empty lines in the current font.
    void emptyLines(int count = 1);
    // The title centred on half the printable width, in the title font; then 10 mm further down.
    void title(const QString& text);
    // "Frequency [Hz]:" right-aligned at the label column, then each of the first `count` headings centred on its
    // column; then one empty line.
    void headingLine(const QStringList& headings, int count);
    // A row: its print label, the cells of columns 0 .. last (values right-aligned, "--" and marks centred), then
    // "--" centred in every further column up to `through`.
    void row(const TableRow& row, clsWave& wave, int channel, const BandColumns& columns, int through);

    // The pieces of a row, for the tables that lay theirs out themselves: a row starts at the current line; each
    // text is placed on it; endRow moves on to the next line.
    void beginRow();
    void label(const QString& text, double x_mm, int alignment = AlignEnd);
    void text(const QString& text, double x_mm, int alignment);
    void endRow();

private:
    double units(double mm) const { return mm * unitsPerMm_; }

    QPainter& painter_;
    PrintPage page_;
    double unitsPerMm_;
    double printableWidth_mm_;
    double rowY_ = 0;
    double rowEnd_ = 0;
};

} // namespace vemra::tables
