// The document window's Debug menu (shown with the "/DEBUG" switch): the help test, the test signals of the
// library, the Hadamard test, the inverse filter of a response and the document's debug processing.
#include "viewer/frmView.h"

#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/ProgramHooks.h"
#include "core/UiServices.h"
#include "core/clsOptions.h"
#include "library/api_filters.h"
#include "library/api_sound.h"
#include "library/files/TempFiles.h"
#include "viewer/BusyCursor.h"

#include <QDir>

namespace vemra {
namespace {

// Where the debug processing writes its file: the data folder (the program's own folder is read-only).
QString dataFolder()
{
    return QString::fromStdString(files::dataFolder());
}

// The rate the player plays at; the options' rate until the player exists.
std::int32_t playFrequency()
{
    if (PlayerRateHook)
        return PlayerRateHook();
    return Options ? Options->SampleFrequency() : 48000;
}

} // namespace

void frmView::connectDebugCommands()
{
    setCommand(QStringLiteral("mnDebugHelpTest"), [this] {
        const std::optional<QString> entry = UiServices::get().inputBox(
            this, QStringLiteral("Enter help topic ID:"), QStringLiteral("Help Test"), QStringLiteral("100"));
        // A cancelled or non-numeric entry asks for nothing.
        bool ok = false;
        const int id = entry ? entry->trimmed().toInt(&ok) : 0;
        if (ok && id >= -32768 && id <= 32767)
            HandleError(id);
    });
    setCommand(QStringLiteral("mnDebugWritePRNs"), [] {
        const BusyCursor busy;
        if (const VResult r = WriteMLS(); r != Ok)
            HandleError(r);
    });
    setCommand(QStringLiteral("mnDebugWriteSweeps"), [] {
        const BusyCursor busy;
        if (const VResult r = WriteSweep(playFrequency()); r != Ok)
            HandleError(r);
    });
    setCommand(QStringLiteral("mnDebugHadamard"), [] {
        const BusyCursor busy;
        if (const VResult r = TestHadamard(); r != Ok)
            HandleError(r);
    });
    setCommand(QStringLiteral("mnDebugInvert"), [this] { InvertResponse(); });
    setCommand(QStringLiteral("mnDebugProcess"), [this] {
        clsWave* wave = WaveFile();
        if (!wave || !wave->Valid())
            return;
        const BusyCursor busy;
        QDir().mkpath(dataFolder());
        wave->DebugProcess(QDir(dataFolder()).filePath(QStringLiteral("filtertest.wav")));
    });
}

void frmView::InvertResponse()
{
    FileDialogRequest request;
    request.parent = this;
    request.caption = QStringLiteral("Open");
    request.filter = QStringLiteral("Wave files (*.wav)");
    request.selectedFilter = request.filter;
    request.directory = Options ? Options->DataDir() : QString();
    // From the dialog on a failing step is passed over; a cancel ends the command quietly.
    QString chosen;
    passOver([&] { chosen = UiServices::get().openFileName(request).fileName; });
    if (chosen.isEmpty())
        return;
    passOver([&] {
        const BusyCursor busy;
        if (const VResult r = CreateInversFilter(chosen.toStdString()); r != Ok)
            HandleError(r);
    });
}

} // namespace vemra
