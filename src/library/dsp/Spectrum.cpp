#include "library/dsp/Spectrum.h"

#include "library/dsp/Fft.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <stdexcept>

namespace vemra::dsp {
namespace {

// Smallest odd number >= n whose only prime factors are 3, 5 and 7. FFTW has fast codelets for these, while an
// arbitrary odd length may be prime and several times slower.
std::int64_t oddSmoothLength(std::int64_t n)
{
    std::int64_t best = 0;
    for (std::int64_t p3 = 1;; p3 *= 3) {
        for (std::int64_t p5 = p3;; p5 *= 5) {
            for (std::int64_t p7 = p5;; p7 *= 7) {
                if (p7 >= n) {
                    if (best == 0 || p7 < best)
                        best = p7;
                    break;
                }
            }
            if (p5 >= n)
                break;
        }
        if (p3 >= n)
            break;
    }
    return best;
}

} // namespace

std::int32_t spectrumPointCount(std::int64_t sampleCount)
{
    const std::int64_t m = oddSmoothLength(std::max<std::int64_t>(sampleCount, 3));
    return std::int32_t((m - 1) / 2);
}

double spectrumPointSpacing_Hz(double fs_Hz, std::int32_t pointCount)
{
    return fs_Hz / (2.0 * double(pointCount) + 1.0);
}

std::vector<double> powerSpectrum(std::span<const float> x, std::int32_t pointCount)
{
    if (pointCount < 1)
        throw std::invalid_argument("spectrum needs at least one point");
    const std::size_t m = 2 * std::size_t(pointCount) + 1;
    std::vector<float> padded(m, 0.0f);
    std::copy_n(x.begin(), std::min(x.size(), m), padded.begin());
    RealFft fft(m);
    std::vector<std::complex<float>> bins(fft.bins());
    fft.forward(padded, bins);
    std::vector<double> power(static_cast<std::size_t>(pointCount));
    for (std::size_t k = 1; k <= std::size_t(pointCount); ++k)
        power[k - 1] = std::norm(std::complex<double>(bins[k]));
    return power;
}

std::int32_t logSamplePoint(std::int32_t point, std::int32_t pointCount)
{
    if (pointCount < 2)
        throw std::domain_error("logarithmic view needs at least two points");
    const float k = float(pointCount) * std::log(2.0f) / std::log(float(pointCount));
    const float v = std::pow(2.0f, float(point) / k) - 1.0f;
    return std::int32_t(std::nearbyint(v));
}

PowerIntegral::PowerIntegral(std::span<const double> powerOfBins1toN)
    : power_(powerOfBins1toN.begin(), powerOfBins1toN.end()), prefix_(power_.size() + 1, 0.0)
{
    for (std::size_t j = 0; j < power_.size(); ++j)
        prefix_[j + 1] = prefix_[j] + power_[j];
}

double PowerIntegral::cumulative(double x) const
{
    // Integral of the spectrum from bin coordinate 0.5 up to x (x within 0.5 .. N + 0.5).
    const auto n = std::int64_t(power_.size());
    std::int64_t k = std::int64_t(std::floor(x + 0.5)); // the bin holding x
    k = std::clamp<std::int64_t>(k, 1, n);
    const double into = x - (double(k) - 0.5);
    return prefix_[std::size_t(k - 1)] + into * power_[std::size_t(k - 1)];
}

double PowerIntegral::mean(double a, double b) const
{
    if (power_.empty())
        return 0.0;
    const double lo = 0.5;
    const double hi = double(power_.size()) + 0.5;
    a = std::clamp(a, lo, hi);
    b = std::clamp(b, lo, hi);
    if (b < a)
        std::swap(a, b);
    if (b - a < 1e-9) {
        const auto k = std::clamp<std::int64_t>(std::int64_t(std::floor(a + 0.5)), 1, std::int64_t(power_.size()));
        return power_[std::size_t(k - 1)];
    }
    return (cumulative(b) - cumulative(a)) / (b - a);
}

} // namespace vemra::dsp
