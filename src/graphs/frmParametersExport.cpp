// The parameter graph window's outputs: the table file (File > Save), the printed graph and the graph on the
// clipboard.
#include "graphs/frmParameters.h"

#include "core/BandsAndParameters.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/Print.h"
#include "core/UiServices.h"
#include "core/VemraError.h"
#include "core/clsOptions.h"
#include "document/clsParams.h"
#include "graphs/HLGraph.h"
#include "graphs/ParameterTable.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QSaveFile>

namespace vemra {

void frmParameters::mnFileSave_Click()
{
    const QPointer<frmParameters> self(this);
    guarded("frmParameters::FileSave", [&] {
        const int p = currentParam_;
        if (FileCount() < 1 || p == -1)
            return;
        // The table holds the statistics: a gathering that has not finished for this parameter and band width
        // runs now, with its progress; cancelling it writes nothing.
        if (!stats_.done(p, ScaleIndex())) {
            UpdateGraph();
            if (!self)
                return;
            DrawGraph();
            if (!stats_.done(p, ScaleIndex()))
                return;
        }
        FileDialogRequest request;
        request.parent = this;
        request.caption = QStringLiteral("Save As");
        const QString folder = Options ? Options->DataDir() : QDir::homePath();
        request.directory = QDir(folder).filePath(QStringLiteral("Untitled-") + ParameterShortName(p) +
                                                  QStringLiteral(".txt"));
        request.filter = QStringLiteral("Text files (*.txt)");
        request.selectedFilter = request.filter;
        request.defaultSuffix = QStringLiteral("txt");
        const FileDialogResult chosen = UiServices::get().saveFileName(request);
        if (chosen.cancelled() || !self)
            return;
        if (Options)
            Options->setDataDir(QFileInfo(chosen.fileName).absolutePath());
        SaveTable(chosen.fileName);
    });
}

bool frmParameters::SaveTable(const QString& fileName)
{
    return guarded("SaveTable", false, [&] {
        const int p = currentParam_;
        if (!computed_ || FileCount() < 1 || p == -1 || !stats_.done(p, ScaleIndex()))
            return false;
        graphs::TableInput input;
        input.parameter = p;
        input.octaves = octaves_;
        std::tie(input.firstBand, input.lastBand) = DisplayedBands();
        for (int i = 0; i < FileCount(); ++i)
            input.fileNames << FileName(i);
        input.hasTwoChannels = hasTwoChannels_;
        input.statistics = &stats_;
        input.value = [&](int f, int ch, int b) -> std::optional<float> {
            clsParams& c = *files_[std::size_t(f)];
            if (c.Valid(p, ch, b))
                return c.Value(p, ch, b);
            return std::nullopt;
        };
        const QByteArray text = graphs::ParameterTableText(input).toUtf8();
        // Written beside the target and renamed over it: a failed save leaves the previous file as it was.
        QSaveFile file(fileName);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
            throw VemraError::pathFileAccess(
                QStringLiteral("Path/File access error: %1 (%2)").arg(fileName, file.errorString()));
        return true;
    });
}

bool frmParameters::hasGraphToShow(const QString& what)
{
    if (graph_->ShowsValues())
        return true;
    TellNothingTo(this, what, QStringLiteral("the graph shows no values"));
    return false;
}

void frmParameters::mnFilePrint_Click()
{
    guarded("frmParameters::FilePrint", [&] {
        if (!hasGraphToShow(QStringLiteral("print")))
            return;
        if (!ChoosePrinter(this))
            return;
        if (!graph_->PrintPicture(CurrentPrinter()))
            throw VemraError::printerError(QStringLiteral("Printer error: the printer could not be started"));
    });
}

void frmParameters::mnFileCopy_Click()
{
    if (hasGraphToShow(QStringLiteral("copy")))
        graph_->ClipSavePicture();
}

} // namespace vemra
