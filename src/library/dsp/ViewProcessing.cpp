#include "library/dsp/ViewProcessing.h"

#include "library/dsp/Smoothing.h"
#include "library/dsp/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <stdexcept>

namespace vemra::dsp {
namespace {

float toDb(double energy, double reference)
{
    if (!(energy > 0) || !(reference > 0))
        return kFloor_dB;
    const double db = 10.0 * std::log10(energy / reference);
    return db < double(kFloor_dB) ? kFloor_dB : float(db);
}

float peakAbs(std::span<const float> x)
{
    float peak = 0;
    for (float v : x)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

float maxOf(const std::vector<std::vector<float>>& channels)
{
    float m = kFloor_dB;
    for (const auto& c : channels)
        for (float v : c)
            m = std::max(m, v);
    return m;
}

// Shifts every level so that the highest point of all channels is 0 dB (silence stays at the floor).
void normaliseToPeak(std::vector<std::vector<float>>& channels)
{
    const float top = maxOf(channels);
    if (top <= kFloor_dB)
        return;
    for (auto& c : channels)
        for (float& v : c)
            v = v <= kFloor_dB ? kFloor_dB : std::max(kFloor_dB, v - top);
}

} // namespace

double decayWindow_s(double reverberationTime_s)
{
    // A missing reverberation time comes as the "no value" sentinel or as 0.
    double t = reverberationTime_s;
    if (!(t > 0) || t > 1e3)
        t = 1.0;
    return std::clamp(t / 100.0, 0.001, 0.05);
}

std::vector<float> pressurePercent(std::span<const float> x, double reference)
{
    std::vector<float> out(x.size());
    const double k = 100.0 / reference;
    for (std::size_t i = 0; i < x.size(); ++i)
        out[i] = float(x[i] * k);
    return out;
}

std::vector<float> reflectogramPercent(std::span<const float> x, double reference)
{
    std::vector<float> out(x.size());
    const double k = 100.0 / reference;
    for (std::size_t i = 0; i < x.size(); ++i)
        out[i] = float(std::fabs(x[i]) * k);
    return out;
}

std::vector<float> decayCurve_dB(std::span<const float> x, std::int64_t window, double referencePower)
{
    const auto n = std::int64_t(x.size());
    window = std::max<std::int64_t>(window, 1);
    const std::int64_t before = window / 2;
    const std::int64_t after = window - before - 1;
    // Running sums in double over a prefix array keep the error from accumulating over long responses.
    std::vector<double> prefix(std::size_t(n) + 1, 0.0);
    for (std::int64_t i = 0; i < n; ++i)
        prefix[std::size_t(i + 1)] = prefix[std::size_t(i)] + double(x[std::size_t(i)]) * x[std::size_t(i)];
    std::vector<float> out(static_cast<std::size_t>(n));
    for (std::int64_t i = 0; i < n; ++i) {
        const std::int64_t a = std::max<std::int64_t>(0, i - before);
        const std::int64_t b = std::min<std::int64_t>(n, i + after + 1);
        const double mean = (prefix[std::size_t(b)] - prefix[std::size_t(a)]) / double(b - a);
        out[std::size_t(i)] = toDb(mean, referencePower);
    }
    return out;
}

std::vector<float> schroeder_dB(std::span<const float> x, std::int64_t end, double noiseEnergy, double tailEnergy,
                                double referenceEnergy)
{
    const auto n = std::int64_t(x.size());
    if (end < 0 || end > n)
        end = n;
    tailEnergy = std::max(0.0, tailEnergy);
    noiseEnergy = std::max(0.0, noiseEnergy);
    // The sum of squares runs in double from the end; the noise under it is taken off as a whole, so that the
    // curve does not flatten as it approaches the noise.
    std::vector<double> integral(std::size_t(end) + 1, 0.0);
    double sum = 0;
    integral[std::size_t(end)] = tailEnergy;
    for (std::int64_t i = end - 1; i >= 0; --i) {
        sum += double(x[std::size_t(i)]) * x[std::size_t(i)];
        integral[std::size_t(i)] = std::max(sum - noiseEnergy * double(end - i), 0.0) + tailEnergy;
    }
    const double reference = referenceEnergy > 0 ? referenceEnergy : integral[0];
    std::vector<float> out(std::size_t(n), kFloor_dB);
    for (std::int64_t i = 0; i < end; ++i)
        out[std::size_t(i)] = toDb(integral[std::size_t(i)], reference);
    return out;
}

std::vector<float> bandLevels_dB(std::span<const double> power, double fs_Hz, std::span<const BandRange> bands)
{
    const PowerIntegral integral(power);
    const double binsPerHz = (2.0 * double(power.size()) + 1.0) / fs_Hz;
    std::vector<float> out;
    out.reserve(bands.size());
    for (const BandRange& b : bands)
        out.push_back(toDb(integral.mean(b.low_Hz * binsPerHz, b.high_Hz * binsPerHz), 1.0));
    return out;
}

std::vector<float> power_dB(std::span<const double> power)
{
    std::vector<float> out(power.size());
    for (std::size_t i = 0; i < power.size(); ++i)
        out[i] = toDb(power[i], 1.0);
    return out;
}

std::vector<float> logView(std::span<const float> linear)
{
    const auto n = std::int32_t(linear.size());
    if (n < 2)
        return {linear.begin(), linear.end()};
    std::vector<float> out(linear.size());
    for (std::int32_t j = 0; j < n; ++j)
        out[std::size_t(j)] = linear[std::size_t(std::clamp(logSamplePoint(j, n), 0, n - 1))];
    return out;
}

ViewData processView(std::span<const std::span<const float>> channels, double fs_Hz, const ViewSettings& s,
                     std::span<const BandRange> bands)
{
    if (!(fs_Hz > 0))
        throw std::invalid_argument("sample frequency must be positive");
    if (s.viewType < ViewPressure || s.viewType > ViewLogSpectrum)
        throw std::invalid_argument("unknown view type");
    ViewData view;
    view.viewType = s.viewType;
    const std::size_t count = channels.empty() ? 0 : channels[0].size();
    const std::size_t channelCount = std::min<std::size_t>(channels.size(), 2);

    switch (s.viewType) {
    case ViewPressure:
    case ViewReflectogram: {
        double reference = kFullScale;
        if (s.autoScale) {
            float peak = 0;
            for (std::size_t c = 0; c < channelCount; ++c)
                peak = std::max(peak, peakAbs(channels[c]));
            if (peak > 0)
                reference = peak;
        }
        for (std::size_t c = 0; c < channelCount; ++c)
            view.channels.push_back(s.viewType == ViewPressure ? pressurePercent(channels[c], reference)
                                                               : reflectogramPercent(channels[c], reference));
        view.pointCount = std::int32_t(count);
        break;
    }
    case ViewDecay:
        for (std::size_t c = 0; c < channelCount; ++c) {
            const auto window = std::int64_t(std::llround(decayWindow_s(s.bestRevTime_s[c]) * fs_Hz));
            view.channels.push_back(decayCurve_dB(channels[c], window, kFullScale * kFullScale));
        }
        if (s.autoScale)
            normaliseToPeak(view.channels);
        view.pointCount = std::int32_t(count);
        break;
    case ViewSchroeder:
        for (std::size_t c = 0; c < channelCount; ++c)
            view.channels.push_back(
                schroeder_dB(channels[c], s.integrationEnd[c], s.noiseEnergy[c], s.tailEnergy[c], s.featureValue[c]));
        view.pointCount = std::int32_t(count);
        break;
    default: {
        // Spectra and band levels: one transform per channel on the grid of the whole response. The channels are
        // independent, so the second one runs beside the first.
        const std::int32_t n = spectrumPointCount(std::int64_t(count));
        auto spectrumOf = [&](std::size_t c) {
            std::vector<double> power = powerSpectrum(channels[c], n);
            if (s.viewType == ViewOctave || s.viewType == ViewThirdOctave)
                return bandLevels_dB(power, fs_Hz, bands);
            if (s.smooth)
                power = fractionalOctaveSmooth(power, 3.0);
            std::vector<float> linear = power_dB(power);
            return s.viewType == ViewLogSpectrum ? logView(linear) : linear;
        };
        std::future<std::vector<float>> second;
        if (channelCount > 1)
            second = std::async(std::launch::async, spectrumOf, std::size_t(1));
        if (channelCount > 0)
            view.channels.push_back(spectrumOf(0));
        if (channelCount > 1)
            view.channels.push_back(second.get());
        normaliseToPeak(view.channels);
        view.pointCount = (s.viewType == ViewOctave || s.viewType == ViewThirdOctave) ? std::int32_t(bands.size()) : n;
        break;
    }
    }
    return view;
}

} // namespace vemra::dsp
