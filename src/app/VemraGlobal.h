#pragma once
// The program's start-up and exit. The program-wide state they set up lives in core/Globals.h, so that every
// layer can read it; the hooks through which lower layers reach the exit and the mixer are in core/ProgramHooks.h.
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace vemra {

// Starts the program with its command-line arguments (without the program name). False when the program must
// end at once (another instance runs: msg::AlreadyRunning was shown).
bool Main(const QStringList& arguments);
// Closes every document and ends the program; may return without ending (a document's child window is open, the
// user declined msg::ConfirmExit, or a document's save question was cancelled).
void ExitVemra();

// The command line: the switches "/DEBUG", "/LONG" and "/FEATURE" are whole arguments in any letter case, each
// taken at its first occurrence; the first other argument, trimmed and stripped of one leading and one trailing
// double quote, is the file to open.
struct CommandLine {
    bool debug = false;
    bool longSignals = false;
    bool feature = false;
    QString fileName;
};
CommandLine ParseCommandLine(const QStringList& arguments);

// The decimal-symbol test: 1 written as "0.00" in the user's format to "General", "DPTest" and read back by the
// same rules. False (and msg::DecimalSymbolConflict shown by start-up) when it does not come back as 1.
bool DecimalSymbolTest();

// The single-instance lock in the user's runtime folder. Acquire is false while another process holds it; the
// program holds it from start-up to exit.
QString InstanceLockPath();
bool AcquireInstanceLock();
void ReleaseInstanceLock();

// Windows of the program that are loaded, hidden ones included (menus, tool tips and other pop-ups do not count).
std::vector<QPointer<QWidget>> LoadedWindows();
int LoadedWindowCount();
// Whether the exit asks msg::ConfirmExit first: more than one window of the program is loaded, the splash and the
// help window aside.
bool ExitNeedsConfirmation();

} // namespace vemra
