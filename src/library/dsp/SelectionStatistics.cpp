#include "library/dsp/SelectionStatistics.h"

#include <algorithm>
#include <cmath>

namespace vemra::dsp {

namespace {

constexpr double kBlock_s = 0.001;
constexpr std::int64_t kMinBlocks = 8;

// Least squares of y on x, accumulated about the first point so that long selections keep their precision.
class LevelLine {
public:
    void add(double x, double y)
    {
        if (n_ == 0) {
            x0_ = x;
            y0_ = y;
        }
        x -= x0_;
        y -= y0_;
        ++n_;
        sx_ += x;
        sy_ += y;
        sxx_ += x * x;
        sxy_ += x * y;
    }
    std::optional<double> slope() const
    {
        if (n_ < 2)
            return std::nullopt;
        const double n = double(n_);
        const double den = n * sxx_ - sx_ * sx_;
        if (!(den > 0))
            return std::nullopt;
        return (n * sxy_ - sx_ * sy_) / den;
    }

private:
    std::int64_t n_ = 0;
    double x0_ = 0, y0_ = 0, sx_ = 0, sy_ = 0, sxx_ = 0, sxy_ = 0;
};

} // namespace

SelectionStatistics selectionStatistics(std::span<const float> x, double fs_Hz)
{
    SelectionStatistics s;
    const std::int64_t n = static_cast<std::int64_t>(x.size());
    if (n == 0)
        return s;
    const auto [lo, hi] = std::minmax_element(x.begin(), x.end());
    s.min = *lo;
    s.max = *hi;
    double sum = 0, squares = 0;
    for (const float v : x) {
        sum += v;
        squares += double(v) * v;
    }
    s.mean = sum / double(n);
    if (squares > 0)
        s.meanSquare_dB = 10 * std::log10(squares / double(n));
    if (!(fs_Hz > 0))
        return s;

    std::int64_t block = std::max<std::int64_t>(1, std::llround(fs_Hz * kBlock_s));
    block = std::min(block, std::max<std::int64_t>(1, n / kMinBlocks));
    LevelLine line;
    for (std::int64_t first = 0; first < n; first += block) {
        const std::int64_t end = std::min(n, first + block);
        double e = 0;
        for (std::int64_t i = first; i < end; ++i)
            e += double(x[i]) * x[i];
        if (e <= 0)
            continue;
        const double centre_s = (double(first + end - 1) / 2) / fs_Hz;
        line.add(centre_s, 10 * std::log10(e / double(end - first)));
    }
    s.slope_dBps = line.slope();
    if (s.slope_dBps) {
        s.levelChange_dB = *s.slope_dBps * (double(n) / fs_Hz);
        if (*s.slope_dBps < 0)
            s.decayTime60_s = -60 / *s.slope_dBps;
    }
    return s;
}

} // namespace vemra::dsp
