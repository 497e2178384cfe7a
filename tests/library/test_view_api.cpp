// ProcessWave over responses held by the library: point counts, the band filter and refusals.
#include "library/ViewStore.h"
#include "library/WaveStore.h"
#include "library/api_view.h"
#include "library/dsp/Spectrum.h"
#include "support/ResponseGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace vemra;

namespace {

WaveHeader openResponse(std::int32_t fs, WaveStore::Channels channels)
{
    WaveHeader h;
    h.format.SampleFrequency = fs;
    EXPECT_TRUE(WaveStore::adopt(h, std::move(channels)));
    return h;
}

std::vector<std::int16_t> tone(double f, double fs, std::size_t n, double amplitude = 10000)
{
    std::vector<std::int16_t> x(n);
    for (std::size_t i = 0; i < n; ++i)
        x[i] = std::int16_t(std::lround(amplitude * std::sin(2 * std::numbers::pi * f * double(i) / fs)));
    return x;
}

float peakOf(const std::vector<float>& v, std::size_t from, std::size_t to)
{
    float m = 0;
    for (std::size_t i = from; i < to; ++i)
        m = std::max(m, std::fabs(v[i]));
    return m;
}

} // namespace

TEST(ProcessWave, PointCountsFollowTheView)
{
    std::vector<std::int16_t> impulse(4800, 0);
    impulse[10] = 20000;
    struct Row {
        std::int32_t fs;
        std::int16_t view;
        std::int32_t procCount;
    };
    const std::int32_t n = dsp::spectrumPointCount(4800);
    for (const Row& r : {Row{48000, 0, 4800}, Row{48000, 3, 4800}, Row{48000, 4, 10}, Row{48000, 5, 30},
                         Row{44100, 4, 9}, Row{44100, 5, 29}, Row{22050, 5, 26}, Row{48000, 6, n},
                         Row{48000, 7, n}}) {
        SCOPED_TRACE(testing::Message() << r.fs << " Hz, view " << r.view);
        WaveHeader h = openResponse(r.fs, {impulse, impulse});
        ViewBlock v;
        v.ViewType = r.view;
        ASSERT_EQ(ProcessWave(h, v), 0);
        EXPECT_EQ(h.ProcCount, r.procCount);
        const ProcessedView* p = ProcessedViewOf(h);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->data.channels.size(), 2u);
        EXPECT_EQ(std::int32_t(p->data.channels[1].size()), r.procCount);
        WaveStore::release(h);
        EXPECT_EQ(ProcessedViewOf(h), nullptr);
    }
}

TEST(ProcessWave, BandFilterPassesItsBandOnly)
{
    const double fs = 48000;
    WaveHeader h = openResponse(48000, {tone(1000, fs, 48000), tone(4000, fs, 48000)});
    ViewBlock v;
    v.ViewType = 0;
    v.FilterType = 30; // 1 kHz third octave
    ASSERT_EQ(ProcessWave(h, v), 0);
    const auto& d = ProcessedViewOf(h)->data;
    const float amplitude = 100.0f * 10000.0f / 32768.0f; // percent of full scale
    EXPECT_NEAR(peakOf(d.channels[0], 24000, 48000), amplitude, 0.05 * amplitude);
    EXPECT_LT(peakOf(d.channels[1], 24000, 48000), 0.01 * amplitude); // two octaves away: > 40 dB down

    v.FilterType = -2; // wide band passes both
    ASSERT_EQ(ProcessWave(h, v), 0);
    EXPECT_NEAR(peakOf(ProcessedViewOf(h)->data.channels[1], 24000, 48000), amplitude, 0.05 * amplitude);
    WaveStore::release(h);
}

TEST(ProcessWave, RefusesWhatTheWindowNeverAsksFor)
{
    WaveHeader closed;
    ViewBlock v;
    EXPECT_EQ(ProcessWave(closed, v), 212);

    WaveHeader h = openResponse(32000, {std::vector<std::int16_t>(1000, 5)});
    v.ViewType = 8;
    EXPECT_EQ(ProcessWave(h, v), 302);
    v.ViewType = 0;
    v.FilterType = 43; // 20 kHz third octave lies above 16 kHz
    EXPECT_EQ(ProcessWave(h, v), 302);
    v.FilterType = 10;  // 16 kHz octave too
    EXPECT_EQ(ProcessWave(h, v), 302);
    v.FilterType = 9;
    EXPECT_EQ(ProcessWave(h, v), 0);
    WaveStore::release(h);
}

TEST(ProcessWave, AnEditMakesTheProcessedViewStale)
{
    WaveHeader h = openResponse(48000, {std::vector<std::int16_t>(1000, 5)});
    ViewBlock v;
    ASSERT_EQ(ProcessWave(h, v), 0);
    ASSERT_NE(ProcessedViewOf(h), nullptr);
    ASSERT_TRUE(WaveStore::edit(h, [](WaveStore::Channels& c) { c[0][3] = 9; }));
    EXPECT_EQ(ProcessedViewOf(h), nullptr);
    ASSERT_EQ(ProcessWave(h, v), 0);
    EXPECT_FLOAT_EQ(ProcessedViewOf(h)->data.channels[0][3], 100.0f * 9.0f / 32768.0f);
    WaveStore::release(h);
}

TEST(ProcessWave, SchroederCurveStaysStraightDownToTheNoise)
{
    // T = 1 s with the noise 50 dB under the decay's start: the curve follows -60 dB/s past -35 dB, where a plain
    // integration over the noise would already bend upwards by several dB.
    const double fs = 48000;
    const std::int64_t delay = 480;
    const auto x = testsupport::exponentialDecay(1.0, fs, 3.0, 10000, 50, delay);
    std::vector<std::int16_t> samples(x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        samples[i] = std::int16_t(std::lround(x[i]));
    WaveHeader h = openResponse(48000, {samples, samples});
    for (std::int16_t filter : {std::int16_t(-1), std::int16_t(-2), std::int16_t(6)}) {
        SCOPED_TRACE(filter);
        ViewBlock v;
        v.ViewType = 3;
        v.FilterType = filter;
        ASSERT_EQ(ProcessWave(h, v), 0);
        const auto& c = ProcessedViewOf(h)->data.channels[0];
        const float at = c[std::size_t(delay + 0.05 * fs)];
        for (double t : {0.2, 0.4, 0.6}) {
            SCOPED_TRACE(t);
            EXPECT_NEAR(c[std::size_t(delay + t * fs)] - at, -60.0 * (t - 0.05), 1.0);
        }
    }
    WaveStore::release(h);
}
