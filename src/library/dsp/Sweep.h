#pragma once
// Periodic logarithmic sweeps of 2^order samples.
// The sweep is synthesised in the frequency domain, so that one period is exactly periodic and its spectrum is
// known: magnitude falling 3 dB per octave between fStart and fEnd (constant envelope in time), with half-cosine
// fades of one octave below fStart and above fEnd, zero at DC and at the Nyquist frequency; the group delay rises
// with the logarithm of frequency across the period. The samples are scaled to a peak of 1.
#include <cstdint>
#include <vector>

namespace vemra::dsp {

inline constexpr int SweepMinOrder = 8;
inline constexpr int SweepMaxOrder = 24;

struct SweepRange {
    double fStart_Hz = 0; // 0: default (20 Hz, at least 4 bins)
    double fEnd_Hz = 0;   // 0: default (0.45 * rate, at most 20 kHz)
};

// One period of 2^order samples. Throws std::invalid_argument for an order outside SweepMinOrder..SweepMaxOrder
// or a rate <= 0.
std::vector<double> periodicSweep(int order, double rate_Hz, SweepRange range = {});

} // namespace vemra::dsp
