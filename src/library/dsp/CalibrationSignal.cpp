#include "library/dsp/CalibrationSignal.h"

#include "library/dsp/Fft.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace vemra::dsp {

namespace {

constexpr double kToneTarget_Hz = 1000.0;
constexpr double kLowestCounted_Hz = 20.0;
constexpr double kHighestCounted_Hz = 20000.0;
constexpr double kHighestShareOfRate = 0.45;
constexpr double kFloor_dB = -200.0;

double dB(double power) { return power > 0 ? std::max(kFloor_dB, 10.0 * std::log10(power)) : kFloor_dB; }

} // namespace

CalTone calToneFor(double rate_Hz)
{
    CalTone t;
    t.period = nextPow2(std::size_t(std::max(1.0, std::ceil(rate_Hz / 6.0))));
    int cycles = int(std::lround(kToneTarget_Hz * double(t.period) / rate_Hz));
    if (cycles % 2 == 0)
        ++cycles; // odd: no even harmonic falls on a bin of the fundamental's own sub-multiples
    t.cycles = std::clamp(cycles, 1, int(t.period / 2 - 1) | 1);
    t.frequency_Hz = rate_Hz * t.cycles / double(t.period);
    return t;
}

std::vector<float> calTonePeriod(const CalTone& tone, double amplitude)
{
    std::vector<float> p(tone.period);
    for (std::size_t i = 0; i < tone.period; ++i) {
        // The phase wrapped per sample keeps the period exact in single precision.
        const std::size_t k = (i * std::size_t(tone.cycles)) % tone.period;
        p[i] = float(amplitude * std::sin(2.0 * std::numbers::pi * double(k) / double(tone.period)));
    }
    return p;
}

ToneAnalysis analyseTone(std::span<const double> x, const CalTone& tone, double rate_Hz)
{
    ToneAnalysis a;
    const std::size_t n = x.size();
    if (n < 4 || n != tone.period)
        return a;
    double sum2 = 0;
    for (double v : x) {
        a.peak = std::max(a.peak, std::abs(v));
        sum2 += v * v;
    }
    a.rms_dB = dB(sum2 / double(n));
    const RealFftD fft(n);
    std::vector<std::complex<double>> X(fft.bins());
    fft.forward(x, X);
    const double binWidth = rate_Hz / double(n);
    const auto lo = std::size_t(std::max(1.0, std::ceil(kLowestCounted_Hz / binWidth)));
    const double top = std::min(kHighestCounted_Hz, kHighestShareOfRate * rate_Hz);
    const auto hi = std::min(n / 2, std::size_t(std::floor(top / binWidth)));
    const auto k = std::size_t(tone.cycles);
    const double fundamental = k < X.size() ? std::norm(X[k]) : 0.0;
    double residual = 0;
    for (std::size_t b = lo; b <= hi; ++b)
        if (b != k)
            residual += std::norm(X[b]);
    if (!(fundamental > 0))
        a.thdn_dB = 0;
    else
        a.thdn_dB = residual > 0 ? std::max(kFloor_dB, 10.0 * std::log10(residual / fundamental)) : kFloor_dB;
    return a;
}

double noisePeakAllowance_dB(std::size_t n)
{
    if (n < 3)
        return 0;
    const double ln = std::log(double(n));
    const double expectedMax = 2.0 * ln - std::log(ln) - std::log(std::numbers::pi) + 2.0 * std::numbers::egamma;
    return 10.0 * std::log10(std::max(1.0, expectedMax));
}

LoopbackAnalysis analyseLoopback(std::span<const double> h)
{
    LoopbackAnalysis a;
    const std::size_t n = h.size();
    if (n < 4)
        return a;
    std::size_t p = 0;
    for (std::size_t i = 1; i < n; ++i)
        if (std::abs(h[i]) > std::abs(h[p]))
            p = i;
    a.peakIndex = p;
    const double peak2 = h[p] * h[p];
    if (!(peak2 > 0))
        return a;
    a.polarity = h[p] < 0 ? -1 : 1;
    double noise = 0;
    const std::size_t from = n / 4, to = (3 * n) / 4;
    for (std::size_t j = from; j < to; ++j) {
        const double v = h[(p + j) % n];
        noise += v * v;
    }
    noise /= double(to - from);
    const double ratio_dB = noise > 0 ? 10.0 * std::log10(peak2 / noise) : 200.0;
    a.inr_dB = ratio_dB - noisePeakAllowance_dB(n);
    return a;
}

} // namespace vemra::dsp
