#include "library/dsp/Sweep.h"

#include "library/dsp/Fft.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <stdexcept>

namespace vemra::dsp {

namespace {

// Enough for the shortest periods the measurement offers; long periods need none.
constexpr int kMaxRefinements = 24;

double peakOf(std::span<const double> x)
{
    double peak = 0;
    for (double v : x)
        peak = std::max(peak, std::abs(v));
    return peak;
}

double rmsOf(std::span<const double> x)
{
    double sum = 0;
    for (double v : x)
        sum += v * v;
    return x.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(x.size()));
}

// Half-cosine in log frequency: 1 at the band edge, 0 `octaves` beyond it.
double fade(double octavesBeyond, double octaves)
{
    const double x = octavesBeyond / octaves;
    return x >= 1 ? 0.0 : 0.5 * (1 + std::cos(std::numbers::pi * x));
}

} // namespace

double crestFactor_dB(std::span<const double> x)
{
    const double rms = rmsOf(x);
    return rms > 0 ? 20 * std::log10(peakOf(x) / rms) : 0.0;
}

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
    const double upperFade_octaves = std::min(1.0, std::log2(0.5 * rate_Hz / f2));

    const std::size_t bins = n / 2 + 1;
    std::vector<double> magnitude(bins, 0.0);
    // Time taken by each bin: the log law 1/f over every bin that sounds, fades included, so the group delay never
    // stands still (a held delay would put all of a fade's frequencies at one instant, a spike).
    const auto timeOf = [&](std::size_t k) { return magnitude[k] > 0 ? 1.0 / (static_cast<double>(k) * df) : 0.0; };
    double totalTime = 0;
    for (std::size_t k = 1; k + 1 < bins; ++k) {
        const double f = static_cast<double>(k) * df;
        double shape = 1;
        if (f < f1)
            shape = fade(std::log2(f1 / f), 1.0);
        else if (f > f2)
            shape = fade(std::log2(f / f2), upperFade_octaves);
        if (shape <= 0)
            continue;
        magnitude[k] = shape / std::sqrt(f);
        totalTime += timeOf(k);
    }

    // The sweep fills the whole period: its top runs into its bottom, both faded, at the period's wrap.
    const double pi = std::numbers::pi;
    const double period_s = static_cast<double>(n) / rate_Hz;
    std::vector<std::complex<double>> spectrum(bins);
    double phase = 0, elapsed = 0;
    for (std::size_t k = 1; k + 1 < bins; ++k) {
        // The phase step from bin k - 1 to bin k sets the delay between them: the time the bins below k take.
        phase -= 2 * pi * df * period_s * elapsed / totalTime;
        elapsed += timeOf(k);
        spectrum[k] = std::polar(magnitude[k], phase);
    }
    const RealFftD fft(n);
    std::vector<double> out(n);
    fft.inverse(spectrum, out);

    // A sweep through its lowest octaves in less than a few of their cycles is no clean sweep there: clip to a
    // sine's peak at the signal's RMS and give the bins their designed magnitudes back, keeping the new phases.
    for (int i = 0; i < kMaxRefinements && crestFactor_dB(out) > kSweepCrestTarget_dB; ++i) {
        const double limit = std::sqrt(2.0) * rmsOf(out);
        for (double& v : out)
            v = std::clamp(v, -limit, limit);
        fft.forward(out, spectrum);
        for (std::size_t k = 0; k < bins; ++k) {
            const double a = std::abs(spectrum[k]);
            spectrum[k] = a > 0 ? spectrum[k] * (magnitude[k] / a) : std::complex<double>(magnitude[k], 0.0);
        }
        fft.inverse(spectrum, out);
    }
    const double peak = peakOf(out);
    if (peak > 0)
        for (double& v : out)
            v /= peak;
    return out;
}

} // namespace vemra::dsp
