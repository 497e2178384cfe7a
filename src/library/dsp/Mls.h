#pragma once
// Maximum-length sequences and their circular deconvolution.
// An MLS of order n (2..24) has period N = 2^n - 1; its samples are +1 (bit 0) and -1 (bit 1). The circular
// autocorrelation of the +-1 sequence is N at lag 0 and -1 elsewhere, which is what makes the exact inversion
// h[k] = (c[k] + sum c) / (N + 1) of the cross-correlation c possible.
// Deconvolution works on one averaged period y whose sample 0 lines up with sequence sample 0; the result h is
// the circular impulse response of the system that turned the sequence into y, in the same units as y per unit
// of stimulus amplitude.
#include <cstdint>
#include <span>
#include <vector>

namespace vemra::dsp {

inline constexpr int MlsMinOrder = 2;
inline constexpr int MlsMaxOrder = 24;

// Period 2^order - 1.
std::int64_t mlsPeriod(int order);

// The sequence bits 0/1 of one period, starting from the all-ones register state. Throws std::invalid_argument
// for an order outside MlsMinOrder..MlsMaxOrder.
std::vector<std::uint8_t> mlsBits(int order);

// The +-1 stimulus of one period.
std::vector<double> mlsSignal(int order);

// Fast Hadamard deconvolution. The constructor builds the two permutations (allocates); deconvolve() then works in
// the object's own buffer and allocates nothing. One instance is used by one thread at a time.
class MlsDeconvolver {
public:
    explicit MlsDeconvolver(int order);
    int order() const { return order_; }
    std::int64_t period() const { return period_; }
    // y and h: period() samples each (h may alias y).
    void deconvolve(std::span<const double> y, std::span<double> h);

private:
    int order_;
    std::int64_t period_;
    std::vector<std::uint32_t> inputPlace_;  // sequence index -> Hadamard row
    std::vector<std::uint32_t> outputPlace_; // response lag -> Hadamard row
    std::vector<double> work_;
};

// The same result by FFT cross-correlation and the exact inversion; any period (slower, used to cross-check and for
// sequences that are not plain MLS periods).
void mlsDeconvolveByCorrelation(std::span<const double> stimulus, std::span<const double> y, std::span<double> h);

} // namespace vemra::dsp
