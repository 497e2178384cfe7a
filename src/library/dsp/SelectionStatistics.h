#pragma once
// Statistics of a selection of one channel: extremes, mean, RMS level and the decay of its level.
// The level is the mean square in blocks of about 1 ms (at least eight blocks when the selection is shorter,
// single samples at the least), in dB; a straight line fitted to the block levels by least squares over the
// blocks' centre times gives the slope, the decay time to -60 dB and the level change across the selection.
// Silent blocks have no level and take no part in the fit.
// No Qt; pure function, any thread.
#include <cstdint>
#include <optional>
#include <span>

namespace vemra::dsp {

struct SelectionStatistics {
    double min = 0, max = 0, mean = 0; // of the values as given
    // 10 lg of the mean square (re 1); nothing for a silent selection.
    std::optional<double> meanSquare_dB;
    // Least-squares line through the block levels: slope in dB per second; nothing with fewer than two blocks
    // that have a level.
    std::optional<double> slope_dBps;
    // -60 dB / slope for a falling line; nothing otherwise.
    std::optional<double> decayTime60_s;
    // The line's change of level across the selection (slope times its duration), dB.
    double levelChange_dB = 0;
};

// Nothing meaningful for an empty selection (all zeros and no values) or a rate not above 0 (no slope).
SelectionStatistics selectionStatistics(std::span<const float> x, double fs_Hz);

} // namespace vemra::dsp
