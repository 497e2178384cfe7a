#pragma once
// Parameter rows more than one table shows the same way, and the two row makers the tables build theirs with.
#include "tables/TableRow.h"

#include <functional>

namespace vemra::tables {

// A member of (channel, band), valid when `valid`(document, channel, band, value) holds, in `format` on screen and
// in the file and `printFormat` on paper.
using ChannelMember = float (clsWave::*)(int channel, int band);
using ChannelTest = std::function<bool(clsWave& wave, int channel, int band, double value)>;
TableRow ChannelRow(const QString& fileLabel, const QString& printLabel, ChannelMember member, ChannelTest valid,
                    const QString& format = QStringLiteral("0.00"),
                    const QString& printFormat = QStringLiteral("0.00 "));

// A member of the band alone (the spatial parameters), shown with two decimals when the document's receiver fits
// and the value is 0 or more.
using BandMember = float (clsWave::*)(int band);
TableRow BandRow(const QString& label, BandMember member, std::function<bool(int receiver)> receiverFits);

// The spatial rows of the ISO and spaciousness tables: LFC (a probe's only) and IACC 0,+, 0,80 and 80,+ for
// `which` 1, 2 and 3 (an artificial head's only).
TableRow LFCRow();
TableRow IACCRow(int which);

// True below 100 (the decay times' and energy ratios' test: their no-value result is 1E+38).
inline bool Below100(double value) { return value < 100; }

// The energy ratios of the ISO and energy-ratio tables: centre time (tested in seconds, shown in milliseconds),
// C80 and D50 (which has no value only where C50 has none).
TableRow CentreTimeRow();
TableRow C80Row();
TableRow D50Row();

} // namespace vemra::tables
