#include "tables/frmRowTable.h"

#include "document/clsWave.h"
#include "library/Codes.h"
#include "tables/BandGrid.h"
#include "tables/TablePage.h"
#include "tables/TableText.h"

namespace vemra {

frmRowTable::frmRowTable(const QString& key, const Design& design, const QString& frameName, std::vector<Row> rows,
                         Ending ending, QWidget* parent)
    : frmTable(key, design, parent), rows_(std::move(rows)), ending_(ending)
{
    auto* grid = new tables::BandGrid(design_.headings, design_.widestCell, this);
    QFrame* frame = grid->addFrame(frameName);
    for (const Row& r : rows_)
        grid->addRow(frame, r.captionName, r.caption, r.cells);
    load(grid);
}

std::vector<frmTable::RunStep> frmRowTable::planRun(clsWave&)
{
    std::vector<RunStep> steps;
    for (int k = 0; k <= columns_.last; ++k)
        for (const Row& r : rows_)
            steps.push_back(showCell(r.row, r.cells, k));
    return steps;
}

void frmRowTable::writeText(clsWave& wave, tables::TableText& text)
{
    text.heading(design_.headings);
    text.line();
    const int through = ending_.fileRowsCoverEveryColumn ? columns_.count - 1 : -1;
    for (const Row& r : rows_)
        text.row(r.row, wave, channel(), columns_, through);
    if (ending_.fileEmptyLine)
        text.line();
}

void frmRowTable::printPage(clsWave& wave, tables::TablePage& page)
{
    printHead(wave, page, wave.Receiver() == ReceiverDualOmni, columns_.count);
    for (const Row& r : rows_)
        page.row(r.row, wave, channel(), columns_, columns_.count - 1);
    if (ending_.pageEmptyLine)
        page.emptyLines();
}

} // namespace vemra
