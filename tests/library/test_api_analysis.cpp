#include "library/AnalysisStore.h"
#include "library/WaveStore.h"
#include "library/api.h"
#include "library/dsp/Bands.h"
#include "support/ResponseGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

using namespace vemra;
namespace ts = vemra::testsupport;

namespace {

// An open response of the given channels in 16-bit samples, released at the end of the test.
struct OpenResponse {
    WaveHeader header;
    OpenResponse(std::int32_t fs, const std::vector<std::vector<float>>& channels)
    {
        header.format.SampleFrequency = fs;
        WaveStore::Channels pcm;
        for (const auto& c : channels)
            pcm.push_back(ts::toPcm16(c));
        EXPECT_TRUE(WaveStore::adopt(header, std::move(pcm)));
    }
    ~OpenResponse() { WaveStore::release(header); }
};

std::vector<double> octaveCentres()
{
    std::vector<double> f;
    for (int b = 2; b <= 9; ++b)
        f.push_back(dsp::bandCentre_Hz(b));
    return f;
}

// A single decay of time T carried by one tone per octave (exact band values), 16-bit amplitudes.
std::vector<float> tonalDecay(double T, double fs, double e0, std::int64_t delay, double length_s)
{
    ts::ResponseShape shape;
    shape.fs_Hz = fs;
    shape.length_s = length_s;
    shape.delay = delay;
    shape.energy = ts::singleDecay(T, e0);
    return ts::makeTonalResponse(shape, octaveCentres());
}

} // namespace

TEST(AnalysisApi, SingleDecayInOctaveBands)
{
    const double T = 1.0;
    OpenResponse r(48000, {tonalDecay(T, 48000, 1e8, 480, 2.5)});
    EXPECT_NEAR(CalcIRStartISO(0, r.header), 480, 3); // the tones may add up to little in the first sample
    for (std::int16_t band = 3; band <= 8; ++band) {
        SCOPED_TRACE("band " + std::to_string(band));
        RTResult rt;
        CalcRT(0, r.header, band, rt);
        EXPECT_TRUE(isTrue(rt.computed));
        ASSERT_TRUE(isTrue(rt.EDTvalid) && isTrue(rt.T10valid) && isTrue(rt.T20valid) && isTrue(rt.T30valid));
        for (float t : {rt.EDT, rt.T10, rt.T20, rt.T30})
            EXPECT_NEAR(t, T, 0.05 * T);
        for (float c : {rt.EDTcorr, rt.T10corr, rt.T20corr, rt.T30corr})
            EXPECT_LT(c, -0.99f);
        EXPECT_TRUE(isTrue(rt.decayEndValid));
        EXPECT_GT(rt.decayEnd, 480);
        EXPECT_LT(rt.INR, -50.0f); // a lower bound: the decay rounds to digital silence, no noise floor
        EXPECT_EQ(rt.SNR, NoValue);
        EXPECT_NEAR(CalcCx(0, r.header, band, 0.08f), ts::clarity_dB(T, 0.08), 1.0);
        EXPECT_NEAR(CalcCx(0, r.header, band, 0.05f), ts::clarity_dB(T, 0.05), 1.0);
        EXPECT_NEAR(CalcTs(0, r.header, band), ts::centreTime_s(T), 0.010);
    }
}

// The unfiltered response (band -1) holds the closed forms exactly; the wide band nearly so.
TEST(AnalysisApi, SingleDecayBroadbandAndWideBand)
{
    for (double T : {0.5, 1.0, 2.0}) {
        SCOPED_TRACE("T " + std::to_string(T));
        OpenResponse r(48000, {ts::exponentialDecay(T, 48000, 1.6 * T + 0.2, 10000, ts::noINR, 240, 3)});
        RTResult rt;
        CalcRT(0, r.header, -1, rt);
        ASSERT_TRUE(isTrue(rt.EDTvalid) && isTrue(rt.T30valid));
        for (float t : {rt.EDT, rt.T10, rt.T20, rt.T30})
            EXPECT_NEAR(t, T, 0.01 * T);
        EXPECT_NEAR(CalcCx(0, r.header, -1, 0.08f), ts::clarity_dB(T, 0.08), 0.05);
        EXPECT_NEAR(CalcCx(0, r.header, -1, 0.05f), ts::clarity_dB(T, 0.05), 0.05);
        EXPECT_NEAR(CalcTs(0, r.header, -1), ts::centreTime_s(T), 0.0005);
        CalcRT(0, r.header, -2, rt);
        ASSERT_TRUE(isTrue(rt.T30valid));
        EXPECT_NEAR(rt.T30, T, 0.05 * T);
        EXPECT_NEAR(CalcCx(0, r.header, -2, 0.08f), ts::clarity_dB(T, 0.08), 0.5);
    }
}

TEST(AnalysisApi, StoredImpulseStartIsTimeZero)
{
    const double T = 0.5;
    OpenResponse r(48000, {tonalDecay(T, 48000, 1e8, 960, 1.5)});
    const float atIso = CalcCx(0, r.header, 6, 0.08f);
    r.header.info.IRStart[0] = 960 - 480; // 10 ms early: the early window holds 10 ms less of the decay
    const float early = CalcCx(0, r.header, 6, 0.08f);
    EXPECT_NEAR(early, ts::clarity_dB(T, 0.07), 0.5);
    EXPECT_LT(early, atIso - 1.0f);
    r.header.info.IRStart[0] = 100000000; // beyond the samples: the ISO start again
    EXPECT_FLOAT_EQ(CalcCx(0, r.header, 6, 0.08f), atIso);
    EXPECT_NEAR(CalcIRStartISO(0, r.header), 960, 3);
}

TEST(AnalysisApi, NoValueResults)
{
    const auto decay = ts::exponentialDecay(0.5, 22050, 1.0, 10000);
    OpenResponse mono(22050, {decay});
    OpenResponse silent(22050, {std::vector<float>(22050, 0.0f), decay});
    OpenResponse single(22050, {std::vector<float>(1, 1000.0f)});
    WaveHeader closed;
    closed.format.SampleFrequency = 48000;
    struct Case {
        const char* name;
        WaveHeader* header;
        std::int16_t channel, band;
        bool startExists;
    };
    const Case cases[] = {
        {"wave not open", &closed, 0, 6, false},     {"channel 1 of a mono wave", &mono.header, 1, 6, false},
        {"band above Nyquist", &mono.header, 0, 9, true}, {"third octave above Nyquist", &mono.header, 0, 43, true},
        {"band index 44", &mono.header, 0, 44, true}, {"band index -3", &mono.header, 0, -3, true},
        {"all-zero channel", &silent.header, 0, 6, false}, {"single sample", &single.header, 0, 6, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RTResult rt;
        rt.EDT = 99;
        CalcRT(c.channel, *c.header, c.band, rt);
        EXPECT_TRUE(isTrue(rt.computed));
        EXPECT_FALSE(isTrue(rt.EDTvalid) || isTrue(rt.T10valid) || isTrue(rt.T20valid) || isTrue(rt.T30valid));
        EXPECT_FALSE(isTrue(rt.decayEndValid));
        EXPECT_EQ(rt.EDT, 0.0f);
        for (float v : {rt.level, rt.INR, rt.SNR})
            EXPECT_TRUE(std::isfinite(v));
        EXPECT_EQ(CalcCx(c.channel, *c.header, c.band, 0.08f), NoValue);
        EXPECT_EQ(CalcCx(c.channel, *c.header, c.band, 0.05f), NoValue);
        for (std::int16_t kind : {0, 1, 2})
            EXPECT_EQ(CalcSupport(c.channel, *c.header, c.band, kind), NoValue);
        EXPECT_EQ(CalcIRStartISO(c.channel, *c.header) >= 0, c.startExists);
    }
    for (const Case& c : cases) {
        if (std::string(c.name) == "single sample")
            continue; // a lone impulse has a centre time and an energy
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CalcTs(c.channel, *c.header, c.band), NoValue);
        EXPECT_EQ(CalcG(*c.header, c.channel, c.band, 1000), NoValue);
        EXPECT_EQ(CalcLE(*c.header, c.channel, c.band, 1000, 0.0f), 0.0f);
    }
    EXPECT_EQ(CalcSupport(0, mono.header, 6, 3), NoValue);
    EXPECT_EQ(CalcSupport(0, mono.header, 6, -1), NoValue);
    // The second channel of the half-silent wave is analysed on its own.
    RTResult rt;
    CalcRT(1, silent.header, 6, rt);
    EXPECT_TRUE(isTrue(rt.T20valid));
}

// However many parameters are read, each band of a channel is filtered once per direction.
TEST(AnalysisApi, EachBandIsFilteredOncePerDirection)
{
    OpenResponse r(48000, {tonalDecay(0.8, 48000, 1e8, 100, 2.0)});
    for (int pass = 0; pass < 2; ++pass)
        for (std::int16_t band = 0; band <= 10; ++band) {
            RTResult rt;
            CalcRT(0, r.header, band, rt);
            CalcCx(0, r.header, band, 0.05f);
            CalcCx(0, r.header, band, 0.08f);
            CalcTs(0, r.header, band);
            for (std::int16_t kind = 0; kind <= 2; ++kind)
                CalcSupport(0, r.header, band, kind);
            CalcG(r.header, 0, band, rt.decayEnd);
            CalcLE(r.header, 0, band, rt.decayEnd, 0.0f);
        }
    const dsp::ChannelAnalysis* a = AnalysisStore::channel(r.header, 0);
    EXPECT_EQ(a->filterings(dsp::FilterDirection::Reversed), 11u);
    EXPECT_EQ(a->filterings(dsp::FilterDirection::Forward), 11u);
    // A window limit of its own needs its band once more.
    CalcCx(0, r.header, 6, 0.123f);
    CalcCx(0, r.header, 6, 0.123f);
    EXPECT_EQ(a->filterings(dsp::FilterDirection::Forward), 12u);
}

TEST(AnalysisApi, AnalysisFollowsEditsOfTheSamples)
{
    OpenResponse r(48000, {tonalDecay(0.5, 48000, 1e8, 100, 1.5)});
    dsp::ChannelAnalysis* first = AnalysisStore::channel(r.header, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(AnalysisStore::channel(r.header, 0), first); // the same samples: the same analysis
    RTResult before;
    CalcRT(0, r.header, 6, before);
    // Halve the amplitudes in place of a new response with a slower decay.
    const auto slower = ts::toPcm16(tonalDecay(1.5, 48000, 1e8, 100, 1.5));
    ASSERT_TRUE(WaveStore::edit(r.header, [&](WaveStore::Channels& c) { c[0] = slower; }));
    RTResult after;
    CalcRT(0, r.header, 6, after);
    EXPECT_NEAR(before.T20, 0.5, 0.025);
    EXPECT_NEAR(after.T20, 1.5, 0.075);
}

// Strength through the system calibration: a reverberation room of known T and V calibrates the chain; the
// same chain then measures another diffuse field, and the strength of either must come back.
TEST(AnalysisApi, StrengthRoundTripThroughTheCalibration)
{
    const double fs = 48000, V = 200, reference = 1e6; // free-field energy at 10 m, squared sample units
    const float totalGain = 12.0f;                   // measurement chain, dB
    const double rate = 10 * std::log10(fs / 22050);
    auto room = [&](double T, double factor) {
        return tonalDecay(T, fs, ts::diffuseStartEnergy(T, V, fs, reference) / (factor * factor), 0, T * 1.2 + 0.5);
    };
    OpenResponse calibration(static_cast<std::int32_t>(fs), {room(5.0, 1.0)});
    OpenResponse normalised(static_cast<std::int32_t>(fs), {room(5.0, 0.5)});
    normalised.header.gains.channelFactor[0] = 0.5f; // samples twice as large, the factor restores them
    OpenResponse other(static_cast<std::int32_t>(fs), {room(2.0, 1.0)});
    EXPECT_NEAR(ts::diffuseStrength_dB(5.0, V), 28.94, 0.005);

    for (std::int16_t band = 2; band <= 8; ++band) {
        SCOPED_TRACE("band " + std::to_string(band));
        auto decayEnd = [&](WaveHeader& h) {
            RTResult rt;
            CalcRT(0, h, band, rt);
            EXPECT_TRUE(isTrue(rt.decayEndValid));
            return rt.decayEnd;
        };
        // The calibration's formula: 10 lg(0.16 V / T) + 10 lg(E) - 37 - 10 lg(fs / 22050).
        const float e = CalcLE(calibration.header, 0, band, decayEnd(calibration.header), totalGain);
        ASSERT_GT(e, 0.0f);
        const double calGain = 10 * std::log10(0.16 * V / 5.0) + 10 * std::log10(e) - 37 - rate;
        // The document's strength: CalcG - (TotalGain + calibration gain) - 10 lg(fs / 22050).
        auto strength = [&](WaveHeader& h) {
            return CalcG(h, 0, band, decayEnd(h)) - (totalGain + calGain) - rate;
        };
        EXPECT_NEAR(strength(calibration.header), 28.94, 0.05);
        EXPECT_NEAR(strength(normalised.header), 28.94, 0.05);
        EXPECT_NEAR(strength(other.header), ts::diffuseStrength_dB(2.0, V), 0.3);
        // Without a valid end the level falls back to the whole response: the same within the noise.
        EXPECT_NEAR(CalcG(calibration.header, 0, band, calibration.header.SampleCount),
                    CalcG(calibration.header, 0, band, decayEnd(calibration.header)), 0.05);
    }
}
