#pragma once
// Circular deconvolution by regularised spectral division.
// For a periodic stimulus s of period N and one averaged period y of the system's answer (sample 0 of y lined up
// with sample 0 of s), the circular impulse response is h = IFFT(Y conj(S) / (|S|^2 + eps max|S|^2)). The
// regularisation eps (relative to the strongest bin) keeps bins where the stimulus has no energy from being
// amplified; within the stimulus band its effect is below eps relative to the response. The division runs in single
// precision (rounding near -120 dB of the response, far below any measurement's noise), which halves its time.
#include "library/dsp/Fft.h"

#include <complex>
#include <cstddef>
#include <span>
#include <vector>

namespace vemra::dsp {

class SpectralDeconvolver {
public:
    // Builds the inverse spectrum of one stimulus period (allocates); N = stimulus.size() >= 2, any length.
    explicit SpectralDeconvolver(std::span<const double> stimulus, double eps = 1e-8);
    std::size_t period() const { return n_; }
    // y and h: period() samples each (h may alias y). Allocates nothing; one thread per instance at a time.
    void deconvolve(std::span<const double> y, std::span<double> h);

private:
    std::size_t n_;
    RealFft fft_;
    std::vector<std::complex<float>> inverse_;
    std::vector<std::complex<float>> spectrum_;
    std::vector<float> work_;
};

// Transfer function from a measured input x (the source signal) to the output y as a circular impulse response h
// of N = h.size() samples: x and y hold K >= 1 whole blocks of N samples, whose cross and auto spectra are summed,
// h = IFFT(sum Y conj(X) / (sum |X|^2 + eps max sum |X|^2)).
void transferResponse(std::span<const double> x, std::span<const double> y, std::span<double> h, double eps = 1e-8);

} // namespace vemra::dsp
