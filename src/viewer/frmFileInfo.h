#pragma once
// frmFileInfo, the modal "File Properties" dialog of one response document. The user page holds the five
// descriptive texts, the external gains and the system calibration; the data page shows what the recording says
// about itself. OK writes the user page into the document (it saves nothing) and, for a new recording, remembers
// the entries as the defaults of the next one; Cancel writes nothing.
//
// The window keeps only the document's Key and looks the document up in Waves when it loads and on OK. Loading
// happens in the constructor; failures are reported under "InfoFormLoad" (loading) and "Info_cmdOK" (OK).
// Calling thread: the user-interface thread.
#include <QDialog>
#include <QString>

#include <array>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabBar;

namespace vemra {

class clsWave;

class frmFileInfo : public QDialog {
    Q_OBJECT

public:
    // Builds the window on the document `key` and fills both pages.
    explicit frmFileInfo(const QString& key, QWidget* parent = nullptr);

    QString Key;           // the document's key
    bool ResultOK = false; // True after OK, False after Cancel

    // Handlers (public so that callers and tests can drive them like the buttons do).
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
    // tab: 1 for the user page, 2 for the data page.
    void TabStrip1_Click(int tab);
    int currentPage() const { return currentFrame_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildUserPage(QFrame* page);
    void buildDataPage(QFrame* page);
    void Form_Load();
    void fillCalibrationList(const clsWave& wave);
    void writeCalibrationGains(clsWave& wave);

    QTabBar* TabStrip1_ = nullptr;
    std::array<QFrame*, 2> fraTabs_{};
    int currentFrame_ = 0;
    std::array<QLineEdit*, 4> txtUser_{};  // boxes 0..3
    QPlainTextEdit* txtComments_ = nullptr; // box 4
    std::array<QLineEdit*, 3> txtGain_{};
    QComboBox* cmbCali_ = nullptr;
};

// Opens the dialog on document `key` modally over `owner` and returns its ResultOK.
bool ShowFileInfo(const QString& key, QWidget* owner);

} // namespace vemra
