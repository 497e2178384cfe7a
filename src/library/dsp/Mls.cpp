#include "library/dsp/Mls.h"

#include "library/dsp/Fft.h"

#include <complex>
#include <numeric>
#include <stdexcept>

namespace vemra::dsp {

namespace {

// Feedback taps (1-based register positions) of one primitive polynomial per order.
constexpr int kTaps[25][4] = {
    {}, {}, {2, 1}, {3, 2}, {4, 3}, {5, 3}, {6, 5}, {7, 6}, {8, 6, 5, 4}, {9, 5}, {10, 7}, {11, 9},
    {12, 6, 4, 1}, {13, 4, 3, 1}, {14, 5, 3, 1}, {15, 14}, {16, 15, 13, 4}, {17, 14}, {18, 11},
    {19, 6, 2, 1}, {20, 17}, {21, 19}, {22, 21}, {23, 18}, {24, 23, 22, 17}};

void checkOrder(int order)
{
    if (order < MlsMinOrder || order > MlsMaxOrder)
        throw std::invalid_argument("MLS order out of range");
}

} // namespace

std::int64_t mlsPeriod(int order)
{
    checkOrder(order);
    return (std::int64_t{1} << order) - 1;
}

std::vector<std::uint8_t> mlsBits(int order)
{
    const std::int64_t n = mlsPeriod(order);
    std::uint32_t mask = 0;
    for (int t : kTaps[order])
        if (t > 0)
            mask |= 1u << (order - t); // tap `order` is the output bit
    // Fibonacci register: the output is the lowest bit, the parity of the tapped bits enters at the top.
    std::uint32_t state = (1u << order) - 1;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(n));
    for (auto& b : bits) {
        b = static_cast<std::uint8_t>(state & 1u);
        const std::uint32_t feedback = static_cast<std::uint32_t>(__builtin_parity(state & mask));
        state = (state >> 1) | (feedback << (order - 1));
    }
    return bits;
}

std::vector<double> mlsSignal(int order)
{
    const auto bits = mlsBits(order);
    std::vector<double> s(bits.size());
    for (std::size_t i = 0; i < bits.size(); ++i)
        s[i] = bits[i] ? -1.0 : 1.0;
    return s;
}

// The MLS correlation matrix is a row and column permutation of the Sylvester-Hadamard matrix without its first row
// and column. The input permutation maps sample i to the register window that ends at i; the output permutation
// follows from the windows of the unit vectors.
MlsDeconvolver::MlsDeconvolver(int order)
    : order_(order), period_(mlsPeriod(order))
{
    const auto bits = mlsBits(order);
    const std::int64_t p = period_;
    inputPlace_.resize(static_cast<std::size_t>(p));
    outputPlace_.resize(static_cast<std::size_t>(p));
    work_.resize(static_cast<std::size_t>(p + 1));

    // Window ending at i, oldest bit most significant; updated incrementally.
    std::uint32_t window = 0;
    for (int j = order - 1; j >= 1; --j)
        window = (window << 1) | bits[static_cast<std::size_t>(p - j)];
    std::vector<std::int64_t> unitAt(static_cast<std::size_t>(order), -1);
    const std::uint32_t full = (1u << order) - 1;
    for (std::int64_t i = 0; i < p; ++i) {
        window = ((window << 1) | bits[static_cast<std::size_t>(i)]) & full;
        inputPlace_[static_cast<std::size_t>(i)] = window;
        for (int j = 0; j < order; ++j)
            if (window == (1u << j))
                unitAt[static_cast<std::size_t>(j)] = i;
    }
    for (std::int64_t i = 0; i < p; ++i) {
        std::uint32_t tag = 0;
        for (int j = 0; j < order; ++j) {
            std::int64_t k = (unitAt[static_cast<std::size_t>(j)] - i) % p;
            if (k < 0)
                k += p;
            tag |= static_cast<std::uint32_t>(bits[static_cast<std::size_t>(k)]) << j;
        }
        outputPlace_[static_cast<std::size_t>(i)] = tag;
    }
}

void MlsDeconvolver::deconvolve(std::span<const double> y, std::span<double> h)
{
    if (static_cast<std::int64_t>(y.size()) != period_ || static_cast<std::int64_t>(h.size()) != period_)
        throw std::invalid_argument("MLS deconvolution: wrong period");
    const std::size_t p = static_cast<std::size_t>(period_);
    double* x = work_.data();
    double sum = 0;
    for (std::size_t i = 0; i < p; ++i) {
        x[inputPlace_[i]] = y[i];
        sum += y[i];
    }
    // Row 0 carries minus the sum, which turns the plain correlation into the exact inversion.
    x[0] = -sum;
    const std::size_t n = p + 1;
    for (std::size_t len = 1; len < n; len <<= 1) {
        for (std::size_t i = 0; i < n; i += 2 * len) {
            double* a = x + i;
            double* b = x + i + len;
            for (std::size_t j = 0; j < len; ++j) {
                const double u = a[j];
                const double v = b[j];
                a[j] = u + v;
                b[j] = u - v;
            }
        }
    }
    const double scale = 1.0 / static_cast<double>(n);
    for (std::size_t i = 0; i < p; ++i)
        h[i] = x[outputPlace_[i]] * scale;
}

void mlsDeconvolveByCorrelation(std::span<const double> stimulus, std::span<const double> y, std::span<double> h)
{
    const std::size_t n = stimulus.size();
    if (y.size() != n || h.size() != n || n < 2)
        throw std::invalid_argument("MLS correlation: wrong period");
    RealFftD fft(n);
    std::vector<std::complex<double>> S(fft.bins()), Y(fft.bins());
    fft.forward(stimulus, S);
    fft.forward(y, Y);
    for (std::size_t k = 0; k < Y.size(); ++k)
        Y[k] *= std::conj(S[k]);
    std::vector<double> c(n);
    fft.inverse(Y, c);
    double sum = 0;
    for (double& v : c) {
        v /= static_cast<double>(n);
        sum += v;
    }
    const double inv = 1.0 / static_cast<double>(n + 1);
    for (std::size_t k = 0; k < n; ++k)
        h[k] = (c[k] + sum) * inv;
}

} // namespace vemra::dsp
