#include "library/dsp/Mls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace vemra::dsp;

namespace {

std::vector<double> circularConvolve(const std::vector<double>& s, const std::vector<double>& h)
{
    const std::size_t n = s.size();
    std::vector<double> y(n, 0.0);
    for (std::size_t k = 0; k < h.size(); ++k)
        if (h[k] != 0)
            for (std::size_t i = 0; i < n; ++i)
                y[(i + k) % n] += h[k] * s[i];
    return y;
}

} // namespace

TEST(Mls, SequenceIsMaximalWithTheTwoLevelAutocorrelation)
{
    for (int order = MlsMinOrder; order <= 20; ++order) {
        SCOPED_TRACE(order);
        const auto bits = mlsBits(order);
        ASSERT_EQ(static_cast<std::int64_t>(bits.size()), mlsPeriod(order));
        // Every non-zero register window occurs exactly once in a maximal sequence.
        const std::uint32_t full = (1u << order) - 1;
        std::vector<std::uint8_t> seen(std::size_t{1} << order, 0);
        std::uint32_t w = 0;
        const std::size_t n = bits.size();
        for (std::size_t i = 0; i < n + order - 1; ++i) {
            w = ((w << 1) | bits[i % n]) & full;
            if (i + 1 >= static_cast<std::size_t>(order))
                ++seen[w];
        }
        EXPECT_EQ(seen[0], 0);
        for (std::size_t v = 1; v <= full; ++v)
            ASSERT_EQ(seen[v], 1) << "window " << v;
    }
    EXPECT_THROW(mlsBits(1), std::invalid_argument);
    EXPECT_THROW(mlsBits(25), std::invalid_argument);
}

TEST(Mls, HadamardDeconvolutionEqualsExactCorrelationInversion)
{
    std::mt19937 rng(7);
    std::normal_distribution<double> g;
    for (int order = MlsMinOrder; order <= 12; ++order) {
        SCOPED_TRACE(order);
        const auto s = mlsSignal(order);
        std::vector<double> y(s.size());
        for (double& v : y)
            v = g(rng);
        std::vector<double> a(s.size()), b(s.size());
        MlsDeconvolver(order).deconvolve(y, a);
        mlsDeconvolveByCorrelation(s, y, b);
        for (std::size_t k = 0; k < s.size(); ++k)
            ASSERT_NEAR(a[k], b[k], 1e-9) << "lag " << k;
    }
}

TEST(Mls, RecoversACircularResponseExactly)
{
    // Includes a DC offset in the response: the exact inversion keeps it, a plain correlation would not.
    for (int order : {13, 16, 18}) {
        SCOPED_TRACE(order);
        const auto s = mlsSignal(order);
        std::vector<double> h(s.size(), 0.0);
        h[0] = 0.25;
        h[37] = 1.0;
        h[500] = -0.5;
        h[s.size() - 1] = 0.125;
        const auto y = circularConvolve(s, h);
        std::vector<double> r(s.size());
        MlsDeconvolver d(order);
        d.deconvolve(y, r);
        double err = 0;
        for (std::size_t k = 0; k < s.size(); ++k)
            err = std::max(err, std::abs(r[k] - h[k]));
        EXPECT_LT(err, 1e-9);
    }
}
