#include "library/dsp/Editing.h"

#include "library/Codes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vemra::dsp {

bool validRange(std::int64_t frames, std::int64_t start, std::int64_t length)
{
    return frames >= 0 && start >= 0 && length >= 0 && start <= frames && length <= frames - start;
}

void rotateFrames(PlanarSamples& channels, std::int64_t first)
{
    for (auto& c : channels)
        if (first > 0 && first < static_cast<std::int64_t>(c.size()))
            std::rotate(c.begin(), c.begin() + first, c.end());
}

void deleteFrames(PlanarSamples& channels, std::int64_t start, std::int64_t length)
{
    for (auto& c : channels)
        c.erase(c.begin() + start, c.begin() + start + length);
}

void insertFrames(PlanarSamples& channels, std::int64_t position, const PlanarSamples& insert)
{
    for (std::size_t ch = 0; ch < channels.size() && ch < insert.size(); ++ch)
        channels[ch].insert(channels[ch].begin() + position, insert[ch].begin(), insert[ch].end());
}

void silenceFrames(PlanarSamples& channels, std::int64_t start, std::int64_t length)
{
    for (auto& c : channels)
        std::fill(c.begin() + start, c.begin() + start + length, std::int16_t{0});
}

bool validWindowShape(int shape) { return shape >= kFirstWindowShape && shape <= kLastWindowShape; }

double windowFamilyValue(int family, double x)
{
    const double a = 2 * std::numbers::pi * x;
    switch (family) {
    case 0:
        return 0.5 - 0.5 * std::cos(a);
    case 1:
        return 0.54 - 0.46 * std::cos(a);
    case 2:
        return 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2 * a);
    default: // four-term Blackman-Harris
        return 0.35875 - 0.48829 * std::cos(a) + 0.14128 * std::cos(2 * a) - 0.01168 * std::cos(3 * a);
    }
}

double windowGain(int shape, std::int64_t i, std::int64_t length)
{
    const int family = (shape - 1) / 3;
    const int part = (shape - 1) % 3; // 0 whole, 1 rising half, 2 falling half
    // A one-point window is its peak.
    const double u = length > 1 ? double(i) / double(length - 1) : (part == 2 ? 0.0 : 1.0);
    double x;
    switch (part) {
    case 0:
        x = length > 1 ? u : 0.5;
        break;
    case 1:
        x = 0.5 * u;
        break;
    default:
        x = 0.5 + 0.5 * u;
        break;
    }
    // The families reach 1 only up to rounding at their peak; the peak is exactly unity gain.
    return x == 0.5 ? 1.0 : windowFamilyValue(family, x);
}

void applyWindow(PlanarSamples& channels, std::int64_t start, std::int64_t length, int shape)
{
    for (std::int64_t i = 0; i < length; ++i) {
        const double g = windowGain(shape, i, length);
        for (auto& c : channels) {
            std::int16_t& s = c[static_cast<std::size_t>(start + i)];
            s = static_cast<std::int16_t>(std::clamp(std::nearbyint(s * g), double(kMinSample), double(kMaxSample)));
        }
    }
}

} // namespace vemra::dsp
