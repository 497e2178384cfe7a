// The tick layouts of the scales: labels, thinning and the major steps of the x scale.
#include "viewer/ScaleTicks.h"

#include <gtest/gtest.h>

#include <QStringList>

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
