#pragma once
// frmFileSelect, the modal "Select Files" dialog of a parameter graph window: it lists the window's files, adds
// files chosen in an open-file dialog (several at a time; a path already listed, compared exactly, is not added
// again) and removes the selected ones. Process replaces the window's set with the list, in list order; Cancel
// and the close box leave it as it was. The dialog keeps its own list, so nothing reaches the window before
// Process, and a close request during Process is refused.
// Calling thread: the user-interface thread.
#include <QDialog>
#include <QPointer>

class QListWidget;
class QPushButton;

namespace vemra {

class frmParameters;

class frmFileSelect : public QDialog {
    Q_OBJECT

public:
    explicit frmFileSelect(QWidget* parent = nullptr);

    // The window whose files are edited; set before the dialog is shown.
    QPointer<frmParameters> ParentForm;

    void AddFile();
    void FileSelectOK();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FileSelectLoad();
    void AddToList(const QString& path);
    void UpdateButtons();
    void removeSelected();
    void updateRemove();

    bool loaded_ = false;
    QListWidget* lstFiles_;
    QPushButton* cmdAdd_;
    QPushButton* cmdRemove_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
    QPushButton* cmdHelp_;
};

} // namespace vemra
