// The waterfall calls of the library: a waterfall made from a response file, its slices, and the refusals.
#include "library/Codes.h"
#include "library/WaterfallStore.h"
#include "library/api_waterfall.h"
#include "library/files/ResponseFile.h"
#include "support/WaterfallRecords.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

using namespace vemra;

namespace {

constexpr std::int32_t kFs = 48000;
constexpr std::int32_t kFrames = 9600;

// Two channels: a decaying tone at 1 kHz on the first, silence on the second.
std::string writeStereo(const std::string& name)
{
    WaveHeader h;
    files::setPcm16Format(h, 2, kFs, kFrames);
    std::vector<std::int16_t> frames;
    for (int i = 0; i < kFrames; ++i) {
        const double tone = std::sin(2 * std::numbers::pi * 1000 * i / kFs);
        frames.push_back(std::int16_t(std::lround(20000 * std::exp(-i / 2000.0) * tone)));
        frames.push_back(0);
    }
    const std::string path = test::privateRoot() + "/" + name;
    EXPECT_EQ(files::writeResponseWav(path, h, frames), Ok);
    return path;
}

// A CSD of 20 slices at FFT size 1024.
WaterfallParams defaults()
{
    WaterfallParams p = testsupport::defaultWaterfall(kFrames);
    p.WaterfallType = 1;
    p.Slices = 20;
    p.LogN = 10;
    return p;
}

std::size_t slicesShown(const WaterfallParams& p)
{
    const std::optional<WaterfallPicture> picture = WaterfallPictureOf(p);
    return picture ? picture->slices.size() : 0;
}

class WaterfallApi : public testing::Test {
protected:
    void TearDown() override { DestroyWaterfall(params); }
    WaterfallParams params = defaults();
};

} // namespace

TEST_F(WaterfallApi, SlicesOfTheFileShowWithThePresentSettingsOnly)
{
    ASSERT_EQ(CreateWaterfall(writeStereo("stereo.wav"), params), Ok);
    EXPECT_NE(params.LibraryData, 0);
    for (std::int16_t i = 0; i < 5; ++i)
        ASSERT_EQ(SliceWaterfall(params, i), Ok);
    EXPECT_EQ(slicesShown(params), 5u);
    const std::optional<WaterfallPicture> picture = WaterfallPictureOf(params);
    EXPECT_DOUBLE_EQ(picture->times_s[4], 4 * 20.0 / kFs);

    // Slices made with other settings or another channel are not this picture's.
    params.WindowType = 7;
    EXPECT_EQ(slicesShown(params), 0u);
    params.WindowType = 1;
    EXPECT_EQ(slicesShown(params), 5u);
    params.Channel = 1;
    EXPECT_EQ(slicesShown(params), 0u);
    ASSERT_EQ(SliceWaterfall(params, 0), Ok);
    EXPECT_EQ(slicesShown(params), 1u);

    // Rebuilding forgets every slice.
    params.Channel = 0;
    params.Slices = 30;
    ASSERT_EQ(RebuildWaterfall(params), Ok);
    EXPECT_EQ(slicesShown(params), 0u);
}

TEST_F(WaterfallApi, ARecordChangedWithoutRebuildIsSizedAgainBeforeSlicing)
{
    ASSERT_EQ(CreateWaterfall(writeStereo("resize.wav"), params), Ok);
    params.LogN = 12;
    params.Slices = 3;
    ASSERT_EQ(SliceWaterfall(params, 2), Ok);
    const std::optional<WaterfallPicture> picture = WaterfallPictureOf(params);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->slices.size(), 1u);
    EXPECT_EQ(picture->slices[0].size(), 2049u);
}

TEST_F(WaterfallApi, RefusalsNameWhatIsWrong)
{
    // Nothing to work on before CreateWaterfall and after DestroyWaterfall.
    EXPECT_EQ(SliceWaterfall(params, 0), msg::NoWaveData);
    EXPECT_EQ(RebuildWaterfall(params), msg::NoWaveData);

    // A file that is not there: the file's message, and no handle.
    EXPECT_EQ(CreateWaterfall(test::privateRoot() + "/missing.wav", params), msg::CannotRead);
    EXPECT_EQ(params.LibraryData, 0);

    const std::string path = writeStereo("refusals.wav");
    params.LogN = 17;
    EXPECT_EQ(CreateWaterfall(path, params), msg::BadArgument);
    EXPECT_EQ(params.LibraryData, 0);
    params.LogN = 10;
    ASSERT_EQ(CreateWaterfall(path, params), Ok);

    struct Case {
        const char* name;
        void (*spoil)(WaterfallParams&);
    };
    const Case cases[] = {
        {"stretch past the end", [](WaterfallParams& p) { p.StartSample = kFrames - 10; }},
        {"negative start", [](WaterfallParams& p) { p.StartSample = -1; }},
        {"empty stretch", [](WaterfallParams& p) { p.SampleCount = 0; }},
        {"third channel", [](WaterfallParams& p) { p.Channel = 2; }},
        {"type 4", [](WaterfallParams& p) { p.WaterfallType = 4; }},
        {"window code 3", [](WaterfallParams& p) { p.WindowType = 3; }},
        {"rise time above 100 ms", [](WaterfallParams& p) { p.CSDRise = 101; }},
        {"negative shift", [](WaterfallParams& p) { p.CSDShift = -5; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaterfallParams spoiled = params;
        c.spoil(spoiled);
        EXPECT_EQ(SliceWaterfall(spoiled, 0), msg::BadArgument);
    }
    EXPECT_EQ(SliceWaterfall(params, -1), msg::BadArgument);
    EXPECT_EQ(SliceWaterfall(params, params.Slices), msg::BadArgument);
    WaterfallParams tooMany = params;
    tooMany.Slices = 1001;
    EXPECT_EQ(RebuildWaterfall(tooMany), msg::BadArgument);

    // A destroyed handle finds nothing, also after a new waterfall was made.
    const std::int32_t old = params.LibraryData;
    EXPECT_EQ(DestroyWaterfall(params), Ok);
    EXPECT_EQ(params.LibraryData, 0);
    ASSERT_EQ(CreateWaterfall(path, params), Ok);
    EXPECT_NE(params.LibraryData, old);
    WaterfallParams stale = params;
    stale.LibraryData = old;
    EXPECT_EQ(SliceWaterfall(stale, 0), msg::NoWaveData);
}

// Silence is judged on the slices the record's channel and stretch give, never on the file as a whole: a silent
// second channel, a stretch before the only sample, windows that give it no weight, a gate that ends before it. One sample of value 1 is no
// silence: at the start of a CSD gate it shows 20 log10(1 / 32768) dB at every frequency of the first slice.
TEST_F(WaterfallApi, SilenceIsJudgedOnTheAnalysedChannelAndStretch)
{
    constexpr std::int32_t kSample = 6000;
    WaveHeader h;
    files::setPcm16Format(h, 1, kFs, kFrames);
    std::vector<std::int16_t> samples(kFrames, 0);
    samples[kSample] = 1;
    const std::string quiet = test::privateRoot() + "/quiet.wav";
    ASSERT_EQ(files::writeResponseWav(quiet, h, samples), Ok);
    const std::string stereo = writeStereo("half-silent.wav");
    // A hard cut: the first slice keeps the gate's first sample whole.
    params.CSDRise = 0;

    struct Case {
        const char* name;
        const std::string& file;
        std::int16_t channel;
        std::int16_t type; // 0 TSS, 1 CSD
        std::int32_t start;
        std::int32_t count;
        bool silent;
    };
    const Case cases[] = {
        {"the tone channel", stereo, 0, 1, 0, kFrames, false},
        {"the silent second channel", stereo, 1, 1, 0, kFrames, true},
        {"spectra over the whole quiet file", quiet, 0, 0, 0, kFrames, false},
        {"spectra of the stretch before its sample", quiet, 0, 0, 0, kSample, true},
        {"spectra of a stretch around its sample", quiet, 0, 0, kSample - 1000, 3000, false},
        // The first window starts on the sample and gives it no weight; the later ones start after it.
        {"spectra of a stretch that starts on its sample", quiet, 0, 0, kSample, kFrames - kSample, true},
        {"a decay gated before its sample", quiet, 0, 1, 0, kFrames, true},
        {"a decay gated from its sample", quiet, 0, 1, kSample, 2000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(CreateWaterfall(c.file, params), Ok);
        params.Channel = c.channel;
        params.WaterfallType = c.type;
        params.StartSample = c.start;
        params.SampleCount = c.count;
        for (std::int16_t i = 0; i < params.Slices; ++i)
            ASSERT_EQ(SliceWaterfall(params, i), Ok);
        const std::optional<WaterfallPicture> picture = WaterfallPictureOf(params);
        ASSERT_TRUE(picture);
        ASSERT_EQ(picture->slices.size(), std::size_t(params.Slices));
        EXPECT_EQ(picture->silent(), c.silent);
        if (c.type == 1 && c.start == kSample) {
            const float expected = float(20 * std::log10(1.0 / 32768));
            for (std::size_t k = 1; k < picture->slices[0].size(); ++k)
                ASSERT_NEAR(picture->slices[0][k], expected, 0.01) << "bin " << k;
        }
    }

    // Before any slice is computed there is no picture to call silent.
    ASSERT_EQ(RebuildWaterfall(params), Ok);
    const std::optional<WaterfallPicture> none = WaterfallPictureOf(params);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->slices.empty());
    EXPECT_FALSE(none->silent());
}

// The floor lies far below anything a response holds: a tone of 1e-12 of full scale (a float channel; no 16-bit
// file is that quiet) reads its level, about -240 dB, in its bin, and its picture is no silence.
TEST_F(WaterfallApi, AFaintToneReadsItsLevelAboveTheFloor)
{
    constexpr int kBin = 64;
    constexpr double kFullScaleFraction = 1e-12;
    params.WaterfallType = 0;
    params.Smooth = False16;
    WaterfallStore::Entry faint;
    faint.fs_Hz = kFs;
    std::vector<float> tone(kFrames);
    const double n = double(std::int64_t(1) << params.LogN);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = float(kFullScaleFraction * kFullScale * std::cos(2 * std::numbers::pi * kBin * double(i) / n));
    faint.channels = {tone};
    ASSERT_TRUE(WaterfallStore::dimension(faint, params));
    params.LibraryData = WaterfallStore::add(std::move(faint));
    for (std::int16_t i = 0; i < params.Slices; ++i)
        ASSERT_EQ(SliceWaterfall(params, i), Ok);
    const std::optional<WaterfallPicture> picture = WaterfallPictureOf(params);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->slices.size(), std::size_t(params.Slices));
    for (const std::span<const float> slice : picture->slices)
        EXPECT_NEAR(slice[kBin], 20 * std::log10(kFullScaleFraction), 0.01);
    EXPECT_FALSE(picture->silent());
}
