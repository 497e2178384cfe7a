#include "graphs/frmParamProp.h"

#include "core/BandsAndParameters.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/HelpKey.h"
#include "core/NumberFormat.h"
#include "core/SelectOnFocus.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "graphs/frmParameters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace vemra {
namespace {

constexpr int kHelpContext = 28;

const QString kSection = QStringLiteral("Graph");
constexpr int kFirstMinBand = 1; // the lowest-band list holds octaves 1..5
constexpr int kFirstMaxBand = 6; // the highest-band list holds octaves 6..10
constexpr int kListBands = 5;

QString setupKey(int parameter) { return QStringLiteral("P%1").arg(parameter); }

std::optional<float> typedValue(const QString& text)
{
    const std::optional<double> v = ParseNumber(text.trimmed());
    if (!v || !std::isfinite(float(*v)))
        return std::nullopt;
    return float(*v);
}

// A limit as the store keeps numbers; a text that is no number stays as typed (it loads as no limit).
QString storedText(const QString& typed)
{
    const std::optional<float> v = typedValue(typed);
    return v ? FloatText(*v) : typed;
}

} // namespace

frmParamProp::frmParamProp(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmParamProp"));
    setWindowTitle(QStringLiteral("Graph Properties"));
    InstallHelpKey(this, kHelpContext);
    setModal(true);

    auto named = [](auto* widget, const char* name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };
    lstParams_ = named(new QListWidget(this), "lstParams");
    lstParams_->setSelectionMode(QAbstractItemView::SingleSelection);
    lstParams_->setMinimumWidth(330);

    auto* fraX = named(new QGroupBox(QStringLiteral("X-axis"), this), "fraX");
    cmbMinX_ = named(new QComboBox(fraX), "cmbMinX");
    cmbMaxX_ = named(new QComboBox(fraX), "cmbMaxX");
    auto* xGrid = new QGridLayout(fraX);
    xGrid->addWidget(named(new QLabel(QStringLiteral("Minimum frequency:"), fraX), "lblMinX"), 0, 0);
    xGrid->addWidget(cmbMinX_, 0, 1);
    xGrid->addWidget(named(new QLabel(QStringLiteral("Maximum frequency:"), fraX), "lblMaxX"), 1, 0);
    xGrid->addWidget(cmbMaxX_, 1, 1);

    auto* fraY = named(new QGroupBox(QStringLiteral("Y-axis"), this), "fraY");
    txtMaxY_ = named(new QLineEdit(fraY), "txtMaxY");
    txtMinY_ = named(new QLineEdit(fraY), "txtMinY");
    chkAutoMaxY_ = named(new QCheckBox(QStringLiteral("Auto"), fraY), "chkAutoMaxY");
    chkAutoMinY_ = named(new QCheckBox(QStringLiteral("Auto"), fraY), "chkAutoMinY");
    auto* yGrid = new QGridLayout(fraY);
    yGrid->addWidget(named(new QLabel(QStringLiteral("Maximum value:"), fraY), "lblMaxY"), 0, 0);
    yGrid->addWidget(txtMaxY_, 0, 1);
    yGrid->addWidget(chkAutoMaxY_, 0, 2);
    yGrid->addWidget(named(new QLabel(QStringLiteral("Minimum value:"), fraY), "lblMinY"), 1, 0);
    yGrid->addWidget(txtMinY_, 1, 1);
    yGrid->addWidget(chkAutoMinY_, 1, 2);

    auto* fraBandwidth = named(new QGroupBox(QStringLiteral("Bandwidth"), this), "fraBandwidth");
    optFullOctave_ = named(new QRadioButton(QStringLiteral("Full Octaves"), fraBandwidth), "optFullOctave");
    optThirdOctave_ = named(new QRadioButton(QStringLiteral("Third Octaves"), fraBandwidth), "optThirdOctave");
    auto* bandwidth = new QVBoxLayout(fraBandwidth);
    bandwidth->addWidget(optFullOctave_);
    bandwidth->addWidget(optThirdOctave_);

    chkGrid_ = named(new QCheckBox(QStringLiteral("Grid"), this), "chkGrid");

    auto* fraStatistics = named(new QGroupBox(QStringLiteral("Statistics"), this), "fraStatistics");
    chkMinMax_ = named(new QCheckBox(QStringLiteral("Min-Max"), fraStatistics), "chkMinMax");
    chkStdDev_ = named(new QCheckBox(QStringLiteral("Std. Dev."), fraStatistics), "chkStdDev");
    auto* stats = new QVBoxLayout(fraStatistics);
    stats->addWidget(chkMinMax_);
    stats->addWidget(chkStdDev_);

    cmdOK_ = named(new QPushButton(QStringLiteral("&OK"), this), "cmdOK");
    cmdCancel_ = named(new QPushButton(QStringLiteral("&Cancel"), this), "cmdCancel");
    cmdHelp_ = named(new QPushButton(QStringLiteral("&Help"), this), "cmdHelp");
    cmdOK_->setDefault(true);
    cmdOK_->setAutoDefault(true);

    auto* lower = new QHBoxLayout;
    auto* lowerRight = new QVBoxLayout;
    lowerRight->addWidget(chkGrid_);
    lowerRight->addStretch();
    lower->addWidget(fraBandwidth);
    lower->addWidget(fraStatistics);
    lower->addLayout(lowerRight);
    auto* right = new QVBoxLayout;
    right->addWidget(fraX);
    right->addWidget(fraY);
    right->addLayout(lower);
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(named(new QLabel(QStringLiteral("Parameter:"), this), "Label1"));
    left->addWidget(lstParams_);
    top->addLayout(left);
    top->addLayout(right);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);
    buttons->addWidget(cmdHelp_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK_, &QPushButton::clicked, this, [this] { GraphScale_OK(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdHelp_, &QPushButton::clicked, this, [this] { ShowHelp(this, kHelpContext); });
    connect(lstParams_, &QListWidget::currentRowChanged, this, [this] { LoadParameterSetup(); });
    connect(lstParams_, &QListWidget::itemDoubleClicked, this, [this] { GraphScale_OK(); });
    connect(chkAutoMinY_, &QCheckBox::toggled, this, [this](bool on) { txtMinY_->setEnabled(!on); });
    connect(chkAutoMaxY_, &QCheckBox::toggled, this, [this](bool on) { txtMaxY_->setEnabled(!on); });
    connect(chkMinMax_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            chkStdDev_->setChecked(false);
    });
    connect(chkStdDev_, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            chkMinMax_->setChecked(false);
    });
    // Typing replaces a Y value.
    SelectAllOnFocus(txtMinY_);
    SelectAllOnFocus(txtMaxY_);
}

void frmParamProp::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        GraphScale_Load();
    }
}

void frmParamProp::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        cmdCancel_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

int frmParamProp::selectedParameter() const
{
    const QListWidgetItem* item = lstParams_->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : -1;
}

void frmParamProp::GraphScale_Load()
{
    guarded("GraphScale_Load", [&] {
        if (!ParentForm)
            return;
        {
            const QSignalBlocker quiet(lstParams_);
            for (int p = 0; p < ParameterCount; ++p) {
                if (!ParentForm->ValidParam(p))
                    continue;
                auto* item = new QListWidgetItem(ParameterLongName(p), lstParams_);
                item->setData(Qt::UserRole, p);
                if (ParentForm->CurrentParam() == p)
                    lstParams_->setCurrentItem(item);
            }
            if (!lstParams_->currentItem() && lstParams_->count() > 0)
                lstParams_->setCurrentRow(0);
        }
        // No parameter that every file offers: nothing can be chosen, only Cancel is left.
        cmdOK_->setEnabled(lstParams_->count() > 0);
        GetParameterSetup();
        LoadParameterSetup();
    });
}

void frmParamProp::GetParameterSetup()
{
    if (!ParentForm)
        return;
    const frmParameters& w = *ParentForm;
    cmbMinX_->clear();
    for (int b = kFirstMinBand; b < kFirstMinBand + kListBands; ++b)
        cmbMinX_->addItem(BandName(b), b);
    // A band the list does not hold leaves it without a choice; OK then asks for one.
    const int minPos = w.MinFreqBand() - kFirstMinBand;
    cmbMinX_->setCurrentIndex(minPos >= 0 && minPos < kListBands ? minPos : -1);
    cmbMaxX_->clear();
    for (int b = kFirstMaxBand; b < kFirstMaxBand + kListBands; ++b)
        cmbMaxX_->addItem(BandName(b), b);
    const int maxPos = w.MaxFreqBand() - kFirstMaxBand;
    cmbMaxX_->setCurrentIndex(maxPos >= 0 && maxPos < kListBands ? maxPos : -1);
    chkAutoMinY_->setChecked(w.AutoMin());
    chkAutoMaxY_->setChecked(w.AutoMax());
    txtMinY_->setEnabled(!w.AutoMin());
    txtMaxY_->setEnabled(!w.AutoMax());
    txtMinY_->setText(FormatNumber(w.MinValueY(), QString()));
    txtMaxY_->setText(FormatNumber(w.MaxValueY(), QString()));
    chkGrid_->setChecked(w.Grid());
    (w.Octaves() ? optFullOctave_ : optThirdOctave_)->setChecked(true);
    chkMinMax_->setChecked(w.Statistics() == 1);
    chkStdDev_->setChecked(w.Statistics() == 2);
    chkMinMax_->setEnabled(w.FileCount() > 1);
    chkStdDev_->setEnabled(w.FileCount() > 1);
}

void frmParamProp::LoadParameterSetup()
{
    const int p = selectedParameter();
    if (p < 0)
        return;
    const QString stored = GetSetting(kSection, setupKey(p), QString());
    if (stored.isEmpty())
        return;
    const QStringList fields = stored.split(QLatin1Char(';'));
    auto field = [&](int i) { return i < fields.size() ? fields[i] : QString(); };
    if (const auto pos = ParseInteger(field(0), 0, kListBands - 1))
        cmbMinX_->setCurrentIndex(int(*pos));
    if (const auto pos = ParseInteger(field(1), 0, kListBands - 1))
        cmbMaxX_->setCurrentIndex(int(*pos));
    if (const auto on = ParseBool(field(2)))
        chkAutoMinY_->setChecked(*on);
    if (const auto on = ParseBool(field(3)))
        chkAutoMaxY_->setChecked(*on);
    // A number is stored in the C form and shown in the user's; other text as it stands.
    const auto shown = [](const QString& stored) {
        const std::optional<float> v = typedValue(stored);
        return v ? FormatNumber(*v, QString()) : stored;
    };
    if (!field(4).isEmpty())
        txtMinY_->setText(shown(field(4)));
    if (!field(5).isEmpty())
        txtMaxY_->setText(shown(field(5)));
    if (const auto on = ParseBool(field(6)))
        (*on ? optFullOctave_ : optThirdOctave_)->setChecked(true);
}

void frmParamProp::SaveParameterSetup()
{
    const QStringList fields{QString::number(cmbMinX_->currentIndex()),
                             QString::number(cmbMaxX_->currentIndex()),
                             chkAutoMinY_->isChecked() ? QStringLiteral("1") : QStringLiteral("0"),
                             chkAutoMaxY_->isChecked() ? QStringLiteral("1") : QStringLiteral("0"),
                             storedText(txtMinY_->text()),
                             storedText(txtMaxY_->text()),
                             optFullOctave_->isChecked() ? QStringLiteral("True") : QStringLiteral("False")};
    SaveSetting(kSection, setupKey(selectedParameter()), fields.join(QLatin1Char(';')));
}

bool frmParamProp::entriesValid()
{
    auto refuse = [&](QWidget* where, const QString& text) {
        MessageRequest r;
        r.text = text;
        r.title = windowTitle();
        r.icon = MsgIcon::Exclamation;
        r.parent = this;
        UiServices::get().messageBox(r);
        where->setFocus();
        return false;
    };
    if (selectedParameter() < 0)
        return refuse(lstParams_, QStringLiteral("Choose a parameter."));
    if (cmbMinX_->currentIndex() < 0)
        return refuse(cmbMinX_, QStringLiteral("Choose the minimum frequency."));
    if (cmbMaxX_->currentIndex() < 0)
        return refuse(cmbMaxX_, QStringLiteral("Choose the maximum frequency."));
    if (!chkAutoMaxY_->isChecked() && !typedValue(txtMaxY_->text()))
        return refuse(txtMaxY_, QStringLiteral("The maximum value must be a number."));
    if (!chkAutoMinY_->isChecked() && !typedValue(txtMinY_->text()))
        return refuse(txtMinY_, QStringLiteral("The minimum value must be a number."));
    return true;
}

void frmParamProp::GraphScale_OK()
{
    guarded("GraphScale_OK", [&] {
        if (!ParentForm || !cmdOK_->isEnabled() || !entriesValid())
            return;
        frmParameters& w = *ParentForm;
        w.setCurrentParam(selectedParameter());
        SaveParameterSetup();
        w.setAutoMin(chkAutoMinY_->isChecked());
        w.setAutoMax(chkAutoMaxY_->isChecked());
        if (!w.AutoMin())
            w.setMinValueY(*typedValue(txtMinY_->text()));
        if (!w.AutoMax())
            w.setMaxValueY(*typedValue(txtMaxY_->text()));
        w.setMinFreqBand(cmbMinX_->currentData().toInt());
        w.setMaxFreqBand(cmbMaxX_->currentData().toInt());
        w.setGrid(chkGrid_->isChecked());
        w.setOctaves(optFullOctave_->isChecked());
        w.setStatistics(chkStdDev_->isChecked() ? 2 : chkMinMax_->isChecked() ? 1 : 0);
        w.setCancel(false);
        accept();
    });
}

void frmParamProp::cmdCancel_Click()
{
    if (ParentForm)
        ParentForm->setCancel(true);
    reject();
}

} // namespace vemra
