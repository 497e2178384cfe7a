// The measurement sequence through the window: Start with internal stimuli, the two-pass receiver, Cancel at every
// step, closing and exiting during a wait, documents dying meanwhile, the reuse of result windows, and Test.
#include "MeasureFixture.h"

#include "audio/SoundSysNames.h"
#include "core/MessageTexts.h"
#include "core/ProgramHooks.h"

#include <QDir>
#include <QFile>

using namespace audiotest;

namespace {

class Sequence : public MeasureTest {
protected:
    frmMeasure* w = nullptr;

    void SetUp() override
    {
        MeasureTest::SetUp();
        w = open();
    }
    void TearDown() override
    {
        ExitProgramHook = nullptr;
        MeasureTest::TearDown();
    }

    // Internal stimulus (1 MLS, 5 sweep) of this order and pre-average count.
    void choose(int stimulus, int order, int averages)
    {
        w->optInternal()->setChecked(true);
        (stimulus == 5 ? w->optSweep() : w->optMLS())->setChecked(true);
        ASSERT_EQ(w->stimulus(), stimulus);
        const int item = w->lstLength()->findData(order);
        ASSERT_GE(item, 0);
        w->lstLength()->setCurrentIndex(item);
        w->txtAvg()->setText(QString::number(averages));
        ASSERT_EQ(Player->Length(), order);
        ASSERT_EQ(Recorder->PreAvgCnt(), averages);
    }
    void chooseReceiver(int receiver)
    {
        w->cmdType(receiver)->click();
        ASSERT_EQ(w->receiver(), receiver);
    }
    // Cancels through the status bar's panel once the status shows `text`.
    void cancelDuring(const QString& text)
    {
        time.onIdle = [this, text] {
            if (w && w->statusPanel()->text() == text && w->cancelPanel()->isEnabled())
                w->cancelPanel()->click();
        };
    }
    void expectIdle()
    {
        EXPECT_TRUE(w->cmdRecord()->isEnabled());
        EXPECT_TRUE(w->cmdClose()->isEnabled());
        EXPECT_FALSE(w->busy());
        EXPECT_FALSE(Player->Playing());
        EXPECT_FALSE(sound::Engine::instance().captureRunning());
        EXPECT_EQ(w->statusPanel()->text(), QStringLiteral("Ready"));
        EXPECT_FALSE(w->cancelPanel()->isEnabled());
        EXPECT_EQ(w->prgProgress()->value(), 0);
    }
};

TEST_F(Sequence, AnInternalStimulusGivesADocumentOfTheRoomInTheStimulusTime)
{
    for (int stimulus : {1, 5}) {
        SCOPED_TRACE(stimulus);
        choose(stimulus, 16, 4);
        const auto filesBefore = tempFiles();
        int lowest = 100, highest = -1;
        QStringList statuses;
        time.onIdle = [&] {
            lowest = std::min(lowest, w->prgProgress()->value());
            highest = std::max(highest, w->prgProgress()->value());
            if (statuses.isEmpty() || statuses.back() != w->statusPanel()->text())
                statuses << w->statusPanel()->text();
        };
        const int documents = WaveCount();
        const double start = time.t;
        w->cmdRecord()->click();
        const double period = (stimulus == 1 ? 65535.0 : 65536.0) / 48000.0;
        // Build-up and recording: five periods, ended on time.
        EXPECT_GE(time.t - start, 5 * 65536 / 48000.0 - 0.01);
        EXPECT_LE(time.t - start, 5 * period + 0.1);
        EXPECT_EQ(statuses, (QStringList{"Soundfield buildup...", "Recording..."}));
        EXPECT_GE(lowest, 0);
        EXPECT_LE(highest, 100);
        EXPECT_GE(highest, 90);
        expectIdle();
        ASSERT_EQ(WaveCount(), documents + 1 - (documents > 0 ? 1 : 0)) << "the result replaces the last one";
        clsWave* wave = lastDocument();
        ASSERT_TRUE(wave->Valid());
        EXPECT_TRUE(wave->NewRecording());
        EXPECT_TRUE(wave->Changed());
        EXPECT_EQ(wave->Stimulus(), stimulus);
        EXPECT_EQ(wave->AvgCount(), 4);
        EXPECT_LT(roomError_dB(stimulus, responseOf(*wave)), -45.0);
        EXPECT_EQ(tempFiles(), filesBefore) << "the document took the file over";
        EXPECT_EQ(LastRecordingKey, wave->Key());
    }
}

TEST_F(Sequence, ReceiverOneMeasuresTwoPassesIntoOneTwoChannelDocument)
{
    choose(1, 14, 1);
    chooseReceiver(1);
    const auto filesBefore = tempFiles();
    scripted().messageAnswers.push_back(MsgResult::OK);
    w->cmdRecord()->click();
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_EQ(scripted().messages[0].text, MessageText(msg::SwitchTo8));
    EXPECT_EQ(scripted().messages[0].title, QStringLiteral("Measure"));
    ASSERT_EQ(WaveCount(), 1);
    clsWave* wave = lastDocument();
    EXPECT_EQ(wave->Channels(), 2);
    EXPECT_EQ(wave->Receiver(), 1);
    for (int c = 0; c < 2; ++c)
        EXPECT_LT(roomError_dB(1, responseOf(*wave, c)), -45.0) << c;
    EXPECT_EQ(tempFiles(), filesBefore) << "no pass is left behind";
    expectIdle();
}

TEST_F(Sequence, CancelAtAnyStepLeavesNoFileAndNoDocument)
{
    choose(1, 14, 2);
    const auto filesBefore = tempFiles();
    const struct {
        const char* name;
        int receiver;
        const char* cancelAt;      // status during which Cancel is clicked ("" none)
        std::vector<MsgResult> answers;
        std::size_t prompts;
    } rows[] = {
        {"during the build-up", 0, "Soundfield buildup...", {}, 0},
        {"during the recording", 0, "Recording...", {}, 0},
        {"in the first of two passes", 1, "Recording...", {}, 0},
        {"at the prompt between the passes", 1, "", {MsgResult::Cancel}, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        chooseReceiver(row.receiver);
        scripted().clear();
        for (MsgResult a : row.answers)
            scripted().messageAnswers.push_back(a);
        if (*row.cancelAt)
            cancelDuring(QLatin1String(row.cancelAt));
        w->cmdRecord()->click();
        time.onIdle = nullptr;
        EXPECT_EQ(scripted().messages.size(), row.prompts);
        EXPECT_EQ(WaveCount(), 0);
        EXPECT_EQ(tempFiles(), filesBefore);
        expectIdle();
    }
}

TEST_F(Sequence, ACancelledSecondPassRemovesTheFirst)
{
    choose(5, 14, 1);
    chooseReceiver(1);
    const auto filesBefore = tempFiles();
    scripted().messageAnswers.push_back(MsgResult::OK);
    int passes = 0;
    QString last;
    time.onIdle = [&] {
        const QString now = w->statusPanel()->text();
        if (now != last && now == QStringLiteral("Soundfield buildup..."))
            ++passes;
        last = now;
        if (passes == 2 && now == QStringLiteral("Recording..."))
            w->stStatus_PanelClick(QStringLiteral("Cancel"));
    };
    w->cmdRecord()->click();
    EXPECT_EQ(scripted().messages.size(), 1u);
    EXPECT_EQ(WaveCount(), 0);
    EXPECT_EQ(tempFiles(), filesBefore);
}

TEST_F(Sequence, ClosingTheWindowDuringAWaitCancelsFirst)
{
    choose(1, 14, 2);
    int exits = 0;
    ExitProgramHook = [&] { ++exits; };
    const QPointer<frmMeasure> window(w);
    time.onIdle = [&] {
        if (window && window->statusPanel()->text() == QStringLiteral("Recording..."))
            window->close();
    };
    const double start = time.t;
    w->cmdRecord()->click();
    EXPECT_LT(time.t - start, 0.5) << "the wait ended at the close";
    settle();
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(frmMeasure::loaded());
    EXPECT_EQ(WaveCount(), 0);
    EXPECT_EQ(exits, 1) << "no document is open: closing the window ends the program";
    EXPECT_FALSE(Player->Busy());
    EXPECT_FALSE(Recorder->Busy());
    EXPECT_EQ(GetSetting(QStringLiteral("Measurement"), QStringLiteral("Stimulus")), QStringLiteral("1"));
}

TEST_F(Sequence, UnloadingOrExitingDuringAWaitEndsTheMeasurement)
{
    for (bool exiting : {false, true}) {
        SCOPED_TRACE(exiting);
        if (!frmMeasure::loaded())
            w = open();
        choose(5, 14, 1);
        const QPointer<frmMeasure> window(w);
        int exits = 0;
        ExitProgramHook = [&] { ++exits; };
        time.onIdle = [&] {
            if (window && window->statusPanel()->text() == QStringLiteral("Soundfield buildup...")) {
                if (exiting)
                    ReleaseMixer(); // as the program's exit does after closing the documents
                else
                    frmMeasure::Unload();
            }
        };
        w->cmdRecord()->click();
        time.onIdle = nullptr;
        settle();
        EXPECT_TRUE(window.isNull());
        EXPECT_EQ(WaveCount(), 0);
        EXPECT_EQ(exits, 0) << "closed by code, not by the user";
        EXPECT_EQ(Mixer == nullptr, exiting);
        EXPECT_FALSE(sound::Engine::instance().stimulusPlaying());
    }
}

TEST_F(Sequence, AResultReplacesTheLastOneEvenWhenThatDiedMeanwhile)
{
    Options->setReuseWindows(true);
    choose(1, 14, 1);
    w->cmdRecord()->click();
    ASSERT_EQ(WaveCount(), 1);
    const QString first = LastRecordingKey;

    // Replaced: the old document goes, the new one takes its place.
    w->cmdRecord()->click();
    EXPECT_EQ(WaveCount(), 1);
    EXPECT_EQ(FindWaveByKey(first), 0);
    const QString second = LastRecordingKey;

    // The last result dies during the next wait: the document activated last is replaced instead.
    const QString other = NewWave();
    ActiveWaveKey = other;
    time.onIdle = [&] {
        if (clsWave* wave = WaveByKey(second); wave && w->statusPanel()->text() == QStringLiteral("Recording..."))
            wave->Die();
    };
    w->cmdRecord()->click();
    time.onIdle = nullptr;
    EXPECT_EQ(FindWaveByKey(other), 0);
    EXPECT_EQ(WaveCount(), 1);
    EXPECT_TRUE(lastDocument()->Valid());

    // Without reuse every result gets a window of its own.
    Options->setReuseWindows(false);
    w->cmdRecord()->click();
    EXPECT_EQ(WaveCount(), 2);
}

TEST_F(Sequence, TestPlaysUntilStoppedAndLocksTheChoices)
{
    choose(1, 14, 1);
    chooseReceiver(2);
    w->cmdTest()->click();
    EXPECT_EQ(w->cmdTest()->text(), QStringLiteral("S&top"));
    EXPECT_TRUE(w->cmdTest()->isEnabled());
    EXPECT_TRUE(Player->Playing());
    EXPECT_EQ(Player->Channels(), 2);
    EXPECT_TRUE(w->busy());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(w->cmdType(i)->isEnabled(), i == 2) << i;
    EXPECT_FALSE(w->lstLength()->isEnabled());
    EXPECT_FALSE(w->optSweep()->isEnabled());
    EXPECT_FALSE(w->cmdImport()->isEnabled());

    // Start stops the test first and plays the measurement's own stimulus.
    w->cmdRecord()->click();
    EXPECT_EQ(w->cmdTest()->text(), QStringLiteral("&Test"));
    EXPECT_TRUE(w->cmdTest()->isEnabled());
    EXPECT_FALSE(Player->Playing());
    EXPECT_EQ(WaveCount(), 1);
    EXPECT_TRUE(w->lstLength()->isEnabled());

    w->cmdTest()->click();
    w->optExternal()->setChecked(true); // choosing an external source stops the test
    EXPECT_FALSE(Player->Playing());
    EXPECT_FALSE(w->busy());
}

TEST_F(Sequence, ImportIsNotOfferedWhileMeasuring)
{
    w->optExternal()->setChecked(true);
    w->optMLS()->setChecked(true);
    ASSERT_TRUE(w->cmdImport()->isVisible());
    ASSERT_TRUE(w->cmdImport()->isEnabled());
    bool offered = false;
    time.onIdle = [&] { offered = offered || w->cmdImport()->isEnabled(); };
    w->cmdRecord()->click();
    EXPECT_FALSE(offered);
    EXPECT_TRUE(w->cmdImport()->isEnabled());
}

// A step that feeds the measurement and fails (the correction file, the input, the recording) ends it with that
// step's one message: nothing is recorded from it and no document is made.
class FailedStep : public MeasureTest {};

TEST_F(FailedStep, EachFailureIsToldOnceAndMakesNoDocument)
{
    sound::VirtualCardConfig silent = cardConfig();
    silent.response.assign(1, 0.0); // no cable: nothing at all reaches the input
    silent.noiseRms = silent.adcNoiseRms = 0;
    sound::VirtualCardConfig noInput = cardConfig();
    noInput.inputs = 0;
    sound::VirtualCardConfig cableOut = cardConfig();
    cableOut.response.assign(1, 0.0); // the room's noise comes in, the stimulus does not
    const struct {
        const char* name;
        sound::VirtualCardConfig card;
        bool corruptCorrection;
        int stimulus;
        int message;
        bool outputMuted = false; // the playback master at 0 in the mixer
    } rows[] = {
        {"damaged correction file", cardConfig(), true, StimulusInternalMls, msg::CannotRead},
        {"silent input", silent, false, StimulusInternalMls, msg::SilentInput},
        {"silent input, sweep", silent, false, StimulusInternalSweep, msg::SilentInput},
        {"no input device", noInput, false, StimulusExternalMls, msg::CannotOpenInput},
        {"output muted", cardConfig(), false, StimulusInternalMls, msg::NoSignalReturned, true},
        {"output muted, sweep", cardConfig(), false, StimulusInternalSweep, msg::NoSignalReturned, true},
        {"cable out", cableOut, false, StimulusInternalMls, msg::NoSignalReturned},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        installCard(row.card);
        if (row.corruptCorrection)
            useCalibration(QStringLiteral("Virtual"));
        frmMeasure* w = open();
        (isInternalStimulus(row.stimulus) ? w->optInternal() : w->optExternal())->setChecked(true);
        (row.stimulus == StimulusInternalSweep ? w->optSweep() : w->optMLS())->setChecked(true);
        ASSERT_EQ(w->stimulus(), row.stimulus);
        w->lstLength()->setCurrentIndex(w->lstLength()->findData(14));
        w->txtAvg()->setText(QStringLiteral("1"));
        if (row.outputMuted) // by the user, in the sound system's mixer
            spy->setVolume(0, virtualControl("Master"), 2, 0, 0);
        QString file;
        if (row.corruptCorrection) {
            file = CorrectionFileName(Mixer->FingerPrint(), 48000, 14, QStringLiteral("_mls.pcm"));
            QDir().mkpath(CalibrationFolder());
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("VMRASTIM but then nothing that belongs to a stimulus");
        }
        scripted().clear();
        const auto filesBefore = tempFiles();
        w->cmdRecord()->click();
        EXPECT_EQ(shownErrors(), std::vector<int>{row.message});
        if (!file.isEmpty() && !scripted().messages.empty()) {
            EXPECT_TRUE(scripted().messages.back().text.endsWith(QDir::toNativeSeparators(file)))
                << scripted().messages.back().text.toStdString();
        }
        EXPECT_EQ(WaveCount(), 0);
        EXPECT_EQ(tempFiles(), filesBefore);
        EXPECT_TRUE(w->cmdRecord()->isEnabled());
        EXPECT_FALSE(Player->Playing());
        EXPECT_FALSE(sound::Engine::instance().captureRunning());

        frmMeasure::Unload();
        for (clsWave* wave : WavesSnapshot())
            wave->Die();
        settle();
        ReleaseMixer();
        Options->setUseCal(false);
        if (!file.isEmpty())
            QFile::remove(file);
    }
}

} // namespace
