#pragma once
// frmTableRev, the reverberation of one channel per octave band 31.5 Hz .. 16 kHz: EDT, T10, T20 and T30 with the
// correlation coefficient of each fit, and, when the program was started with /FEATURE, the curvature
// (T30 / T20 - 1) in percent.
#include "tables/frmTable.h"

namespace vemra {

class frmTableRev final : public frmTable {
    Q_OBJECT
public:
    explicit frmTableRev(const QString& key, QWidget* parent = nullptr);

protected:
    void Form_Load(clsWave& wave) override;
    std::vector<RunStep> planRun(clsWave& wave) override;
    void writeText(clsWave& wave, tables::TableText& text) override;
    void printPage(clsWave& wave, tables::TablePage& page) override;

private:
    // EDT, its cc, T10, its cc, T20, its cc, T30, its cc, the curvature.
    static constexpr int kRows = 9;
    static constexpr int kCurvature = 8;
    std::array<tables::TableRow, kRows> rows_;
    QLabel* curvatureCaption_ = nullptr;
    QVector<QLabel*> curvatureCells_;
};

} // namespace vemra
