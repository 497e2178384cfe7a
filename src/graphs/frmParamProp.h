#pragma once
// frmParamProp, the modal "Graph Properties" dialog of a parameter graph window: the parameter (only those every
// file of the window offers), the X band range, the Y range (each end automatic or typed), the grid, the band
// width and the statistics drawn.
//
// Each parameter keeps its own setup in the settings (section "Graph", key "P<index>"): seven fields joined by
// ";" (positions in the two band lists, the two "Auto" states as 0/1, the two Y texts as typed, "True" for full
// octaves). Selecting a parameter puts its stored setup into the controls; fields that are missing, empty or out
// of range leave their control as it was.
//
// OK checks the entries before it applies anything: a band list without a choice or a fixed Y end that is not a
// number keeps the dialog open with a message. Then it stores the setup of the selected parameter, writes every
// choice to the window and sets its Cancel to false. Cancel (or Esc) sets the window's Cancel to true and changes
// nothing else; the close box changes nothing at all. With no parameter to offer, only Cancel is possible.
// Calling thread: the user-interface thread.
#include <QDialog>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace vemra {

class frmParameters;

class frmParamProp : public QDialog {
    Q_OBJECT

public:
    explicit frmParamProp(QWidget* parent = nullptr);

    // The window being edited; set before the dialog is shown.
    QPointer<frmParameters> ParentForm;

    void GraphScale_OK();
    void cmdCancel_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void GraphScale_Load();
    void GetParameterSetup();
    void LoadParameterSetup();
    void SaveParameterSetup();
    int selectedParameter() const;
    // Says what is wrong, puts the focus on it; false when an entry cannot be applied.
    bool entriesValid();

    bool loaded_ = false;
    QListWidget* lstParams_;
    QComboBox* cmbMinX_;
    QComboBox* cmbMaxX_;
    QCheckBox* chkAutoMaxY_;
    QCheckBox* chkAutoMinY_;
    QLineEdit* txtMaxY_;
    QLineEdit* txtMinY_;
    QRadioButton* optFullOctave_;
    QRadioButton* optThirdOctave_;
    QCheckBox* chkGrid_;
    QCheckBox* chkMinMax_;
    QCheckBox* chkStdDev_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
    QPushButton* cmdHelp_;
};

} // namespace vemra
