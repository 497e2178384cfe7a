// Import of recordings made elsewhere: the library turns a wave, MLSSA or text recording into a response file of
// ours, stamped with the window's measurement settings, and it opens as a measurement does.
#include "audio/frmMeasure.h"
#include "core/NativePath.h"

#include "audio/AudioGlobals.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/MessageTexts.h"
#include "core/UiServices.h"
#include "core/clsOptions.h"
#include "library/Codes.h"
#include "library/Messages.h"
#include "library/api_sound.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace vemra {

void frmMeasure::cmdImport_Click()
{
    if (busy_ || sequenceDepth_ > 0)
        return;
    cmdImport_->setEnabled(false);
    guarded("CmdImport", [&] {
        QString result;
        if (receiver_ != ReceiverOmniFig8Switched) {
            result = Import();
        } else {
            QString first = Import();
            if (first.isEmpty())
                return;
            MessageRequest r;
            r.text = MessageText(msg::SwitchTo8);
            r.title = QStringLiteral("Measure");
            r.buttons = MsgButtons::OKCancel;
            r.icon = MsgIcon::Question;
            r.parent = this;
            if (UiServices::get().messageBox(r) == MsgResult::Cancel) {
                deleteFile(first);
                return;
            }
            QString second = Import();
            if (second.isEmpty()) {
                deleteFile(first);
                return;
            }
            result = combinePasses(first, second);
            if (result.isEmpty())
                return;
        }
        if (!result.isEmpty())
            ShowRecording(result);
    });
    setImportAllowed();
}

QString frmMeasure::Import()
{
    QString result;
    guarded("Measure::Import", [&] {
        if (!Recorder || !Player)
            return;
        // Stamped as a measurement would be: no impulse start known, the options' temperature.
        MeasurementInfo info = Recorder->measurementInfo(stimulus_, receiver_);
        info.SourceFilter = filterCode();
        if (stimulus_ == StimulusExternalNoise || stimulus_ == StimulusExternalImpulse)
            info.AvgCount = 1;

        FileDialogRequest request;
        request.parent = this;
        request.directory = Options ? Options->DataDir() : QString();
        request.filter = QStringLiteral("Wave files (*.wav);;Mlssa files (*.tim);;Text files (*.txt);;All files (*)");
        request.selectedFilter = QStringLiteral("Wave files (*.wav)");
        const FileDialogResult chosen = UiServices::get().openFileName(request);
        if (chosen.cancelled())
            return;
        if (Options)
            Options->setDataDir(QFileInfo(chosen.fileName).absolutePath());
        lblStatus_->setText(QStringLiteral("Processing..."));
        setCursor(Qt::WaitCursor);
        std::string buffer;
        const std::int16_t rc = ImportRecording(NativePath(chosen.fileName), buffer, Player->Length(), info,
                                                filterCode());
        unsetCursor();
        lblStatus_->setText(QStringLiteral("Ready"));
        if (rc != 0)
            HandleError(rc);
        else
            result = QString::fromStdString(buffer);
    });
    unsetCursor();
    return result;
}

} // namespace vemra
