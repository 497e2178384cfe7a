// The data of the views against closed forms: impulses, tones and exponential decays built in place.
#include "library/dsp/Smoothing.h"
#include "library/dsp/Spectrum.h"
#include "library/dsp/ViewProcessing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

using namespace vemra::dsp;

namespace {

// Random signs times the square root of an exponential energy envelope: the squares are exactly the envelope,
// so the backward integral is a geometric series with the decay rate of reverberation time T.
std::vector<float> exponentialDecay(double fs, double t60_s, double length_s, double amplitude, unsigned seed = 7)
{
    std::mt19937 rng(seed);
    std::vector<float> x(std::size_t(length_s * fs));
    const double tau = t60_s / (6.0 * std::log(10.0)); // energy time constant
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double sign = (rng() & 1) ? 1.0 : -1.0;
        x[i] = float(sign * amplitude * std::exp(-double(i) / fs / (2.0 * tau)));
    }
    return x;
}

std::vector<BandRange> thirdOctaveBands(double fs)
{
    std::vector<BandRange> bands;
    for (int i = 14; i <= 43; ++i) {
        const double fc = 1000.0 * std::pow(10.0, (i - 30) / 10.0);
        const BandRange b{fc * std::pow(10.0, -0.05), fc * std::pow(10.0, 0.05)};
        if (b.high_Hz < fs / 2)
            bands.push_back(b);
    }
    return bands;
}

ViewData processOne(const std::vector<float>& x, double fs, ViewSettings s, std::span<const BandRange> bands = {})
{
    const std::span<const float> ch[1] = {x};
    return processView(ch, fs, s, bands);
}

} // namespace

TEST(ViewSpectrum, GridLengthIsOddAndCoversTheResponse)
{
    for (std::int64_t n : {1, 2, 3, 256, 1000, 48000, 480000, 4194304}) {
        SCOPED_TRACE(n);
        const std::int64_t m = 2 * std::int64_t(spectrumPointCount(n)) + 1;
        EXPECT_GE(m, n);
        std::int64_t r = m;
        for (int p : {3, 5, 7})
            while (r % p == 0)
                r /= p;
        EXPECT_EQ(r, 1) << "transform length " << m << " has a large prime factor";
        EXPECT_LT(double(m), 1.4 * double(std::max<std::int64_t>(n, 3)) + 3);
    }
}

TEST(ViewSpectrum, ImpulseIsFlatAndToneLandsOnItsBin)
{
    const std::int32_t n = spectrumPointCount(1000);
    const std::size_t m = 2 * std::size_t(n) + 1;
    std::vector<float> impulse(1000, 0.0f);
    impulse[10] = 3.0f;
    for (double p : powerSpectrum(impulse, n))
        ASSERT_NEAR(p, 9.0, 1e-4);

    const int k0 = 37;
    std::vector<float> tone(m);
    for (std::size_t i = 0; i < m; ++i)
        tone[i] = float(std::cos(2 * std::numbers::pi * k0 * double(i) / double(m)));
    const auto power = powerSpectrum(tone, n);
    EXPECT_NEAR(power[k0 - 1], std::pow(double(m) / 2, 2), 1e-2 * std::pow(double(m) / 2, 2));
    EXPECT_LT(power[k0], 1e-3 * power[k0 - 1]);
    EXPECT_NEAR(spectrumPointSpacing_Hz(48000, n), 48000.0 / double(m), 1e-12);
}

TEST(ViewSpectrum, LogPointsSpanTheLinearView)
{
    for (std::int32_t n : {2, 3, 100, 65536, 240000}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(logSamplePoint(0, n), 0);
        EXPECT_EQ(logSamplePoint(n, n), n - 1);
        std::int32_t last = 0;
        for (std::int32_t j = 0; j <= n; j += std::max(1, n / 1000)) {
            const std::int32_t k = logSamplePoint(j, n);
            ASSERT_GE(k, last);
            last = k;
        }
    }
}

TEST(ViewSpectrum, PowerIntegralTakesFractionsOfBins)
{
    const std::vector<double> p{1, 2, 3, 4};
    const PowerIntegral integral(p);
    EXPECT_DOUBLE_EQ(integral.mean(0.5, 4.5), 2.5);
    EXPECT_DOUBLE_EQ(integral.mean(1.0, 2.0), 1.5);     // half of bin 1 and half of bin 2
    EXPECT_DOUBLE_EQ(integral.mean(2.2, 2.3), 2.0);     // inside one bin
    EXPECT_DOUBLE_EQ(integral.mean(-5.0, 0.0), 1.0);    // below the grid: the first bin
    EXPECT_DOUBLE_EQ(integral.mean(9.0, 12.0), 4.0);    // above it: the last
}

TEST(ViewSmoothing, FlatStaysFlatAndEnergyOfASpikeIsSpread)
{
    const std::vector<double> flat(5000, 4.0);
    for (double v : fractionalOctaveSmooth(flat, 3.0))
        ASSERT_NEAR(v, 4.0, 1e-9);

    std::vector<double> spike(5000, 0.0);
    spike[999] = 1000.0; // bin 1000
    const auto s = fractionalOctaveSmooth(spike, 3.0);
    // A third-octave band around bin 1000 is about 231 bins wide: the spike's 1000 spread over it.
    EXPECT_NEAR(s[999], 1000.0 / (1000.0 * (std::pow(10.0, 0.05) - std::pow(10.0, -0.05))), 0.05);
    EXPECT_EQ(s[700], 0.0);
}

TEST(ViewBands, ThirdOctaveLevelsOfAWhiteResponseAreFlat)
{
    const double fs = 48000;
    const auto bands = thirdOctaveBands(fs);
    ViewSettings s;
    s.viewType = ViewThirdOctave;

    std::vector<float> impulse(48000, 0.0f);
    impulse[100] = 16384.0f;
    const ViewData v = processOne(impulse, fs, s, bands);
    ASSERT_EQ(v.pointCount, std::int32_t(bands.size()));
    for (float level : v.channels[0])
        EXPECT_NEAR(level, 0.0, 1e-3);

    // White noise: every band within the scatter of its bin count (the lowest bands hold few bins).
    std::mt19937 rng(3);
    std::normal_distribution<float> g(0.0f, 1000.0f);
    std::vector<float> noise(480000);
    for (float& x : noise)
        x = g(rng);
    const ViewData w = processOne(noise, fs, s, bands);
    for (std::size_t b = 5; b < bands.size(); ++b) {
        SCOPED_TRACE(b);
        EXPECT_NEAR(w.channels[0][b], 0.0, 1.0);
    }
}

TEST(ViewDecay, SchroederOfAnExponentialDecayIsAStraightLine)
{
    const double fs = 48000;
    for (double t60 : {0.5, 1.0, 2.0}) {
        SCOPED_TRACE(t60);
        const auto x = exponentialDecay(fs, t60, 3.5 * t60, 8000.0);
        ViewSettings s;
        s.viewType = ViewSchroeder;
        const ViewData v = processOne(x, fs, s);
        const auto& c = v.channels[0];
        EXPECT_NEAR(c[0], 0.0, 1e-4);
        for (double t : {0.1, 0.25, 0.5, 1.0}) {
            const auto i = std::size_t(t * t60 * fs);
            EXPECT_NEAR(c[i], -60.0 * t, 0.05);
        }
    }
}

TEST(ViewDecay, DecayCurveFollowsTheSlopeAndTheFullScaleReference)
{
    const double fs = 48000;
    const auto x = exponentialDecay(fs, 1.0, 2.0, vemra::kFullScale);
    ViewSettings s;
    s.viewType = ViewDecay;
    s.bestRevTime_s[0] = 1.0;
    const ViewData v = processOne(x, fs, s);
    const auto& c = v.channels[0];
    // A 10 ms window: the level 0.5 s apart differs by 30 dB.
    EXPECT_NEAR(c[std::size_t(0.2 * fs)] - c[std::size_t(0.7 * fs)], 30.0, 0.1);
    // Mean power re full scale: a decay starting at full scale reads -60 dB * t / T.
    EXPECT_NEAR(c[std::size_t(0.2 * fs)], -12.0, 0.1);
    EXPECT_NEAR(c[std::size_t(0.5 * fs)], -30.0, 0.1);

    s.autoScale = true;
    const ViewData a = processOne(x, fs, s);
    float top = kFloor_dB;
    for (float db : a.channels[0])
        top = std::max(top, db);
    EXPECT_FLOAT_EQ(top, 0.0f);
}

TEST(ViewTime, PressureAndReflectogramAreInPercent)
{
    const std::vector<float> x{-32768.0f, 16384.0f, 0.0f, -8192.0f};
    ViewSettings s;
    s.viewType = ViewPressure;
    EXPECT_EQ(processOne(x, 8000, s).channels[0], (std::vector<float>{-100.0f, 50.0f, 0.0f, -25.0f}));
    s.viewType = ViewReflectogram;
    EXPECT_EQ(processOne(x, 8000, s).channels[0], (std::vector<float>{100.0f, 50.0f, 0.0f, 25.0f}));

    // Auto scale refers both channels to the larger peak, so their ratio survives.
    const std::vector<float> y{0.0f, 4096.0f, 0.0f, 0.0f};
    const std::span<const float> two[2] = {y, std::span<const float>(x).subspan(1)};
    s.autoScale = true;
    s.viewType = ViewPressure;
    const ViewData v = processView(std::span<const std::span<const float>>(two, 2), 8000, s, {});
    EXPECT_FLOAT_EQ(v.channels[1][0], 100.0f);
    EXPECT_FLOAT_EQ(v.channels[0][1], 25.0f);
}

TEST(ViewEdgeCases, TinyAndSilentResponsesGiveFiniteData)
{
    const auto bands = thirdOctaveBands(48000);
    const std::vector<std::vector<float>> cases{{}, {1234.0f}, std::vector<float>(300, 0.0f)};
    for (const auto& x : cases) {
        for (int view = 0; view <= 7; ++view) {
            SCOPED_TRACE(testing::Message() << "samples " << x.size() << " view " << view);
            ViewSettings s;
            s.viewType = view;
            s.smooth = true;
            const ViewData v = processOne(x, 48000, s, bands);
            ASSERT_EQ(v.channels.size(), 1u);
            EXPECT_EQ(std::int64_t(v.channels[0].size()), std::int64_t(v.pointCount));
            for (float value : v.channels[0])
                ASSERT_TRUE(std::isfinite(value));
        }
    }
}
