#pragma once
// Up to eight band filters run side by side over one signal (one lane each), several times faster than one after
// the other: the recursions of the lanes and of their sections are independent chains that the processor
// overlaps. The signal may come in pieces; each lane keeps its state between them. Every lane computes exactly
// what it would compute alone (same operations in the same order), whichever lanes run beside it and however the
// signal is cut into pieces.
//
// A lane's sections run with their b0 taken out, and the product of its b0 scales the lane's output (the same
// filter to rounding). A lane whose every section is a band-pass one (zeros at DC and Nyquist: b1 = 0, b2 = -b0)
// has the numerator (1 - z^-2)^S of all its S sections in common with every such lane of S sections: the signal
// goes through that numerator once, in double precision, and each lane then runs S all-pole sections,
// y = u - a1 y[-1] - a2 y[-2], two fused multiply-adds a section where the sections as designed take five
// operations. The order of the factors moves the result by double rounding only: a band agrees with its cascade
// as designed to the float precision of the output, down its whole decay. Other lanes (the wide band, or cascades
// with other numerators) run the sections as they are, in transposed direct form II.
// A processor with AVX2 and FMA runs kernels of its own; usePortableFilterKernel (before the object is made)
// selects the portable one, which runs every lane's sections as designed and gives the same lanes to rounding.
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

    // sections[l]: the cascade of lane l (1 .. kLanes lanes, at most kMaxSections each, every b0 finite and not 0).
    // The state starts at rest.
    explicit FilterLanes(std::span<const std::span<const Biquad>> sections);

    int lanes() const { return count_; }
    // Filters x[0..n) through every lane; out[j * kLanes + l] receives lane l's output of x[j] (out holds
    // n * kLanes floats; what the lanes from lanes() on receive means nothing).
    void run(const float* x, std::int64_t n, float* out);

private:
    // Up to four lanes of one kind that a kernel runs side by side: band-pass lanes of the same number of sections,
    // or lanes run as designed.
    struct Chunk {
        int lane[4] = {};
        int count = 0, sections = 0;
        bool bandPass = false;
    };
    void runPiece(const float* x, std::int64_t n, float* out);
    int count_ = 0;
    bool portable_ = false;
    bool direct_ = true; // the kernels may write straight into the output (else through a buffer)
    Chunk chunks_[kLanes];
    int chunkCount_ = 0;
    int sections_ = 0; // the most sections of a lane
    // coef[k][section][lane], k = b1 / b0, b2 / b0, a1, a2; gain[lane], the product of the lane's b0;
    // state[k][section][lane]: z1, z2 of a section run as designed, y[-1], y[-2] of an all-pole one
    double coef_[4][kMaxSections][kLanes];
    double gain_[kLanes];
    double state_[2][kMaxSections][kLanes];
    float history_[2 * kMaxSections] = {}; // the last inputs, oldest first (what the numerators reach back to)
};

// Makes the filter lanes made from now on run the portable kernel even where the processor has AVX2 (for tests
// of the kernel other processors use).
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
