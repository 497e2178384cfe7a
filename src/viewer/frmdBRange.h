#pragma once
// frmdBRange, the dB range dialog: the depth of the dB views in whole dB, 2 to 150. A value outside that range is
// refused with a beep and the text selected; Enter accepts a valid value and closes; Cancel or Esc closes with
// the range as it came in.
#include <QDialog>
#include <cstdint>

class QLineEdit;
class QPushButton;

namespace vemra {

class frmdBRange : public QDialog {
    Q_OBJECT

public:
    explicit frmdBRange(QWidget* parent = nullptr);

    std::int16_t dBRange = 60; // in and out

    QLineEdit* txtRange() const { return txtRange_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The text as a whole number of dB when it is one from 2 to 150 (the text is then rewritten plainly);
    // otherwise beeps, selects the text and gives nothing.
    bool txtRange_Validate();
    void cmdOK_Click();

    QLineEdit* txtRange_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

} // namespace vemra
