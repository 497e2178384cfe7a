#pragma once
// frmWaterProp, the "ETF Properties" dialog of a waterfall window: mode and type, FFT window and size, slices,
// CSD rise time and shift, range, smoothing, frequency range and axis, colours. It reads every value from its
// Parent when it is made and writes every value back through the parent's properties on OK; it stores nothing
// itself. The parent's Cancel stays true unless the dialog is left by OK.
// Text fields are checked when they lose the focus, and again by OK (Return presses OK without the focus
// leaving a field): an entry that is no number or lies outside its range shows the parent's value again.
//   txtSlices 1..1000, txtRange 1..120 (whole numbers, rounded half to even), txtRiseTime 0..100 ms ("0.00"),
//   txtShift 0..32767.
// Calling thread: the user-interface thread.
#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vemra {

class frmWaterfall;

class frmWaterProp : public QDialog {
    Q_OBJECT

public:
    explicit frmWaterProp(frmWaterfall* parent);

    QPointer<frmWaterfall> Parent;

    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
    // The band lists' click handlers (the user choosing an entry).
    void cmbMinX_Click();
    void cmbMaxX_Click();
    // Checks a text field as leaving it does.
    void checkField(QLineEdit* field);

    QRadioButton *optETF = nullptr, *optCSD = nullptr, *optWF = nullptr, *optSG = nullptr;
    QComboBox *cmbWindowType = nullptr, *cmbWindowSize = nullptr;
    QLineEdit *txtSlices = nullptr, *txtRiseTime = nullptr, *txtShift = nullptr, *txtRange = nullptr;
    QCheckBox* chkSmooth = nullptr;
    QRadioButton *optLin = nullptr, *optLog = nullptr;
    QComboBox *cmbMinX = nullptr, *cmbMaxX = nullptr;
    QRadioButton *optBlack = nullptr, *optWhite = nullptr, *optGrey = nullptr;
    QGroupBox* fraCSD = nullptr;
    QLabel* lblProperties[6] = {};
    QPushButton *cmdOK = nullptr, *cmdCancel = nullptr, *cmdHelp = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void Form_Load();
    void EnableCSD() { setCSDEnabled(true); }
    void DisableCSD() { setCSDEnabled(false); }
    void setCSDEnabled(bool enabled);
    // The parent's present value of a field, as the field shows it.
    QString parentText(const QLineEdit* field) const;
};

} // namespace vemra
