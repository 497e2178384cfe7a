#pragma once
// The regularised inverse of a circular (periodic) response: the sound card's correction filter, made from its
// loop-back response (line-out to line-in) measured with a periodic stimulus.
//
// For one period h of N samples at the rate fs:
//   H'(k)  = DFT of h advanced circularly by d, d the index of h's largest magnitude (the bulk delay);
//   P      = the mean of |H'(k)|^2 over the bins k whose frequency f_k = k fs / N lies inside the band;
//   G(k)   = conj(H'(k)) / (|H'(k)|^2 + beta(f_k) P);
//   g      = inverse DFT of G, N samples.
// h circularly convolved with g is then, within the band, a unit impulse at d: the card's level and frequency
// response are taken out and its latency is kept, so a corrected measurement starts where an uncorrected one did.
// beta(f) is inBand inside [lowEdge, highEdge] (highEdge at most kInverseFilterTop fs) and rises to outOfBand over
// `transition_octaves` outside either edge (raised cosine in log frequency; DC and the bins beyond the transition
// take outOfBand), so no bin is amplified by more than 1 / (2 sqrt(beta P)): the inverse never boosts what the
// card does not pass. No Qt; any thread.
#include <span>
#include <vector>

namespace vemra::dsp {

// The highest edge of an inverse filter's band, as a fraction of the rate: converters pass little above it.
inline constexpr double kInverseFilterTop = 0.45;

struct InverseFilterSettings {
    double lowEdge_Hz = 20;
    double highEdge_Hz = 20000;
    double inBand = 1e-3;     // beta inside the band, relative to P
    double outOfBand = 1.0;   // beta outside the band and its transitions
    double transition_octaves = 0.5;
};

// beta at f (0 .. fs / 2).
double inverseRegularisation(double f_Hz, double fs_Hz, const InverseFilterSettings& settings);

// The inverse g of one period h (N >= 2 samples, any length) at fs > 0. Empty when h is silent, shorter than 2
// samples, not finite, or fs is not above 0.
std::vector<double> inverseFilter(std::span<const double> h, double fs_Hz, const InverseFilterSettings& settings = {});

} // namespace vemra::dsp
