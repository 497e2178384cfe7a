#include "library/dsp/WaterfallDisplay.h"

#include "library/dsp/Bands.h"
#include "library/dsp/Waterfall.h"

#include <algorithm>
#include <cmath>

namespace vemra::dsp {

double FrequencyAxis::positionOf(double f_Hz) const
{
    if (linear)
        return (f_Hz - fLow_Hz) / (fHigh_Hz - fLow_Hz) * length;
    return std::log(f_Hz / fLow_Hz) / std::log(fHigh_Hz / fLow_Hz) * length;
}

double FrequencyAxis::frequencyAt(double position) const
{
    const double u = position / length;
    if (linear)
        return fLow_Hz + u * (fHigh_Hz - fLow_Hz);
    return fLow_Hz * std::pow(fHigh_Hz / fLow_Hz, u);
}

bool waterfallFrequencyRange(int minBand, int maxBand, double fs_Hz, double& fLow_Hz, double& fHigh_Hz)
{
    if (minBand < kFirstWaterfallBand || maxBand > kLastOctaveBand || minBand > maxBand || !(fs_Hz > 0))
        return false;
    fLow_Hz = bandLower_Hz(minBand);
    fHigh_Hz = std::min(bandUpper_Hz(maxBand), fs_Hz / 2);
    return fHigh_Hz > fLow_Hz;
}

SpectrumResampler::SpectrumResampler(const FrequencyAxis& axis, int cells, std::size_t bins, double binWidth_Hz)
{
    cells_.resize(std::size_t(std::max(cells, 0)));
    if (bins == 0)
        return;
    const double lastBin = double(bins - 1);
    for (std::size_t c = 0; c < cells_.size(); ++c) {
        Cell& cell = cells_[c];
        const double kLow = axis.frequencyAt(double(c)) / binWidth_Hz;
        const double kHigh = axis.frequencyAt(double(c + 1)) / binWidth_Hz;
        const double first = std::ceil(kLow);
        const double last = std::ceil(kHigh) - 1; // a bin on the upper edge belongs to the next cell
        if (first <= last && first <= lastBin) {
            cell.first = std::uint32_t(std::max(0.0, first));
            cell.last = std::uint32_t(std::min(last, lastBin));
        } else {
            const double k = std::clamp(axis.frequencyAt(double(c) + 0.5) / binWidth_Hz, 0.0, lastBin);
            cell.interpolate = true;
            cell.first = std::uint32_t(std::min(std::floor(k), std::max(0.0, lastBin - 1)));
            cell.fraction = float(k - double(cell.first));
        }
    }
}

void SpectrumResampler::resample(std::span<const float> levels, std::span<float> out) const
{
    for (std::size_t c = 0; c < cells_.size(); ++c) {
        const Cell& cell = cells_[c];
        if (cell.interpolate) {
            const float a = levels[cell.first];
            const float b = cell.first + 1 < levels.size() ? levels[cell.first + 1] : a;
            out[c] = a + (b - a) * cell.fraction;
        } else {
            out[c] = *std::max_element(levels.begin() + cell.first, levels.begin() + cell.last + 1);
        }
    }
}

} // namespace vemra::dsp
