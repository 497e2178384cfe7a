#include "graphs/ParameterStatistics.h"

#include "core/VemraError.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vemra::graphs {

ParameterStatistics::ParameterStatistics() : entries_(std::size_t(kParameters) * kChannels * kBands) {}

void ParameterStatistics::clear()
{
    std::fill(entries_.begin(), entries_.end(), BandStatistic{});
    std::memset(done_, 0, sizeof done_);
}

BandStatistic& ParameterStatistics::entry(int parameter, int channel, int band)
{
    if (parameter < 0 || parameter >= kParameters || channel < 0 || channel >= kChannels || band < 0 ||
        band >= kBands)
        throw VemraError::range();
    return entries_[(std::size_t(parameter) * kChannels + std::size_t(channel)) * kBands + std::size_t(band)];
}

const BandStatistic& ParameterStatistics::at(int parameter, int channel, int band) const
{
    return const_cast<ParameterStatistics*>(this)->entry(parameter, channel, band);
}

bool ParameterStatistics::done(int parameter, int scale) const
{
    if (parameter < 0 || parameter >= kParameters || scale < 0 || scale >= kScales)
        throw VemraError::range();
    return done_[parameter][scale];
}

void ParameterStatistics::calculate(int parameter, int scale, int fileCount, int firstBand, int lastBand,
                                    int channels, const Lookup& value)
{
    if (scale < 0 || scale >= kScales)
        throw VemraError::range();
    channels = std::min(channels, kChannels);
    for (int b = firstBand; b <= lastBand; ++b)
        for (int ch = 0; ch < channels; ++ch)
            entry(parameter, ch, b) = BandStatistic{};

    // Sum, count and extremes; the extremes compare in the values' own precision.
    for (int f = 0; f < fileCount; ++f)
        for (int b = firstBand; b <= lastBand; ++b)
            for (int ch = 0; ch < channels; ++ch)
                if (const std::optional<float> x = value(f, ch, b)) {
                    BandStatistic& s = entry(parameter, ch, b);
                    s.mean += *x;
                    ++s.count;
                    if (float(s.maximum) < *x)
                        s.maximum = *x;
                    if (float(s.minimum) > *x)
                        s.minimum = *x;
                }
    for (int b = firstBand; b <= lastBand; ++b)
        for (int ch = 0; ch < channels; ++ch)
            if (BandStatistic& s = entry(parameter, ch, b); s.count > 0)
                s.mean /= s.count;
    // Squared deviations from the mean, then the sample standard deviation.
    for (int f = 0; f < fileCount; ++f)
        for (int b = firstBand; b <= lastBand; ++b)
            for (int ch = 0; ch < channels; ++ch)
                if (const std::optional<float> x = value(f, ch, b)) {
                    BandStatistic& s = entry(parameter, ch, b);
                    const float d = float(*x - s.mean);
                    s.stdDev += double(d * d);
                }
    for (int b = firstBand; b <= lastBand; ++b)
        for (int ch = 0; ch < channels; ++ch)
            if (BandStatistic& s = entry(parameter, ch, b); s.count > 1)
                s.stdDev = std::sqrt(double(float(s.stdDev)) / (s.count - 1));
    done_[parameter][scale] = true;
}

} // namespace vemra::graphs
