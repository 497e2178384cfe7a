#include "library/draw/AxisTicks.h"

#include "library/dsp/Bands.h"
#include "library/dsp/ViewProcessing.h"

#include <cmath>

namespace vemra {

std::vector<YTick> yScaleTicks(int viewType, double dBRange, bool thin)
{
    const int m = thin ? 2 : 1;
    int from = 0, to = 0, step = 2 * m;
    if (viewType == dsp::ViewPressure) {
        from = -100;
        to = 100;
    } else if (viewType == dsp::ViewReflectogram) {
        to = 100;
    } else {
        to = -int(std::nearbyint(dBRange));
        step = -step;
    }
    auto isEnd = [&](int y) {
        if (viewType == dsp::ViewPressure)
            return y == 100 || y == -100;
        if (viewType == dsp::ViewReflectogram)
            return y == 0 || y == 100;
        return y == 0 || double(y) == -dBRange;
    };
    std::vector<YTick> ticks;
    for (int y = from; step > 0 ? y <= to : y >= to; y += step) {
        YTick t;
        t.value = y;
        t.major = y % (10 * m) == 0;
        if (t.major && !isEnd(y))
            t.label = QString::number(y);
        ticks.push_back(t);
    }
    return ticks;
}

XStep xScaleStep(float span)
{
    const float level = std::log10(span / 10.0f);
    int e = int(std::floor(level));
    const float f = level - float(e);
    float mantissa = 1;
    if (f < 0.15f) {
        mantissa = 1;
    } else if (f < 0.5f) {
        mantissa = 2;
    } else if (f < 0.85f) {
        mantissa = 5;
    } else {
        mantissa = 1;
        e += 1;
    }
    return {mantissa * std::pow(10.0f, float(e)), e >= 0 ? 0 : -e};
}

std::vector<XTick> linearXTicks(float start, float span)
{
    std::vector<XTick> ticks;
    if (!(span > 0) || !std::isfinite(span) || !std::isfinite(start))
        return ticks;
    const auto [step, decimals] = xScaleStep(span);
    const float n = span / step;
    const float firstTick = step * std::floor(start / step);
    const float end = start + span;
    // In tenths of a step, every second one: a minor tick every fifth of the step.
    const std::int64_t last = std::int64_t(std::nearbyint(double(n + 1.0f) * 10.0));
    for (std::int64_t i = 0; i <= last; i += 2) {
        const float x = firstTick + float(i) * step / 10.0f;
        if (x > end)
            continue;
        const bool major = i % 10 == 0;
        ticks.push_back({double(x), major, major ? QString::number(double(x), 'f', decimals) : QString()});
    }
    return ticks;
}

std::vector<XTick> logXTicks(double fs_Hz, std::int32_t N, std::int32_t first, std::int32_t count, double fLow_Hz,
                             double fHigh_Hz)
{
    std::vector<XTick> ticks;
    if (N < 2 || count < 1 || !(fs_Hz > 0))
        return ticks;
    // The label frequencies of the third-octave bands 11 (12.5 Hz) .. 42 (16 kHz), as the user reads them.
    constexpr int kLowest = dsp::kThirdOctaveTableStart;
    constexpr int kHighest = dsp::kLastThirdOctaveBand - 1;
    const auto label = [](int band) { return QString::fromLatin1(dsp::bandLabel(band)); };
    int iLow = kLowest;
    while (iLow < kHighest && label(iLow).toFloat() < float(fLow_Hz))
        ++iLow;
    int iHigh = kLowest;
    while (iHigh < kHighest && label(iHigh).toFloat() < float(fHigh_Hz))
        ++iHigh;
    const bool everyBand = iHigh - iLow < 21;
    // Point j of the logarithmic view shows linear point 2^(j / k) - 1 with k = N / log2 N.
    const double c = double(N) / std::log2(double(N));
    for (int b = everyBand ? kLowest : kLowest + 1; b <= kHighest; b += everyBand ? 1 : 3) {
        const double f = label(b).toFloat();
        const double k = std::nearbyint(2.0 * f * (N + 1) / fs_Hz);
        const double j = std::nearbyint(c * std::log2(k + 1));
        ticks.push_back({(j - first) * 1000.0 / count, true, label(b)});
    }
    return ticks;
}

std::vector<XTick> bandXTicks(bool octaves, std::int32_t N)
{
    std::vector<XTick> ticks;
    if (N < 1)
        return ticks;
    // Octaves from 31.5 Hz; third octaves from 25 Hz, each tick naming the middle of its three.
    const int firstBand = dsp::firstBandOfView(octaves ? dsp::ViewOctave : dsp::ViewThirdOctave);
    const int s = octaves ? 1 : 3;
    const int offset = octaves ? 0 : 1;
    for (int i = 0; i <= N; i += s) {
        const char* label = dsp::bandLabel(firstBand + i + offset);
        ticks.push_back({(i + s / 2.0) * 1000.0 / N, true, label ? QString::fromLatin1(label) : QString()});
    }
    return ticks;
}

} // namespace vemra
