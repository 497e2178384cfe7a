// The standard Save dialog with a default suffix: the suffix is added before the overwrite question, so a name
// typed without extension never replaces an existing file unasked.
#include "core/UiServices.h"
#include "support/private_dirs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vemra;

TEST(SaveDialog, TheDefaultSuffixIsAddedBeforeTheOverwriteQuestion)
{
    const QString dir = QString::fromStdString(test::privateRoot()) + "/save dialog";
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    FileDialogRequest request;
    request.caption = "Save As";
    request.directory = dir;
    request.filter = "Wave files (*.wav);;All files (*)";
    request.selectedFilter = "Wave files (*.wav)";
    request.defaultSuffix = "wav";

    // Each tick answers the modal window on top: the dialog gets the name typed without extension and OK; the
    // overwrite question (if any) is answered No, after which the dialog is cancelled.
    int questions = 0;
    bool typed = false;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            ++questions;
            box->button(QMessageBox::No)->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            // Queued: the overwrite question runs its own loop, and a timer is not served while its slot runs.
            if (!typed) {
                typed = true;
                dialog->selectFile("copy");
                QMetaObject::invokeMethod(
                    dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); }, Qt::QueuedConnection);
            } else {
                QMetaObject::invokeMethod(dialog, [dialog] { dialog->reject(); }, Qt::QueuedConnection);
            }
        }
    });
    timer.start();

    QtUiServices qt;
    FileDialogResult r = qt.saveFileName(request);
    EXPECT_EQ(r.fileName, QDir(dir).filePath("copy.wav"));
    EXPECT_EQ(questions, 0);

    QFile existing(QDir(dir).filePath("copy.wav"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    typed = false;
    r = qt.saveFileName(request);
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(r.cancelled());
}
