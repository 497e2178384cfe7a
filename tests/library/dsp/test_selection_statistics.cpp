#include "library/dsp/SelectionStatistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace vemra::dsp;

namespace {

constexpr double kFs = 48000;

// amplitude * exp(-t / tau) with the time constant of a 60 dB decay in dt60_s; `alternate` flips every other
// sample's sign, as a carrier at Nyquist would.
std::vector<float> exponentialDecay(double dt60_s, double duration_s, bool alternate)
{
    const double tau = dt60_s / (3 * std::log(10.0)); // amplitude time constant
    std::vector<float> x(static_cast<std::size_t>(duration_s * kFs));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double v = 30000 * std::exp(-double(i) / kFs / tau);
        x[i] = static_cast<float>(std::nearbyint(alternate && (i % 2) ? -v : v));
    }
    return x;
}

} // namespace

TEST(SelectionStatistics, ExtremesMeanAndLevelOfAFewValues)
{
    const std::vector<float> x = {-2, 4, 1, 1};
    const SelectionStatistics s = selectionStatistics(x, kFs);
    EXPECT_EQ(s.min, -2);
    EXPECT_EQ(s.max, 4);
    EXPECT_DOUBLE_EQ(s.mean, 1);
    ASSERT_TRUE(s.meanSquare_dB);
    EXPECT_NEAR(*s.meanSquare_dB, 10 * std::log10(22.0 / 4), 1e-12);
}

TEST(SelectionStatistics, AnExponentialDecayGivesItsSlopeAndDecayTime)
{
    struct Row {
        const char* name;
        double dt60_s, duration_s;
        bool alternate;
    };
    const Row rows[] = {
        {"0.5 s, smooth", 0.5, 0.25, false},
        {"0.5 s, alternating", 0.5, 0.25, true},
        {"2 s over 1 s", 2.0, 1.0, true},
        {"0.1 s over 4 ms (blocks shorter than 1 ms)", 0.1, 0.004, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const auto x = exponentialDecay(r.dt60_s, r.duration_s, r.alternate);
        const SelectionStatistics s = selectionStatistics(x, kFs);
        ASSERT_TRUE(s.slope_dBps);
        ASSERT_TRUE(s.decayTime60_s);
        const double slope = -60 / r.dt60_s;
        EXPECT_NEAR(*s.slope_dBps, slope, 0.005 * std::abs(slope));
        EXPECT_NEAR(*s.decayTime60_s, r.dt60_s, 0.005 * r.dt60_s);
        EXPECT_NEAR(s.levelChange_dB, *s.slope_dBps * double(x.size()) / kFs, 1e-9);
    }
}

TEST(SelectionStatistics, NoDecayTimeWithoutAFallingLine)
{
    const std::vector<float> silent(480, 0.0f);
    const SelectionStatistics quiet = selectionStatistics(silent, kFs);
    EXPECT_FALSE(quiet.meanSquare_dB);
    EXPECT_FALSE(quiet.slope_dBps);
    EXPECT_FALSE(quiet.decayTime60_s);
    EXPECT_EQ(quiet.levelChange_dB, 0);

    std::vector<float> rising(4800);
    for (std::size_t i = 0; i < rising.size(); ++i)
        rising[i] = static_cast<float>(10 + i);
    const SelectionStatistics up = selectionStatistics(rising, kFs);
    ASSERT_TRUE(up.slope_dBps);
    EXPECT_GT(*up.slope_dBps, 0);
    EXPECT_FALSE(up.decayTime60_s);

    // One sample: a level, but no line.
    const std::vector<float> one = {5};
    const SelectionStatistics single = selectionStatistics(one, kFs);
    EXPECT_TRUE(single.meanSquare_dB);
    EXPECT_FALSE(single.slope_dBps);
}
