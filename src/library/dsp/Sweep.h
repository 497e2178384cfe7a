#pragma once
// Periodic logarithmic sweeps of 2^order samples.
// The sweep is synthesised in the frequency domain, so that one period is exactly periodic and its spectrum is
// known: magnitude falling 3 dB per octave (equal energy per octave) between fStart and fEnd, with half-cosine
// fades (in log frequency) of one octave below fStart and of up to one octave above fEnd, ending by the Nyquist
// frequency; zero at DC and at the Nyquist frequency. The group delay follows the logarithm of frequency over the
// whole period, through the fades as well, so every frequency has its own instant and the envelope is constant:
// the crest factor is close to that of a sine (3 dB). Where a period is too short for the lowest octaves to be a
// clean sweep, the phases are refined (clipping and restoring the magnitudes) until the crest factor is within
// kSweepCrestTarget_dB; the magnitudes stay exactly as designed. The samples are scaled to a peak of 1.
#include <cstdint>
#include <span>
#include <vector>

namespace vemra::dsp {

inline constexpr int SweepMinOrder = 8;
inline constexpr int SweepMaxOrder = 24;
// The crest factor the phase refinement aims at: 0.6 dB above a sine's, well inside 4 dB.
inline constexpr double kSweepCrestTarget_dB = 3.6;

struct SweepRange {
    double fStart_Hz = 0; // 0: default (20 Hz, at least 4 bins)
    double fEnd_Hz = 0;   // 0: default (0.45 * rate, at most 20 kHz)
};

// One period of 2^order samples. Throws std::invalid_argument for an order outside SweepMinOrder..SweepMaxOrder
// or a rate <= 0.
std::vector<double> periodicSweep(int order, double rate_Hz, SweepRange range = {});

// Peak over RMS of a signal in dB (0 for silence).
double crestFactor_dB(std::span<const double> x);

} // namespace vemra::dsp
