#pragma once
// Octave and third-octave band filters meeting the class 1 mask of IEC 61260-1, and the wide band.
//
// Each band is a digital Butterworth band-pass of order 6 per side (six second-order sections in double
// precision), designed by the bilinear transform with both -3 dB edges pre-warped onto the exact band edges of
// Bands.h: steep enough that a neighbouring octave's decay, even a longer one, hardly reaches a band's decay
// times. The wide band is a third-order Butterworth high-pass at its lower edge followed by a third-order
// low-pass at its upper edge (three sections). All-pass has no sections: filtering copies.
//
// Multirate: a band far below Nyquist is filtered at a lower rate. The signal is halved in rate by the half-band
// low-pass of Halfband.h as long as the band's upper edge stays below a quarter of the lower rate (and that rate
// stays at 1 kHz or more), the sections run at that rate, and the result is brought back to the full rate by the
// same half-band filters. The whole chain - the effective filter - meets the class 1 mask at the full rate,
// including what the rate changes fold over (gain_dB), and is scaled to 0 dB at the mid-band frequency (wide
// band: at the geometric mean of its edges). The decimation and interpolation are zero-phase, so the chain delays
// the band no more than its sections do; their pre-ringing lies about 100 dB down.
//
// Direction: Forward filters in time order (energy, spatial and speech parameters); Reversed filters the
// time-reversed signal and reverses the result back, so that the filter's ringing lies before the sound instead
// of lengthening its decay (decay analysis). Either way the output has the input's length and time order.
//
// No Qt; a designed filter is immutable and may be shared between threads.
#include "library/dsp/FilterLanes.h"

#include <complex>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace vemra::dsp {

enum class FilterDirection { Forward, Reversed };

// One second-order section, y = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2) x.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

class BandFilter {
public:
    // The filter of a band index (-2 wide band, -1 all-pass, 0..43) at a sample rate; nothing when the band does
    // not exist or is not below Nyquist at that rate (bandBelowNyquist), or the rate is not above 0. Designs are
    // kept for the process, so asking again costs a look-up. Any thread.
    static std::optional<BandFilter> design(int band, double fs_Hz);

    int band() const { return band_; }
    double sampleRate_Hz() const { return fs_; }
    bool isAllPass() const { return sections_.empty(); }
    // The rate reduction of the sections (a power of two; 1: they run at the full rate) and their rate.
    int decimation() const { return 1 << levels_; }
    int decimationLevels() const { return levels_; }
    double sectionRate_Hz() const { return fs_ / decimation(); }
    std::span<const Biquad> sections() const { return sections_; }
    // The frequency where the gain is 0 dB: the band's mid-band frequency (wide band: geometric mean of its
    // edges; all-pass: 0).
    double reference_Hz() const { return reference_; }

    // Complex frequency response at f_Hz (0 <= f < fs/2) of the path that keeps a tone's frequency (what the
    // rate changes fold over is not in it; below a quarter of the sections' rate that is all there is).
    std::complex<double> response(double f_Hz) const;
    // Gain in dB at f_Hz of the effective filter: the power of everything a tone at f_Hz leaves at the output,
    // folded parts included, over the tone's power (very small gains are limited to -400 dB).
    double gain_dB(double f_Hz) const;
    // Group delay in seconds at f_Hz of response() (0 for all-pass).
    double groupDelay_s(double f_Hz) const;
    // Delay of the energy of the impulse response: the centre time of its square, in seconds (0 for all-pass).
    // A noise-like signal leaves the filter later by this much on average, which is what time windows on a
    // band of a room response must allow for.
    double energyDelay_s() const { return energyDelay_s_; }

    // Filters `in` into `out` (same length; may be the same memory) through the effective filter. anchor: a sample
    // index that every reduced rate keeps (time zero): the same signal behind any number of zeros, its anchor
    // moving with it, gives the same output behind as many zeros.
    void apply(std::span<const float> in, std::span<float> out, FilterDirection direction,
               std::int64_t anchor = 0) const;
    std::vector<float> apply(std::span<const float> in, FilterDirection direction, std::int64_t anchor = 0) const;

private:
    BandFilter() = default;
    static BandFilter makeDesign(int band, double fs_Hz);
    double powerGain(double f_Hz) const;
    double simulateEnergyDelay() const;
    int band_ = -1;
    double fs_ = 0;
    int levels_ = 0;
    double reference_ = 0;
    double energyDelay_s_ = 0;
    std::vector<Biquad> sections_;
};

// True when a gain (dB at a frequency in Hz) meets the class 1 acceptance limits of IEC 61260-1 about the mid-band
// frequency fm_Hz of a band of 1 / bandsPerOctave octave, on both sides up to fs_Hz / 2, with a margin of
// 0.05 dB: what every design of the bank is checked against.
bool meetsClassOneMask(const std::function<double(double)>& gain_dB, double fm_Hz, double fs_Hz, int bandsPerOctave);

// Filters one signal through several filters in one pass per rate (filters at the same rate run side by side,
// which is several times faster than one after the other). outputs[i] receives filters[i]'s result and must have
// the input's length. Filters of any kind may be mixed; each output is exactly what filters[i].apply gives.
void applyBandFilters(std::span<const float> in, std::span<const BandFilter* const> filters,
                      FilterDirection direction, std::span<const std::span<float>> outputs, std::int64_t anchor = 0);

} // namespace vemra::dsp
