#include "library/dsp/Deconvolution.h"
#include "library/dsp/Fft.h"
#include "library/dsp/Sweep.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>

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
