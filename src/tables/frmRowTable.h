#pragma once
// frmRowTable, the frame of the tables made of plain rows (levels, energy ratios, stage support): one framed group
// of rows, each a document member shown cell by cell, written and printed in the same order.
#include "tables/frmTable.h"

#include <vector>

namespace vemra {

class frmRowTable : public frmTable {
    Q_OBJECT

protected:
    struct Row {
        tables::TableRow row;
        QString cells;       // the cell array, "lblG"
        QString caption;     // on screen, "G [dB]"
        QString captionName; // "lblISO(11)"
    };
    // How the file and the page end: a file row covers every column (a blank above the band limit) or only those
    // up to it; an empty line closes the file, the page.
    struct Ending {
        bool fileRowsCoverEveryColumn = true;
        bool fileEmptyLine = false;
        bool pageEmptyLine = false;
    };

    frmRowTable(const QString& key, const Design& design, const QString& frameName, std::vector<Row> rows,
                Ending ending, QWidget* parent);

    void Form_Load(clsWave&) override {}
    std::vector<RunStep> planRun(clsWave& wave) override;
    void writeText(clsWave& wave, tables::TableText& text) override;
    void printPage(clsWave& wave, tables::TablePage& page) override;

private:
    std::vector<Row> rows_;
    Ending ending_;
};

} // namespace vemra
