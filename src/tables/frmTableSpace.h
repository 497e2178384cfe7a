#pragma once
// frmTableSpace, the spatial impression per octave band 63 Hz .. 4 kHz: the lateral fraction LF (receivers 1, 3
// and 5), LFC (5) or the three IACC values (4). It has no channel choice.
#include "tables/frmTable.h"

namespace vemra {

class frmTableSpace final : public frmTable {
    Q_OBJECT
public:
    explicit frmTableSpace(const QString& key, QWidget* parent = nullptr);

protected:
    void Form_Load(clsWave& wave) override;
    std::vector<RunStep> planRun(clsWave& wave) override;
    void writeText(clsWave& wave, tables::TableText& text) override;
    void printPage(clsWave& wave, tables::TablePage& page) override;

private:
    enum Row { LF, LFC, IACC1, IACC2, IACC3, RowCount };
    // The rows the file and the page hold for the document's receiver, in their order.
    std::vector<Row> writtenRows(int receiver) const;
    std::array<tables::TableRow, RowCount> rows_;
    QFrame* fraLFC_ = nullptr;
    QFrame* fraLF_ = nullptr;
    QFrame* fraIACC_ = nullptr;
};

} // namespace vemra
