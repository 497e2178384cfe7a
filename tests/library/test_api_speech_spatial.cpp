#include "library/AnalysisStore.h"
#include "library/WaveStore.h"
#include "library/dsp/BandFilter.h"
#include "library/dsp/Bands.h"
#include "library/dsp/DecayAnalysis.h"
#include "library/dsp/ModulationTransfer.h"
#include "library/dsp/SpatialParameters.h"
#include "library/records.h"
#include "library/api.h"
#include "support/ResponseGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>

using namespace vemra;
namespace ts = vemra::testsupport;

namespace {

struct OpenSamples {
    WaveHeader header;
    OpenSamples(std::int32_t fs, const std::vector<std::vector<float>>& channels)
    {
        header.format.SampleFrequency = fs;
        header.info.IRStart[0] = header.info.IRStart[1] = -1;
        WaveStore::Channels pcm;
        for (const auto& c : channels)
            pcm.push_back(ts::toPcm16(c));
        EXPECT_TRUE(WaveStore::adopt(header, std::move(pcm)));
    }
    ~OpenSamples() { WaveStore::release(header); }
};

std::vector<float> decay(double T, double fs, double length_s, std::uint64_t seed = 1)
{
    ts::ResponseShape shape;
    shape.fs_Hz = fs;
    shape.length_s = length_s;
    shape.delay = 240;
    shape.seed = seed;
    shape.energy = ts::singleDecay(T, 1e7);
    return ts::makeResponse(shape);
}

// The same carried by a tone at the 1 kHz octave's centre: the band's envelope is then exact, without the
// scatter of a noise-like response in a band.
std::vector<float> tonalDecay(double T, double fs, double length_s)
{
    ts::ResponseShape shape;
    shape.fs_Hz = fs;
    shape.length_s = length_s;
    shape.delay = 240;
    shape.energy = ts::singleDecay(T, 1e7);
    return ts::makeTonalResponse(shape, {1000.0});
}

double decayMtf(double F, double T) { return 1 / std::sqrt(1 + std::pow(2 * std::numbers::pi * F * T / ts::kDecay60, 2)); }

} // namespace

TEST(SpeechSpatialApi, ModulationTransferOfABand)
{
    const double T = 0.5;
    OpenSamples w(48000, {tonalDecay(T, 48000, 1.5)});
    float m[21];
    ASSERT_EQ(CalcMTF(0, w.header, 6, w.header.SampleCount - 1, m), Ok);
    EXPECT_NEAR(m[0], decayMtf(0.63, T), 0.02);
    EXPECT_NEAR(m[13], decayMtf(12.5, T), 0.02);
    EXPECT_NEAR(m[14], decayMtf(2.83, T), 0.02); // the 1 kHz octave's STITEL frequency
    EXPECT_TRUE(std::all_of(m + 15, m + 21, [](float v) { return v == 0.0f; }));
    // Cut early, the response keeps more of its modulation: the late line only stands in from the decay end.
    float cut[21];
    ASSERT_EQ(CalcMTF(0, w.header, 6, 240 + 4800, cut), Ok);
    EXPECT_GT(cut[0], m[0]);
}

TEST(SpeechSpatialApi, NothingToAnalyse)
{
    OpenSamples mono(8000, {decay(0.5, 8000, 1.0)});
    const std::vector<float> silence(8000, 0.0f);
    OpenSamples quiet(8000, {silence});
    WaveHeader closed;
    struct Row {
        const char* name;
        WaveHeader& header;
        std::int16_t channel, band;
    };
    const Row rows[] = {{"second channel of a mono wave", mono.header, 1, 6},
                        {"band above Nyquist", mono.header, 0, 9},
                        {"no such band", mono.header, 0, 44},
                        {"silence", quiet.header, 0, 6},
                        {"wave not open", closed, 0, 6}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        float m[21];
        std::fill(m, m + 21, 0.5f);
        EXPECT_EQ(CalcMTF(row.channel, row.header, row.band, 7999, m), 212);
        EXPECT_TRUE(std::all_of(m, m + 21, [](float v) { return v == 0.0f; }));
    }
    EXPECT_EQ(CalcMTF(0, mono.header, 6, 7999, nullptr), 212);

    EXPECT_EQ(CalcLF(mono.header, 6), -1.0f);
    EXPECT_EQ(CalcLF2(mono.header, 6, 1.0f), -1.0f);
    EXPECT_EQ(CalcLFC(mono.header, 6, 1.0f), -1.0f);
    IACCResult iacc;
    CalcIACC(mono.header, 6, iacc);
    EXPECT_TRUE(isTrue(iacc.computed));
    EXPECT_EQ(iacc.IACC1, -1.0f);
    EXPECT_EQ(iacc.IACC2, -1.0f);
    EXPECT_EQ(iacc.IACC3, -1.0f);
}

TEST(SpeechSpatialApi, ChannelFactorsAndGainRatio)
{
    const auto omni = decay(1.0, 48000, 1.0);
    std::vector<float> eight(omni.size());
    std::transform(omni.begin(), omni.end(), eight.begin(), [](float v) { return 0.5f * v; });
    OpenSamples w(48000, {omni, eight});
    const float lf = CalcLF(w.header, 6), lfc = CalcLFC(w.header, 6, 1.0f);
    ASSERT_GT(lf, 0.0f);
    EXPECT_NEAR(CalcLFC(w.header, 6, 2.0f), 2 * lfc, 1e-5);
    // A normalised channel keeps its true amplitude through the header's factor.
    w.header.gains.channelFactor[1] = 2.0f;
    EXPECT_NEAR(CalcLF(w.header, 6), 4 * lf, 1e-5);
    EXPECT_EQ(CalcLF2(w.header, 6, std::nanf("")), -1.0f);
    // A probe needs its spacing.
    w.header.info.ProbeDist = 0;
    EXPECT_EQ(CalcLF2(w.header, 6, 1.0f), -1.0f);
    w.header.info.ProbeDist = 20;
    EXPECT_GE(CalcLF2(w.header, 6, 1.0f), 0.0f);
}

// A speech band (the octaves 125 Hz .. 8 kHz) is measured where its upper edge lies at or below half the rate: the
// 125 Hz octave's, 10^0.15 x 125.9 = 177.8 Hz, from 355.7 Hz on, the 250 Hz octave's (354.8 Hz) from 709.6 Hz on.
// Below that no speech band has a modulation transfer - the lowest rate a response file may have, 80 Hz, included:
// each band reports no data with its entries 0, and no band reads a measured 0. One tone per band that the rate
// allows carries a decay of 0.5 s.
TEST(SpeechSpatialApi, NoModulationTransferAboveHalfTheRate)
{
    const double T = 0.5;
    struct Row {
        std::int32_t fs;
        int measured; // speech bands from 125 Hz on
    };
    for (const Row row : {Row{80, 0}, Row{355, 0}, Row{356, 1}, Row{1000, 2}}) {
        SCOPED_TRACE(row.fs);
        ts::ResponseShape shape;
        shape.fs_Hz = row.fs;
        shape.length_s = 4.0; // 320 frames at 80 Hz: the fewest a response file may have are 256
        shape.delay = 2;
        shape.energy = ts::singleDecay(T, 1e7);
        std::vector<double> tones;
        for (int band = 3; band < 3 + row.measured; ++band)
            tones.push_back(dsp::bandCentre_Hz(band));
        // Without a band to carry, the decay sounds broadband.
        OpenSamples w(row.fs, {tones.empty() ? ts::makeResponse(shape) : ts::makeTonalResponse(shape, tones)});
        for (std::int16_t band = 3; band <= 9; ++band) {
            SCOPED_TRACE(band);
            float m[21];
            std::fill(m, m + 21, 0.5f);
            if (band < 3 + row.measured) {
                ASSERT_EQ(CalcMTF(0, w.header, band, w.header.SampleCount - 1, m), Ok);
                EXPECT_NEAR(m[0], decayMtf(0.63, T), 0.02);
                // The low octaves read the fastest modulation a little high at any rate (0.348 for 0.332 at
                // 48 kHz as well).
                EXPECT_NEAR(m[13], decayMtf(12.5, T), 0.03);
            } else {
                EXPECT_EQ(CalcMTF(0, w.header, band, w.header.SampleCount - 1, m), 212);
                EXPECT_TRUE(std::all_of(m, m + 21, [](float v) { return v == 0.0f; }));
            }
        }
    }
}

// The spatial values need their sound: a lateral channel that is silent, a response that ends before the 80 ms
// window does, and a late window with nothing in it but the band filter ringing on after the early sound have no
// value (-1), not a fraction of 0 or a correlation of 1.
TEST(SpeechSpatialApi, NoValueWithoutTheSoundItNeeds)
{
    const double fs = 48000;
    const auto omni = decay(1.0, fs, 1.0, 1);
    OpenSamples silentLateral(48000, {omni, std::vector<float>(omni.size(), 0.0f)});
    EXPECT_EQ(CalcLF(silentLateral.header, 6), -1.0f);
    EXPECT_EQ(CalcLFC(silentLateral.header, 6, 1.0f), -1.0f);
    EXPECT_EQ(CalcLF2(silentLateral.header, 6, 1.0f), -1.0f);

    // 60 ms after a 5 ms lead: shorter than the early window.
    OpenSamples brief(48000, {decay(0.3, fs, 0.065, 2), decay(0.3, fs, 0.065, 3)});
    IACCResult shortOne;
    CalcIACC(brief.header, 6, shortOne);
    EXPECT_EQ(shortOne.IACC1, -1.0f);
    EXPECT_EQ(shortOne.IACC2, -1.0f);
    EXPECT_EQ(shortOne.IACC3, -1.0f);

    // Sound for the first 50 ms of a second: the early and whole windows have it, the late one only the filter's
    // ringing.
    auto gated = [&](std::uint64_t seed) {
        auto x = decay(0.3, fs, 1.0, seed);
        std::fill(x.begin() + static_cast<std::ptrdiff_t>(240 + 0.050 * fs), x.end(), 0.0f);
        return x;
    };
    OpenSamples early(48000, {gated(4), gated(5)});
    IACCResult earlyOnly;
    CalcIACC(early.header, 6, earlyOnly);
    EXPECT_GE(earlyOnly.IACC1, 0.0f);
    EXPECT_GE(earlyOnly.IACC2, 0.0f);
    EXPECT_EQ(earlyOnly.IACC3, -1.0f);
    // With its decay the same response has all three.
    OpenSamples whole(48000, {decay(0.3, fs, 1.0, 4), decay(0.3, fs, 1.0, 5)});
    IACCResult all;
    CalcIACC(whole.header, 6, all);
    EXPECT_GE(all.IACC3, 0.0f);
    EXPECT_GE(CalcLF(whole.header, 6), 0.0f);
}

// Three pulses and then exact zeros: a direct sound at 20 ms of amplitude (3/4)^(1/2) A at both ears, and
// reflections of amplitude A at 35 ms, in opposite phase at the two ears, and at 50 ms. Band-filtered, each pulse
// becomes the filter's impulse response g at its time; 15 ms apart, the pulses' cross terms (g's autocorrelation
// 15 ms +- 1 ms off its peak) vanish, so both ears' IACF is sum(l_i r_i) R_g(tau) / (sum(l_i^2) sum(r_i^2))^(1/2)
// R_g(0), largest at tau = 0:
//   IACC(0..80 ms) = |3/4 - 1 + 1| / (3/4 + 1 + 1) = 3/11 = 0.2727, the whole response's the same.
// The 50 ms pulse's energy reaches the band through its filter's ringing, after its last raw sample: windows that
// stopped there would read |3/4 - 1| / (3/4 + 1) = 1/7. One LSB of dither after the last pulse changes nothing.
// Followed by exact zeros the pulses have no late sound, only the last one's ringing in the lowest octaves: no late
// value. (Over the dither a pulse train is no decay the analysis can tell from its noise, so the late window is
// left to the test of dither alone below.)
TEST(SpeechSpatialApi, CorrelationOfPulsesHoldsTheRingingOfTheLast)
{
    const double a = 10000;
    std::vector<float> left(24000, 0.0f), right(24000, 0.0f);
    const std::size_t at[] = {960, 1680, 2400};
    const double l[] = {std::sqrt(0.75), 1, 1}, r[] = {std::sqrt(0.75), -1, 1};
    for (int i = 0; i < 3; ++i) {
        left[at[i]] = static_cast<float>(a * l[i]);
        right[at[i]] = static_cast<float>(a * r[i]);
    }
    auto dithered = [&](std::vector<float> x, std::uint64_t seed) {
        ts::Random random(seed);
        for (std::size_t n = at[2] + 1; n < x.size(); ++n)
            x[n] += static_cast<float>(random.sign());
        return x;
    };
    struct Row {
        const char* name;
        std::vector<float> left, right;
        bool silentAfter;
    };
    const Row rows[] = {{"exact zeros after the last pulse", left, right, true},
                        {"one LSB of dither after it", dithered(left, 1), dithered(right, 2), false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OpenSamples w(48000, {row.left, row.right});
        for (std::int16_t band = 3; band <= 9; ++band) {
            SCOPED_TRACE(band);
            IACCResult iacc;
            CalcIACC(w.header, band, iacc);
            if (band >= 5 && band <= 8) { // 500 Hz to 4 kHz: the lower octaves' ringing overlaps from pulse to pulse
                EXPECT_NEAR(iacc.IACC2, 3.0 / 11, 0.005);
                EXPECT_NEAR(iacc.IACC1, 3.0 / 11, 0.005);
            }
            if (row.silentAfter) {
                EXPECT_EQ(iacc.IACC3, -1.0f);
            }
        }
    }
}

// A late window that holds only dither - one LSB of noise from 80 ms on, after sound that stopped at 50 ms - does
// not rise above the response's noise (the decay analysis' noise floor in the band) and has no value, as it has
// none without the dither. In the lowest octaves the filter rings on past 80 ms after the early sound; that is no
// late sound either, with or without the dither. The same decay heard on past 80 ms over the dither keeps its late
// value. The early and whole windows have theirs throughout.
TEST(SpeechSpatialApi, ALateWindowOfDitherAloneHasNoValue)
{
    const double fs = 48000;
    auto ear = [&](double sound_s, bool dither, std::uint64_t seed) {
        auto x = decay(0.3, fs, 1.0, seed);
        std::fill(x.begin() + std::min(static_cast<std::ptrdiff_t>(240 + sound_s * fs), std::ptrdiff_t(x.size())),
                  x.end(), 0.0f);
        ts::Random random(seed + 100);
        for (auto n = static_cast<std::size_t>(240 + 0.080 * fs); dither && n < x.size(); ++n)
            x[n] += static_cast<float>(random.sign());
        return x;
    };
    struct Row {
        const char* name;
        double sound_s;
        bool dither, late;
    };
    for (const Row row : {Row{"sound to 50 ms, then exact zeros", 0.050, false, false},
                          Row{"sound to 50 ms, dither from 80 ms", 0.050, true, false},
                          Row{"sound throughout over the same dither", 1.0, true, true}}) {
        SCOPED_TRACE(row.name);
        OpenSamples w(48000, {ear(row.sound_s, row.dither, 4), ear(row.sound_s, row.dither, 5)});
        for (std::int16_t band = 3; band <= 9; ++band) {
            SCOPED_TRACE(band);
            IACCResult iacc;
            CalcIACC(w.header, band, iacc);
            EXPECT_GE(iacc.IACC1, 0.0f);
            EXPECT_GE(iacc.IACC2, 0.0f);
            if (row.late) {
                EXPECT_GE(iacc.IACC3, 0.0f);
            } else {
                EXPECT_EQ(iacc.IACC3, -1.0f);
            }
        }
    }
}

// A long response is band-filtered only as far as its values read (80 ms past time zero, or the decay end); the
// values must be exactly those of the whole response filtered, in the lowest band (the longest look-ahead of the
// half-band chain) and a middle one.
TEST(SpeechSpatialApi, ValuesReadOnlyWhatTheWholeFilteredResponseHolds)
{
    const double fs = 48000;
    OpenSamples pair(48000, {decay(0.3, fs, 4.0, 6), decay(0.4, fs, 4.0, 7)});
    WaveHeader& h = pair.header;
    for (const std::int16_t band : {std::int16_t(1), std::int16_t(6)}) {
        SCOPED_TRACE(band);
        const auto filter = dsp::BandFilter::design(band, fs);
        ASSERT_TRUE(filter);
        // Filtered whole, the rate changes anchored at time zero as the analysis anchors them.
        const std::int64_t zero = AnalysisStore::timeZero(h, 0);
        std::vector<float> whole[2];
        for (int ch = 0; ch < 2; ++ch)
            whole[ch] = filter->apply(WaveStore::floatSamples(h, ch), dsp::FilterDirection::Forward, zero);

        dsp::SpatialInput in;
        in.omni = whole[0];
        in.lateral = whole[1];
        in.fs_Hz = fs;
        in.timeZero = AnalysisStore::timeZero(h, 0);
        in.delay_s = filter->energyDelay_s();
        in.omniScale = sampleFactor(h.gains, 0);
        in.lateralScale = sampleFactor(h.gains, 1);
        const auto lfc = dsp::lateralFractionCos(in);
        ASSERT_TRUE(lfc);
        EXPECT_EQ(CalcLFC(h, band, 1.0f), float(*lfc));

        const dsp::DecayAnalysis* d = AnalysisStore::channel(h, 0)->decay(band);
        ASSERT_TRUE(d && d->valid);
        ASSERT_LT(d->decayEnd, std::int64_t(whole[0].size()) / 2); // so that the filtering stops early
        dsp::ModulationSource source;
        source.band = whole[0];
        source.fs_Hz = fs;
        source.from = AnalysisStore::timeZero(h, 0);
        source.to = d->decayEnd;
        source.noiseEnergy = d->noiseEnergy;
        source.snr_dB = d->SNR_dB;
        source.tailEnergy = d->lineEnergy(d->decayEnd, fs);
        source.tailRatio = std::pow(10.0, d->lineSlope_dBps / (10.0 * fs));
        const auto expected = dsp::modulationTransferEntries(band, source);
        float mtf[21];
        ASSERT_EQ(CalcMTF(0, h, band, std::numeric_limits<std::int32_t>::max(), mtf), Ok);
        for (int i = 0; i < 21; ++i)
            EXPECT_EQ(mtf[i], expected[std::size_t(i)]) << i;
    }
}
