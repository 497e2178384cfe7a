#include "library/sound/SourceFilter.h"

#include "library/dsp/Fft.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <vector>

namespace vemra::sound {

namespace {

double interpolateOctaves(const std::array<double, 7>& levels, double f_Hz)
{
    const double x = std::log2(std::max(f_Hz, 1.0) / 125.0); // 0 at 125 Hz, 6 at 8 kHz
    if (x <= 0)
        return levels[0];
    if (x >= 6)
        return levels[6];
    const int i = static_cast<int>(x);
    const double t = x - i;
    return levels[static_cast<std::size_t>(i)] * (1 - t) + levels[static_cast<std::size_t>(i + 1)] * t;
}

} // namespace

double sourceFilterGain_dB(int code, double f_Hz)
{
    static constexpr std::array<double, 7> male{2.9, 2.9, -0.8, -6.8, -12.8, -18.8, -24.8};
    static constexpr std::array<double, 7> female{-6.7, 5.3, -1.9, -9.1, -15.8, -16.7, -18.0};
    // RASTI on half-octave steps from 125 Hz: only the 500 Hz and 2 kHz octaves carry the signal.
    switch (code) {
    case SourceFilterPinkBlue: {
        const double oct = std::log2(std::max(f_Hz, 1.0) / 1000.0);
        return 3.0 * std::abs(oct);
    }
    case SourceFilterFemale:
        return interpolateOctaves(female, f_Hz);
    case SourceFilterMale:
        return interpolateOctaves(male, f_Hz);
    case SourceFilterRasti: {
        const double x = std::log2(std::max(f_Hz, 1.0));
        auto band = [x](double centre_Hz, double level) {
            const double d = std::abs(x - std::log2(centre_Hz));
            if (d <= 0.5)
                return level;
            if (d >= 1.0)
                return -40.0;
            return level + (-40.0 - level) * (d - 0.5) / 0.5;
        };
        return std::max(band(500, 0.0), band(2000, -9.0));
    }
    default:
        return 0.0;
    }
}

void applySourceFilter(int code, double rate_Hz, std::span<double> period)
{
    if (code <= SourceFilterNone || code >= SourceFilterCodeCount || period.size() < 2)
        return;
    const std::size_t n = period.size();
    double rmsBefore = 0;
    for (double v : period)
        rmsBefore += v * v;
    dsp::RealFftD fft(n);
    std::vector<std::complex<double>> spectrum(fft.bins());
    fft.forward(period, spectrum);
    for (std::size_t k = 0; k < spectrum.size(); ++k) {
        const double f = static_cast<double>(k) * rate_Hz / static_cast<double>(n);
        spectrum[k] *= std::pow(10.0, sourceFilterGain_dB(code, f) / 20.0) / static_cast<double>(n);
    }
    fft.inverse(spectrum, period);
    double rmsAfter = 0;
    for (double v : period)
        rmsAfter += v * v;
    if (rmsAfter > 0) {
        const double g = std::sqrt(rmsBefore / rmsAfter);
        for (double& v : period)
            v *= g;
    }
}

} // namespace vemra::sound
