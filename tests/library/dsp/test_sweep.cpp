#include "library/dsp/Deconvolution.h"
#include "library/dsp/Fft.h"
#include "library/dsp/Sweep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

using namespace vemra::dsp;

TEST(Sweep, PeriodIsPeakNormalisedWithItsEnergyInTheBand)
{
    const double rate = 48000;
    for (int order : {12, 16}) {
        SCOPED_TRACE(order);
        const auto s = periodicSweep(order, rate);
        ASSERT_EQ(s.size(), std::size_t{1} << order);
        double peak = 0;
        for (double v : s)
            peak = std::max(peak, std::abs(v));
        EXPECT_NEAR(peak, 1.0, 1e-12);
        RealFftD fft(s.size());
        std::vector<std::complex<double>> S(fft.bins());
        fft.forward(s, S);
        // 3 dB per octave fall: power at 2 kHz is half the power at 1 kHz (per bin), within the bins' ripple.
        const double df = rate / static_cast<double>(s.size());
        auto bandPower = [&](double f) {
            double p = 0;
            const auto k0 = static_cast<std::size_t>(f / df);
            for (std::size_t k = k0; k < k0 + 8; ++k)
                p += std::norm(S[k]);
            return p;
        };
        EXPECT_NEAR(10 * std::log10(bandPower(1000) / bandPower(2000)), 3.01, 0.3);
        EXPECT_LT(std::abs(S[0]), 1e-9);
    }
    EXPECT_THROW(periodicSweep(7, rate), std::invalid_argument);
    EXPECT_THROW(periodicSweep(12, 0), std::invalid_argument);
}

namespace {

struct SweepCase {
    double rate_Hz;
    int minOrder, maxOrder; // the orders the measurement offers at this rate, long signals included
};

// Energy of the bins in [f1, f2).
double bandEnergy(const std::vector<std::complex<double>>& S, double df, double f1, double f2)
{
    double e = 0;
    for (std::size_t k = 0; k < S.size(); ++k) {
        const double f = static_cast<double>(k) * df;
        if (f >= f1 && f < f2)
            e += std::norm(S[k]);
    }
    return e;
}

} // namespace

// A constant envelope: a sine's crest factor (3 dB) plus the fades' share, never a spike the peak normalisation
// would scale the whole sweep down to; and the designed spectrum, equal energy in every octave.
TEST(Sweep, ConstantEnvelopeAndEqualEnergyPerOctaveAtEveryOfferedOrder)
{
    for (const SweepCase c : {SweepCase{44100, 14, 21}, SweepCase{48000, 14, 21}, SweepCase{96000, 15, 22}}) {
        for (int order = c.minOrder; order <= c.maxOrder; ++order) {
            SCOPED_TRACE(testing::Message() << c.rate_Hz << " Hz, order " << order);
            const auto s = periodicSweep(order, c.rate_Hz);
            EXPECT_LE(crestFactor_dB(s), 4.0);
            EXPECT_GE(crestFactor_dB(s), 3.0);
            RealFftD fft(s.size());
            std::vector<std::complex<double>> S(fft.bins());
            fft.forward(s, S);
            const double df = c.rate_Hz / static_cast<double>(s.size());
            double lowest = 1e300, highest = 0;
            for (double fc = 125; fc <= 8000; fc *= 2) {
                const double e = bandEnergy(S, df, fc / std::sqrt(2.0), fc * std::sqrt(2.0));
                lowest = std::min(lowest, e);
                highest = std::max(highest, e);
            }
            EXPECT_LE(10 * std::log10(highest / lowest), 1.5);
        }
    }
}

// The group delay rises with log frequency over the whole period, fades included: 10 Hz (half the start
// frequency) at the period's start, the top of the upper fade (here the Nyquist frequency) at its end, so each
// octave takes the period times ln 2 / ln(24000 / 10).
TEST(Sweep, EveryOctaveTakesItsShareOfThePeriod)
{
    const double rate = 48000;
    const int order = 18; // long enough to need no refinement of its phases
    const auto s = periodicSweep(order, rate);
    const std::size_t n = s.size();
    RealFftD fft(n);
    std::vector<std::complex<double>> S(fft.bins());
    fft.forward(s, S);
    const double df = rate / static_cast<double>(n);
    const double period_s = static_cast<double>(n) / rate;
    const double span = std::log(24000.0 / 10.0);
    const double octave_s = period_s * std::log(2.0) / span;
    for (double f : {15.0, 125.0, 1000.0, 8000.0, 21000.0}) {
        SCOPED_TRACE(f);
        // Group delay from the phase step between neighbouring bins (at the frequency between them), over a few.
        const auto k0 = static_cast<std::size_t>(f / df);
        double measured = 0, expected = 0;
        for (std::size_t k = k0; k < k0 + 8; ++k) {
            double turns = std::arg(S[k - 1] * std::conj(S[k])) / (2 * std::numbers::pi);
            if (turns < 0)
                turns += 1;
            measured += turns * period_s / 8;
            expected += period_s * std::log((static_cast<double>(k) - 0.5) * df / 10.0) / span / 8;
        }
        EXPECT_NEAR(measured, expected, 0.01 * octave_s);
    }
}

// Above fEnd the level falls as a half-cosine in log frequency over one octave, or over what the rate leaves up to
// the Nyquist frequency, and is zero from the top of the fade on: the sweep ends by the Nyquist frequency.
TEST(Sweep, TheTopFadeReachesZeroByTheNyquistFrequency)
{
    const int order = 16;
    for (const double rate : {8000.0, 22050.0, 44100.0, 48000.0, 96000.0}) {
        SCOPED_TRACE(rate);
        const auto s = periodicSweep(order, rate);
        RealFftD fft(s.size());
        std::vector<std::complex<double>> S(fft.bins());
        fft.forward(s, S);
        const double df = rate / static_cast<double>(s.size());
        // The designed shape at f: the magnitude with its 3 dB per octave fall taken out, 1 in the band.
        const auto shape = [&](double f) {
            const auto k = static_cast<std::size_t>(std::lround(f / df));
            const auto k1 = static_cast<std::size_t>(std::lround(1000 / df));
            return std::abs(S[k]) * std::sqrt(static_cast<double>(k)) / (std::abs(S[k1]) * std::sqrt(static_cast<double>(k1)));
        };
        const double fEnd = std::min(20000.0, 0.45 * rate);
        const double octaves = std::min(1.0, std::log2(0.5 * rate / fEnd));
        const double top = fEnd * std::exp2(octaves);
        EXPECT_NEAR(shape(fEnd * std::exp2(octaves / 2)), 0.5, 0.01) << "half way down";
        for (double f = fEnd * std::exp2(0.98 * octaves); f < top; f += df)
            EXPECT_LT(shape(f), 1e-3) << f;
        for (double f = top + df; f < 0.5 * rate; f += df)
            ASSERT_LT(shape(f), 1e-12) << f;
    }
}

TEST(Deconvolution, SpectralDivisionRecoversACircularResponse)
{
    const int order = 15;
    const auto s = periodicSweep(order, 48000);
    const std::size_t n = s.size();
    std::vector<double> h(n, 0.0);
    h[100] = 1.0;
    h[300] = -0.3;
    // A band-limited response, so that the regularised edges of the sweep do not matter.
    std::vector<double> y(n, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        y[(i + 100) % n] += s[i], y[(i + 300) % n] -= 0.3 * s[i];
    SpectralDeconvolver d(s);
    std::vector<double> r(n);
    d.deconvolve(y, r);
    // Compare within the sweep's band by a low-passed error: check the two taps directly.
    EXPECT_NEAR(r[100], 1.0, 0.02);
    EXPECT_NEAR(r[300], -0.3, 0.02);
}

TEST(Deconvolution, TransferResponseFromAMeasuredSource)
{
    const std::size_t n = 4096;
    std::vector<double> x(n), y(n, 0.0), h(n);
    std::uint32_t state = 1;
    for (double& v : x) {
        state = state * 1664525u + 1013904223u;
        v = (static_cast<double>(state >> 8) / 16777216.0) - 0.5;
    }
    for (std::size_t i = 0; i < n; ++i)
        y[(i + 5) % n] += 0.5 * x[i];
    transferResponse(x, y, h);
    EXPECT_NEAR(h[5], 0.5, 1e-6);
    EXPECT_NEAR(h[6], 0.0, 1e-6);
}
