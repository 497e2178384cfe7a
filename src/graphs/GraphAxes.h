#pragma once
// The band graph's axes: the nice-number Y scale, the band labels of the X axis and the Y labels.
//
// Nice numbers come from a table of ten mantissas in [1, 10], each with the number of divisions an axis ending on
// it gets (1: 4, 1.5: 3, 2: 4, 2.5: 5, 3: 3, 4: 4, 5: 5, 6: 3, 8: 4, 10: 4). A value is split into a mantissa in
// [1, 10] and a power of ten; the mantissa is moved up (ceiling) or down (floor) to a table row.
// Pure functions; any thread.
#include <QString>

#include <array>

namespace vemra::graphs {

struct StepRow {
    double mantissa;
    int divisions;
};

inline constexpr std::array<StepRow, 10> kStepTable = {{
    {1.0, 4}, {1.5, 3}, {2.0, 4}, {2.5, 5}, {3.0, 3}, {4.0, 4}, {5.0, 5}, {6.0, 3}, {8.0, 4}, {10.0, 4}}};

struct NiceNumber {
    double value = 0; // the nice number
    int row = 0;      // its row in kStepTable
};

// x >= 0 (0 gives 0, row 0). Ceiling: the smallest nice number not below x; floor: the largest not above x.
// A negative x throws the range failure (VemraError 9), a non-finite one the overflow (6).
NiceNumber NiceCeiling(double x);
NiceNumber NiceFloor(double x);

struct ScaleStep {
    int divisions = 1;
    double step = 1;
};

// Step and division count for the range low .. high (low < high, one sign): n * step covers high - low.
ScaleStep AdjustScale(double low, double high);

struct AxisRange {
    double minimum = 0;
    double maximum = 0.1;
    int divisions = 4;
};

// The drawn Y axis for the data extent lo .. hi (the smallest and largest set value, or the fixed ends; 0 .. 0
// when nothing is set). autoMin: an automatic lower end, which starts at 0 for data of one sign. Zero falls on a
// division when the axis spans it. Non-finite ends throw the overflow (VemraError 6).
AxisRange AutoScaleY(double lo, double hi, bool autoMin);

// Short band labels of the graph's X axis: octave bands 0..10 ("16" .. "1k" .. "16k"), third-octave bands
// 11..43 ("12.5" .. "1k25" .. "20k"); "???" for any other index.
QString OctaveLabel(int band);
QString ThirdOctaveLabel(int band);

// A Y label: at most two decimals in the user's locale, no trailing zeros or separator ("10", "2.5", "0.25").
QString AxisLabel(double value);

} // namespace vemra::graphs
