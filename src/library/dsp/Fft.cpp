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

// The plans of one precision, made once per size. They live until the program ends; then they are destroyed and
// FFTW's own planner memory is released, so that a leak checker at exit finds nothing of ours.
template <class Traits>
class PlanCache {
public:
    using Plan = typename Traits::Plan;
    ~PlanCache()
    {
        std::lock_guard lock(g_planMutex);
        for (auto& [n, p] : plans_) {
            Traits::destroy(p.forward);
            Traits::destroy(p.inverse);
        }
        plans_.clear();
        Traits::cleanup();
    }

    PlanPair<Plan> get(std::size_t n)
    {
        std::lock_guard lock(g_planMutex);
        if (auto it = plans_.find(n); it != plans_.end())
            return it->second;
        auto* re = Traits::allocReal(n);
        auto* cx = Traits::allocComplex(n / 2 + 1);
        if (!re || !cx) {
            Traits::free(re);
            Traits::free(cx);
            throw std::bad_alloc();
        }
        const unsigned flags = FFTW_ESTIMATE | FFTW_UNALIGNED;
        PlanPair<Plan> p{Traits::r2c(int(n), re, cx, flags), Traits::c2r(int(n), cx, re, flags | FFTW_DESTROY_INPUT)};
        Traits::free(re);
        Traits::free(cx);
        if (!p.forward || !p.inverse) {
            if (p.forward)
                Traits::destroy(p.forward);
            if (p.inverse)
                Traits::destroy(p.inverse);
            throw std::runtime_error("FFT plan failed");
        }
        plans_.emplace(n, p);
        return p;
    }

private:
    std::map<std::size_t, PlanPair<Plan>> plans_;
};

struct SingleTraits {
    using Plan = fftwf_plan;
    static float* allocReal(std::size_t n) { return fftwf_alloc_real(n); }
    static fftwf_complex* allocComplex(std::size_t n) { return fftwf_alloc_complex(n); }
    static void free(void* p) { fftwf_free(p); }
    static Plan r2c(int n, float* re, fftwf_complex* cx, unsigned f) { return fftwf_plan_dft_r2c_1d(n, re, cx, f); }
    static Plan c2r(int n, fftwf_complex* cx, float* re, unsigned f) { return fftwf_plan_dft_c2r_1d(n, cx, re, f); }
    static void destroy(Plan p) { fftwf_destroy_plan(p); }
    static void cleanup() { fftwf_cleanup(); }
};

struct DoubleTraits {
    using Plan = fftw_plan;
    static double* allocReal(std::size_t n) { return fftw_alloc_real(n); }
    static fftw_complex* allocComplex(std::size_t n) { return fftw_alloc_complex(n); }
    static void free(void* p) { fftw_free(p); }
    static Plan r2c(int n, double* re, fftw_complex* cx, unsigned f) { return fftw_plan_dft_r2c_1d(n, re, cx, f); }
    static Plan c2r(int n, fftw_complex* cx, double* re, unsigned f) { return fftw_plan_dft_c2r_1d(n, cx, re, f); }
    static void destroy(Plan p) { fftw_destroy_plan(p); }
    static void cleanup() { fftw_cleanup(); }
};

PlanPair<fftwf_plan> planF(std::size_t n)
{
    static PlanCache<SingleTraits> cache;
    return cache.get(n);
}

PlanPair<fftw_plan> planD(std::size_t n)
{
    static PlanCache<DoubleTraits> cache;
    return cache.get(n);
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
