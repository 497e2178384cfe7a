// The slices of a waterfall against closed forms: a tone's level and bin under every window, the decay of a
// single exponential in cumulative spectral decay, the placing of the slices, and the mapping of spectra onto the
// picture's frequency axis.
#include "library/dsp/Waterfall.h"
#include "library/dsp/WaterfallDisplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

using namespace vemra::dsp;

namespace {

constexpr double kFs = 48000;

WaterfallSettings settingsFor(DecayMode mode, int logN, int window, std::int64_t count)
{
    WaterfallSettings s;
    s.mode = mode;
    s.logN = logN;
    s.windowType = window;
    s.slices = 10;
    s.start = 0;
    s.count = count;
    s.csdShift = 50;
    s.csdRise_ms = 0;
    s.smooth = false;
    s.fs_Hz = kFs;
    return s;
}

std::vector<float> sliceOf(const WaterfallSettings& s, const std::vector<float>& signal, int slice)
{
    WaterfallSlicer slicer(s);
    std::vector<float> levels(slicer.bins());
    slicer.slice(signal, slice, levels);
    return levels;
}

} // namespace

// A sinusoid centred on a bin shows its amplitude in that bin, whatever the window: the window's coherent gain is
// divided out.
TEST(WaterfallSlices, ToneShowsItsAmplitudeInItsBinUnderEveryWindow)
{
    constexpr int kLogN = 11;
    constexpr std::size_t kN = 1u << kLogN;
    constexpr int kBin = 100;
    constexpr double kAmplitude = 10000;
    std::vector<float> tone(kN * 2);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = float(kAmplitude * std::cos(2 * std::numbers::pi * kBin * double(i) / double(kN) + 0.3));
    const double expected_dB = 20 * std::log10(kAmplitude / 32768);

    for (const auto& [name, window] : {std::pair{"rectangular", kWindowRectangular}, {"Hanning", kWindowHanning},
                                       {"Hamming", kWindowHamming}, {"Blackman", kWindowBlackman},
                                       {"Blackman-Harris", kWindowBlackmanHarris}}) {
        SCOPED_TRACE(name);
        const std::vector<float> levels =
            sliceOf(settingsFor(DecayMode::TimeShifted, kLogN, window, std::int64_t(tone.size())), tone, 0);
        ASSERT_EQ(levels.size(), kN / 2 + 1);
        EXPECT_EQ(std::max_element(levels.begin(), levels.end()) - levels.begin(), kBin);
        EXPECT_NEAR(levels[kBin], expected_dB, 0.01);
        // Far from the tone, the spectrum lies well below it.
        EXPECT_LT(levels[kBin + 40], expected_dB - 40);
    }
}

// Cutting a single exponential decay later only lowers its spectrum: each CSD slice lies 8.686 * shift / tau dB
// below the one before, at every frequency.
TEST(WaterfallSlices, CumulativeDecayOfAnExponentialFallsAtItsRateAtEveryFrequency)
{
    constexpr double kTau = 200; // samples
    constexpr int kShift = 50;
    std::vector<float> decay(8192);
    for (std::size_t i = 0; i < decay.size(); ++i)
        decay[i] = float(30000 * std::exp(-double(i) / kTau));
    WaterfallSettings s = settingsFor(DecayMode::Cumulative, 12, kWindowRectangular, std::int64_t(decay.size()));
    s.csdShift = kShift;
    const double step_dB = -20 * std::log10(std::exp(1.0)) * kShift / kTau;

    WaterfallSlicer slicer(s);
    std::vector<std::vector<float>> slices(std::size_t(s.slices), std::vector<float>(slicer.bins()));
    for (int i = 0; i < s.slices; ++i)
        slicer.slice(decay, i, slices[std::size_t(i)]);
    for (std::size_t bin : {std::size_t(0), std::size_t(3), std::size_t(100), std::size_t(1000), std::size_t(2048)}) {
        SCOPED_TRACE(bin);
        for (int i = 1; i < s.slices; ++i)
            EXPECT_NEAR(slices[std::size_t(i)][bin] - slices[std::size_t(i - 1)][bin], step_dB, 0.01);
    }
    EXPECT_DOUBLE_EQ(sliceTime_s(s, 3), 3.0 * kShift / kFs);
}

// A full-scale impulse at the start of the gate is a flat response at 0 dB; smoothing keeps a flat spectrum flat,
// and a slice cut after the impulse holds nothing.
TEST(WaterfallSlices, CumulativeDecayOfAnImpulseIsFlatAtZeroDecibels)
{
    std::vector<float> impulse(4096, 0.0f);
    impulse[0] = 32768;
    for (const bool smooth : {false, true}) {
        SCOPED_TRACE(smooth ? "smoothed" : "raw");
        WaterfallSettings s = settingsFor(DecayMode::Cumulative, 10, kWindowRectangular, 4096);
        s.smooth = smooth;
        const std::vector<float> first = sliceOf(s, impulse, 0);
        for (std::size_t k = 0; k < first.size(); k += 37)
            EXPECT_NEAR(first[k], 0.0, 0.01) << "bin " << k;
        const std::vector<float> later = sliceOf(s, impulse, 1);
        EXPECT_EQ(*std::max_element(later.begin(), later.end()), kWaterfallFloor_dB);
    }
}

// The rise time softens the cut: a slice whose ramp still rises over a constant signal keeps less of it than a
// hard cut at the same place.
TEST(WaterfallSlices, RiseTimeRampsTheStartOfEachCut)
{
    const std::vector<float> steady(1024, 1000.0f);
    WaterfallSettings hard = settingsFor(DecayMode::Cumulative, 10, kWindowRectangular, 1024);
    WaterfallSettings soft = hard;
    soft.csdRise_ms = 1; // 48 samples
    EXPECT_LT(sliceOf(soft, steady, 2)[0], sliceOf(hard, steady, 2)[0] - 0.15);
}

// Time-shifted windows step evenly from the start of the stretch, the last one ending at its end; a stretch
// shorter than one window steps count / slices. An impulse is seen only by the windows that cover it.
TEST(WaterfallSlices, TimeShiftedWindowsCoverTheStretch)
{
    WaterfallSettings s = settingsFor(DecayMode::TimeShifted, 8, kWindowRectangular, 256 + 900);
    s.start = 100;
    EXPECT_DOUBLE_EQ(sliceOffset(s, 0), 0);
    EXPECT_DOUBLE_EQ(sliceOffset(s, 9), 900);
    EXPECT_DOUBLE_EQ(sliceOffset(s, 1), 100);
    WaterfallSettings shortStretch = s;
    shortStretch.count = 200;
    EXPECT_DOUBLE_EQ(sliceOffset(shortStretch, 5), 100);

    std::vector<float> signal(2000, 0.0f);
    signal[100 + 450] = 20000; // covered by the windows starting at 200 .. 400 past the start
    for (int i = 0; i < s.slices; ++i) {
        const double offset = sliceOffset(s, i);
        const bool covered = offset <= 450 && 450 < offset + 256;
        EXPECT_EQ(sliceOf(s, signal, i)[10] > kWaterfallFloor_dB, covered) << "slice " << i;
    }
    // Samples beyond the stretch count as zero, also where a window reaches past it.
    std::vector<float> beyond(2000, 0.0f);
    beyond[100 + 300] = 20000; // inside the last window (180 .. 436 past the start), beyond the stretch's 200
    EXPECT_EQ(sliceOf(shortStretch, beyond, 9)[10], kWaterfallFloor_dB);
}

TEST(WaterfallSlices, SettingsOutsideTheirRangesAreRefused)
{
    struct Case {
        const char* name;
        void (*spoil)(WaterfallSettings&);
    };
    const Case cases[] = {
        {"FFT size below 256", [](WaterfallSettings& s) { s.logN = 7; }},
        {"FFT size above 65536", [](WaterfallSettings& s) { s.logN = 17; }},
        {"window code without a window", [](WaterfallSettings& s) { s.windowType = 2; }},
        {"no slices", [](WaterfallSettings& s) { s.slices = 0; }},
        {"too many slices", [](WaterfallSettings& s) { s.slices = 1001; }},
        {"negative shift", [](WaterfallSettings& s) { s.csdShift = -1; }},
        {"rise time above 100 ms", [](WaterfallSettings& s) { s.csdRise_ms = 100.5; }},
        {"empty stretch", [](WaterfallSettings& s) { s.count = 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaterfallSettings s = settingsFor(DecayMode::Cumulative, 10, kWindowHanning, 1000);
        ASSERT_TRUE(s.valid());
        c.spoil(s);
        EXPECT_FALSE(s.valid());
        EXPECT_THROW(WaterfallSlicer{s}, std::invalid_argument);
    }
}

TEST(WaterfallDisplay, AxesPlaceFrequenciesLinearlyOrByOctaves)
{
    const FrequencyAxis log{100, 10000, false, 600};
    EXPECT_DOUBLE_EQ(log.positionOf(1000), 300);
    EXPECT_NEAR(log.frequencyAt(150), std::sqrt(1000.0 * 100.0), 1e-9);
    const FrequencyAxis lin{0, 20000, true, 400};
    EXPECT_DOUBLE_EQ(lin.positionOf(5000), 100);
    EXPECT_DOUBLE_EQ(lin.frequencyAt(300), 15000);
}

// The octave-band limits give the edges of the bands, cut at half the sample rate.
TEST(WaterfallDisplay, FrequencyRangeRunsFromBandEdgeToBandEdgeBelowNyquist)
{
    double low = 0, high = 0;
    ASSERT_TRUE(waterfallFrequencyRange(1, 10, 48000, low, high));
    EXPECT_NEAR(low, 31.62 / std::sqrt(std::pow(10.0, 0.3)), 0.01);
    EXPECT_NEAR(high, 15849 * std::sqrt(std::pow(10.0, 0.3)), 1);
    ASSERT_TRUE(waterfallFrequencyRange(6, 10, 44100, low, high));
    EXPECT_DOUBLE_EQ(high, 22050);
    EXPECT_FALSE(waterfallFrequencyRange(7, 6, 48000, low, high));
    EXPECT_FALSE(waterfallFrequencyRange(0, 6, 48000, low, high));
    EXPECT_FALSE(waterfallFrequencyRange(1, 11, 48000, low, high));
}

// A cell wider than a bin shows the loudest bin in it, so a one-bin peak is never lost; a cell narrower than a
// bin shows the level interpolated between its neighbours.
TEST(WaterfallDisplay, ResamplingKeepsPeaksAndInterpolatesBetweenBins)
{
    std::vector<float> levels(1025, -60.0f);
    levels[700] = -3;
    const FrequencyAxis wide{0, 24000, true, 100};
    const SpectrumResampler coarse(wide, 100, levels.size(), 24000.0 / 1024);
    std::vector<float> cells(100);
    coarse.resample(levels, cells);
    const auto peak = std::max_element(cells.begin(), cells.end()) - cells.begin();
    EXPECT_EQ(peak, std::ptrdiff_t(700 * 100 / 1024));
    EXPECT_FLOAT_EQ(cells[std::size_t(peak)], -3);

    std::vector<float> ramp(1025);
    for (std::size_t k = 0; k < ramp.size(); ++k)
        ramp[k] = float(k);
    const FrequencyAxis narrow{0, 234.375, true, 100}; // 10 bins of 23.4375 Hz over 100 cells
    const SpectrumResampler fine(narrow, 100, ramp.size(), 24000.0 / 1024);
    fine.resample(ramp, cells);
    EXPECT_NEAR(cells[45], 4.55, 1e-4);
}
