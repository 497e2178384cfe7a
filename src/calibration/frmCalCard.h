#pragma once
// frmCalCard, the sound-card calibration wizard ("Soundcard Calibration"), shown modal by the mixer's
// CalibrateSoundCard. With the card's line output wired to its line input it runs eleven tone, MLS and sweep
// measurements: the least-distortion converter level and gains, the four gain curves, the stimulus levels, the
// loop-back polarity and the correction filters; OK stores them as a calibration record with its correction files.
//
// Files: frmCalCard.cpp (layout, pages, buttons, opening and closing, the log), CalCardRun.cpp (the run and the
// signal measurements), CalCardSearch.cpp (distortion search, converter levels), CalCardCurves.cpp (gain curves),
// CalCardStimulus.cpp (stimulus levels), CalCardRecord.cpp (the record), CalCardFilters.cpp (correction filters).
//
// Time: every wait and every measurement runs on the window's clock (setClock; the real clock by default), so a
// test steps the virtual card through a whole run in little real time. Closing the window is refused while the run
// goes on (Abort ends it between measurements); every bounded loop tests mAbort, and the distortion search cannot
// run without end. The log of the session is appended to the card's log when the window closes.
// Calling thread: the user-interface thread.
#include "library/files/StagingFolder.h"

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

class QCheckBox;
class QFile;
class QFocusFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTemporaryDir;
class QWidget;

namespace vemra {

class MeasureClock;
class clsVolume;

// One point of a gain curve: a control position and the level (dB) that position gives.
struct VolStep {
    std::int32_t Volume = 0;
    float Rms = 0;
};
using GainCurvePoints = std::vector<VolStep>;

// A volume control's full position (positions run 0..65535).
inline constexpr std::int32_t kFullPosition = 65535;
// The position of a curve's point; full position for an index outside the curve (no reference point found).
inline std::int32_t CurvePosition(const GainCurvePoints& curve, int index)
{
    return index >= 0 && std::size_t(index) < curve.size() ? curve[std::size_t(index)].Volume : kFullPosition;
}

// The stored text of a gain curve (control id and points in signed-blank form, levels "0.00" with a '.').
QString GainCurveText(std::int32_t controlId, const GainCurvePoints& points, std::size_t first, float reference);

class frmCalCard final : public QDialog {
    Q_OBJECT
public:
    explicit frmCalCard(QWidget* parent = nullptr);
    ~frmCalCard() override;

    // The clock of the waits (nullptr: the real one). Shared by every window of this class.
    static void setClock(MeasureClock* clock);
    static MeasureClock& clock();
    // How the save puts each correction file in place (empty: in one atomic step). For tests that make it fail.
    static void setRenameStep(files::StagingFolder::RenameStep step);
    // Shows the wizard modal (the mixer's CalibrateSoundCard runs this).
    static void ShowModal();

    // --- handlers (public so the tests drive them as the user does) ---
    void cmdNext_Click();
    void cmdAbort_Click();
    void cmdHelp_Click();
    void chkAuto_Click();
    void lstMixer_Click();
    void cmdTest_Click(int index);
    void enterPlanId();

    // --- state the tests read ---
    int State() const { return mState; }
    bool Running() const { return mRunning; }
    bool Success() const { return mSuccess; }
    std::int32_t ThdDAC() const { return mThdDAC; }
    std::array<std::int32_t, 4> Gains() const { return {mPmGain, mRmGain, mPsGain, mRsGain}; }
    std::int32_t ToneDAC() const { return mToneDAC; }
    std::int16_t ADCmax() const { return mADCmax; }
    std::int32_t MLSDAC() const { return mMLSDAC; }
    std::int32_t SweepDAC() const { return mSweepDAC; }
    std::int16_t Sign() const { return mSign; }
    std::int16_t PlanB() const { return mPlanB; }
    const GainCurvePoints& PmCurve() const { return mPmCurve; }
    const GainCurvePoints& PsCurve() const { return mPsCurve; }
    const GainCurvePoints& RmCurve() const { return mRmCurve; }
    const GainCurvePoints& RsCurve() const { return mRsCurve; }
    std::int16_t PmRef() const { return mPmRef; }
    std::int16_t PsRef() const { return mPsRef; }
    QString MLSFilterFile(int order) const { return mMLSFilterFile.at(std::size_t(order)); }
    QString SweepFilterFile(int order) const { return mSweepFilterFile.at(std::size_t(order)); }
    // The log of the session while the window is open.
    static QString SessionLogPath();
    // The card's log after closing: "CalibrationLog <fingerprint> <rate>.txt" in the calibration folder.
    static QString CardLogPath(const QString& fingerPrint, std::int32_t rate_Hz);

    // The steps, public for the tests of single steps.
    bool RunCalibration();
    bool FindMinThd();
    bool MeasurePeakADC();
    bool AdjustDAC();
    bool CalibratePs();
    bool CalibratePm();
    bool CalibrateRm();
    bool CalibrateRs();
    bool AdjustForMLS(std::int16_t order);
    bool AdjustMLSDAC(std::int16_t order);
    bool AdjustForSweep(std::int16_t order);
    bool MeasureMLSResponse();
    bool MeasureSweepResponse();
    bool SaveCalibration();
    void DeleteTempFiles();

    // The bounds of the distortion search and the curve loops (no loop runs without end).
    static constexpr int kMaxSearchTries = 201 * 16;
    static constexpr int kMaxRedraws = 1000;
    static constexpr int kFilterOrders = 23;

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // --- window and log (frmCalCard.cpp) ---
    void buildLayout();
    void Form_Load();
    void Form_Unload();
    void FillMixerList();
    void showPage(int page);
    void CalLog(const QString& text);
    void unloadWindow();
    void Wait(double seconds);
    void yieldOnce();

    // --- signal measurements (CalCardRun.cpp) ---
    std::int16_t PlayCalTone(std::int32_t dac, std::int32_t pm, std::int32_t rm, std::int32_t ps, std::int32_t rs);
    // Starts the MLS (mls) or the sweep at converter level dac and these gains, through the run's correction of
    // the player's order once it exists.
    std::int16_t prepareStimulus(bool mls, std::int32_t dac, std::int32_t pm, std::int32_t rm, std::int32_t ps,
                                 std::int32_t rs);
    float MeasureThd();
    float MeasurePeak();
    float MeasureRms(bool& detected);
    std::int16_t MeasureMLSINR(float& inr);
    float MeasureSweepINR();
    std::int16_t MeasureSign();
    void setVolumes(std::int32_t pm, std::int32_t rm, std::int32_t ps, std::int32_t rs);
    // The progress bar in the steps' own units (fractions kept to a hundredth).
    void setBarMax(double maximum);
    void setBarValue(double value);
    double barMax() const;
    double barValue() const;
    // Up to ten attempts of a measurement while `again` holds; a failed call is shown and ends them.
    template <class Call, class Again>
    void attempts(Call&& call, Again&& again);

    // --- shared pieces of the steps ---
    bool calibratePlayback(bool master);
    bool calibrateRecording(bool master);
    // A curve's first point: the tone at full positions, its level as measured (dB).
    float startCurve(GainCurvePoints& curve, bool& detected);
    // The tone's level (dB, logged under prefix) once control has settled at position.
    float curveLevel(clsVolume* control, const QString& prefix, std::int32_t position, bool& detected);
    bool adjustLevel(bool mls, bool gains, std::int16_t order, bool raise);
    bool measureResponse(bool mls);
    bool saveCorrectionFiles();
    float uniform();
    // The least-distortion level and gains as the log shows them ("DAC=.. Pm=.. Rm=.. Ps=.. Rs=..").
    QString leastThdSettingsText() const;

    // --- controls ---
    std::array<QWidget*, 2> pnlCal{};
    QLabel* lblPrompt1 = nullptr;
    QLabel* lblPrompt2 = nullptr;
    QLabel* lblPrompt3 = nullptr;
    QProgressBar* pbProgress = nullptr;
    QCheckBox* chkAuto = nullptr;
    QGroupBox* fraSelect = nullptr;
    QListWidget* lstMixer = nullptr;
    QListWidget* lstAudioOut = nullptr;
    QListWidget* lstAudioIn = nullptr;
    std::array<QLabel*, 3> lblList{};
    // Round the list with the keyboard focus, moved there on the application's focus changes; the destructor
    // ends that before the window's parts go, as the focus still moves while they are deleted.
    QFocusFrame* lstFocusFrame = nullptr;
    QMetaObject::Connection followFocus_;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdAbort = nullptr;
    QPushButton* cmdHelp = nullptr;
    std::array<QPushButton*, 3> cmdTest{};

    // --- window state ---
    std::int16_t mState = 0;
    bool mRunning = false;
    bool mTesting = false; // the debug test sweep is playing and recording
    bool mAbort = false;
    bool mFailed = false;
    QFile* mLogFile = nullptr; // the open session log; null: no log
    bool mUnloaded = false;
    bool mClosingByProgram = false;
    QString mLineBreak = QStringLiteral("\r\n");
    std::int16_t mMixerID = 0;
    std::int16_t mPlanB = 0;
    bool mSuccess = false;
    int mHelpContext = 5;

    // --- results of the run ---
    std::int32_t mThdDAC = 0;
    std::int32_t mPmGain = 0, mRmGain = 0, mPsGain = 0, mRsGain = 0;
    std::int32_t mToneDAC = 0;
    std::int16_t mADCmax = 0;
    GainCurvePoints mPmCurve, mPsCurve, mRmCurve, mRsCurve;
    std::int16_t mPmRef = -1, mPsRef = -1;
    std::int32_t mMLSDAC = 0, mSweepDAC = 0;
    std::int16_t mSign = 1; // measured in step 7 only, on the uncorrected MLS
    // The run's inverse filters live in a private folder of their own (unpredictable name, owner only), named by
    // order and kind so the player takes them as correction files; it goes when the window unloads.
    std::unique_ptr<QTemporaryDir> mFilterFolder;
    std::array<QString, kFilterOrders> mMLSFilterFile{};
    std::array<QString, kFilterOrders> mSweepFilterFile{};
};

} // namespace vemra
