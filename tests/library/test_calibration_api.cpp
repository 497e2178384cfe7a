// The calibration functions of the library on a stepped virtual card: the tone's THD+N against the card's known
// distortion, the loop-back INR and polarity of the playing stimulus, zero extension, the mixer lists.
#include "library/api_calibration.h"
#include "library/api_files.h"
#include "library/api_sound.h"
#include "library/files/ResponseFile.h"
#include "library/files/TempFiles.h"
#include "library/sound/Engine.h"
#include "library/sound/Mixer.h"
#include "library/sound/VirtualCard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace vemra;

namespace {

// The engine's waits step the card by the time they sleep.
class SteppingClock final : public sound::WaitClock {
public:
    sound::VirtualCard* card = nullptr;
    std::int64_t t_ms = 0;
    std::int64_t now_ms() override { return t_ms; }
    void sleep_ms(int ms) override
    {
        t_ms += ms;
        if (card)
            card->step(std::int64_t(ms) * 48);
    }
};

class CalibrationApi : public testing::Test {
protected:
    sound::VirtualCard* card = nullptr;
    SteppingClock clock;

    void install(sound::VirtualCardConfig config)
    {
        setenv("VEMRA_SOUND_BACKEND", "virtual", 1);
        auto c = std::make_unique<sound::VirtualCard>(std::move(config));
        card = c.get();
        clock.card = card;
        sound::Engine::instance().setBackend(std::move(c));
        sound::Engine::instance().setClock(&clock);
        sound::setMixerBackend(sound::makeVirtualMixer(card->gains()));
    }
    void TearDown() override
    {
        StopCalSignal();
        StopPlaying();
        StopContRecording();
        sound::Engine::instance().setClock(nullptr);
        sound::Engine::instance().setBackend(nullptr);
        sound::setMixerBackend(nullptr);
    }
    // The tone at level, settled, measured on two channels.
    CalSignalResult tone(std::int16_t level)
    {
        EXPECT_EQ(StartContRecording(48000, 2), 0);
        EXPECT_EQ(GenCalSignal(48000, level, level), 0);
        card->step(6000);
        CalSignalResult r;
        EXPECT_EQ(MeasureCalSignal(48000, 2, r), 0);
        StopCalSignal();
        return r;
    }
};

} // namespace

TEST_F(CalibrationApi, ToneThdnFollowsTheCardsCubicDistortion)
{
    sound::VirtualCardConfig config;
    config.cubicDistortion = 0.1;
    install(config);
    for (std::int16_t level : {std::int16_t(8192), std::int16_t(16384)}) {
        SCOPED_TRACE(level);
        const double a = level / 32768.0;
        const double h3 = 0.1 * a * a * a / 4, h1 = a - 3 * 0.1 * a * a * a / 4;
        const CalSignalResult r = tone(level);
        EXPECT_NEAR(r.thdn_dB, 20 * std::log10(h3 / h1), 0.1);
        EXPECT_NEAR(r.rms_dB, 10 * std::log10((h1 * h1 + h3 * h3) / 2), 0.05);
        EXPECT_NEAR(r.rms2_dB, r.rms_dB, 1e-4);
        EXPECT_NEAR(r.peak, (h1 - h3) * 32767, 40);
        EXPECT_NEAR(r.frequency_Hz, 1000, 6);
    }
}

// Each input's tone is measured on its own path: the second channel's level is its own, not the first's.
TEST_F(CalibrationApi, EachInputsToneLevelIsItsOwn)
{
    sound::VirtualCardConfig config;
    config.response = {0.5};
    config.response2 = {-0.25};
    install(config);
    const std::int16_t level = 16384;
    const double a = level / 32768.0;
    const CalSignalResult r = tone(level);
    EXPECT_NEAR(r.rms_dB, 20 * std::log10(a * 0.5 / std::sqrt(2.0)), 0.02);
    EXPECT_NEAR(r.rms2_dB, 20 * std::log10(a * 0.25 / std::sqrt(2.0)), 0.02);
    EXPECT_NEAR(r.peak, a * 0.5 * 32767, 20);
}

TEST_F(CalibrationApi, WithoutTheToneNothingIsDetected)
{
    sound::VirtualCardConfig config;
    config.noiseRms = 1e-3;
    install(config);
    ASSERT_EQ(StartContRecording(48000, 1), 0);
    CalSignalResult r;
    ASSERT_EQ(MeasureCalSignal(48000, 1, r), 0);
    EXPECT_GT(r.thdn_dB, -10.0f);
    EXPECT_EQ(MeasureCalSignal(48000, 3, r), msg::BadChannelCount);
    // Only equal levels: one signal feeds both outputs.
    EXPECT_EQ(GenCalSignal(48000, 100, 200), msg::BadArgument);
    EXPECT_EQ(GenCalSignal(48000, -1, -1), msg::BadArgument);
}

TEST_F(CalibrationApi, StoppingTheToneLeavesTheStimulusThatReplacedIt)
{
    install({});
    ASSERT_EQ(GenCalSignal(48000, 1000, 1000), 0);
    std::string none;
    ASSERT_EQ(StartMLS(1, 14, 48000, 1000, none, 0, 1.0f), 0);
    StopCalSignal();
    EXPECT_TRUE(sound::Engine::instance().stimulusPlaying());
    StopPlaying();
    ASSERT_EQ(GenCalSignal(48000, 1000, 1000), 0);
    StopCalSignal();
    EXPECT_FALSE(sound::Engine::instance().stimulusPlaying());
}

TEST_F(CalibrationApi, MlsLoopbackGivesInrAndPolarityOfThePlayingSequence)
{
    // The polarity is the first input's: the second one's path is the opposite in each row.
    struct Row { const char* name; double gain; double noise; double minInr; double maxInr; int polarity; };
    const Row rows[] = {
        {"clean, inverting", -0.5, 1e-5, 105, 125, -1},
        {"clean, straight", 0.5, 1e-5, 105, 125, 1},
        {"noise alone", 0.0, 1e-3, -4, 4, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        sound::VirtualCardConfig config;
        config.response = {row.gain};
        config.response2 = {-row.gain};
        config.noiseRms = row.noise;
        install(config);
        ASSERT_EQ(StartContRecording(48000, 2), 0);
        std::string none;
        ASSERT_EQ(StartMLS(2, 14, 48000, 16384, none, 0, 1.0f), 0);
        card->step(6000);
        float inr = 0;
        std::int32_t polarity = 0;
        ASSERT_EQ(MeasureMLSCalSignal(inr, polarity, 14, 2), 0);
        EXPECT_GT(inr, row.minInr);
        EXPECT_LT(inr, row.maxInr);
        if (row.polarity != 0) {
            EXPECT_EQ(std::int16_t(polarity), row.polarity);
        }
        // Another order than the one playing is no calibration signal.
        EXPECT_EQ(MeasureMLSCalSignal(inr, polarity, 15, 2), msg::NoCalibrationSignal);
        float sweepInr = 0;
        EXPECT_EQ(MeasureSweepCalSignal(sweepInr, 14, 2, 48000), msg::NoCalibrationSignal);
        StopPlaying();
        StopContRecording();
    }
}

TEST_F(CalibrationApi, SweepLoopbackGivesItsInr)
{
    sound::VirtualCardConfig config;
    config.noiseRms = 1e-5;
    install(config);
    ASSERT_EQ(StartContRecording(48000, 1), 0);
    std::string none;
    ASSERT_EQ(StartSweep(1, 14, 48000, 16384, none, 0, 1.0f), 0);
    card->step(6000);
    float inr = 0;
    ASSERT_EQ(MeasureSweepCalSignal(inr, 14, 1, 48000), 0);
    EXPECT_GT(inr, 40.0f);
    std::int32_t polarity = 0;
    EXPECT_EQ(MeasureMLSCalSignal(inr, polarity, 14, 1), msg::NoCalibrationSignal);
    StopPlaying();
    EXPECT_EQ(MeasureSweepCalSignal(inr, 14, 1, 48000), msg::NoCalibrationSignal);
}

TEST(CalibrationZeroPad, ExtendsInPlaceAndRefusesWhatItCannotDo)
{
    std::string file;
    ASSERT_EQ(GetTempName(file), 0);
    WaveHeader h;
    files::setPcm16Format(h, 2, 48000, 300);
    h.gains.channelFactor[0] = 0.5f;
    std::vector<std::int16_t> samples(600);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::int16_t(i + 1);
    ASSERT_EQ(files::writeResponseWav(file, h, samples), 0);

    struct Row { const char* name; std::int32_t length; VResult result; std::int64_t frames; };
    const Row rows[] = {
        {"same length", 300, 0, 300},
        {"shorter", 299, msg::BadArgument, 300},
        {"beyond the longest response", std::int32_t(files::kMaxFrames + 1), msg::FileTooLong, 300},
        {"longer", 1000, 0, 1000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ZeroPad(file, row.length), row.result);
        WaveHeader back;
        std::vector<std::int16_t> read;
        ASSERT_EQ(files::readResponse(file, back, &read), 0);
        EXPECT_EQ(std::int64_t(read.size()) / 2, row.frames);
        EXPECT_EQ(read[599], 600);
        EXPECT_FLOAT_EQ(back.gains.channelFactor[0], 0.5f);
        for (std::size_t i = 600; i < read.size(); ++i)
            ASSERT_EQ(read[i], 0);
    }
    EXPECT_NE(ZeroPad(file + ".missing", 1000), 0);
    DeleteTempFile(file);
}

TEST_F(CalibrationApi, MixerListsAndTestReport)
{
    install({});
    std::string names;
    EXPECT_EQ(GetMixList(names), 1);
    EXPECT_EQ(names, "Virtual sound card;");
    EXPECT_EQ(GetSrcList(0, names), 2);
    EXPECT_EQ(names, "Mic;Line;");
    EXPECT_EQ(GetDstList(0, names), 1);
    EXPECT_EQ(names, "PCM;");
    EXPECT_EQ(GetDstList(1, names), 0);
    EXPECT_EQ(names, "");
    EXPECT_EQ(GetSrcList(-1, names), 0);

    std::string log;
    ASSERT_EQ(GetTempName(log), 0);
    { std::ofstream(log) << "earlier\r\n"; }
    TestMixer(log);
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().rfind("earlier\r\n", 0), 0u) << "the report is appended";
    EXPECT_NE(text.str().find("Mixer 0: Virtual sound card"), std::string::npos);
    EXPECT_NE(text.str().find("Pm: id " + std::to_string(sound::mixerControlId("virtual", "Master", 0))),
              std::string::npos);
    DeleteTempFile(log);
}
