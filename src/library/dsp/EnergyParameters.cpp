#include "library/dsp/EnergyParameters.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vemra::dsp {
namespace {

std::optional<double> ratio_dB(std::optional<double> num, std::optional<double> den)
{
    if (!num || !den || !(*num > 0) || !(*den > 0))
        return std::nullopt;
    const double r = 10.0 * std::log10(*num / *den);
    return std::isfinite(r) ? std::optional<double>(r) : std::nullopt;
}

} // namespace

BandEnergy::BandEnergy(std::int64_t length, double fs_Hz, std::int64_t timeZero, double delay_s,
                       const DecayAnalysis& decay, std::span<const std::int64_t> extraSamples)
    : length_(length), fs_(fs_Hz), zero_(timeZero), delay_s_(delay_s), decay_(decay),
      end_(decay.valid ? std::clamp<std::int64_t>(decay.decayEnd, 0, length_) : length_),
      holdsDecay_(decay.holdsDecay())
{
    // Every boundary a window can use is clamped into [time zero, end] by sum(), so that is where sums are kept.
    auto keep = [&](std::int64_t n) {
        if (zero_ >= 0 && n >= 0)
            markAt_.push_back(std::clamp(n, std::min(zero_, end_), end_));
    };
    keep(zero_);
    keep(end_);
    for (double t : kStandardLimits_s)
        keep(boundary(t));
    for (std::int64_t n : extraSamples)
        keep(n);
    std::sort(markAt_.begin(), markAt_.end());
    markAt_.erase(std::unique(markAt_.begin(), markAt_.end()), markAt_.end());
    markSum_.assign(markAt_.size(), 0.0);
}

BandEnergy::BandEnergy(std::span<const float> band, double fs_Hz, std::int64_t timeZero, double delay_s,
                       const DecayAnalysis& decay, std::span<const std::int64_t> extraSamples)
    : BandEnergy(static_cast<std::int64_t>(band.size()), fs_Hz, timeZero, delay_s, decay, extraSamples)
{
    for (std::size_t i = 0; i < band.size(); ++i)
        add(static_cast<std::int64_t>(i), double(band[i]) * band[i]);
    finish();
}

void BandEnergy::addSquares(std::int64_t first, std::int64_t step, const float* values, std::int64_t stride,
                            std::int64_t count, double scale)
{
    constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();
    for (std::int64_t k = 0; k < count;) {
        const std::int64_t p = first + k * step;
        while (nextMark_ < markAt_.size() && p >= markAt_[nextMark_])
            markSum_[nextMark_++] = running_;
        // The run of samples before the next boundary: a mark, time zero or the decay end.
        std::int64_t limit = nextMark_ < markAt_.size() ? markAt_[nextMark_] : kNone;
        if (p < zero_)
            limit = std::min(limit, zero_);
        else if (p < end_)
            limit = std::min(limit, end_);
        const std::int64_t run = limit == kNone ? count - k : std::min(count - k, (limit - p + step - 1) / step);
        double sum = 0, moment = 0;
        for (std::int64_t j = 0; j < run; ++j) {
            const double v = values[(k + j) * stride];
            sum += v * v;
            moment += static_cast<double>(j) * v * v;
        }
        running_ += scale * sum;
        if (p >= zero_ && p < end_)
            moment_ += scale * (static_cast<double>(p) * sum + static_cast<double>(step) * moment);
        k += run;
    }
}

void BandEnergy::finish()
{
    while (nextMark_ < markAt_.size())
        markSum_[nextMark_++] = running_;
}

bool BandEnergy::covers(std::int64_t n) const
{
    if (zero_ < 0)
        return true; // nothing to keep: every window has no value anyway
    const std::int64_t c = std::clamp(n, std::min(zero_, end_), end_);
    return std::binary_search(markAt_.begin(), markAt_.end(), c);
}

std::optional<double> BandEnergy::prefix(std::int64_t n) const
{
    const auto it = std::lower_bound(markAt_.begin(), markAt_.end(), n);
    if (it == markAt_.end() || *it != n)
        return std::nullopt;
    return markSum_[static_cast<std::size_t>(it - markAt_.begin())];
}

std::int64_t BandEnergy::boundary(double t_s) const
{
    if (t_s <= 0)
        return zero_;
    if (!std::isfinite(t_s))
        return -1;
    return zero_ + std::llround((t_s + delay_s_) * fs_);
}

std::optional<double> BandEnergy::sum(std::int64_t from, std::int64_t to) const
{
    if (zero_ < 0)
        return std::nullopt;
    const std::int64_t measuredFrom = std::min(std::max(from, zero_), end_);
    const std::int64_t measuredTo = to < 0 ? end_ : std::min(std::max(to, measuredFrom), end_);
    const auto a = prefix(measuredFrom), b = prefix(measuredTo);
    if (!a || !b)
        return std::nullopt;
    double s = std::max(*b - *a, 0.0);
    if (decay_.valid && (to < 0 || to > end_)) {
        const std::int64_t lineFrom = std::max(from, end_);
        if (to < 0 || to > lineFrom)
            s += decay_.lineEnergySum(lineFrom, to, fs_);
    }
    return s;
}

std::optional<double> BandEnergy::energy(double from_s, double to_s) const
{
    if (!(fs_ > 0) || zero_ < 0 || !(to_s > from_s))
        return std::nullopt;
    const std::int64_t from = boundary(from_s);
    const std::int64_t to = boundary(to_s);
    if (from >= (decay_.valid ? length_ : end_))
        return std::nullopt;
    if (!decay_.valid && to > end_) // an open end stops at the end of what is measured
        return std::nullopt;
    return sum(from, to);
}

std::optional<double> BandEnergy::clarity_dB(double te_s) const
{
    if (!(te_s > 0) || !holdsDecay_)
        return std::nullopt;
    return ratio_dB(energy(0, te_s), energy(te_s, std::numeric_limits<double>::infinity()));
}

std::optional<double> BandEnergy::centreTime_s() const
{
    if (!(fs_ > 0) || zero_ < 0 || zero_ >= length_ || !holdsDecay_)
        return std::nullopt;
    const double origin = zero_ + delay_s_ * fs_;
    const auto measured = sum(zero_, end_);
    if (!measured)
        return std::nullopt;
    double total = *measured;
    double moment = moment_ - origin * total;
    if (decay_.valid) {
        total += decay_.lineEnergySum(end_, -1, fs_);
        moment += decay_.lineMomentSum(end_, origin, fs_);
    }
    if (!(total > 0))
        return std::nullopt;
    // The energy's centre lies after time zero in any room; one before it (the filter's delay taken off a band
    // whose energy is all in the filter's own rise) is no centre time of the response.
    const double ts = moment / total / fs_;
    return std::isfinite(ts) && ts >= 0 ? std::optional<double>(ts) : std::nullopt;
}

std::optional<double> BandEnergy::support_dB(SupportKind kind) const
{
    if (!holdsDecay_)
        return std::nullopt;
    const double from = kind == SupportKind::Late ? 0.100 : 0.020;
    const double to = kind == SupportKind::Early ? 0.100 : 1.000;
    return ratio_dB(energy(from, to), energy(0, 0.010));
}

std::optional<double> BandEnergy::strengthEnergy(std::int64_t endSample) const
{
    if (!(fs_ > 0) || zero_ < 0 || zero_ >= length_ || endSample <= zero_)
        return std::nullopt;
    const std::int64_t to = decay_.valid && endSample >= end_ ? -1 : std::min(endSample, end_);
    const auto e = sum(zero_, to);
    return e && *e > 0 && std::isfinite(*e) ? e : std::nullopt;
}

} // namespace vemra::dsp
