// The wizard's window: its two pages, the mixer and line lists, the buttons, opening and closing, and the log.
#include "calibration/frmCalCard.h"

#include "audio/AudioGlobals.h"
#include "audio/MeasureClock.h"
#include "audio/SoundSysNames.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "audio/clsVolume.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/HelpKey.h"
#include "core/MessageTexts.h"
#include "core/NumberFormat.h"
#include "core/UiServices.h"
#include "core/clsOptions.h"
#include "library/Messages.h"
#include "library/Codes.h"
#include "library/api_calibration.h"
#include "library/api_files.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFocusFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

namespace vemra {

namespace {

MeasureClock* installedClock = nullptr;

// The names of a ';'-terminated list.
QStringList namesOf(const std::string& list, int count)
{
    QStringList names;
    const QString text = QString::fromStdString(list);
    qsizetype from = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype end = text.indexOf(QLatin1Char(';'), from);
        if (end < 0)
            break;
        names << text.mid(from, end - from);
        from = end + 1;
    }
    return names;
}

} // namespace

void frmCalCard::setClock(MeasureClock* clock) { installedClock = clock; }
MeasureClock& frmCalCard::clock() { return installedClock ? *installedClock : steadyMeasureClock(); }

QString frmCalCard::SessionLogPath() { return CalibrationFolder() + QStringLiteral("/CalibrationLog.txt"); }

QString frmCalCard::CardLogPath(const QString& fingerPrint, std::int32_t rate_Hz)
{
    return CalibrationFolder() + QStringLiteral("/CalibrationLog ") + FileNameSafe(fingerPrint) + QLatin1Char(' ')
           + QString::number(rate_Hz) + QStringLiteral(".txt");
}

void frmCalCard::ShowModal()
{
    frmCalCard window(QApplication::activeWindow());
    window.exec();
}

frmCalCard::frmCalCard(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCalCard"));
    setWindowTitle(QStringLiteral("Soundcard Calibration"));
    setModal(true);
    buildLayout();
    InstallHelpKey(this, [this] { return mHelpContext; });
    Form_Load();
}

frmCalCard::~frmCalCard()
{
    disconnect(followFocus_);
    if (!mUnloaded) {
        mUnloaded = true;
        passOver([&] { Form_Unload(); });
    }
}

void frmCalCard::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    // Page 0: prompts and progress.
    pnlCal[0] = new QWidget(this);
    pnlCal[0]->setObjectName(QStringLiteral("pnlCal0"));
    auto* page0 = new QVBoxLayout(pnlCal[0]);
    lblPrompt1 = new QLabel(pnlCal[0]);
    lblPrompt2 = new QLabel(pnlCal[0]);
    lblPrompt3 = new QLabel(pnlCal[0]);
    for (auto [label, name] : {std::pair{lblPrompt1, "lblPrompt1"}, {lblPrompt2, "lblPrompt2"}, {lblPrompt3, "lblPrompt3"}}) {
        label->setObjectName(QLatin1String(name));
        label->setWordWrap(true);
        page0->addWidget(label);
    }
    pbProgress = new QProgressBar(pnlCal[0]);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setTextVisible(false);
    pbProgress->setVisible(false);
    page0->addWidget(pbProgress);
    page0->addStretch(1);
    // Page 1: mixer and lines.
    pnlCal[1] = new QWidget(this);
    pnlCal[1]->setObjectName(QStringLiteral("pnlCal1"));
    auto* page1 = new QVBoxLayout(pnlCal[1]);
    chkAuto = new QCheckBox(QStringLiteral("Automatic line detection"), pnlCal[1]);
    chkAuto->setObjectName(QStringLiteral("chkAuto"));
    page1->addWidget(chkAuto);
    fraSelect = new QGroupBox(pnlCal[1]);
    fraSelect->setObjectName(QStringLiteral("fraSelect"));
    auto* lists = new QHBoxLayout(fraSelect);
    const char* captions[3] = {"Mixer:", "Audio input:", "Audio output:"};
    lstMixer = new QListWidget(fraSelect);
    lstAudioIn = new QListWidget(fraSelect);
    lstAudioOut = new QListWidget(fraSelect);
    QListWidget* listOf[3] = {lstMixer, lstAudioIn, lstAudioOut};
    const char* listNames[3] = {"lstMixer", "lstAudioIn", "lstAudioOut"};
    for (int i = 0; i < 3; ++i) {
        auto* column = new QVBoxLayout;
        lblList[std::size_t(i)] = new QLabel(QLatin1String(captions[i]), fraSelect);
        lblList[std::size_t(i)]->setObjectName(QStringLiteral("lblList%1").arg(i));
        listOf[i]->setObjectName(QLatin1String(listNames[i]));
        column->addWidget(lblList[std::size_t(i)]);
        column->addWidget(listOf[i]);
        lists->addLayout(column);
    }
    page1->addWidget(fraSelect);
    // Each of the three lists shows its selected row whether it has the focus or not, and the style's focus mark
    // inside a row is faint: the style's focus frame goes round the list that has the focus.
    lstFocusFrame = new QFocusFrame(fraSelect);
    lstFocusFrame->setObjectName(QStringLiteral("lstFocusFrame"));
    followFocus_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        const bool list = now == lstMixer || now == lstAudioIn || now == lstAudioOut;
        lstFocusFrame->setWidget(list ? now : nullptr);
    });
    outer->addWidget(pnlCal[0], 1);
    outer->addWidget(pnlCal[1], 1);
    pnlCal[1]->setVisible(false);
    // Buttons.
    auto* buttons = new QHBoxLayout;
    const char* testCaptions[3] = {"Off", "On", "Test"};
    for (int i = 0; i < 3; ++i) {
        cmdTest[std::size_t(i)] = new QPushButton(QLatin1String(testCaptions[i]), this);
        cmdTest[std::size_t(i)]->setObjectName(QStringLiteral("cmdTest%1").arg(i));
        cmdTest[std::size_t(i)]->setVisible(false);
        // Only "Test" has something behind it.
        cmdTest[std::size_t(i)]->setEnabled(i == 2);
        buttons->addWidget(cmdTest[std::size_t(i)]);
        connect(cmdTest[std::size_t(i)], &QPushButton::clicked, this, [this, i] { cmdTest_Click(i); });
    }
    buttons->addStretch(1);
    cmdNext = new QPushButton(QStringLiteral("&Continue"), this);
    cmdAbort = new QPushButton(QStringLiteral("&Abort"), this);
    cmdHelp = new QPushButton(QStringLiteral("&Help"), this);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    cmdAbort->setObjectName(QStringLiteral("cmdAbort"));
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdNext->setDefault(true);
    for (QPushButton* b : {cmdNext, cmdAbort, cmdHelp})
        buttons->addWidget(b);
    outer->addLayout(buttons);
    connect(cmdNext, &QPushButton::clicked, this, &frmCalCard::cmdNext_Click);
    connect(cmdAbort, &QPushButton::clicked, this, &frmCalCard::cmdAbort_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmCalCard::cmdHelp_Click);
    connect(chkAuto, &QCheckBox::clicked, this, &frmCalCard::chkAuto_Click);
    // A mixer chosen with the keyboard is set up like one chosen with a click.
    connect(lstMixer, &QListWidget::currentRowChanged, this, [this] { lstMixer_Click(); });
    resize(560, 300);
}

void frmCalCard::Form_Load()
{
    for (QPushButton* b : cmdTest)
        b->setVisible(DebugMode);
    mRunning = mAbort = false;
    mMixerID = Mixer ? Mixer->ID() : 0;
    mPlanB = 0;
    passOver([&] {
        QDir().mkpath(CalibrationFolder());
        TestMixer(SessionLogPath().toStdString());
        auto* log = new QFile(SessionLogPath(), this);
        if (log->open(QIODevice::Append | QIODevice::WriteOnly))
            mLogFile = log;
        else
            delete log;
    });
    guarded("CalCard_Load", [&] {
        FillMixerList();
        mHelpContext = 5;
        showPage(0);
        mState = 0;
        mLineBreak = QStringLiteral("\r\n");
        lblPrompt1->setText(MessageText(msg::ConnectLineInOut));
        lblPrompt2->setText(MessageText(msg::CalibrationInvalidates));
    });
}

void frmCalCard::showPage(int page)
{
    pnlCal[std::size_t(1 - page)]->setVisible(false);
    pnlCal[std::size_t(page)]->setVisible(true);
    pnlCal[std::size_t(page)]->raise();
}

void frmCalCard::FillMixerList()
{
    std::string names;
    const int count = GetMixList(names);
    {
        const QSignalBlocker filling(lstMixer);
        lstMixer->clear();
        lstMixer->addItems(namesOf(names, count));
    }
    // Choosing the first one sets up its lines at once.
    if (count > 0)
        lstMixer->setCurrentRow(0);
}

void frmCalCard::lstMixer_Click()
{
    guarded("CalCard_Load", [&] {
        lstAudioIn->clear();
        lstAudioOut->clear();
        const int mixer = lstMixer->currentRow();
        if (mixer < 0)
            return;
        std::string names;
        int count = GetSrcList(mixer, names);
        lstAudioIn->addItems(namesOf(names, count));
        if (count > 0)
            lstAudioIn->setCurrentRow(0);
        count = GetDstList(mixer, names);
        lstAudioOut->addItems(namesOf(names, count));
        if (count > 0)
            lstAudioOut->setCurrentRow(0);
        if (!Mixer)
            return;
        Mixer->setID(std::int16_t(mixer));
        Mixer->GetIDs(-2, -2);
        Mixer->SetControls();
        Mixer->SelectDevices();
        if (Mixer->PSeqNo() >= 0 && Mixer->PSeqNo() < lstAudioOut->count())
            lstAudioOut->setCurrentRow(Mixer->PSeqNo());
        if (Mixer->RSeqNo() >= 0 && Mixer->RSeqNo() < lstAudioIn->count())
            lstAudioIn->setCurrentRow(Mixer->RSeqNo());
    });
}

void frmCalCard::chkAuto_Click()
{
    const bool manual = !chkAuto->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{fraSelect, lstMixer, lstAudioIn, lstAudioOut, lblList[0],
                                                      lblList[1], lblList[2]})
        w->setEnabled(manual);
}

void frmCalCard::cmdNext_Click()
{
    // Not while the debug test sweep has the player and the recorder.
    if (mRunning || mTesting || mUnloaded)
        return;
    mRunning = true;
    switch (mState) {
    case 0:
        mHelpContext = 5;
        showPage(1);
        mState = 1;
        break;
    case 1: {
        mHelpContext = 6;
        if (!chkAuto->isChecked() && Mixer) {
            Mixer->RestoreSettings();
            Mixer->GetIDs(std::int16_t(lstAudioOut->currentRow()), std::int16_t(lstAudioIn->currentRow()));
            Mixer->setPlanB(mPlanB);
            Mixer->SetControls();
        }
        mSuccess = false;
        cmdNext->setEnabled(false);
        // The test sweep would stop the recorder under the steps, which would then measure silence.
        cmdTest[2]->setEnabled(false);
        lblPrompt1->setText(MessageText(msg::CalibrationInProgress));
        showPage(0);
        QApplication::setOverrideCursor(Qt::BusyCursor);
        mSuccess = RunCalibration();
        QApplication::restoreOverrideCursor();
        cmdTest[2]->setEnabled(true);
        if (mSuccess) {
            lblPrompt1->setText(MessageText(msg::CalibrationCompleted));
            cmdNext->setText(QStringLiteral("&OK"));
            cmdNext->setEnabled(true);
        } else {
            lblPrompt1->setText(MessageText(msg::CalibrationFailed));
        }
        lblPrompt2->setText(QString());
        mState = 2;
        // The run disabled the buttons under the focus: Enter goes to the way on again (OK, or Abort after a
        // failure), not to whatever button the focus drifted to.
        (cmdNext->isEnabled() ? cmdNext : cmdAbort)->setFocus();
        break;
    }
    case 2:
        mHelpContext = 6;
        cmdAbort->setEnabled(false);
        cmdNext->setEnabled(false);
        if (mSuccess)
            SaveCalibration();
        unloadWindow();
        break;
    default:
        break;
    }
    mRunning = false;
    if (mAbort)
        unloadWindow();
}

void frmCalCard::cmdAbort_Click()
{
    cmdAbort->setEnabled(false);
    cmdNext->setEnabled(false);
    mAbort = true;
    if (!mRunning)
        unloadWindow();
}

void frmCalCard::cmdHelp_Click() { ShowHelp(this, mState == 1 ? 5 : 6); }

void frmCalCard::enterPlanId()
{
    const std::optional<QString> answer
        = UiServices::get().inputBox(this, MessageText(msg::EnterPlanId), QStringLiteral("Vemra"), QStringLiteral("0"));
    if (!answer || answer->isEmpty())
        return;
    const std::optional<double> value = ParseNumber(*answer);
    if (!value) {
        mPlanB = 0;
        return;
    }
    const double rounded = std::nearbyint(*value);
    if (rounded >= -32768 && rounded <= 32767)
        mPlanB = std::int16_t(rounded);
}

void frmCalCard::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F10) {
        enterPlanId();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmCalCard::cmdTest_Click(int index)
{
    if (index != 2 || mRunning || mTesting || mUnloaded || !Player || !Recorder)
        return;
    mTesting = true;
    const bool nextWasEnabled = cmdNext->isEnabled();
    cmdNext->setEnabled(false);
    guarded("cmdTest_Click", [&] {
        cmdTest[2]->setEnabled(false);
        Recorder->setChannels(2);
        Recorder->StartRecorder();
        for (clsVolume* v : {Pm, Rm, Ps, Rs})
            if (v)
                v->setVolume(32767);
        if (Options)
            Options->setAudioDelay(0);
        Player->setSWPDACVolume(32767);
        Player->setChannels(2);
        Player->setLength(Player->MinLength());
        Player->setStimulus(StimulusInternalSweep);
        Player->setFilter(0);
        Player->Play(false, QString());
        Recorder->setPreAvgCnt(1);
        Wait(0.125);
        const std::int16_t code = Recorder->Record(StimulusInternalSweep);
        if (code == 0) {
            Wait(std::ldexp(1.0, Player->MinLength()) / Player->PlayFreq() + 2.1);
            QString file;
            const std::int16_t processed = Recorder->Process(file, StimulusInternalSweep, 2);
            Player->Silence();
            // The test shows only whether the card plays and records; its response is not kept.
            if (!file.isEmpty())
                DeleteTempFile(file.toStdString());
            if (processed != 0)
                HandleError(processed);
        } else {
            Player->Silence();
            HandleError(code);
        }
        Recorder->StopRecorder();
    });
    mTesting = false;
    cmdTest[2]->setEnabled(true);
    // Abort during the sweep has disabled Continue for good.
    if (!mAbort)
        cmdNext->setEnabled(nextWasEnabled);
}

void frmCalCard::CalLog(const QString& text)
{
    if (!mLogFile)
        return;
    guarded("CalLog", [&] {
        mLogFile->write((text + QStringLiteral("\r\n")).toUtf8());
        mLogFile->flush();
    });
}

void frmCalCard::reject()
{
    // Escape and the window's own close button ask like any other close request.
    close();
}

void frmCalCard::closeEvent(QCloseEvent* event)
{
    if (mRunning && !mClosingByProgram) {
        // Refused while the run goes on; Abort is the way to stop it.
        event->ignore();
        return;
    }
    if (!mUnloaded) {
        mUnloaded = true;
        Form_Unload();
    }
    event->accept();
    QDialog::done(QDialog::Rejected);
}

void frmCalCard::unloadWindow()
{
    if (mUnloaded)
        return;
    mClosingByProgram = true;
    close();
}

void frmCalCard::Form_Unload()
{
    guarded("CalCard_Unload", [&] {
        // The log goes under the mixer that was calibrated (or chosen), before the mixer of the opening returns.
        const QString fingerPrint = Mixer ? Mixer->FingerPrint() : QString();
        const std::int32_t rate = Player ? Player->PlayFreq() : 0;
        if (Mixer) {
            Mixer->setID(mMixerID);
            Mixer->RestoreSettings();
            Mixer->SetControls();
        }
        if (mLogFile) {
            mLogFile->close();
            delete mLogFile;
            mLogFile = nullptr;
            // Appended: the card's earlier sessions stay above this one.
            QFile session(SessionLogPath());
            QFile card(CardLogPath(fingerPrint, rate));
            if (session.open(QIODevice::ReadOnly) && card.open(QIODevice::Append | QIODevice::WriteOnly)
                && card.write(session.readAll()) >= 0 && card.flush()) {
                card.close();
                session.close();
                session.remove();
            }
        }
        DeleteTempFiles();
        if (Mixer)
            Mixer->LoadCalibration();
    });
}

void frmCalCard::Wait(double seconds)
{
    MeasureClock& c = clock();
    const double end = c.now_s() + seconds;
    do
        c.idle();
    while (c.now_s() < end && !mUnloaded);
}

void frmCalCard::yieldOnce() { QCoreApplication::processEvents(); }

} // namespace vemra
