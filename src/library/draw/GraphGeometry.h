#pragma once
// The one mapping between view points and values and the pixels of a graph. The curve drawing, the selection
// marking and the pointer read-outs all use it, so a read-out is the exact inverse of what was drawn.
//
// x: `pointCount` points starting at `firstPoint` share the graph's `width` pixels; point p covers the pixels
//    from cellLeft(p) to cellLeft(p + 1), and its curve vertex sits in the middle of that cell. The pointer at x
//    reads pointAt(x) = x / width * count + first - 0.5, rounded to nearest (ties to even).
// y: by view type, with y counted from the top of the graph and `height` its drawing height:
//    Pressure (percent, -100..100):  y = (height - 1) / 2 - v * (height - 1) / 200
//    Reflectogram (percent, 0..100): y = height - v * height / 100
//    the dB views 2..7:               y = -v * height / dBRange  (0 dB at the top, -dBRange at the bottom)
// Everything is 32-bit or double, so graphs of any width are safe. No Qt; header only.
#include "library/dsp/ViewProcessing.h"
#include "library/records.h"

#include <cmath>
#include <cstdint>

namespace vemra {

struct GraphGeometry {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t firstPoint = 0;
    std::int32_t pointCount = 0;
    int viewType = 0;
    double dBRange = 60;

    // The geometry of a draw request's graph.
    static GraphGeometry of(const DrawRequest& request, int viewType = 0, double dBRange = 60)
    {
        GraphGeometry g;
        g.height = request.height;
        g.width = request.width;
        g.firstPoint = request.firstPoint;
        g.pointCount = request.pointCount;
        g.viewType = viewType;
        g.dBRange = dBRange;
        return g;
    }

    bool usable() const { return height > 0 && width > 0 && pointCount > 0; }

    // --- x ---
    // The point position under pixel x, not rounded (a time read-out divides it by the sample rate).
    double positionAt(double x) const { return x / double(width) * double(pointCount) + double(firstPoint); }
    // The point under pixel x.
    std::int32_t pointAt(double x) const { return std::int32_t(std::nearbyint(positionAt(x) - 0.5)); }
    // The cell (0 = the first visible point) under pixel x: the band read-outs.
    std::int32_t cellAt(double x) const { return std::int32_t(std::floor(x / double(width) * double(pointCount))); }
    // Left edge of point p's cell, and the middle of it.
    double cellLeft(double p) const { return (p - double(firstPoint)) * double(width) / double(pointCount); }
    double xOfPoint(double p) const { return cellLeft(p + 0.5); }

    // --- y ---
    double yOfValue(double v) const
    {
        switch (viewType) {
        case dsp::ViewPressure:
            return (double(height) - 1.0) / 2.0 - v * (double(height) - 1.0) / 200.0;
        case dsp::ViewReflectogram:
            return double(height) - v * double(height) / 100.0;
        default:
            return -v * double(height) / dBRange;
        }
    }
    double valueAt(double y) const
    {
        switch (viewType) {
        case dsp::ViewPressure:
            return ((double(height) - 1.0) / 2.0 - y) * 200.0 / (double(height) - 1.0);
        case dsp::ViewReflectogram:
            return (double(height) - y) * 100.0 / double(height);
        default:
            return -dBRange * y / double(height);
        }
    }
};

} // namespace vemra
