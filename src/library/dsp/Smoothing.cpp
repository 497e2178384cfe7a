#include "library/dsp/Smoothing.h"

#include "library/dsp/Spectrum.h"

#include <cmath>
#include <stdexcept>

namespace vemra::dsp {

std::vector<double> fractionalOctaveSmooth(std::span<const double> powerOfBins1toN, double fraction)
{
    if (!(fraction > 0))
        throw std::invalid_argument("smoothing fraction must be positive");
    const PowerIntegral integral(powerOfBins1toN);
    const double edge = std::pow(10.0, 0.15 / fraction);
    std::vector<double> out(powerOfBins1toN.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double k = double(i + 1);
        out[i] = integral.mean(k / edge, k * edge);
    }
    return out;
}

} // namespace vemra::dsp
