#pragma once
// The half-band low-pass of the multirate band filters: a linear-phase FIR of 27 taps (Kaiser window), flat to
// 0.0002 dB up to an eighth of its input rate and at least 97 dB down from three eighths of it to Nyquist. A band
// whose upper edge lies below an eighth of the rate is filtered after halving the rate with it, as often as that
// holds (BandFilter); the stop band keeps everything that would fold onto such a band out of it.
//
// Both operations are zero-phase (the FIR is centred on its output sample): decimation keeps every second input
// sample, filtered; interpolation puts the samples back between them. Samples outside the signal count as 0.
// Decimation gives every output whose taps reach the signal, those centred up to kHalfLength samples before its
// first sample and after its last included: a signal behind any number of zeros then decimates to the same samples
// behind zeros, so that nothing downstream depends on where the signal begins.
// No Qt; the kernels are pure functions of their arguments, the decimator's state belongs to one caller.
#include <cstdint>
#include <span>
#include <vector>

namespace vemra::dsp {

namespace halfband {

inline constexpr int kHalfLength = 13; // taps at offsets -13..13; the even offsets other than 0 are zero

// Frequency response (real: the filter is zero-phase) at f, a fraction of the input rate (0 <= f <= 0.5).
double response(double fOverRate);

// A decimated signal: samples[j] is the filtered input at index phase + 2 (first + j).
struct Decimated {
    std::vector<float> samples;
    std::int64_t first = 0;
};

// Decimation of a whole signal whose first sample has index `start` (phase: the parity of the kept indices).
Decimated decimate(std::span<const float> in, int phase, std::int64_t start = 0);

// Interpolation back to twice the rate: in[j] lies at output index offset + 2 j (any offset, negative included);
// out[i] receives output index i.
void interpolate(std::span<const float> in, std::int64_t offset, std::span<float> out);

} // namespace halfband

// Decimation of a signal fed in pieces (the decimation chain of one pass over a channel). The output follows the
// input as far as the filter's look-ahead allows; finish() completes it as if zeros followed.
class HalfbandDecimator {
public:
    // phase: the parity of the kept input indices; start: the index of the first input sample (zeros before it).
    explicit HalfbandDecimator(int phase = 0, std::int64_t start = 0) { reset(phase, start); }
    void reset(int phase, std::int64_t start = 0);
    // Output j is centred on input index phase + 2 j; the first output's j (up to kHalfLength / 2 + 1 before the
    // first input sample's, so it may be negative).
    std::int64_t firstOutput() const { return first_; }
    // Appends the outputs that `in` completes to `out`.
    void push(std::span<const float> in, std::vector<float>& out);
    // Appends the remaining outputs, up to the last whose taps reach the input (the input ends here).
    void finish(std::vector<float>& out);

private:
    void emit(std::vector<float>& out, std::int64_t upTo);
    std::vector<float> window_;  // the input from index windowStart_ on (what later outputs still read)
    std::vector<float> odd_;     // scratch of emit()
    std::int64_t windowStart_ = 0;
    std::int64_t received_ = 0;  // input samples so far
    std::int64_t next_ = 0;      // input index of the next output
    std::int64_t first_ = 0;
};

} // namespace vemra::dsp
