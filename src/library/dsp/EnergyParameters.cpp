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

BandEnergy::BandEnergy(std::vector<float> band, double fs_Hz, std::int64_t timeZero, double delay_s,
                       const DecayAnalysis& decay)
    : band_(std::move(band)), length_(static_cast<std::int64_t>(band_.size())), fs_(fs_Hz), zero_(timeZero),
      delay_s_(delay_s), decay_(decay), end_(decay.valid ? std::clamp<std::int64_t>(decay.decayEnd, 0, length_) : length_)
{
    blockPrefix_.resize(static_cast<std::size_t>(length_ / kBlock) + 1);
    double s = 0;
    for (std::int64_t i = 0; i < length_; ++i) {
        if (i % kBlock == 0)
            blockPrefix_[static_cast<std::size_t>(i / kBlock)] = s;
        const double e = double(band_[static_cast<std::size_t>(i)]) * band_[static_cast<std::size_t>(i)];
        s += e;
        if (i >= zero_ && i < end_)
            moment_ += static_cast<double>(i) * e;
    }
    if (length_ % kBlock == 0)
        blockPrefix_.back() = s;
}

double BandEnergy::raw(std::int64_t from, std::int64_t to) const
{
    if (to <= from)
        return 0.0;
    auto square = [&](std::int64_t i) { return double(band_[static_cast<std::size_t>(i)]) * band_[static_cast<std::size_t>(i)]; };
    const std::int64_t firstBlock = (from + kBlock - 1) / kBlock, lastBlock = to / kBlock;
    if (firstBlock >= lastBlock) {
        double s = 0;
        for (std::int64_t i = from; i < to; ++i)
            s += square(i);
        return s;
    }
    double s = blockPrefix_[static_cast<std::size_t>(lastBlock)] - blockPrefix_[static_cast<std::size_t>(firstBlock)];
    for (std::int64_t i = from; i < firstBlock * kBlock; ++i)
        s += square(i);
    for (std::int64_t i = lastBlock * kBlock; i < to; ++i)
        s += square(i);
    return std::max(s, 0.0);
}

std::int64_t BandEnergy::boundary(double t_s) const
{
    if (t_s <= 0)
        return zero_;
    if (!std::isfinite(t_s))
        return -1;
    return zero_ + std::llround((t_s + delay_s_) * fs_);
}

double BandEnergy::sum(std::int64_t from, std::int64_t to) const
{
    const std::int64_t measuredFrom = std::max(from, zero_);
    const std::int64_t measuredTo = to < 0 ? end_ : std::min(to, end_);
    double s = raw(measuredFrom, measuredTo);
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
    const std::int64_t length = length_;
    const std::int64_t from = boundary(from_s);
    const std::int64_t to = boundary(to_s);
    if (from >= length)
        return std::nullopt;
    if (!decay_.valid && to > length) // an open end stops at the end of the response
        return std::nullopt;
    return sum(from, to);
}

std::optional<double> BandEnergy::clarity_dB(double te_s) const
{
    if (!(te_s > 0))
        return std::nullopt;
    return ratio_dB(energy(0, te_s), energy(te_s, std::numeric_limits<double>::infinity()));
}

std::optional<double> BandEnergy::centreTime_s() const
{
    if (!(fs_ > 0) || zero_ < 0 || zero_ >= length_)
        return std::nullopt;
    const double origin = zero_ + delay_s_ * fs_;
    double total = raw(zero_, end_);
    double moment = moment_ - origin * total;
    if (decay_.valid) {
        total += decay_.lineEnergySum(end_, -1, fs_);
        moment += decay_.lineMomentSum(end_, origin, fs_);
    }
    if (!(total > 0))
        return std::nullopt;
    const double ts = moment / total / fs_;
    return std::isfinite(ts) ? std::optional<double>(ts) : std::nullopt;
}

std::optional<double> BandEnergy::support_dB(SupportKind kind) const
{
    const double from = kind == SupportKind::Late ? 0.100 : 0.020;
    const double to = kind == SupportKind::Early ? 0.100 : 1.000;
    return ratio_dB(energy(from, to), energy(0, 0.010));
}

std::optional<double> BandEnergy::strengthEnergy(std::int64_t endSample) const
{
    if (!(fs_ > 0) || zero_ < 0 || zero_ >= length_ || endSample <= zero_)
        return std::nullopt;
    const std::int64_t to = decay_.valid && endSample >= end_ ? -1 : endSample;
    const double e = sum(zero_, to);
    return e > 0 && std::isfinite(e) ? std::optional<double>(e) : std::nullopt;
}

} // namespace vemra::dsp
