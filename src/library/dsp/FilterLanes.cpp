#include "library/dsp/FilterLanes.h"

#include "library/dsp/BandFilter.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <stdexcept>
#include <utility>

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
#define VEMRA_AVX2 __attribute__((target("avx2,fma")))
#define VEMRA_AVX2_INLINE __attribute__((target("avx2,fma"), always_inline)) inline

// Four lanes from `first` side by side with AVX2 and fused multiply-adds (the lanes after the group's last compute
// identities nobody reads).
template <int S>
VEMRA_AVX2 void runAvx2(const float* x, std::int64_t n, const Coefficients& coef, State& state, float* out, int first)
{
    __m256d c[5][S], z1[S], z2[S];
    for (int s = 0; s < S; ++s) {
        for (int k = 0; k < 5; ++k)
            c[k][s] = _mm256_loadu_pd(&coef[k][s][first]);
        z1[s] = _mm256_loadu_pd(&state[0][s][first]);
        z2[s] = _mm256_loadu_pd(&state[1][s][first]);
    }
    for (std::int64_t j = 0; j < n; ++j) {
        __m256d v = _mm256_set1_pd(x[j]);
        for (int s = 0; s < S; ++s) {
            const __m256d y = _mm256_fmadd_pd(c[0][s], v, z1[s]);
            z1[s] = _mm256_fnmadd_pd(c[3][s], y, _mm256_fmadd_pd(c[1][s], v, z2[s]));
            z2[s] = _mm256_fnmadd_pd(c[4][s], y, _mm256_mul_pd(c[2][s], v));
            v = y;
        }
        _mm_storeu_ps(out + j * kLanes + first, _mm256_cvtpd_ps(v));
    }
    for (int s = 0; s < S; ++s) {
        _mm256_storeu_pd(&state[0][s][first], z1[s]);
        _mm256_storeu_pd(&state[1][s][first], z2[s]);
    }
}

// Fewer than four lanes leave some of runAvx2's vectors empty, and a cascade of six sections waits on itself
// within a step; few lanes run their sections side by side instead, as a pipeline.
// The sections of all lanes form one chain of slots, lane after lane (slot i = l * S + s holds section s of lane
// l), laid down the V vectors and on to the next vector lane: slot i is lane i / V of vector i % V. Each step
// hands every slot's output on to the next slot - within a vector lane from one vector to the next, and from
// the last vector to the next lane of the first, the one shuffle of a step - while the first section of each
// lane takes the next input sample. Section s thus works on the sample of s steps before, and in the S - 1 steps
// at either end of a call, where some slots have no sample, those slots keep their states. Each section does the
// same operations on the same values as in runAvx2, so every lane's output is bit for bit the same; one lane of
// six sections takes two vectors a step instead of six, three lanes five instead of six.
template <int S, int C>
struct Pipeline {
    static constexpr int kSlots = S * C;
    static constexpr int kVectors = (kSlots + 3) / 4;
    static constexpr int vectorOf(int slot) { return slot % kVectors; }
    static constexpr int laneOf(int slot) { return slot / kVectors; }
    static constexpr int lastSlot(int lane) { return lane * S + S - 1; }
    // The vector lanes of vector v whose slots take the input sample (the first slot's comes with the shift).
    static constexpr int inputLanes(int v)
    {
        int mask = 0;
        for (int l = v == 0 ? 1 : 0; l < C; ++l)
            if (vectorOf(l * S) == v)
                mask |= 1 << laneOf(l * S);
        return mask;
    }
    static constexpr bool holdsOutput(int v)
    {
        for (int l = 0; l < C; ++l)
            if (vectorOf(lastSlot(l)) == v)
                return true;
        return false;
    }
    // Fewer vectors a step than runAvx2's S (the groups hold at most four lanes).
    static constexpr bool pays = kVectors < S;
};

// Vector K's sections take their inputs and run; `active` (a mask per vector) keeps the state of the slots
// without a sample, or is null when every slot has one.
template <int S, int C, int K, int N>
VEMRA_AVX2_INLINE void stepVector(__m256d (&y)[N], __m256d (&z1)[N], __m256d (&z2)[N], const __m256d (&c)[5][N],
                                 __m256d in, __m256d sample, const __m256d* active)
{
    constexpr int kInputs = Pipeline<S, C>::inputLanes(K);
    if constexpr (kInputs != 0)
        in = _mm256_blend_pd(in, sample, kInputs);
    const __m256d out = _mm256_fmadd_pd(c[0][K], in, z1[K]);
    const __m256d n1 = _mm256_fnmadd_pd(c[3][K], out, _mm256_fmadd_pd(c[1][K], in, z2[K]));
    const __m256d n2 = _mm256_fnmadd_pd(c[4][K], out, _mm256_mul_pd(c[2][K], in));
    z1[K] = active ? _mm256_blendv_pd(z1[K], n1, active[K]) : n1;
    z2[K] = active ? _mm256_blendv_pd(z2[K], n2, active[K]) : n2;
    y[K] = out;
}

// Vector K > 0 takes what vector K - 1 gave at the step before.
template <int S, int C, int K, int N>
VEMRA_AVX2_INLINE void stepFromBefore(__m256d (&y)[N], __m256d (&z1)[N], __m256d (&z2)[N], const __m256d (&c)[5][N],
                                     __m256d sample, const __m256d* active)
{
    if constexpr (K > 0)
        stepVector<S, C, K>(y, z1, z2, c, y[K - 1], sample, active);
}

// One step: the vectors from the last down (each reads its predecessor's outputs before they change), the first
// taking the last one's outputs one vector lane on, with the sample in lane 0.
template <int S, int C, int... V>
VEMRA_AVX2_INLINE void pipelineStep(__m256d (&y)[sizeof...(V)], __m256d (&z1)[sizeof...(V)],
                                   __m256d (&z2)[sizeof...(V)], const __m256d (&c)[5][sizeof...(V)], __m256d sample,
                                   const __m256d* active, std::integer_sequence<int, V...>)
{
    constexpr int kLast = static_cast<int>(sizeof...(V)) - 1;
    const __m256d u = _mm256_permute2f128_pd(y[kLast], sample, 0x03); // sample, sample, y[0], y[1]
    const __m256d first = _mm256_shuffle_pd(u, y[kLast], 0x5);        // sample, y[0], y[1], y[2]
    (stepFromBefore<S, C, kLast - V>(y, z1, z2, c, sample, active), ...);
    stepVector<S, C, 0>(y, z1, z2, c, first, sample, active);
}

// The slots that have a sample at step t (slot (l, s) works on sample t - s of the n).
template <int N>
VEMRA_AVX2_INLINE void edgeMasks(__m256d (&active)[N], const __m256d (&section)[N], std::int64_t t, std::int64_t n)
{
    const __m256d at = _mm256_set1_pd(static_cast<double>(t)), end = _mm256_set1_pd(static_cast<double>(n));
    for (int k = 0; k < N; ++k) {
        const __m256d sample = _mm256_sub_pd(at, section[k]);
        active[k] = _mm256_and_pd(_mm256_cmp_pd(sample, _mm256_setzero_pd(), _CMP_GE_OQ),
                                  _mm256_cmp_pd(sample, end, _CMP_LT_OQ));
    }
}

// The vectors of a step that hold a lane's output, as floats.
template <int S, int C, int K, int N>
VEMRA_AVX2_INLINE void holdVector(float* row, const __m256d (&y)[N])
{
    if constexpr (Pipeline<S, C>::holdsOutput(K))
        _mm_store_ps(row + 4 * K, _mm256_cvtpd_ps(y[K]));
}

template <int S, int C, int... V>
VEMRA_AVX2_INLINE void holdRow(float* row, const __m256d (&y)[sizeof...(V)], std::integer_sequence<int, V...>)
{
    (holdVector<S, C, V>(row, y), ...);
}

template <int S, int C>
VEMRA_AVX2 void runPipelined(const float* x, std::int64_t n, const Coefficients& coef, State& state, float* out,
                             int first)
{
    using P = Pipeline<S, C>;
    constexpr int kV = P::kVectors;
    constexpr auto vectors = std::make_integer_sequence<int, kV>{};
    if (n <= 0)
        return;
    // By vector and vector lane: b0, b1, b2, a1, a2, z1, z2, and the section (an unused slot is an identity that
    // never has a sample).
    alignas(32) double slots[8][4 * kV];
    for (int i = 0; i < 4 * kV; ++i) {
        const bool used = i < P::kSlots;
        const int s = i % S, l = first + i / S, at = 4 * P::vectorOf(i) + P::laneOf(i);
        for (int k = 0; k < 5; ++k)
            slots[k][at] = used ? coef[k][s][l] : (k == 0 ? 1.0 : 0.0);
        slots[5][at] = used ? state[0][s][l] : 0.0;
        slots[6][at] = used ? state[1][s][l] : 0.0;
        slots[7][at] = used ? s : 1e300;
    }
    __m256d c[5][kV], z1[kV], z2[kV], y[kV], section[kV];
    for (int k = 0; k < kV; ++k) {
        for (int q = 0; q < 5; ++q)
            c[q][k] = _mm256_load_pd(&slots[q][4 * k]);
        z1[k] = _mm256_load_pd(&slots[5][4 * k]);
        z2[k] = _mm256_load_pd(&slots[6][4 * k]);
        section[k] = _mm256_load_pd(&slots[7][4 * k]);
        y[k] = _mm256_setzero_pd();
    }

    // The outputs wait in rows (the vectors that hold them, as floats) and go out a block at a time.
    constexpr int kRows = 64;
    alignas(16) float rows[kRows][4 * kV];
    std::int64_t rowsFrom = 0; // the sample of rows[0]
    int held = 0;
    auto emit = [&] {
        for (int r = 0; r < held; ++r)
            for (int l = 0; l < C; ++l) {
                const int last = P::lastSlot(l);
                out[(rowsFrom + r) * kLanes + first + l] = rows[r][4 * P::vectorOf(last) + P::laneOf(last)];
            }
        rowsFrom += held;
        held = 0;
    };
    auto hold = [&] {
        if (++held == kRows)
            emit();
    };
    __m256d active[kV];
    for (std::int64_t t = 0; t < S - 1; ++t) { // filling: the later sections have no sample yet
        edgeMasks<kV>(active, section, t, n);
        pipelineStep<S, C>(y, z1, z2, c, t < n ? _mm256_set1_pd(x[t]) : _mm256_setzero_pd(), active, vectors);
    }
    for (std::int64_t t = S - 1; t < n; ++t) {
        pipelineStep<S, C>(y, z1, z2, c, _mm256_set1_pd(x[t]), nullptr, vectors);
        holdRow<S, C>(rows[held], y, vectors);
        hold();
    }
    for (std::int64_t t = std::max<std::int64_t>(S - 1, n); t < n + S - 1; ++t) { // draining: no more input
        edgeMasks<kV>(active, section, t, n);
        pipelineStep<S, C>(y, z1, z2, c, _mm256_setzero_pd(), active, vectors);
        holdRow<S, C>(rows[held], y, vectors);
        hold();
    }
    emit();
    for (int k = 0; k < kV; ++k) {
        _mm256_store_pd(&slots[5][4 * k], z1[k]);
        _mm256_store_pd(&slots[6][4 * k], z2[k]);
    }
    for (int i = 0; i < P::kSlots; ++i) {
        const int at = 4 * P::vectorOf(i) + P::laneOf(i);
        state[0][i % S][first + i / S] = slots[5][at];
        state[1][i % S][first + i / S] = slots[6][at];
    }
}

#undef VEMRA_AVX2_INLINE
#undef VEMRA_AVX2

using Kernel = void (*)(const float*, std::int64_t, const Coefficients&, State&, float*, int);

// The kernel of a group of C (1..4) lanes of S sections.
template <int S, int C>
constexpr Kernel fastKernel()
{
    if constexpr (Pipeline<S, C>::pays)
        return runPipelined<S, C>;
    else
        return runAvx2<S>;
}

template <int S, int... C>
constexpr std::array<Kernel, 4> fastKernels(std::integer_sequence<int, C...>)
{
    return {fastKernel<S, C + 1>()...};
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
        // The lanes in groups that run one after the other over the piece: cascades of three sections four lanes
        // to a vector, longer ones two or three lanes to a pipeline (fastest so per lane), as evenly as that
        // goes. A group of four starts at lane 0 or 4, so that its vector stays inside the eight lanes.
        static constexpr std::array<Kernel, 4> kernels = fastKernels<S>(std::make_integer_sequence<int, 4>{});
        const int most = S <= 3 ? 4 : 3;
        const int groups = (count + most - 1) / most;
        for (int g = 0, first = 0; g < groups; ++g) {
            const int size = S <= 3 ? std::min(most, count - first) : (count - first + (groups - g) - 1) / (groups - g);
            kernels[static_cast<std::size_t>(size - 1)](x, n, coef, state, out, first);
            first += size;
        }
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
