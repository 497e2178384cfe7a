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
#include "document/Waves.h"
#include "document/clsWave.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <set>

using namespace vemra;

namespace {

ScriptedUiServices& scripted() { return static_cast<ScriptedUiServices&>(UiServices::get()); }

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

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

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scripted().clear();
        ReleaseInstanceLock();
    }
    void TearDown() override
    {
        clsWave::setViewerFactory({});
        // Leave nothing behind for the next test: an orderly exit, answering Yes if asked.
        scripted().messageAnswers = {MsgResult::Yes};
        ExitVemra();
        for (clsWave* w : WavesSnapshot())
            w->Die();
        flushDeletes();
        delete Options;
        Options = nullptr;
        delete MRUlist;
        MRUlist = nullptr;
        ReleaseInstanceLock();
        scripted().clear();
        DebugMode = LongSignals = FeatureMode = false;
    }
};

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
