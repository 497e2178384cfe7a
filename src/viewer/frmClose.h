#pragma once
// frmClose, the close-after-save prompt: asked after a new recording was saved with Save As while the close mode
// is Ask. "&Yes" stores the mode chosen with the option buttons for later saves and closes this file
// (CloseAfterSave true); "&No" keeps this file open (CloseAfterSave false) and stores nothing.
// Modal; shown by the document window's Save As. Calling thread: the user-interface thread.
#include <QDialog>

#include <array>

class QLabel;
class QPushButton;
class QRadioButton;

namespace vemra {

class frmClose : public QDialog {
    Q_OBJECT

public:
    explicit frmClose(QWidget* parent = nullptr);

    QRadioButton* optClose(int index) const { return optClose_[std::size_t(index)]; }
    QPushButton* cmdYes() const { return cmdYes_; }
    QPushButton* cmdNo() const { return cmdNo_; }
    QPushButton* cmdHelp() const { return cmdHelp_; }

    static constexpr int HelpContext = 12;

private:
    void Form_Load();
    void cmdYes_Click();
    void cmdNo_Click();
    void cmdHelp_Click();

    QLabel* lblPrompt_ = nullptr;
    std::array<QRadioButton*, 3> optClose_{};
    QPushButton* cmdYes_ = nullptr;
    QPushButton* cmdNo_ = nullptr;
    QPushButton* cmdHelp_ = nullptr;
};

} // namespace vemra
