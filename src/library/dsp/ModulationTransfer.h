#pragma once
// The modulation transfer function of a band-filtered impulse response (IEC 60268-16, indirect method after
// Schroeder): m(F) = |sum h^2(n) e^(-j 2 pi F n / fs)| / sum h^2(n), times the noise reduction
// 1 / (1 + 10^(-SNR/10)) of a band with noise, limited to [0, 1].
//
// The squared response is taken from time zero to the decay end, with the mean noise energy per sample taken off
// (the noise enters once, through the SNR term, not also as a flat floor under the decay), and the late decay
// line continued to infinity in closed form beyond the decay end, so that truncating the noise does not cut the
// reverberant tail off the modulation transfer.
// No Qt; any thread.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vemra::dsp {

// The 14 modulation frequencies of the full STI method, ascending (Hz).
inline constexpr std::array<double, 14> kStiModulationFrequencies_Hz = {0.63, 0.8, 1.0, 1.25, 1.6, 2.0, 2.5,
                                                                         3.15, 4.0, 5.0, 6.3, 8.0, 10.0, 12.5};
// The modulation frequencies of RASTI: four in the 500 Hz octave, five in the 2 kHz octave.
inline constexpr std::array<double, 4> kRasti500ModulationFrequencies_Hz = {1.0, 2.0, 4.0, 8.0};
inline constexpr std::array<double, 5> kRasti2000ModulationFrequencies_Hz = {0.7, 1.4, 2.8, 5.6, 11.2};

// The one modulation frequency of STITEL in the octave bands 3..9 (125 Hz .. 8 kHz); 0 for other bands.
double stitelModulationFrequency_Hz(int band);
// The RASTI modulation frequencies of a band: four for band 5 (500 Hz), five for band 7 (2 kHz), else none.
std::span<const double> rastiModulationFrequencies_Hz(int band);

// 1 / (1 + 10^(-snr/10)): what stationary noise at that signal-to-noise ratio leaves of every modulation.
double noiseModulationFactor(double snr_dB);

// What the modulation transfer is computed from.
struct ModulationSource {
    std::span<const float> band; // band-filtered response in time order (filtered forward)
    double fs_Hz = 0;
    std::int64_t from = 0;     // time zero (sample index)
    std::int64_t to = 0;       // exclusive end of the measured part (the decay end, or the end of the response)
    double noiseEnergy = 0;    // mean noise energy per sample, taken off every squared sample of [from, to)
    double tailEnergy = 0;     // energy per sample of the late decay line at `to` (0: no tail)
    double tailRatio = 0;      // its ratio from one sample to the next (0 <= ratio < 1)
    double snr_dB = 1e9;       // signal-to-noise ratio of the noise term; very large: no noise
};

// m(F) for each frequency, in [0, 1]; all 0 when there is no energy (silence, empty window).
std::vector<double> modulationTransfer(const ModulationSource& source, std::span<const double> frequencies_Hz);

// The 21 entries the program stores for a band: 0..13 the full method's frequencies, 14 the band's STITEL
// frequency (bands 3..9), 15..18 (band 5) or 15..19 (band 7) the RASTI frequencies; the rest 0.
std::array<float, 21> modulationTransferEntries(int band, const ModulationSource& source);

} // namespace vemra::dsp
