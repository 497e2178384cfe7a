// The mixer: identity of the card, lines and controls, busy state, start-up and release with and without a
// calibration, and the loading of a stored sound-card calibration.
#include "AudioFixture.h"

#include <QSignalSpy>

using namespace audiotest;

namespace {

class MixerTest : public AudioTest {};

TEST_F(MixerTest, TheFingerPrintIsTheNameUntilACalibrationKeyBeginsWithIt)
{
    CreateMixer();
    EXPECT_EQ(Mixer->FingerPrint(), QStringLiteral("Virtual sound card"));
    SaveSetting(QStringLiteral("SoundSys"), QStringLiteral("1"), QStringLiteral("Virtual sound card"));
    EXPECT_EQ(Mixer->FingerPrint(), QStringLiteral("Virtual sound card")) << "values are not compared";
    SaveSetting(QStringLiteral("SoundSys"), QStringLiteral("Virtual sound card 2"), QString());
    EXPECT_EQ(Mixer->FingerPrint(), QStringLiteral("0 0 0"));

    MixerControlRecord r;
    r.Device1 = 0;
    r.Device2 = -1;
    r.Device3 = 2;
    EXPECT_EQ(DeviceFingerPrint(r), QStringLiteral("0-1 2"));
}

TEST_F(MixerTest, FindingAMixerScansUntilTheFirstMissingIndex)
{
    spy->extraMixers = 2;
    CreateMixer();
    const struct {
        QString text;
        int id;
        int describes;
    } rows[] = {{QStringLiteral("Card 2"), 2, 3},
                {QStringLiteral("1 2 3"), 1, 2},
                {QStringLiteral("Virtual sound card"), 0, 1},
                {QStringLiteral("nothing like it"), 0, 4}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        SaveSetting(QStringLiteral("SoundSys\\x"), QStringLiteral("Mixer"), row.text);
        SaveSetting(QStringLiteral("SoundSys"), QStringLiteral("1"), QStringLiteral("x"));
        Options->setCalibration(QStringLiteral("x"));
        spy->describes = 0;
        const QSignalBlocker quiet(Options);
        Options->setUseCal(true);
        Mixer->LoadCalibration(); // looks the mixer up, then checks it (906 unless it matches)
        EXPECT_EQ(Mixer->ID(), row.id);
        EXPECT_GE(spy->describes, row.describes);
    }
    // A scan over a sound system that claims endless mixers stops.
    spy->extraMixers = 1000;
    spy->describes = 0;
    SaveSetting(QStringLiteral("SoundSys\\x"), QStringLiteral("Mixer"), QStringLiteral("nothing like it"));
    const QSignalBlocker quiet(Options);
    Options->setUseCal(true);
    Mixer->LoadCalibration();
    EXPECT_LT(spy->describes, 100);
}

TEST_F(MixerTest, LinesComeFromTheArgumentsOrTheCalibration)
{
    CreateMixer();
    Mixer->GetIDs(-2, -2);
    EXPECT_EQ(Mixer->PSeqNo(), -1);
    EXPECT_EQ(Mixer->RSeqNo(), -1);
    Mixer->GetIDs(3, 1);
    EXPECT_EQ(Mixer->PSeqNo(), 3);
    EXPECT_EQ(Mixer->RSeqNo(), 1);
    EXPECT_EQ(Pm->ControlID(), virtualControl("Master"));
    EXPECT_EQ(Rm->ControlID(), virtualControl("Capture"));
    EXPECT_EQ(Ps->ControlID(), virtualControl("PCM"));
    EXPECT_EQ(Rs->ControlID(), virtualControl("Line")) << "recording line 1, the line input";
    EXPECT_TRUE(Rs->Mute()) << "a control taken over is silent";
    Mixer->GetIDs(-2, -2);
    EXPECT_EQ(Rs->ControlID(), virtualControl("Mic")) << "no line chosen: the microphone";
}

TEST_F(MixerTest, EveryBusyEventOfEitherSideIsPassedOn)
{
    CreateMixer();
    QSignalSpy busy(Mixer, &clsMixer::MixerBusy);
    Player->LockPlayer();
    Recorder->LockRecorder();
    Player->UnlockPlayer();
    Recorder->UnlockRecorder();
    ASSERT_EQ(busy.count(), 4);
    const bool expected[4][2] = {{true, false}, {true, true}, {false, true}, {false, false}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(busy.at(i).at(0).toBool(), expected[i][0]) << i;
        EXPECT_EQ(busy.at(i).at(1).toBool(), expected[i][1]) << i;
    }
}

TEST_F(MixerTest, OpeningAMixerThatIsThereOnce)
{
    CreateMixer();
    EXPECT_TRUE(Mixer->Closed());
    Mixer->setClosed(false);
    Mixer->setClosed(false);
    EXPECT_FALSE(Mixer->Closed());
    Mixer->setClosed(true);
    Mixer->setID(5); // no such mixer
    Mixer->setClosed(false);
    EXPECT_TRUE(Mixer->Closed());
}

TEST_F(MixerTest, WithoutACalibrationTheMixerIsLeftAlone)
{
    CreateMixer();
    EXPECT_EQ(Mixer->ADCmax(), 0.0f);
    EXPECT_EQ(Mixer->Sign(), 1);
    EXPECT_EQ(Player->MLSDACVolume(), 16384);
    EXPECT_TRUE(Mixer->FullDuplex());
    EXPECT_EQ(spy->count("select"), 0);
    EXPECT_EQ(spy->count("set"), 0);
    ReleaseMixer();
    EXPECT_EQ(spy->count("restore"), 0);
}

TEST_F(MixerTest, ACalibrationInUseAtStartUpIsLoadedAndItsMixerStateRestoredAtExit)
{
    useCalibration(QStringLiteral("Card A"));
    SaveSetting(QStringLiteral("SoundSys\\Card A"), QStringLiteral("ADCmax"), QStringLiteral("16384"));
    DeleteSetting(QStringLiteral("SoundSys\\Card A"), QStringLiteral("SWPDACmax"));
    CreateMixer();
    ASSERT_TRUE(Options->UseCal()) << shownErrors().size();
    EXPECT_EQ(Mixer->calibrationSection(), QStringLiteral("SoundSys\\Card A"));
    EXPECT_NEAR(Mixer->ADCmax(), -6.02, 0.01);
    EXPECT_EQ(Player->MLSDACVolume(), 16000);
    EXPECT_EQ(Player->SWPDACVolume(), 32767) << "a missing key gives full scale, not the default";
    EXPECT_EQ(spy->count("select save"), 1);
    EXPECT_TRUE(Mixer->settingsSavedAtStartup());
    // The curves: Pm has five steps of 3 dB, Rs three.
    EXPECT_EQ(Pm->Steps(), 4);
    EXPECT_EQ(Rs->Steps(), 2);
    EXPECT_FLOAT_EQ(Pm->VolStepRms(2), -6.0f);
    // Start: playback at its first step, recording at its last, all muted.
    EXPECT_EQ(Pm->Volume(), Pm->VolStepVolume(0));
    EXPECT_EQ(Rm->Volume(), Rm->VolStepVolume(Rm->Steps()));
    for (clsVolume* v : {Pm, Ps, Rm, Rs})
        EXPECT_TRUE(v->Mute());

    // Switching the calibration off later does not forget what start-up saved.
    const QSignalBlocker quiet(Options);
    Options->setUseCal(false);
    ReleaseMixer();
    EXPECT_EQ(spy->count("restore"), 1);
}

TEST_F(MixerTest, ACurveParsesIntoTheStepTable)
{
    useCalibration(QStringLiteral("Card A"));
    const QString section = QStringLiteral("SoundSys\\Card A");
    SaveSetting(section, QStringLiteral("Rm"), QStringLiteral(" 5; 65535=0.00; 52000=-1.50;"));
    SaveSetting(section, QStringLiteral("Ps"), QStringLiteral("-1;"));
    CreateMixer();
    ASSERT_TRUE(Options->UseCal());
    EXPECT_EQ(Rm->ControlID(), 5);
    EXPECT_EQ(Rm->Steps(), 1);
    EXPECT_EQ(Rm->VolStepVolume(0), 65535);
    EXPECT_EQ(Rm->VolStepVolume(1), 52000);
    EXPECT_FLOAT_EQ(Rm->VolStepRms(1), -1.5f);
    EXPECT_EQ(Ps->ControlID(), -1);
    EXPECT_EQ(Ps->Steps(), 0);
}

TEST_F(MixerTest, AGainCurveAtTheStepLimitIsReadWholeAndOneStepMoreIsRefused)
{
    // Step i: position 65535 - i, level -i / 100 dB, so every step of the table shows where it came from.
    const auto curve = [](int steps) {
        QString text = QStringLiteral("7;");
        for (int i = 0; i < steps; ++i)
            text += QStringLiteral("%1=%2;").arg(65535 - i).arg(-i / 100.0, 0, 'f', 2);
        return text;
    };
    const int limit = clsVolume::kMaxStep + 1; // the table's indices 0 .. kMaxStep
    const struct {
        const char* name;
        int steps;
        bool read;
    } rows[] = {{"at the limit", limit, true}, {"one step past it", limit + 1, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ReleaseMixer();
        scripted().clear();
        useCalibration(QStringLiteral("Card A"));
        SaveSetting(QStringLiteral("SoundSys\\Card A"), QStringLiteral("Pm"), curve(row.steps));
        // Read back from the file, as at the next start.
        ASSERT_TRUE(FlushSettings());
        ReloadSettings();
        CreateMixer();
        EXPECT_EQ(Options->UseCal(), row.read);
        EXPECT_EQ(reportsNaming(QStringLiteral("LoadCalibration")), row.read ? 0 : 1);
        if (!row.read)
            continue;
        ASSERT_EQ(Pm->Steps(), clsVolume::kMaxStep);
        EXPECT_EQ(Pm->ControlID(), 7);
        for (int i : {0, 1, clsVolume::kMaxStep - 1, clsVolume::kMaxStep}) {
            EXPECT_EQ(Pm->VolStepVolume(i), 65535 - i) << i;
            EXPECT_NEAR(Pm->VolStepRms(i), -i / 100.0, 0.005) << i;
        }
    }
}

TEST_F(MixerTest, FullDuplexIsCheckedAtTheCalibrationsRate)
{
    auto config = cardConfig();
    config.rates = {48000}; // the card cannot run at 44100 Hz
    installCard(config);
    Options->setSampleFrequency(44100);
    useCalibration(QStringLiteral("Card A"), 48000);
    CreateMixer();
    ASSERT_TRUE(Options->UseCal());
    EXPECT_EQ(Options->SampleFrequency(), 48000);
    EXPECT_EQ(Player->PlayFreq(), 48000);
    EXPECT_TRUE(Mixer->FullDuplex());
    // And again when the rate changes.
    Options->setUseCal(false);
    Options->setSampleFrequency(44100);
    EXPECT_FALSE(Mixer->FullDuplex());
}

TEST_F(MixerTest, ACalibrationForAnotherCardIsRefused)
{
    useCalibration(QStringLiteral("Card A"));
    SaveSetting(QStringLiteral("SoundSys\\Card A"), QStringLiteral("Mixer"), QStringLiteral("Another card"));
    CreateMixer();
    EXPECT_FALSE(Options->UseCal());
    EXPECT_EQ(shownErrors(), std::vector<int>{msg::Recalibrate});
    EXPECT_FALSE(Mixer->settingsSavedAtStartup());
    EXPECT_EQ(Player->MLSDACVolume(), 16384);
}

TEST_F(MixerTest, AnUnreadableCalibrationIsReportedOnceAndNotUsed)
{
    const struct {
        const char* key;
        const char* value;
    } rows[] = {{"Pm", "-1"},         {"Rs", "abc;1=0.00;"}, {"Rm", "5;65535=loud;"}, {"ADCmax", "0"},
                {"ADCmax", "x"},      {"MLSDACmax", "40000"}, {"Sign", "0"},         {"Frequency", "0"},
                {"RmChannels", "-3"}, {"Pm", "5;70000=0.00;"}, {"Frequency", "12345"}, {"Frequency", "1e9"},
                {"Rm", "5;65535=1e39;"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.key) + " = " + row.value);
        ReleaseMixer();
        scripted().clear();
        useCalibration(QStringLiteral("Card A"));
        SaveSetting(QStringLiteral("SoundSys\\Card A"), QLatin1String(row.key), QLatin1String(row.value));
        CreateMixer();
        EXPECT_FALSE(Options->UseCal());
        EXPECT_EQ(reportsNaming(QStringLiteral("LoadCalibration")), 1);
        EXPECT_EQ(Player->MLSDACVolume(), 16384);
        EXPECT_EQ(Mixer->ADCmax(), 0.0f);
        EXPECT_EQ(Mixer->Sign(), 1);
        EXPECT_FALSE(Mixer->settingsSavedAtStartup());
        EXPECT_EQ(Options->SampleFrequency(), 48000) << "no rate of the record reaches the options";
    }
}

TEST_F(MixerTest, ADescriptionNeverSplitsTheSettingsSection)
{
    storeCalibration(QStringLiteral("Card_B"));
    SaveSetting(QStringLiteral("SoundSys"), QStringLiteral("1"), QStringLiteral("Card\\B"));
    Options->setCalibration(QStringLiteral("Card\\B"));
    Options->setUseCal(true);
    CreateMixer();
    EXPECT_TRUE(Options->UseCal());
    EXPECT_EQ(Mixer->calibrationSection(), QStringLiteral("SoundSys\\Card_B"));
}

} // namespace
