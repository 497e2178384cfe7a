// The player: order limits, starting and stopping the stimulus, the busy flag and lock, the correction file.
#include "AudioFixture.h"

#include "audio/SoundSysNames.h"
#include "support/ResponseFile.h"
#include "library/sound/CorrectionFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

using namespace audiotest;

namespace {

class PlayerTest : public AudioTest {
protected:
    void SetUp() override
    {
        AudioTest::SetUp();
        CreateMixer();
        ASSERT_TRUE(Player);
    }
    void TearDown() override
    {
        LongSignals = false;
        AudioTest::TearDown();
    }
};

TEST_F(PlayerTest, OrderLimitsFollowTheOptionsRate)
{
    const struct {
        std::int32_t rate;
        bool longSignals;
        int min, max;
    } rows[] = {{22050, false, 13, 19}, {44100, false, 14, 20}, {48000, false, 14, 20}, {96000, false, 15, 21},
                {32000, false, 13, 21}, {96000, true, 15, 22},  {48000, true, 14, 21}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rate);
        Options->setSampleFrequency(row.rate);
        LongSignals = row.longSignals;
        EXPECT_EQ(Player->MinLength(), row.min);
        EXPECT_EQ(Player->MaxLength(), row.max);
        EXPECT_EQ(Player->PlayFreq(), row.rate) << "the player follows the options";
    }
}

TEST_F(PlayerTest, OnlyInternalStimuliPlayAndASecondStartIsRefused)
{
    QSignalSpy busy(Player, &clsPlayer::PlayerBusy);
    for (std::int16_t code : {2, 3, 4, 6}) {
        Player->setStimulus(code);
        EXPECT_EQ(Player->Play(true), 0);
    }
    EXPECT_EQ(busy.count(), 0);
    EXPECT_FALSE(sound::Engine::instance().stimulusPlaying());

    Player->setStimulus(1);
    EXPECT_EQ(Player->Play(true), 0);
    ASSERT_EQ(busy.count(), 1);
    EXPECT_TRUE(busy.takeFirst().at(0).toBool());
    EXPECT_TRUE(sound::Engine::instance().stimulusPlaying());
    EXPECT_EQ(Player->Play(true), msg::BusyPlaying);
    EXPECT_EQ(busy.count(), 0);

    Player->Silence();
    ASSERT_EQ(busy.count(), 1);
    EXPECT_FALSE(busy.takeFirst().at(0).toBool());
    EXPECT_FALSE(Player->Busy());
    EXPECT_FALSE(sound::Engine::instance().stimulusPlaying());
}

TEST_F(PlayerTest, TheLockIsTheBusyFlagWithoutAStimulus)
{
    QSignalSpy busy(Player, &clsPlayer::PlayerBusy);
    EXPECT_EQ(Player->LockPlayer(), 0);
    EXPECT_EQ(Player->LockPlayer(), msg::BusyPlaying);
    EXPECT_EQ(busy.count(), 1);
    Player->Silence(); // nothing plays: the lock stays
    EXPECT_TRUE(Player->Busy());
    EXPECT_EQ(busy.count(), 1);
    Player->setStimulus(5);
    EXPECT_EQ(Player->Play(false), msg::BusyPlaying);
    Player->UnlockPlayer();
    Player->UnlockPlayer();
    EXPECT_FALSE(Player->Busy());
    EXPECT_EQ(busy.count(), 2);
}

TEST_F(PlayerTest, AFailedStartIsShownAndLeavesThePlayerIdle)
{
    Player->setStimulus(1);
    Player->setLength(40); // no such order
    QSignalSpy busy(Player, &clsPlayer::PlayerBusy);
    EXPECT_EQ(Player->Play(true), msg::BadArgument);
    EXPECT_EQ(shownErrors(), std::vector<int>{msg::BadArgument});
    EXPECT_FALSE(Player->Busy());
    EXPECT_EQ(busy.count(), 0);
}

// A valid pre-filtered stimulus file for the card, rate and order.
void writeCorrection(const QString& path, sound::StimulusKind kind, int order, std::int32_t rate)
{
    QDir().mkpath(CalibrationFolder());
    sound::CorrectedStimulus s;
    s.kind = kind;
    s.order = order;
    s.rate_Hz = rate;
    s.period.assign(kind == sound::StimulusKind::Mls ? (1u << order) - 1 : 1u << order, 0.0f);
    s.period[0] = 1.0f;
    ASSERT_EQ(sound::writeCorrectedStimulus(path.toStdString(), s), 0);
}

TEST_F(PlayerTest, TheCorrectionFileIsTheCardsOwnOnlyWhileACalibrationIsInUse)
{
    Player->setLength(14);
    const QString fingerPrint = Mixer->FingerPrint();
    ASSERT_EQ(fingerPrint, QStringLiteral("Virtual sound card"));
    const QString pcm = CorrectionFileName(fingerPrint, 48000, 14, QStringLiteral("_mls.pcm"));
    EXPECT_TRUE(pcm.endsWith(QStringLiteral("/Calibration/Virtual sound card 48000 14_mls.pcm"))) << pcm.toStdString();
    const QString given = CalibrationFolder() + QStringLiteral("/given_mls.pcm");
    writeCorrection(given, sound::StimulusKind::Mls, 14, 48000);

    const struct {
        const char* name;
        bool useCal;
        bool useCorrection;
        bool passName;
        bool cardFile;
        QString expected;
    } rows[] = {
        {"no correction asked", true, false, true, true, QString()},
        {"no calibration, no name", false, true, false, true, QString()},
        {"no calibration, a name", false, true, true, false, given},
        {"calibration, a name", true, true, true, true, given},
        {"calibration, the card's file", true, true, false, true, pcm},
        {"calibration, no file", true, true, false, false, QString()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(pcm);
        if (row.cardFile)
            writeCorrection(pcm, sound::StimulusKind::Mls, 14, 48000);
        // The option alone, without loading: the player reads it at each start.
        const QSignalBlocker quiet(Options);
        Options->setUseCal(row.useCal);
        Player->setStimulus(1);
        ASSERT_EQ(Player->Play(row.useCorrection, row.passName ? given : QString()), 0);
        EXPECT_EQ(Player->playingCorrectionFile(), row.expected);
        Player->Silence();
    }
}

TEST_F(PlayerTest, TheSecondEndingIsTriedWhenTheFirstFileIsMissing)
{
    const QSignalBlocker quiet(Options);
    Options->setUseCal(true);
    Player->setLength(14);
    // An inverse filter (a response file of one unit impulse) under the second ending.
    const QString filter = CorrectionFileName(Mixer->FingerPrint(), 48000, 14, QStringLiteral(".swp_flt.wav"));
    QDir().mkpath(CalibrationFolder());
    test::ResponseFile(filter.toStdString()).frames(512).sample([](std::int64_t i, int) { return i == 0 ? 16384.0 : 0.0; }).write();
    Player->setStimulus(5);
    ASSERT_EQ(Player->Play(true), 0);
    EXPECT_EQ(Player->playingCorrectionFile(), filter);
    Player->Silence();
}

TEST_F(PlayerTest, AChannelChangeRestartsTheSameStimulusWithTheSameCorrection)
{
    const QString given = CalibrationFolder() + QStringLiteral("/given_swp.pcm");
    Player->setLength(14);
    writeCorrection(given, sound::StimulusKind::Sweep, 14, 48000);
    Player->setStimulus(5);
    ASSERT_EQ(Player->Play(true, given), 0);
    QSignalSpy busy(Player, &clsPlayer::PlayerBusy);
    Player->setStimulus(1); // what the window may show next does not change what plays
    Player->setChannels(2);
    EXPECT_EQ(busy.count(), 2) << "stopped and started again";
    EXPECT_TRUE(Player->Playing());
    EXPECT_EQ(Player->playingStimulus(), 5);
    EXPECT_EQ(Player->playingCorrectionFile(), given);
    EXPECT_TRUE(sound::Engine::instance().stimulusPlaying());
    Player->setChannels(2); // unchanged: no restart
    EXPECT_EQ(busy.count(), 2);
    Player->Silence();
}

TEST_F(PlayerTest, TheOrderComesFromTheSettingsWhenItIsOne)
{
    ReleaseMixer();
    const struct {
        const char* stored;
        int expected;
    } rows[] = {{"16", 16}, {"99", 14}, {"abc", 14}, {"-3", 14}, {"22", 22}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored);
        SaveSetting(QStringLiteral("Measurement"), QStringLiteral("PRNLength"), QLatin1String(row.stored));
        clsPlayer player;
        EXPECT_EQ(player.Length(), row.expected);
    }
    {
        clsPlayer player;
        player.setLength(17);
    }
    EXPECT_EQ(GetSetting(QStringLiteral("Measurement"), QStringLiteral("PRNLength")), QStringLiteral("17"));
}

} // namespace
