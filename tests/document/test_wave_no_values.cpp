// Responses that hold no measurement, or none in some bands, through the members the tables read: what cannot be
// measured has no value, never a number that looks measured.
#include "document_fixture.h"

#include "document/clsWave.h"
#include "library/dsp/Bands.h"
#include "support/ResponseGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace vemra;
namespace ts = vemra::testsupport;

namespace {

class WaveNoValues : public test::DocumentTest {};

constexpr double kFs = 48000;

std::vector<float> decay(double T, double length_s, double INR_dB = ts::noINR)
{
    return ts::exponentialDecay(T, kFs, length_s, 10000, INR_dB, 0, 7);
}

} // namespace

// Per case and channel: whether the channel has speech indices, and whether it is silent (nothing at all has a
// value). In every band of every case: no negative centre time, and none without a decay the EDT range shows;
// an INR is a value below 110 dB or a lower bound of one (negative), and with a bound there is no SNR.
TEST_F(WaveNoValues, ResponsesWithoutAMeasurement)
{
    enum Speech { None, Indices, Either };
    struct Channel {
        std::vector<float> samples;
        Speech speech; // a response shorter than some bands' filters may hold a decay in others
        bool silent;
    };
    struct Case {
        const char* name;
        std::vector<Channel> channels;
    };
    std::vector<float> silenced = decay(0.5, 1.0);
    std::fill(silenced.begin() + 24000, silenced.end(), 0.0f); // cut at -60 dB, digital silence after
    const Case cases[] = {
        {"300 samples", {{decay(1.0, 300 / kFs), Either, false}}},
        {"256 samples", {{decay(1.0, 256 / kFs), Either, false}}},
        {"digital silence after the decay", {{silenced, Indices, false}}},
        {"all zeros", {{std::vector<float>(48000, 0.0f), None, true}}},
        {"full-scale DC", {{std::vector<float>(96000, 32767.0f), None, false}}},
        {"silent second channel",
         {{decay(1.0, 2.0, 60), Indices, false}, {std::vector<float>(96000, 0.0f), None, true}}},
    };
    int file = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::vector<float>> samples;
        for (const Channel& ch : c.channels)
            samples.push_back(ch.samples);
        clsWave* w = test::loadedDocument("novalue" + std::to_string(file++) + ".wav", static_cast<std::int32_t>(kFs),
                                          samples, [](WaveHeader& h) { h.info.Receiver = 2; });
        for (int ch = 0; ch < static_cast<int>(c.channels.size()); ++ch) {
            SCOPED_TRACE("channel " + std::to_string(ch));
            const Channel& expected = c.channels[static_cast<std::size_t>(ch)];
            for (int band = 0; band < dsp::kBandCount; ++band) {
                if (!dsp::bandBelowNyquist(band, kFs))
                    continue;
                SCOPED_TRACE("band " + std::to_string(band));
                const float ts = w->ts(ch, band), inr = w->INR(ch, band), snr = w->SNR(ch, band);
                EXPECT_TRUE(ts == NoValue || ts >= 0) << ts;
                if (w->EDT(ch, band) == NoValue) {
                    EXPECT_EQ(ts, NoValue);
                }
                if (inr != NoValue) {
                    EXPECT_LT(std::abs(inr), 110.0f); // what 16-bit samples can show in a narrow band at most
                }
                if (inr < 0 || inr == NoValue) {
                    EXPECT_EQ(snr, NoValue);
                } else {
                    EXPECT_LT(snr, 100.0f);
                }
                if (expected.silent) {
                    for (float v : {inr, snr, ts, w->EDT(ch, band), w->C80(ch, band), w->G(ch, band)})
                        EXPECT_EQ(v, NoValue);
                }
            }
            for (int band = 3; band <= 9; ++band) {
                SCOPED_TRACE("speech band " + std::to_string(band));
                const float mti = w->MTI(ch, band);
                if (expected.speech == Either)
                    continue;
                if (expected.speech == None) {
                    EXPECT_EQ(mti, -1.0f);
                    continue;
                }
                EXPECT_GE(mti, 0.0f);
                for (int i = 0; i < 14; ++i) {
                    EXPECT_GE(w->MTF(ch, band, i), 0.0f);
                    EXPECT_LE(w->MTF(ch, band, i), 1.0f);
                }
            }
            if (expected.silent) {
                for (int band = 3; band <= 9; ++band)
                    for (int i = 0; i < 14; ++i)
                        EXPECT_EQ(w->MTF(ch, band, i), NoValue);
            }
            if (expected.speech == Indices) {
                for (float v : {w->STI(ch), w->STI_male(ch), w->STI_female(ch), w->RASTI(ch), w->STITEL(ch)}) {
                    EXPECT_GT(v, 0.3f);
                    EXPECT_LT(v, 1.0f);
                }
            } else if (expected.speech == None) {
                EXPECT_EQ(w->STI(ch), NoValue);
                for (float v : {w->STI_male(ch), w->STI_female(ch), w->RASTI(ch), w->STITEL(ch)})
                    EXPECT_EQ(v, -1.0f);
                EXPECT_EQ(w->ALC(w->STI(ch)), NoValue);
                EXPECT_EQ(w->ALC(w->STITEL(ch)), NoValue);
            }
        }
        w->Die();
    }
}

// Weights up to the largest single that the weight box takes: the weighted index is the weighted mean of the
// band indices, not an overflowed sum.
TEST_F(WaveNoValues, ExtremeWeightsGiveTheWeightedMean)
{
    clsWave* w = test::loadedDocument("weights.wav", static_cast<std::int32_t>(kFs), {decay(1.0, 2.0, 60)});
    const float weights[7] = {3e38f, 2e38f, 0, 0, 0, 0, 0};
    for (int k = 0; k < 7; ++k)
        w->setSTI_Weight(k, weights[k]);
    const double expected = (3.0 * w->MTI(0, 3) + 2.0 * w->MTI(0, 4)) / 5.0;
    EXPECT_NEAR(w->STI(0), expected, 1e-6);
    EXPECT_GT(w->STI(0), 0.3f);
}
