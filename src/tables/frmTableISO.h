#pragma once
// frmTableISO, the ISO 3382 summary: strength G, EDT, T20, T30, centre time, C80 and D50 of the current channel
// per octave band 63 Hz .. 4 kHz, and the lateral fraction (receivers 1, 3), LFC (5) or the three IACC values
// (4). T20, T30 and G are shown only when the band's impulse-to-noise ratio allows them (35, 45, 30 dB), G only
// for a calibrated response.
#include "tables/frmTable.h"

namespace vemra {

class frmTableISO final : public frmTable {
    Q_OBJECT
public:
    explicit frmTableISO(const QString& key, QWidget* parent = nullptr);

protected:
    void Form_Load(clsWave& wave) override;
    std::vector<RunStep> planRun(clsWave& wave) override;
    void writeText(clsWave& wave, tables::TableText& text) override;
    void printPage(clsWave& wave, tables::TablePage& page) override;

private:
    enum Row { G, EDT, T20, T30, Ts, C80, D50, LF, LFC, IACC1, IACC2, IACC3, RowCount };
    std::array<tables::TableRow, RowCount> rows_;
    QFrame* fraPower_ = nullptr;
    QFrame* fraRev_ = nullptr;
    QFrame* fraRatio_ = nullptr;
    QFrame* fraLFC_ = nullptr;
    QFrame* fraLF_ = nullptr;
    QFrame* fraIACC_ = nullptr;
};

} // namespace vemra
