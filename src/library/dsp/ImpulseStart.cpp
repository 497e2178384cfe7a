#include "library/dsp/ImpulseStart.h"

#include <cmath>

namespace vemra::dsp {

namespace {

template <class Sample>
std::int64_t startOf(std::span<const Sample> x)
{
    std::int64_t peak = -1;
    double peakEnergy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double e = double(x[i]) * x[i];
        if (e > peakEnergy) {
            peakEnergy = e;
            peak = static_cast<std::int64_t>(i);
        }
    }
    if (peak < 0 || !std::isfinite(peakEnergy))
        return peak < 0 ? -1 : peak;
    const double threshold = peakEnergy / 100.0; // 20 dB below the peak
    for (std::int64_t i = 0; i < peak; ++i)
        if (double(x[i]) * x[i] >= threshold)
            return i;
    return peak;
}

} // namespace

std::int64_t impulseStartIso(std::span<const float> x) { return startOf(x); }
std::int64_t impulseStartIso(std::span<const std::int16_t> x) { return startOf(x); }

} // namespace vemra::dsp
