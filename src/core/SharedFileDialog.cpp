#include "core/SharedFileDialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>

namespace vemra {
namespace {

QPointer<QFileDialog>& dialogHolder()
{
    static QPointer<QFileDialog> dialog;
    return dialog;
}

// What the user chose last time is no choice of this request: the files selected in the lists (typed names would
// be added to them, or toggle them off) and the name typed or proposed, which selectFile() with no name leaves.
void forgetLastChoice(QFileDialog& dialog)
{
    for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>())
        view->clearSelection();
    if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->clear();
}

// The folder the dialog starts in and the file it proposes: a folder, or a file's folder and name (empty: the
// folder the dialog was in last).
void startAt(QFileDialog& dialog, const QString& directory)
{
    const QFileInfo info(directory);
    if (directory.isEmpty() || info.isDir()) {
        if (!directory.isEmpty())
            dialog.setDirectory(directory);
        return;
    }
    dialog.setDirectory(info.absolutePath());
    dialog.selectFile(info.fileName());
}

} // namespace

QFileDialog* sharedFileDialog() { return dialogHolder().data(); }

FileDialogResult runSharedFileDialog(const FileDialogRequest& r, bool save)
{
    QPointer<QFileDialog>& dialog = dialogHolder();
    if (!dialog) {
        dialog = new QFileDialog;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, dialog, &QObject::deleteLater);
    }
    // Modal over the asking window while shown; parentless between requests, so that it outlives that window.
    const Qt::WindowFlags flags = dialog->windowFlags();
    dialog->setParent(r.parent, flags);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : r.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog->setWindowTitle(!r.caption.isEmpty() ? r.caption
                           : save               ? QFileDialog::tr("Save As")
                                                : QFileDialog::tr("Open"));
    dialog->setNameFilter(r.filter);
    if (!r.selectedFilter.isEmpty())
        dialog->selectNameFilter(r.selectedFilter);
    // Before the file: the suffix and the filter decide how a proposed name is shown.
    dialog->setDefaultSuffix(r.defaultSuffix);
    forgetLastChoice(*dialog);
    startAt(*dialog, r.directory);

    FileDialogResult result;
    result.selectedFilter = r.selectedFilter;
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
        result.fileNames = dialog->selectedFiles();
        if (save)
            result.fileNames = result.fileNames.mid(0, 1);
        result.fileName = result.fileNames.constFirst();
        result.selectedFilter = dialog->selectedNameFilter();
    }
    if (dialog) // the asking window may have gone while the dialog was shown, and the dialog with it
        dialog->setParent(nullptr, flags);
    return result;
}

} // namespace vemra
