#include "library/draw/WaterfallAxes.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace vemra {
namespace {

struct Stop {
    double at;
    int r, g, b;
};

// Low levels fade into the background; the loud end runs from blue through green and yellow to red, the order
// of a heat scale, so loud and quiet read at a glance in a spectrogram.
const Stop kOnBlack[] = {{0.00, 0, 0, 0},       {0.12, 24, 0, 96},    {0.30, 0, 64, 232},  {0.45, 0, 176, 232},
                         {0.60, 48, 208, 64},   {0.75, 248, 232, 0},  {0.88, 255, 128, 0}, {1.00, 232, 0, 0}};
const Stop kOnWhite[] = {{0.00, 255, 255, 255}, {0.12, 200, 216, 255}, {0.30, 64, 112, 240}, {0.45, 0, 168, 216},
                         {0.60, 40, 184, 64},   {0.75, 240, 208, 0},   {0.88, 248, 112, 0},  {1.00, 200, 0, 0}};
const Stop kGrey[] = {{0.00, 255, 255, 255}, {1.00, 0, 0, 0}};

template <std::size_t N>
QRgb interpolate(const Stop (&stops)[N], double f)
{
    f = std::clamp(f, 0.0, 1.0);
    std::size_t i = 1;
    while (i + 1 < N && stops[i].at < f)
        ++i;
    const Stop& a = stops[i - 1];
    const Stop& b = stops[i];
    const double u = b.at > a.at ? (f - a.at) / (b.at - a.at) : 0.0;
    auto mix = [u](int x, int y) { return int(std::lround(double(x) + (double(y) - double(x)) * u)); };
    return qRgb(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b));
}

// The 1-2-5 step at or above `rough`.
double niceStep(double rough)
{
    if (!(rough > 0))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= rough * (1 - 1e-9))
            return m * power;
    return 10 * power;
}

int decimalsOf(double step)
{
    return step >= 1 ? 0 : int(std::ceil(-std::log10(step) - 1e-9));
}

QString numberText(double value, int decimals)
{
    if (std::abs(value) < 1e-9)
        value = 0;
    return QLocale::c().toString(value, 'f', decimals);
}

QString frequencyText(double f)
{
    if (f >= 1000) {
        const double k = f / 1000;
        return numberText(k, std::abs(k - std::round(k)) < 1e-9 ? 0 : 1) + QLatin1Char('k');
    }
    return numberText(f, std::abs(f - std::round(f)) < 1e-9 ? 0 : 1);
}

} // namespace

std::vector<AxisTick> frequencyTicks(const dsp::FrequencyAxis& axis, double minLabelSpacing)
{
    std::vector<AxisTick> ticks;
    if (!(axis.fHigh_Hz > axis.fLow_Hz))
        return ticks;
    if (axis.linear) {
        const double perHz = axis.length / (axis.fHigh_Hz - axis.fLow_Hz);
        const double step = niceStep(minLabelSpacing / perHz);
        const double minor = step / (step / std::pow(10.0, std::floor(std::log10(step))) == 2 ? 4 : 5);
        for (double f = std::ceil(axis.fLow_Hz / minor) * minor; f <= axis.fHigh_Hz * (1 + 1e-12); f += minor) {
            const bool major = std::abs(f / step - std::round(f / step)) < 1e-6;
            ticks.push_back({f, major, major ? frequencyText(f) : QString()});
        }
        return ticks;
    }
    // Where a decade is too short for three labels, only its 1s keep theirs.
    const double decade = axis.positionOf(axis.fLow_Hz * 10) - axis.positionOf(axis.fLow_Hz);
    const bool crowded = decade < 3 * minLabelSpacing;
    for (double power = std::pow(10.0, std::floor(std::log10(axis.fLow_Hz))); power <= axis.fHigh_Hz; power *= 10) {
        for (int m = 1; m <= 9; ++m) {
            const double f = m * power;
            if (f < axis.fLow_Hz * (1 - 1e-12) || f > axis.fHigh_Hz * (1 + 1e-12))
                continue;
            const bool major = m == 1 || (!crowded && (m == 2 || m == 5));
            ticks.push_back({f, major, major ? frequencyText(f) : QString()});
        }
    }
    return ticks;
}

std::vector<AxisTick> linearTicks(double low, double high, int maxLabels, double labelFactor)
{
    std::vector<AxisTick> ticks;
    if (!(high > low) || maxLabels < 1)
        return ticks;
    const double step = niceStep((high - low) / double(maxLabels));
    const double minor = step / 2;
    const int decimals = decimalsOf(step * labelFactor);
    const double first = std::ceil(low / minor - 1e-9) * minor;
    for (int i = 0;; ++i) {
        const double v = first + i * minor;
        if (v > high + minor * 1e-9)
            break;
        const bool major = std::abs(v / step - std::round(v / step)) < 1e-6;
        ticks.push_back({v, major, major ? numberText(v * labelFactor, decimals) : QString()});
    }
    return ticks;
}

TimeUnit timeUnitFor(double maxTime_s)
{
    if (maxTime_s >= 1.0)
        return {1.0, QStringLiteral("s")};
    return {};
}

QColor waterfallBackground(int colors) { return colors == 0 ? QColor(0, 0, 0) : QColor(255, 255, 255); }

QColor waterfallForeground(int colors) { return colors == 0 ? QColor(255, 255, 255) : QColor(0, 0, 0); }

QColor waterfallGrid(int colors) { return colors == 0 ? QColor(80, 80, 80) : QColor(200, 200, 200); }

QRgb waterfallLevelColour(int colors, double fraction)
{
    switch (colors) {
    case 0:
        return interpolate(kOnBlack, fraction);
    case 1:
        return interpolate(kOnWhite, fraction);
    default:
        return interpolate(kGrey, fraction);
    }
}

QVector<QRgb> waterfallColourTable(int colors)
{
    QVector<QRgb> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = waterfallLevelColour(colors, i / 255.0);
    return table;
}

} // namespace vemra
