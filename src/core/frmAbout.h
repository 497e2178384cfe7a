#pragma once
// The About box of the Help menu: product picture, version ("VEMRA <major>.<minor>"), build ("build <revision>")
// and OK. One shared instance, created on first use; OK unloads it.
#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;

namespace vemra {

class frmAbout final : public QDialog {
    Q_OBJECT
public:
    static frmAbout* instance();
    // Shows the shared About box modal over `parent`.
    static void ShowModal(QWidget* parent);

private:
    explicit frmAbout(QWidget* parent = nullptr);
    void cmdOK_Click();

    QLabel* picture = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblBuild = nullptr;
    QPushButton* cmdOK = nullptr;
};

} // namespace vemra
