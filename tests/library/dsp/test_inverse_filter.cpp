// The regularised inverse of a circular response: the card's level and frequency response come out within the
// band, its latency stays, and nothing is boosted where the card passes nothing.
#include "library/dsp/Fft.h"
#include "library/dsp/InverseFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

using namespace vemra::dsp;

namespace {

constexpr double kFs = 48000;

// A loop-back response of n samples: `delay` samples of latency, then a first-order high-pass at 10 Hz and a
// first-order low-pass at lowPass_Hz, at half level.
std::vector<double> loopBack(std::size_t n, std::size_t delay, double lowPass_Hz)
{
    std::vector<double> h(n, 0.0);
    const double a = std::exp(-2 * std::numbers::pi * lowPass_Hz / kFs);
    const double b = std::exp(-2 * std::numbers::pi * 10 / kFs);
    double lp = 0, hpIn = 0, hpOut = 0;
    for (std::size_t i = 0; i + delay < n; ++i) {
        const double x = i == 0 ? 0.5 : 0.0;
        lp = (1 - a) * x + a * lp;
        hpOut = b * (hpOut + lp - hpIn);
        hpIn = lp;
        h[i + delay] = hpOut;
    }
    return h;
}

std::vector<std::complex<double>> spectrumOf(const std::vector<double>& x)
{
    const RealFftD fft(x.size());
    std::vector<std::complex<double>> X(fft.bins());
    fft.forward(x, X);
    return X;
}

} // namespace

TEST(InverseFilter, TheCardComesOutWithinTheBandAndItsLatencyStays)
{
    struct Row {
        const char* name;
        std::size_t n;
        std::size_t delay;
    };
    for (const Row& r : {Row{"MLS period", 16383, 37}, Row{"sweep period", 16384, 500}}) {
        SCOPED_TRACE(r.name);
        const std::vector<double> h = loopBack(r.n, r.delay, 12000);
        const std::vector<double> g = inverseFilter(h, kFs);
        ASSERT_EQ(g.size(), r.n);
        const auto H = spectrumOf(h);
        const auto G = spectrumOf(g);
        double worst_dB = 0, worstPhase = 0;
        for (std::size_t k = 1; k < H.size(); ++k) {
            const double f = double(k) * kFs / double(r.n);
            if (f < 40 || f > 15000)
                continue;
            const std::complex<double> hg = H[k] * G[k];
            const std::complex<double> latency = std::polar(1.0, -2 * std::numbers::pi * double(k * r.delay) / double(r.n));
            worst_dB = std::max(worst_dB, std::abs(20 * std::log10(std::abs(hg))));
            worstPhase = std::max(worstPhase, std::abs(std::arg(hg / latency)));
        }
        EXPECT_LT(worst_dB, 0.05);
        EXPECT_LT(worstPhase, 0.01); // radians: the product is the latency alone
    }
}

TEST(InverseFilter, NothingIsBoostedWhereTheCardPassesNothing)
{
    // A card that is 40 dB down at 20 kHz: the inverse may not lift it by more than the regularisation allows.
    const std::vector<double> h = loopBack(8192, 10, 200);
    InverseFilterSettings s;
    const std::vector<double> g = inverseFilter(h, kFs, s);
    const auto H = spectrumOf(h);
    const auto G = spectrumOf(g);
    double meanInBand = 0;
    int bins = 0;
    for (std::size_t k = 0; k < H.size(); ++k) {
        const double f = double(k) * kFs / 8192;
        if (f >= s.lowEdge_Hz && f <= s.highEdge_Hz) {
            meanInBand += std::norm(H[k]);
            ++bins;
        }
    }
    meanInBand /= bins;
    for (std::size_t k = 0; k < H.size(); ++k) {
        const double f = double(k) * kFs / 8192;
        const double limit = 1 / (2 * std::sqrt(inverseRegularisation(f, kFs, s) * meanInBand));
        EXPECT_LE(std::abs(G[k]), limit * 1.0001) << f;
    }
}

TEST(InverseFilter, TheRegularisationRisesOutsideTheBand)
{
    InverseFilterSettings s; // 20 Hz .. 20 kHz, half an octave of transition
    const double mid = (s.inBand + s.outOfBand) / 2;
    EXPECT_DOUBLE_EQ(inverseRegularisation(1000, kFs, s), s.inBand);
    EXPECT_DOUBLE_EQ(inverseRegularisation(20, kFs, s), s.inBand);
    EXPECT_NEAR(inverseRegularisation(20 / std::pow(2, 0.25), kFs, s), mid, 1e-12);
    EXPECT_DOUBLE_EQ(inverseRegularisation(20 / std::sqrt(2.0), kFs, s), s.outOfBand);
    EXPECT_DOUBLE_EQ(inverseRegularisation(0, kFs, s), s.outOfBand);
    EXPECT_NEAR(inverseRegularisation(20000 * std::pow(2, 0.25), kFs, s), mid, 1e-12);
    // At 22.05 kHz the band ends at 0.45 fs.
    EXPECT_DOUBLE_EQ(inverseRegularisation(9900, 22050, s), s.inBand);
    EXPECT_NEAR(inverseRegularisation(0.45 * 22050 * std::pow(2, 0.25), 22050, s), mid, 1e-12);
}

TEST(InverseFilter, ASilentOrBrokenResponseHasNoInverse)
{
    EXPECT_TRUE(inverseFilter(std::vector<double>(100, 0.0), kFs).empty());
    EXPECT_TRUE(inverseFilter(std::vector<double>{1.0}, kFs).empty());
    EXPECT_TRUE(inverseFilter(std::vector<double>{1.0, NAN, 0.0}, kFs).empty());
    EXPECT_TRUE(inverseFilter(std::vector<double>{1.0, 0.5}, 0).empty());
}
