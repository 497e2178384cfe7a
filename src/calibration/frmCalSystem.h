#pragma once
// frmCalSystem, the system calibration window ("System Calibration"): the user lists response files measured in a
// reverberation room, types its volume and a description, and OK derives, per octave band 63 Hz .. 4 kHz, the
// channel-1 reference level and the channel-2 difference that turn measured levels into the strength G, and stores
// them under the description in the settings section "Calibration". Stored calibrations can be deleted here.
//
// Files: frmCalSystem.cpp (window, list, buttons, check of the files), SystemCalibration.cpp (the computation and
// the stored record's text), SystemCalStore.h (the stored calibrations).
//
// The files must share stimulus, receiver and channel count (907); one that cannot be loaded ends the check with
// its name. Each file's band energies are normalised to 22050 Hz before the averaging; a band whose reverberation
// time is missing (no value, not finite, not above 0) gets no gain (909, or 913 at 63 Hz). Numbers in the store
// are written with '.' and read with the program's number codec (core/NumberFormat.h). Closing is refused while a
// run goes on; Cancel stops it.
// Calling thread: the user-interface thread.
#include "calibration/SystemCalStore.h"

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace vemra {


// The stored text of one calibration: stimulus; receiver; then row 0 and row 1, seven values each, "0.00" with '.'.
QString SystemCalRecordText(std::int16_t stimulus, std::int16_t receiver, const float (&result)[2][7]);
// The room volume typed in txtVolume (m3, a float): nothing for a text that is no such number.
std::optional<double> RoomVolume(const QString& text);

class frmCalSystem final : public QDialog {
    Q_OBJECT
public:
    explicit frmCalSystem(QWidget* parent = nullptr);
    ~frmCalSystem() override;

    // The help page of the window (its Help button and F1).
    static constexpr int kHelpContext = 7;

    // Shows the window modal (Setup > Calibrate > System).
    static void ShowModal();

    // --- handlers (public so the tests drive them as the user does) ---
    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdDelete_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
    void lstFiles_Click();
    void UpdateButtons();

    // --- state ---
    std::int16_t CalStimulus = 0;
    std::int16_t CalReceiver = 0;
    // The stimulus order the listed responses share; 0 when they do not share one or it is not known.
    int CalOrder = 0;
    bool Processing = false;
    float CalResult[2][7] = {};
    bool unloaded() const { return mUnloaded; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void Form_Load();
    void fillCalibrations();
    void setEditing(bool enabled);
    // Paints the status area now, inside a loop that does not yield between files.
    void showStatus();
    bool CheckCalFiles();
    bool SystemCalibration();
    void SaveSystemCalibration();
    bool runInProgress() const;
    void unloadWindow();

    QListWidget* lstFiles = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdRemove = nullptr;
    QLabel* lblDesc = nullptr;
    QComboBox* cmbCali = nullptr;
    QPushButton* cmdDelete = nullptr;
    QLabel* lblVolume = nullptr;
    QLineEdit* txtVolume = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdHelp = nullptr;
    QFrame* fraStatus = nullptr;
    QLabel* lblFilename = nullptr;
    QLabel* lblStatus = nullptr;
    QProgressBar* prgProgress = nullptr;
    std::int16_t mChannels = 0; // the channel count the checked files share
    int mChosen = -1; // the stored calibration chosen in the list; typing leaves none chosen
    bool mUnloaded = false;
    bool mClosingByProgram = false;
};

} // namespace vemra
