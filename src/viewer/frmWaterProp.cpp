#include "viewer/frmWaterProp.h"

#include "core/BandsAndParameters.h"
#include "library/dsp/Bands.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/HelpKey.h"
#include "core/NumberFormat.h"
#include "core/Settings.h"
#include "library/dsp/Waterfall.h"
#include "viewer/frmWaterfall.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>
#include <optional>

namespace vemra {
namespace {

constexpr int kHelpContext = 27;

const QString kRiseFormat = QStringLiteral("0.00");

QGroupBox* frame(QWidget* parent, const char* name, const char* caption)
{
    auto* box = new QGroupBox(QString::fromLatin1(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QRadioButton* option(QWidget* parent, const char* name, const char* caption)
{
    auto* b = new QRadioButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

struct OptionButton {
    QRadioButton** made;
    const char* name;
    const char* caption;
};

// A frame of option buttons, one under another.
QGroupBox* optionFrame(QWidget* parent, const char* name, const char* caption,
                       std::initializer_list<OptionButton> options)
{
    QGroupBox* box = frame(parent, name, caption);
    auto* layout = new QVBoxLayout(box);
    for (const OptionButton& o : options) {
        *o.made = option(box, o.name, o.caption);
        layout->addWidget(*o.made);
    }
    return box;
}

QLineEdit* textField(QWidget* parent, const char* name)
{
    auto* t = new QLineEdit(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setMaximumWidth(90);
    return t;
}

QComboBox* list(QWidget* parent, const char* name)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

// Selects the entry holding the value, searching from the first; the first entry when none holds it.
void selectItemValue(QComboBox* box, int value)
{
    const int at = box->findData(value);
    box->setCurrentIndex(at >= 0 ? at : 0);
}

} // namespace

frmWaterProp::frmWaterProp(frmWaterfall* parent) : QDialog(parent), Parent(parent)
{
    setObjectName(QStringLiteral("frmWaterProp"));
    setWindowTitle(QStringLiteral("ETF Properties"));
    InstallHelpKey(this, kHelpContext);
    setModal(true);
    createControls();
    Form_Load();
}

void frmWaterProp::createControls()
{
    const char* const labelCaptions[6] = {"FFT window size:", "Window type:", "Shift:",
                                          "Rise time [ms]:",  "Range [dB]:",  "Slices:"};
    for (int i = 0; i < 6; ++i) {
        lblProperties[i] = new QLabel(QString::fromLatin1(labelCaptions[i]), this);
        lblProperties[i]->setObjectName(QStringLiteral("lblProperties(%1)").arg(i));
    }

    QGroupBox* fraMode = optionFrame(this, "fraMode", "Mode",
                                     {{&optETF, "optETF", "Time Shifted Spectra (TSS)"},
                                      {&optCSD, "optCSD", "Cumulative Spectral Decay (CSD)"}});
    QGroupBox* fraType =
        optionFrame(this, "fraType", "Type", {{&optWF, "optWF", "Waterfall"}, {&optSG, "optSG", "Spectrogram"}});

    QGroupBox* fraWindow = frame(this, "fraWindow", "Window");
    cmbWindowType = list(fraWindow, "cmbWindowType");
    for (const auto& [caption, value] :
         {std::pair{"Rectangular", dsp::kWindowRectangular}, {"Hanning", dsp::kWindowHanning},
          {"Hamming", dsp::kWindowHamming}, {"Blackman", dsp::kWindowBlackman},
          {"Blackman-Harris", dsp::kWindowBlackmanHarris}})
        cmbWindowType->addItem(QString::fromLatin1(caption), value);
    cmbWindowSize = list(fraWindow, "cmbWindowSize");
    for (int logN = dsp::kMinWaterfallLogN; logN <= dsp::kMaxWaterfallLogN; ++logN)
        cmbWindowSize->addItem(QString::number(1 << logN), logN);
    auto* windowLayout = new QGridLayout(fraWindow);
    windowLayout->addWidget(lblProperties[1], 0, 0);
    windowLayout->addWidget(cmbWindowType, 0, 1);
    windowLayout->addWidget(lblProperties[0], 1, 0);
    windowLayout->addWidget(cmbWindowSize, 1, 1);

    QGroupBox* fraTime = frame(this, "fraTime", "Time");
    txtSlices = textField(fraTime, "txtSlices");
    auto* timeLayout = new QGridLayout(fraTime);
    timeLayout->addWidget(lblProperties[5], 0, 0);
    timeLayout->addWidget(txtSlices, 0, 1);

    fraCSD = frame(this, "fraCSD", "CSD parameters");
    txtRiseTime = textField(fraCSD, "txtRiseTime");
    txtShift = textField(fraCSD, "txtShift");
    auto* csdLayout = new QGridLayout(fraCSD);
    csdLayout->addWidget(lblProperties[3], 0, 0);
    csdLayout->addWidget(txtRiseTime, 0, 1);
    csdLayout->addWidget(lblProperties[2], 1, 0);
    csdLayout->addWidget(txtShift, 1, 1);

    QGroupBox* fraEnergy = frame(this, "fraEnergy", "Energy");
    txtRange = textField(fraEnergy, "txtRange");
    chkSmooth = new QCheckBox(QStringLiteral("1/3-Octave smooth"), fraEnergy);
    chkSmooth->setObjectName(QStringLiteral("chkSmooth"));
    auto* energyLayout = new QGridLayout(fraEnergy);
    energyLayout->addWidget(lblProperties[4], 0, 0);
    energyLayout->addWidget(txtRange, 0, 1);
    energyLayout->addWidget(chkSmooth, 1, 0, 1, 2);

    QGroupBox* fraFreqRange = frame(this, "fraFreqRange", "Frequency");
    optLin = option(fraFreqRange, "optLin", "Linear");
    optLog = option(fraFreqRange, "optLog", "Logarithmic");
    cmbMinX = list(fraFreqRange, "cmbMinX");
    cmbMaxX = list(fraFreqRange, "cmbMaxX");
    auto* lblMinX = new QLabel(QStringLiteral("Minimum frequency:"), fraFreqRange);
    lblMinX->setObjectName(QStringLiteral("lblMinX"));
    auto* lblMaxX = new QLabel(QStringLiteral("Maximum frequency:"), fraFreqRange);
    lblMaxX->setObjectName(QStringLiteral("lblMaxX"));
    auto* freqLayout = new QGridLayout(fraFreqRange);
    freqLayout->addWidget(optLin, 0, 0);
    freqLayout->addWidget(optLog, 0, 1);
    freqLayout->addWidget(lblMinX, 1, 0);
    freqLayout->addWidget(cmbMinX, 1, 1);
    freqLayout->addWidget(lblMaxX, 2, 0);
    freqLayout->addWidget(cmbMaxX, 2, 1);

    QGroupBox* fraColor = optionFrame(this, "fraColor", "Colors",
                                      {{&optBlack, "optBlack", "Color on black background"},
                                       {&optWhite, "optWhite", "Color on white background"},
                                       {&optGrey, "optGrey", "Grayscale on white background"}});

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    cmdHelp = new QPushButton(QStringLiteral("Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdHelp->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(fraMode, 0, 0);
    grid->addWidget(fraType, 1, 0);
    grid->addWidget(fraWindow, 2, 0);
    grid->addWidget(fraTime, 3, 0);
    grid->addWidget(fraCSD, 0, 1);
    grid->addWidget(fraEnergy, 1, 1);
    grid->addWidget(fraFreqRange, 2, 1);
    grid->addWidget(fraColor, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdHelp);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmWaterProp::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmWaterProp::cmdCancel_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmWaterProp::cmdHelp_Click);
    connect(optCSD, &QRadioButton::clicked, this, [this] { setCSDEnabled(optCSD->isChecked()); });
    connect(optETF, &QRadioButton::clicked, this, [this] {
        if (optETF->isChecked())
            DisableCSD();
        if (optCSD->isChecked())
            EnableCSD();
    });
    connect(cmbMinX, &QComboBox::activated, this, &frmWaterProp::cmbMinX_Click);
    connect(cmbMaxX, &QComboBox::activated, this, &frmWaterProp::cmbMaxX_Click);
    for (QLineEdit* field : {txtSlices, txtRange, txtRiseTime, txtShift})
        field->installEventFilter(this);
}

void frmWaterProp::setCSDEnabled(bool enabled)
{
    fraCSD->setEnabled(enabled);
    txtRiseTime->setEnabled(enabled);
    txtShift->setEnabled(enabled);
    lblProperties[2]->setEnabled(enabled);
    lblProperties[3]->setEnabled(enabled);
}

QString frmWaterProp::parentText(const QLineEdit* field) const
{
    if (field == txtSlices)
        return QString::number(Parent->Slices());
    if (field == txtRange)
        return QString::number(Parent->Range());
    if (field == txtShift)
        return QString::number(Parent->CSDShift());
    return FormatNumber(Parent->CSDRise(), kRiseFormat);
}

void frmWaterProp::Form_Load()
{
    guarded("frmWaterProp::Load", [&] {
        Parent->setCancel(true);
        switch (Parent->WaterfallType()) {
        case 0:
        case 2:
            optETF->setChecked(true);
            (Parent->WaterfallType() == 0 ? optWF : optSG)->setChecked(true);
            DisableCSD();
            break;
        case 1:
        case 3:
            optCSD->setChecked(true);
            (Parent->WaterfallType() == 1 ? optWF : optSG)->setChecked(true);
            EnableCSD();
            break;
        default:
            break;
        }
        selectItemValue(cmbWindowSize, Parent->LogN());
        selectItemValue(cmbWindowType, Parent->WindowType());
        for (QLineEdit* field : {txtSlices, txtRange, txtShift, txtRiseTime})
            field->setText(parentText(field));
        optBlack->setChecked(Parent->Colors() == 0);
        optWhite->setChecked(Parent->Colors() == 1);
        optGrey->setChecked(Parent->Colors() == 2);
        chkSmooth->setChecked(Parent->Smooth());
        (Parent->LinScale() ? optLin : optLog)->setChecked(true);

        const auto rate = float(Parent->SampleRate());
        cmbMinX->clear();
        cmbMaxX->clear();
        for (int band = dsp::kFirstWaterfallBand; band <= dsp::kLastOctaveBand && BandBelowNyquist(band, rate); ++band) {
            cmbMinX->addItem(BandName(band), band);
            cmbMaxX->addItem(BandName(band), band);
        }
        cmbMaxX->addItem(QStringLiteral("Max"), -1);
        // A band is listed only when it is usable at the rate; a pair out of order shows the whole range.
        const bool ordered = Parent->MinFreqBand() <= Parent->MaxFreqBand();
        const int minAt = ordered ? cmbMinX->findData(Parent->MinFreqBand()) : -1;
        const int maxAt = ordered && !Parent->MaxFreqRange() ? cmbMaxX->findData(Parent->MaxFreqBand()) : -1;
        cmbMinX->setCurrentIndex(std::max(minAt, 0));
        cmbMaxX->setCurrentIndex(maxAt >= 0 ? maxAt : cmbMaxX->count() - 1);
    });
}

bool frmWaterProp::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, field, &QLineEdit::selectAll); // after the click that gave the focus places the caret
    else if (field && event->type() == QEvent::FocusOut)
        checkField(field);
    return QDialog::eventFilter(watched, event);
}

void frmWaterProp::checkField(QLineEdit* field)
{
    if (!Parent)
        return;
    bool valid = false;
    if (field == txtRange)
        valid = ParseInteger(field->text(), dsp::kMinWaterfallRange_dB, dsp::kMaxWaterfallRange_dB).has_value();
    else if (field == txtSlices)
        valid = ParseInteger(field->text(), 1, dsp::kMaxWaterfallSlices).has_value();
    else if (field == txtShift)
        valid = ParseInteger(field->text(), 0, dsp::kMaxCsdShift).has_value();
    else if (field == txtRiseTime) {
        const std::optional<double> v = ParseNumber(field->text());
        valid = v && *v >= 0 && *v <= dsp::kMaxCsdRise_ms;
    }
    if (!valid)
        field->setText(parentText(field));
}

void frmWaterProp::cmbMinX_Click()
{
    if (cmbMinX->currentIndex() > cmbMaxX->currentIndex() && cmbMaxX->currentIndex() >= 0)
        cmbMinX->setCurrentIndex(cmbMaxX->currentIndex());
}

void frmWaterProp::cmbMaxX_Click()
{
    if (cmbMinX->currentIndex() > cmbMaxX->currentIndex() && cmbMaxX->currentIndex() >= 0)
        cmbMaxX->setCurrentIndex(cmbMinX->currentIndex());
}

void frmWaterProp::cmdOK_Click()
{
    guarded("frmwaterProp::cmdOK", [&] {
        for (QLineEdit* field : {txtSlices, txtRange, txtRiseTime, txtShift})
            checkField(field);
        cmdOK->setEnabled(false);
        cmdCancel->setEnabled(false);
        cmdHelp->setEnabled(false);
        Parent->setLogN(cmbWindowSize->currentData().toInt());
        Parent->setWindowType(cmbWindowType->currentData().toInt());
        Parent->setSlices(int(ParseInteger(txtSlices->text(), 1, dsp::kMaxWaterfallSlices).value_or(Parent->Slices())));
        Parent->setRange(int(ParseInteger(txtRange->text(), dsp::kMinWaterfallRange_dB, dsp::kMaxWaterfallRange_dB)
                                 .value_or(Parent->Range())));
        Parent->setCSDRise(float(ParseNumber(txtRiseTime->text()).value_or(Parent->CSDRise())));
        Parent->setCSDShift(int(ParseInteger(txtShift->text(), 0, dsp::kMaxCsdShift).value_or(Parent->CSDShift())));
        Parent->setMinFreqBand(cmbMinX->currentData().toInt());
        if (cmbMaxX->currentData().toInt() == -1) {
            Parent->setMaxFreqBand(OctaveBandCount(float(Parent->SampleRate())));
            Parent->setMaxFreqRange(true);
        } else {
            Parent->setMaxFreqBand(cmbMaxX->currentData().toInt());
            Parent->setMaxFreqRange(false);
        }
        Parent->setSmooth(chkSmooth->isChecked());
        Parent->setLinScale(optLin->isChecked());
        if (optETF->isChecked() || optCSD->isChecked())
            Parent->setWaterfallType((optCSD->isChecked() ? 1 : 0) + (optSG->isChecked() ? 2 : 0));
        Parent->setColors(optBlack->isChecked() ? 0 : optWhite->isChecked() ? 1 : 2);
        Parent->setCancel(false);
        accept();
    });
}

void frmWaterProp::cmdCancel_Click()
{
    if (Parent)
        Parent->setCancel(true);
    reject();
}

void frmWaterProp::cmdHelp_Click() { ShowHelp(this, kHelpContext); }

} // namespace vemra
