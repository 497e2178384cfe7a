#pragma once
// Spatial parameters of ISO 3382-1 / -3 from two band-filtered channels (both filtered forward by the same band
// filter, in time order, at one sample rate):
//   lateral energy fraction LF = E_lateral(5..80 ms) / E_omni(0..80 ms), channel 0 the omnidirectional
//   microphone, channel 1 the figure-of-eight pointing sideways;
//   LFC, the same with |p_omni p_lateral| (the |cos| weighting of the incidence angle) over 5..80 ms;
//   the lateral fraction of an omni-omni probe: the figure-of-eight signal is made from the pressure difference
//   of the two capsules, integrated over time (the velocity of Euler's equation, in pressure units: c / d times
//   the integral of the difference), the omnidirectional signal is their mean;
//   the interaural cross-correlation coefficient IACC = max over |tau| <= 1 ms of |IACF(tau)|, the cross-
//   correlation of the two ear signals over a time window normalised by the energies in it.
//
// Time windows start at the window's time zero (sample index); a limit t > 0 lies at time zero +
// round((t + delay) fs), delay being the band filter's energy delay, so that band limits fall where broadband
// ones do (the same rule as the energy parameters); t = 0 is time zero itself. Nothing (std::nullopt) when a
// window reaches past the signal, holds no energy, or the input is not usable - never NaN or infinity.
// No Qt; any thread.
#include <cstdint>
#include <optional>
#include <span>

namespace vemra::dsp {

// Sample index of the limit t seconds after timeZero (see above); t = +infinity gives `length`.
std::int64_t spatialBoundary(std::int64_t timeZero, double t_s, double delay_s, double fs_Hz, std::int64_t length);

struct SpatialInput {
    std::span<const float> omni;    // channel 0 (the first capsule of a probe)
    std::span<const float> lateral; // channel 1 (the figure-of-eight, or the second capsule of a probe)
    double fs_Hz = 0;
    std::int64_t timeZero = -1;
    double delay_s = 0;          // the band filter's energy delay
    double omniScale = 1;        // factors that turn each channel's samples into comparable amplitudes
    double lateralScale = 1;
};

// E_lateral(5..80 ms) / E_omni(0..80 ms).
std::optional<double> lateralFraction(const SpatialInput& in);
// sum |p_omni p_lateral| (5..80 ms) / E_omni(0..80 ms).
std::optional<double> lateralFractionCos(const SpatialInput& in);
// Probe of two omnidirectional capsules spacing_m apart at the speed of sound c_mps.
std::optional<double> probeLateralFraction(const SpatialInput& in, double spacing_m, double c_mps);

// IACC of the window [from, to) of left and right, over lags of at most maxLag_s (ISO 3382-1: 1 ms).
std::optional<double> interauralCrossCorrelation(std::span<const float> left, std::span<const float> right,
                                                 double fs_Hz, std::int64_t from, std::int64_t to,
                                                 double maxLag_s = 0.001);

// The IACC of the windows [from, to), [from, split) and [split, to) in one pass.
struct InterauralCorrelations {
    std::optional<double> whole, early, late;
};
InterauralCorrelations interauralCrossCorrelations(std::span<const float> left, std::span<const float> right,
                                                   double fs_Hz, std::int64_t from, std::int64_t split,
                                                   std::int64_t to, double maxLag_s = 0.001);

// Where a band-filtered channel has rung out after its sound ends at lastSound (exclusive): the first sample at
// or after it past which less than a millionth of the band's energy from `from` on follows. The band filter
// spreads the energy of a channel's last sound over its own ringing, which belongs to that sound.
std::int64_t rungOut(std::span<const float> band, std::int64_t from, std::int64_t lastSound);

// True when the window [from, to) of a band-filtered channel rises above the band's noise (mean energy per sample,
// as the decay analysis measured it): its loudest kRiseInterval_s lies kRiseAboveNoise_dB above the noise, as a
// decay's must. Any energy rises above a noise of 0.
bool risesAboveNoise(std::span<const float> band, double fs_Hz, std::int64_t from, std::int64_t to,
                     double noiseEnergy);

} // namespace vemra::dsp
