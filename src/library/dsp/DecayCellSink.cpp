#include "library/dsp/DecayCellSink.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace vemra::dsp {
namespace {

using v4f = float __attribute__((vector_size(16)));
using v8f = float __attribute__((vector_size(32)));

// Calls f(cell, k, run) for each run of the samples (k the first sample's number, run how many follow it) that
// lies in one cell, from time zero on, in the order the samples come.
template <class F>
void forEachCellRun(const BandSamples& s, std::int64_t zero, int shift, F&& f)
{
    const std::int64_t cell = std::int64_t(1) << shift;
    // Steps are powers of two (a band's rate reduction): a shift divides by them, and a division for every cell
    // would cost more than summing its samples.
    int stepShift = 0;
    while ((std::int64_t(1) << stepShift) < (s.step > 0 ? s.step : -s.step))
        ++stepShift;
    for (std::int64_t k = 0; k < s.count;) {
        const std::int64_t p = s.first + k * s.step;
        if (p < zero) {
            if (s.step < 0)
                break; // positions only fall from here
            ++k;
            continue;
        }
        const std::int64_t index = (p - zero) >> shift;
        const std::int64_t low = zero + (index << shift);
        std::int64_t run = s.step > 0 ? (low + cell - p + s.step - 1) >> stepShift : ((p - low) >> stepShift) + 1;
        run = std::min(run, s.count - k);
        f(index, k, run);
        k += run;
    }
}

} // namespace

void DecayCellSink::take(const BandSamples& s)
{
    const auto scale = static_cast<float>(s.decimation);
    const std::int64_t st = s.stride;
    forEachCellRun(s, zero_, shift_, [&](std::int64_t index, std::int64_t k, std::int64_t run) {
        // Four running sums: one would wait on each addition before the next.
        const float* v = s.values + k * st;
        float sum[4] = {};
        std::int64_t j = 0;
        // Unrolled, the sums stay in registers (in memory each addition would wait on the one before).
        for (; j + 4 <= run; j += 4)
#pragma GCC unroll 4
            for (int q = 0; q < 4; ++q)
                sum[q] += v[(j + q) * st] * v[(j + q) * st];
        for (; j < run; ++j)
            sum[0] += v[j * st] * v[j * st];
        cells_[static_cast<std::size_t>(index)] += scale * ((sum[0] + sum[1]) + (sum[2] + sum[3]));
    });
}

// W lanes side by side: the sums of take(), lane by lane in vectors, in the same order.
template <int W>
void DecayCellSink::takeSideBySide(const BandSamples& s, std::span<BandSink* const> lanes)
{
    using Vector = std::conditional_t<W == 4, v4f, v8f>;
    const auto scale = static_cast<float>(s.decimation);
    const std::int64_t st = s.stride;
    forEachCellRun(s, zero_, shift_, [&](std::int64_t index, std::int64_t k, std::int64_t run) {
        const float* v = s.values + k * st;
        Vector sum[4] = {};
        auto add = [&](int q, std::int64_t j) {
            Vector x;
            std::memcpy(&x, v + j * st, sizeof x);
            sum[q] += x * x;
        };
        std::int64_t j = 0;
        for (; j + 4 <= run; j += 4)
#pragma GCC unroll 4
            for (int q = 0; q < 4; ++q)
                add(q, j + q);
        for (; j < run; ++j)
            add(0, j);
        const Vector energy = scale * ((sum[0] + sum[1]) + (sum[2] + sum[3]));
        for (std::size_t l = 0; l < lanes.size(); ++l)
            static_cast<DecayCellSink*>(lanes[l])->cells_[static_cast<std::size_t>(index)] += energy[l];
    });
}

void DecayCellSink::takeLanes(const BandSamples& s, std::span<BandSink* const> lanes)
{
    const bool alike = std::all_of(lanes.begin(), lanes.end(), [&](BandSink* lane) {
        const auto* other = dynamic_cast<const DecayCellSink*>(lane);
        return other && other->zero_ == zero_ && other->shift_ == shift_;
    });
    if (alike && lanes.size() <= 4 && s.stride >= 4)
        takeSideBySide<4>(s, lanes);
    else if (alike && lanes.size() <= 8 && s.stride >= 8)
        takeSideBySide<8>(s, lanes);
    else
        BandSink::takeLanes(s, lanes);
}

} // namespace vemra::dsp
