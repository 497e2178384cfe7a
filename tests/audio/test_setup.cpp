// The measurement options dialog: each text box's check, saving and pushing the options, the list of stored
// calibrations, the rate question, and what OK does to the calibration and an open measurement window.
#include "AudioFixture.h"

#include "audio/frmMeasure.h"
#include "audio/frmSetup.h"
#include "core/MessageTexts.h"
#include "support/settings_faults.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

using namespace audiotest;

namespace {

class Setup : public AudioTest {
protected:
    std::vector<std::pair<std::int32_t, float>> pushed;

    void SetUp() override
    {
        AudioTest::SetUp();
        delete Options;
        Options = new clsOptions(nullptr, [this](std::int32_t index, float value) { pushed.emplace_back(index, value); });
        CreateMixer();
    }
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        frmMeasure::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        AudioTest::TearDown();
    }
    // Types into a box and leaves it.
    static void typeAndLeave(QLineEdit* box, const QString& text)
    {
        box->setText(text);
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(box, &out);
    }
};

TEST_F(Setup, EachBoxTakesOnlyNumbersInItsRange)
{
    const struct {
        QLineEdit* (frmSetup::*box)() const;
        const char* typed;
        const char* shown;
        bool ok;
    } rows[] = {
        {&frmSetup::txtTemperature, "abc", "20.0", false}, {&frmSetup::txtTemperature, "150", "20.0", false},
        {&frmSetup::txtTemperature, "20", "20.0", true},   {&frmSetup::txtTemperature, "-100", "-100.0", true},
        {&frmSetup::txtTemperature, "-100.5", "20.0", false}, {&frmSetup::txtDist, "-1", "0.0", false},
        {&frmSetup::txtDist, "2.5", "2.5", true},          {&frmSetup::txtDist, "", "0.0", false},
        {&frmSetup::txtProbe, "0.5", "12.00", false},      {&frmSetup::txtProbe, "1", "1.00", true},
        {&frmSetup::txtDelay, "12.6", "13", true},         {&frmSetup::txtDelay, "-7", "-7", true},
        {&frmSetup::txtDelay, "x", "0", false},            {&frmSetup::txtDelay, "inf", "0", false},
    };
    frmSetup dialog;
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string((dialog.*row.box)()->objectName().toStdString()) + " " + row.typed);
        typeAndLeave((dialog.*row.box)(), QLatin1String(row.typed));
        EXPECT_EQ((dialog.*row.box)()->text(), QLatin1String(row.shown));
        EXPECT_EQ(dialog.cmdOK()->isEnabled(), row.ok);
    }
    // Enter in a box makes OK usable again.
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(dialog.txtTemperature(), &enter);
    EXPECT_TRUE(dialog.cmdOK()->isEnabled());
}

TEST_F(Setup, OkStoresSavesAndPushesTheOptions)
{
    QSignalSpy changed(Options, &clsOptions::SettingChanged);
    frmSetup dialog;
    EXPECT_TRUE(dialog.optFs(2)->isChecked());
    EXPECT_TRUE(dialog.optClose(2)->isChecked());
    typeAndLeave(dialog.txtTemperature(), QStringLiteral("25"));
    typeAndLeave(dialog.txtDist(), QStringLiteral("1.5"));
    typeAndLeave(dialog.txtProbe(), QStringLiteral("30"));
    typeAndLeave(dialog.txtDelay(), QStringLiteral("64"));
    dialog.optClose(1)->setChecked(true);
    dialog.optFs(1)->setChecked(true);
    dialog.chkReuse()->setChecked(false);
    pushed.clear();
    dialog.cmdOK()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FLOAT_EQ(Options->Temperature(), 25);
    EXPECT_FLOAT_EQ(Options->MinSRDist(), 1.5);
    EXPECT_FLOAT_EQ(Options->ProbeDist(), 30);
    EXPECT_FLOAT_EQ(Options->AudioDelay(), 64);
    EXPECT_EQ(Options->CloseOnSave(), CloseNever);
    EXPECT_EQ(Options->SampleFrequency(), 44100);
    EXPECT_FALSE(Options->ReuseWindows());
    EXPECT_EQ(Player->PlayFreq(), 44100);
    EXPECT_GE(changed.count(), 7);
    EXPECT_EQ(ReadNumber(QStringLiteral("Setup"), QStringLiteral("Temperature")), 25.0);
    EXPECT_NE(std::find(pushed.begin(), pushed.end(), std::pair<std::int32_t, float>(5, 25.0f)), pushed.end())
        << "the library has the new temperature";
}

namespace {

class SetupNotSaved : public Setup, public testing::WithParamInterface<test::SettingsFault> {
protected:
    test::SettingsNotSavedMessage told;
};

} // namespace

TEST_P(SetupNotSaved, OkTellsOnceThatTheOptionsAreNotSavedAndTheNextOkSavesThem)
{
    frmSetup dialog;
    {
        const test::UnwritableSettings fault(GetParam());
        scripted().clear();
        // Each changed option saves the settings.
        typeAndLeave(dialog.txtTemperature(), QStringLiteral("25"));
        typeAndLeave(dialog.txtProbe(), QStringLiteral("30"));
        typeAndLeave(dialog.txtDelay(), QStringLiteral("64"));
        dialog.optClose(1)->setChecked(true);
        dialog.cmdOK()->click();
        EXPECT_EQ(test::SettingsNotSavedMessages(scripted().messages), 1);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FLOAT_EQ(Options->Temperature(), 25) << "in effect for this run";
        EXPECT_EQ(fault.now(), fault.before());
    }
    // OK again with nothing changed: what the failed write left is saved now, without a word.
    scripted().clear();
    dialog.cmdOK()->click();
    EXPECT_EQ(test::SettingsNotSavedMessages(scripted().messages), 0);
    const QByteArray file = test::FileBytes(SettingsFilePath());
    EXPECT_TRUE(file.contains("\nTemperature=25\n")) << file.toStdString();
    EXPECT_TRUE(file.contains("\nProbeDist=30\n"));
}

INSTANTIATE_TEST_SUITE_P(Faults, SetupNotSaved,
                         testing::Values(test::SettingsFault::ReadOnlyFolder, test::SettingsFault::FullDisk));

TEST_F(Setup, ValuesOfAThousandAndMoreSurviveOkInEveryLocale)
{
    const QLocale locales[] = {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
                               QLocale(QLocale::English, QLocale::UnitedStates)};
    for (const QLocale& locale : locales) {
        SCOPED_TRACE(locale.name().toStdString());
        QLocale::setDefault(locale);
        Options->setAudioDelay(1024);
        Options->setProbeDist(1500.25f);
        Options->setTemperature(20.5f);
        {
            // Shown, then taken back as it stands.
            frmSetup dialog;
            EXPECT_EQ(dialog.txtDelay()->text(), QStringLiteral("1024"));
            dialog.cmdOK()->click();
            EXPECT_TRUE(scripted().messages.empty()) << scripted().messages.front().text.toStdString();
            EXPECT_EQ(Options->AudioDelay(), 1024.0f);
            EXPECT_EQ(Options->ProbeDist(), 1500.25f);
            EXPECT_EQ(Options->Temperature(), 20.5f);
        }
        {
            // Typed, left (so rewritten in the box's format), then taken.
            frmSetup dialog;
            typeAndLeave(dialog.txtDelay(), QStringLiteral("2048"));
            typeAndLeave(dialog.txtProbe(), locale.toString(1234.5, 'f', 1).remove(locale.groupSeparator()));
            EXPECT_TRUE(dialog.cmdOK()->isEnabled());
            dialog.cmdOK()->click();
            EXPECT_EQ(Options->AudioDelay(), 2048.0f);
            EXPECT_EQ(Options->ProbeDist(), 1234.5f);
        }
    }
}

TEST_F(Setup, CancelWritesNothing)
{
    frmSetup dialog;
    typeAndLeave(dialog.txtTemperature(), QStringLiteral("30"));
    dialog.optFs(0)->setChecked(true);
    dialog.cmdCancel()->click();
    EXPECT_EQ(Options->Temperature(), 20.0f);
    EXPECT_EQ(Options->SampleFrequency(), 48000);
    EXPECT_FALSE(HasSetting(QStringLiteral("Setup"), QStringLiteral("Temperature")));
}

TEST_F(Setup, TheListShowsTheStoredCalibrations)
{
    {
        frmSetup dialog;
        EXPECT_EQ(dialog.cmbCalibration()->count(), 0);
        EXPECT_FALSE(dialog.chkUseCal()->isEnabled());
        EXPECT_FALSE(dialog.chkUseCal()->isChecked());
        EXPECT_TRUE(dialog.optFs(0)->isEnabled());
    }
    SaveSetting(QStringLiteral("SoundSys"), QStringLiteral("1"), QStringLiteral("Card A"));
    SaveSetting(QStringLiteral("SoundSys"), QStringLiteral("2"), QStringLiteral("Card B"));
    SaveSetting(QStringLiteral("SoundSys"), QStringLiteral("Card C"), QString());
    Options->setCalibration(QStringLiteral("nothing stored"));
    {
        frmSetup dialog;
        QStringList shown;
        for (int i = 0; i < dialog.cmbCalibration()->count(); ++i)
            shown << dialog.cmbCalibration()->itemText(i);
        shown.sort();
        EXPECT_EQ(shown, (QStringList{"Card A", "Card B", "Card C"}));
        EXPECT_EQ(dialog.cmbCalibration()->currentIndex(), 0) << "no match: the first";
        EXPECT_TRUE(dialog.chkUseCal()->isEnabled());
        dialog.chkUseCal()->click();
        EXPECT_TRUE(dialog.cmbCalibration()->isEnabled());
        EXPECT_FALSE(dialog.optFs(1)->isEnabled()) << "the calibration sets the rate";
    }
    Options->setCalibration(QStringLiteral("Card B"));
    frmSetup dialog;
    EXPECT_EQ(dialog.cmbCalibration()->currentText(), QStringLiteral("Card B"));
}

TEST_F(Setup, ChoosingAnotherRateWarnsOncePerClick)
{
    frmSetup dialog;
    dialog.optFs(2)->click(); // the rate in use
    EXPECT_TRUE(scripted().messages.empty());
    dialog.optFs(0)->click();
    dialog.optFs(3)->click();
    ASSERT_EQ(scripted().messages.size(), 2u);
    EXPECT_EQ(scripted().messages[0].text, MessageText(msg::RateChangeRecalibrate));
    EXPECT_EQ(scripted().messages[0].title, QStringLiteral("Options"));
    EXPECT_EQ(scripted().messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(Options->SampleFrequency(), 48000) << "the choice counts only on OK";
}

TEST_F(Setup, OkReloadsTheCalibrationOnlyWhenItIsInvolved)
{
    storeCalibration(QStringLiteral("Card A"), 44100);
    const struct {
        const char* name;
        bool useBefore;
        bool check;
        bool windowStays;
        bool useAfter;
    } rows[] = {
        {"off and left off", false, false, true, false},
        {"switched on", false, true, false, true},
        {"left on", true, true, false, true},
        {"switched off", true, false, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        {
            const QSignalBlocker quiet(Options);
            Options->setUseCal(row.useBefore);
            Options->setCalibration(QStringLiteral("Card A"));
        }
        if (row.useBefore)
            Mixer->LoadCalibration();
        frmMeasure::instance();
        spy->log.clear();
        frmSetup dialog;
        if (dialog.chkUseCal()->isChecked() != row.check)
            dialog.chkUseCal()->click();
        dialog.cmdOK()->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(frmMeasure::loaded(), row.windowStays);
        EXPECT_EQ(Options->UseCal(), row.useAfter);
        if (row.useAfter) {
            EXPECT_EQ(Mixer->calibrationSection(), QStringLiteral("SoundSys\\Card A"));
            EXPECT_EQ(Options->SampleFrequency(), 44100) << "the calibration's rate";
        }
        frmMeasure::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(Setup, ANewRateClosesTheMeasurementWindow)
{
    frmMeasure::instance();
    frmSetup dialog;
    dialog.optFs(1)->setChecked(true);
    dialog.cmdOK()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(frmMeasure::loaded());
}

} // namespace
