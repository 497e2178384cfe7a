#include "app/VemraGlobal.h"
#include "audio/AudioGlobals.h"
#include "audio/clsPlayer.h"
#include "library/Messages.h"
#include "core/Globals.h"
#include "core/ProgramHooks.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "core/clsMRUlist.h"
#include "core/clsOptions.h"
#include "core/frmStartup.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "audio/frmMeasure.h"
#include "graphs/frmParameters.h"
#include "support/ResponseFile.h"
#include "support/settings_faults.h"
#include "viewer/frmView.h"
#include "viewer/frmdBRange.h"
#include "program_fixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>

using namespace vemra;
using namespace programtest;

namespace {

// A document window that answers the save question as told.
class ScriptedViewer : public WaveViewer {
public:
    explicit ScriptedViewer(bool answer) : answer_(answer) {}
    // The window goes away with its unloading, as a real one does.
    void unload() override { delete this; }
    bool quitFile() override { return answer_; }

private:
    bool answer_;
};

// A decaying response the document, its table and its waterfall can all work on.
QString decayFile()
{
    return QString::fromStdString(test::ResponseFile("decay.wav")
                                      .rate(48000)
                                      .frames(24000)
                                      .sample([](std::int64_t i, int) {
                                          return 20000.0 * std::exp(-double(i) / 2400.0) * ((i * 7919) % 11 < 5 ? 1 : -1);
                                      })
                                      .write());
}

} // namespace

TEST(CommandLineTest, SwitchesAreWholeArgumentsInAnyCase)
{
    const struct {
        const char* name;
        QStringList args;
        bool debug, longSignals, feature;
        const char* file;
    } rows[] = {
        {"debug only", {"/debug"}, true, false, false, ""},
        {"quoted name then long", {"\"/data/big hall.wav\"", "/LONG"}, false, true, false, "/data/big hall.wav"},
        {"debug twice", {"/DEBUG", "/DEBUG"}, true, false, false, "/DEBUG"},
        {"switch inside a path", {"/home/u/debug/x.wav"}, false, false, false, "/home/u/debug/x.wav"},
        {"all three", {"/Feature", "/long", "/Debug", "x.wav", "y.wav"}, true, true, true, "x.wav"},
        {"inner quotes stay", {" a\"b.wav "}, false, false, false, "a\"b.wav"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const CommandLine line = ParseCommandLine(row.args);
        EXPECT_EQ(line.debug, row.debug);
        EXPECT_EQ(line.longSignals, row.longSignals);
        EXPECT_EQ(line.feature, row.feature);
        EXPECT_EQ(line.fileName, QString::fromUtf8(row.file));
    }
}

TEST(DecimalSymbol, ComesBackAsOneInCommonLocales)
{
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
                                  QLocale(QLocale::French, QLocale::France), QLocale(QLocale::English)}) {
        SCOPED_TRACE(locale.name().toStdString());
        QLocale::setDefault(locale);
        EXPECT_TRUE(DecimalSymbolTest());
    }
    QLocale::setDefault(QLocale::c());
}

TEST_F(ProgramTest, StartsWithOneDocumentAndTheDebugSwitch)
{
    ASSERT_TRUE(Main({QStringLiteral("/debug")}));
    EXPECT_TRUE(DebugMode);
    EXPECT_FALSE(LongSignals);
    ASSERT_NE(Options, nullptr);
    ASSERT_NE(MRUlist, nullptr);
    EXPECT_EQ(WaveCount(), 1);
    EXPECT_TRUE(scripted().messages.empty()); // no decimal-symbol conflict, nothing else to say
    EXPECT_TRUE(ExitProgramHook != nullptr);

    ExitVemra();
    EXPECT_TRUE(scripted().messages.empty()); // the splash and nothing else: no question
    EXPECT_EQ(WaveCount(), 0);
    EXPECT_EQ(Options, nullptr);
    EXPECT_EQ(MRUlist, nullptr);
}

// In the running program Return on a focused button presses it, also in a dialog without a default button: the dB
// range dialog's OK takes the typed range and closes the dialog.
TEST_F(ProgramTest, ReturnOnTheFocusedOkOfTheDbRangeDialogClosesIt)
{
    ASSERT_TRUE(Main({decayFile()}));
    frmView* view = documentWindow(1);
    ASSERT_TRUE(view && view->WaveFile() && view->WaveFile()->Valid());
    view->mnViewItem_Click(2); // a dB view
    bool answered = false, closed = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<frmdBRange*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        answered = true;
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        dialog->txtRange()->setText(QStringLiteral("45"));
        dialog->cmdOK()->setFocus();
        QTest::keyClick(dialog->cmdOK(), Qt::Key_Return);
        closed = !dialog->isVisible();
        if (!closed)
            dialog->reject();
    });
    view->ChangeRange();
    ASSERT_TRUE(answered);
    EXPECT_TRUE(closed);
    EXPECT_FLOAT_EQ(view->WaveFile()->dBRange(), 45.0f);
}

TEST_F(ProgramTest, StartUpMakesTheSoundObjectsAndExitReleasesThem)
{
    ASSERT_TRUE(Main({}));
    ASSERT_NE(Mixer, nullptr);
    ASSERT_NE(Recorder, nullptr);
    ASSERT_NE(Player, nullptr);
    // A document that plays takes the player's lock through the hooks.
    ASSERT_TRUE(LockPlayerHook && UnlockPlayerHook && PlayerRateHook);
    EXPECT_EQ(LockPlayerHook(), 0);
    EXPECT_TRUE(Player->Busy());
    EXPECT_EQ(LockPlayerHook(), msg::BusyPlaying);
    UnlockPlayerHook();
    EXPECT_FALSE(Player->Busy());
    EXPECT_EQ(PlayerRateHook(), Player->PlayFreq());
    ExitVemra();
    EXPECT_EQ(Mixer, nullptr);
    EXPECT_EQ(Player, nullptr);
}

TEST_F(ProgramTest, ASecondInstanceShowsMessage1007AndEnds)
{
    QLockFile other(InstanceLockPath());
    other.setStaleLockTime(0);
    ASSERT_TRUE(other.tryLock(0));
    EXPECT_FALSE(Main({}));
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_EQ(scripted().messages[0].text, QStringLiteral("Vemra is already running!"));
    EXPECT_EQ(scripted().messages[0].title, QStringLiteral("Vemra"));
    EXPECT_EQ(scripted().messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(Options, nullptr); // nothing was created
    EXPECT_EQ(WaveCount(), 0);
    other.unlock();
    EXPECT_TRUE(AcquireInstanceLock());
}

TEST_F(ProgramTest, ExitWithMoreThanTwoWindowsAsksAndNoClosesNothing)
{
    ASSERT_TRUE(Main({}));
    std::vector<QPointer<QWidget>> windows;
    for (int i = 0; i < 3; ++i) {
        windows.emplace_back(new QWidget);
        windows.back()->show();
    }
    scripted().messages.clear();
    scripted().messageAnswers = {MsgResult::No};
    ExitVemra();
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_EQ(scripted().messages[0].text, QStringLiteral("Close all windows and exit?"));
    EXPECT_EQ(scripted().messages[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(scripted().messages[0].icon, MsgIcon::Question);
    flushDeletes();
    for (const auto& w : windows)
        EXPECT_TRUE(w && w->isVisible());
    EXPECT_EQ(WaveCount(), 1);
    EXPECT_NE(Options, nullptr);

    // The refusal cleared the guard: the next request asks again, and Yes closes everything.
    scripted().messageAnswers = {MsgResult::Yes};
    ExitVemra();
    EXPECT_EQ(scripted().messages.size(), 2u);
    flushDeletes();
    for (const auto& w : windows)
        EXPECT_TRUE(w.isNull());
    EXPECT_EQ(WaveCount(), 0);
    EXPECT_EQ(Options, nullptr);
}

TEST_F(ProgramTest, ACancelledSaveQuestionStopsTheExitAfterTheDocumentsBefore)
{
    ASSERT_TRUE(Main({}));
    const QString first = WaveAt(1)->Key();
    // The next two documents get windows; the first of them (the second document) refuses to close.
    int made = 0;
    clsWave::setViewerFactory([&](clsWave&) -> WaveViewer* { return new ScriptedViewer(made++ != 0); });
    const QString second = NewWave();
    const QString third = NewWave();
    ExitVemra();
    EXPECT_EQ(FindWaveByKey(first), 0);
    EXPECT_EQ(FindWaveByKey(second), 1);
    EXPECT_EQ(FindWaveByKey(third), 2);
    EXPECT_NE(Options, nullptr); // the program goes on
}

TEST_F(ProgramTest, AnOpenChildWindowRefusesTheExitSilently)
{
    ASSERT_TRUE(Main({}));
    QWidget child;
    WaveAt(1)->setChildWindow(&child);
    ExitVemra();
    EXPECT_EQ(WaveCount(), 1);
    EXPECT_TRUE(scripted().messages.empty());
    WaveAt(1)->setChildWindow(nullptr);
}

TEST_F(ProgramTest, GarbageInTheSettingsFileStillStarts)
{
    ReloadSettings();
    const QString path = SettingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[Setup]\nSampleFrequency=abc\nTemperature=,,,\n\x01\x02garbage\n[MRUfiles\n0=\"unterminated\n"
                "[General]\nWindowState=99999999\n");
    }
    ReloadSettings();
    ASSERT_TRUE(Main({}));
    ASSERT_NE(Options, nullptr);
    EXPECT_EQ(Options->SampleFrequency(), 48000);
    EXPECT_EQ(Options->Temperature(), 20.0f);
    EXPECT_EQ(ViewWindowState, 0);
    EXPECT_EQ(WaveCount(), 1);
    QFile::remove(path);
    ReloadSettings();
}

TEST_F(ProgramTest, AnUnwritableSettingsFolderStillStarts)
{
    ReloadSettings();
    const QString folder = QFileInfo(SettingsFilePath()).absolutePath();
    const QString aside = folder + QStringLiteral(".aside");
    QDir().rename(folder, aside);
    {
        QFile blocker(folder);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    ReloadSettings();
    EXPECT_TRUE(Main({}));
    EXPECT_NE(Options, nullptr);
    EXPECT_EQ(WaveCount(), 1);
    EXPECT_TRUE(scripted().messages.empty());
    ExitVemra();
    EXPECT_EQ(Options, nullptr);
    QFile::remove(folder);
    QDir().rename(aside, folder);
    ReloadSettings();
}

TEST_F(ProgramTest, TheMeasurementWindowBesideTheLastDocumentWindowMakesTheExitAsk)
{
    startOnTheVirtualCard();
    frmView* view = documentWindow(1);
    view->menuItem(QStringLiteral("mnFileMeasure"))->trigger();
    ASSERT_TRUE(frmMeasure::loaded());
    scripted().messages.clear();

    // The document window's close box: the document goes, then the exit asks, and No keeps the measurement.
    scripted().messageAnswers = {MsgResult::No};
    view->close();
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_EQ(scripted().messages[0].text, QStringLiteral("Close all windows and exit?"));
    EXPECT_EQ(WaveCount(), 0);
    ASSERT_TRUE(frmMeasure::loaded());
    EXPECT_TRUE(frmMeasure::instance()->isVisible());
    EXPECT_NE(Options, nullptr);

    // Closing the measurement window, now the only one, ends the program without a question.
    flushDeletes();
    frmMeasure::instance()->close();
    EXPECT_EQ(scripted().messages.size(), 1u);
    EXPECT_EQ(Options, nullptr);
}

TEST_F(ProgramTest, FileExitWithTheMeasurementWindowOpenAsks)
{
    startOnTheVirtualCard();
    documentWindow(1)->menuItem(QStringLiteral("mnFileMeasure"))->trigger();
    scripted().messages.clear();
    scripted().messageAnswers = {MsgResult::No};
    ExitVemra();
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_EQ(WaveCount(), 1);
    EXPECT_TRUE(frmMeasure::loaded());
}

TEST_F(ProgramTest, ExitStoresWhatEachOpenWindowStoresOnClose)
{
    startOnTheVirtualCard({decayFile()});
    frmView* view = documentWindow(1);
    ASSERT_TRUE(WaveAt(1)->Valid());
    view->menuItem(QStringLiteral("mnViewWaterfall"))->trigger();
    view->menuItem(QStringLiteral("mnParIso"))->trigger();
    view->menuItem(QStringLiteral("mnFileMeasure"))->trigger();
    frmParameters* graph = OpenParameterGraph(QString());
    graph->setCurrentParam(5);
    // Nothing of theirs stored before the exit (an earlier test may have closed a measurement window).
    for (const char* section : {"Graph", "Waterfall", "Measurement"})
        DeleteSetting(QString::fromLatin1(section));

    scripted().messageAnswers = {MsgResult::Yes};
    ExitVemra();
    ASSERT_EQ(Options, nullptr);
    flushDeletes();

    // What the file holds once the program has gone.
    const QSettings stored(SettingsFilePath(), QSettings::IniFormat);
    EXPECT_EQ(stored.value(QStringLiteral("Graph/Param")).toString(), QStringLiteral("5"));
    for (const char* key : {"Waterfall/Type", "Waterfall/Slices", "Measurement/Receiver", "Measurement/Stimulus"})
        EXPECT_TRUE(stored.contains(QString::fromLatin1(key))) << key;
}

namespace {

class ExitNotSaved : public ProgramTest, public ::testing::WithParamInterface<test::SettingsFault> {};

} // namespace

TEST_P(ExitNotSaved, TheExitTellsOnceThatTheSettingsAreLostAndKeepsTheEarlierFile)
{
    startOnTheVirtualCard({decayFile()});
    frmView* view = documentWindow(1);
    // Three windows besides the document's, each storing its settings as it closes, and a recent file.
    view->menuItem(QStringLiteral("mnViewWaterfall"))->trigger();
    view->menuItem(QStringLiteral("mnFileMeasure"))->trigger();
    OpenParameterGraph(QString())->setCurrentParam(7);
    for (const char* section : {"Graph", "Waterfall", "Measurement"})
        DeleteSetting(QString::fromLatin1(section));
    {
        const test::UnwritableSettings fault(GetParam());
        MRUlist->setMRUfile(QStringLiteral("/rooms/hall.wav"));
        scripted().clear();
        scripted().messageAnswers = {MsgResult::Yes};
        ExitVemra();
        ASSERT_EQ(Options, nullptr) << "the program ends all the same";
        EXPECT_EQ(test::SettingsNotSavedMessages(scripted().messages), 1);
        EXPECT_EQ(fault.now(), fault.before());
    }
    flushDeletes();
}

TEST_F(ProgramTest, AnExitThatSavesTellsNothing)
{
    startOnTheVirtualCard();
    MRUlist->setMRUfile(QStringLiteral("/rooms/hall.wav"));
    scripted().clear();
    ExitVemra();
    ASSERT_EQ(Options, nullptr);
    EXPECT_EQ(test::SettingsNotSavedMessages(scripted().messages), 0);
    EXPECT_TRUE(test::FileBytes(SettingsFilePath()).contains("0=/rooms/hall.wav\n"));
}

INSTANTIATE_TEST_SUITE_P(Faults, ExitNotSaved,
                         ::testing::Values(test::SettingsFault::ReadOnlyFolder, test::SettingsFault::FullDisk));
