#include "library/dsp/SpatialParameters.h"

#include "library/dsp/DecayAnalysis.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vemra::dsp {
namespace {

constexpr double kLateralFrom_s = 0.005;
constexpr double kEarlyTo_s = 0.080;
// What may still follow where a band is taken to have rung out, of its energy: the ringing left then moves a
// correlation coefficient by about as much.
constexpr double kRingingLeft = 1e-6;

std::optional<double> ratio(double num, double den)
{
    if (!(den > 0) || !std::isfinite(num) || !std::isfinite(den))
        return std::nullopt;
    const double r = num / den;
    return std::isfinite(r) ? std::optional<double>(r) : std::nullopt;
}

// The three limits of the lateral fractions: time zero, 5 ms, 80 ms; nothing when the input is not usable or the
// 80 ms limit lies past the signal.
struct Limits {
    std::int64_t zero, lateralFrom, end;
};

std::optional<Limits> limits(const SpatialInput& in)
{
    const auto length = static_cast<std::int64_t>(std::min(in.omni.size(), in.lateral.size()));
    if (!(in.fs_Hz > 0) || in.timeZero < 0 || in.timeZero >= length || !std::isfinite(in.omniScale) ||
        !std::isfinite(in.lateralScale))
        return std::nullopt;
    const Limits l{in.timeZero, spatialBoundary(in.timeZero, kLateralFrom_s, in.delay_s, in.fs_Hz, length),
                   spatialBoundary(in.timeZero, kEarlyTo_s, in.delay_s, in.fs_Hz, length)};
    if (l.end > length)
        return std::nullopt;
    return l;
}

// Sum of a[i] b[i] over i < n in double precision; four partial sums keep the additions independent of each
// other, which the correlation over many lags needs to be fast.
double dot(const float* a, const float* b, std::int64_t n)
{
    double acc[4] = {0, 0, 0, 0};
    std::int64_t i = 0;
    for (; i + 4 <= n; i += 4)
        for (int j = 0; j < 4; ++j)
            acc[j] += double(a[i + j]) * b[i + j];
    for (; i < n; ++i)
        acc[0] += double(a[i]) * b[i];
    return (acc[0] + acc[1]) + (acc[2] + acc[3]);
}

double energy(std::span<const float> x, std::int64_t from, std::int64_t to, double scale)
{
    if (to <= from)
        return 0;
    const float* p = x.data() + from;
    return dot(p, p, to - from) * scale * scale;
}

} // namespace

std::int64_t spatialBoundary(std::int64_t timeZero, double t_s, double delay_s, double fs_Hz, std::int64_t length)
{
    if (t_s <= 0)
        return timeZero;
    if (!std::isfinite(t_s))
        return length;
    return timeZero + std::llround((t_s + delay_s) * fs_Hz);
}

std::optional<double> lateralFraction(const SpatialInput& in)
{
    const auto l = limits(in);
    if (!l)
        return std::nullopt;
    return ratio(energy(in.lateral, l->lateralFrom, l->end, in.lateralScale),
                 energy(in.omni, l->zero, l->end, in.omniScale));
}

std::optional<double> lateralFractionCos(const SpatialInput& in)
{
    const auto l = limits(in);
    if (!l)
        return std::nullopt;
    double cross = 0;
    for (std::int64_t n = l->lateralFrom; n < l->end; ++n)
        cross += std::abs(double(in.omni[static_cast<std::size_t>(n)]) * in.lateral[static_cast<std::size_t>(n)]);
    return ratio(cross * std::abs(in.omniScale * in.lateralScale), energy(in.omni, l->zero, l->end, in.omniScale));
}

std::optional<double> probeLateralFraction(const SpatialInput& in, double spacing_m, double c_mps)
{
    const auto l = limits(in);
    if (!l || !(spacing_m > 0) || !(c_mps > 0) || !std::isfinite(spacing_m) || !std::isfinite(c_mps))
        return std::nullopt;
    // The velocity integral runs from the first sample: the band filter leaves no DC to drift, and starting before
    // time zero lets the filter's rise count as it does in the omnidirectional signal.
    const double k = c_mps / (spacing_m * in.fs_Hz);
    double integral = 0, lateral = 0, omni = 0;
    for (std::int64_t n = 0; n < l->end; ++n) {
        const double a = in.omni[static_cast<std::size_t>(n)] * in.omniScale;
        const double b = in.lateral[static_cast<std::size_t>(n)] * in.lateralScale;
        integral += a - b;
        if (n >= l->lateralFrom) {
            const double v = k * integral;
            lateral += v * v;
        }
        if (n >= l->zero) {
            const double p = 0.5 * (a + b);
            omni += p * p;
        }
    }
    return ratio(lateral, omni);
}

namespace {

// The correlation sums of a window for every lag, and the energies of both ears in it.
struct Correlation {
    std::vector<double> sums; // lag -maxLag .. +maxLag
    double eLeft = 0, eRight = 0;
};

Correlation correlate(std::span<const float> left, std::span<const float> right, std::int64_t from, std::int64_t to,
                      std::int64_t maxLag)
{
    // The right ear is read outside the window where a lag takes it there (zero outside the signal), as the
    // integral of the correlation with the lagged signal asks.
    const auto length = static_cast<std::int64_t>(std::min(left.size(), right.size()));
    Correlation c;
    c.eLeft = energy(left, from, to, 1.0);
    c.eRight = energy(right, from, to, 1.0);
    for (std::int64_t lag = -maxLag; lag <= maxLag; ++lag) {
        const std::int64_t first = std::max(from, -lag), last = std::min(to, length - lag);
        c.sums.push_back(last > first ? dot(left.data() + first, right.data() + first + lag, last - first) : 0.0);
    }
    return c;
}

std::optional<double> coefficient(const Correlation& c)
{
    const double norm = std::sqrt(c.eLeft * c.eRight);
    if (!(norm > 0) || !std::isfinite(norm))
        return std::nullopt;
    double best = 0;
    for (double s : c.sums)
        best = std::max(best, std::abs(s));
    return std::min(1.0, best / norm);
}

std::optional<std::int64_t> lagLimit(std::span<const float> left, std::span<const float> right, double fs_Hz,
                                     std::int64_t from, std::int64_t to, double maxLag_s)
{
    const auto length = static_cast<std::int64_t>(std::min(left.size(), right.size()));
    if (!(fs_Hz > 0) || from < 0 || to > length || to <= from || !(maxLag_s >= 0) || !std::isfinite(maxLag_s))
        return std::nullopt;
    return static_cast<std::int64_t>(std::floor(maxLag_s * fs_Hz + 1e-9));
}

} // namespace

std::optional<double> interauralCrossCorrelation(std::span<const float> left, std::span<const float> right,
                                                 double fs_Hz, std::int64_t from, std::int64_t to, double maxLag_s)
{
    const auto maxLag = lagLimit(left, right, fs_Hz, from, to, maxLag_s);
    if (!maxLag)
        return std::nullopt;
    return coefficient(correlate(left, right, from, to, *maxLag));
}

InterauralCorrelations interauralCrossCorrelations(std::span<const float> left, std::span<const float> right,
                                                   double fs_Hz, std::int64_t from, std::int64_t split,
                                                   std::int64_t to, double maxLag_s)
{
    InterauralCorrelations r;
    const auto maxLag = lagLimit(left, right, fs_Hz, from, to, maxLag_s);
    if (!maxLag || split < from || split > to)
        return r;
    // The whole window's sums are the two parts' sums: each sample is correlated once.
    const Correlation early = correlate(left, right, from, split, *maxLag);
    const Correlation late = correlate(left, right, split, to, *maxLag);
    Correlation whole = early;
    for (std::size_t i = 0; i < whole.sums.size(); ++i)
        whole.sums[i] += late.sums[i];
    whole.eLeft += late.eLeft;
    whole.eRight += late.eRight;
    r.whole = coefficient(whole);
    r.early = coefficient(early);
    r.late = coefficient(late);
    return r;
}

std::int64_t rungOut(std::span<const float> band, std::int64_t from, std::int64_t lastSound)
{
    const auto length = static_cast<std::int64_t>(band.size());
    from = std::clamp<std::int64_t>(from, 0, length);
    lastSound = std::clamp(lastSound, from, length);
    const double total = energy(band, from, length, 1.0);
    double after = 0;
    std::int64_t end = length;
    for (; end > lastSound; --end) {
        const double e = double(band[static_cast<std::size_t>(end - 1)]) * band[static_cast<std::size_t>(end - 1)];
        if (after + e > kRingingLeft * total)
            break;
        after += e;
    }
    return end;
}

bool risesAboveNoise(std::span<const float> band, double fs_Hz, std::int64_t from, std::int64_t to,
                     double noiseEnergy)
{
    from = std::max<std::int64_t>(from, 0);
    to = std::min(to, static_cast<std::int64_t>(band.size()));
    if (to <= from || !(fs_Hz > 0))
        return false;
    if (!(noiseEnergy > 0))
        return true;
    const std::int64_t block = std::clamp<std::int64_t>(std::llround(kRiseInterval_s * fs_Hz), 1, to - from);
    const double needed = noiseEnergy * std::pow(10.0, kRiseAboveNoise_dB / 10.0) * static_cast<double>(block);
    // Consecutive blocks from the window's start; the last one, cut short, stands in with the block before it.
    for (std::int64_t b = from; b < to; b += block)
        if (energy(band, std::min(b, to - block), std::min(b, to - block) + block, 1.0) >= needed)
            return true;
    return false;
}

} // namespace vemra::dsp
