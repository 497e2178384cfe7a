// The tick layouts of the scales: labels, thinning and the major steps of the x scale.
#include "library/draw/AxisTicks.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <cmath>
#include <limits>

using namespace vemra;

namespace {

QStringList labelsOf(const std::vector<YTick>& ticks)
{
    QStringList labels;
    for (const YTick& t : ticks)
        if (!t.label.isEmpty())
            labels << t.label;
    return labels;
}

} // namespace

TEST(ScaleTicks, YLabelsLeaveOutTheEndsOfTheRange)
{
    struct Row {
        const char* name;
        int view;
        double range;
        bool thin;
        QStringList labels;
        int lowestTick;
    };
    const QStringList pressure{"-90", "-80", "-70", "-60", "-50", "-40", "-30", "-20", "-10", "0",
                               "10",  "20",  "30",  "40",  "50",  "60",  "70",  "80",  "90"};
    for (const Row& r : {Row{"pressure", 0, 60, false, pressure, -100},
                         Row{"reflectogram", 1, 60, false, {"10", "20", "30", "40", "50", "60", "70", "80", "90"}, 0},
                         Row{"65 dB", 2, 65, false, {"-10", "-20", "-30", "-40", "-50", "-60"}, -64},
                         Row{"60 dB", 3, 60, false, {"-10", "-20", "-30", "-40", "-50"}, -60},
                         Row{"thinned pressure", 0, 60, true, {"-80", "-60", "-40", "-20", "0", "20", "40", "60", "80"}, -100}}) {
        SCOPED_TRACE(r.name);
        const auto ticks = yScaleTicks(r.view, r.range, r.thin);
        EXPECT_EQ(labelsOf(ticks), r.labels);
        int lowest = 1000;
        for (const YTick& t : ticks)
            lowest = std::min(lowest, t.value);
        EXPECT_EQ(lowest, r.lowestTick);
        EXPECT_EQ(ticks[1].value - ticks[0].value, (r.view >= 2 ? -2 : 2) * (r.thin ? 2 : 1));
    }
}

TEST(ScaleTicks, XStepsAreOneTwoOrFiveTimesAPowerOfTen)
{
    struct Row {
        float span;
        float step;
        int decimals;
    };
    for (const Row& r : {Row{0.5f, 0.05f, 2}, Row{8.0f, 1.0f, 0}, Row{10.0f, 1.0f, 0}, Row{3.0f, 0.2f, 1},
                         Row{24000.0f, 2000.0f, 0}, Row{0.01f, 0.001f, 3}, Row{60.0f, 5.0f, 0}}) {
        SCOPED_TRACE(r.span);
        const XStep s = xScaleStep(r.span);
        EXPECT_FLOAT_EQ(s.step, r.step);
        EXPECT_EQ(s.decimals, r.decimals);
    }
}

TEST(ScaleTicks, ALinearScaleLabelsEveryStepWithFourMinorTicksBetween)
{
    const auto ticks = linearXTicks(0.25f, 1.0f); // 0.25 s .. 1.25 s: step 0.1 s
    QStringList labels;
    int minorsBetween = 0;
    for (const XTick& t : ticks) {
        EXPECT_LE(t.at, 1.25 + 1e-6);
        if (t.major)
            labels << t.label;
        else if (t.at > 0.3 && t.at < 0.4)
            ++minorsBetween;
    }
    EXPECT_EQ(labels.front(), "0.2") << "from the step at or below the start";
    EXPECT_EQ(labels.back(), "1.2");
    EXPECT_EQ(labels.size(), 11);
    EXPECT_EQ(minorsBetween, 4);
    EXPECT_TRUE(linearXTicks(0, 0).empty());
    EXPECT_TRUE(linearXTicks(0, std::numeric_limits<float>::quiet_NaN()).empty());
}

TEST(ScaleTicks, ALogarithmicScaleMarksTheBandFrequenciesWhereTheyAreShown)
{
    const double fs = 48000;
    const std::int32_t N = 24000;
    const double df = fs / (2.0 * N + 1);
    // The whole spectrum shows more than 21 bands: every third label from 16 Hz.
    const auto ticks = logXTicks(fs, N, 0, N, df, fs / 2);
    QStringList labels;
    for (const XTick& t : ticks)
        labels << t.label;
    EXPECT_EQ(labels.mid(0, 4), (QStringList{"16", "31.5", "63", "125"}));
    for (const XTick& t : ticks) {
        SCOPED_TRACE(t.label.toStdString());
        // The point under the tick shows the label's frequency (inverse of the view's point mapping).
        const double point = t.at * N / 1000.0;
        const double f = (std::pow(2.0, point * std::log2(double(N)) / N) - 1) * df;
        EXPECT_NEAR(f / t.label.toDouble(), 1.0, 0.02);
    }
    // A narrow range labels every band.
    const auto narrow = logXTicks(fs, N, 0, N, 900, 2100);
    EXPECT_EQ(narrow.size(), 32u);
    EXPECT_TRUE(logXTicks(fs, 1, 0, 1, 1, 2).empty());
}

TEST(ScaleTicks, BandScalesNameTheMiddleOfEachOctaveOrTriplet)
{
    const auto octaves = bandXTicks(true, 9);
    ASSERT_GE(octaves.size(), 2u);
    EXPECT_EQ(octaves[0].label, "31.5");
    EXPECT_EQ(octaves[1].label, "63");
    EXPECT_DOUBLE_EQ(octaves[0].at, 0.5 * 1000 / 9);
    const auto thirds = bandXTicks(false, 30);
    EXPECT_EQ(thirds[0].label, "31.5"); // 25, 31.5, 40 Hz share the first tick
    EXPECT_EQ(thirds[1].label, "63");
    EXPECT_DOUBLE_EQ(thirds[0].at, 1.5 * 1000 / 30);
    EXPECT_TRUE(bandXTicks(true, 0).empty());
}
