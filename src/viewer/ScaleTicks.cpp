#include "viewer/ScaleTicks.h"

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

} // namespace vemra
