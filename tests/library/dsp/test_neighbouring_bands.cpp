// How much a band's decay times hear of the neighbouring octaves. Each octave of a response carries a decay of
// its own, whose spectrum lies strictly inside the band; a band filter passes some of its neighbours' decays
// through its skirts, and where a neighbour decays more slowly its leaked energy takes over the band's late
// decay. Each band's value from the sum is compared with the same band's value from its own decay alone, through
// the same filter and the same analysis, so that neither the realisation's scatter nor the filter's own ringing
// enters the difference: what is left is the leakage.
#include "library/dsp/Bands.h"
#include "library/dsp/ChannelAnalysis.h"
#include "library/dsp/DecayAnalysis.h"
#include "support/ResponseGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

using namespace vemra::dsp;
namespace ts = vemra::testsupport;

namespace {

constexpr double kFs = 48000;
constexpr double kLength_s = 8.0;

struct Octave {
    int band;
    double T_s;
};
// 63 Hz .. 8 kHz: the 2 kHz octave (3.5 s) lies between 1 kHz (5 s) and 4 kHz (4 s).
const Octave kOctaves[] = {{2, 4.0}, {3, 4.5}, {4, 6.0}, {5, 6.0}, {6, 5.0}, {7, 3.5}, {8, 4.0}, {9, 3.0}};

// A decay of reverberation time T carried by tones spread evenly (in log frequency) over the octave's pass band
// up to the last breakpoint before its edges (mid-band G^-3/8 .. G^3/8), with phases from the seed; energy 1e8 per
// sample at the start.
std::vector<float> octaveDecay(int band, double T_s, std::uint64_t seed)
{
    constexpr int kTones = 24;
    constexpr double kSpread = 0.75; // octaves
    const double fm = bandCentre_Hz(band);
    ts::Random random(seed);
    std::vector<std::complex<double>> phasor, step;
    for (int k = 0; k < kTones; ++k) {
        const double f = fm * std::pow(kOctaveRatio, kSpread * ((k + 0.5) / kTones - 0.5));
        phasor.push_back(std::polar(1.0, 2 * std::numbers::pi * random.uniform()));
        step.push_back(std::polar(1.0, 2 * std::numbers::pi * f / kFs));
    }
    const auto n = static_cast<std::size_t>(kLength_s * kFs);
    const double amplitude = std::sqrt(2.0 * 1e8 / kTones);
    const double fall = std::exp(-ts::kDecay60 / (2 * T_s * kFs)); // amplitude per sample
    std::vector<float> x(n);
    double envelope = amplitude;
    for (std::size_t i = 0; i < n; ++i) {
        double sum = 0;
        for (int k = 0; k < kTones; ++k) {
            sum += phasor[static_cast<std::size_t>(k)].real();
            phasor[static_cast<std::size_t>(k)] *= step[static_cast<std::size_t>(k)];
        }
        x[i] = static_cast<float>(envelope * sum);
        envelope *= fall;
    }
    return x;
}

struct Times {
    double edt, t20, t30;
};

Times decayTimes(ChannelAnalysis& analysis, int band)
{
    const DecayAnalysis* d = analysis.decay(band);
    EXPECT_TRUE(d && d->edt.valid && d->t20.valid && d->t30.valid);
    if (!d)
        return {};
    return {d->edt.decayTime_s, d->t20.decayTime_s, d->t30.decayTime_s};
}

} // namespace

// Every octave within 1 % of its own decay's times, and within 2.5 % where a neighbour decays more than 40 %
// longer (the 2 kHz octave beside 1 kHz).
TEST(NeighbouringBands, AnOctaveHearsLittleOfItsNeighboursDecays)
{
    std::vector<std::vector<float>> own;
    std::vector<float> sum(static_cast<std::size_t>(kLength_s * kFs), 0.0f);
    for (const Octave& o : kOctaves) {
        own.push_back(octaveDecay(o.band, o.T_s, 100 + static_cast<std::uint64_t>(o.band)));
        for (std::size_t i = 0; i < sum.size(); ++i)
            sum[i] += own.back()[i];
    }
    ChannelAnalysis all(sum, kFs, 0);
    for (std::size_t i = 0; i < std::size(kOctaves); ++i) {
        const Octave& o = kOctaves[i];
        double neighbour = 0;
        for (std::size_t j : {i - 1, i + 1})
            if (j < std::size(kOctaves))
                neighbour = std::max(neighbour, kOctaves[j].T_s);
        const double bound = neighbour > 1.4 * o.T_s ? 0.025 : 0.01;
        SCOPED_TRACE("band " + std::to_string(o.band) + " T " + std::to_string(o.T_s));
        ChannelAnalysis alone(own[i], kFs, 0);
        const Times a = decayTimes(alone, o.band), b = decayTimes(all, o.band);
        EXPECT_NEAR(b.edt / a.edt, 1.0, bound);
        EXPECT_NEAR(b.t20 / a.t20, 1.0, bound);
        EXPECT_NEAR(b.t30 / a.t30, 1.0, bound);
    }
}
