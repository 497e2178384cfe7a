// The wizard as a window: its pages and buttons, Abort at every step with nothing half-written, close requests
// during the run, the plan number, the log, and the stored text of a gain curve.
#include "CalFixture.h"

#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "core/HelpWindow.h"
#include "core/MessageTexts.h"
#include "core/Settings.h"
#include "core/clsOptions.h"
#include "library/Messages.h"
#include "support/gui_mnemonics.h"
#include "support/settings_faults.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusFrame>
#include <QKeyEvent>
#include <QListWidget>
#include <QTest>

using namespace caltest;

namespace {

class Wizard : public CalTest {};

} // namespace

TEST_F(Wizard, OpensOnTheIntroductionWithTheMixerAndItsLinesChosen)
{
    frmCalCard* w = openWizard();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Soundcard Calibration"));
    EXPECT_EQ(control<QLabel>("lblPrompt1")->text(), MessageText(msg::ConnectLineInOut));
    EXPECT_EQ(control<QLabel>("lblPrompt2")->text(), MessageText(msg::CalibrationInvalidates));
    EXPECT_TRUE(control<QWidget>("pnlCal0")->isVisible());
    EXPECT_FALSE(control<QWidget>("pnlCal1")->isVisible());
    EXPECT_FALSE(control<QPushButton>("cmdTest2")->isVisible());
    auto* mixers = control<QListWidget>("lstMixer");
    ASSERT_EQ(mixers->count(), 1);
    EXPECT_EQ(mixers->currentItem()->text(), QStringLiteral("Virtual sound card"));
    EXPECT_EQ(control<QListWidget>("lstAudioOut")->currentItem()->text(), QStringLiteral("PCM"));
    EXPECT_EQ(control<QListWidget>("lstAudioIn")->currentItem()->text(), QStringLiteral("Mic"));
    w->cmdNext_Click();
    EXPECT_TRUE(control<QWidget>("pnlCal1")->isVisible());
    control<QCheckBox>("chkAuto")->click();
    EXPECT_FALSE(mixers->isEnabled());
    control<QCheckBox>("chkAuto")->click();
    EXPECT_TRUE(mixers->isEnabled());
}

TEST_F(Wizard, AMixerChosenWithTheKeyboardIsSetUpLikeAClickedOne)
{
    spy->extraMixers = 1;
    frmCalCard* w = openWizard();
    EXPECT_EQ(spy->count("select"), 1) << "the opening sets up the first mixer, once";
    QApplication::setActiveWindow(w);
    w->cmdNext_Click();
    auto* mixers = control<QListWidget>("lstMixer");
    auto* out = control<QListWidget>("lstAudioOut");
    auto* in = control<QListWidget>("lstAudioIn");
    ASSERT_EQ(mixers->count(), 2);
    mixers->setFocus();
    struct Row { Qt::Key key; std::int16_t mixer; const char* out; const char* in; };
    for (const Row& row : {Row{Qt::Key_Down, 1, "Line out", "Line in"}, Row{Qt::Key_Up, 0, "PCM", "Mic"},
                           Row{Qt::Key_End, 1, "Line out", "Line in"}}) {
        SCOPED_TRACE(row.mixer);
        const int selectsBefore = spy->count("select");
        QTest::keyClick(mixers, row.key);
        EXPECT_EQ(Mixer->ID(), row.mixer);
        EXPECT_EQ(spy->count("select"), selectsBefore + 1) << "its devices are put in use once";
        ASSERT_EQ(out->count(), 1);
        EXPECT_EQ(out->currentItem()->text(), QLatin1String(row.out));
        EXPECT_EQ(in->currentItem()->text(), QLatin1String(row.in));
    }
}

// Each list shows its selected row with or without the focus: the style's focus frame tells which one has it,
// a dark ring round the list, and leaves with the focus.
TEST_F(Wizard, TheStylesFocusFrameGoesRoundTheDeviceListWithTheFocus)
{
    frmCalCard* w = openWizard();
    QApplication::setActiveWindow(w);
    w->cmdNext_Click();
    QCoreApplication::processEvents();
    const auto ringAbove = [w](const QWidget* list) {
        // The share of dark pixels on the row just above the list, across its width.
        const QImage shot = w->grab().toImage();
        const QPoint topLeft = list->mapTo(w, QPoint(0, 0));
        int dark = 0;
        for (int x = 0; x < list->width(); ++x)
            dark += qGray(shot.pixel(topLeft.x() + x, topLeft.y() - 1)) < 80;
        return double(dark) / list->width();
    };
    QWidget* frame = w->findChild<QFocusFrame*>();
    ASSERT_NE(frame, nullptr);
    const std::vector<QListWidget*> lists{control<QListWidget>("lstMixer"), control<QListWidget>("lstAudioIn"),
                                          control<QListWidget>("lstAudioOut")};
    for (QListWidget* list : lists) {
        SCOPED_TRACE(list->objectName().toStdString());
        list->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(list->hasFocus());
        EXPECT_EQ(static_cast<QFocusFrame*>(frame)->widget(), list);
        EXPECT_TRUE(frame->isVisible());
        EXPECT_GT(ringAbove(list), 0.9);
        for (QListWidget* other : lists) {
            if (other != list) {
                EXPECT_LT(ringAbove(other), 0.1) << other->objectName().toStdString();
            }
        }
    }
    control<QPushButton>("cmdNext")->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_LT(ringAbove(lists.front()), 0.1);
}

// The test sweep plays at half travel of the four gain controls: by the virtual mixer's law 120 dB down, so only a
// card without noise hears it; over the converters' noise, or with no loop-back, it says that nothing came back.
TEST_F(Wizard, TheDebugTestSweepPlaysAndRecordsAndKeepsNoFile)
{
    auto quiet = cardConfig();
    quiet.noiseRms = quiet.adcNoiseRms = 0;
    auto open = cardConfig();
    open.response = {0.0};
    const struct {
        const char* name;
        sound::VirtualCardConfig card;
        std::vector<int> errors;
    } rows[] = {
        {"a card without noise hears itself", quiet, {}},
        {"the converters' noise over the sweep", cardConfig(), {msg::NoSignalReturned}},
        {"no loop-back", open, {msg::NoSignalReturned}},
    };
    DebugMode = true;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        installCard(row.card);
        const auto tempsBefore = tempFiles();
        openWizard();
        auto* test = control<QPushButton>("cmdTest2");
        ASSERT_TRUE(test->isVisible());
        for (const char* idle : {"cmdTest0", "cmdTest1"}) {
            EXPECT_TRUE(control<QPushButton>(idle)->isVisible()) << idle;
            EXPECT_FALSE(control<QPushButton>(idle)->isEnabled()) << idle << ": nothing stands behind it";
        }
        scripted().clear();
        test->click();
        EXPECT_EQ(shownErrors(), row.errors);
        EXPECT_TRUE(test->isEnabled());
        EXPECT_EQ(tempFiles(), tempsBefore);
        window.reset();
    }
}

TEST_F(Wizard, TheDebugTestSweepAndTheRunWaitForEachOther)
{
    DebugMode = true;
    frmCalCard* w = openWizard();
    auto* test = control<QPushButton>("cmdTest2");
    auto* next = control<QPushButton>("cmdNext");
    // Continue during the sweep: disabled, and the handler starts nothing.
    bool seen = false, nextDuringSweep = true;
    std::int16_t stateDuringSweep = -1;
    time.onIdle = [&] {
        if (seen)
            return;
        seen = true;
        nextDuringSweep = next->isEnabled();
        w->cmdNext_Click();
        stateDuringSweep = w->State();
    };
    test->click();
    time.onIdle = nullptr;
    EXPECT_FALSE(nextDuringSweep);
    EXPECT_EQ(stateDuringSweep, 0);
    EXPECT_TRUE(next->isEnabled()) << "back after the sweep";
    // The sweep during the run: disabled, and the handler leaves the run's recorder running.
    w->cmdNext_Click();
    seen = false;
    bool testDuringRun = true, recordingAfterTest = false;
    time.onIdle = [&] {
        if (seen)
            return;
        seen = true; // at the first wait, before the search draws from the program's one generator
        testDuringRun = test->isEnabled();
        w->cmdTest_Click(2);
        recordingAfterTest = Recorder->Busy();
        w->cmdAbort_Click();
    };
    w->cmdNext_Click();
    time.onIdle = nullptr;
    EXPECT_FALSE(testDuringRun);
    EXPECT_TRUE(recordingAfterTest) << "the steps go on hearing the card";
    EXPECT_TRUE(w->isHidden());
}

TEST_F(Wizard, PlanNumberFromF10)
{
    frmCalCard* w = openWizard();
    struct Row { const char* name; std::optional<QString> answer; std::int16_t plan; };
    const Row rows[] = {{"three", QStringLiteral("3"), 3},         {"empty keeps it", QString(), 3},
                        {"2.6 rounds", QStringLiteral("2.6"), 3},   {"cancel keeps it", std::nullopt, 3},
                        {"letters give 0", QStringLiteral("abc"), 0}, {"beyond 16 bits keeps it", QStringLiteral("40000"), 0},
                        {"negative", QStringLiteral("-2"), -2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        scripted().inputAnswers.push_back(row.answer);
        QKeyEvent f10(QEvent::KeyPress, Qt::Key_F10, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &f10);
        EXPECT_EQ(w->PlanB(), row.plan);
    }
    EXPECT_EQ(scripted().inputPrompts.back(), MessageText(msg::EnterPlanId));
}

TEST_F(Wizard, F1OpensTheHelpOfTheStepTheWizardIsAt)
{
    frmCalCard* w = openWizard();
    QApplication::setActiveWindow(w);
    auto* help = HelpWindow::instance();
    auto pressF1 = [&] {
        help->showContext(-1);
        help->hide();
        QCoreApplication::processEvents();
        QApplication::setActiveWindow(w);
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : w, Qt::Key_F1);
        return help->currentPage();
    };
    EXPECT_EQ(pressF1(), HelpPageForContext(5)) << "introduction";
    w->cmdNext_Click();
    control<QListWidget>("lstMixer")->setFocus();
    EXPECT_EQ(pressF1(), HelpPageForContext(5)) << "device page";
    QString duringRun;
    // At the run's first wait, before the distortion search has drawn from the program's one generator (the
    // later tests' searches depend on where it stands).
    time.onIdle = [&] {
        if (duringRun.isEmpty()) {
            duringRun = pressF1();
            w->cmdAbort_Click();
        }
    };
    w->cmdNext_Click();
    time.onIdle = nullptr;
    EXPECT_EQ(duringRun, HelpPageForContext(6)) << "the run";
    help->hide();
}

TEST_F(Wizard, AbortOnAPageClosesAtOnceAndTheLogIsAppendedUnderTheMixersName)
{
    const QString cardLog = frmCalCard::CardLogPath(QStringLiteral("Virtual sound card"), kRate);
    QDir().mkpath(CalibrationFolder());
    {
        QFile earlier(cardLog);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier session\r\n");
    }
    for (int page : {0, 1}) {
        SCOPED_TRACE(page);
        frmCalCard* w = openWizard();
        if (page == 1)
            w->cmdNext_Click();
        w->cmdAbort_Click();
        EXPECT_TRUE(w->isHidden());
        window.reset();
    }
    const QString log = text(cardLog);
    EXPECT_TRUE(log.startsWith(QStringLiteral("an earlier session\r\n")));
    EXPECT_EQ(log.count(QStringLiteral("Mixer test")), 2);
    EXPECT_FALSE(QFile::exists(frmCalCard::SessionLogPath()));
}

TEST_F(Wizard, CloseRequestsAreRefusedDuringTheRunAndAbortEndsIt)
{
    frmCalCard* w = openWizard();
    w->cmdNext_Click();
    int closes = 0;
    time.onIdle = [&] {
        if (time.idles == 50) {
            // The title bar's close: refused, the run goes on.
            w->close();
            ++closes;
            EXPECT_TRUE(w->Running());
            EXPECT_FALSE(w->isHidden());
        }
        if (time.idles == 60)
            w->cmdAbort_Click();
    };
    w->cmdNext_Click();
    time.onIdle = nullptr;
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(SettingKeys(kSoundSysSection).isEmpty()) << "an aborted run saves nothing";
    EXPECT_TRUE(w->isHidden()) << "the run ended at the abort and the window went";
    EXPECT_LT(time.idles, 200) << "the search stopped at its next test";
}

// Abort during each step: the step ends, nothing is saved, no correction file or temporary file is left, and the
// calibration in use stays as it was.
class AbortAtStep : public CalTest, public testing::WithParamInterface<int> {};

TEST_P(AbortAtStep, LeavesNothingHalfWritten)
{
    const int step = GetParam();
    const auto tempsBefore = tempFiles();
    Options->setUseCal(false);
    frmCalCard* w = openWizard();
    w->cmdNext_Click();
    auto* prompt = control<QLabel>("lblPrompt2");
    int idlesInStep = 0;
    time.onIdle = [&] {
        if (prompt->text() == MessageText(msg::CalStep(step)) && ++idlesInStep == 2)
            w->cmdAbort_Click();
    };
    w->cmdNext_Click();
    time.onIdle = nullptr;
    EXPECT_GE(idlesInStep, 2) << "the run reached the step\n" << runReport();
    EXPECT_TRUE(w->isHidden());
    window.reset();
    EXPECT_FALSE(Options->UseCal());
    EXPECT_TRUE(SettingKeys(kSoundSysSection).isEmpty());
    for (const QString& f : calibrationFiles())
        EXPECT_TRUE(f.startsWith(QStringLiteral("CalibrationLog "))) << f.toStdString();
    EXPECT_EQ(tempFiles(), tempsBefore);
}

INSTANTIATE_TEST_SUITE_P(Steps, AbortAtStep, testing::Values(1, 2, 4, 6, 7, 8, 9, 10, 11));

TEST_F(Wizard, SavingWhenTheSettingsFileCannotTakeItTellsOnceAndTheEarlierFileStays)
{
    const test::SettingsNotSavedMessage told;
    // A whole run, for the levels and responses the save is made of.
    frmCalCard* w = openWizard();
    w->cmdNext_Click();
    w->cmdNext_Click();
    ASSERT_TRUE(w->Success()) << runReport();
    // One kind of fault here, the save being a slow one: the settings tests go through each kind.
    const test::UnwritableSettings fault(test::SettingsFault::ReadOnlyFolder);
    scripted().clear();
    EXPECT_TRUE(w->SaveCalibration()) << runReport();
    EXPECT_EQ(test::SettingsNotSavedMessages(scripted().messages), 1) << runReport();
    EXPECT_TRUE(Options->UseCal()) << "in use for this run";
    EXPECT_EQ(fault.now(), fault.before());
}

TEST_F(Wizard, ARecorderThatCannotStartFailsTheRunWithOneMessage)
{
    frmCalCard* w = openWizard();
    w->cmdNext_Click();
    auto broken = cardConfig();
    broken.inputs = 0;
    installCard(broken);
    w->cmdNext_Click();
    EXPECT_FALSE(w->Success());
    EXPECT_EQ(shownErrors().size(), 1u);
    EXPECT_EQ(control<QLabel>("lblPrompt1")->text(), MessageText(msg::CalibrationFailed));
    EXPECT_FALSE(control<QPushButton>("cmdNext")->isEnabled());
    EXPECT_EQ(control<QPushButton>("cmdNext")->text(), QStringLiteral("&Continue"));
}

TEST_F(Wizard, NoLoopBackFailsStepOne)
{
    auto open = cardConfig();
    open.response = {0.0}; // nothing connected: noise only
    installCard(open);
    scripted().messageAnswers.push_back(MsgResult::Yes); // 916: abort the calibration
    frmCalCard* w = openWizard();
    w->cmdNext_Click();
    w->cmdNext_Click();
    EXPECT_FALSE(w->Success());
    ASSERT_FALSE(scripted().messages.empty());
    EXPECT_EQ(scripted().messages.front().text, MessageText(msg::CalibrationTooLittleSignal));
    EXPECT_EQ(control<QLabel>("lblPrompt1")->text(), MessageText(msg::CalibrationFailed));
}

TEST_F(Wizard, ACardThatRecordsNothingFailsStepOneSayingWhy)
{
    auto silent = cardConfig();
    silent.response = {0.0}; // nothing comes back, not even noise: the peak at the best setting is 0
    silent.noiseRms = 0;
    silent.adcNoiseRms = 0;
    installCard(silent);
    for (int stage = 0; stage < 40; ++stage)
        scripted().messageAnswers.push_back(MsgResult::No); // 916: go on searching
    frmCalCard* w = openWizard();
    w->cmdNext_Click();
    w->cmdNext_Click();
    EXPECT_FALSE(w->Success());
    EXPECT_EQ(w->ADCmax(), 0);
    const auto errors = shownErrors();
    ASSERT_EQ(errors.size(), 1u) << runReport();
    EXPECT_EQ(errors.front(), msg::NoCalibrationSignal);
    EXPECT_EQ(control<QLabel>("lblPrompt1")->text(), MessageText(msg::CalibrationFailed));
    EXPECT_EQ(w->ToneDAC(), 0) << "step 2 did not run";
}

TEST(GainCurveText, SignedBlankPositionsAndPointLevels)
{
    const GainCurvePoints curve{{65535, -1.5f}, {64224, -2.38f}, {62940, -3.0f}};
    struct Row { const char* name; std::int32_t id; std::size_t first; float reference; const char* text; };
    const Row rows[] = {
        {"from the reference point", 3, 1, -2.38f, " 3; 64224=0.00; 62940=-0.62;"},
        {"all points as held", 0, 0, 0.0f, " 0; 65535=-1.50; 64224=-2.38; 62940=-3.00;"},
        {"no control", -1, 0, 0.0f, "-1;"},
        {"last point only", 7, 2, -3.0f, " 7; 62940=0.00;"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(GainCurveText(row.id, curve, row.first, row.reference), QLatin1String(row.text));
    }
    // Whatever the locale, the store reads '.'.
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_EQ(GainCurveText(1, {{100, -0.004f}}, 0, 0), QStringLiteral(" 1; 100=0.00;"));
    QLocale::setDefault(QLocale::c());
}

// Alt and a letter presses one control of the wizard's page.
TEST_F(Wizard, AccessKeysAreUniqueOnItsPage)
{
    EXPECT_GT(test::ExpectUniqueMnemonics(openWizard()), 0);
}
