#pragma once
// frmTableMTF, the modulation transfer function behind the speech indices: per octave band 125 Hz .. 8 kHz the
// modulation transfer values at the 14 modulation frequencies 0.63 .. 12.5 Hz and the band's transmission index
// MTI. Opened only by the speech table, modally; it calculates on every activation and follows no changes of the
// document (nothing else can change it while it is open), but it closes when the document goes.
#include "tables/frmTable.h"

namespace vemra {

class frmTableMTF final : public frmTable {
    Q_OBJECT
public:
    explicit frmTableMTF(const QString& key, QWidget* parent = nullptr);

    static constexpr int kModulations = 14;

protected:
    void Form_Load(clsWave&) override {}
    std::vector<RunStep> planRun(clsWave& wave) override;
    void writeText(clsWave& wave, tables::TableText& text) override;
    void printPage(clsWave& wave, tables::TablePage& page) override;
};

} // namespace vemra
