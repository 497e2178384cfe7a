#pragma once
// frmTableLevel, the levels of one channel per octave band 63 Hz .. 4 kHz: the impulse-to-noise ratio INR (">42"
// for a lower bound of 42 dB) and the strength G (not for the figure-of-eight channel of receivers 1 and 3).
#include "tables/frmRowTable.h"

namespace vemra {

class frmTableLevel final : public frmRowTable {
    Q_OBJECT
public:
    explicit frmTableLevel(const QString& key, QWidget* parent = nullptr);
};

} // namespace vemra
