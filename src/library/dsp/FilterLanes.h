#pragma once
// Up to eight band filters run side by side over one signal (one lane each), several times faster than one after
// the other: the recursions of the lanes and of their sections are independent chains that the processor
// overlaps. The signal may come in pieces; each lane keeps its state between them. Every lane computes exactly
// what it would compute alone (same operations in the same order), whichever lanes run beside it and however the
// signal is cut into pieces.
// A processor with AVX2 and FMA runs kernels of its own (a few lanes at a time, their sections side by side in a
// pipeline); usePortableFilterKernel selects the portable one, which gives the same lanes to rounding.
// No Qt; one object belongs to one thread.
#include <cstdint>
#include <span>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace vemra::dsp {

struct Biquad;

class FilterLanes {
public:
    static constexpr int kLanes = 8;
    static constexpr int kMaxSections = 6;

    // sections[l]: the cascade of lane l (1 .. kLanes lanes, at most kMaxSections each; fewer sections run as
    // identities). The state starts at rest.
    explicit FilterLanes(std::span<const std::span<const Biquad>> sections);

    int lanes() const { return count_; }
    // Filters x[0..n) through every lane; out[j * kLanes + l] receives lane l's output of x[j] (out holds
    // n * kLanes floats; what the lanes from lanes() on receive means nothing).
    void run(const float* x, std::int64_t n, float* out);

private:
    int count_ = 0;
    int sections_ = 0;
    // coef[k][section][lane], k = b0, b1, b2, a1, a2; state[k][section][lane], k = z1, z2
    double coef_[5][kMaxSections][kLanes];
    double state_[2][kMaxSections][kLanes];
};

// Runs the portable kernel even where the processor has AVX2 (for tests of the kernel other processors use).
void usePortableFilterKernel(bool on);

// Denormal numbers appear when a narrow filter rings down into digital silence; they are far below any level of
// interest and very slow, so the filtering flushes them to zero while this object lives (per thread).
class FlushDenormals {
public:
#if defined(__SSE2__)
    FlushDenormals() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | 0x8040); }
    ~FlushDenormals() { _mm_setcsr(saved_); }
    FlushDenormals(const FlushDenormals&) = delete;
    FlushDenormals& operator=(const FlushDenormals&) = delete;

private:
    unsigned saved_;
#endif
};

} // namespace vemra::dsp
