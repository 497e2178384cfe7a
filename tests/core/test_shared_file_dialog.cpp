// The one file dialog of the session: opening file after file must not make a new Qt dialog each time (each one's
// icons stay in Qt's pixmap cache), and nothing of one request may carry over into the next.
#include "core/SharedFileDialog.h"
#include "core/UiServices.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

using namespace vemra;

namespace {

// What the dialog showed while it was open.
struct Shown {
    QFileDialog* dialog = nullptr;
    QWidget* parent = nullptr;
    QString title, nameField, directory, selectedFilter, defaultSuffix;
    QStringList filters;
    QFileDialog::AcceptMode acceptMode{};
    QFileDialog::FileMode fileMode{};
};

// Runs a request through the real Qt services; once the dialog shows, records it and lets `answer` close it (asked
// again until it says it has).
Shown showAndAnswer(const FileDialogRequest& r, bool save, FileDialogResult& result,
                    const std::function<bool(QFileDialog&)>& answer)
{
    Shown shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible())
            return;
        if (shown.dialog) {
            if (answer(*d))
                poll.stop();
            return;
        }
        shown.dialog = d;
        shown.parent = d->parentWidget();
        shown.title = d->windowTitle();
        if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            shown.nameField = name->text();
        shown.directory = QDir(d->directory()).absolutePath();
        shown.filters = d->nameFilters();
        shown.selectedFilter = d->selectedNameFilter();
        shown.defaultSuffix = d->defaultSuffix();
        shown.acceptMode = d->acceptMode();
        shown.fileMode = d->fileMode();
        if (answer(*d))
            poll.stop();
    });
    poll.start(5);
    QtUiServices services;
    result = save ? services.saveFileName(r) : services.openFileName(r);
    return shown;
}

} // namespace

TEST(SharedFileDialog, EachRequestShowsItsOwnDialogStateInTheSameDialog)
{
    QTemporaryDir saveDir, openDir;
    ASSERT_TRUE(saveDir.isValid() && openDir.isValid());
    for (const char* name : {"one.wav", "two.wav"}) {
        QFile f(openDir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto window = std::make_unique<QWidget>();
    window->show();

    // A save, proposing a name in its folder, then cancelled.
    FileDialogRequest save;
    save.parent = window.get();
    save.caption = QStringLiteral("Save Table As");
    save.directory = saveDir.filePath(QStringLiteral("table.txt"));
    save.filter = QStringLiteral("Text (*.txt);;All files (*)");
    save.selectedFilter = QStringLiteral("All files (*)");
    save.defaultSuffix = QStringLiteral("txt");
    FileDialogResult saved;
    const Shown first = showAndAnswer(save, true, saved, [](QFileDialog& d) {
        d.reject();
        return true;
    });
    ASSERT_NE(first.dialog, nullptr);
    EXPECT_EQ(first.parent, window.get()); // modal over the asking window
    EXPECT_EQ(first.title, save.caption);
    EXPECT_EQ(first.acceptMode, QFileDialog::AcceptSave);
    EXPECT_EQ(first.nameField, QStringLiteral("table.txt"));
    EXPECT_EQ(first.directory, QDir(saveDir.path()).absolutePath());
    EXPECT_EQ(first.selectedFilter, save.selectedFilter);
    EXPECT_EQ(first.defaultSuffix, save.defaultSuffix);
    EXPECT_TRUE(saved.cancelled());
    EXPECT_EQ(first.dialog->parentWidget(), nullptr); // between requests it belongs to no window

    // The asking window goes; the next request, from another window, opens two files in another folder.
    window.reset();
    auto other = std::make_unique<QWidget>();
    other->show();
    FileDialogRequest open;
    open.parent = other.get();
    open.caption = QStringLiteral("Select Files");
    open.directory = openDir.path();
    open.filter = QStringLiteral("Wave files (*.wav)");
    open.multiple = true;
    // Once the folder is listed (on a thread of the dialog's own), the names chosen in its list as a user
    // Ctrl+clicks them, then the Open button's own check of them.
    auto choose = [](QStringList names) {
        return [names](QFileDialog& d) {
            const auto* model = d.findChild<QFileSystemModel*>();
            if (!model || model->rowCount(model->index(model->rootPath())) < 2)
                return false;
            auto* list = d.findChild<QListView*>(QStringLiteral("listView"));
            for (const QString& name : names)
                list->selectionModel()->select(model->index(QDir(model->rootPath()).filePath(name)),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
            static_cast<QDialog&>(d).accept();
            return true;
        };
    };
    FileDialogResult opened;
    const Shown second =
        showAndAnswer(open, false, opened, choose({QStringLiteral("one.wav"), QStringLiteral("two.wav")}));
    EXPECT_EQ(second.dialog, first.dialog); // the same dialog: its icons are already in the pixmap cache
    EXPECT_EQ(second.parent, other.get());
    EXPECT_EQ(second.title, open.caption);
    EXPECT_EQ(second.acceptMode, QFileDialog::AcceptOpen);
    EXPECT_EQ(second.fileMode, QFileDialog::ExistingFiles);
    EXPECT_EQ(second.nameField, QString()); // the save's name is not proposed again
    EXPECT_EQ(second.directory, QDir(openDir.path()).absolutePath());
    EXPECT_EQ(second.filters, QStringList{open.filter});
    EXPECT_EQ(second.defaultSuffix, QString());
    ASSERT_EQ(opened.fileNames.size(), 2);
    EXPECT_EQ(opened.fileName, QDir(openDir.path()).absoluteFilePath(QStringLiteral("one.wav")));
    EXPECT_EQ(opened.selectedFilter, open.filter);

    // Once more, one of them: what was chosen last time is no part of this time's choice.
    FileDialogResult again;
    showAndAnswer(open, false, again, choose({QStringLiteral("two.wav")}));
    EXPECT_EQ(again.fileNames, QStringList{QDir(openDir.path()).absoluteFilePath(QStringLiteral("two.wav"))});

    // One file at a time when the request does not allow more.
    open.multiple = false;
    const Shown third = showAndAnswer(open, false, opened, [](QFileDialog& d) {
        d.reject();
        return true;
    });
    EXPECT_EQ(third.fileMode, QFileDialog::ExistingFile);
    EXPECT_TRUE(opened.cancelled());
}
