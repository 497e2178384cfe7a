#include "ApiRig.h"

#include "library/WaveStore.h"
#include "library/dsp/Mls.h"
#include "library/files/Formats.h"
#include "library/sound/CorrectionFile.h"
#include "library/sound/SourceFilter.h"
#include "support/ResponseFile.h"

#include <filesystem>

using namespace vemra;
using namespace vemra::sound;
using namespace vemra::sound::test;

namespace {

class StimulusFiles : public ApiRig {};

std::size_t peakIndex(const std::vector<double>& r)
{
    return static_cast<std::size_t>(
        std::max_element(r.begin(), r.end(), [](double a, double b) { return std::abs(a) < std::abs(b); }) - r.begin());
}

} // namespace

TEST_F(StimulusFiles, InverseFilterIsAppliedAndLeavesThePrefilteredStimulus)
{
    VirtualCardConfig config;
    config.response = knownRoom();
    install(config);
    const std::string folder = files::tempFolder() + "/Calibration";
    std::filesystem::create_directories(folder);
    // An inverse filter that delays by 5 samples: the measured response moves by 5.
    std::vector<std::int16_t> filter(64, 0);
    filter[5] = 16000;
    const std::string flt = vemra::test::ResponseFile(folder + "/card 32000 13.mls_flt.wav").rate(32000).samples(filter).write();
    std::string file;
    ASSERT_EQ(measure(1, 13, 32000, 1, file, 0, 1, flt), 0);
    EXPECT_EQ(peakIndex(responseOf(file)), 45u);
    files::removeTempFile(file);

    const std::string pcm = folder + "/card 32000 13_mls.pcm";
    CorrectedStimulus stored;
    ASSERT_EQ(readCorrectedStimulus(pcm, StimulusKind::Mls, 13, 32000, stored), 0);
    EXPECT_EQ(stored.period.size(), 8191u);
    // The next start reads the pre-filtered stimulus directly, with the same result.
    ASSERT_EQ(measure(1, 13, 32000, 1, file, 0, 1, pcm), 0);
    EXPECT_EQ(peakIndex(responseOf(file)), 45u);
    files::removeTempFile(file);
}

TEST_F(StimulusFiles, SpeechScaleKeepsEveryShapeWithinTheLevel)
{
    install({});
    float mls = 16384, sweep = 16384;
    std::string prefix;
    ScaleSpeech(48000, prefix, mls, sweep);
    EXPECT_GT(mls, 0.0f);
    EXPECT_LE(mls, 1.0f);
    EXPECT_GT(sweep, 0.0f);
    EXPECT_LE(sweep, 1.0f);
    for (int filter = 1; filter < SourceFilterCodeCount; ++filter) {
        SCOPED_TRACE(filter);
        StimulusPeriod p;
        ASSERT_EQ(buildStimulus(StimulusKind::Mls, 14, 48000, 16384, "", filter, mls, p), 0);
        float peak = 0;
        for (float v : p.played)
            peak = std::max(peak, std::abs(v));
        EXPECT_LE(peak, 16384.0f / 32767.0f * 1.0001f);
    }
}

TEST_F(StimulusFiles, ImportTurnsARecordingIntoAResponse)
{
    install({});
    const auto room = knownRoom();
    const int order = 13;
    const auto s = dsp::mlsSignal(order);
    const std::size_t n = s.size();
    // Three and a half periods of the room's answer to the external MLS, recorded at half scale.
    std::vector<double> y(n, 0.0);
    for (std::size_t k = 0; k < room.size(); ++k)
        for (std::size_t i = 0; i < n; ++i)
            y[(i + k) % n] += room[k] * s[i];
    std::vector<std::int16_t> rec(n * 7 / 2);
    for (std::size_t i = 0; i < rec.size(); ++i)
        rec[i] = static_cast<std::int16_t>(std::lround(0.5 * 32768.0 * y[i % n]));
    const std::string folder = files::tempFolder();
    const std::string wav = vemra::test::ResponseFile(folder + "/recording.wav").rate(32000).samples(rec).write();

    MeasurementInfo info{};
    info.Stimulus = 2;
    info.Receiver = 0;
    std::string result;
    ASSERT_EQ(ImportRecording(wav, result, order, info, 0), 0);
    WaveHeader header;
    auto r = responseOf(result, 0, &header);
    for (double& v : r)
        v *= 2;
    EXPECT_LT(responseError_dB(r, room), -50.0);
    EXPECT_EQ(header.info.Stimulus, 2);
    EXPECT_EQ(header.info.IRStart[0], -1);
    EXPECT_EQ(header.info.IRStart[1], -1);

    // An impulse recording is kept as it is; noise needs the source on channel 2; too short a file is refused.
    info.Stimulus = 4;
    std::string kept;
    ASSERT_EQ(ImportRecording(wav, kept, order, info, 0), 0);
    EXPECT_EQ(responseOf(kept).size(), rec.size());
    info.Stimulus = 3;
    std::string none;
    EXPECT_EQ(ImportRecording(wav, none, order, info, 0), 300);
    info.Stimulus = 2;
    EXPECT_EQ(ImportRecording(wav, none, 15, info, 0), 301);
    EXPECT_EQ(ImportRecording(folder + "/absent.wav", none, order, info, 0) != 0, true);
    EXPECT_TRUE(none.empty());

    // Two passes join into one two-channel response; the passes go.
    std::string combined;
    CombineFiles(combined, result, kept);
    ASSERT_FALSE(combined.empty());
    WaveHeader both;
    const auto ch2 = responseOf(combined, 1, &both);
    EXPECT_EQ(both.format.Channels, 2);
    EXPECT_EQ(ch2.size(), n);
    EXPECT_FALSE(std::filesystem::exists(result));
    EXPECT_FALSE(std::filesystem::exists(kept));
    std::string nothing;
    CombineFiles(nothing, combined, "");
    EXPECT_TRUE(nothing.empty());
    files::removeTempFile(combined);
}

TEST_F(StimulusFiles, MeterSegmentsFollowTheInputLevel)
{
    VirtualCardConfig config;
    config.response = {1.0};
    install(config);
    std::string none;
    ASSERT_EQ(StartContRecording(48000, 2), 0);
    ASSERT_EQ(StartVU(48000, 2), 0);
    std::int16_t l = 0, r = 0;
    card->step(2048);
    GetVU(l, r, 1, 0);
    EXPECT_EQ(l, -1);
    ASSERT_EQ(StartMLS(1, 14, 48000, 16384, none, 0, 1.0f), 0); // peak 0.5: -6 dB
    card->step(4096);
    GetVU(l, r, 1, 0);
    EXPECT_EQ(l, 12);
    EXPECT_EQ(r, 12);
    card->step(4096);
    GetVU(l, r, 1, -6.5f); // the input's full scale 6.5 dB below the converter's
    EXPECT_EQ(l, 15);
    StopPlaying();
    StopVU();
    StopContRecording();
    EXPECT_FALSE(Engine::instance().streamOpen());
}

TEST_F(StimulusFiles, PlayWavePlaysTheSelectionOnce)
{
    install({});
    WaveHeader header;
    header.format.SampleFrequency = 48000;
    std::vector<std::int16_t> samples(9600, 1000);
    ASSERT_TRUE(WaveStore::adoptInterleaved(header, 1, samples));
    EXPECT_EQ(PlayWave(header, -1, 0, 9601), 302);
    EXPECT_EQ(PlayWave(header, 99, 0, 100), 302);
    ASSERT_EQ(PlayWave(header, 5, 100, 4800), 0);
    EXPECT_TRUE(Engine::instance().playbackRunning());
    card->step(4800 + 256);
    EXPECT_FALSE(Engine::instance().playbackRunning());
    // Asking changes nothing; the engine's next housekeeping lets the finished playback's stream go.
    EXPECT_TRUE(Engine::instance().streamOpen());
    Engine::instance().housekeep();
    EXPECT_FALSE(Engine::instance().streamOpen());
    StopWave();
    WaveStore::release(header);
    EXPECT_EQ(PlayWave(header, -1, 0, 100), 212);
}

TEST_F(StimulusFiles, VirtualMixerControlsAreStableAndRestored)
{
    install({});
    MixerControlRecord a, b;
    ASSERT_EQ(GetMixerControlIDs(a), 0);
    ASSERT_EQ(GetMixerControlIDs(b), 0);
    EXPECT_STREQ(a.MixerName, "Virtual sound card");
    EXPECT_EQ(a.PmControlID, b.PmControlID);
    const std::set<std::int32_t> ids{a.PmControlID, a.PsControlID, a.RmControlID, a.RsControlID};
    EXPECT_EQ(ids.size(), 4u);
    EXPECT_EQ(ids.count(-1), 0u);
    EXPECT_EQ(a.moreControlIDs[0], -1);
    MixerControlRecord missing;
    missing.MixerID = 1;
    EXPECT_EQ(GetMixerControlIDs(missing), 151);

    ASSERT_EQ(SetMixerControls(a, -1), 0);
    SetVolume(0, a.RmControlID, 2, 1000, 2000);
    std::int32_t l = 0, r = 0;
    GetVolume(0, a.RmControlID, 2, l, r);
    EXPECT_EQ(l, 1000);
    EXPECT_EQ(r, 2000);
    EXPECT_NEAR(card->gains()->recording[1].load(), virtualMixerGain(2000), 1e-12);
    ASSERT_EQ(RestoreMixerControls(a), 0);
    GetVolume(0, a.RmControlID, 2, l, r);
    EXPECT_EQ(l, 65535);
    GetVolume(0, -1, 2, l, r);
    EXPECT_EQ(l, 0);

    EXPECT_EQ(sanitiseMixerName("  Card/A:\"x\"\\ \t"), "Card_A__x__ _");
    EXPECT_EQ(sanitiseMixerName(std::string(40, 'a')).size(), 31u);
    EXPECT_NE(mixerControlId("PCH", "Master", 0), mixerControlId("PCH", "Master", 1));
    EXPECT_EQ(mixerControlId("PCH", "Master", 0), mixerControlId("PCH", "Master", 0));
}

TEST_F(StimulusFiles, TestSignalsAreWrittenForPlayingElsewhere)
{
    install({});
    ASSERT_EQ(WriteSweep(22050), 0);
    WaveHeader header;
    std::vector<std::int16_t> samples;
    ASSERT_EQ(files::readResponse(files::dataFolder() + "/TestSignals/sweep 22050 13.wav", header, &samples), 0);
    EXPECT_EQ(samples.size(), 8192u);
    EXPECT_EQ(header.format.SampleFrequency, 22050);
    EXPECT_EQ(*std::max_element(samples.begin(), samples.end(),
                                [](std::int16_t a, std::int16_t b) { return std::abs(a) < std::abs(b); }) == 16384
                  || *std::min_element(samples.begin(), samples.end()) == -16384,
              true);
    EXPECT_TRUE(std::filesystem::exists(files::dataFolder() + "/TestSignals/sweep 22050 20.wav"));
}
