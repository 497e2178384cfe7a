#include "library/dsp/ScaleModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using namespace vemra::dsp;

TEST(ScaleModel, AirAbsorptionMatchesTheStandardsTableAt20Degrees50Percent)
{
    // dB/km at the exact octave mid-band frequencies 1000 * 10^(0.3 (i - 4)).
    const double expected[] = {0.122, 0.44, 1.31, 2.73, 4.66, 9.89, 29.7, 105};
    for (int i = 0; i < 8; ++i) {
        const double f = 1000.0 * std::pow(10.0, 0.3 * (i - 4));
        SCOPED_TRACE(f);
        const double got = airAbsorption_dBpm(f, 20, 50) * 1000;
        EXPECT_NEAR(got, expected[i], expected[i] * 0.02);
    }
}

TEST(ScaleModel, IdenticalAirAndScaleOneLeavesTheResponseAsItWas)
{
    ScaleModelSetup s;
    s.fs_Hz = 48000;
    s.scale = 1;
    EXPECT_NEAR(absorptionCorrection_dB(4000, 0.5, s), 0.0, 1e-9);
    std::vector<double> x(3000);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = std::sin(0.05 * double(i)) * std::exp(-double(i) / 800.0);
    const std::vector<double> original = x;
    ASSERT_TRUE(correctAirAbsorption(x, s));
    for (std::size_t i = 0; i < x.size(); ++i)
        ASSERT_NEAR(x[i], original[i], 1e-9) << i;
}

TEST(ScaleModel, ModelAirIsCorrectedByTheExcessAbsorptionOfTheModel)
{
    // A 1:10 model in the same air as the hall: at 40 kHz model frequency (4 kHz full size) the model loses
    // alpha(40k) c t, the hall alpha(4k) c 10 t; the correction gives back the difference.
    ScaleModelSetup s;
    s.fs_Hz = 192000;
    s.scale = 10;
    const double c = speedOfSound(20);
    const double t = 0.01;
    const double expected = (airAbsorption_dBpm(40000, 20, 50) - 10 * airAbsorption_dBpm(4000, 20, 50)) * c * t;
    EXPECT_NEAR(absorptionCorrection_dB(40000, t, s), expected, 1e-9);
    EXPECT_GT(expected, 0.0);

    // A steady tone: its late part is raised by the correction at its frequency and time (within the frames'
    // smearing), its start is not.
    const double f = 48000; // a bin centre of the frames (192000 / 256 * 64)
    std::vector<double> x(19200);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = std::sin(2 * std::numbers::pi * f * double(i) / s.fs_Hz);
    ASSERT_TRUE(correctAirAbsorption(x, s));
    const std::size_t at = 9600; // 50 ms
    double peak = 0;
    for (std::size_t i = at - 200; i < at + 200; ++i)
        peak = std::max(peak, std::abs(x[i]));
    const double want = std::min(absorptionCorrection_dB(f, 0.05, s), kMaxAbsorptionBoost_dB);
    EXPECT_NEAR(20 * std::log10(peak), want, 0.5);
    EXPECT_NEAR(std::abs(x[0]), 0.0, 1e-9);
}

TEST(ScaleModel, BoostIsLimitedAndCancelStops)
{
    ScaleModelSetup s;
    s.fs_Hz = 192000;
    s.scale = 20;
    std::vector<double> x(192000, 0.0);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = std::sin(2 * std::numbers::pi * 60000 * double(i) / s.fs_Hz);
    std::vector<double> y = x;
    ASSERT_TRUE(correctAirAbsorption(y, s));
    double peak = 0;
    for (double v : y)
        peak = std::max(peak, std::abs(v));
    EXPECT_LT(20 * std::log10(peak), kMaxAbsorptionBoost_dB + 0.5);

    int calls = 0;
    EXPECT_FALSE(correctAirAbsorption(x, s, [&](double) { return ++calls == 2; }));
    EXPECT_EQ(calls, 2);
}
