// Where a decay ends: responses cut before their decay meets any noise, tails faded out by the window edit, and
// bands that hold no decay at all.
#include "library/dsp/Bands.h"
#include "library/dsp/ChannelAnalysis.h"
#include "library/dsp/DecayAnalysis.h"
#include "library/dsp/Editing.h"
#include "library/dsp/EnergyParameters.h"
#include "support/ResponseGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

using namespace vemra::dsp;
namespace ts = vemra::testsupport;

namespace {

constexpr double kFs = 48000;
constexpr int kRightHalfHanning = 3; // the window edit's falling half of the Hanning window

// The last `fade_s` seconds of x multiplied by the window edit's falling half.
void fadeOut(std::vector<float>& x, double fade_s)
{
    const auto length = static_cast<std::int64_t>(fade_s * kFs);
    const auto start = static_cast<std::int64_t>(x.size()) - length;
    for (std::int64_t i = 0; i < length; ++i)
        x[static_cast<std::size_t>(start + i)] *= static_cast<float>(windowGain(kRightHalfHanning, i, length));
}

// A decay of 60 dB/s given as energy in cells of one sample, twenty blocks of 50 ms whose block means lie
// offset_dB[k] off its straight line: block means fall exactly 3 dB per block plus offset_dB[k].
constexpr int kFadeBlocks = 20;
constexpr std::int64_t kFadeBlock = 2400;

DecayAnalysis analyseBlockDecay(const double (&offset_dB)[kFadeBlocks])
{
    std::vector<float> energy(kFadeBlocks * kFadeBlock);
    for (std::size_t n = 0; n < energy.size(); ++n) {
        const double level_dB = -60.0 * static_cast<double>(n) / kFs + offset_dB[n / kFadeBlock];
        energy[n] = static_cast<float>(1e8 * std::pow(10.0, level_dB / 10));
    }
    DecayCells cells;
    cells.cells = energy;
    cells.lastCellSamples = 1;
    cells.fs_Hz = kFs;
    return analyseDecay(cells);
}

struct Range {
    const char* name;
    LineFit DecayAnalysis::*fit;
    double bottom_dB;
};
constexpr Range kRanges[] = {{"EDT", &DecayAnalysis::edt, 10},
                             {"T10", &DecayAnalysis::t10, 15},
                             {"T20", &DecayAnalysis::t20, 25},
                             {"T30", &DecayAnalysis::t30, 35}};

} // namespace

// A response that ends while it still decays, with no noise anywhere: the end is no noise floor. The decay is
// measured to the end, nothing is taken off as noise, and every range the response reaches down to has its fit
// (the curve is carried past the cut by the decay line); the INR is the range shown. Broadband, and in a band.
TEST(DecayEnds, ACutResponseIsMeasuredFromTheDecayThatIsThere)
{
    struct Case {
        double T, cut_dB;
    };
    const Case cases[] = {{1.0, 30}, {1.0, 45}, {2.0, 40}, {0.5, 60}};
    for (const Case& c : cases) {
        SCOPED_TRACE("T " + std::to_string(c.T) + " cut at -" + std::to_string(c.cut_dB) + " dB");
        const double length_s = c.cut_dB / 60 * c.T;
        const auto x = ts::exponentialDecay(c.T, kFs, length_s, 10000, ts::noINR, 0, 3);
        const DecayAnalysis d = analyseDecay(x, kFs, 0);
        ASSERT_TRUE(d.valid);
        EXPECT_FALSE(d.noiseFloor);
        EXPECT_EQ(d.noiseEnergy, 0.0);
        EXPECT_EQ(d.decayEnd, static_cast<std::int64_t>(x.size()));
        EXPECT_NEAR(d.INR_dB, c.cut_dB, 1.5);
        for (const Range& r : kRanges) {
            SCOPED_TRACE(r.name);
            EXPECT_EQ((d.*r.fit).valid, r.bottom_dB <= c.cut_dB);
            if ((d.*r.fit).valid) {
                EXPECT_NEAR((d.*r.fit).decayTime_s, c.T, 0.02 * c.T);
            }
        }

        ts::ResponseShape shape;
        shape.fs_Hz = kFs;
        shape.length_s = length_s + 0.005;
        shape.delay = 240;
        shape.energy = ts::singleDecay(c.T, 1e8);
        ChannelAnalysis band(ts::makeTonalResponse(shape, {bandCentre_Hz(6)}), kFs, 240);
        const DecayAnalysis* b = band.decay(6);
        ASSERT_TRUE(b && b->valid);
        EXPECT_FALSE(b->noiseFloor);
        for (const Range& r : kRanges) {
            SCOPED_TRACE(std::string("band ") + r.name);
            EXPECT_EQ((b->*r.fit).valid, r.bottom_dB <= c.cut_dB);
            if ((b->*r.fit).valid) {
                EXPECT_NEAR((b->*r.fit).decayTime_s, c.T, 0.05 * c.T);
            }
        }
    }
}

// The window edit fades a tail out. Over the noise floor the fade is no lower noise: the noise, the decay end and
// the decay times stay those of the unfaded response. Over the decay itself the fade is no faster decay: the
// decay ends where the fade begins to take it down, and the decay times are those of the decay before it.
TEST(DecayEnds, AFadedTailIsNeitherNoiseNorDecay)
{
    const double T = 1.0;
    auto noisy = ts::exponentialDecay(T, kFs, 3.0, 10000, 50, 0, 5);
    const DecayAnalysis unfaded = analyseDecay(noisy, kFs, 0);
    ASSERT_TRUE(unfaded.valid && unfaded.noiseFloor);
    fadeOut(noisy, 1.0);
    const DecayAnalysis fadedFloor = analyseDecay(noisy, kFs, 0);
    ASSERT_TRUE(fadedFloor.valid);
    EXPECT_TRUE(fadedFloor.noiseFloor);
    EXPECT_NEAR(fadedFloor.INR_dB, unfaded.INR_dB, 1.0);
    EXPECT_NEAR((fadedFloor.decayEnd - unfaded.decayEnd) / kFs, 0.0, 0.02);
    for (auto fit : {&DecayAnalysis::t20, &DecayAnalysis::t30}) {
        ASSERT_TRUE((fadedFloor.*fit).valid);
        EXPECT_NEAR((fadedFloor.*fit).decayTime_s, T, 0.05 * T);
    }

    // No noise; the last half second of a second faded out (the fade is 3 dB down 0.2 s into it, at -42 dB).
    auto clean = ts::exponentialDecay(T, kFs, 1.0, 10000, ts::noINR, 0, 6);
    fadeOut(clean, 0.5);
    const DecayAnalysis fadedDecay = analyseDecay(clean, kFs, 0);
    ASSERT_TRUE(fadedDecay.valid);
    EXPECT_FALSE(fadedDecay.noiseFloor);
    EXPECT_LT(fadedDecay.decayEnd / kFs, 0.8);
    for (const Range& r : kRanges) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE((fadedDecay.*r.fit).valid);
        EXPECT_NEAR((fadedDecay.*r.fit).decayTime_s, T, 0.05 * T);
    }
}

// A band that holds only noise (the decay is a tone some octave bands away: no decay end found), or whose noise
// is too close to its decay for any range (the 2 kHz octave hears the 1 kHz tone 15 dB above its noise): no
// clarity, definition, centre time or support - only its energy. The band of the decay keeps all of them.
TEST(DecayEnds, ABandWithoutADecayHasNoEnergyParameters)
{
    ts::ResponseShape shape;
    shape.fs_Hz = kFs;
    shape.length_s = 1.5;
    shape.delay = 240;
    shape.energy = ts::singleDecay(0.8, 1e8);
    shape.noiseEnergy = 1.2e4; // white, 39 dB below the tone's start
    ChannelAnalysis a(ts::makeTonalResponse(shape, {bandCentre_Hz(6)}), kFs, 240);
    for (int band : {2, 3, 7, 10}) {
        SCOPED_TRACE("band " + std::to_string(band));
        const DecayAnalysis* d = a.decay(band);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->valid, band == 7);
        EXPECT_FALSE(d->holdsDecay());
        const BandEnergy* e = a.energy(band);
        EXPECT_FALSE(e->clarity_dB(0.050));
        EXPECT_FALSE(e->clarity_dB(0.080));
        EXPECT_FALSE(e->centreTime_s());
        for (SupportKind k : {SupportKind::Early, SupportKind::Late, SupportKind::Total})
            EXPECT_FALSE(e->support_dB(k));
        EXPECT_TRUE(e->strengthEnergy(static_cast<std::int64_t>(shape.length_s * kFs)));
    }
    const BandEnergy* decaying = a.energy(6);
    EXPECT_TRUE(a.decay(6)->holdsDecay());
    EXPECT_NEAR(*decaying->clarity_dB(0.080), ts::clarity_dB(0.8, 0.080), 1.0);
    EXPECT_NEAR(*decaying->centreTime_s(), ts::centreTime_s(0.8), 0.010);
    EXPECT_TRUE(decaying->support_dB(SupportKind::Total));
}

// A steep fade (1 dB per millisecond, to 60 dB below the decay). The decay is cut into twenty blocks, and the
// line the fade is told from runs through 40..70 %. A fade that begins at or after 70 %, the earliest the fade
// search looks, on a block's edge ends the decay exactly where it begins, the search's limit included; one that
// begins inside the stretch of the line still ends it no earlier than that limit. One that begins inside a block
// ends the decay after that block, where it has only begun - also when it begins in the last block but one, so
// that the last block alone lies 10 dB below the line.
TEST(DecayEnds, AFadeAtTheEdgeOfTheSearchEndsTheDecayWhereItBegins)
{
    const double T = 1.0;
    struct Row {
        double fadeFrom_s, end_s, tolerance; // of the decay times, relative
    };
    const Row rows[] = {{0.70, 0.70, 0.02}, {0.75, 0.75, 0.02}, {0.85, 0.85, 0.02},
                        {0.65, 0.70, 0.05}, {0.94, 0.95, 0.02}};
    for (const Row& row : rows) {
        SCOPED_TRACE("fade from " + std::to_string(row.fadeFrom_s));
        auto x = ts::exponentialDecay(T, kFs, 1.0, 10000, ts::noINR, 0, 6);
        for (std::size_t n = 0; n < x.size(); ++n) {
            const double late_s = static_cast<double>(n) / kFs - row.fadeFrom_s;
            if (late_s > 0)
                x[n] *= static_cast<float>(std::max(std::pow(10.0, -late_s * 1000 / 20), 1e-3));
        }
        const DecayAnalysis d = analyseDecay(x, kFs, 0);
        ASSERT_TRUE(d.valid);
        EXPECT_FALSE(d.noiseFloor);
        EXPECT_EQ(d.decayEnd, std::llround(row.end_s * kFs));
        for (const Range& r : kRanges) {
            SCOPED_TRACE(r.name);
            ASSERT_TRUE((d.*r.fit).valid);
            EXPECT_NEAR((d.*r.fit).decayTime_s, T, row.tolerance * T);
        }
    }
}

// Which blocks the line a fade is told from runs through: blocks 8..13 of twenty, no fewer and no more. The energy
// is given in cells, a decay of 60 dB/s whose twenty blocks of a second lie d_k dB off its straight line: block
// means fall exactly 3 dB per block plus d_k. A block 6 dB low among the six of the stretch turns the
// least-squares line through them (in blocks, about their centre 10.5, sum of squares 17.5):
//   block 13 low: the line lies -1 - 6/7 (k - 10.5) dB off the decay: -4.86, -5.71, -6.57, -7.43 at k = 15..18;
//   block 8 low:  the line lies -1 + 6/7 (k - 10.5) dB off it: 2.00, 2.86, 3.71, 4.57 at k = 14..17.
// The fade - the last block far below the line - ends the decay after the last block that lies no more than 3 dB
// below the line. Through blocks 8..12 instead, the first row's line is the decay itself (0 dB) and the second's
// lies -1.2 + 1.2 (k - 10) off it; through 8..14 the first row's lies -6/7 - 3/7 (k - 11) off it; through 9..13
// the second row's is the decay itself. Each ends the decay blocks away from the line through 8..13.
TEST(DecayEnds, TheFadeIsToldFromTheLineThroughBlocksEightToThirteen)
{
    struct Row {
        const char* name;
        double offset_dB[kFadeBlocks];
        int endBlocks; // the decay ends after this many blocks
    };
    const Row rows[] = {
        {"block 13 low", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -6, 0, -7, -8, -8.5, -30, -40}, 18},
        {"block 8 low", {0, 0, 0, 0, 0, 0, 0, 0, -6, 0, 0, 0, 0, 0, 0, -2, -2, -2, -20, -40}, 15},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const DecayAnalysis d = analyseBlockDecay(row.offset_dB);
        ASSERT_TRUE(d.valid);
        EXPECT_FALSE(d.noiseFloor);
        EXPECT_EQ(d.decayEnd, row.endBlocks * kFadeBlock);
    }
}

// How far below the line the last block must lie to be a fade: more than 10 dB. One 7 dB below it is no fade, and
// the decay is measured to the end of the response; one 13 dB below it is, and the decay ends after the block
// before it.
TEST(DecayEnds, OnlyALastBlockMoreThanTenDecibelsBelowTheLineIsAFade)
{
    struct Row {
        double below_dB;
        int endBlocks;
    };
    for (const Row& row : {Row{7, kFadeBlocks}, Row{13, kFadeBlocks - 1}}) {
        SCOPED_TRACE("last block " + std::to_string(int(row.below_dB)) + " dB below the line");
        double offset_dB[kFadeBlocks] = {};
        offset_dB[kFadeBlocks - 1] = -row.below_dB;
        const DecayAnalysis d = analyseBlockDecay(offset_dB);
        ASSERT_TRUE(d.valid);
        EXPECT_FALSE(d.noiseFloor);
        EXPECT_EQ(d.decayEnd, row.endBlocks * kFadeBlock);
    }
}
