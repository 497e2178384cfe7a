#include "library/dsp/SpatialParameters.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vemra::dsp {
namespace {

constexpr double kLateralFrom_s = 0.005;
constexpr double kEarlyTo_s = 0.080;

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

double energy(std::span<const float> x, std::int64_t from, std::int64_t to, double scale)
{
    double s = 0;
    for (std::int64_t n = from; n < to; ++n)
        s += double(x[static_cast<std::size_t>(n)]) * x[static_cast<std::size_t>(n)];
    return s * scale * scale;
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

std::optional<double> interauralCrossCorrelation(std::span<const float> left, std::span<const float> right,
                                                 double fs_Hz, std::int64_t from, std::int64_t to, double maxLag_s)
{
    const auto length = static_cast<std::int64_t>(std::min(left.size(), right.size()));
    if (!(fs_Hz > 0) || from < 0 || to > length || to <= from || !(maxLag_s >= 0))
        return std::nullopt;
    const double eLeft = energy(left, from, to, 1.0);
    const double eRight = energy(right, from, to, 1.0);
    const double norm = std::sqrt(eLeft * eRight);
    if (!(norm > 0) || !std::isfinite(norm))
        return std::nullopt;
    // The right ear is read outside the window where a lag takes it there (zero outside the signal), as the
    // integral of the correlation with the lagged signal asks.
    const auto maxLag = static_cast<std::int64_t>(std::floor(maxLag_s * fs_Hz + 1e-9));
    double best = 0;
    for (std::int64_t lag = -maxLag; lag <= maxLag; ++lag) {
        const std::int64_t first = std::max(from, -lag), last = std::min(to, length - lag);
        double s = 0;
        for (std::int64_t n = first; n < last; ++n)
            s += double(left[static_cast<std::size_t>(n)]) * right[static_cast<std::size_t>(n + lag)];
        best = std::max(best, std::abs(s));
    }
    return std::min(1.0, best / norm);
}

} // namespace vemra::dsp
