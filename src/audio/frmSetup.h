#pragma once
// frmSetup, the modal "Options" dialog of the measurement settings: temperature, minimum source-receiver distance,
// probe separation and system delay; closing files on save; reusing result windows; the sample rate; and whether a
// stored sound-card calibration is used, and which. OK stores the values in the options; when the calibration is
// involved it closes the measurement window and has the mixer load the calibration (which then sets the rate).
//
// Each text box is checked when the focus leaves it: a number within its range is rewritten in the box's format
// and enables OK; anything else puts the stored value back, disables OK and beeps. While the dialog is open a
// change of the options from elsewhere refills it (not while OK writes them).
// Calling thread: the user-interface thread.
#include "core/clsOptions.h"

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vemra {

class frmSetup final : public QDialog {
    Q_OBJECT
public:
    explicit frmSetup(QWidget* parent = nullptr);

    void FillControls();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
    void chkUseCal_Click();
    // A rate option clicked by the user (index 0..3: 22050, 44100, 48000, 96000 Hz).
    void optFs_Click(int index);

    QLineEdit* txtTemperature() const { return txtTemperature_; }
    QLineEdit* txtDist() const { return txtDist_; }
    QLineEdit* txtProbe() const { return txtProbe_; }
    QLineEdit* txtDelay() const { return txtDelay_; }
    QRadioButton* optClose(int index) const { return optClose_[std::size_t(index)]; }
    QRadioButton* optFs(int index) const { return optFs_[std::size_t(index)]; }
    QCheckBox* chkReuse() const { return chkReuse_; }
    QCheckBox* chkUseCal() const { return chkUseCal_; }
    QComboBox* cmbCalibration() const { return cmbCalibration_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }


protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One text box of the family: the option it shows, its format, the numbers it takes and where Enter goes.
    struct Box {
        QLineEdit* edit = nullptr;
        float (clsOptions::*get)() const = nullptr;
        QString pattern; // as FormatNumber takes it
        clsOptions::Range range{};
        QPushButton* enterGoesTo = nullptr;
    };
    const Box* boxOf(const QObject* widget) const;
    // Checks a text box as leaving it does: true when its text was taken.
    bool Validate(const Box& box);
    QString stored(const Box& box) const;
    void mOptions_SettingChanged();

    QLineEdit* txtTemperature_ = nullptr;
    QLineEdit* txtDist_ = nullptr;
    QLineEdit* txtProbe_ = nullptr;
    QLineEdit* txtDelay_ = nullptr;
    std::array<QRadioButton*, 3> optClose_{};
    std::array<QRadioButton*, 4> optFs_{};
    QCheckBox* chkReuse_ = nullptr;
    QCheckBox* chkUseCal_ = nullptr;
    QComboBox* cmbCalibration_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdHelp_ = nullptr;
    std::array<Box, 4> boxes_{};
    bool saving_ = false;
};

} // namespace vemra
