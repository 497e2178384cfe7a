#pragma once
// The scales and colours of a waterfall picture, shared by its two drawings (perspective waterfall and
// spectrogram): tick layouts of the frequency, time and level axes, and the colour schemes.
// Colour schemes by WaterfallParams::Colors: 0 colour on black, 1 colour on white, 2 greyscale on white.
// Calling thread: any (no painting here).
#include "library/dsp/WaterfallDisplay.h"

#include <QColor>
#include <QString>
#include <QVector>

#include <vector>

namespace vemra {

struct AxisTick {
    double value = 0;
    bool major = false;  // major ticks carry a label and a grid line
    QString label;
};

// Frequency ticks within the axis. Logarithmic: 1, 2 and 5 times the powers of ten labelled ("50", "100",
// "200", ..., "1k", "2k", "5k", "10k", "20k"), the other whole multiples unlabelled. Linear: a 1-2-5 step giving
// labels at least minLabelSpacing apart (in the axis's length units). Labels of 1000 Hz and above in "k".
std::vector<AxisTick> frequencyTicks(const dsp::FrequencyAxis& axis, double minLabelSpacing);

// Ticks of a linear scale from `low` to `high`: a 1-2-5 step giving at most maxLabels labelled ticks, with one
// unlabelled tick between labels where the step allows; labels show value * labelFactor with the decimals the
// step needs.
std::vector<AxisTick> linearTicks(double low, double high, int maxLabels, double labelFactor = 1.0);

// The time unit of an axis ending at maxTime_s: milliseconds below 1 s, else seconds. Factor turns seconds into it.
struct TimeUnit {
    double factor = 1000;
    QString name = QStringLiteral("ms");
};
TimeUnit timeUnitFor(double maxTime_s);

// The colours of a scheme: background, axes and text, the grid.
QColor waterfallBackground(int colors);
QColor waterfallForeground(int colors);
QColor waterfallGrid(int colors);
// The colour of a level at `fraction` of the range (0 the bottom, 1 the top), clamped.
QRgb waterfallLevelColour(int colors, double fraction);
// 256 colours from the bottom of the range to its top.
QVector<QRgb> waterfallColourTable(int colors);

} // namespace vemra
