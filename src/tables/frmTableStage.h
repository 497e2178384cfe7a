#pragma once
// frmTableStage, the stage support of one channel per octave band 63 Hz .. 4 kHz: ST early, ST late and ST total
// in dB.
#include "tables/frmRowTable.h"

namespace vemra {

class frmTableStage final : public frmRowTable {
    Q_OBJECT
public:
    explicit frmTableStage(const QString& key, QWidget* parent = nullptr);
};

} // namespace vemra
