// The calibration tone's THD+N and the loop-back INR against closed-form signals.
#include "library/dsp/CalibrationSignal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

using namespace vemra::dsp;

namespace {

std::vector<double> toneWith(const CalTone& t, double a1, double a3, double noise, unsigned seed = 7)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> n(0.0, 1.0);
    std::vector<double> x(t.period);
    for (std::size_t i = 0; i < t.period; ++i) {
        const double ph = 2 * std::numbers::pi * double(t.cycles) * double(i) / double(t.period);
        x[i] = a1 * std::sin(ph) + a3 * std::sin(3 * ph) + noise * n(rng);
    }
    return x;
}

} // namespace

TEST(CalibrationTone, PeriodHoldsWholeOddCyclesNearOneKilohertz)
{
    struct Row { double rate; std::size_t period; };
    for (const Row row : {Row{22050, 4096}, Row{44100, 8192}, Row{48000, 8192}, Row{96000, 16384}}) {
        SCOPED_TRACE(row.rate);
        const CalTone t = calToneFor(row.rate);
        EXPECT_EQ(t.period, row.period);
        EXPECT_EQ(t.cycles % 2, 1);
        EXPECT_NEAR(t.frequency_Hz, 1000.0, 2 * row.rate / double(row.period));
        const auto p = calTonePeriod(t, 0.5);
        // The period closes on itself: the sample after the last would be the first again.
        const double next = 0.5 * std::sin(2 * std::numbers::pi * double(t.cycles) * double(t.period) / double(t.period));
        EXPECT_NEAR(next, p[0], 1e-9);
        EXPECT_NEAR(*std::max_element(p.begin(), p.end()), 0.5, 1e-3);
    }
}

TEST(CalibrationTone, ThdnOfHarmonicAndNoiseFollowsTheirPowers)
{
    const CalTone t = calToneFor(48000);
    struct Row { const char* name; double a3; double noise; double expected_dB; };
    const Row rows[] = {
        {"third harmonic at -40 dB", 0.005, 0, -40.0},
        {"third harmonic at -60 dB", 0.0005, 0, -60.0},
        // White noise of sigma: the counted band 20 Hz..20 kHz holds 20/24 of its power.
        {"noise only", 0, 1e-3, 10 * std::log10((1e-6 * 19980.0 / 24000.0) / (0.5 * 0.25))},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const ToneAnalysis a = analyseTone(toneWith(t, 0.5, r.a3, r.noise), t, 48000);
        EXPECT_NEAR(a.thdn_dB, r.expected_dB, 0.3);
        EXPECT_NEAR(a.rms_dB, 10 * std::log10(0.5 * 0.25), 0.05);
    }
}

TEST(CalibrationTone, NoToneReadsAsNotDetected)
{
    const CalTone t = calToneFor(44100);
    EXPECT_GT(analyseTone(toneWith(t, 0, 0, 1e-3), t, 44100).thdn_dB, -10.0);
    EXPECT_EQ(analyseTone(std::vector<double>(t.period, 0.0), t, 44100).thdn_dB, 0.0);
    // DC is no distortion.
    auto x = toneWith(t, 0.5, 0, 0);
    for (double& v : x)
        v += 0.1;
    EXPECT_LT(analyseTone(x, t, 44100).thdn_dB, -150.0);
}

TEST(LoopbackInr, NoiseAloneReadsNearZero)
{
    for (int order : {11, 15}) {
        const std::size_t n = (std::size_t{1} << order) - 1;
        double sum = 0;
        const int trials = 20;
        for (int s = 0; s < trials; ++s) {
            std::mt19937 rng(100 + s);
            std::normal_distribution<double> g(0.0, 1.0);
            std::vector<double> h(n);
            for (double& v : h)
                v = g(rng);
            sum += analyseLoopback(h).inr_dB;
        }
        SCOPED_TRACE(order);
        EXPECT_NEAR(sum / trials, 0.0, 1.0);
    }
}

TEST(LoopbackInr, CleanLoopbackReadsItsPeakToNoiseLessTheAllowance)
{
    const std::size_t n = 2047;
    std::mt19937 rng(3);
    std::normal_distribution<double> g(0.0, 1e-4);
    std::vector<double> h(n);
    for (double& v : h)
        v = g(rng);
    h[5] = -1.0;
    const LoopbackAnalysis a = analyseLoopback(h);
    EXPECT_EQ(a.polarity, -1);
    EXPECT_EQ(a.peakIndex, 5u);
    EXPECT_NEAR(a.inr_dB, 80.0 - noisePeakAllowance_dB(n), 0.5);
    EXPECT_EQ(analyseLoopback(std::vector<double>(n, 0.0)).inr_dB, -100.0);
}
