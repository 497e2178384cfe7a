#include "app/VemraGlobal.h"

#include "core/NativePath.h"
#include "library/Messages.h"
#include "library/api_files.h"

#include "audio/AudioGlobals.h"
#include "audio/clsPlayer.h"
#include "calibration/frmCalCard.h"

#include "core/DialogKeys.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/HelpWindow.h"
#include "core/MessageTexts.h"
#include "core/ProgramHooks.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "core/clsMRUlist.h"
#include "core/clsOptions.h"
#include "core/frmStartup.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "viewer/frmView.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QWidget>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace vemra {
namespace {

// Re-entry guard of ExitVemra: a message box or save question inside it runs the event loop.
bool Exiting = false;

std::unique_ptr<QLockFile>& instanceLock()
{
    static std::unique_ptr<QLockFile> lock;
    return lock;
}

bool isSwitch(const QString& argument, const char* name)
{
    return argument.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

QString stripQuotes(QString name)
{
    name = name.trimmed();
    if (name.startsWith(QLatin1Char('"')))
        name.remove(0, 1);
    if (name.endsWith(QLatin1Char('"')))
        name.chop(1);
    return name;
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    bool haveFile = false;
    for (const QString& argument : arguments) {
        if (!line.debug && isSwitch(argument, "/DEBUG"))
            line.debug = true;
        else if (!line.longSignals && isSwitch(argument, "/LONG"))
            line.longSignals = true;
        else if (!line.feature && isSwitch(argument, "/FEATURE"))
            line.feature = true;
        else if (!haveFile) {
            line.fileName = stripQuotes(argument);
            haveFile = !line.fileName.isEmpty();
        }
    }
    return line;
}

bool DecimalSymbolTest()
{
    const QLocale locale;
    SaveSetting(QStringLiteral("General"), QStringLiteral("DPTest"), locale.toString(1.0, 'f', 2));
    const QString back = GetSetting(QStringLiteral("General"), QStringLiteral("DPTest"), QStringLiteral("0"));
    bool ok = false;
    const double value = locale.toDouble(back, &ok);
    return ok && std::nearbyint(value) == 1.0;
}

QString InstanceLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/vemra.lock");
}

bool AcquireInstanceLock()
{
    auto& lock = instanceLock();
    if (lock && lock->isLocked())
        return true;
    lock = std::make_unique<QLockFile>(InstanceLockPath());
    // Only a lock whose process is gone is stale: a program that has run for a while still counts.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return true;
    lock.reset();
    return false;
}

void ReleaseInstanceLock() { instanceLock().reset(); }

std::vector<QPointer<QWidget>> LoadedWindows()
{
    std::vector<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        switch (w->windowType()) {
        case Qt::Window:
        case Qt::Dialog:
        case Qt::Sheet:
        case Qt::Drawer:
        case Qt::Tool:
        case Qt::SplashScreen:
            windows.emplace_back(w);
            break;
        default:
            break;
        }
    }
    return windows;
}

int LoadedWindowCount() { return int(LoadedWindows().size()); }

bool ExitNeedsConfirmation()
{
    // One document window alone goes without a question. Anything loaded beside it asks: another document, a
    // table, a graph, the measurement or a calibration window, also the measurement window beside the document
    // window whose close box is ending the program. The splash closes by itself and the help window is a viewer
    // of its own; neither is a window the user is asked to give up.
    int count = 0;
    for (const QPointer<QWidget>& w : LoadedWindows())
        if (w->windowType() != Qt::SplashScreen && !qobject_cast<HelpWindow*>(w.data()))
            ++count;
    return count > 1;
}

bool Main(const QStringList& arguments)
{
    if (!AcquireInstanceLock()) {
        MessageRequest r;
        r.text = MessageText(msg::AlreadyRunning);
        r.title = QStringLiteral("Vemra");
        r.icon = MsgIcon::Information;
        r.buttons = MsgButtons::OK;
        UiServices::get().messageBox(r);
        return false;
    }
    guarded("Main", [&] {
        // The upper layers' hooks, before anything can use them.
        InstallHelpHandler();
        InstallDialogKeys();
        InstallSettingsNotSavedMessage();
        ExitProgramHook = [] { ExitVemra(); };
        CreateMixerHook = [] { CreateMixer(); };
        ReleaseMixerHook = [] { ReleaseMixer(); };
        CalibrateSoundCardHook = [] { frmCalCard::ShowModal(); };
        LockPlayerHook = [] { return Player ? Player->LockPlayer() : std::int16_t(0); };
        UnlockPlayerHook = [] {
            if (Player)
                Player->UnlockPlayer();
        };
        PlayerRateHook = [] { return Player ? Player->PlayFreq() : Options ? Options->SampleFrequency() : 48000; };
        InstallDocumentWindows();
        // Writable program data (calibration files, the time-file template) lives in the user's data folder.
        SetDataFolder(NativePath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));

        Options = new clsOptions;
        ViewWindowState = std::int16_t(
            ReadInteger(QStringLiteral("General"), QStringLiteral("WindowState"), INT16_MIN, INT16_MAX).value_or(0));
        MRUlist = new clsMRUlist;

        const CommandLine line = ParseCommandLine(arguments);
        DebugMode = line.debug;
        LongSignals = line.longSignals;
        FeatureMode = line.feature;

        frmStartup* splash = frmStartup::instance();
        splash->show();
        splash->raise();
        QCoreApplication::processEvents();

        HelpFile = HelpFolder();
        if (!DecimalSymbolTest())
            HandleError(msg::DecimalSymbolConflict);

        // The current folder stays where the user started the program: every path is resolved explicitly.
        if (CreateMixerHook)
            CreateMixerHook();

        clsWave* wave = WaveByKey(NewWave());
        if (wave && !line.fileName.isEmpty())
            wave->setFileName(line.fileName);
        if (wave)
            wave->Show();
        if (frmStartup::loaded())
            frmStartup::instance()->raise();
    });
    return true;
}

void ExitVemra()
{
    for (clsWave* wave : WavesSnapshot())
        if (wave->ChildActive())
            return;
    if (Exiting)
        return;
    Exiting = true;
    // Whatever way out this takes (declined, cancelled, failed), a later exit request must be able to run.
    struct ClearExiting {
        ~ClearExiting() { Exiting = false; }
    } clearExiting;

    guarded("ExitVemra", [&] {
        if (ExitNeedsConfirmation()) {
            MessageRequest r;
            r.text = MessageText(msg::ConfirmExit);
            r.title = QStringLiteral("Vemra");
            r.icon = MsgIcon::Question;
            r.buttons = MsgButtons::YesNo;
            if (UiServices::get().messageBox(r) == MsgResult::No)
                return;
        }

        // What the documents, the windows, the mixer and the recent-files list store is one save: the user hears
        // once if the file cannot take it.
        std::optional<SettingsSaveEvent> save;
        save.emplace();

        // Each document removes itself from the collection, so walk a copy; one that went away meanwhile is
        // skipped.
        std::vector<QPointer<clsWave>> documents;
        for (clsWave* wave : WavesSnapshot())
            documents.emplace_back(wave);
        for (const QPointer<clsWave>& wave : documents) {
            if (!wave || FindWaveByKey(wave->Key()) == 0)
                continue;
            if (!wave->QuitFile())
                return;
            wave->Die();
        }

        // Every window leaves through its own close path, as when the user closes it, so that it stores what it
        // keeps (a graph its parameter, a waterfall its settings, the measurement window its choices). One that
        // refuses because its loop still runs has been told to stop; it goes all the same.
        for (const QPointer<QWidget>& w : LoadedWindows()) {
            if (w)
                w->close();
            if (w) {
                w->hide();
                w->deleteLater();
            }
        }

        if (ReleaseMixerHook)
            ReleaseMixerHook();
        delete Options;
        Options = nullptr;
        delete MRUlist; // writes the list
        MRUlist = nullptr;
        FlushSettings();
        save.reset(); // the message, if any, before the program ends: a box after quit() would not show
        ReleaseInstanceLock();
        QCoreApplication::quit();
    });
}

} // namespace vemra
