#include "library/dsp/Fft.h"

#include <fftw3.h>

#include <cassert>
#include <map>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace vemra::dsp {
namespace {
std::mutex g_planMutex; // FFTW's planner is not thread-safe

template <class Plan>
struct PlanPair {
    Plan forward;
    Plan inverse;
};

PlanPair<fftwf_plan> planF(std::size_t n)
{
    static std::map<std::size_t, PlanPair<fftwf_plan>> cache;
    std::lock_guard lock(g_planMutex);
    auto it = cache.find(n);
    if (it != cache.end())
        return it->second;
    float* re = fftwf_alloc_real(n);
    fftwf_complex* cx = fftwf_alloc_complex(n / 2 + 1);
    if (!re || !cx)
        throw std::bad_alloc();
    const unsigned flags = FFTW_ESTIMATE | FFTW_UNALIGNED;
    PlanPair<fftwf_plan> p{fftwf_plan_dft_r2c_1d(int(n), re, cx, flags),
                           fftwf_plan_dft_c2r_1d(int(n), cx, re, flags | FFTW_DESTROY_INPUT)};
    fftwf_free(re);
    fftwf_free(cx);
    if (!p.forward || !p.inverse)
        throw std::runtime_error("FFT plan failed");
    cache.emplace(n, p);
    return p;
}

PlanPair<fftw_plan> planD(std::size_t n)
{
    static std::map<std::size_t, PlanPair<fftw_plan>> cache;
    std::lock_guard lock(g_planMutex);
    auto it = cache.find(n);
    if (it != cache.end())
        return it->second;
    double* re = fftw_alloc_real(n);
    fftw_complex* cx = fftw_alloc_complex(n / 2 + 1);
    if (!re || !cx)
        throw std::bad_alloc();
    const unsigned flags = FFTW_ESTIMATE | FFTW_UNALIGNED;
    PlanPair<fftw_plan> p{fftw_plan_dft_r2c_1d(int(n), re, cx, flags),
                          fftw_plan_dft_c2r_1d(int(n), cx, re, flags | FFTW_DESTROY_INPUT)};
    fftw_free(re);
    fftw_free(cx);
    if (!p.forward || !p.inverse)
        throw std::runtime_error("FFT plan failed");
    cache.emplace(n, p);
    return p;
}
} // namespace

RealFft::RealFft(std::size_t n) : n_(n)
{
    if (n < 1)
        throw std::invalid_argument("FFT size must be positive");
    auto p = planF(n);
    forwardPlan_ = p.forward;
    inversePlan_ = p.inverse;
}

void RealFft::forward(std::span<const float> in, std::span<std::complex<float>> out) const
{
    assert(in.size() >= n_ && out.size() >= bins());
    fftwf_execute_dft_r2c(static_cast<fftwf_plan>(forwardPlan_), const_cast<float*>(in.data()),
                          reinterpret_cast<fftwf_complex*>(out.data()));
}

void RealFft::inverse(std::span<const std::complex<float>> in, std::span<float> out) const
{
    assert(in.size() >= bins() && out.size() >= n_);
    // c2r destroys its input: work on a copy so callers keep their spectrum.
    thread_local std::vector<std::complex<float>> scratch;
    scratch.assign(in.begin(), in.begin() + std::ptrdiff_t(bins()));
    fftwf_execute_dft_c2r(static_cast<fftwf_plan>(inversePlan_), reinterpret_cast<fftwf_complex*>(scratch.data()),
                          out.data());
}

RealFftD::RealFftD(std::size_t n) : n_(n)
{
    if (n < 1)
        throw std::invalid_argument("FFT size must be positive");
    auto p = planD(n);
    forwardPlan_ = p.forward;
    inversePlan_ = p.inverse;
}

void RealFftD::forward(std::span<const double> in, std::span<std::complex<double>> out) const
{
    assert(in.size() >= n_ && out.size() >= bins());
    fftw_execute_dft_r2c(static_cast<fftw_plan>(forwardPlan_), const_cast<double*>(in.data()),
                         reinterpret_cast<fftw_complex*>(out.data()));
}

void RealFftD::inverse(std::span<const std::complex<double>> in, std::span<double> out) const
{
    assert(in.size() >= bins() && out.size() >= n_);
    thread_local std::vector<std::complex<double>> scratch;
    scratch.assign(in.begin(), in.begin() + std::ptrdiff_t(bins()));
    fftw_execute_dft_c2r(static_cast<fftw_plan>(inversePlan_), reinterpret_cast<fftw_complex*>(scratch.data()),
                         out.data());
}

std::size_t nextPow2(std::size_t n)
{
    std::size_t p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

} // namespace vemra::dsp
