#pragma once
// The data of the eight views of a response, one value per view point in the unit its y scale shows:
//   0 Pressure       percent of full scale, -100..100 (one point per sample)
//   1 Reflectogram   rectified pressure, percent of full scale, 0..100 (one point per sample)
//   2 Decay curve    energy envelope in dB: the mean squared pressure in a window centred on each sample whose
//                    length follows the reverberation time, 0 dB = full scale (one point per sample)
//   3 Schroeder      backward-integrated energy in dB, 0 dB = the whole integral (one point per sample)
//   4, 5             octave and third-octave band levels in dB (one point per band)
//   6 Lin spectrum   power spectrum in dB on the grid of Spectrum.h (N points)
//   7 Log spectrum   the same N bins, point j showing bin logSamplePoint(j, N)
// Band and spectrum levels are spectral densities: the mean power per bin within the band, so a white response
// has equal levels in every band, and the highest point of either channel is 0 dB. With auto scale the pressure,
// reflectogram and decay views are referred to the largest value of either channel instead of full scale.
// Samples are in 16-bit units (full scale kFullScale, Codes.h). Levels of silence are kFloor_dB, never -inf or
// NaN. No Qt; any thread.
#include "library/Codes.h"
#include "library/dsp/Bands.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vemra::dsp {

inline constexpr float kFloor_dB = -400.0f;

enum ViewTypeCode : std::int16_t {
    ViewPressure = 0,
    ViewReflectogram = 1,
    ViewDecay = 2,
    ViewSchroeder = 3,
    ViewOctave = 4,
    ViewThirdOctave = 5,
    ViewLinSpectrum = 6,
    ViewLogSpectrum = 7,
};

inline constexpr int kViewTypeCount = 8;

inline constexpr bool isTimeView(int viewType) { return viewType >= ViewPressure && viewType <= ViewSchroeder; }
inline constexpr bool isBandView(int viewType) { return viewType == ViewOctave || viewType == ViewThirdOctave; }
inline constexpr bool isSpectrumView(int viewType)
{
    return viewType == ViewLinSpectrum || viewType == ViewLogSpectrum;
}
// Pressure and reflectogram read in percent of full scale; every other view in dB.
inline constexpr bool isPercentView(int viewType) { return viewType == ViewPressure || viewType == ViewReflectogram; }

// The bands of a band view, lowest first: the octaves from 31.5 Hz, the third octaves from 25 Hz, each up to the
// last band of its kind (the view then keeps those below Nyquist).
inline constexpr int firstBandOfView(int viewType)
{
    return viewType == ViewOctave ? kFirstOctaveBand + 1 : kFirstUsedThirdOctaveBand;
}
inline constexpr int lastBandOfView(int viewType)
{
    return viewType == ViewOctave ? kLastOctaveBand : kLastThirdOctaveBand;
}

// Band edges of one band of a band view, in hertz.
struct BandRange {
    double low_Hz = 0;
    double high_Hz = 0;
};

// What processing needs besides the samples. Per-channel entries are indexed 0 and 1.
struct ViewSettings {
    int viewType = ViewPressure;
    bool autoScale = false;
    bool smooth = false;               // third-octave smoothing of views 6 and 7
    double bestRevTime_s[2] = {0, 0};  // decay view: sets the averaging window; <= 0 or no value: 1 s assumed
    double featureValue[2] = {0, 0};   // Schroeder view: energy (squared 16-bit units) taken as 0 dB when > 0
    // Schroeder view: integrate backwards from this sample (exclusive; < 0 = the end of the response), take the
    // noise energy per sample off what is integrated and add tailEnergy for what lies beyond the end (the noise
    // truncation, subtraction and compensation of the decay analysis).
    std::int64_t integrationEnd[2] = {-1, -1};
    double noiseEnergy[2] = {0, 0};
    double tailEnergy[2] = {0, 0};
};

struct ViewData {
    int viewType = ViewPressure;
    std::int32_t pointCount = 0;
    std::vector<std::vector<float>> channels;
};

// The averaging window of the decay view for a reverberation time: T / 100, within 1 ms .. 50 ms.
double decayWindow_s(double reverberationTime_s);

// Single-view kernels (reference > 0; reference energy in squared 16-bit units).
std::vector<float> pressurePercent(std::span<const float> x, double reference);
std::vector<float> reflectogramPercent(std::span<const float> x, double reference);
// Mean of x^2 over a window of `window` samples (at least 1) centred on each sample (near the ends: over the
// part of the window inside the signal), in dB re referencePower.
std::vector<float> decayCurve_dB(std::span<const float> x, std::int64_t window, double referencePower);
// Backward integral of x^2 - noiseEnergy from each sample to `end` (exclusive; never below 0), plus tailEnergy,
// in dB re referenceEnergy (<= 0: re the whole integral). Points from `end` on are kFloor_dB.
std::vector<float> schroeder_dB(std::span<const float> x, std::int64_t end, double noiseEnergy, double tailEnergy,
                                double referenceEnergy);
// Mean power of each band over the grid's bins, in dB re 1 (squared 16-bit units per bin), before the view's
// normalisation.
std::vector<float> bandLevels_dB(std::span<const double> power, double fs_Hz, std::span<const BandRange> bands);
std::vector<float> power_dB(std::span<const double> power);
// Log view of a linear view of N points (N < 2: the linear view itself).
std::vector<float> logView(std::span<const float> linear);

// Processes all channels into the view `settings.viewType`. For views 0..3 the channels are already band
// filtered; `bands` are the bands of views 4 and 5, lowest first. fs_Hz > 0.
ViewData processView(std::span<const std::span<const float>> channels, double fs_Hz, const ViewSettings& settings,
                     std::span<const BandRange> bands);

} // namespace vemra::dsp
