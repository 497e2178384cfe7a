#include "library/dsp/FilterLanes.h"

#include "library/dsp/BandFilter.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <stdexcept>

namespace vemra::dsp {
namespace {

constexpr int kLanes = FilterLanes::kLanes;
using Coefficients = double[5][FilterLanes::kMaxSections][kLanes];
using State = double[2][FilterLanes::kMaxSections][kLanes];

// Portable kernel (GCC vector extension: two vectors of four lanes).
using v4d = double __attribute__((vector_size(32)));
using v4f = float __attribute__((vector_size(16)));

template <int S>
void runPortable(const float* x, std::int64_t n, const Coefficients& coef, State& state, float* out)
{
    v4d c[5][S][2], z1[S][2], z2[S][2];
    for (int s = 0; s < S; ++s)
        for (int h = 0; h < 2; ++h)
            for (int l = 0; l < 4; ++l) {
                for (int k = 0; k < 5; ++k)
                    c[k][s][h][l] = coef[k][s][4 * h + l];
                z1[s][h][l] = state[0][s][4 * h + l];
                z2[s][h][l] = state[1][s][4 * h + l];
            }
    for (std::int64_t j = 0; j < n; ++j) {
        const double xi = x[j];
        for (int h = 0; h < 2; ++h) {
            v4d v = {xi, xi, xi, xi};
            for (int s = 0; s < S; ++s) {
                const v4d y = c[0][s][h] * v + z1[s][h];
                z1[s][h] = c[1][s][h] * v - c[3][s][h] * y + z2[s][h];
                z2[s][h] = c[2][s][h] * v - c[4][s][h] * y;
                v = y;
            }
            const v4f f = {float(v[0]), float(v[1]), float(v[2]), float(v[3])};
            std::memcpy(out + j * kLanes + 4 * h, &f, sizeof f);
        }
    }
    for (int s = 0; s < S; ++s)
        for (int h = 0; h < 2; ++h)
            for (int l = 0; l < 4; ++l) {
                state[0][s][4 * h + l] = z1[s][h][l];
                state[1][s][4 * h + l] = z2[s][h][l];
            }
}

#if defined(__x86_64__) || defined(__i386__)
// The same with AVX2 and fused multiply-adds; G vectors of four lanes (G = 1 when no more than four lanes run, so
// that no empty lanes are computed).
template <int S, int G>
__attribute__((target("avx2,fma"))) void runAvx2(const float* x, std::int64_t n, const Coefficients& coef,
                                                   State& state, float* out)
{
    __m256d c[5][S][G], z1[S][G], z2[S][G];
    for (int s = 0; s < S; ++s)
        for (int h = 0; h < G; ++h) {
            for (int k = 0; k < 5; ++k)
                c[k][s][h] = _mm256_loadu_pd(&coef[k][s][4 * h]);
            z1[s][h] = _mm256_loadu_pd(&state[0][s][4 * h]);
            z2[s][h] = _mm256_loadu_pd(&state[1][s][4 * h]);
        }
    for (std::int64_t j = 0; j < n; ++j) {
        __m256d v[G];
        for (int h = 0; h < G; ++h)
            v[h] = _mm256_set1_pd(x[j]);
        for (int s = 0; s < S; ++s)
            for (int h = 0; h < G; ++h) {
                const __m256d y = _mm256_fmadd_pd(c[0][s][h], v[h], z1[s][h]);
                z1[s][h] = _mm256_fnmadd_pd(c[3][s][h], y, _mm256_fmadd_pd(c[1][s][h], v[h], z2[s][h]));
                z2[s][h] = _mm256_fnmadd_pd(c[4][s][h], y, _mm256_mul_pd(c[2][s][h], v[h]));
                v[h] = y;
            }
        for (int h = 0; h < G; ++h)
            _mm_storeu_ps(out + j * kLanes + 4 * h, _mm256_cvtpd_ps(v[h]));
    }
    for (int s = 0; s < S; ++s)
        for (int h = 0; h < G; ++h) {
            _mm256_storeu_pd(&state[0][s][4 * h], z1[s][h]);
            _mm256_storeu_pd(&state[1][s][4 * h], z2[s][h]);
        }
}
#endif

std::atomic<bool> g_portableOnly{false};

bool haveAvx2()
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool have = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return have && !g_portableOnly.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

template <int S>
void runLanes(const float* x, std::int64_t n, int count, const Coefficients& coef, State& state, float* out)
{
#if defined(__x86_64__) || defined(__i386__)
    if (haveAvx2()) {
        count <= 4 ? runAvx2<S, 1>(x, n, coef, state, out) : runAvx2<S, 2>(x, n, coef, state, out);
        return;
    }
#endif
    (void)count;
    runPortable<S>(x, n, coef, state, out);
}

} // namespace

FilterLanes::FilterLanes(std::span<const std::span<const Biquad>> sections)
{
    if (sections.empty() || sections.size() > static_cast<std::size_t>(kLanes))
        throw std::invalid_argument("FilterLanes: 1 to 8 lanes");
    count_ = static_cast<int>(sections.size());
    for (const auto& s : sections)
        sections_ = std::max(sections_, static_cast<int>(s.size()));
    if (sections_ > kMaxSections)
        throw std::invalid_argument("FilterLanes: more sections than the kernel holds");
    for (int s = 0; s < kMaxSections; ++s)
        for (int l = 0; l < kLanes; ++l) {
            Biquad q; // identity for unused lanes and sections
            if (l < count_ && s < static_cast<int>(sections[static_cast<std::size_t>(l)].size()))
                q = sections[static_cast<std::size_t>(l)][static_cast<std::size_t>(s)];
            coef_[0][s][l] = q.b0;
            coef_[1][s][l] = q.b1;
            coef_[2][s][l] = q.b2;
            coef_[3][s][l] = q.a1;
            coef_[4][s][l] = q.a2;
            state_[0][s][l] = state_[1][s][l] = 0.0;
        }
}

void FilterLanes::run(const float* x, std::int64_t n, float* out)
{
    switch (std::max(sections_, 3)) {
    case 3: runLanes<3>(x, n, count_, coef_, state_, out); break;
    case 4: runLanes<4>(x, n, count_, coef_, state_, out); break;
    case 5: runLanes<5>(x, n, count_, coef_, state_, out); break;
    default: runLanes<6>(x, n, count_, coef_, state_, out); break;
    }
}

void usePortableFilterKernel(bool on) { g_portableOnly.store(on, std::memory_order_relaxed); }

} // namespace vemra::dsp
