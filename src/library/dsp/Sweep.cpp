#include "library/dsp/Sweep.h"

#include "library/dsp/Fft.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <stdexcept>

namespace vemra::dsp {

std::vector<double> periodicSweep(int order, double rate_Hz, SweepRange range)
{
    if (order < SweepMinOrder || order > SweepMaxOrder || !(rate_Hz > 0))
        throw std::invalid_argument("sweep order or rate out of range");
    const std::size_t n = std::size_t{1} << order;
    const double df = rate_Hz / static_cast<double>(n);
    double f1 = range.fStart_Hz > 0 ? range.fStart_Hz : std::max(20.0, 4 * df);
    double f2 = range.fEnd_Hz > 0 ? range.fEnd_Hz : std::min(20000.0, 0.45 * rate_Hz);
    f1 = std::max(f1, 2 * df);
    f2 = std::min(f2, 0.49 * rate_Hz);
    if (!(f2 > f1))
        throw std::invalid_argument("sweep range empty");

    const std::size_t bins = n / 2 + 1;
    std::vector<std::complex<double>> spectrum(bins);
    const double period_s = static_cast<double>(n) / rate_Hz;
    // The sweep runs over most of the period; what is left is where the lowest and highest fades wrap.
    const double sweepTime_s = 0.95 * period_s;
    const double logSpan = std::log(f2 / f1);
    const double pi = std::numbers::pi;
    double phase = 0;
    for (std::size_t k = 1; k + 1 < bins; ++k) {
        const double f = static_cast<double>(k) * df;
        double mag = 1.0 / std::sqrt(f);
        if (f < f1) {
            const double x = std::log2(f / f1); // -1 .. 0 over the fade
            mag *= x <= -1 ? 0.0 : 0.5 * (1 + std::cos(pi * x));
        } else if (f > f2) {
            const double x = std::log2(f / f2);
            mag *= x >= 1 ? 0.0 : 0.5 * (1 + std::cos(pi * x));
        }
        const double fc = std::clamp(f, f1, f2);
        const double delay_s = sweepTime_s * std::log(fc / f1) / logSpan;
        phase -= 2 * pi * delay_s * df;
        spectrum[k] = std::polar(mag, phase);
    }
    std::vector<double> out(n);
    RealFftD(n).inverse(spectrum, out);
    double peak = 0;
    for (double v : out)
        peak = std::max(peak, std::abs(v));
    if (peak > 0)
        for (double& v : out)
            v /= peak;
    return out;
}

} // namespace vemra::dsp
