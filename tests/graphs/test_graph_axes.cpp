#include "core/VemraError.h"
#include "graphs/GraphAxes.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>

using namespace vemra;
using namespace vemra::graphs;

namespace {

struct ScaleCase {
    const char* name;
    double lo, hi;
    bool autoMin;
    double minimum, maximum;
    int divisions;
};

// The automatic ends of the axis, from the data's extent (or the fixed ends).
const ScaleCase kScales[] = {
    {"positive data from zero", 0.8, 37, true, 0, 40, 4},
    {"zero on a division", -3.2, 5.5, true, -4, 6, 5},
    {"negative data", -8, -2, true, -8, -2, 3},
    {"fixed lower end", 12, 37, false, 10, 40, 3},
    {"nothing set", 0, 0, true, 0, 0.1, 4},
    {"larger negative end", -40, 5, true, -40, 10, 5},
    {"reverberation times", 0.74, 1.27, true, 0, 1.5, 3},
    {"a power of ten", 0, 1000, true, 0, 1000, 4},
    {"a tenth", 0, 0.3, true, 0, 0.3, 3},
    {"fixed ends in one decade", 0.5, 0.998, false, 0.5, 1, 5},
    {"fixed ends above each other", 5, 2, false, 5, 6, 4},
};

class AutoScale : public testing::TestWithParam<ScaleCase> {};

} // namespace

TEST_P(AutoScale, EndsAndDivisions)
{
    const ScaleCase& c = GetParam();
    const AxisRange a = AutoScaleY(c.lo, c.hi, c.autoMin);
    EXPECT_NEAR(a.minimum, c.minimum, 1e-9);
    EXPECT_NEAR(a.maximum, c.maximum, 1e-9);
    EXPECT_EQ(a.divisions, c.divisions);
    // The data always lies on the axis.
    EXPECT_LE(a.minimum, c.lo + 1e-9);
    EXPECT_GE(a.maximum, std::max(c.lo, c.hi) - 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Cases, AutoScale, testing::ValuesIn(kScales),
                         [](const testing::TestParamInfo<ScaleCase>& i) {
                             std::string n = i.param.name;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

TEST(NiceNumbers, MantissaStaysInItsDecade)
{
    // Values whose logarithm lands a hair off a whole number still find their own row.
    for (int e = -6; e <= 6; ++e) {
        SCOPED_TRACE(e);
        const double p = std::pow(10.0, e);
        EXPECT_NEAR(NiceCeiling(p).value, p, p * 1e-12);
        EXPECT_NEAR(NiceFloor(p).value, p, p * 1e-12);
        EXPECT_NEAR(NiceCeiling(3 * p).value, 3 * p, p * 1e-12);
        EXPECT_EQ(NiceCeiling(3 * p).row, 4);
        EXPECT_NEAR(NiceCeiling(3.1 * p).value, 4 * p, p * 1e-12);
        EXPECT_NEAR(NiceFloor(3.1 * p).value, 3 * p, p * 1e-12);
        EXPECT_NEAR(NiceFloor(9.9 * p).value, 8 * p, p * 1e-12);
    }
    EXPECT_EQ(NiceCeiling(0).value, 0);
    EXPECT_THROW(NiceCeiling(-1), VemraError);
    EXPECT_THROW(NiceFloor(std::nan("")), VemraError);
}

TEST(NiceNumbers, StepsCoverEveryRange)
{
    // Including the ranges just below a power of ten, which the logarithm's offset puts in the decade above.
    for (double r : {0.9978, 0.9999, 1.0, 2.2, 7.5, 9.98, 99.9, 0.0998, 37.0}) {
        SCOPED_TRACE(r);
        const ScaleStep s = AdjustScale(1.0, 1.0 + r);
        EXPECT_GE(s.divisions * s.step, r * (1 - 1e-12));
        EXPECT_LE(s.divisions * s.step, r * 2.5) << "the step is of the range's own decade";
    }
}

TEST(NiceNumbers, NonFiniteDataIsAnError)
{
    EXPECT_THROW(AutoScaleY(0, std::numeric_limits<double>::infinity(), true), VemraError);
    EXPECT_THROW(AutoScaleY(std::nan(""), 1, true), VemraError);
}

TEST(AxisLabels, BandLabelsOfBothWidths)
{
    EXPECT_EQ(OctaveLabel(3), "125");
    EXPECT_EQ(OctaveLabel(6), "1k");
    EXPECT_EQ(OctaveLabel(10), "16k");
    EXPECT_EQ(OctaveLabel(11), "???");
    EXPECT_EQ(OctaveLabel(-1), "???");
    EXPECT_EQ(ThirdOctaveLabel(11), "12.5");
    EXPECT_EQ(ThirdOctaveLabel(31), "1k25");
    EXPECT_EQ(ThirdOctaveLabel(35), "3k15");
    EXPECT_EQ(ThirdOctaveLabel(43), "20k");
    EXPECT_EQ(ThirdOctaveLabel(10), "???");
    EXPECT_EQ(ThirdOctaveLabel(44), "???");
}

TEST(AxisLabels, AtMostTwoDecimalsWithoutTrailingSeparator)
{
    const QLocale before;
    for (const auto& [locale, half] : {std::pair{QLocale::c(), "2.5"}, {QLocale(QLocale::German), "2,5"}}) {
        QLocale::setDefault(locale);
        SCOPED_TRACE(locale.name().toStdString());
        EXPECT_EQ(AxisLabel(20), "20");
        EXPECT_EQ(AxisLabel(10), "10");
        EXPECT_EQ(AxisLabel(2.5), half);
        EXPECT_EQ(AxisLabel(-0.001), "0");
        EXPECT_EQ(AxisLabel(1.0 / 3), locale.toString(0.33, 'f', 2));
        EXPECT_EQ(AxisLabel(-40), "-40");
    }
    QLocale::setDefault(before);
}
