#pragma once
// The slices of a waterfall: spectra of one channel taken at successive times, in either of two ways.
//   Time-shifted spectra (TSS): slice i is the spectrum of an N-point analysis window that starts at
//     start + round(i * step); the windows step evenly so that the last one ends at the end of the stretch (when
//     the stretch is shorter than one window, they step count / slices). Levels are amplitude-true: a sinusoid of
//     amplitude A (16-bit units) centred on a bin shows 20 log10(A / 32768) dB in that bin, whatever the window.
//   Cumulative spectral decay (CSD): every slice looks at the same gate, the first min(N, count) samples of the
//     stretch, with the falling half of the analysis window as its taper (none for the rectangular window).
//     Slice i keeps only what lies at or after start + i * shift, its start rising over the rise time (a
//     raised-cosine ramp; 0 cuts hard). Levels are those of a response: a unit impulse of 32768 at the start of
//     the gate shows 0 dB at every frequency in slice 0.
// Samples outside the stretch count as zero. Levels are in dB re full scale for bins 0..N/2, floored at
// kWaterfallFloor_dB; with smoothing, each bin above 0 is the mean power over a third octave around it.
// No Qt; a slicer is used by one thread at a time.
#include "library/dsp/Fft.h"

#include <complex>
#include <cstdint>
#include <span>
#include <vector>

namespace vemra::dsp {

enum class DecayMode { TimeShifted, Cumulative };

// The analysis windows by their codes.
inline constexpr int kWindowRectangular = 0;
inline constexpr int kWindowHanning = 1;
inline constexpr int kWindowHamming = 4;
inline constexpr int kWindowBlackman = 7;
inline constexpr int kWindowBlackmanHarris = 10;
bool validSpectrumWindow(int code);

// FFT sizes as powers of two, and the limits of the other settings.
inline constexpr int kMinWaterfallLogN = 8;
inline constexpr int kMaxWaterfallLogN = 16;
inline constexpr int kMaxWaterfallSlices = 1000;
inline constexpr int kMaxCsdShift = 32767;
inline constexpr double kMaxCsdRise_ms = 100;
// The octave bands a picture's frequency range runs between: 31.5 Hz (index 1) to 16 kHz (index 10).
inline constexpr int kFirstWaterfallBand = 1;
// The level range a picture shows, whole dB.
inline constexpr int kMinWaterfallRange_dB = 1;
inline constexpr int kMaxWaterfallRange_dB = 120;

inline constexpr float kWaterfallFloor_dB = -300;

struct WaterfallSettings {
    DecayMode mode = DecayMode::TimeShifted;
    int logN = 11;
    int windowType = kWindowHanning;
    int slices = 100;
    std::int64_t start = 0;  // the analysed stretch, samples
    std::int64_t count = 0;
    int csdShift = 20;       // samples
    double csdRise_ms = 0.2;
    bool smooth = true;
    double fs_Hz = 48000;

    bool operator==(const WaterfallSettings&) const = default;
    // Every field within its range (start >= 0, count >= 1, fs > 0).
    bool valid() const;
    std::size_t fftSize() const { return std::size_t(1) << logN; }
    std::size_t bins() const { return fftSize() / 2 + 1; }
};

// The n-point analysis window of a code (periodic, so that it tiles evenly).
std::vector<float> spectrumWindow(int code, std::size_t n);

// Offset of slice i from the start of the stretch, in samples: the first sample of its window (TSS) or where it
// is cut (CSD).
double sliceOffset(const WaterfallSettings& settings, int slice);
double sliceTime_s(const WaterfallSettings& settings, int slice);

class WaterfallSlicer {
public:
    // Throws std::invalid_argument for settings that are not valid().
    explicit WaterfallSlicer(const WaterfallSettings& settings);
    const WaterfallSettings& settings() const { return settings_; }
    std::size_t bins() const { return settings_.bins(); }

    // The levels of slice `slice` (0 .. slices - 1) of `signal`, the whole channel, into levels_dB (bins()
    // values).
    void slice(std::span<const float> signal, int slice, std::span<float> levels_dB);

private:
    WaterfallSettings settings_;
    RealFft fft_;
    std::vector<float> window_;    // TSS: the analysis window; CSD: the taper over the gate
    std::vector<float> rise_;      // CSD: the ramp of a slice's start
    double binScale_ = 1;          // amplitude of one bin (1..N/2-1) per unit of |X|
    std::vector<float> frame_;
    std::vector<std::complex<float>> spectrum_;
    std::vector<double> power_;
};

} // namespace vemra::dsp
