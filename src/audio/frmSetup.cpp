#include "audio/frmSetup.h"

#include "audio/AudioGlobals.h"
#include "audio/SoundSysNames.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/frmMeasure.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/HelpKey.h"
#include "core/MessageTexts.h"
#include "core/NumberFormat.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "core/clsOptions.h"
#include "library/Messages.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vemra {
namespace {

constexpr int kHelpContext = 4;

} // namespace

frmSetup::frmSetup(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("Options"));
    InstallHelpKey(this, kHelpContext);
    setModal(true);

    auto* fraMeasure = new QGroupBox(QStringLiteral("Measurement"), this);
    fraMeasure->setObjectName(QStringLiteral("fraMeasure"));
    auto* measureGrid = new QGridLayout(fraMeasure);
    auto addBox = [&](QGridLayout* grid, int row, const char* name, const char* caption, const char* unit) {
        auto* edit = new QLineEdit(grid->parentWidget());
        edit->setObjectName(QLatin1String(name));
        edit->setMaximumWidth(80);
        edit->installEventFilter(this);
        grid->addWidget(new QLabel(QString::fromUtf8(caption), grid->parentWidget()), row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(new QLabel(QString::fromUtf8(unit), grid->parentWidget()), row, 2);
        return edit;
    };
    txtTemperature_ = addBox(measureGrid, 0, "txtTemperature", "Temperature:", "°C");
    txtDist_ = addBox(measureGrid, 1, "txtDist", "Minimum Source-Receiver distance:", "m");
    txtProbe_ = addBox(measureGrid, 2, "txtProbe", "Probe seperation:", "mm");
    measureGrid->addWidget(new QLabel(QStringLiteral("Close file on save:"), fraMeasure), 3, 0);
    auto* closeRow = new QHBoxLayout;
    auto* closeGroup = new QButtonGroup(this);
    const char* closeCaptions[] = {"&Always", "N&ever", "A&sk"};
    for (int i = 0; i < 3; ++i) {
        optClose_[std::size_t(i)] = new QRadioButton(QLatin1String(closeCaptions[i]), fraMeasure);
        optClose_[std::size_t(i)]->setObjectName(QStringLiteral("optClose(%1)").arg(i));
        closeGroup->addButton(optClose_[std::size_t(i)], i);
        closeRow->addWidget(optClose_[std::size_t(i)]);
    }
    measureGrid->addLayout(closeRow, 3, 1, 1, 2);
    chkReuse_ = new QCheckBox(QStringLiteral("Reuse open  windows"), fraMeasure);
    chkReuse_->setObjectName(QStringLiteral("chkReuse"));
    measureGrid->addWidget(chkReuse_, 4, 0, 1, 3);

    auto* fraCard = new QGroupBox(QStringLiteral("SoundCard"), this);
    fraCard->setObjectName(QStringLiteral("fraCard"));
    auto* cardGrid = new QGridLayout(fraCard);
    auto* lblFs = new QLabel(QStringLiteral("Sample frequency:"), fraCard);
    lblFs->setObjectName(QStringLiteral("lblFs"));
    cardGrid->addWidget(lblFs, 0, 0);
    auto* rateGroup = new QButtonGroup(this);
    const char* rateNames[] = {"optFs22", "optFs44", "optFs48", "optFs96"};
    auto* rateColumn = new QVBoxLayout;
    for (int i = 0; i < 4; ++i) {
        auto* b = new QRadioButton(QStringLiteral("%1 Hz").arg(clsOptions::kSampleRates[std::size_t(i)]), fraCard);
        b->setObjectName(QLatin1String(rateNames[i]));
        rateGroup->addButton(b, i);
        rateColumn->addWidget(b);
        optFs_[std::size_t(i)] = b;
        // Only the user's click asks about recalibrating, not a choice made from code.
        connect(b, &QRadioButton::clicked, this, [this, i] { optFs_Click(i); });
    }
    cardGrid->addLayout(rateColumn, 0, 1, 1, 2);
    chkUseCal_ = new QCheckBox(QStringLiteral("&Use soundcard calibration"), fraCard);
    chkUseCal_->setObjectName(QStringLiteral("chkUseCal"));
    connect(chkUseCal_, &QCheckBox::clicked, this, [this] { chkUseCal_Click(); });
    cardGrid->addWidget(chkUseCal_, 1, 0, 1, 3);
    cmbCalibration_ = new QComboBox(fraCard);
    cmbCalibration_->setObjectName(QStringLiteral("cmbCalibration"));
    cmbCalibration_->setMinimumContentsLength(24);
    cardGrid->addWidget(cmbCalibration_, 2, 0, 1, 3);
    txtDelay_ = addBox(cardGrid, 3, "txtDelay", "System delay:", "samples");

    cmdOK_ = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdHelp_ = new QPushButton(QStringLiteral("&Help"), this);
    cmdHelp_->setObjectName(QStringLiteral("cmdHelp"));
    for (QPushButton* b : {cmdOK_, cmdCancel_, cmdHelp_})
        b->setAutoDefault(false); // Enter belongs to the text boxes
    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdHelp_, &QPushButton::clicked, this, [this] { cmdHelp_Click(); });

    // The ranges the options load again: a value the dialog stores is never lost at the next start.
    using O = clsOptions;
    boxes_ = {Box{txtTemperature_, &O::Temperature, QStringLiteral("0.0"), O::kTemperatureRange, cmdOK_},
              Box{txtDist_, &O::MinSRDist, QStringLiteral("0.0"), O::kMinSRDistRange, cmdOK_},
              Box{txtProbe_, &O::ProbeDist, QStringLiteral("0.00"), O::kProbeDistRange, cmdCancel_},
              Box{txtDelay_, &O::AudioDelay, QStringLiteral("0"), O::kAudioDelayRange, cmdOK_}};

    auto* frames = new QHBoxLayout;
    frames->addWidget(fraMeasure);
    frames->addWidget(fraCard);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);
    buttons->addWidget(cmdHelp_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(buttons);

    guarded("Setup - Load", [&] {
        if (Options)
            connect(Options, &clsOptions::SettingChanged, this, &frmSetup::mOptions_SettingChanged);
        FillControls();
    });
}

const frmSetup::Box* frmSetup::boxOf(const QObject* widget) const
{
    for (const Box& b : boxes_)
        if (b.edit == widget)
            return &b;
    return nullptr;
}

QString frmSetup::stored(const Box& box) const
{
    return FormatNumber(Options ? double((Options->*box.get)()) : 0.0, box.pattern);
}

void frmSetup::FillControls()
{
    if (!Options)
        return;
    for (QLineEdit* edit : {txtDist_, txtDelay_, txtProbe_, txtTemperature_})
        edit->setText(stored(*boxOf(edit)));
    const int close = Options->CloseOnSave();
    optClose_[std::size_t(close >= 0 && close <= 2 ? close : 2)]->setChecked(true);
    int rate = 3;
    for (int i = 0; i < 3; ++i)
        if (Options->SampleFrequency() == clsOptions::kSampleRates[std::size_t(i)])
            rate = i;
    optFs_[std::size_t(rate)]->setChecked(true);
    chkReuse_->setChecked(Options->ReuseWindows());

    const QStringList keys = SettingKeys(kSoundSysSection);
    if (!keys.isEmpty()) {
        cmbCalibration_->clear();
        for (const QString& key : keys) {
            bool numeric = false;
            key.toDouble(&numeric);
            const QString shown = numeric ? GetSetting(kSoundSysSection, key) : key;
            cmbCalibration_->addItem(shown);
            if (shown == Options->Calibration())
                cmbCalibration_->setCurrentIndex(cmbCalibration_->count() - 1);
        }
    }
    if (cmbCalibration_->currentIndex() < 0 && cmbCalibration_->count() > 0)
        cmbCalibration_->setCurrentIndex(0);
    const bool listed = cmbCalibration_->count() > 0;
    chkUseCal_->setEnabled(listed);
    const bool inUse = Options->UseCal() && listed;
    chkUseCal_->setChecked(inUse);
    cmbCalibration_->setEnabled(inUse);
    for (QRadioButton* b : optFs_)
        b->setEnabled(!inUse);
}

void frmSetup::chkUseCal_Click()
{
    if (cmbCalibration_->count() == 0) {
        chkUseCal_->setChecked(false);
        return;
    }
    const bool on = chkUseCal_->isChecked();
    cmbCalibration_->setEnabled(on);
    for (QRadioButton* b : optFs_)
        b->setEnabled(!on);
}

void frmSetup::optFs_Click(int index)
{
    if (Player && Player->PlayFreq() != clsOptions::kSampleRates[std::size_t(index)]) {
        MessageRequest r;
        r.text = MessageText(msg::RateChangeRecalibrate);
        r.title = QStringLiteral("Options");
        r.icon = MsgIcon::Information;
        r.buttons = MsgButtons::OK;
        r.parent = this;
        UiServices::get().messageBox(r);
    }
}

bool frmSetup::Validate(const Box& box)
{
    const std::optional<double> value = ParseNumber(box.edit->text(), box.range.minimum, box.range.maximum);
    if (value) {
        cmdOK_->setEnabled(true);
        box.edit->setText(FormatNumber(*value, box.pattern));
        return true;
    }
    box.edit->setText(stored(box));
    cmdOK_->setEnabled(false);
    QApplication::beep();
    return false;
}

bool frmSetup::eventFilter(QObject* watched, QEvent* event)
{
    if (const Box* box = boxOf(watched)) {
        switch (event->type()) {
        case QEvent::FocusIn:
            box->edit->selectAll();
            break;
        case QEvent::FocusOut:
            Validate(*box);
            break;
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                cmdOK_->setEnabled(true);
                box->enterGoesTo->setFocus(); // leaving the box checks it
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmSetup::mOptions_SettingChanged()
{
    if (!saving_)
        FillControls();
}

void frmSetup::cmdOK_Click()
{
    if (!Options)
        return;
    saving_ = true;
    {
        // Every option that changed saves the settings; the user hears once if the file cannot be written, and OK
        // writes whatever an earlier failed write left pending.
        const SettingsSaveEvent save;
        // A box still holding what it would refuse is not taken: the option keeps its value.
        const auto take = [&](QLineEdit* edit, void (clsOptions::*set)(float)) {
            guarded("Setup_OK", [&] {
                const Box& box = *boxOf(edit);
                const std::optional<double> value = ParseNumber(edit->text(), box.range.minimum, box.range.maximum);
                if (!value)
                    throw VemraError(13, QStringLiteral("Type mismatch"));
                (Options->*set)(float(*value));
            });
        };
        take(txtDist_, &clsOptions::setMinSRDist);
        take(txtDelay_, &clsOptions::setAudioDelay);
        take(txtProbe_, &clsOptions::setProbeDist);
        take(txtTemperature_, &clsOptions::setTemperature);
        Options->setCloseOnSave(optClose_[0]->isChecked() ? CloseAlways : optClose_[1]->isChecked() ? CloseNever : CloseAsk);
        std::int32_t rate = clsOptions::kSampleRates[3];
        for (int i = 0; i < 3; ++i)
            if (optFs_[std::size_t(i)]->isChecked())
                rate = clsOptions::kSampleRates[std::size_t(i)];
        Options->setSampleFrequency(rate);
        Options->setReuseWindows(chkReuse_->isChecked());
        if (chkUseCal_->isChecked() || Options->UseCal()) {
            Options->setUseCal(chkUseCal_->isChecked());
            if (Options->UseCal())
                Options->setCalibration(cmbCalibration_->currentText());
            frmMeasure::Unload();
            if (Mixer)
                Mixer->LoadCalibration();
        }
        FlushSettings();
    }
    saving_ = false;
    accept();
}

void frmSetup::cmdCancel_Click()
{
    FillControls();
    reject();
}

void frmSetup::cmdHelp_Click()
{
    ShowHelp(this, kHelpContext);
}

} // namespace vemra
