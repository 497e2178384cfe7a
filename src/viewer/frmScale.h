#pragma once
// frmScale, "Scale Model": converts a copy of a document's response measured in a scale model into the response
// of the full-size hall (the library's ScaleWave) and opens the result as a new, unsaved document. Opened by the
// document's DisplayChild(0), which sets Key and waits until the window hides itself.
#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vemra {

class frmProgress;

class frmScale : public QDialog {
    Q_OBJECT

public:
    explicit frmScale(QWidget* parent = nullptr);

    QString Key; // the document in Waves

    // The handlers, public so the window's tests can drive them.
    void Form_Load();
    void chkAbsorption_Click();
    void txtScale_LostFocus();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();

    // The progress callback handed to the library: shows the percentage in the current progress window and asks
    // the library to stop (1) once its Cancel was pressed. The repaint lets the message loop run, so the Cancel
    // button is heard during the conversion.
    static std::int16_t ScaleProgress(float percent);
    // The progress window ScaleProgress addresses (nullptr outside a conversion).
    static frmProgress* currentProgress();

    QLineEdit* txtScale() const { return txtScale_; }
    QCheckBox* chkAbsorption() const { return chkAbsorption_; }
    QLineEdit* txtTemp(int i) const { return txtTemp_[std::size_t(i)]; }
    QLineEdit* txtHum(int i) const { return txtHum_[std::size_t(i)]; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* txtScale_ = nullptr;
    QCheckBox* chkAbsorption_ = nullptr;
    QGroupBox* fraModel_ = nullptr;
    QGroupBox* fraReal_ = nullptr;
    std::array<QLineEdit*, 2> txtTemp_{};
    std::array<QLineEdit*, 2> txtHum_{};
    std::array<QLabel*, 2> lblTemp_{};
    std::array<QLabel*, 2> lblCelcius_{};
    std::array<QLabel*, 2> lblHum_{};
    std::array<QLabel*, 2> lblPerc_{};
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdHelp_ = nullptr;
};

} // namespace vemra
