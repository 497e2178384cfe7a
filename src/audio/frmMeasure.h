#pragma once
// frmMeasure, the measurement window: one for the whole program, loaded on first use and shown modeless. The
// user chooses the source (internal stimulus played by the program, or an external one), the signal (MLS, sweep,
// noise, impulse), the sequence length, the source filter, the receiver and the pre-average count, sets the gains
// when a sound-card calibration is in use, watches the two input level meters, and tests the stimulus, measures,
// or imports a recording made elsewhere. Each result becomes a new response document.
//
// Files: frmMeasure.cpp (layout, initialisation, choices, the enabling rules of UpdateDialog),
// frmMeasureSequence.cpp (Test, Start, one pass, the waits, the hand-over to a document, closing),
// frmMeasureImport.cpp (Import), frmMeasureGains.cpp (the gain sliders and the level meters).
//
// Waits run on a monotonic clock (MeasureClock), end exactly when their time is up or at Cancel, and keep the
// meters moving. Closing the window (or unloading it from code) during a measurement cancels the measurement
// first; the window goes once the sequence has unwound. A measurement of receiver 1 is two passes combined into
// one document; a failed or cancelled pass ends the sequence and leaves no file behind. Import is not offered
// while a measurement or a test stimulus runs. A change of the options' sample rate closes the window, so the
// next showing starts at the new rate.
// Calling thread: the user-interface thread.
#include "library/Codes.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class QToolButton;

namespace vemra {

class MeasureClock;
class UpDown;
class VUMeter;

class frmMeasure final : public QWidget {
    Q_OBJECT
public:
    // The shared window (created, and initialised, on first use).
    static frmMeasure* instance();
    static bool loaded();
    // Unloads the window as code does (no program exit); during a measurement it cancels it first.
    static void Unload();

    // The help page of the window (its Help button and F1).
    static constexpr int kHelpContext = 2;

    // --- what the window's parts share ---
    void InitMeasure();
    void UpdateDialog();
    void ResetVU();
    void ShowRecording(const QString& fileName);
    bool mAbortMeasurement = false;

    // --- handlers (public so the tests can drive them as the user does) ---
    void cmdType_Click(int index);
    void optInternal_Click();
    void optExternal_Click();
    void optMLS_Click();
    void optSweep_Click();
    void optNoise_Click();
    void optImpuls_Click();
    void lstLength_Click();
    void txtAvg_Change();
    void cmdRecord_Click();
    void cmdTest_Click();
    void cmdImport_Click();
    void cmdClose_Click();
    void cmdHelp_Click();
    void stStatus_PanelClick(const QString& key);
    void tmrProgress_Timer();
    void mPlayer_PlayerBusy(bool busy);
    void mRecorder_VUUpdate(std::int16_t VULeft, std::int16_t VURight);
    void sldPlayVol_Change();
    void sldCh1_Change() { recordingSliderChange(0); }
    void sldCh2_Change() { recordingSliderChange(1); }

    // --- state and controls, for the document window and the tests ---
    std::int16_t stimulus() const { return stimulus_; }
    std::int16_t receiver() const { return receiver_; }
    bool busy() const { return busy_; }
    bool waiting() const { return waiting_; }
    bool sequenceRunning() const { return sequenceDepth_ > 0; }
    QToolButton* cmdType(int index) const { return cmdType_[std::size_t(index)]; }
    QRadioButton* optInternal() const { return optInternal_; }
    QRadioButton* optExternal() const { return optExternal_; }
    QRadioButton* optMLS() const { return optMLS_; }
    QRadioButton* optSweep() const { return optSweep_; }
    QRadioButton* optNoise() const { return optNoise_; }
    QRadioButton* optImpuls() const { return optImpuls_; }
    QComboBox* lstLength() const { return lstLength_; }
    QComboBox* cmbFilter() const { return cmbFilter_; }
    QLineEdit* txtAvg() const { return txtAvg_; }
    UpDown* udPreAvg() const { return udPreAvg_; }
    QPushButton* cmdTest() const { return cmdTest_; }
    QPushButton* cmdRecord() const { return cmdRecord_; }
    QPushButton* cmdImport() const { return cmdImport_; }
    QPushButton* cmdClose() const { return cmdClose_; }
    QGroupBox* fraPlay() const { return fraPlay_; }
    QGroupBox* fraPlayVol() const { return fraPlayVol_; }
    QGroupBox* fraVU(int channel) const { return fraVU_[std::size_t(channel)]; }
    VUMeter* shVU(int channel) const { return shVU_[std::size_t(channel)]; }
    QSlider* sldPlayVol() const { return sldPlayVol_; }
    QSlider* sldCh(int channel) const { return sldCh_[std::size_t(channel)]; }
    QLabel* lblVoldB() const { return lblVoldB_; }
    QLabel* lblChdB(int channel) const { return lblChdB_[std::size_t(channel)]; }
    QLabel* lblPreAvg() const { return lblPreAvg_; }
    QPushButton* cancelPanel() const { return pnlCancel_; }
    QLabel* statusPanel() const { return lblStatus_; }
    QProgressBar* prgProgress() const { return prgProgress_; }
    QTimer* tmrProgress() const { return tmrProgress_; }

    // The clock of the waits (nullptr: the program's real-time clock).
    static void setClock(MeasureClock* clock);

    // A level in dB as the gain labels show it: rounded to the nearest half decibel, ties to even, "0.0".
    static QString GainText(float level_dB);
    // The length list's text for one order at a rate: "   0.34", "  10.9".
    static QString LengthText(int order, std::int32_t rate_Hz);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    explicit frmMeasure(QWidget* parent = nullptr);
    ~frmMeasure() override;

    // frmMeasure.cpp
    void createControls();
    void FillLengthList();
    std::int16_t stimulusFromButtons() const;
    std::int16_t filterCode() const;
    void setImportAllowed();
    void mOptions_SettingChanged();
    // frmMeasureSequence.cpp
    bool StartPlay();
    void StopPlay();
    QString Measure();
    void WaitProgress(const QString& text, double seconds);
    bool audioAlive() const;
    void deleteFile(QString& file);
    // The two passes of a switched receiver as one two-channel file; both pass files are removed. Empty, with
    // the message shown, when they cannot be combined.
    QString combinePasses(QString& first, QString& second);
    void requestClose(bool byUser);
    void finishClose(bool byUser);
    void QueryUnload();
    void Form_Unload();
    void endSequence();
    // frmMeasureImport.cpp
    QString Import();
    // frmMeasureGains.cpp
    void SetUpGains();
    void recordingSliderChange(int channel);

    // One button per receiver code a measurement can have.
    static constexpr int kReceiverButtons = ReceiverOmniOmniProbe + 1;
    // The receivers recorded with two inputs at once (both meters, two channels, a two-channel stimulus).
    static bool twoInputs(int receiver) { return receiver >= ReceiverDualOmni; }
    // Whether a receiver can be chosen for this stimulus on a card with this many inputs.
    static bool receiverAllowed(int receiver, bool noise, int maxChannels)
    {
        return !twoInputs(receiver) || (!noise && maxChannels > 1);
    }

    std::int16_t stimulus_ = 1;
    std::int16_t receiver_ = ReceiverOmni;
    bool busy_ = false;
    bool waiting_ = false;
    double waitStart_s_ = 0;
    double waitLength_s_ = 0;
    int sequenceDepth_ = 0;
    bool closing_ = false;
    bool closePending_ = false;
    bool closeByUser_ = false;
    bool unloaded_ = false;
    std::int32_t initRate_ = 0;

    std::array<QToolButton*, kReceiverButtons> cmdType_{};
    QButtonGroup* typeGroup_ = nullptr;
    QRadioButton* optInternal_ = nullptr;
    QRadioButton* optExternal_ = nullptr;
    QRadioButton* optMLS_ = nullptr;
    QRadioButton* optSweep_ = nullptr;
    QRadioButton* optNoise_ = nullptr;
    QRadioButton* optImpuls_ = nullptr;
    QComboBox* lstLength_ = nullptr;
    QComboBox* cmbFilter_ = nullptr;
    QLineEdit* txtAvg_ = nullptr;
    UpDown* udPreAvg_ = nullptr;
    QLabel* lblPreAvg_ = nullptr;
    QPushButton* cmdTest_ = nullptr;
    QPushButton* cmdRecord_ = nullptr;
    QPushButton* cmdImport_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    QPushButton* cmdHelp_ = nullptr;
    QGroupBox* fraSource_ = nullptr;
    QGroupBox* fraPlayVol_ = nullptr;
    QGroupBox* fraPlay_ = nullptr;
    QGroupBox* fraSignal_ = nullptr;
    QGroupBox* fraReceiver_ = nullptr;
    QGroupBox* fraType_ = nullptr;
    QGroupBox* fraRecord_ = nullptr;
    std::array<QGroupBox*, 2> fraVU_{};
    std::array<VUMeter*, 2> shVU_{};
    QSlider* sldPlayVol_ = nullptr;
    std::array<QSlider*, 2> sldCh_{};
    QLabel* lblVoldB_ = nullptr;
    std::array<QLabel*, 2> lblChdB_{};
    QPushButton* pnlCancel_ = nullptr;
    QProgressBar* prgProgress_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QTimer* tmrProgress_ = nullptr;
};

} // namespace vemra
