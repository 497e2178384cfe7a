#pragma once
// The tick layouts of the document window's scales, apart from the drawing so they can be checked alone.
#include <QString>
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

} // namespace vemra
