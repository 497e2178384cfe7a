#include "library/dsp/Deconvolution.h"

#include "library/dsp/Fft.h"

#include <algorithm>
#include <stdexcept>

namespace vemra::dsp {

namespace {

// Fills w with conj(S) / (|S|^2 + eps max|S|^2) / n (the inverse FFT is unnormalised).
void buildInverse(std::span<const std::complex<double>> s, std::span<std::complex<double>> w, double eps,
                  std::size_t n)
{
    double maxPower = 0;
    for (const auto& v : s)
        maxPower = std::max(maxPower, std::norm(v));
    const double floor = std::max(eps * maxPower, 1e-300);
    for (std::size_t k = 0; k < s.size(); ++k)
        w[k] = std::conj(s[k]) / ((std::norm(s[k]) + floor) * static_cast<double>(n));
}

} // namespace

SpectralDeconvolver::SpectralDeconvolver(std::span<const double> stimulus, double eps)
    : n_(stimulus.size() >= 2 ? stimulus.size() : throw std::invalid_argument("deconvolution: period too short")),
      fft_(n_)
{
    RealFftD fft(n_);
    std::vector<std::complex<double>> s(fft.bins()), w(fft.bins());
    fft.forward(stimulus, s);
    buildInverse(s, w, eps, n_);
    inverse_.assign(w.begin(), w.end());
    spectrum_.resize(fft_.bins());
    work_.resize(n_);
}

void SpectralDeconvolver::deconvolve(std::span<const double> y, std::span<double> h)
{
    if (y.size() != n_ || h.size() != n_)
        throw std::invalid_argument("deconvolution: wrong period");
    std::copy(y.begin(), y.end(), work_.begin());
    fft_.forward(work_, spectrum_);
    for (std::size_t k = 0; k < spectrum_.size(); ++k)
        spectrum_[k] *= inverse_[k];
    fft_.inverse(spectrum_, work_);
    std::copy(work_.begin(), work_.end(), h.begin());
}

void transferResponse(std::span<const double> x, std::span<const double> y, std::span<double> h, double eps)
{
    const std::size_t n = h.size();
    if (n < 2 || x.size() != y.size() || x.size() < n || x.size() % n != 0)
        throw std::invalid_argument("transfer: wrong length");
    RealFftD fft(n);
    const std::size_t bins = fft.bins();
    std::vector<std::complex<double>> X(bins), Y(bins), cross(bins), W(bins);
    std::vector<double> power(bins, 0.0);
    for (std::size_t b = 0; b < x.size(); b += n) {
        fft.forward(x.subspan(b, n), X);
        fft.forward(y.subspan(b, n), Y);
        for (std::size_t k = 0; k < bins; ++k) {
            cross[k] += Y[k] * std::conj(X[k]);
            power[k] += std::norm(X[k]);
        }
    }
    const double maxPower = *std::max_element(power.begin(), power.end());
    const double floor = std::max(eps * maxPower, 1e-300);
    for (std::size_t k = 0; k < bins; ++k)
        W[k] = cross[k] / ((power[k] + floor) * static_cast<double>(n));
    fft.inverse(W, h);
}

} // namespace vemra::dsp
