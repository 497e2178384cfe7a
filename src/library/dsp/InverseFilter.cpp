#include "library/dsp/InverseFilter.h"

#include "library/dsp/Fft.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace vemra::dsp {
namespace {

// 0 at the band edge, 1 a full transition beyond it, as a raised cosine.
double raisedCosine(double octavesBeyond, double transition)
{
    if (octavesBeyond <= 0)
        return 0;
    if (!(transition > 0) || octavesBeyond >= transition)
        return 1;
    return 0.5 * (1 - std::cos(std::numbers::pi * octavesBeyond / transition));
}

} // namespace

double inverseRegularisation(double f_Hz, double fs_Hz, const InverseFilterSettings& s)
{
    const double high = std::min(s.highEdge_Hz, kInverseFilterTop * fs_Hz);
    double beyond = 0;
    if (!(f_Hz > 0))
        return s.outOfBand;
    if (f_Hz < s.lowEdge_Hz)
        beyond = std::log2(s.lowEdge_Hz / f_Hz);
    else if (f_Hz > high)
        beyond = std::log2(f_Hz / high);
    return s.inBand + (s.outOfBand - s.inBand) * raisedCosine(beyond, s.transition_octaves);
}

std::vector<double> inverseFilter(std::span<const double> h, double fs_Hz, const InverseFilterSettings& settings)
{
    const std::size_t n = h.size();
    if (n < 2 || !(fs_Hz > 0) || !std::all_of(h.begin(), h.end(), [](double v) { return std::isfinite(v); }))
        return {};
    const auto peak = std::max_element(h.begin(), h.end(), [](double a, double b) { return std::abs(a) < std::abs(b); });
    if (*peak == 0)
        return {};
    const std::size_t delay = std::size_t(peak - h.begin());

    std::vector<double> advanced(n);
    for (std::size_t i = 0; i < n; ++i)
        advanced[i] = h[(i + delay) % n];
    const RealFftD fft(n);
    std::vector<std::complex<double>> spectrum(fft.bins());
    fft.forward(advanced, spectrum);

    const double high = std::min(settings.highEdge_Hz, kInverseFilterTop * fs_Hz);
    double power = 0;
    std::size_t inBand = 0;
    for (std::size_t k = 0; k < spectrum.size(); ++k) {
        const double f = double(k) * fs_Hz / double(n);
        if (f >= settings.lowEdge_Hz && f <= high) {
            power += std::norm(spectrum[k]);
            ++inBand;
        }
    }
    if (inBand == 0) { // a band narrower than one bin: refer to the whole spectrum
        for (const auto& c : spectrum)
            power += std::norm(c);
        inBand = spectrum.size();
    }
    power /= double(inBand);
    if (!(power > 0))
        return {};

    for (std::size_t k = 0; k < spectrum.size(); ++k) {
        const double f = double(k) * fs_Hz / double(n);
        const double beta = inverseRegularisation(f, fs_Hz, settings);
        spectrum[k] = std::conj(spectrum[k]) / (std::norm(spectrum[k]) + beta * power);
    }
    std::vector<double> g(n);
    fft.inverse(spectrum, g);
    for (double& v : g)
        v /= double(n);
    return g;
}

} // namespace vemra::dsp
