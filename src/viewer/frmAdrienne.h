#pragma once
// frmAdrienne, "Adrienne": makes a reflection-index result out of a document's response and a free-field
// reference file (the library's Adrienne) and opens it as a new, unsaved document. Opened by the document's
// DisplayChild(7), which sets Key and waits until the window hides itself. The reference file and the distance
// are remembered for the rest of the run (LastAdrienneRef, LastAdrienneDist).
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vemra {

class frmAdrienne : public QDialog {
    Q_OBJECT

public:
    explicit frmAdrienne(QWidget* parent = nullptr);

    QString Key; // the document in Waves

    void Form_Load();
    void txtDist_LostFocus();
    void txtReference_LostFocus();
    void cmdReference_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();

    QLineEdit* txtReference() const { return txtReference_; }
    QLineEdit* txtDist() const { return txtDist_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }
    QPushButton* cmdReference() const { return cmdReference_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* txtReference_ = nullptr;
    QPushButton* cmdReference_ = nullptr;
    QLineEdit* txtDist_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdHelp_ = nullptr;
};

} // namespace vemra
