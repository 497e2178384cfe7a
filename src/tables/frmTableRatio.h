#pragma once
// frmTableRatio, the energy ratios of one channel per octave band 63 Hz .. 4 kHz: centre time Ts (in
// milliseconds), clarity C80 and definition D50.
#include "tables/frmRowTable.h"

namespace vemra {

class frmTableRatio final : public frmRowTable {
    Q_OBJECT
public:
    explicit frmTableRatio(const QString& key, QWidget* parent = nullptr);
};

} // namespace vemra
