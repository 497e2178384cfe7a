#include "library/dsp/ImpulseStart.h"

#include <cmath>

namespace vemra::dsp {

std::int64_t impulseStartIso(std::span<const float> x)
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

} // namespace vemra::dsp
