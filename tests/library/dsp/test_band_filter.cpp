#include "library/dsp/BandFilter.h"
#include "library/dsp/Bands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

using namespace vemra::dsp;

namespace {

const double kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000};

// The class 1 acceptance limits of the relative attenuation at the octave breakpoints x (normalised frequency
// G^x), high side; the low side mirrors it.
struct Breakpoint {
    double x;
    double minAttenuation_dB;
    double maxAttenuation_dB; // +inf in the stop band
};
constexpr double kInf = 1e9;
const Breakpoint kMask[] = {
    {0.0, -0.4, 0.4},         {0.125, -0.4, 0.5},       {0.25, -0.4, 0.7},        {0.375, -0.4, 1.4},
    {0.5 - 1e-9, -0.4, 5.3},  {0.5 + 1e-9, 1.2, kInf},  {1.0, 16.6, kInf},        {2.0, 40.5, kInf},
    {3.0, 60.0, kInf},        {4.0, 70.0, kInf},
};

// Normalised frequency of an octave breakpoint for a filter of b bands per octave (high side).
double breakpointOmega(double x, int b)
{
    const double omega1 = std::pow(kOctaveRatio, x);
    if (b == 1)
        return omega1;
    return 1.0 + (std::pow(kOctaveRatio, 1.0 / (2 * b)) - 1.0) / (std::pow(kOctaveRatio, 0.5) - 1.0) * (omega1 - 1.0);
}

// Limits at a normalised frequency omega >= 1, stepped between breakpoints: inside the pass band the limit of the
// next breakpoint outward applies, in the stop band that of the last breakpoint passed.
void limitsAt(double omega, int b, double& minA, double& maxA)
{
    if (std::abs(omega / breakpointOmega(0.5, b) - 1) < 1e-6) { // on the band edge both neighbours apply
        minA = 1.2;
        maxA = 5.3;
        return;
    }
    minA = -0.4;
    maxA = 0.4;
    for (const Breakpoint& p : kMask) {
        const double w = breakpointOmega(p.x, b);
        if (p.x < 0.5) {
            if (omega <= w * (1 + 1e-12)) {
                maxA = p.maxAttenuation_dB;
                return;
            }
        } else if (omega >= w) {
            minA = p.minAttenuation_dB;
            maxA = p.maxAttenuation_dB;
        }
    }
}

} // namespace

TEST(Bands, CentresAndEdgesFollowTheBaseTenTable)
{
    EXPECT_DOUBLE_EQ(bandCentre_Hz(6), 1000.0);
    EXPECT_DOUBLE_EQ(bandCentre_Hz(30), 1000.0);
    EXPECT_NEAR(bandCentre_Hz(0), 15.848932, 1e-6);
    EXPECT_NEAR(bandCentre_Hz(14), 25.118864, 1e-6);
    EXPECT_NEAR(bandCentre_Hz(43), 19952.623, 1e-3);
    EXPECT_NEAR(bandUpper_Hz(10), 22387.21, 0.01);
    EXPECT_NEAR(bandLower_Hz(30) * bandUpper_Hz(30), 1e6, 1e-6);
    EXPECT_EQ(bandCentre_Hz(44), 0.0);
    EXPECT_EQ(bandCentre_Hz(-1), 0.0);
    EXPECT_NEAR(wideBandLower_Hz(), bandLower_Hz(14), 1e-9);
}

TEST(Bands, NyquistTest)
{
    EXPECT_FALSE(bandBelowNyquist(10, 44100));
    EXPECT_TRUE(bandBelowNyquist(10, 48000));
    EXPECT_FALSE(bandBelowNyquist(43, 44100));
    EXPECT_TRUE(bandBelowNyquist(42, 44100));
    EXPECT_TRUE(bandBelowNyquist(8, 22050));
    EXPECT_FALSE(bandBelowNyquist(9, 22050)); // upper edge 11.22 kHz
    EXPECT_TRUE(bandBelowNyquist(kAllPass, 8000));
    EXPECT_TRUE(bandBelowNyquist(kWideBand, 8000));
    EXPECT_FALSE(bandBelowNyquist(44, 96000));
    EXPECT_FALSE(bandBelowNyquist(-3, 96000));
    EXPECT_FALSE(bandBelowNyquist(6, 0));
    EXPECT_NEAR(wideBandUpper_Hz(48000), bandUpper_Hz(43), 1e-9);
    EXPECT_NEAR(wideBandUpper_Hz(44100), bandUpper_Hz(42), 1e-9);
}

TEST(BandFilter, DesignExistsExactlyForUsableBands)
{
    for (double fs : kRates)
        for (int band = -3; band <= 44; ++band) {
            SCOPED_TRACE("fs " + std::to_string(fs) + " band " + std::to_string(band));
            EXPECT_EQ(BandFilter::design(band, fs).has_value(), bandBelowNyquist(band, fs));
        }
}

// Every band of the bank at every rate offered, on the breakpoints and on a dense grid between them, up to
// Nyquist.
TEST(BandFilter, EveryBandMeetsTheClassOneMask)
{
    for (double fs : kRates)
        for (int band = 0; band < kBandCount; ++band) {
            const auto filter = BandFilter::design(band, fs);
            if (!filter)
                continue;
            SCOPED_TRACE("fs " + std::to_string(fs) + " band " + std::to_string(band));
            const int b = bandsPerOctave(band);
            const double fm = bandCentre_Hz(band);
            const double ref = filter->gain_dB(fm);
            EXPECT_NEAR(ref, 0.0, 1e-9);
            std::vector<double> omegas;
            for (const Breakpoint& p : kMask)
                omegas.push_back(breakpointOmega(p.x, b));
            for (double x = 0; x <= 6; x += 1.0 / 64)
                omegas.push_back(breakpointOmega(x, b));
            for (double omega : omegas)
                for (double side : {1.0, -1.0}) {
                    const double f = side > 0 ? fm * omega : fm / omega;
                    if (f >= fs / 2)
                        continue;
                    const double attenuation = ref - filter->gain_dB(f);
                    double minA, maxA;
                    limitsAt(omega, b, minA, maxA);
                    EXPECT_GE(attenuation, minA) << "f " << f;
                    EXPECT_LE(attenuation, maxA) << "f " << f;
                }
        }
}

TEST(BandFilter, WideBandPassesItsRangeAndAllPassCopies)
{
    for (double fs : {22050.0, 44100.0, 48000.0}) {
        SCOPED_TRACE(fs);
        const auto wide = BandFilter::design(kWideBand, fs);
        ASSERT_TRUE(wide);
        EXPECT_NEAR(wide->gain_dB(wideBandLower_Hz()), -3.01, 0.05);
        EXPECT_NEAR(wide->gain_dB(wideBandUpper_Hz(fs)), -3.01, 0.05);
        for (int band = 17; band <= 40 && bandBelowNyquist(band + 2, fs); ++band)
            EXPECT_NEAR(wide->gain_dB(bandCentre_Hz(band)), 0.0, 0.15) << band;
        EXPECT_LT(wide->gain_dB(wideBandLower_Hz() / 4), -35.0);
    }
    const auto all = BandFilter::design(kAllPass, 44100);
    ASSERT_TRUE(all);
    EXPECT_TRUE(all->isAllPass());
    const std::vector<float> x = {1, -2, 3, 0.5f};
    EXPECT_EQ(all->apply(x, FilterDirection::Forward), x);
    EXPECT_EQ(all->apply(x, FilterDirection::Reversed), x);
}

// The time-domain kernel must realise the designed response, in both directions, also for the lowest band at
// the highest rate (poles very close to the unit circle).
TEST(BandFilter, FilteredSineHasTheDesignedGain)
{
    struct Case {
        int band;
        double fs;
        double fOverFm;
    };
    const Case cases[] = {{14, 96000, 1.0}, {14, 96000, 1.12}, {6, 48000, 1.0}, {6, 48000, 2.0},
                          {42, 44100, 1.0}, {8, 22050, 0.7},   {30, 8000, 1.3}, {kWideBand, 48000, 1.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE("band " + std::to_string(c.band) + " fs " + std::to_string(c.fs));
        const auto filter = BandFilter::design(c.band, c.fs);
        ASSERT_TRUE(filter);
        const double f = filter->reference_Hz() * c.fOverFm;
        const std::size_t n = static_cast<std::size_t>(c.fs * 3);
        std::vector<float> x(n);
        for (std::size_t i = 0; i < n; ++i)
            x[i] = static_cast<float>(std::sin(2 * std::numbers::pi * f * i / c.fs));
        const double expected = std::pow(10.0, filter->gain_dB(f) / 20);
        for (auto dir : {FilterDirection::Forward, FilterDirection::Reversed}) {
            const auto y = filter->apply(x, dir);
            // RMS over the middle second, away from the transients at either end.
            double sum = 0;
            const std::size_t from = n / 3, to = 2 * n / 3;
            for (std::size_t i = from; i < to; ++i)
                sum += double(y[i]) * y[i];
            const double rms = std::sqrt(sum / (to - from)) * std::sqrt(2.0);
            EXPECT_NEAR(rms, expected, 0.005 * expected + 1e-4);
        }
    }
}

TEST(BandFilter, SideBySideFilteringEqualsOneByOne)
{
    const double fs = 48000;
    std::vector<float> x(5000);
    unsigned seed = 1;
    for (float& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<float>(static_cast<int>(seed >> 8) % 2001 - 1000);
    }
    std::vector<BandFilter> filters;
    for (int band : {kAllPass, 1, 2, 3, 4, 5, 6, kWideBand})
        filters.push_back(*BandFilter::design(band, fs));
    std::vector<const BandFilter*> ptrs;
    for (const auto& f : filters)
        ptrs.push_back(&f);
    std::vector<std::vector<float>> outs(filters.size(), std::vector<float>(x.size()));
    std::vector<std::span<float>> spans(outs.begin(), outs.end());
    applyBandFilters(x, ptrs, FilterDirection::Reversed, spans);
    for (std::size_t i = 0; i < filters.size(); ++i)
        EXPECT_EQ(outs[i], filters[i].apply(x, FilterDirection::Reversed)) << i;
}

// The band of a signal behind zeros, or followed by them, is the band of the signal behind as many zeros, sample for
// sample, when the rate changes are anchored where the signal's time zero is: the rate changes start as far before
// the first sample and end as far after the last as their taps reach. Bands at the full rate and at the deepest
// rate, both directions.
TEST(BandFilter, ZerosAroundTheSignalOnlyMoveTheBand)
{
    const double fs = 44100;
    std::vector<float> x(6000, 0.0f);
    unsigned seed = 5;
    for (std::size_t i = 0; i < x.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        x[i] = static_cast<float>(static_cast<int>(seed >> 8) % 2001 - 1000) * std::exp(-0.001f * static_cast<float>(i));
    }
    const std::int64_t zero = 7;
    for (int band : {40, 14, 0})
        for (FilterDirection direction : {FilterDirection::Forward, FilterDirection::Reversed}) {
            const auto filter = *BandFilter::design(band, fs);
            const auto plain = filter.apply(x, direction, zero);
            for (auto [before, after] : {std::pair{1, 0}, {2, 3}, {13, 0}, {0, 1}, {250, 251}}) {
                SCOPED_TRACE("band " + std::to_string(band) + (direction == FilterDirection::Forward ? " forward, " : " reversed, ") +
                             std::to_string(before) + " zeros before, " + std::to_string(after) + " after");
                std::vector<float> y(static_cast<std::size_t>(before), 0.0f);
                y.insert(y.end(), x.begin(), x.end());
                y.resize(y.size() + static_cast<std::size_t>(after), 0.0f);
                const auto padded = filter.apply(y, direction, zero + before);
                for (std::size_t i = 0; i < x.size(); ++i)
                    ASSERT_EQ(padded[i + static_cast<std::size_t>(before)], plain[i]) << i;
            }
        }
}

// Processors without AVX2 run the portable kernel: it must give the same bands (up to rounding).
TEST(BandFilter, PortableKernelAgreesWithTheFastOne)
{
    const double fs = 44100;
    std::vector<float> x(20000);
    unsigned seed = 7;
    for (float& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<float>(static_cast<int>(seed >> 8) % 20001 - 10000);
    }
    std::vector<BandFilter> filters;
    for (int band = 14; band <= 42; ++band) // 29 filters of three and more sections, in groups of 8 and fewer
        filters.push_back(*BandFilter::design(band, fs));
    std::vector<const BandFilter*> ptrs;
    for (const auto& f : filters)
        ptrs.push_back(&f);
    for (auto dir : {FilterDirection::Forward, FilterDirection::Reversed}) {
        std::vector<std::vector<float>> fast(filters.size(), std::vector<float>(x.size())), portable = fast;
        std::vector<std::span<float>> fastSpans(fast.begin(), fast.end()), portableSpans(portable.begin(), portable.end());
        applyBandFilters(x, ptrs, dir, fastSpans);
        usePortableFilterKernel(true);
        applyBandFilters(x, ptrs, dir, portableSpans);
        usePortableFilterKernel(false);
        for (std::size_t f = 0; f < filters.size(); ++f) {
            double peak = 0, diff = 0;
            for (std::size_t i = 0; i < x.size(); ++i) {
                peak = std::max(peak, std::abs(double(fast[f][i])));
                diff = std::max(diff, std::abs(double(fast[f][i]) - portable[f][i]));
            }
            EXPECT_LT(diff, 1e-4 * peak) << "filter " << f;
        }
    }
}

// Reversed filtering mirrors forward filtering (the anchor of the rate changes mirrored too), and each keeps the
// filter's ringing on its own side of the sound: forward after it, reversed before it. A band filtered at the full rate leaves nothing at all on the other
// side; a band filtered at a reduced rate only what the zero-phase rate changes spread over about one sample of
// that rate, far down (here 2 kHz at 44.1 kHz, halved once, its upper edge just inside a quarter of the reduced
// rate: the most the half-band filters spread).
TEST(BandFilter, ReversedFilteringIsTheMirrorOfForward)
{
    struct Case {
        int band;
        double fs;
        int decimation;
        double otherSide; // most energy on the wrong side of the impulse, a fraction of the whole
    };
    const Case cases[] = {{8, 44100, 1, 0.0}, {7, 44100, 2, 1e-5}};
    for (const Case& c : cases) {
        SCOPED_TRACE("band " + std::to_string(c.band));
        const auto filter = *BandFilter::design(c.band, c.fs);
        EXPECT_EQ(filter.decimation(), c.decimation);
        std::vector<float> x(3000, 0.0f);
        x[101] = 1000;
        std::vector<float> mirrored(x.rbegin(), x.rend());
        const auto forward = filter.apply(mirrored, FilterDirection::Forward);
        const auto reversed = filter.apply(x, FilterDirection::Reversed, static_cast<std::int64_t>(x.size()) - 1);
        for (std::size_t i = 0; i < x.size(); ++i)
            ASSERT_EQ(reversed[i], forward[x.size() - 1 - i]) << i;
        const auto fwd = filter.apply(x, FilterDirection::Forward);
        double before = 0, after = 0, whole = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            whole += double(fwd[i]) * fwd[i];
            if (i < 101)
                before += double(fwd[i]) * fwd[i];
            if (i > 101)
                after += double(reversed[i]) * reversed[i];
        }
        EXPECT_LE(before, c.otherSide * whole);
        EXPECT_LE(after, c.otherSide * whole);
        EXPECT_GT(whole, 0.0);
    }
}

// The limits every design is checked against are the published ones: a gain that keeps 1 dB inside the limits
// everywhere is accepted; one that crosses a single limit by 1 dB over one stretch between breakpoints (pass band:
// too much attenuation; stop band: too little) is refused. Octaves and third octaves, both sides of mid-band.
TEST(BandFilter, DesignsAreCheckedAgainstThePublishedMask)
{
    const double fm = 1000, fs = 1e6; // every breakpoint below Nyquist
    for (int b : {1, 3}) {
        SCOPED_TRACE("bands per octave " + std::to_string(b));
        // x of a normalised frequency omega >= 1 (the inverse of the breakpoint mapping).
        auto xOf = [b](double omega) {
            const double omega1 = 1 + (omega - 1) * (std::pow(kOctaveRatio, 0.5) - 1) / (std::pow(kOctaveRatio, 1.0 / (2 * b)) - 1);
            return std::log(omega1) / std::log(kOctaveRatio);
        };
        // A gain 1 dB inside the limits, except `crossed` dB beyond them for x in [from, to).
        auto gain = [&](double from, double to, double crossed) {
            return [=](double f) {
                const double omega = std::max(f / fm, fm / f);
                double minA, maxA;
                limitsAt(omega * (1 + 1e-9), b, minA, maxA); // on a breakpoint, the stop band's next limit
                const bool pass = maxA < kInf && minA < 0;
                double a = pass ? 0.0 : minA + 1;
                const double x = xOf(omega);
                if (x >= from && x < to)
                    a = pass ? maxA + crossed : minA - crossed;
                return -a;
            };
        };
        EXPECT_TRUE(meetsClassOneMask(gain(0, 0, 0), fm, fs, b));
        // Stop-band stretches between breakpoints, then pass-band ones (x just below each breakpoint).
        const double stretches[][2] = {{0.5 + 1e-6, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 6},
                                       {0.01, 0.125}, {0.13, 0.25}, {0.26, 0.375}, {0.38, 0.5 - 1e-6}};
        for (const auto& s : stretches) {
            SCOPED_TRACE("x " + std::to_string(s[0]) + " .. " + std::to_string(s[1]));
            EXPECT_FALSE(meetsClassOneMask(gain(s[0], s[1], 1.0), fm, fs, b));
        }
    }
}

// What the filtering gives (through either kernel) is the closed-form magnitude of a digital Butterworth band-pass
// of order 6 per side with both edges pre-warped onto the exact band edges, |H|^2 = 1 / (1 + q^12) with
// q = (W^2 - W1 W2) / (W (W2 - W1)) and W = 2 r tan(pi f / r) at the rate r the sections run at, scaled to 0 dB at
// mid-band: -3.01 dB on both edges, and the order's own attenuation half a band width outside them (below a
// quarter of that rate, where the rate changes keep a tone as it is). The level of a steady tone is read from the
// settled output by a Hann-windowed transform at the tone's frequency.
TEST(BandFilter, FilteredToneFollowsTheButterworthMagnitudeOfOrderSix)
{
    struct Case {
        int band;
        double fs;
    };
    const Case cases[] = {{14, 96000}, {14, 44100}, {0, 48000},  {6, 48000},
                          {30, 44100}, {43, 48000}, {42, 44100}, {10, 96000}};
    auto closedForm_dB = [](double f, double f1, double f2, double rate) {
        auto warp = [rate](double hz) { return 2 * rate * std::tan(std::numbers::pi * hz / rate); };
        const double w = warp(f), w1 = warp(f1), w2 = warp(f2);
        const double q = (w * w - w1 * w2) / (w * (w2 - w1));
        return -10 * std::log10(1 + std::pow(q, 12));
    };
    for (bool portable : {false, true}) {
        usePortableFilterKernel(portable);
        for (const Case& c : cases) {
            const auto filter = BandFilter::design(c.band, c.fs);
            ASSERT_TRUE(filter);
            const double f1 = bandLower_Hz(c.band), f2 = bandUpper_Hz(c.band), fm = bandCentre_Hz(c.band);
            const double rate = filter->sectionRate_Hz();
            const double halfBand = std::sqrt(f2 / f1); // the band's half width as a ratio
            std::vector<double> tones = {fm, f1, f2, fm * std::pow(halfBand, 1.5), fm / std::pow(halfBand, 1.5)};
            for (double f : tones) {
                if (f >= (filter->decimation() > 1 ? rate / 4 : c.fs / 2)) // the rate changes' filters shape it
                    continue;
                SCOPED_TRACE(std::string(portable ? "portable" : "fast") + " kernel, band " + std::to_string(c.band) +
                             " at " + std::to_string(c.fs) + " Hz, tone " + std::to_string(f) + " Hz");
                // Settled after two seconds (the narrowest band rings for some tenths of a second), then two
                // seconds read.
                const auto settle = static_cast<std::size_t>(2 * c.fs), read = settle;
                std::vector<float> x(settle + read);
                for (std::size_t i = 0; i < x.size(); ++i)
                    x[i] = static_cast<float>(std::sin(2 * std::numbers::pi * f * static_cast<double>(i) / c.fs));
                const auto y = filter->apply(x, FilterDirection::Forward);
                double re = 0, im = 0, weights = 0;
                for (std::size_t i = 0; i < read; ++i) {
                    const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * (i + 0.5) / read);
                    const double phase = 2 * std::numbers::pi * f * static_cast<double>(settle + i) / c.fs;
                    re += w * y[settle + i] * std::cos(phase);
                    im += w * y[settle + i] * std::sin(phase);
                    weights += w;
                }
                const double level_dB = 20 * std::log10(2 * std::hypot(re, im) / weights);
                const double expected_dB = closedForm_dB(f, f1, f2, rate) - closedForm_dB(fm, f1, f2, rate);
                EXPECT_NEAR(level_dB, expected_dB, 0.002);
            }
        }
    }
    usePortableFilterKernel(false);
}
