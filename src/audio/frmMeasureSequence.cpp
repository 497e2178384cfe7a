// The working side of the measurement window: Test, Start (one pass, or two combined for receiver 1), the waits
// with their progress and Cancel, the hand-over of the result to a document, and closing the window.
#include "audio/frmMeasure.h"

#include "audio/AudioGlobals.h"
#include "audio/MeasureClock.h"
#include "audio/UpDown.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "audio/clsVolume.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/MessageTexts.h"
#include "core/ProgramHooks.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "core/Wait.h"
#include "core/clsOptions.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/Codes.h"
#include "library/Messages.h"
#include "library/api_files.h"
#include "library/api_sound.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace vemra {

namespace {

const QString kTest = QStringLiteral("&Test");
const QString kStop = QStringLiteral("S&top");
const QString kReady = QStringLiteral("Ready");

MeasureClock* g_clock = nullptr;

MeasureClock& clock()
{
    return g_clock ? *g_clock : steadyMeasureClock();
}

// The hourglass over the window while the library works.
class BusyPointer {
public:
    explicit BusyPointer(QWidget* window) : window_(window) { window->setCursor(Qt::WaitCursor); }
    ~BusyPointer()
    {
        if (window_)
            window_->unsetCursor();
    }

private:
    QPointer<QWidget> window_;
};

} // namespace

void frmMeasure::setClock(MeasureClock* clock)
{
    g_clock = clock;
}

bool frmMeasure::audioAlive() const
{
    return Mixer && Recorder && Player;
}

// --- Test and the stimulus ---

void frmMeasure::cmdTest_Click()
{
    if (cmdTest_->text() != kTest) {
        StopPlay();
        cmdTest_->setText(kTest);
    } else {
        cmdTest_->setText(kStop);
        StartPlay();
    }
}

bool frmMeasure::StartPlay()
{
    bool playing = false;
    guarded("StartPlay", [&] {
        if (!audioAlive())
            return;
        if (cmdTest_->text() == kTest)
            cmdTest_->setEnabled(false);
        Player->setChannels(twoInputs(receiver_) ? 2 : 1);
        Player->setStimulus(stimulus_);
        Player->setFilter(filterCode());
        const std::int16_t rc = Player->Play(true);
        if (rc != 0) {
            // The player has shown its own start failures; only the refusal of a busy player is left to say.
            if (rc == msg::BusyPlaying)
                HandleError(rc);
            cmdTest_->setEnabled(true);
        } else {
            for (int i = 0; i < kReceiverButtons; ++i)
                if (i != receiver_)
                    cmdType_[std::size_t(i)]->setEnabled(false);
            for (QWidget* w : {static_cast<QWidget*>(optExternal_), static_cast<QWidget*>(optInternal_),
                               static_cast<QWidget*>(optMLS_), static_cast<QWidget*>(optNoise_),
                               static_cast<QWidget*>(optSweep_), static_cast<QWidget*>(optImpuls_),
                               static_cast<QWidget*>(lstLength_)})
                w->setEnabled(false);
            busy_ = true;
            setImportAllowed();
            playing = true;
        }
        if (Rs) {
            Rs->setVolume1(Rs->Volume1());
            Rs->setVolume2(Rs->Volume2());
        }
    });
    return playing;
}

void frmMeasure::StopPlay()
{
    if (Player)
        Player->Silence();
    cmdTest_->setEnabled(true);
    lstLength_->setEnabled(true);
    busy_ = false;
    // The receivers the stimulus and the card allow (UpdateDialog's rule), and the sources the card allows.
    const bool noise = stimulus_ == StimulusExternalNoise;
    const int maxChannels = Recorder ? Recorder->MaxChannels() : 1;
    for (int i = 0; i < kReceiverButtons; ++i)
        cmdType_[std::size_t(i)]->setEnabled(receiverAllowed(i, noise, maxChannels));
    optExternal_->setEnabled(true);
    optInternal_->setEnabled(Mixer && Mixer->FullDuplex());
    optMLS_->setEnabled(true);
    optSweep_->setEnabled(true);
    if (optExternal_->isChecked()) {
        optNoise_->setEnabled(true);
        optImpuls_->setEnabled(true);
    }
    setImportAllowed();
}

void frmMeasure::mPlayer_PlayerBusy(bool busy)
{
    if (!busy_ && cmdTest_->text() == kTest)
        cmdTest_->setEnabled(!busy); // someone else (a document playing) holds the output meanwhile
    UpdateDialog();
}

// --- Start ---

void frmMeasure::cmdRecord_Click()
{
    const QPointer<frmMeasure> self(this);
    ++sequenceDepth_;
    mAbortMeasurement = false;
    cmdRecord_->setEnabled(false);
    cmdClose_->setEnabled(false);
    busy_ = true;
    setImportAllowed();
    guarded("CmdRecord", [&] {
        QString result;
        if (receiver_ != ReceiverOmniFig8Switched) {
            result = Measure();
        } else {
            QString first = Measure();
            if (!self || mAbortMeasurement || first.isEmpty()) {
                deleteFile(first);
                return;
            }
            MessageRequest r;
            r.text = MessageText(msg::SwitchTo8);
            r.title = QStringLiteral("Measure");
            r.buttons = MsgButtons::OKCancel;
            r.icon = MsgIcon::Question;
            r.parent = this;
            if (UiServices::get().messageBox(r) == MsgResult::Cancel || !self || mAbortMeasurement) {
                deleteFile(first);
                return;
            }
            QString second = Measure();
            if (!self || mAbortMeasurement || second.isEmpty()) {
                deleteFile(first);
                deleteFile(second);
                return;
            }
            result = combinePasses(first, second);
            if (result.isEmpty())
                return;
        }
        if (!result.isEmpty() && self && !mAbortMeasurement)
            ShowRecording(result);
        else
            deleteFile(result);
    });
    if (self)
        endSequence();
}

void frmMeasure::endSequence()
{
    --sequenceDepth_;
    busy_ = false;
    cmdRecord_->setEnabled(true);
    cmdClose_->setEnabled(true);
    setImportAllowed();
    if (sequenceDepth_ == 0 && closePending_)
        finishClose(closeByUser_);
}

void frmMeasure::deleteFile(QString& file)
{
    if (!file.isEmpty())
        DeleteTempFile(TrimNul(file).toStdString());
    file.clear();
}

QString frmMeasure::combinePasses(QString& first, QString& second)
{
    std::string combined;
    CombineFiles(combined, first.toStdString(), second.toStdString());
    // The library removes the passes once they are combined; whatever is left is ours to remove.
    deleteFile(first);
    deleteFile(second);
    const QString result = QString::fromStdString(combined);
    if (result.isEmpty())
        HandleError(msg::CannotGetRecording);
    return result;
}

QString frmMeasure::Measure()
{
    const QPointer<frmMeasure> self(this);
    QString result;
    guarded("Measure", [&] {
        if (!audioAlive())
            return;
        Recorder->Restart();
        // Each failed step has been told once by whoever tried it (Restart, the player): the pass ends there
        // rather than record a silent input into a document of noise.
        if (Recorder->InputError() != 0)
            return;
        const int shownBefore = Recorder->FailuresShown();
        const bool internal = isInternalStimulus(stimulus_);
        const double period_s = std::ldexp(1.0, Player->Length()) / std::max(1, Player->PlayFreq());
        if (internal) {
            if (cmdTest_->text() == kStop)
                cmdTest_Click();
            if (!StartPlay())
                return;
            cmdTest_->setEnabled(false);
            WaitProgress(QStringLiteral("Soundfield buildup..."), period_s);
            if (!self || !audioAlive())
                return;
        }
        std::int16_t rc = Recorder->Record(stimulus_);
        if (!mAbortMeasurement && rc == 0) {
            WaitProgress(QStringLiteral("Recording..."), period_s * Recorder->PreAvgCnt());
            if (!self || !audioAlive())
                return;
        }
        if (internal)
            StopPlay();
        if (mAbortMeasurement) {
            Recorder->Abort();
            return;
        }
        if (rc == 0) {
            lblStatus_->setText(QStringLiteral("Processing..."));
            QString buffer;
            {
                const BusyPointer hourglass(this);
                rc = Recorder->Process(buffer, stimulus_, receiver_);
            }
            lblStatus_->setText(kReady);
            if (rc == 0)
                result = buffer;
        }
        // A stream lost during the pass fails every step after it: the meters, which the end of the stimulus
        // restarts, have told it already if they tried, and once is enough.
        if (rc != 0 && (!Recorder || Recorder->FailuresShown() == shownBefore))
            HandleError(rc);
    });
    // Whatever ended the pass, nothing may go on playing or recording for it.
    if (Player && Player->Playing() && (!self || mAbortMeasurement))
        Player->Silence();
    if (Recorder && mAbortMeasurement)
        Recorder->Abort();
    if (self)
        unsetCursor();
    return result;
}

// --- the waits ---

void frmMeasure::WaitProgress(const QString& text, double seconds)
{
    const QPointer<frmMeasure> self(this);
    // A Cancel from before the wait does not count; a close asked for meanwhile does.
    mAbortMeasurement = closePending_;
    pnlCancel_->setEnabled(true);
    pnlCancel_->setText(QStringLiteral("Cancel"));
    lblStatus_->setText(text);
    prgProgress_->setValue(0);
    // A length that is not a plain number of seconds waits not at all; none waits longer than a day.
    waitLength_s_ = std::isfinite(seconds) ? std::clamp(seconds, 0.0, 86400.0) : 0.0;
    waitStart_s_ = clock().now_s();
    waiting_ = true;
    tmrProgress_->start();
    while (self && waiting_ && !mAbortMeasurement && audioAlive()) {
        clock().idle();
        if (self)
            tmrProgress_Timer();
    }
    if (!self)
        return;
    waiting_ = false;
    tmrProgress_->stop();
    lblStatus_->setText(kReady);
    pnlCancel_->setEnabled(false);
    pnlCancel_->setText(QString());
    prgProgress_->setValue(0);
}

void frmMeasure::tmrProgress_Timer()
{
    if (!waiting_)
        return;
    const double elapsed = clock().now_s() - waitStart_s_;
    const double percent = waitLength_s_ > 0 ? elapsed * 100.0 / waitLength_s_ : 100.0;
    prgProgress_->setValue(int(std::clamp(std::lround(percent), 0L, 100L)));
    if (elapsed >= waitLength_s_)
        waiting_ = false;
}

void frmMeasure::stStatus_PanelClick(const QString& key)
{
    if (key == QStringLiteral("Cancel"))
        mAbortMeasurement = true;
}

// --- the result becomes a document ---

void frmMeasure::ShowRecording(const QString& fileName)
{
    guarded("ShowRecording", [&] {
        const QString file = TrimNul(fileName);
        QString key;
        if (Options && Options->ReuseWindows()) {
            if (FindWaveByKey(LastRecordingKey) > 0)
                key = LastRecordingKey;
            else if (FindWaveByKey(ActiveWaveKey) > 0)
                key = ActiveWaveKey;
        }
        bool reuse = false;
        if (!key.isEmpty()) {
            clsWave* old = WaveByKey(key);
            old->SetFocus();
            // A document whose owner cancels the save question stays: the result opens beside it.
            if (old->QuitFile()) {
                old->Die();
                reuse = true;
            }
        }
        key = NewWave();
        clsWave* wave = WaveByKey(key);
        wave->setFileName(file);
        wave->setChanged(true);
        wave->setNewRecording(true);
        wave->Show(reuse);
        LastRecordingKey = key;
    });
}

// --- closing ---

void frmMeasure::cmdHelp_Click()
{
    ShowHelp(this, kHelpContext);
}

void frmMeasure::cmdClose_Click()
{
    close();
}

void frmMeasure::closeEvent(QCloseEvent* event)
{
    event->accept();
    requestClose(true);
}

void frmMeasure::requestClose(bool byUser)
{
    if (closing_)
        return;
    // A measurement that runs is cancelled first; the window goes once it has unwound.
    mAbortMeasurement = true;
    if (sequenceDepth_ > 0) {
        closePending_ = true;
        closeByUser_ = closeByUser_ || byUser;
        hide();
        return;
    }
    finishClose(byUser);
}

void frmMeasure::QueryUnload()
{
    try {
        StopPlay();
    } catch (...) {
    }
    try {
        if (Recorder) {
            Recorder->setVUEnabled(false);
            Recorder->StopRecorder();
        }
    } catch (...) {
    }
    try {
        txtAvg_Change();
    } catch (...) {
    }
}

void frmMeasure::Form_Unload()
{
    try {
        SaveSetting(QStringLiteral("Measurement"), QStringLiteral("Receiver"), QString::number(receiver_));
        SaveSetting(QStringLiteral("Measurement"), QStringLiteral("Stimulus"), QString::number(stimulus_));
        SaveSetting(QStringLiteral("Measurement"), QStringLiteral("Filter"), QString::number(cmbFilter_->currentIndex()));
    } catch (...) {
    }
    if (Player)
        disconnect(Player, nullptr, this, nullptr);
    if (Recorder)
        disconnect(Recorder, nullptr, this, nullptr);
    if (Options)
        disconnect(Options, nullptr, this, nullptr);
}

void frmMeasure::finishClose(bool byUser)
{
    closing_ = true;
    unloaded_ = true;
    QueryUnload();
    Form_Unload();
    hide();
    deleteLater();
    // Closing the measurement window when no document window is open ends the program.
    if (byUser && WaveCount() == 0)
        RequestExit();
}

} // namespace vemra
