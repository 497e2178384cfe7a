#pragma once
// Decay analysis of one band-filtered channel: Schroeder backward integration with Lundeby's iterative noise
// truncation and compensation, and the least-squares line fits of the decay times.
//
// Lundeby's method (Lundeby, Vigran, Bietz, Vorlaender 1995) finds the noise level of the squared response, the
// late decay line and their crossing point. The response is integrated from time zero to the crossing point (the
// decay end); the energy the late line carries beyond it is added as the compensation, so that the noise does
// not bend the Schroeder curve. Fits on the curve: EDT 0..-10 dB, T10 -5..-15, T20 -5..-25, T30 -5..-35 dB;
// each decay time is -60 dB over the line's slope, with the signed Pearson correlation of level against time
// (about -1 for a clean decay).
//
// The noise energy under the decay is subtracted before integrating, so the curve stays straight down to the
// crossing point. A fit is valid when the curve reaches the bottom of its range before the decay end and the
// INR is at least |bottom| + kNoiseMargin_dB: ISO 3382-1 asks for the bottom 10 dB above the noise (an INR of
// 45 dB for T30, 35 dB for T20); the margin is 2 dB less, because the INR estimated in a band scatters (about a
// decibel in the wide bands, a few in the low octaves: finite noise tail, the filter's noise bandwidth) and a
// response made with just the required INR must not fail by chance. A fit reaching into the noise is invalid.
//
// Not every response ends in noise. One cut while it still decays (an edit, a simulation) would give Lundeby's
// method the decay's own last tenth for a noise: when no stretch of noise lies 10 dB of decay past the crossing
// and the last tenth lies on the line of the decay above it, the response has no noise floor; its decay is
// measured to the end, nothing is taken off, the late line continues it, and the fits need no noise margin. A
// tail the window edit faded out (far below where the stretch before it leads) is taken off first, whether it
// faded the noise or the decay. Digital silence at the end is no noise either: the response ends at its last
// sound. A fit whose decay time the band's filter cannot resolve is invalid (DecayCells::shortestDecay_s).
// Energies are in squared sample units per sample. No Qt; any thread.
#include "library/dsp/LargeBuffer.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vemra::dsp {

inline constexpr double kNoiseMargin_dB = 8.0;
// Sound is a decay only when it rises above its noise: its loudest stretches of kRiseInterval_s must lie at least
// kRiseAboveNoise_dB above the noise floor, or no decay line can be drawn down to there.
inline constexpr double kRiseAboveNoise_dB = 10.0;
inline constexpr double kRiseInterval_s = 0.010;

struct LineFit {
    double decayTime_s = 0;
    double correlation = 0; // signed Pearson r of level against time
    bool valid = false;
};

struct DecayAnalysis {
    // A decay above the noise was found: decayEnd, the late line, tailEnergy, INR and SNR hold results.
    bool valid = false;
    // The decay meets a noise floor inside the response. Without one the response ends - cut, or faded out by a
    // window - before its decay meets any noise: no noise is measured (noiseEnergy 0), decayEnd is where the
    // response's own decay ends (a fade's start), the late line carries the curve past it, the INR is the range
    // the decay shows, and the fits need no margin above a noise.
    bool noiseFloor = false;
    std::int64_t start = 0;      // time zero, sample index
    std::int64_t decayEnd = 0;   // exclusive end of the usable decay (crossing of late line and noise)
    double noiseEnergy = 0;      // mean energy per sample of the noise floor
    double lineLevel_dB = 0;     // late decay line at time zero: energy per sample, dB re 1
    double lineSlope_dBps = 0;   // its slope (negative), dB per second
    double peak_dB = 0;          // the loudest energy per sample (in cells), dB re 1: no decay shows more range
    double tailEnergy = 0;       // energy of the late line from decayEnd on (the compensation)
    double INR_dB = 0;           // the late line at time zero minus the noise level; the line is carried back
                                 // from its centroid at the T20 range's decay rate when the two rates agree
    double SNR_dB = 0;           // compensated decay energy over the noise energy of the same duration
    LineFit edt, t10, t20, t30;
    // No decay, but the response is over - digital silence follows - before the band's filter could show one (a
    // unit impulse, a response far shorter than the filter's own decay): a perfect channel in this band, whose
    // modulation transfer is that of the filter alone.
    bool impulse = false;

    // A decay the parameters can rest on: found, with the range (above its noise, if there is one) that the
    // shortest fit, EDT, needs, and with that fit (a decay faster than the filter resolves is the filter's). A
    // band that holds none has no clarity, definition, centre time, support or modulation transfer.
    bool holdsDecay() const;
    // The INR and SNR are bounded by a noise floor. Without one (cut, faded, or followed by digital silence) the
    // INR is only the range the decay shows - at least that much - and there is no SNR.
    bool noiseBounded() const { return valid && noiseFloor; }

    // Energy per sample of the late line at sample index n.
    double lineEnergy(std::int64_t n, double fs_Hz) const;
    // Energy of the late line summed over samples [from, to) (to < 0: to infinity), from >= decayEnd.
    double lineEnergySum(std::int64_t from, std::int64_t to, double fs_Hz) const;
    // Sum over samples [from, infinity) of (n - origin) * lineEnergy(n), from >= decayEnd.
    double lineMomentSum(std::int64_t from, double origin, double fs_Hz) const;
};

// The squared band from time zero on, summed over cells of `cellSamples` samples: cells[k] holds the energy of
// samples [start + k cellSamples, start + (k + 1) cellSamples); the last cell holds `lastCellSamples` samples
// (the response ends there). A band filtered at a reduced rate fills a cell with the energies of its samples
// inside it, each standing for as many full-rate samples as the rate was reduced.
struct DecayCells {
    std::span<const float> cells;
    std::int64_t cellSamples = 1;
    std::int64_t lastCellSamples = 1;
    std::int64_t start = 0;
    double fs_Hz = 0;
    // Decay times below this are the band filter's, not the room's: their fits are invalid (0: no limit).
    double shortestDecay_s = 0;
};

// Analyses band[start..] (the band-filtered channel in time order; decay analysis filters time-reversed).
// Silence, a start outside the signal, a response too short to hold a decay, or one that never rises 10 dB
// above its noise give valid == false and all fits invalid; no value is ever NaN or infinite.
// workspace: optional scratch memory reused between calls (saves allocating it for every band).
using DecayWorkspace = std::vector<double, LargeBufferAllocator<double>>;
DecayAnalysis analyseDecay(std::span<const float> band, double fs_Hz, std::int64_t start,
                           DecayWorkspace* workspace = nullptr);
// The same from the band's energy in cells (the channel analysis keeps no filtered band, only its energy).
DecayAnalysis analyseDecay(const DecayCells& energy, DecayWorkspace* workspace = nullptr);

} // namespace vemra::dsp
