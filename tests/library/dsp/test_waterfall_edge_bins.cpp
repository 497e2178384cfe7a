// The two edge bins of a waterfall slice, 0 Hz and half the sampling rate, against closed forms: they have no
// mirror image in the spectrum, so their scale differs from the other bins' and is easily got wrong.
#include "library/dsp/Waterfall.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>
#include <vector>

using namespace vemra::dsp;

namespace {

constexpr int kLogN = 10;
constexpr std::size_t kN = std::size_t(1) << kLogN;
constexpr std::size_t kTop = kN / 2;
constexpr double kAmplitude = 8000;
// A bin near the top, yet far enough from it that no window's main lobe reaches its mirror image past the top.
constexpr std::size_t kNearTop = kTop - 8;

double fullScale_dB(double amplitude) { return 20 * std::log10(amplitude / 32768); }

WaterfallSettings timeShifted(int window, bool smooth)
{
    WaterfallSettings s;
    s.mode = DecayMode::TimeShifted;
    s.logN = kLogN;
    s.windowType = window;
    s.slices = 2;
    s.count = std::int64_t(2 * kN);
    s.smooth = smooth;
    return s;
}

std::vector<float> firstSlice(const WaterfallSettings& s, const std::vector<float>& signal)
{
    WaterfallSlicer slicer(s);
    // Not a number until written: a bin the slicer leaves alone fails every comparison.
    std::vector<float> levels(slicer.bins(), std::numeric_limits<float>::quiet_NaN());
    slicer.slice(signal, 0, levels);
    return levels;
}

} // namespace

// A sinusoid of amplitude A at exactly half the rate, A cos(pi n), and a constant A each show 20 log10(A / 32768)
// dB in their edge bin under every window; a bin near the top shows a tone of the same amplitude the same.
TEST(WaterfallEdgeBins, ToneAtHalfTheRateAndConstantShowTheirAmplitude)
{
    std::vector<float> nyquist(2 * kN), constant(2 * kN, float(kAmplitude)), below(2 * kN);
    for (std::size_t i = 0; i < nyquist.size(); ++i) {
        nyquist[i] = float(i % 2 ? -kAmplitude : kAmplitude);
        below[i] = float(kAmplitude * std::cos(2 * std::numbers::pi * double(kNearTop) * double(i) / double(kN)));
    }
    for (const auto& [name, window] : {std::pair{"rectangular", kWindowRectangular}, {"Hanning", kWindowHanning},
                                       {"Hamming", kWindowHamming}, {"Blackman", kWindowBlackman},
                                       {"Blackman-Harris", kWindowBlackmanHarris}}) {
        SCOPED_TRACE(name);
        const WaterfallSettings s = timeShifted(window, false);
        EXPECT_NEAR(firstSlice(s, nyquist)[kTop], fullScale_dB(kAmplitude), 0.01);
        EXPECT_NEAR(firstSlice(s, constant)[0], fullScale_dB(kAmplitude), 0.01);
        EXPECT_NEAR(firstSlice(s, below)[kNearTop], fullScale_dB(kAmplitude), 0.01);
    }
}

// A full-scale impulse at the start of a cumulative-decay gate is flat at 0 dB up to and including the top bin,
// smoothed or not (a third octave of a flat spectrum is flat).
TEST(WaterfallEdgeBins, ImpulseResponseIsFlatUpToTheTopBin)
{
    std::vector<float> impulse(kN, 0.0f);
    impulse[0] = 32768;
    for (const bool smooth : {false, true}) {
        SCOPED_TRACE(smooth ? "smoothed" : "raw");
        WaterfallSettings s;
        s.mode = DecayMode::Cumulative;
        s.logN = kLogN;
        s.windowType = kWindowRectangular;
        s.slices = 2;
        s.count = std::int64_t(kN);
        s.csdRise_ms = 0;
        s.smooth = smooth;
        const std::vector<float> levels = firstSlice(s, impulse);
        ASSERT_EQ(levels.size(), kTop + 1);
        for (const std::size_t bin : {std::size_t(0), std::size_t(1), kTop - 1, kTop})
            EXPECT_NEAR(levels[bin], 0.0, 0.01) << "bin " << bin;
    }
}
