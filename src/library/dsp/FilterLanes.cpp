#include "library/dsp/FilterLanes.h"

#include "library/dsp/BandFilter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <type_traits>

namespace vemra::dsp {
namespace {

constexpr int kLanes = FilterLanes::kLanes;
constexpr int kMaxSections = FilterLanes::kMaxSections;
using Coefficients = double[4][kMaxSections][kLanes];
using State = double[2][kMaxSections][kLanes];
using Gains = double[kLanes];

// Samples a kernel works through at a time (the size of its buffers).
constexpr std::int64_t kPiece = 512;

// Calls f(std::integral_constant<int, S>()) for S = sections (1 .. kMaxSections): the kernels are made for each
// number of sections, so that their loops over the sections unroll.
template <class F>
void withSections(int sections, F&& f)
{
    switch (sections) {
    case 1: f(std::integral_constant<int, 1>()); break;
    case 2: f(std::integral_constant<int, 2>()); break;
    case 3: f(std::integral_constant<int, 3>()); break;
    case 4: f(std::integral_constant<int, 4>()); break;
    case 5: f(std::integral_constant<int, 5>()); break;
    default: f(std::integral_constant<int, 6>()); break;
    }
}

// Portable kernel (GCC vector extension: two vectors of four lanes): every lane's sections as designed, in
// transposed direct form II without their b0, y = v + z1, z1' = (b1 / b0) v - a1 y + z2, z2' = (b2 / b0) v - a2 y.
using v4d = double __attribute__((vector_size(32)));
using v4f = float __attribute__((vector_size(16)));

template <int S>
void runPortable(const float* x, std::int64_t n, const Coefficients& coef, const Gains& gain, State& state, float* out)
{
    v4d c[4][S][2], z1[S][2], z2[S][2], g[2];
    for (int h = 0; h < 2; ++h)
        for (int l = 0; l < 4; ++l) {
            g[h][l] = gain[4 * h + l];
            for (int s = 0; s < S; ++s) {
                for (int k = 0; k < 4; ++k)
                    c[k][s][h][l] = coef[k][s][4 * h + l];
                z1[s][h][l] = state[0][s][4 * h + l];
                z2[s][h][l] = state[1][s][4 * h + l];
            }
        }
    for (std::int64_t j = 0; j < n; ++j) {
        const double xi = x[j];
        for (int h = 0; h < 2; ++h) {
            v4d v = {xi, xi, xi, xi};
            for (int s = 0; s < S; ++s) {
                const v4d y = v + z1[s][h];
                z1[s][h] = c[0][s][h] * v - c[2][s][h] * y + z2[s][h];
                z2[s][h] = c[1][s][h] * v - c[3][s][h] * y;
                v = y;
            }
            v *= g[h];
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

// The coefficients and state of the (up to) four lanes of a chunk, by kernel lane; lanes past the chunk's are
// identities at rest.
struct Block {
    alignas(32) double coef[4][kMaxSections][4];
    alignas(32) double gain[4];
    alignas(32) double state[2][kMaxSections][4];
};

#if defined(__x86_64__) || defined(__i386__)
#define VEMRA_AVX2 __attribute__((target("avx2,fma")))
#define VEMRA_AVX2_INLINE __attribute__((target("avx2,fma"), always_inline)) inline
#define VEMRA_AVX2_LAMBDA __attribute__((target("avx2,fma"), always_inline))

// The sections as designed, four lanes in a vector, one section after the other within a step (the wide band's
// three sections, and cascades of other numerators).
template <int S>
VEMRA_AVX2 void runDesigned(const float* x, std::int64_t n, Block& b, float* out, std::int64_t stride)
{
    __m256d c[4][S], z1[S], z2[S];
    for (int s = 0; s < S; ++s) {
        for (int k = 0; k < 4; ++k)
            c[k][s] = _mm256_load_pd(b.coef[k][s]);
        z1[s] = _mm256_load_pd(b.state[0][s]);
        z2[s] = _mm256_load_pd(b.state[1][s]);
    }
    const __m256d gain = _mm256_load_pd(b.gain);
    for (std::int64_t j = 0; j < n; ++j) {
        __m256d v = _mm256_set1_pd(x[j]);
        for (int s = 0; s < S; ++s) {
            const __m256d y = _mm256_add_pd(v, z1[s]);
            z1[s] = _mm256_fnmadd_pd(c[2][s], y, _mm256_fmadd_pd(c[0][s], v, z2[s]));
            z2[s] = _mm256_fnmadd_pd(c[3][s], y, _mm256_mul_pd(c[1][s], v));
            v = y;
        }
        _mm_storeu_ps(out + j * stride, _mm256_cvtpd_ps(_mm256_mul_pd(v, gain)));
    }
    for (int s = 0; s < S; ++s) {
        _mm256_store_pd(b.state[0][s], z1[s]);
        _mm256_store_pd(b.state[1][s], z2[s]);
    }
}

// The numerator (1 - z^-2)^S of S band-pass sections: u[t] = sum over k of (-1)^k C(S, k) x[t - 2 k], the x before
// the piece taken from its history. u holds the piece's length rounded up to four.
template <int S>
VEMRA_AVX2 void numerator(const float* history, const float* x, std::int64_t n, double* u)
{
    constexpr int kReach = 2 * kMaxSections;
    alignas(32) double xs[kReach + kPiece + 4];
    for (int k = 0; k < kReach; k += 4)
        _mm256_store_pd(xs + k, _mm256_cvtps_pd(_mm_loadu_ps(history + k)));
    std::int64_t t = 0;
    for (; t + 4 <= n; t += 4)
        _mm256_store_pd(xs + kReach + t, _mm256_cvtps_pd(_mm_loadu_ps(x + t)));
    for (; t < (n + 3) / 4 * 4; ++t)
        xs[kReach + t] = t < n ? x[t] : 0.0;
    __m256d c[S + 1];
    double binomial = 1;
    for (int k = 0; k <= S; ++k) {
        c[k] = _mm256_set1_pd(k % 2 ? -binomial : binomial);
        binomial = binomial * (S - k) / (k + 1);
    }
    for (std::int64_t t = 0; t < n; t += 4) {
        const double* at = xs + kReach + t;
        __m256d acc = _mm256_loadu_pd(at);
#pragma GCC unroll 6
        for (int k = 1; k <= S; ++k)
            acc = _mm256_fmadd_pd(c[k], _mm256_loadu_pd(at - 2 * k), acc);
        _mm256_store_pd(u + t, acc);
    }
}

// P all-pole sections [from, from + P) of four lanes, y = u - a1 y[-1] - a2 y[-2], one vector a section. Within
// a step each section takes what the one before gave at the step before, so that section s of the pass works on
// sample t - s at step t and no step waits on another section: the sections' recursions overlap. Each section
// takes u or what the pass before gave; the last gives the pass after, or the scaled output. The passes hold at
// most three sections: more do not stay in the processor's sixteen vector registers.
template <bool FromNumerator, bool ToOutput>
struct PassEnds {
    const double* u;
    const __m256d* in;
    __m256d* next;
    float* out;
    std::int64_t stride;
};

template <bool FromNumerator, bool ToOutput>
VEMRA_AVX2_INLINE __m256d passInput(const PassEnds<FromNumerator, ToOutput>& e, std::int64_t t)
{
    if constexpr (FromNumerator)
        return _mm256_broadcast_sd(e.u + t);
    else
        return _mm256_load_pd(reinterpret_cast<const double*>(e.in + t));
}

template <bool FromNumerator, bool ToOutput>
VEMRA_AVX2_INLINE void passOutput(const PassEnds<FromNumerator, ToOutput>& e, std::int64_t t, __m256d y, __m256d gain)
{
    if constexpr (ToOutput)
        _mm_storeu_ps(e.out + t * e.stride, _mm256_cvtpd_ps(_mm256_mul_pd(y, gain)));
    else
        _mm256_store_pd(reinterpret_cast<double*>(e.next + t), y);
}

VEMRA_AVX2_INLINE __m256d allPole(__m256d v, __m256d a1, __m256d a2, __m256d y1, __m256d y2)
{
    return _mm256_fnmadd_pd(a1, y1, _mm256_fnmadd_pd(a2, y2, v));
}

// A step at either end of a call, where some sections have no sample (those do nothing); the state stays in the
// block.
template <int P, bool FromNumerator, bool ToOutput>
VEMRA_AVX2 void edgeStep(std::int64_t t, std::int64_t n, int from, Block& b, const PassEnds<FromNumerator, ToOutput>& e)
{
    for (int s = P - 1; s >= 0; --s) {
        if (t - s < 0 || t - s >= n)
            continue;
        double* y1 = b.state[0][from + s];
        double* y2 = b.state[1][from + s];
        const __m256d v = s > 0 ? _mm256_load_pd(b.state[0][from + s - 1]) : passInput(e, t);
        const __m256d y = allPole(v, _mm256_load_pd(b.coef[2][from + s]), _mm256_load_pd(b.coef[3][from + s]),
                                  _mm256_load_pd(y1), _mm256_load_pd(y2));
        _mm256_store_pd(y2, _mm256_load_pd(y1));
        _mm256_store_pd(y1, y);
        if (s == P - 1)
            passOutput(e, t - s, y, _mm256_load_pd(b.gain));
    }
}

template <int P, bool FromNumerator, bool ToOutput>
VEMRA_AVX2 void allPolePass(std::int64_t n, int from, Block& b, const PassEnds<FromNumerator, ToOutput>& e)
{
    const std::int64_t filled = std::min<std::int64_t>(P - 1, n);
    for (std::int64_t t = 0; t < filled; ++t)
        edgeStep<P>(t, n, from, b, e);
    if (n > P - 1) {
        __m256d a1[P], a2[P], y1[P], y2[P];
#pragma GCC unroll 3
        for (int s = 0; s < P; ++s) {
            a1[s] = _mm256_load_pd(b.coef[2][from + s]);
            a2[s] = _mm256_load_pd(b.coef[3][from + s]);
            y1[s] = _mm256_load_pd(b.state[0][from + s]);
            y2[s] = _mm256_load_pd(b.state[1][from + s]);
        }
        const __m256d gain = _mm256_load_pd(b.gain);
        for (std::int64_t t = P - 1; t < n; ++t) {
            // From the last section down: each reads what the one before gave before it changes.
#pragma GCC unroll 3
            for (int s = P - 1; s >= 0; --s) {
                const __m256d y = allPole(s > 0 ? y1[s - 1] : passInput(e, t), a1[s], a2[s], y1[s], y2[s]);
                y2[s] = y1[s];
                y1[s] = y;
            }
            passOutput(e, t - (P - 1), y1[P - 1], gain);
        }
#pragma GCC unroll 3
        for (int s = 0; s < P; ++s) {
            _mm256_store_pd(b.state[0][from + s], y1[s]);
            _mm256_store_pd(b.state[1][from + s], y2[s]);
        }
    }
    for (std::int64_t t = n; t < n + P - 1; ++t)
        edgeStep<P>(t, n, from, b, e);
}

// S >= 4 all-pole sections of one or two lanes, folded into V = S / 2 (rounded up) vectors: vector k holds section
// k of both lanes in its lower half and section V + k in its upper half (a section past S is an identity). As in
// allPolePass each section takes what the one before gave at the step before, but section V takes what section
// V - 1 gave kFoldLag steps before, through memory: within a step the upper half then works on a sample long
// done by the lower half, and neither waits on the other, so that all the sections of the lanes overlap (two
// passes of four lanes would leave three of them empty, and a hand-over at the next step would make each step
// wait on the whole chain of the lower half).
constexpr int kFoldLag = 8;

template <int V>
VEMRA_AVX2_INLINE void foldedStep(__m256d (&y1)[V], __m256d (&y2)[V], const __m256d (&a1)[V], const __m256d (&a2)[V],
                                 __m256d first, const __m256d* active)
{
#pragma GCC unroll 3
    for (int k = V - 1; k >= 0; --k) {
        const __m256d v = k > 0 ? y1[k - 1] : first;
        const __m256d y = allPole(v, a1[k], a2[k], y1[k], y2[k]);
        y2[k] = active ? _mm256_blendv_pd(y2[k], y1[k], active[k]) : y1[k];
        y1[k] = active ? _mm256_blendv_pd(y1[k], y, active[k]) : y;
    }
}

template <int S>
VEMRA_AVX2 void allPoleFolded(const double* u, std::int64_t n, Block& b, float* out, std::int64_t stride)
{
    constexpr int V = (S + 1) / 2;
    constexpr int kLast = kFoldLag + V - 1; // steps from a sample's first section to its last
    // The lower half's output by sample, two lanes a sample.
    alignas(16) double handOver[2 * kPiece];
    __m256d a1[V], a2[V], y1[V], y2[V];
    auto gather = [&](const double (&row)[kMaxSections][4], int k) VEMRA_AVX2_LAMBDA {
        return _mm256_loadu2_m128d(&row[V + k][0], &row[k][0]);
    };
#pragma GCC unroll 3
    for (int k = 0; k < V; ++k) {
        a1[k] = gather(b.coef[2], k);
        a2[k] = gather(b.coef[3], k);
        y1[k] = gather(b.state[0], k);
        y2[k] = gather(b.state[1], k);
    }
    const __m128d gain = _mm_load_pd(b.gain);
    // Section k of the lower half works on sample t - k at step t, section V + k on sample t - kFoldLag - k.
    auto input = [&](std::int64_t t) VEMRA_AVX2_LAMBDA {
        const __m256d sample = t < n ? _mm256_broadcast_sd(u + t) : _mm256_setzero_pd();
        const std::int64_t upper = t - kFoldLag;
        return upper >= 0 && upper < n ? _mm256_insertf128_pd(sample, _mm_load_pd(handOver + 2 * upper), 1) : sample;
    };
    auto handOn = [&](std::int64_t t) VEMRA_AVX2_LAMBDA {
        if (t - (V - 1) >= 0 && t - (V - 1) < n)
            _mm_store_pd(handOver + 2 * (t - (V - 1)), _mm256_castpd256_pd128(y1[V - 1]));
        if (t - kLast >= 0 && t - kLast < n) {
            const __m128d y = _mm_mul_pd(_mm256_extractf128_pd(y1[V - 1], 1), gain);
            _mm_storel_pi(reinterpret_cast<__m64*>(out + (t - kLast) * stride), _mm_cvtpd_ps(y));
        }
    };
    auto edge = [&](std::int64_t t) VEMRA_AVX2_LAMBDA {
        __m256d active[V];
        for (int k = 0; k < V; ++k) {
            const bool lower = t - k >= 0 && t - k < n, upper = t - kFoldLag - k >= 0 && t - kFoldLag - k < n;
            active[k] = _mm256_castsi256_pd(_mm256_set_epi64x(-upper, -upper, -lower, -lower));
        }
        foldedStep<V>(y1, y2, a1, a2, input(t), active);
        handOn(t);
    };
    const std::int64_t filled = std::min<std::int64_t>(kLast, n);
    for (std::int64_t t = 0; t < filled; ++t)
        edge(t);
    for (std::int64_t t = kLast; t < n; ++t) {
        const __m256d first = _mm256_insertf128_pd(_mm256_broadcast_sd(u + t),
                                                   _mm_load_pd(handOver + 2 * (t - kFoldLag)), 1);
        foldedStep<V>(y1, y2, a1, a2, first, nullptr);
        _mm_store_pd(handOver + 2 * (t - (V - 1)), _mm256_castpd256_pd128(y1[V - 1]));
        const __m128d y = _mm_mul_pd(_mm256_extractf128_pd(y1[V - 1], 1), gain);
        _mm_storel_pi(reinterpret_cast<__m64*>(out + (t - kLast) * stride), _mm_cvtpd_ps(y));
    }
    for (std::int64_t t = std::max(n, filled); t < n + kLast; ++t)
        edge(t);
#pragma GCC unroll 3
    for (int k = 0; k < V; ++k) {
        _mm256_storeu2_m128d(&b.state[0][V + k][0], &b.state[0][k][0], y1[k]);
        _mm256_storeu2_m128d(&b.state[1][V + k][0], &b.state[1][k][0], y2[k]);
    }
}

// S all-pole sections of up to four lanes over the numerator's output: in passes of up to three sections, or
// folded for one or two lanes of four sections and more.
template <int S>
void runAllPole(int lanes, const double* u, std::int64_t n, Block& b, float* out, std::int64_t stride)
{
    if constexpr (S <= 3) {
        allPolePass<S>(n, 0, b, PassEnds<true, true>{u, nullptr, nullptr, out, stride});
    } else {
        if (lanes <= 2) {
            allPoleFolded<S>(u, n, b, out, stride);
            return;
        }
        constexpr int kFirst = (S + 1) / 2;
        alignas(32) __m256d between[kPiece];
        allPolePass<kFirst>(n, 0, b, PassEnds<true, false>{u, nullptr, between, nullptr, stride});
        allPolePass<S - kFirst>(n, kFirst, b, PassEnds<false, true>{nullptr, between, nullptr, out, stride});
    }
}

#undef VEMRA_AVX2_LAMBDA
#undef VEMRA_AVX2_INLINE
#undef VEMRA_AVX2
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

bool isBandPassSection(const Biquad& q) { return q.b1 == 0.0 && q.b2 == -q.b0; }

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
    for (int l = 0; l < kLanes; ++l) {
        gain_[l] = 1.0;
        for (int s = 0; s < kMaxSections; ++s) {
            Biquad q; // identity for unused lanes and sections
            if (l < count_ && s < static_cast<int>(sections[static_cast<std::size_t>(l)].size()))
                q = sections[static_cast<std::size_t>(l)][static_cast<std::size_t>(s)];
            if (!(q.b0 != 0) || !std::isfinite(q.b0))
                throw std::invalid_argument("FilterLanes: a section's b0 must be finite and not 0");
            coef_[0][s][l] = q.b1 / q.b0;
            coef_[1][s][l] = q.b2 / q.b0;
            coef_[2][s][l] = q.a1;
            coef_[3][s][l] = q.a2;
            gain_[l] *= q.b0;
            state_[0][s][l] = state_[1][s][l] = 0.0;
        }
    }

    portable_ = !haveAvx2();
    if (portable_)
        return;
    // Chunks of up to four lanes of a kind, band-pass lanes by their number of sections, the others together.
    int kindOf[kLanes];
    for (int l = 0; l < count_; ++l) {
        const auto lane = sections[static_cast<std::size_t>(l)];
        const bool bandPass = !lane.empty() && std::all_of(lane.begin(), lane.end(), isBandPassSection);
        kindOf[l] = bandPass ? static_cast<int>(lane.size()) : 0;
    }
    for (int kind = kMaxSections; kind >= 0; --kind)
        for (int l = 0; l < count_; ++l) {
            if (kindOf[l] != kind)
                continue;
            Chunk* c = chunkCount_ > 0 ? &chunks_[chunkCount_ - 1] : nullptr;
            if (!c || c->count == 4 || c->bandPass != (kind > 0) || (kind > 0 && c->sections != kind)) {
                c = &chunks_[chunkCount_++];
                c->bandPass = kind > 0;
                c->sections = kind > 0 ? kind : 0;
            }
            c->lane[c->count++] = l;
            if (kind == 0)
                c->sections = std::max(c->sections, static_cast<int>(sections[static_cast<std::size_t>(l)].size()));
        }
    // A chunk's kernel writes four lanes side by side: straight into the output where each chunk's lanes follow
    // one another and the four fit in the row; the chunks run in the order of their lanes, so that what a chunk
    // writes past its own lanes the next one writes again.
    for (int i = 0; i < chunkCount_; ++i) {
        const Chunk& c = chunks_[i];
        const int expected = i == 0 ? 0 : chunks_[i - 1].lane[0] + chunks_[i - 1].count;
        if (c.lane[0] != expected || c.lane[0] + 4 > kLanes)
            direct_ = false;
        for (int j = 1; j < c.count; ++j)
            if (c.lane[j] != c.lane[0] + j)
                direct_ = false;
    }
}

void FilterLanes::run(const float* x, std::int64_t n, float* out)
{
    for (std::int64_t first = 0; first < n; first += kPiece)
        runPiece(x + first, std::min(kPiece, n - first), out + first * kLanes);
}

void FilterLanes::runPiece(const float* x, std::int64_t n, float* out)
{
    if (portable_) {
        withSections(sections_, [&](auto s) { runPortable<s()>(x, n, coef_, gain_, state_, out); });
        return;
    }
#if defined(__x86_64__) || defined(__i386__)
    // A chunk that cannot write straight into the output writes its four lanes into rows of its own first.
    alignas(32) double u[kPiece + 4];
    alignas(16) float rows[kPiece * 4];
    int numeratorOfU = -1;
    for (int i = 0; i < chunkCount_; ++i) {
        const Chunk& c = chunks_[i];
        Block b;
        for (int j = 0; j < 4; ++j) {
            const int l = j < c.count ? c.lane[j] : -1;
            b.gain[j] = l >= 0 ? gain_[l] : 1.0;
            for (int s = 0; s < kMaxSections; ++s) {
                for (int k = 0; k < 4; ++k)
                    b.coef[k][s][j] = l >= 0 ? coef_[k][s][l] : 0.0;
                b.state[0][s][j] = l >= 0 ? state_[0][s][l] : 0.0;
                b.state[1][s][j] = l >= 0 ? state_[1][s][l] : 0.0;
            }
        }
        float* const at = direct_ ? out + c.lane[0] : rows;
        const std::int64_t stride = direct_ ? kLanes : 4;
        if (c.bandPass) {
            if (numeratorOfU != c.sections) {
                withSections(c.sections, [&](auto s) { numerator<s()>(history_, x, n, u); });
                numeratorOfU = c.sections;
            }
            withSections(c.sections, [&](auto s) { runAllPole<s()>(c.count, u, n, b, at, stride); });
        } else {
            withSections(c.sections, [&](auto s) { runDesigned<s()>(x, n, b, at, stride); });
        }
        for (int j = 0; j < c.count; ++j) {
            for (int s = 0; s < kMaxSections; ++s) {
                state_[0][s][c.lane[j]] = b.state[0][s][j];
                state_[1][s][c.lane[j]] = b.state[1][s][j];
            }
            if (!direct_)
                for (std::int64_t t = 0; t < n; ++t)
                    out[t * kLanes + c.lane[j]] = rows[t * 4 + j];
        }
    }
#endif
    // The inputs the next piece's numerators reach back to.
    constexpr int kReach = 2 * kMaxSections;
    if (n >= kReach) {
        std::copy(x + n - kReach, x + n, history_);
    } else {
        std::copy(history_ + n, history_ + kReach, history_);
        std::copy(x, x + n, history_ + kReach - n);
    }
}

void usePortableFilterKernel(bool on) { g_portableOnly.store(on, std::memory_order_relaxed); }

} // namespace vemra::dsp
