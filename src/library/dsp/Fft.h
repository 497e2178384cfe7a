#pragma once
// Real FFTs of any size over FFTW (single precision), with plans cached per size and direction and reused.
// Plans are made with FFTW_ESTIMATE | FFTW_UNALIGNED, so any buffers work; plan creation is serialised, so
// a RealFft may be constructed on any thread, and execution is thread-safe.
// forward: n reals -> n/2+1 complex bins; inverse: n/2+1 bins -> n reals, unnormalised (scale by 1/n yourself).
#include <complex>
#include <cstddef>
#include <span>

namespace vemra::dsp {

class RealFft {
public:
    explicit RealFft(std::size_t n);
    std::size_t size() const { return n_; }
    std::size_t bins() const { return n_ / 2 + 1; }

    void forward(std::span<const float> in, std::span<std::complex<float>> out) const;
    void inverse(std::span<const std::complex<float>> in, std::span<float> out) const;

private:
    std::size_t n_;
    void* forwardPlan_;
    void* inversePlan_;
};

// Same in double precision.
class RealFftD {
public:
    explicit RealFftD(std::size_t n);
    std::size_t size() const { return n_; }
    std::size_t bins() const { return n_ / 2 + 1; }

    void forward(std::span<const double> in, std::span<std::complex<double>> out) const;
    void inverse(std::span<const std::complex<double>> in, std::span<double> out) const;

private:
    std::size_t n_;
    void* forwardPlan_;
    void* inversePlan_;
};

// Smallest power of two >= n (n >= 1).
std::size_t nextPow2(std::size_t n);

} // namespace vemra::dsp
