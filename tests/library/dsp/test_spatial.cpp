#include "library/dsp/SpatialParameters.h"
#include "support/ResponseGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace vemra::dsp;
namespace ts = vemra::testsupport;

namespace {

constexpr double kFs = 48000;
constexpr double kT = 1.0;

// Energy of the sampled single decay (e0 = 1) over samples [from, to).
double decayEnergy(std::int64_t from, std::int64_t to)
{
    return ts::decayEnergy(kT, kFs, 1.0, static_cast<double>(from)) - ts::decayEnergy(kT, kFs, 1.0, static_cast<double>(to));
}

std::int64_t ms(double t) { return std::llround(t * kFs / 1000); }

SpatialInput input(const std::vector<float>& omni, const std::vector<float>& lateral)
{
    SpatialInput in;
    in.omni = omni;
    in.lateral = lateral;
    in.fs_Hz = kFs;
    in.timeZero = 0;
    return in;
}

} // namespace

// A figure-of-eight that picks up a known share of the energy from 5 ms on (amplitude a of the omni's).
TEST(Spatial, LateralFractionsOfKnownEnergies)
{
    const auto omni = ts::exponentialDecay(kT, kFs, 0.5, 1.0);
    const double early = decayEnergy(0, ms(80));
    const double lateral = decayEnergy(ms(5), ms(80));
    for (double a : {0.0, 0.3, 1.0}) {
        SCOPED_TRACE("a = " + std::to_string(a));
        std::vector<float> eight(omni.size(), 0.0f);
        for (std::size_t n = static_cast<std::size_t>(ms(5)); n < omni.size(); ++n)
            eight[n] = static_cast<float>(-a * omni[n]); // the sign of the lobe does not matter
        SpatialInput in = input(omni, eight);
        EXPECT_NEAR(*lateralFraction(in), a * a * lateral / early, 1e-5);
        EXPECT_NEAR(*lateralFractionCos(in), a * lateral / early, 1e-5);
        in.lateralScale = 2; // the channels' gains enter as amplitude factors
        EXPECT_NEAR(*lateralFraction(in), 4 * a * a * lateral / early, 1e-5);
        EXPECT_NEAR(*lateralFractionCos(in), 2 * a * lateral / early, 1e-5);
    }
}

// The window limits move by the filter's energy delay and start at time zero.
TEST(Spatial, LimitsFollowTimeZeroAndFilterDelay)
{
    EXPECT_EQ(spatialBoundary(100, 0.0, 0.002, kFs, 1000), 100);
    EXPECT_EQ(spatialBoundary(100, 0.005, 0.002, kFs, 100000), 100 + ms(7));
    EXPECT_EQ(spatialBoundary(100, INFINITY, 0.002, kFs, 1000), 1000);

    const auto body = ts::exponentialDecay(kT, kFs, 0.5, 1.0);
    const std::int64_t zero = 480;
    std::vector<float> omni(static_cast<std::size_t>(zero), 0.0f);
    omni.insert(omni.end(), body.begin(), body.end());
    SpatialInput in = input(omni, omni);
    in.timeZero = zero;
    in.delay_s = 0.001;
    EXPECT_NEAR(*lateralFraction(in), decayEnergy(ms(6), ms(81)) / decayEnergy(0, ms(81)), 1e-5);
}

// A lateral plane wave over an omni-omni probe one sample of travel apart: the velocity signal equals the
// pressure (the difference telescopes), so the fraction is the pressure's 5..80 ms energy over 0..80 ms.
TEST(Spatial, ProbeOfTwoOmnis)
{
    ts::ResponseShape shape;
    shape.fs_Hz = kFs;
    shape.length_s = 0.3;
    shape.energy = ts::singleDecay(kT, 1.0);
    const auto a = ts::makeTonalResponse(shape, {125.0});
    std::vector<float> b(a.size(), 0.0f);
    for (std::size_t n = 1; n < a.size(); ++n)
        b[n] = a[n - 1];
    const double c = 343.0, spacing = c / kFs;
    double lateral = 0, omni = 0;
    for (std::int64_t n = 0; n < ms(80); ++n) {
        const double p = 0.5 * (a[static_cast<std::size_t>(n)] + b[static_cast<std::size_t>(n)]);
        omni += p * p;
        if (n >= ms(5))
            lateral += double(a[static_cast<std::size_t>(n)]) * a[static_cast<std::size_t>(n)];
    }
    EXPECT_NEAR(*probeLateralFraction(input(a, b), spacing, c), lateral / omni, 1e-4);
    // Frontal sound reaches both capsules at once: nothing lateral.
    EXPECT_NEAR(*probeLateralFraction(input(a, a), spacing, c), 0.0, 1e-12);
    // A probe without a spacing or speed of sound has no value.
    EXPECT_FALSE(probeLateralFraction(input(a, b), 0.0, c));
    EXPECT_FALSE(probeLateralFraction(input(a, b), spacing, 0.0));
}

TEST(Spatial, InterauralCrossCorrelation)
{
    const auto left = ts::exponentialDecay(kT, kFs, 0.5, 1.0, ts::noINR, 0, 1);
    const auto other = ts::exponentialDecay(kT, kFs, 0.5, 1.0, ts::noINR, 0, 99);
    const auto n = static_cast<std::int64_t>(left.size());
    auto delayed = [&](std::int64_t d) {
        std::vector<float> r(left.size(), 0.0f);
        for (std::int64_t i = d; i < n; ++i)
            r[static_cast<std::size_t>(i)] = left[static_cast<std::size_t>(i - d)];
        return r;
    };
    std::vector<float> inverted(left.size());
    for (std::size_t i = 0; i < left.size(); ++i)
        inverted[i] = -left[i];
    struct Row {
        const char* name;
        std::vector<float> right;
        double low, high;
    };
    const Row rows[] = {
        {"identical", left, 1.0 - 1e-9, 1.0},
        {"inverted", inverted, 1.0 - 1e-9, 1.0},
        {"0.5 ms later", delayed(ms(0.5)), 0.99, 1.0},
        {"2 ms later, out of reach", delayed(ms(2)), 0.0, 0.1},
        {"independent", other, 0.0, 0.1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (auto [from, to] : {std::pair<std::int64_t, std::int64_t>{0, n}, {0, ms(80)}, {ms(80), n}}) {
            const auto v = interauralCrossCorrelation(left, row.right, kFs, from, to);
            ASSERT_TRUE(v);
            EXPECT_GE(*v, row.low);
            EXPECT_LE(*v, row.high);
        }
    }
}

// The three windows in one pass give what each window gives alone.
TEST(Spatial, ThreeWindowsAtOnce)
{
    const auto left = ts::exponentialDecay(kT, kFs, 0.5, 1.0, ts::noINR, 0, 1);
    auto right = ts::exponentialDecay(kT, kFs, 0.5, 1.0, ts::noINR, 0, 5);
    for (std::size_t i = 0; i < right.size(); ++i)
        right[i] = 0.7f * right[i] + 0.3f * left[i > 10 ? i - 10 : 0];
    const auto n = static_cast<std::int64_t>(left.size());
    const std::int64_t from = 100, split = ms(80), to = n - 100;
    const auto all = interauralCrossCorrelations(left, right, kFs, from, split, to);
    EXPECT_NEAR(*all.whole, *interauralCrossCorrelation(left, right, kFs, from, to), 1e-9);
    EXPECT_NEAR(*all.early, *interauralCrossCorrelation(left, right, kFs, from, split), 1e-9);
    EXPECT_NEAR(*all.late, *interauralCrossCorrelation(left, right, kFs, split, to), 1e-9);
    EXPECT_GT(*all.early, 0.1);
    const auto noLate = interauralCrossCorrelations(left, right, kFs, from, to, to);
    EXPECT_TRUE(noLate.whole && noLate.early);
    EXPECT_FALSE(noLate.late);
    EXPECT_FALSE(interauralCrossCorrelations(left, right, kFs, from, from - 1, to).whole);
}

TEST(Spatial, NoValue)
{
    const auto x = ts::exponentialDecay(kT, kFs, 0.5, 1.0);
    const std::vector<float> silent(x.size(), 0.0f);
    EXPECT_FALSE(lateralFraction(input(silent, x)));  // no omni energy
    EXPECT_FALSE(lateralFractionCos(input(silent, x)));
    EXPECT_EQ(*lateralFraction(input(x, silent)), 0.0); // a silent figure-of-eight is a value: nothing lateral
    SpatialInput unknownStart = input(x, x);
    unknownStart.timeZero = -1;
    EXPECT_FALSE(lateralFraction(unknownStart));
    const std::vector<float> shortResponse(x.begin(), x.begin() + ms(60));
    EXPECT_FALSE(lateralFraction(input(shortResponse, shortResponse))); // 80 ms do not fit
    EXPECT_FALSE(interauralCrossCorrelation(x, silent, kFs, 0, ms(80)));
    EXPECT_FALSE(interauralCrossCorrelation(x, x, kFs, ms(80), ms(80)));
    EXPECT_FALSE(interauralCrossCorrelation(x, x, kFs, 0, static_cast<std::int64_t>(x.size()) + 1));
}

// The band of a pulse rings on after the pulse's last raw sample: where it has rung out, all but a millionth of its
// energy lies before. Never before the last sound, and at the end of a band that is still sounding there.
TEST(Spatial, RungOutKeepsAllButAMillionthOfTheRinging)
{
    std::vector<float> band(4000, 0.0f);
    for (std::size_t n = 100; n < band.size(); ++n)
        band[n] = static_cast<float>(std::pow(0.99, double(n - 100)) * std::cos(0.3 * double(n)));
    auto after = [&](std::int64_t from) {
        double e = 0;
        for (std::size_t n = static_cast<std::size_t>(from); n < band.size(); ++n)
            e += double(band[n]) * band[n];
        return e;
    };
    const std::int64_t end = rungOut(band, 0, 101);
    ASSERT_GT(end, 101);
    ASSERT_LT(end, 4000);
    EXPECT_LE(after(end), 1e-6 * after(0));
    EXPECT_GT(after(end - 1), 1e-6 * after(0));
    EXPECT_EQ(rungOut(band, 0, 3000), 3000); // the last sound itself comes later
    band.resize(500);
    EXPECT_EQ(rungOut(band, 0, 101), 500); // cut while it still rings
}

// A window rises above a band's noise when its loudest 10 ms lie 10 dB above the noise energy per sample; a
// stretch of 10 ms at the window's end, shorter than the blocks counted from its start, counts as well.
TEST(Spatial, AWindowRisesAboveTheNoiseByTenDecibelsOverTenMilliseconds)
{
    const double noise = 1.0;
    auto window = [&](double burst_dB, std::int64_t burstAt) {
        std::vector<float> x(ms(100), 1.0f);
        for (std::int64_t n = burstAt; n < burstAt + ms(10); ++n)
            x[static_cast<std::size_t>(n)] = static_cast<float>(std::pow(10.0, burst_dB / 20));
        return x;
    };
    struct Row {
        const char* name;
        std::vector<float> band;
        std::int64_t from, to;
        double noise;
        bool rises;
    };
    const Row rows[] = {
        {"noise alone", window(0, 0), 0, ms(100), noise, false},
        {"10 ms 11 dB up at the start", window(11, 0), 0, ms(100), noise, true},
        {"10 ms 9 dB up", window(9, ms(40)), 0, ms(100), noise, false},
        {"10 ms 11 dB up at the end of a window of 95 ms", window(11, ms(85)), 0, ms(95), noise, true},
        {"without noise", window(0, 0), 0, ms(100), 0.0, true},
        {"an empty window", window(11, 0), ms(50), ms(50), noise, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(risesAboveNoise(row.band, kFs, row.from, row.to, row.noise), row.rises);
    }
}
