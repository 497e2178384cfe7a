#pragma once
// Octave and third-octave band filters meeting the class 1 mask of IEC 61260-1, and the wide band.
//
// Each band is a digital Butterworth band-pass of order 3 per side (three second-order sections in double
// precision), designed per band and sample rate by the bilinear transform with both -3 dB edges pre-warped onto
// the exact band edges of Bands.h, and scaled to 0 dB at the mid-band frequency. The wide band is a third-order
// Butterworth high-pass at its lower edge followed by a third-order low-pass at its upper edge (also three
// sections), scaled to 0 dB at the geometric mean of its edges. All-pass has no sections: filtering copies.
//
// Direction: Forward filters in time order (energy, spatial and speech parameters); Reversed filters the
// time-reversed signal and reverses the result back, so that the filter's ringing lies before the sound instead
// of lengthening its decay (decay analysis). Either way the output has the input's length and time order.
//
// No Qt; a designed filter is immutable and may be shared between threads.
#include <complex>
#include <cstdint>
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
    std::span<const Biquad> sections() const { return sections_; }
    // The frequency where the gain is 0 dB: the band's mid-band frequency (wide band: geometric mean of its
    // edges; all-pass: 0).
    double reference_Hz() const { return reference_; }

    // Complex frequency response at f_Hz (0 <= f < fs/2).
    std::complex<double> response(double f_Hz) const;
    // Gain in dB at f_Hz (very small gains are limited to -400 dB).
    double gain_dB(double f_Hz) const;
    // Group delay in seconds at f_Hz (0 for all-pass).
    double groupDelay_s(double f_Hz) const;
    // Delay of the energy of the impulse response: the centre time of its square, in seconds (0 for all-pass).
    // A noise-like signal leaves the filter later by this much on average, which is what time windows on a
    // band of a room response must allow for.
    double energyDelay_s() const { return energyDelay_s_; }

    // Filters `in` into `out` (same length; may be the same memory).
    void apply(std::span<const float> in, std::span<float> out, FilterDirection direction) const;
    std::vector<float> apply(std::span<const float> in, FilterDirection direction) const;

private:
    BandFilter() = default;
    static BandFilter makeDesign(int band, double fs_Hz);
    double simulateEnergyDelay() const;
    int band_ = -1;
    double fs_ = 0;
    double reference_ = 0;
    double energyDelay_s_ = 0;
    std::vector<Biquad> sections_;
};

// Filters one signal through several filters in one pass over the samples (the filters run side by side, which
// is several times faster than one after the other). outputs[i] receives filters[i]'s result and must have the
// input's length. Filters of any kind may be mixed.
void applyBandFilters(std::span<const float> in, std::span<const BandFilter* const> filters,
                      FilterDirection direction, std::span<const std::span<float>> outputs);

// Runs the portable kernel even where the processor has AVX2 (for tests of the kernel other processors use).
void usePortableFilterKernel(bool on);

} // namespace vemra::dsp
