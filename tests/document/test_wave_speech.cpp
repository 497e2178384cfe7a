#include "document_fixture.h"

#include "core/UiServices.h"
#include "core/VemraError.h"
#include "document/SpeechTransmission.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/Codes.h"
#include "library/WaveStore.h"
#include "library/api_analysis.h"
#include "library/dsp/Bands.h"
#include "library/files/ResponseFile.h"
#include "support/ResponseGenerator.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <span>
#include <string>

using namespace vemra;
namespace ts = vemra::testsupport;

namespace {

constexpr double kModulation_Hz[14] = {0.63, 0.8, 1.0, 1.25, 1.6, 2.0, 2.5, 3.15, 4.0, 5.0, 6.3, 8.0, 10.0, 12.5};
constexpr double kStitel_Hz[7] = {1.12, 11.33, 0.71, 2.83, 6.97, 1.78, 4.53};

// m(F) of a single decay of time T with the noise term of a band at snr_dB.
double decayMtf(double F, double T, double snr_dB = 1e9)
{
    return 1 / std::sqrt(1 + std::pow(2 * std::numbers::pi * F * T / ts::kDecay60, 2)) /
           (1 + std::pow(10.0, -snr_dB / 10));
}

// Mean transmission index of a decay at the given modulation frequencies.
double expectedIndex(double T, double snr_dB, std::span<const double> frequencies)
{
    double sum = 0;
    for (double F : frequencies)
        sum += speech::transmissionIndex(static_cast<float>(decayMtf(F, T, snr_dB)));
    return sum / static_cast<double>(frequencies.size());
}

// A single decay carried by one tone in each speech band from `lowestBand` on (exact band envelopes), with
// broadband white noise of the given energy per sample. At a rate below every such band the decay sounds
// broadband.
std::vector<float> speechDecay(double T, double fs, double length_s, std::uint64_t seed = 1, double noise = 0,
                               int lowestBand = 3)
{
    ts::ResponseShape shape;
    shape.fs_Hz = fs;
    shape.length_s = length_s;
    shape.delay = 240;
    shape.seed = seed;
    shape.energy = ts::singleDecay(T, 1e8);
    shape.noiseEnergy = noise;
    std::vector<double> tones;
    for (int b = lowestBand; b <= 9; ++b)
        if (dsp::bandUpper_Hz(b) < fs / 2)
            tones.push_back(dsp::bandCentre_Hz(b));
    return tones.empty() ? ts::makeResponse(shape) : ts::makeTonalResponse(shape, tones);
}

clsWave* document(const std::string& name, std::int32_t fs, const std::vector<std::vector<float>>& channels,
                  std::int16_t receiver = 0)
{
    return test::loadedDocument(name, fs, channels, [receiver](WaveHeader& h) { h.info.Receiver = receiver; });
}

class WaveSpeech : public test::DocumentTest {};

} // namespace

TEST(SpeechArithmetic, ApparentSignalToNoiseRatio)
{
    struct Row {
        float m, snr_dB;
    };
    // m >= 1 keeps all of its modulation: +15 dB, also past 1.
    const Row rows[] = {{1.0f, 15}, {1.2f, 15}, {0.5f, 0}, {0.0f, -15}, {-0.1f, -15}, {0.9f, 9.5424f},
                        {0.01f, -15}, {0.99f, 15}, {0.25f, -4.7712f}};
    for (const Row& row : rows) {
        SCOPED_TRACE("m = " + std::to_string(row.m));
        EXPECT_NEAR(speech::apparentSnr_dB(row.m), row.snr_dB, 1e-3);
        EXPECT_NEAR(speech::transmissionIndex(row.m), (row.snr_dB + 15) / 30, 1e-4);
    }
}

// The closed-form decays: equal MTIs in all seven bands give that MTI as every index, and its ALC and rating.
TEST(SpeechArithmetic, SingleDecayIndices)
{
    struct Row {
        double T, snr_dB, sti, alc;
        const char* rating;
    };
    const Row rows[] = {{0.5, 1e9, 0.736, 3.2, "Good"},  {1.0, 1e9, 0.589, 7.0, "Fair"},
                        {2.0, 1e9, 0.437, 15.9, "Poor"}, {1.0, 15, 0.565, 8.0, "Fair"},
                        {1.0, 0, 0.358, 24.4, "Poor"}};
    for (const Row& row : rows) {
        SCOPED_TRACE("T = " + std::to_string(row.T) + ", SNR " + std::to_string(row.snr_dB));
        const auto mti = static_cast<float>(expectedIndex(row.T, row.snr_dB, kModulation_Hz));
        EXPECT_NEAR(mti, row.sti, 0.001);
        std::array<float, 7> bands;
        bands.fill(mti);
        EXPECT_NEAR(speech::revisedIndex(bands, false), mti, 1e-5);
        EXPECT_NEAR(speech::revisedIndex(bands, true), mti, 1e-5);
        EXPECT_NEAR(clsWave::ALC(mti), row.alc, 0.1);
        EXPECT_EQ(clsWave::Rating(mti).toStdString(), row.rating);
    }
}

TEST(SpeechArithmetic, RevisedIndexAndMissingBands)
{
    std::array<float, 7> mti = {0.2f, 0.4f, 0.6f, 0.8f, 0.7f, 0.5f, 0.3f};
    // The male index by hand: alpha-weighted MTIs less the beta-weighted neighbours' geometric means.
    const double alpha[] = {0.085, 0.127, 0.230, 0.233, 0.309, 0.224, 0.173};
    const double beta[] = {0.085, 0.078, 0.065, 0.011, 0.047, 0.095};
    double sum = 0, norm = 0;
    for (int k = 0; k < 7; ++k) {
        sum += alpha[k] * mti[k];
        norm += alpha[k];
    }
    for (int k = 0; k < 6; ++k) {
        sum -= beta[k] * std::sqrt(double(mti[k]) * mti[k + 1]);
        norm -= beta[k];
    }
    EXPECT_NEAR(speech::revisedIndex(mti, false), sum / norm, 1e-5);
    mti[0] = -1; // 125 Hz missing: the male index has none, the female one does not use that band
    EXPECT_EQ(speech::revisedIndex(mti, false), -1.0f);
    EXPECT_GT(speech::revisedIndex(mti, true), 0.0f);
    mti[6] = -1;
    EXPECT_EQ(speech::revisedIndex(mti, true), -1.0f);
}

TEST(SpeechArithmetic, RatingAndArticulationLoss)
{
    EXPECT_EQ(clsWave::Rating(0.2999f).toStdString(), "Bad");
    EXPECT_EQ(clsWave::Rating(0.3f).toStdString(), "Poor");
    EXPECT_EQ(clsWave::Rating(0.45f).toStdString(), "Fair");
    EXPECT_EQ(clsWave::Rating(0.6f).toStdString(), "Good");
    EXPECT_EQ(clsWave::Rating(0.75f).toStdString(), "Excellent");
    EXPECT_EQ(clsWave::Rating(1.0f).toStdString(), "Excellent");
    EXPECT_EQ(clsWave::ALC(0.0f), 100.0f); // 170.54 limited
    EXPECT_NEAR(clsWave::ALC(1.0f), 0.7558f, 1e-4);
    EXPECT_NEAR(clsWave::ALC(0.5f), 170.5405 * std::exp(-5.419 * 0.5), 1e-4);
}

// Through the document: each band's modulation transfer follows the decay, and every index its closed form.
TEST_F(WaveSpeech, SingleDecaysThroughTheDocument)
{
    for (double T : {0.5, 1.0, 2.0}) {
        SCOPED_TRACE("T = " + std::to_string(T));
        clsWave* w = document("speech" + std::to_string(T) + ".wav", 48000, {speechDecay(T, 48000, 1.5 * T + 0.5)});
        for (int band = 3; band <= 9; ++band) {
            SCOPED_TRACE("band " + std::to_string(band));
            for (int i = 0; i < 14; ++i)
                EXPECT_NEAR(w->MTF(0, band, i), decayMtf(kModulation_Hz[i], T), 0.02) << kModulation_Hz[i];
            EXPECT_NEAR(w->MTF(0, band, 14), decayMtf(kStitel_Hz[band - 3], T), 0.02);
            EXPECT_NEAR(w->MTI(0, band), expectedIndex(T, 1e9, kModulation_Hz), 0.01);
        }
        const double sti = expectedIndex(T, 1e9, kModulation_Hz);
        EXPECT_NEAR(w->STI(0), sti, 0.01);
        EXPECT_NEAR(w->STI_male(0), sti, 0.01);
        EXPECT_NEAR(w->STI_female(0), sti, 0.01);
        double stitel = 0;
        for (double F : kStitel_Hz)
            stitel += expectedIndex(T, 1e9, std::span<const double>(&F, 1)) / 7;
        EXPECT_NEAR(w->STITEL(0), stitel, 0.01);
        const double rasti[] = {1.0, 2.0, 4.0, 8.0, 0.7, 1.4, 2.8, 5.6, 11.2};
        EXPECT_NEAR(w->RASTI(0), expectedIndex(T, 1e9, rasti), 0.01);
        w->Die();
    }
}

TEST_F(WaveSpeech, UnitImpulseIsPerfectlyIntelligible)
{
    std::vector<float> x(24000, 0.0f);
    x[480] = 30000;
    clsWave* w = document("impulse.wav", 48000, {x});
    EXPECT_NEAR(w->STI(0), 1.0, 0.005);
    EXPECT_NEAR(w->STI_male(0), 1.0, 0.005);
    EXPECT_NEAR(w->STI_female(0), 1.0, 0.005);
    EXPECT_NEAR(w->RASTI(0), 1.0, 0.005);
    EXPECT_NEAR(w->STITEL(0), 1.0, 0.005);
    EXPECT_EQ(w->Rating(w->STI(0)).toStdString(), "Excellent");
}

// With noise each band's modulation is reduced by its own signal-to-noise ratio (the decay record's).
TEST_F(WaveSpeech, NoiseLowersTheIndexByTheBandsSignalToNoiseRatio)
{
    const double T = 1.0;
    // White noise: the wide high bands get the most of it (INR about 20 dB at 8 kHz, 38 dB at 125 Hz).
    clsWave* w = document("noisy-speech.wav", 48000, {speechDecay(T, 48000, 3.0, 1, 1e8 * 0.006)});
    for (int band = 3; band <= 9; ++band) {
        SCOPED_TRACE("band " + std::to_string(band));
        ASSERT_TRUE(isTrue(w->decayRecord(0, band).decayEndValid));
        const double snr = w->SNR(0, band);
        EXPECT_EQ(w->SNR(0, band), w->decayRecord(0, band).SNR);
        EXPECT_LT(snr, 40.0);
        EXPECT_NEAR(w->MTI(0, band), expectedIndex(T, snr, kModulation_Hz), 0.02);
    }
    EXPECT_LT(w->STI(0), expectedIndex(T, 1e9, kModulation_Hz) - 0.005);
    EXPECT_GT(w->STI(0), 0.0f);
    EXPECT_NEAR(w->STI_Weight(0), 0.9f, 1e-6); // the options' default weights without options
}

// At 8 kHz the two highest speech bands lie above 0.35 fs.
TEST_F(WaveSpeech, LowSampleRate)
{
    const double T = 1.0;
    clsWave* w = document("speech8k.wav", 8000, {speechDecay(T, 8000, 2.0)});
    EXPECT_EQ(w->MTI(0, 8), -1.0f);
    EXPECT_EQ(w->MTI(0, 9), -1.0f);
    EXPECT_NEAR(w->MTI(0, 7), expectedIndex(T, 1e9, kModulation_Hz), 0.01);
    EXPECT_NEAR(w->STI(0), expectedIndex(T, 1e9, kModulation_Hz), 0.01);
    EXPECT_EQ(w->STI_male(0), -1.0f);
    EXPECT_EQ(w->STI_female(0), -1.0f);
    EXPECT_EQ(w->STITEL(0), -1.0f);
    EXPECT_GT(w->RASTI(0), 0.0f);
}

// Every index rests on every speech band the rate allows. A response that lacks one band's MTI has no index at
// all, not one of the bands that happen to have theirs: no STI (no value), no revised, RASTI or STITEL index (-1)
// and no articulation loss. The rows: white noise 10 dB below the decay's start, of which the wide 8 kHz octave
// takes a quarter, 16 dB below its tone - too close for a decay there, while the six bands below it (RASTI's two
// among them) have theirs; and a response cut 5 ms after its start, which only two octaves measure. A unit impulse
// in a response of the fewest frames an edit leaves keeps every index.
TEST_F(WaveSpeech, AnIndexNeedsEverySpeechBandTheRateAllows)
{
    auto cut = [](std::size_t frames) {
        auto x = speechDecay(1.0, 48000, 1.0);
        x.resize(frames);
        return x;
    };
    std::vector<float> impulse(256, 0.0f);
    impulse[20] = 20000;
    struct Row {
        const char* name;
        std::vector<float> samples;
        bool indices;
    };
    const Row rows[] = {
        {"8 kHz octave in its noise", speechDecay(1.0, 48000, 2.0, 1, 1e8 / 7 * 0.1), false},
        {"cut 5 ms after the impulse", cut(240 + 240), false},
        {"impulse in 256 frames", impulse, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        clsWave* w = document("bands.wav", 48000, {row.samples});
        int measured = 0;
        for (int band = 3; band <= 9; ++band)
            measured += w->MTI(0, band) >= 0 ? 1 : 0;
        if (row.indices) {
            EXPECT_EQ(measured, 7);
            for (const float index : {w->STI(0), w->STI_male(0), w->STI_female(0), w->RASTI(0), w->STITEL(0)})
                EXPECT_NEAR(index, 1.0, 0.005);
        } else {
            ASSERT_GT(measured, 0) << "a row of some bands measured";
            ASSERT_LT(measured, 7);
            EXPECT_EQ(w->STI(0), NoValue);
            EXPECT_EQ(w->STI_male(0), -1.0f);
            EXPECT_EQ(w->STI_female(0), -1.0f);
            EXPECT_EQ(w->RASTI(0), -1.0f);
            EXPECT_EQ(w->STITEL(0), -1.0f);
            EXPECT_EQ(clsWave::ALC(w->STI(0)), NoValue);
            EXPECT_EQ(clsWave::ALC(w->RASTI(0)), NoValue);
        }
        w->Die();
    }
}

// A band counts while its centre lies at most 0.35 times the rate: the 2 kHz octave just inside and just outside.
TEST_F(WaveSpeech, ABandCountsUpToACentreOf035TimesTheRate)
{
    struct Row {
        std::int32_t fs;
        bool counts;
    };
    for (const Row row : {Row{5750, true}, Row{5650, false}}) {
        SCOPED_TRACE(row.fs);
        clsWave* w = document("edge.wav", row.fs, {speechDecay(1.0, row.fs, 2.0)});
        EXPECT_EQ(w->MTI(0, 7) >= 0.0f, row.counts);
        EXPECT_GE(w->MTI(0, 6), 0.0f);
        w->Die();
    }
}

// A rate that allows no speech band - none whose centre lies at most 0.35 times the rate, the 125 Hz octave's
// (125.9 Hz) from 359.7 Hz on - leaves every index without a value: no STI (no value, "--"), no revised, RASTI or
// STITEL index (-1) and no loss, never an index of 0 ("Bad"). At 80 Hz, the lowest rate a response file may have,
// the library measures no speech band either; at 359 Hz it measures the 125 Hz octave, whose upper edge lies below
// half the rate, but the band is not counted. From 360 Hz on the bands the rate allows give the STI, the MTI of
// the decay they carry, while the indices that need all seven bands (or the 500 Hz octave) still have none.
TEST_F(WaveSpeech, NoIndexWhereTheRateAllowsNoSpeechBand)
{
    const double T = 1.0;
    struct Row {
        std::int32_t fs;
        int counted; // speech bands from 125 Hz on
    };
    for (const Row row : {Row{80, 0}, Row{359, 0}, Row{360, 1}, Row{1000, 2}}) {
        SCOPED_TRACE(row.fs);
        // 320 frames at 80 Hz (the fewest a response file may have are 256), the last 80 of them the decay.
        clsWave* w = document("no-speech-band.wav", row.fs, {speechDecay(T, row.fs, 4.0)});
        const double mti = expectedIndex(T, 1e9, kModulation_Hz);
        for (int band = 3; band <= 9; ++band) {
            SCOPED_TRACE("band " + std::to_string(band));
            if (band < 3 + row.counted) {
                EXPECT_NEAR(w->MTI(0, band), mti, 0.01);
            } else {
                EXPECT_EQ(w->MTI(0, band), -1.0f);
            }
        }
        EXPECT_EQ(w->MTF(0, 3, 0) != NoValue, row.fs >= 356) << "the library measures the 125 Hz octave";
        if (row.counted > 0) {
            EXPECT_NEAR(w->STI(0), mti, 0.01);
        } else {
            EXPECT_EQ(w->STI(0), NoValue);
            EXPECT_EQ(clsWave::ALC(w->STI(0)), NoValue);
        }
        for (const float index : {w->STI_male(0), w->STI_female(0), w->RASTI(0), w->STITEL(0)})
            EXPECT_EQ(index, -1.0f);
        w->Die();
    }
}

TEST_F(WaveSpeech, ValuesAreCachedUntilResetFlags)
{
    clsWave* w = document("speech-cache.wav", 48000, {speechDecay(0.5, 48000, 4.0)});
    const float mtf = w->MTF(0, 6, 13), sti = w->STI(0), male = w->STI_male(0), rasti = w->RASTI(0);
    // New samples behind the document's back: every index still answers from its cache.
    const auto slower = ts::toPcm16(speechDecay(2.0, 48000, 4.0));
    ASSERT_TRUE(WaveStore::edit(w->header(), [&](WaveStore::Channels& c) { c[0] = slower; }));
    EXPECT_EQ(w->MTF(0, 6, 13), mtf);
    EXPECT_EQ(w->STI(0), sti);
    EXPECT_EQ(w->STI_male(0), male);
    EXPECT_EQ(w->RASTI(0), rasti);
    w->ResetFlags();
    EXPECT_NEAR(w->STI(0), expectedIndex(2.0, 1e9, kModulation_Hz), 0.01);
    EXPECT_NEAR(w->STI_male(0), expectedIndex(2.0, 1e9, kModulation_Hz), 0.01);
    EXPECT_LT(w->MTF(0, 6, 13), mtf);
}

// Every value the document keeps is computed again after ResetFlags: a document whose samples are replaced behind
// its back answers, after ResetFlags, what a fresh document of the new samples answers. Each row is a getter with a
// cache of its own (or a value read through one); a row whose two answers were equal could not see a stale value.
TEST_F(WaveSpeech, EveryCachedValueFollowsResetFlags)
{
    using Getter = float (*)(clsWave&);
    struct Row {
        const char* name;
        Getter get;
    };
    const Row measured[] = {
        {"IRStart 0", [](clsWave& w) { return w.IRStart(0); }},
        {"IRStart 1", [](clsWave& w) { return w.IRStart(1); }},
        {"EDT", [](clsWave& w) { return w.EDT(0, 6); }},
        {"RT10time", [](clsWave& w) { return w.RT10time(0, 6); }},
        {"RT20time", [](clsWave& w) { return w.RT20time(0, 6); }},
        {"RT30time", [](clsWave& w) { return w.RT30time(0, 6); }},
        {"EDTcorr", [](clsWave& w) { return w.EDTcorr(0, 6); }},
        {"RT10corr", [](clsWave& w) { return w.RT10corr(0, 6); }},
        {"RT20corr", [](clsWave& w) { return w.RT20corr(0, 6); }},
        {"RT30Corr", [](clsWave& w) { return w.RT30Corr(0, 6); }},
        {"INR", [](clsWave& w) { return w.INR(0, 6); }},
        {"SNR", [](clsWave& w) { return w.SNR(0, 6); }},
        {"G", [](clsWave& w) { return w.G(0, 6); }},
        {"EDT of channel 1, third octave", [](clsWave& w) { return w.EDT(1, 27); }},
        {"C50", [](clsWave& w) { return w.C50(0, 6); }},
        {"C80", [](clsWave& w) { return w.C80(0, 6); }},
        {"D50", [](clsWave& w) { return w.D50(0, 6); }},
        {"ts", [](clsWave& w) { return w.ts(0, 6); }},
        {"STearly", [](clsWave& w) { return w.STearly(0, 6); }},
        {"STlate", [](clsWave& w) { return w.STlate(0, 6); }},
        {"STtotal", [](clsWave& w) { return w.STtotal(0, 6); }},
        {"C80 of channel 1, third octave", [](clsWave& w) { return w.C80(1, 27); }},
        {"LF1", [](clsWave& w) { return w.LF1(6); }},
        {"LF2", [](clsWave& w) { return w.LF2(6); }},
        {"LFC", [](clsWave& w) { return w.LFC(6); }},
        {"IACC1", [](clsWave& w) { return w.IACC1(6); }},
        {"IACC2", [](clsWave& w) { return w.IACC2(6); }},
        {"IACC3", [](clsWave& w) { return w.IACC3(6); }},
        {"MTF", [](clsWave& w) { return w.MTF(0, 6, 5); }},
        {"MTI", [](clsWave& w) { return w.MTI(0, 6); }},
        {"MTF of channel 1", [](clsWave& w) { return w.MTF(1, 8, 5); }},
        {"STI", [](clsWave& w) { return w.STI(0); }},
        {"STI_male", [](clsWave& w) { return w.STI_male(0); }},
        {"STI_female", [](clsWave& w) { return w.STI_female(0); }},
        {"RASTI", [](clsWave& w) { return w.RASTI(0); }},
        {"STITEL", [](clsWave& w) { return w.STITEL(1); }},
    };
    const Row reflection[] = {
        {"RI", [](clsWave& w) { return w.RI(20); }},
        {"Alpha", [](clsWave& w) { return w.Alpha(20); }},
    };
    // Two probe responses (capsules 20 mm apart) that differ in every value: decay time, noise, delay and how
    // the two channels relate.
    auto probe = [](double T, std::uint64_t seed, double noise, std::int64_t shift) {
        auto first = speechDecay(T, 48000, 2.0, seed, noise);
        auto second = speechDecay(T * 0.8, 48000, 2.0, seed + 1, noise * 2);
        std::rotate(second.begin(), second.end() - shift, second.end());
        return std::vector{first, second};
    };
    // Two reflection-index results: the reflection 2 * 0.25 m / c after the incident impulse, at two heights.
    auto reflected = [](float height) {
        std::vector<float> reflectedChannel(4800, 0.0f), incident(4800, 0.0f);
        incident[1000] = 20000;
        reflectedChannel[1000 + 70] = height;
        return std::vector{reflectedChannel, incident};
    };
    struct Setup {
        const char* name;
        std::int16_t receiver;
        float probeDistance;
        std::vector<std::vector<float>> before, after;
        std::span<const Row> rows;
    };
    const Setup setups[] = {
        {"probe", ReceiverOmniOmniProbe, 20.0f, probe(0.5, 1, 1e3, 30), probe(1.5, 5, 1e5, 200), measured},
        {"reflection index", ReceiverReflectionIndex, 0.25f, reflected(10000), reflected(5000), reflection},
    };
    for (const Setup& setup : setups) {
        SCOPED_TRACE(setup.name);
        auto prepare = [&setup](WaveHeader& h) {
            h.info.Receiver = setup.receiver;
            h.info.ProbeDist = setup.probeDistance;
        };
        clsWave* w = test::loadedDocument("cached.wav", 48000, setup.before, prepare);
        clsWave* fresh = test::loadedDocument("fresh.wav", 48000, setup.after, prepare);
        std::vector<float> old;
        for (const Row& row : setup.rows)
            old.push_back(row.get(*w));
        ASSERT_TRUE(WaveStore::edit(w->header(), [&](WaveStore::Channels& c) {
            for (std::size_t ch = 0; ch < c.size(); ++ch)
                c[ch] = ts::toPcm16(setup.after[ch]);
        }));
        w->setViewDirty(false);
        w->ResetFlags();
        EXPECT_TRUE(w->viewDirty());
        for (std::size_t i = 0; i < setup.rows.size(); ++i) {
            const Row& row = setup.rows[i];
            SCOPED_TRACE(row.name);
            const float expected = row.get(*fresh);
            ASSERT_NE(old[i], expected) << "this row cannot tell a stale value";
            EXPECT_EQ(row.get(*w), expected);
        }
    }
}

TEST_F(WaveSpeech, WeightsChangeOnlyTheSti)
{
    clsWave* w = document("weights.wav", 48000, {speechDecay(1.0, 48000, 2.0)});
    const float male = w->STI_male(0);
    const float sti = w->STI(0);
    for (int i = 0; i < 7; ++i)
        w->setSTI_Weight(i, 0.0f);
    EXPECT_EQ(w->STI(0), 0.0f); // no weight: 0
    w->setSTI_Weight(2, 1.0f);  // 500 Hz alone
    EXPECT_NEAR(w->STI(0), w->MTI(0, 5), 1e-6);
    EXPECT_EQ(w->STI_male(0), male);
    EXPECT_NE(w->STI(0), sti);
}

TEST_F(WaveSpeech, RangeFailuresAreReportedNotThrown)
{
    clsWave* w = document("range.wav", 48000, {speechDecay(0.5, 48000, 1.0)});
    // MTF and MTI report each failure once under their own names and give 0.
    auto& ui = static_cast<ScriptedUiServices&>(UiServices::get());
    struct Row {
        const char* name;
        std::function<float()> call;
        const char* reportedBy;
    };
    const Row rows[] = {{"MTF of band 2", [&] { return w->MTF(0, 2, 0); }, "GetMTF"},
                        {"MTF entry 20", [&] { return w->MTF(0, 5, 20); }, "GetMTF"},
                        {"MTI of channel 2", [&] { return w->MTI(2, 5); }, "GetMTI"},
                        {"MTI of band 10", [&] { return w->MTI(0, 10); }, "GetMTI"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ui.clear();
        EXPECT_EQ(row.call(), 0.0f);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.messages[0].text.contains(QLatin1String(row.reportedBy)) ||
                    ui.messages[0].title.contains(QLatin1String(row.reportedBy)))
            << ui.messages[0].text.toStdString();
    }
    EXPECT_THROW(w->STI(2), VemraError);
    EXPECT_THROW(w->STI_Weight(7), VemraError);
    EXPECT_THROW(w->SNR(0, 44), VemraError);
    EXPECT_THROW(w->LF(44), VemraError);
    EXPECT_THROW(w->IACC1(-1), VemraError);
}

// --- spatial parameters ---

// A figure-of-eight picking up a fraction a of the omni's amplitude throughout: LF = a^2 E(5..80) / E(0..80),
// LFC = a E(5..80) / E(0..80) for the band's envelope.
TEST_F(WaveSpeech, LateralFractions)
{
    const double T = 1.0, a = 0.5;
    const auto omni = speechDecay(T, 48000, 1.0);
    std::vector<float> eight(omni.size());
    for (std::size_t i = 0; i < omni.size(); ++i)
        eight[i] = static_cast<float>(a * omni[i]);
    const double share = (ts::decayEnergy(T, 48000, 1, 240) - ts::decayEnergy(T, 48000, 1, 3840)) /
                         (ts::decayEnergy(T, 48000, 1, 0) - ts::decayEnergy(T, 48000, 1, 3840));
    clsWave* w = document("lateral.wav", 48000, {omni, eight});
    ASSERT_EQ(w->TotalGain(0), w->TotalGain(1));
    for (int band = 4; band <= 8; ++band) {
        SCOPED_TRACE("band " + std::to_string(band));
        EXPECT_NEAR(w->LF1(band), a * a * share, 0.02);
        EXPECT_EQ(w->LF(band), w->LF1(band)); // not a probe
        EXPECT_NEAR(w->LFC(band), a * share, 0.03);
    }
    // Equal gains, uncalibrated: the library's raw value, and a gain ratio of 1.
    EXPECT_EQ(w->LF1(6), CalcLF(w->header(), 6));
    EXPECT_EQ(w->LFC(6), CalcLFC(w->header(), 6, 1.0f));
    // The figure-of-eight's gain above the omni's is taken off its energy.
    w->setGainIntCha(1, w->GainIntCha(1) + 6.0f);
    const double g = w->TotalGain(1) - w->TotalGain(0);
    w->ResetFlags();
    const float lf1 = w->LF1(6);
    EXPECT_NEAR(lf1, a * a * share / std::pow(10.0, g / 10), 0.02);
    const float lfc = w->LFC(6), lfc8k = w->LFC(9), lf18k = w->LF1(9), lfcThird = w->LFC(30);
    // Calibrated, bands 2..8 also take channel 1's band calibration (and LF1 the 6 dB of the figure-of-eight);
    // the 8 kHz octave and the third octaves do not.
    w->setCalID(QStringLiteral("Probe 1"));
    ASSERT_TRUE(w->Calibrated());
    w->setGainCalCh2(6, 3.0f);
    w->ResetFlags();
    EXPECT_NEAR(w->LF1(6), lf1 / std::pow(10.0, 9.0 / 10), 1e-6);
    EXPECT_NEAR(w->LFC(6), lfc * std::pow(10.0, -3.0 / 20), 1e-6);
    EXPECT_FLOAT_EQ(w->LF1(9), lf18k);
    EXPECT_FLOAT_EQ(w->LFC(9), lfc8k);
    EXPECT_FLOAT_EQ(w->LFC(30), lfcThird);
}

TEST_F(WaveSpeech, ProbeUsesTheOmniOmniFraction)
{
    const auto p = speechDecay(1.0, 48000, 1.0);
    clsWave* w = document("probe.wav", 48000, {p, p}, 5);
    w->header().info.ProbeDist = 20; // mm
    EXPECT_EQ(w->LF(6), w->LF2(6));
    EXPECT_NEAR(w->LF2(6), 0.0, 1e-3); // the same pressure at both capsules: frontal sound
}

TEST_F(WaveSpeech, InterauralCrossCorrelation)
{
    const auto left = speechDecay(1.0, 48000, 1.5, 1);
    clsWave* same = document("same.wav", 48000, {left, left});
    for (int band = 3; band <= 9; ++band) {
        SCOPED_TRACE("band " + std::to_string(band));
        EXPECT_NEAR(same->IACC1(band), 1.0, 1e-4);
        EXPECT_NEAR(same->IACC2(band), 1.0, 1e-4);
        EXPECT_NEAR(same->IACC3(band), 1.0, 1e-4);
    }
    ts::ResponseShape shape;
    shape.fs_Hz = 48000;
    shape.length_s = 1.5;
    shape.delay = 240;
    shape.energy = ts::singleDecay(1.0, 1e6);
    const auto l = ts::makeResponse(shape);
    shape.seed = 7;
    const auto r = ts::makeResponse(shape);
    clsWave* independent = document("independent.wav", 48000, {l, r});
    EXPECT_LT(independent->IACC1(8), 0.3f);
    EXPECT_LT(independent->IACC3(8), 0.3f);

    // One decay at both ears over independent noise (INR about 25 dB in the 1 kHz octave): the long noise tail
    // after the decay end does not count, or it would pull the whole-response value down to about 0.8.
    const auto decay = speechDecay(0.5, 48000, 3.0, 3);
    std::vector<float> noisy[2] = {decay, decay};
    for (int ch = 0; ch < 2; ++ch) {
        ts::Random random(11 + ch);
        for (float& v : noisy[ch])
            v += static_cast<float>(1240 * random.gaussian());
    }
    clsWave* tails = document("tails.wav", 48000, {noisy[0], noisy[1]});
    ASSERT_TRUE(isTrue(tails->decayRecord(0, 6).decayEndValid));
    EXPECT_GT(tails->IACC1(6), 0.95f);
    EXPECT_GT(tails->IACC2(6), 0.95f);
}

// The ears hear one response with an interaural delay: within the lag range of +-1 ms (either ear first, up to the
// edge itself) the correlation finds it whole; beyond the range it does not. In the upper bands a lag off by a
// fraction of a millisecond already decorrelates, so a narrower range or an edge left out shows there.
TEST_F(WaveSpeech, InterauralDelayNearTheEdgeOfTheLagRange)
{
    ts::ResponseShape shape;
    shape.fs_Hz = 48000;
    shape.length_s = 1.5;
    shape.delay = 240;
    shape.energy = ts::singleDecay(1.0, 1e6);
    const auto ear = ts::makeResponse(shape);
    auto later = [&ear](std::int64_t frames) {
        std::vector<float> x(ear.size(), 0.0f);
        std::copy(ear.begin(), ear.end() - frames, x.begin() + frames);
        return x;
    };
    struct Row {
        const char* name;
        std::int64_t delay; // frames at 48 kHz
        bool rightLater;
        bool found;
    };
    const Row rows[] = {
        {"right ear 0.9 ms later", 43, true, true},
        {"left ear 0.9 ms later", 43, false, true},
        {"right ear 1 ms later, the edge", 48, true, true},
        {"left ear 1 ms later, the edge", 48, false, true},
        {"right ear 1.5 ms later, out of reach", 72, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto delayed = later(row.delay);
        clsWave* w = document("lag.wav", 48000, row.rightLater ? std::vector{ear, delayed} : std::vector{delayed, ear});
        for (int band = 7; band <= 9; ++band) {
            SCOPED_TRACE("band " + std::to_string(band));
            for (const float iacc : {w->IACC1(band), w->IACC2(band), w->IACC3(band)}) {
                if (row.found)
                    EXPECT_GT(iacc, 0.95f);
                else
                    EXPECT_LT(iacc, 0.5f);
            }
        }
        w->Die();
    }
}

TEST_F(WaveSpeech, SpatialNoValues)
{
    const auto x = speechDecay(1.0, 8000, 1.0);
    clsWave* mono = document("mono.wav", 8000, {x});
    EXPECT_EQ(mono->LF1(6), -1.0f);
    EXPECT_EQ(mono->LF2(6), -1.0f);
    EXPECT_EQ(mono->LFC(6), -1.0f);
    EXPECT_EQ(mono->IACC1(6), -1.0f);
    mono->setGainIntCha(1, mono->GainIntCha(1) + 10.0f); // "no value" stays -1 through the gain correction
    mono->ResetFlags();
    ASSERT_NE(mono->TotalGain(0), mono->TotalGain(1));
    EXPECT_EQ(mono->LF1(6), -1.0f);
    clsWave* stereo = document("stereo8k.wav", 8000, {x, x});
    EXPECT_GT(stereo->LF1(6), 0.0f);
    EXPECT_EQ(stereo->LF1(9), -1.0f); // the 8 kHz octave is above Nyquist
    EXPECT_EQ(stereo->IACC2(9), -1.0f);
    const std::vector<float> silent(x.size(), 0.0f);
    clsWave* quietOmni = document("quiet.wav", 8000, {silent, x});
    EXPECT_EQ(quietOmni->LF1(5), -1.0f);
    EXPECT_EQ(quietOmni->LFC(5), -1.0f);
    EXPECT_EQ(quietOmni->IACC1(5), -1.0f);
}
