#pragma once
// The tick layouts of the graphs' scales, apart from the drawing: the document window's scales and the printed and
// copied figures place the same ticks with the same labels.
#include <QString>

#include <cstdint>
#include <vector>

namespace vemra {

// One tick of a y scale: its value, whether it is a major tick, and the label printed beside it ("" for none).
struct YTick {
    int value = 0;
    bool major = false;
    QString label;
};

// The y scale of a view type: Pressure -100..100, Reflectogram 0..100 (percent), the dB views 0 down to
// -dBRange. Normally a minor tick every 2 units and a labelled major tick every 10; thinned, every 4 and 20. The
// ends of the range carry no label.
std::vector<YTick> yScaleTicks(int viewType, double dBRange, bool thin);

// The major step of a linear x scale spanning `span` units: 1, 2 or 5 times a power of ten giving about ten
// steps, worked out in single precision; `decimals` is the number of decimals of its labels.
struct XStep {
    float step = 1;
    int decimals = 0;
};
XStep xScaleStep(float span);

// One tick of an x scale: its place in the scale's own units, whether it is a major tick, and its label ("" for
// a minor tick). A drawing prints a label only where it fits.
struct XTick {
    double at = 0;
    bool major = false;
    QString label;
};

// A linear scale from `start` over `span` units (seconds of the time views, hertz of the linear spectrum): a
// labelled major tick every xScaleStep(span).step from the multiple of the step at or below start, four minor
// ticks between, none beyond start + span. Empty for a span that is not a positive number.
std::vector<XTick> linearXTicks(float start, float span);

// The logarithmic spectrum's scale, 0..1000 over the visible points first .. first + count - 1 of its N points at
// the sample rate fs: a labelled tick at each third-octave label frequency from 12.5 Hz to 16 kHz at the point that
// shows it, every one when fewer than 21 bands lie between fLow and fHigh (the frequencies of the visible ends),
// else every third from 16 Hz. Empty when N < 2 or count < 1.
std::vector<XTick> logXTicks(double fs_Hz, std::int32_t N, std::int32_t first, std::int32_t count, double fLow_Hz,
                             double fHigh_Hz);

// The band views' scale, 0..1000 over N bands from 31.5 Hz (octaves) or 25 Hz (third octaves): a labelled tick
// at the middle of every octave band, or of every third third-octave band labelled with its middle band. Empty
// when N < 1.
std::vector<XTick> bandXTicks(bool octaves, std::int32_t N);

} // namespace vemra
