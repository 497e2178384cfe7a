// The measurement window: layout, initialisation, the choice controls and the rules that enable them.
#include "audio/frmMeasure.h"

#include "audio/AudioGlobals.h"
#include "audio/ReceiverPictures.h"
#include "audio/UpDown.h"
#include "audio/VUMeter.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "audio/clsVolume.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/HelpKey.h"
#include "core/SelectOnFocus.h"
#include "core/Settings.h"
#include "core/clsOptions.h"
#include "library/Codes.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace vemra {

namespace {

const QString kMeasurement = QStringLiteral("Measurement");

QPointer<frmMeasure>& shared()
{
    static QPointer<frmMeasure> window;
    return window;
}

template <class W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

bool isInternal(int stimulus) { return stimulus == StimulusInternalMls || stimulus == StimulusInternalSweep; }

} // namespace

frmMeasure* frmMeasure::instance()
{
    if (!shared()) {
        shared() = new frmMeasure;
        shared()->InitMeasure();
    }
    return shared();
}

bool frmMeasure::loaded()
{
    return !shared().isNull() && !shared()->unloaded_;
}

void frmMeasure::Unload()
{
    if (loaded())
        shared()->requestClose(false);
}

frmMeasure::frmMeasure(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmMeasure"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    createControls();
    InstallHelpKey(this, kHelpContext);
}

frmMeasure::~frmMeasure() = default;

QString frmMeasure::GainText(float level_dB)
{
    const double half = std::nearbyint(2.0 * double(level_dB)) / 2.0;
    return QLocale().toString(half == 0 ? 0.0 : half, 'f', 1);
}

QString frmMeasure::LengthText(int order, std::int32_t rate_Hz)
{
    const float t = float(std::ldexp(1.0, order) / double(rate_Hz));
    return t < 10 ? QStringLiteral("   ") + QLocale().toString(double(t), 'f', 2)
                  : QStringLiteral("  ") + QLocale().toString(double(t), 'f', 1);
}

void frmMeasure::createControls()
{
    // --- Source: gain, play frame, signal ---
    fraSource_ = named(new QGroupBox(QStringLiteral("Source"), this), "fraSource");
    fraPlayVol_ = named(new QGroupBox(QStringLiteral("Gain"), fraSource_), "fraPlayVol");
    sldPlayVol_ = named(new QSlider(Qt::Vertical, fraPlayVol_), "sldPlayVol");
    sldPlayVol_->setInvertedAppearance(true); // position 0 (the highest gain) at the top
    sldPlayVol_->setRange(0, 1);
    lblVoldB_ = named(new QLabel(fraPlayVol_), "lblVoldB");
    auto* playUnit = named(new QLabel(QStringLiteral("dB"), fraPlayVol_), "lblUnit");
    auto* playVolLayout = new QVBoxLayout(fraPlayVol_);
    playVolLayout->addWidget(sldPlayVol_, 1, Qt::AlignHCenter);
    playVolLayout->addWidget(lblVoldB_, 0, Qt::AlignHCenter);
    playVolLayout->addWidget(playUnit, 0, Qt::AlignHCenter);

    fraPlay_ = named(new QGroupBox(QStringLiteral("MLS"), fraSource_), "fraPlay");
    cmdTest_ = named(new QPushButton(QStringLiteral("&Test"), fraPlay_), "cmdTest");
    lstLength_ = named(new QComboBox(fraPlay_), "lstLength");
    auto* lblPrnLength = named(new QLabel(QStringLiteral("Length [s]"), fraPlay_), "lblPrnLength");
    auto* playLayout = new QVBoxLayout(fraPlay_);
    playLayout->addWidget(lblPrnLength);
    playLayout->addWidget(lstLength_);
    playLayout->addStretch();
    playLayout->addWidget(cmdTest_);

    fraSignal_ = named(new QGroupBox(QStringLiteral("Signal"), fraSource_), "fraSignal");
    auto* lblFilter = named(new QLabel(QStringLiteral("Filter:"), fraSignal_), "lblFilter");
    cmbFilter_ = named(new QComboBox(fraSignal_), "cmbFilter");
    const char* filters[] = {"None", "Pink+Blue", "Female", "Male", "RASTI"};
    for (int code = 0; code < SourceFilterCodeCount; ++code)
        cmbFilter_->addItem(QLatin1String(filters[code]), code);
    optInternal_ = named(new QRadioButton(QStringLiteral("I&nternal"), fraSignal_), "optInternal");
    optExternal_ = named(new QRadioButton(QStringLiteral("E&xternal"), fraSignal_), "optExternal");
    auto* sourceGroup = new QButtonGroup(this);
    sourceGroup->addButton(optInternal_);
    sourceGroup->addButton(optExternal_);
    auto* picture1 = named(new QWidget(fraSignal_), "Picture1");
    optMLS_ = named(new QRadioButton(QStringLiteral("&MLS"), picture1), "optMLS");
    optSweep_ = named(new QRadioButton(QStringLiteral("&Sweep"), picture1), "optSweep");
    optNoise_ = named(new QRadioButton(QStringLiteral("&Noise"), picture1), "optNoise");
    optImpuls_ = named(new QRadioButton(QStringLiteral("Im&pulse"), picture1), "optImpuls");
    auto* signalGroup = new QButtonGroup(this);
    auto* signalLayout = new QVBoxLayout(picture1);
    signalLayout->setContentsMargins(0, 0, 0, 0);
    for (QRadioButton* b : {optMLS_, optSweep_, optNoise_, optImpuls_}) {
        signalGroup->addButton(b);
        signalLayout->addWidget(b);
    }
    auto* signalGrid = new QGridLayout(fraSignal_);
    signalGrid->addWidget(lblFilter, 0, 0);
    signalGrid->addWidget(cmbFilter_, 0, 1);
    auto* sourceColumn = new QVBoxLayout;
    sourceColumn->addWidget(optInternal_);
    sourceColumn->addWidget(optExternal_);
    sourceColumn->addStretch();
    signalGrid->addLayout(sourceColumn, 1, 0);
    signalGrid->addWidget(picture1, 1, 1);

    auto* sourceLayout = new QHBoxLayout(fraSource_);
    sourceLayout->addWidget(fraPlayVol_);
    sourceLayout->addWidget(fraPlay_);
    sourceLayout->addWidget(fraSignal_, 1);

    // Selecting an option button, also from code, runs its handler at once.
    auto onSelect = [this](QRadioButton* b, void (frmMeasure::*handler)()) {
        connect(b, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on)
                (this->*handler)();
        });
    };
    onSelect(optInternal_, &frmMeasure::optInternal_Click);
    onSelect(optExternal_, &frmMeasure::optExternal_Click);
    onSelect(optMLS_, &frmMeasure::optMLS_Click);
    onSelect(optSweep_, &frmMeasure::optSweep_Click);
    onSelect(optNoise_, &frmMeasure::optNoise_Click);
    onSelect(optImpuls_, &frmMeasure::optImpuls_Click);
    connect(lstLength_, &QComboBox::currentIndexChanged, this, [this] { lstLength_Click(); });
    connect(cmdTest_, &QPushButton::clicked, this, [this] { cmdTest_Click(); });

    // --- Receiver ---
    fraReceiver_ = named(new QGroupBox(QStringLiteral("Receiver"), this), "fraReceiver");
    fraType_ = named(new QGroupBox(QStringLiteral("Type"), fraReceiver_), "fraType");
    typeGroup_ = new QButtonGroup(this);
    auto* typeGrid = new QGridLayout(fraType_);
    for (int i = 0; i < kReceiverButtons; ++i) {
        auto* b = new QToolButton(fraType_);
        b->setObjectName(QStringLiteral("cmdType(%1)").arg(i));
        b->setCheckable(true);
        b->setIcon(ReceiverIcon(i));
        b->setIconSize(QSize(kReceiverPictureWidth, kReceiverPictureHeight));
        typeGroup_->addButton(b, i);
        typeGrid->addWidget(b, i / 2, i % 2);
        cmdType_[std::size_t(i)] = b;
        connect(b, &QToolButton::toggled, this, [this, i](bool on) {
            if (on)
                cmdType_Click(i);
        });
    }
    lblPreAvg_ = named(new QLabel(QStringLiteral("Pre-Average:"), fraReceiver_), "lblPreAvg");
    txtAvg_ = named(new QLineEdit(QStringLiteral("1"), fraReceiver_), "txtAvg");
    txtAvg_->setMaximumWidth(60);
    SelectAllOnFocus(txtAvg_);
    udPreAvg_ = named(new UpDown(txtAvg_, 1, 1000, fraReceiver_), "udPreAvg");
    connect(txtAvg_, &QLineEdit::textChanged, this, [this] { txtAvg_Change(); });
    auto* avgRow = new QHBoxLayout;
    avgRow->addWidget(lblPreAvg_);
    avgRow->addWidget(txtAvg_);
    avgRow->addWidget(udPreAvg_);
    avgRow->addStretch();
    auto* receiverLayout = new QVBoxLayout(fraReceiver_);
    receiverLayout->addWidget(fraType_);
    receiverLayout->addLayout(avgRow);

    // --- Record: buttons and the two meters with their gain sliders ---
    fraRecord_ = named(new QGroupBox(QStringLiteral("Record"), this), "fraRecord");
    cmdImport_ = named(new QPushButton(QStringLiteral("&Import"), fraRecord_), "cmdImport");
    cmdRecord_ = named(new QPushButton(QStringLiteral("&Start"), fraRecord_), "cmdRecord");
    connect(cmdImport_, &QPushButton::clicked, this, [this] { cmdImport_Click(); });
    connect(cmdRecord_, &QPushButton::clicked, this, [this] { cmdRecord_Click(); });
    auto* recordLayout = new QHBoxLayout(fraRecord_);
    auto* recordButtons = new QVBoxLayout;
    recordButtons->addWidget(cmdRecord_);
    recordButtons->addWidget(cmdImport_);
    recordButtons->addStretch();
    recordLayout->addLayout(recordButtons);
    for (int c = 0; c < 2; ++c) {
        auto* frame = new QGroupBox(c == 0 ? QStringLiteral("Ch1") : QStringLiteral("Ch2"), fraRecord_);
        frame->setObjectName(c == 0 ? QStringLiteral("fraVU1") : QStringLiteral("fraVU2"));
        auto* slider = new QSlider(Qt::Vertical, frame);
        slider->setObjectName(c == 0 ? QStringLiteral("sldCh1") : QStringLiteral("sldCh2"));
        slider->setInvertedAppearance(true);
        slider->setRange(0, 1);
        auto* label = new QLabel(frame);
        label->setObjectName(c == 0 ? QStringLiteral("lblCh1dB") : QStringLiteral("lblCh2dB"));
        auto* unit = named(new QLabel(QStringLiteral("dB"), frame), "lblUnit");
        auto* meter = new VUMeter(frame);
        meter->setObjectName(c == 0 ? QStringLiteral("shVU1") : QStringLiteral("shVU2"));
        auto* grid = new QGridLayout(frame);
        grid->addWidget(slider, 0, 0, Qt::AlignHCenter);
        grid->addWidget(meter, 0, 1);
        grid->addWidget(label, 1, 0, Qt::AlignHCenter);
        grid->addWidget(unit, 1, 1);
        fraVU_[std::size_t(c)] = frame;
        sldCh_[std::size_t(c)] = slider;
        lblChdB_[std::size_t(c)] = label;
        shVU_[std::size_t(c)] = meter;
        recordLayout->addWidget(frame);
    }
    recordLayout->addStretch();
    connect(sldPlayVol_, &QSlider::valueChanged, this, [this] { sldPlayVol_Change(); });
    connect(sldCh_[0], &QSlider::valueChanged, this, [this] { sldCh1_Change(); });
    connect(sldCh_[1], &QSlider::valueChanged, this, [this] { sldCh2_Change(); });

    cmdClose_ = named(new QPushButton(QStringLiteral("&Close"), this), "cmdClose");
    cmdHelp_ = named(new QPushButton(QStringLiteral("&Help"), this), "cmdHelp");
    connect(cmdClose_, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    connect(cmdHelp_, &QPushButton::clicked, this, [this] { cmdHelp_Click(); });

    // --- Status bar: the panels "Cancel", "Progress" and "Status" ---
    auto* stStatus = named(new QFrame(this), "stStatus");
    stStatus->setFrameShape(QFrame::StyledPanel);
    pnlCancel_ = named(new QPushButton(stStatus), "Cancel");
    pnlCancel_->setFlat(true);
    pnlCancel_->setEnabled(false);
    pnlCancel_->setFixedWidth(70);
    pnlCancel_->setFocusPolicy(Qt::NoFocus);
    prgProgress_ = named(new QProgressBar(stStatus), "prgProgress");
    prgProgress_->setRange(0, 100);
    prgProgress_->setValue(0);
    prgProgress_->setTextVisible(false);
    lblStatus_ = named(new QLabel(QStringLiteral("Ready"), stStatus), "Status");
    connect(pnlCancel_, &QPushButton::clicked, this, [this] { stStatus_PanelClick(QStringLiteral("Cancel")); });
    auto* statusLayout = new QHBoxLayout(stStatus);
    statusLayout->setContentsMargins(2, 1, 2, 1);
    statusLayout->addWidget(pnlCancel_);
    statusLayout->addWidget(prgProgress_, 1);
    statusLayout->addWidget(lblStatus_, 2);

    tmrProgress_ = new QTimer(this);
    tmrProgress_->setInterval(200);
    connect(tmrProgress_, &QTimer::timeout, this, [this] { tmrProgress_Timer(); });

    auto* top = new QHBoxLayout;
    top->addWidget(fraSource_, 3);
    top->addWidget(fraReceiver_, 2);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(fraRecord_, 1);
    auto* sideButtons = new QVBoxLayout;
    sideButtons->addStretch();
    sideButtons->addWidget(cmdClose_);
    sideButtons->addWidget(cmdHelp_);
    bottom->addLayout(sideButtons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom, 1);
    layout->addWidget(stStatus);
}

// --- initialisation ---

void frmMeasure::InitMeasure()
{
    guarded("InitMeasure", [&] {
        setWindowTitle(QStringLiteral("Vemra - Measurement")
                       + (Options && Options->UseCal() ? QString() : QStringLiteral(" (not calibrated)")));
        if (Player)
            connect(Player, &clsPlayer::PlayerBusy, this, &frmMeasure::mPlayer_PlayerBusy);
        if (Recorder)
            connect(Recorder, &clsRecorder::VUUpdate, this, &frmMeasure::mRecorder_VUUpdate);
        if (Options)
            connect(Options, &clsOptions::SettingChanged, this, &frmMeasure::mOptions_SettingChanged);
        initRate_ = Player ? Player->PlayFreq() : 0;

        // Stored choices that are out of range fall back to their defaults.
        receiver_ = std::int16_t(ReadInteger(kMeasurement, QStringLiteral("Receiver"), ReceiverOmni, ReceiverOmniOmniProbe).value_or(ReceiverOmni));
        if (Recorder)
            Recorder->setChannels(twoInputs(receiver_) ? 2 : 1);
        cmdType_[std::size_t(receiver_)]->setChecked(true);
        txtAvg_->setText(QString::number(Recorder ? Recorder->PreAvgCnt() : 1));
        const auto stored = std::int16_t(ReadInteger(kMeasurement, QStringLiteral("Stimulus"), StimulusInternalMls,
                                                     StimulusExternalSweep)
                                             .value_or(StimulusInternalMls));
        stimulus_ = stored;
        optInternal_->setChecked(isInternal(stored));
        optExternal_->setChecked(!isInternal(stored));
        optMLS_->setChecked(stored == StimulusInternalMls || stored == StimulusExternalMls);
        optMLS_->setEnabled(true);
        optSweep_->setChecked(stored == StimulusInternalSweep || stored == StimulusExternalSweep);
        optSweep_->setEnabled(true);
        optNoise_->setChecked(stored == StimulusExternalNoise);
        optNoise_->setEnabled(optExternal_->isChecked());
        optImpuls_->setChecked(stored == StimulusExternalImpulse);
        optImpuls_->setEnabled(optExternal_->isChecked());
        cmbFilter_->setCurrentIndex(
            int(ReadInteger(kMeasurement, QStringLiteral("Filter"), 0, SourceFilterCodeCount - 1).value_or(0)));
        ResetVU();
        const bool fullDuplex = Mixer && Mixer->FullDuplex();
        if (!fullDuplex) {
            optExternal_->setChecked(true);
            optInternal_->setEnabled(false);
        }
        if (Options && Options->UseCal() && Mixer) {
            Mixer->SetControls();
            SetUpGains();
        }
        FillLengthList();
        if (Recorder)
            if (const std::int16_t rc = Recorder->StartRecorder())
                HandleError(rc);
        UpdateDialog();
    });
}

void frmMeasure::FillLengthList()
{
    if (!Player)
        return;
    const QSignalBlocker quiet(lstLength_);
    lstLength_->clear();
    int selected = -1;
    for (int n = Player->MinLength(); n <= Player->MaxLength(); ++n) {
        lstLength_->addItem(LengthText(n, Player->PlayFreq()), n);
        if (n == Player->Length())
            selected = lstLength_->count() - 1;
    }
    lstLength_->setCurrentIndex(selected < 0 ? 0 : selected);
    lstLength_Click();
}

// --- choices ---

void frmMeasure::cmdType_Click(int index)
{
    if (index == receiver_)
        return;
    guarded("frmMeasure::cmdType_Click", [&] {
        setCursor(Qt::WaitCursor);
        receiver_ = std::int16_t(index);
        UpdateDialog();
        unsetCursor();
    });
}

std::int16_t frmMeasure::stimulusFromButtons() const
{
    if (optInternal_->isChecked())
        return optSweep_->isChecked() ? StimulusInternalSweep : StimulusInternalMls;
    if (optNoise_->isChecked())
        return StimulusExternalNoise;
    if (optImpuls_->isChecked())
        return StimulusExternalImpulse;
    return optSweep_->isChecked() ? StimulusExternalSweep : StimulusExternalMls;
}

void frmMeasure::optInternal_Click()
{
    optNoise_->setEnabled(false);
    optImpuls_->setEnabled(false);
    if (optNoise_->isChecked() || optImpuls_->isChecked())
        optMLS_->setChecked(true);
    stimulus_ = stimulusFromButtons();
    UpdateDialog();
}

void frmMeasure::optExternal_Click()
{
    if (busy_ && sequenceDepth_ == 0)
        StopPlay();
    optNoise_->setEnabled(true);
    optImpuls_->setEnabled(true);
    stimulus_ = stimulusFromButtons();
    UpdateDialog();
}

void frmMeasure::optMLS_Click()
{
    stimulus_ = optInternal_->isChecked() ? StimulusInternalMls : StimulusExternalMls;
    UpdateDialog();
}

void frmMeasure::optSweep_Click()
{
    stimulus_ = optInternal_->isChecked() ? StimulusInternalSweep : StimulusExternalSweep;
    UpdateDialog();
}

void frmMeasure::optNoise_Click()
{
    stimulus_ = StimulusExternalNoise;
    UpdateDialog();
}

void frmMeasure::optImpuls_Click()
{
    stimulus_ = StimulusExternalImpulse;
    UpdateDialog();
}

void frmMeasure::lstLength_Click()
{
    if (Player && lstLength_->currentIndex() >= 0)
        Player->setLength(std::int16_t(lstLength_->currentData().toInt()));
}

std::int16_t frmMeasure::filterCode() const
{
    return std::int16_t(cmbFilter_->currentIndex() >= 0 ? cmbFilter_->currentData().toInt() : SourceFilterNone);
}

void frmMeasure::txtAvg_Change()
{
    guarded("txtAvg_Change", [&] {
        const std::optional<double> typed = ParseNumber(txtAvg_->text().trimmed());
        int n = Recorder ? Recorder->PreAvgCnt() : 1;
        if (typed) {
            const double whole = std::nearbyint(*typed);
            if (whole < udPreAvg_->minimum())
                n = 1;
            else if (whole > udPreAvg_->maximum())
                n = udPreAvg_->value();
            else
                n = int(whole);
        }
        if (Recorder)
            Recorder->setPreAvgCnt(std::int16_t(n));
        udPreAvg_->setValue(n);
        const QString text = QString::number(n);
        if (txtAvg_->text() != text)
            txtAvg_->setText(text);
    });
}

void frmMeasure::setImportAllowed()
{
    cmdImport_->setEnabled(!busy_ && sequenceDepth_ == 0);
}

void frmMeasure::mOptions_SettingChanged()
{
    // The continuous input and the length list were made for the rate in force when the window opened.
    if (Player && Player->PlayFreq() != initRate_)
        requestClose(false);
}

// --- the enabling rules ---

void frmMeasure::UpdateDialog()
{
    const auto step = [](const auto& body) { guarded("Measure::UpdateDialog", body); };
    step([&] {
        cmdType_[ReceiverOmni]->setIcon(ReceiverIcon(ReceiverOmni));
        cmdType_[ReceiverOmniFig8Switched]->setIcon(ReceiverIcon(ReceiverOmniFig8Switched));
    });
    step([&] {
        if (Recorder)
            Recorder->setVUEnabled(false);
        ResetVU();
    });
    const int s = stimulus_;
    if (s < StimulusInternalMls || s > StimulusExternalSweep)
        return;
    const bool fd = Mixer && Mixer->FullDuplex();
    const bool internal = isInternal(s);
    const bool noise = s == StimulusExternalNoise;
    const bool impulse = s == StimulusExternalImpulse;
    const int maxChannels = Recorder ? Recorder->MaxChannels() : 1;
    const bool useCal = Options && Options->UseCal();

    step([&] {
        // Receiver and pre-average.
        for (int i = 0; i < kReceiverButtons; ++i)
            cmdType_[std::size_t(i)]->setEnabled(receiverAllowed(i, noise, maxChannels));
        if (noise) {
            if (twoInputs(receiver_))
                cmdType_[ReceiverOmni]->setChecked(true); // its handler changes the receiver and runs this again first
            cmdType_[ReceiverOmni]->setIcon(ReceiverIcon(ReceiverOmni, true));
            cmdType_[ReceiverOmniFig8Switched]->setIcon(ReceiverIcon(ReceiverOmniFig8Switched, true));
        }
        // Noise and impulse records are taken once; the others average the periods.
        const bool averages = !noise && !impulse;
        const bool shown = averages && (internal ? fd : true);
        txtAvg_->setVisible(shown);
        lblPreAvg_->setVisible(shown);
        udPreAvg_->setVisible(shown);
        if (averages)
            txtAvg_Change();
        if (Recorder)
            Recorder->setPreAvgCnt(averages ? std::int16_t(txtAvg_->text().toInt()) : std::int16_t(1));
    });
    step([&] {
        // Buttons, frames, channels, meters and gains.
        cmdImport_->setVisible(!internal);
        setImportAllowed();
        cmdTest_->setVisible(internal);
        fraPlay_->setTitle(s == StimulusInternalMls ? QStringLiteral("MLS")
                           : s == StimulusInternalSweep ? QStringLiteral("Sweep")
                                                        : QStringLiteral("Capture"));
        const bool framesOn = internal ? fd : true;
        for (QWidget* w : {static_cast<QWidget*>(fraType_), static_cast<QWidget*>(fraReceiver_),
                           static_cast<QWidget*>(fraRecord_), static_cast<QWidget*>(fraVU_[0])})
            w->setEnabled(framesOn);
        fraVU_[0]->setVisible(framesOn);
        const bool twoChannels = noise || twoInputs(receiver_);
        const bool secondShown = twoChannels && (internal ? fd : true);
        fraVU_[1]->setEnabled(secondShown);
        fraVU_[1]->setVisible(secondShown);
        if (Recorder)
            Recorder->setChannels(twoChannels ? 2 : 1);
        if (Recorder && (!internal || fd))
            Recorder->setVUEnabled(true);
        const bool playGain = internal && useCal && Pm && Ps && Pm->Steps() + Ps->Steps() > 0;
        fraPlayVol_->setEnabled(playGain);
        sldPlayVol_->setEnabled(playGain);
        lblVoldB_->setVisible(playGain);
        const bool recordGain = useCal && Rm && Rs && Rm->Steps() + Rs->Steps() > 0;
        for (int c = 0; c < 2; ++c) {
            sldCh_[std::size_t(c)]->setEnabled(recordGain);
            lblChdB_[std::size_t(c)]->setVisible(recordGain);
        }
    });
    cmdRecord_->setFocus();
}

void frmMeasure::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ResetVU();
}

} // namespace vemra
