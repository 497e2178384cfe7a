// The recorder: busy flag and lock, channels, the continuous input, level polling, one recording and its
// processing into a response file with the measurement record.
#include "AudioFixture.h"

#include "../library/sound/SoundFixtures.h"
#include "core/Version.h"
#include "library/api_files.h"
#include "library/files/ResponseFile.h"

#include <QSignalSpy>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

using namespace audiotest;

namespace {

class RecorderTest : public AudioTest {
protected:
    void SetUp() override
    {
        AudioTest::SetUp();
        CreateMixer();
        ASSERT_TRUE(Recorder);
    }

    // Reads a response file: header and channel 0 in true amplitude.
    static std::vector<double> response(const QString& file, WaveHeader& header)
    {
        std::vector<std::int16_t> samples;
        EXPECT_EQ(files::readResponse(file.toStdString(), header, &samples), 0);
        std::vector<double> r;
        for (std::size_t i = 0; i < samples.size(); i += std::size_t(header.format.Channels))
            r.push_back(samples[i] * double(header.gains.channelFactor[0]));
        return r;
    }

    // One internal MLS measurement of order 14 with `averages` periods through the player and the recorder.
    QString measureMls(std::int16_t averages)
    {
        Player->setLength(14);
        Player->setStimulus(1);
        Player->setFilter(0);
        Recorder->setPreAvgCnt(averages);
        QString file;
        EXPECT_EQ(Recorder->Restart(), 0);
        EXPECT_EQ(Player->Play(true), 0);
        card->step(16384 + 1024);
        EXPECT_EQ(Recorder->Record(1), 0);
        card->step(averages * 16383 + 1024);
        Player->Silence();
        EXPECT_EQ(Recorder->Process(file, 1, 0), 0);
        Recorder->StopRecorder();
        return file;
    }
};

TEST_F(RecorderTest, TheLockIsTheInputBusyFlag)
{
    QSignalSpy busy(Recorder, &clsRecorder::RecorderBusy);
    Recorder->UnlockRecorder();
    EXPECT_EQ(busy.count(), 0);
    EXPECT_EQ(Recorder->LockRecorder(), 0);
    EXPECT_EQ(Recorder->LockRecorder(), msg::BusyPlaying);
    ASSERT_EQ(busy.count(), 1);
    EXPECT_TRUE(busy.at(0).at(0).toBool());
    EXPECT_TRUE(Mixer->Busy());
    Recorder->UnlockRecorder();
    EXPECT_EQ(busy.count(), 2);
    EXPECT_FALSE(Mixer->Busy());
}

TEST_F(RecorderTest, MeteringNeedsTheContinuousInput)
{
    Recorder->setVUEnabled(true);
    EXPECT_FALSE(Recorder->VUEnabled());
    EXPECT_FALSE(sound::Engine::instance().streamOpen()) << "nothing was started";

    ASSERT_EQ(Recorder->StartRecorder(), 0);
    Recorder->setVUEnabled(true);
    ASSERT_TRUE(Recorder->VUEnabled());
    EXPECT_TRUE(Recorder->vuTimer()->isActive());
    EXPECT_EQ(Recorder->vuTimer()->interval(), 20);
    QSignalSpy vu(Recorder, &clsRecorder::VUUpdate);
    card->step(4096);
    Recorder->Timer();
    ASSERT_EQ(vu.count(), 1);
    EXPECT_EQ(vu.at(0).at(0).value<std::int16_t>(), -1) << "silence lights nothing";

    Player->setStimulus(1);
    ASSERT_EQ(Player->Play(false), 0);
    card->step(4096);
    Recorder->Timer();
    // Half of full scale through the room's taps 0.5 and -0.25 peaks at 0.375, -8.5 dB: segment 12 (3 dB each,
    // 15 from -3 dB).
    EXPECT_EQ(vu.at(1).at(0).value<std::int16_t>(), 12);
    Player->Silence();

    Recorder->setVUEnabled(false);
    EXPECT_FALSE(Recorder->vuTimer()->isActive());
    Recorder->Timer();
    EXPECT_EQ(vu.count(), 2) << "no poll once metering is off";
    Recorder->StopRecorder();
}

TEST_F(RecorderTest, ChannelsStayWithinTheRecordingControls)
{
    QSignalSpy busy(Recorder, &clsRecorder::RecorderBusy);
    Rs->setChannels(1);
    ASSERT_EQ(Recorder->StartRecorder(), 0);
    busy.clear();
    Recorder->setChannels(2);
    EXPECT_EQ(Recorder->Channels(), 1);
    EXPECT_EQ(busy.count(), 0) << "no restart for an unchanged count";

    Rs->setChannels(2);
    Recorder->setChannels(2);
    EXPECT_EQ(Recorder->Channels(), 2);
    ASSERT_EQ(busy.count(), 2);
    EXPECT_FALSE(busy.at(0).at(0).toBool());
    EXPECT_TRUE(busy.at(1).at(0).toBool());
    Recorder->StopRecorder();

    Rs->setChannels(0); // no recording secondary: the master decides
    Rm->setChannels(1);
    EXPECT_EQ(Recorder->MaxChannels(), 1);
}

TEST_F(RecorderTest, AFailedRestartIsShownAndLeavesTheInputBusy)
{
    sound::Engine::instance().setBackend(nullptr);
    EXPECT_EQ(Recorder->Restart(), 0);
    EXPECT_EQ(shownErrors(), std::vector<int>{msg::NoUsableWaveDevice});
    EXPECT_TRUE(Recorder->Busy());
    Recorder->StopRecorder();
}

TEST_F(RecorderTest, ARecordingIsOnePeriodOfTheStimulusTimesTheAverages)
{
    // The external source plays the stimulus of that kind through the room (here the player itself): a
    // recording without it would be refused as noise alone.
    Player->setLength(14);
    Recorder->setPreAvgCnt(2);
    const struct {
        std::int16_t stimulus;
        std::int16_t source;
        std::int32_t frames;
    } rows[] = {{2, 1, 16383}, {6, 5, 16384}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stimulus);
        ASSERT_EQ(Recorder->Restart(), 0);
        Player->setStimulus(row.source);
        ASSERT_EQ(Player->Play(false), 0);
        card->step(16384 + 1024);
        ASSERT_EQ(Recorder->Record(row.stimulus), 0);
        card->step(2 * 16384 + 2048);
        Player->Silence();
        QString file;
        ASSERT_EQ(Recorder->Process(file, row.stimulus, 0), 0);
        WaveHeader header;
        EXPECT_EQ(response(file, header).size(), std::size_t(row.frames));
        EXPECT_EQ(header.info.AvgCount, 2);
        EXPECT_TRUE(DeleteTempFile(file.toStdString()));
    }
    Recorder->StopRecorder();
}

TEST_F(RecorderTest, AMeasurementCarriesItsRecordAndTheRoomsResponse)
{
    Options->setTemperature(23.5f);
    Options->setProbeDist(15.0f);
    const QString file = measureMls(4);
    ASSERT_FALSE(file.isEmpty());

    WaveHeader header;
    const std::vector<double> got = response(file, header);
    EXPECT_LT(sound::test::responseError_dB(got, cardConfig().response, 1000), -45.0);
    EXPECT_EQ(header.info.Stimulus, 1);
    EXPECT_EQ(header.info.Receiver, 0);
    EXPECT_EQ(header.info.AvgCount, 4);
    EXPECT_EQ(header.info.versionMajor, VersionMajor);
    EXPECT_FLOAT_EQ(header.info.Temperature, 23.5f);
    EXPECT_FLOAT_EQ(header.info.ProbeDist, 15.0f);
    EXPECT_EQ(header.info.IRStart[0], -1);
    EXPECT_EQ(header.info.IRStart[1], -1);
    EXPECT_NEAR(header.info.time, TimeStampNow(), 5);
    EXPECT_EQ(std::string(header.gains.CalID, 14), "Not Calibrated");
    EXPECT_TRUE(DeleteTempFile(file.toStdString()));
}

TEST_F(RecorderTest, TheRecordOfGainsIsUncalibratedAndSumsTheControls)
{
    Pm->setVolStepVolume(1, 30000);
    Pm->setVolStepRms(1, -6.0f);
    Pm->setVolume(20000); // below step 1: its level
    Rm->setVolStepVolume(1, 30000);
    Rm->setVolStepRms(1, -4.0f);
    Rs->setVolStepVolume(1, 10000);
    Rs->setVolStepRms(1, -1.5f);
    Rm->setVolume1(65535);
    Rm->setVolume2(100);
    Rs->setVolume1(100);
    Rs->setVolume2(65535);
    const MeasurementGains g = Recorder->measurementGains();
    EXPECT_FLOAT_EQ(g.GainIntOut, -6.0f);
    EXPECT_FLOAT_EQ(g.GainIntCha[0], -1.5f);
    EXPECT_FLOAT_EQ(g.GainIntCha[1], -4.0f);
    EXPECT_EQ(g.channelFactor[0], 1.0f);
    EXPECT_EQ(g.GainExtOut, 0.0f);
    char expected[256];
    std::memset(expected, ' ', sizeof expected);
    std::memcpy(expected, "Not Calibrated", 15);
    EXPECT_EQ(std::memcmp(g.CalID, expected, 256), 0) << "the text, one NUL and 241 blanks";
}

// What a two-channel measurement stores per channel: the output gain (both playback controls), each channel's
// recording gains, and the response in true amplitude, whose peak is the card's tap through exactly those gains.
TEST_F(RecorderTest, AMeasurementStoresEachChannelsGainsAndItsTrueAmplitude)
{
    auto card2 = cardConfig();
    card2.response2.assign(200, 0.0);
    card2.response2[20] = -0.3;
    installCard(card2);
    ReleaseMixer();
    CreateMixer();
    Mixer->GetIDs(-2, -2); // the virtual mixer's controls drive the card's gains
    // Positions and their levels by the virtual mixer's law; each control's step table holds the same levels.
    auto position = [](double dB) { return std::int32_t(std::lround(65535.0 * (dB + 60.0) / 60.0)); };
    auto law = [](std::int32_t p) { return float(20 * std::log10(sound::virtualMixerGain(p))); };
    auto table = [&](clsVolume* v, std::vector<double> levels) {
        std::sort(levels.begin(), levels.end(), std::greater<>());
        for (std::size_t i = 0; i < levels.size(); ++i) {
            v->setVolStepVolume(int(i) + 1, position(levels[i]));
            v->setVolStepRms(int(i) + 1, law(position(levels[i])));
        }
    };
    table(Pm, {-6});
    table(Ps, {-3});
    table(Rm, {-2, -5});
    table(Rs, {-4, -2.5});
    Pm->setVolume(position(-6));
    Ps->setVolume(position(-3));
    Rm->setVolume1(position(-2));
    Rm->setVolume2(position(-5));
    Rs->setVolume1(position(-4));
    Rs->setVolume2(position(-2.5));
    const float out = law(position(-6)) + law(position(-3));
    const float in[2] = {law(position(-2)) + law(position(-4)), law(position(-5)) + law(position(-2.5))};

    Recorder->setChannels(2);
    const QString file = measureMls(1);
    ASSERT_FALSE(file.isEmpty());

    WaveHeader header;
    std::vector<std::int16_t> samples;
    ASSERT_EQ(files::readResponse(file.toStdString(), header, &samples), 0);
    ASSERT_EQ(header.format.Channels, 2);
    EXPECT_NEAR(header.gains.GainIntOut, -9.0f, 1e-3f);
    EXPECT_FLOAT_EQ(header.gains.GainIntOut, out);
    const double tap[2] = {0.5, -0.3};
    for (int c = 0; c < 2; ++c) {
        SCOPED_TRACE(c);
        EXPECT_FLOAT_EQ(header.gains.GainIntCha[c], in[c]);
        const double stored = samples[std::size_t(2 * 20 + c)] * double(header.gains.channelFactor[c]);
        EXPECT_NEAR(stored, tap[c] * std::pow(10.0, (out + in[c]) / 20.0), 1e-3 * std::abs(stored));
    }
    EXPECT_NEAR(header.gains.GainIntCha[0], -6.0f, 1e-3f);
    EXPECT_NEAR(header.gains.GainIntCha[1], -7.5f, 1e-3f);
    EXPECT_TRUE(DeleteTempFile(file.toStdString()));
}

TEST_F(RecorderTest, TheSignIsOneForInternalStimuliOnlyWithACalibration)
{
    ReleaseMixer();
    useCalibration(QStringLiteral("Card A"));
    SaveSetting(QStringLiteral("SoundSys\\Card A"), QStringLiteral("Sign"), QStringLiteral("-1"));
    CreateMixer();
    ASSERT_TRUE(Options->UseCal());
    ASSERT_EQ(Mixer->Sign(), -1);
    const struct {
        bool useCal;
        std::int16_t stimulus;
        std::int16_t sign;
    } rows[] = {{true, 1, 1}, {true, 5, 1}, {true, 2, -1}, {true, 6, -1},
                {false, 1, -1}, {false, 5, -1}, {false, 3, -1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.useCal << " " << row.stimulus);
        const QSignalBlocker quiet(Options);
        Options->setUseCal(row.useCal);
        EXPECT_EQ(Recorder->processSign(row.stimulus), row.sign);
    }
}

TEST_F(RecorderTest, TheAverageCountComesFromTheSettingsWhenItIsOne)
{
    ReleaseMixer();
    const struct {
        const char* stored;
        int expected;
    } rows[] = {{"8", 8}, {"0", 1}, {"5000", 1}, {"x", 1}, {"1000", 1000}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored);
        SaveSetting(QStringLiteral("Measurement"), QStringLiteral("PreAvgCount"), QLatin1String(row.stored));
        clsRecorder recorder;
        EXPECT_EQ(recorder.PreAvgCnt(), row.expected);
    }
}

} // namespace
