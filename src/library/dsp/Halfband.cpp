#include "library/dsp/Halfband.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

namespace vemra::dsp {
namespace {

constexpr int kPairs = (halfband::kHalfLength + 1) / 2; // odd offsets 1, 3, .., 13
using v4f = float __attribute__((vector_size(16)));

double besselI0(double x)
{
    double sum = 1, term = 1;
    for (int k = 1; k < 64; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// The odd taps h[1], h[3], .., h[13] (h[-m] = h[m], h[0] = 1/2, even taps 0): the ideal half-band response under
// a Kaiser window (beta for about 100 dB), scaled so that the odd taps add up to 1/2. The sum makes the gain at
// DC exactly 1 and at a quarter of the rate exactly 1/2, so that the two halves of the spectrum add up to one.
std::array<double, kPairs> makeTaps()
{
    constexpr double beta = 0.1102 * (100.0 - 8.7);
    std::array<double, kPairs> taps{};
    double sum = 0;
    for (int i = 0; i < kPairs; ++i) {
        const int m = 2 * i + 1;
        const double r = static_cast<double>(m) / halfband::kHalfLength;
        const double window = besselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / besselI0(beta);
        taps[static_cast<std::size_t>(i)] = std::sin(std::numbers::pi * m / 2.0) / (std::numbers::pi * m) * window;
        sum += 2 * taps[static_cast<std::size_t>(i)];
    }
    for (double& t : taps)
        t *= 0.5 / sum;
    return taps;
}

const std::array<double, kPairs>& taps()
{
    static const std::array<double, kPairs> t = makeTaps();
    return t;
}

// The float taps the kernels use (the response above is that of these, to rounding).
struct FloatTaps {
    float h[kPairs];
    FloatTaps()
    {
        for (int i = 0; i < kPairs; ++i)
            h[i] = static_cast<float>(taps()[static_cast<std::size_t>(i)]);
    }
};

const FloatTaps& floatTaps()
{
    static const FloatTaps t;
    return t;
}

} // namespace

namespace halfband {

double response(double fOverRate)
{
    // cos(m w) for the odd m by the recurrence cos((m + 2) w) = 2 cos(2 w) cos(m w) - cos((m - 2) w): the mask
    // checks of the filter designs ask for this at many frequencies.
    const double w = 2 * std::numbers::pi * fOverRate;
    const double c1 = std::cos(w), twoCos2 = 2 * (2 * c1 * c1 - 1);
    double previous = c1, current = c1; // cos(-w), cos(w)
    double h = 0.5;
    const auto& t = taps();
    for (int i = 0; i < kPairs; ++i) {
        h += 2 * t[static_cast<std::size_t>(i)] * current;
        const double next = twoCos2 * current - previous;
        previous = current;
        current = next;
    }
    return h;
}

Decimated decimate(std::span<const float> in, int phase, std::int64_t start)
{
    HalfbandDecimator d(phase, start);
    Decimated out;
    out.first = d.firstOutput();
    out.samples.reserve(in.size() / 2 + halfband::kHalfLength + 2);
    d.push(in, out.samples);
    d.finish(out.samples);
    return out;
}

void interpolate(std::span<const float> in, std::int64_t offset, std::span<float> out)
{
    const float* h = floatTaps().h;
    const auto n = static_cast<std::int64_t>(in.size());
    auto at = [&](std::int64_t j) { return j >= 0 && j < n ? in[static_cast<std::size_t>(j)] : 0.0f; };
    const auto length = static_cast<std::int64_t>(out.size());
    for (std::int64_t i = 0; i < length; ++i) {
        const std::int64_t d = i - offset;
        // Even distance: one of the input samples; odd: between in[j] and in[j + 1].
        const std::int64_t j = d >= 0 ? d / 2 : -((-d + 1) / 2);
        if ((d & 1) == 0) {
            out[static_cast<std::size_t>(i)] = at(j);
            continue;
        }
        float acc = 0;
        if (j - kPairs + 1 >= 0 && j + kPairs < n) {
            const float* p = in.data() + j;
            for (int k = 0; k < kPairs; ++k)
                acc += h[k] * (p[-k] + p[1 + k]);
        } else {
            for (int k = 0; k < kPairs; ++k)
                acc += h[k] * (at(j - k) + at(j + 1 + k));
        }
        out[static_cast<std::size_t>(i)] = 2.0f * acc;
    }
}

} // namespace halfband

void HalfbandDecimator::reset(int phase, std::int64_t start)
{
    // The first output is the first kept index whose last tap reaches the first sample; the window starts with the
    // zeros its first tap reads.
    const std::int64_t earliest = start - halfband::kHalfLength;
    next_ = earliest + ((phase - earliest) & 1);
    first_ = (next_ - (phase & 1)) / 2;
    windowStart_ = next_ - halfband::kHalfLength;
    window_.assign(static_cast<std::size_t>(start - windowStart_), 0.0f);
    received_ = start;
}

void HalfbandDecimator::emit(std::vector<float>& out, std::int64_t upTo)
{
    const float* h = floatTaps().h;
    // Every output whose taps lie below upTo.
    const std::int64_t last = upTo - halfband::kHalfLength; // exclusive bound of the centres
    if (next_ < last) {
        const auto count = static_cast<std::int64_t>((last - next_ + 1) / 2);
        const std::size_t first = out.size();
        out.resize(first + static_cast<std::size_t>(count));
        float* o = out.data() + first;
        // The centres sit two apart; their neighbours at odd distances are every second sample in between. Taken
        // apart into their own row, the sums run over consecutive memory, which the compiler vectorises.
        const float* base = window_.data() + (next_ - windowStart_);
        // odd_[j] is the sample after centre j - kPairs, for the centres from kPairs before the first to kPairs - 1
        // after the last: those reach from 13 before the first centre to 13 after the last.
        odd_.resize(static_cast<std::size_t>(count + 2 * kPairs - 1));
        for (std::size_t j = 0; j < odd_.size(); ++j)
            odd_[j] = base[2 * (static_cast<std::int64_t>(j) - kPairs) + 1];
        const float* odd = odd_.data() + kPairs; // odd[k] follows centre k, odd[k - 1] precedes it
        std::int64_t k = 0;
        for (; k + 4 <= count; k += 4) { // four outputs side by side
            v4f acc = {0.5f * base[2 * k], 0.5f * base[2 * k + 2], 0.5f * base[2 * k + 4], 0.5f * base[2 * k + 6]};
            for (int i = 0; i < kPairs; ++i) {
                v4f before, after;
                std::memcpy(&before, odd + k - 1 - i, sizeof before);
                std::memcpy(&after, odd + k + i, sizeof after);
                acc += h[i] * (before + after);
            }
            std::memcpy(o + k, &acc, sizeof acc);
        }
        for (; k < count; ++k) {
            float acc = 0.5f * base[2 * k];
            for (int i = 0; i < kPairs; ++i)
                acc += h[i] * (odd[k - 1 - i] + odd[k + i]);
            o[k] = acc;
        }
        next_ += 2 * count;
    }
    // Keep what the next outputs read.
    const std::int64_t keepFrom = next_ - halfband::kHalfLength;
    if (keepFrom > windowStart_) {
        const auto drop = static_cast<std::size_t>(std::min<std::int64_t>(keepFrom - windowStart_,
                                                                            static_cast<std::int64_t>(window_.size())));
        window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(drop));
        windowStart_ += static_cast<std::int64_t>(drop);
    }
}

void HalfbandDecimator::push(std::span<const float> in, std::vector<float>& out)
{
    window_.insert(window_.end(), in.begin(), in.end());
    received_ += static_cast<std::int64_t>(in.size());
    emit(out, received_);
}

void HalfbandDecimator::finish(std::vector<float>& out)
{
    // Zeros after the signal, enough for every output whose first tap reads its last sample.
    const std::int64_t end = received_;
    window_.insert(window_.end(), 2 * halfband::kHalfLength + 1, 0.0f);
    emit(out, end + 2 * halfband::kHalfLength);
    received_ = end;
}

} // namespace vemra::dsp
