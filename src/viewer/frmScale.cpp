#include "viewer/frmScale.h"

#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/HelpKey.h"
#include "core/NumberFormat.h"
#include "core/Settings.h"
#include "core/clsOptions.h"
#include "core/frmProgress.h"
#include "library/api.h"
#include "viewer/ProcessDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace vemra {

namespace {

constexpr int kHelpContext = 24;

QPointer<frmProgress>& progressWindow()
{
    static QPointer<frmProgress> current;
    return current;
}

QString formatScale(float scale)
{
    return FormatNumber(scale, QStringLiteral("0.00"));
}

// Both temperatures read alike, the model's from the options and the actual one as first shown.
QString formatTemperature(double celsius)
{
    return FormatNumber(celsius, QStringLiteral("0.0"));
}

constexpr double kInitialTemperature_C = 20;

} // namespace

frmScale::frmScale(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmScale"));
    setWindowTitle(QStringLiteral("Scale Model"));
    InstallHelpKey(this, kHelpContext);
    const auto named = [](QWidget* w, const QString& name) {
        w->setObjectName(name);
        return w;
    };
    auto* lblScale = named(new QLabel(QStringLiteral("Scale 1:"), this), QStringLiteral("lblScale"));
    txtScale_ = new QLineEdit(QStringLiteral("10"), this);
    txtScale_->setObjectName(QStringLiteral("txtScale"));
    txtScale_->installEventFilter(this);
    chkAbsorption_ = new QCheckBox(QStringLiteral("Air absorption"), this);
    chkAbsorption_->setObjectName(QStringLiteral("chkAbsorption"));
    chkAbsorption_->setChecked(true);
    connect(chkAbsorption_, &QCheckBox::clicked, this, [this] { chkAbsorption_Click(); });

    fraModel_ = new QGroupBox(QStringLiteral("Model"), this);
    fraModel_->setObjectName(QStringLiteral("fraModel"));
    fraReal_ = new QGroupBox(QStringLiteral("Actual"), this);
    fraReal_->setObjectName(QStringLiteral("fraReal"));
    for (int i = 0; i < 2; ++i) {
        QGroupBox* frame = i == 0 ? fraModel_ : fraReal_;
        const auto idx = [i](const char* name) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i); };
        const auto at = std::size_t(i);
        lblTemp_[at] = static_cast<QLabel*>(named(new QLabel(QStringLiteral("Temperature"), frame), idx("lblTemp")));
        txtTemp_[at] = new QLineEdit(formatTemperature(kInitialTemperature_C), frame);
        txtTemp_[at]->setObjectName(idx("txtTemp"));
        txtTemp_[at]->installEventFilter(this);
        lblCelcius_[at] = static_cast<QLabel*>(named(new QLabel(QStringLiteral("°C"), frame), idx("lblCelcius")));
        lblHum_[at] = static_cast<QLabel*>(named(new QLabel(QStringLiteral("Humidity"), frame), idx("lblHum")));
        txtHum_[at] = new QLineEdit(QStringLiteral("70"), frame);
        txtHum_[at]->setObjectName(idx("txtHum"));
        txtHum_[at]->installEventFilter(this);
        lblPerc_[at] = static_cast<QLabel*>(named(new QLabel(QStringLiteral("%"), frame), idx("lblPerc")));
        auto* grid = new QGridLayout(frame);
        grid->addWidget(lblTemp_[at], 0, 0);
        grid->addWidget(txtTemp_[at], 0, 1);
        grid->addWidget(lblCelcius_[at], 0, 2);
        grid->addWidget(lblHum_[at], 1, 0);
        grid->addWidget(txtHum_[at], 1, 1);
        grid->addWidget(lblPerc_[at], 1, 2);
    }

    cmdOK_ = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdHelp_ = new QPushButton(QStringLiteral("&Help"), this);
    cmdHelp_->setObjectName(QStringLiteral("cmdHelp"));
    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdHelp_, &QPushButton::clicked, this, [this] { cmdHelp_Click(); });

    auto* scaleRow = new QHBoxLayout;
    scaleRow->addWidget(lblScale);
    scaleRow->addWidget(txtScale_);
    scaleRow->addStretch();
    auto* frames = new QHBoxLayout;
    frames->addWidget(fraModel_);
    frames->addWidget(fraReal_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);
    buttons->addWidget(cmdHelp_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(scaleRow);
    layout->addWidget(chkAbsorption_);
    layout->addLayout(frames);
    layout->addLayout(buttons);

    Form_Load();
}

void frmScale::Form_Load()
{
    if (!Options)
        return;
    txtScale_->setText(formatScale(Options->ModelScale()));
    txtTemp_[0]->setText(formatTemperature(Options->Temperature()));
}

void frmScale::chkAbsorption_Click()
{
    const bool on = chkAbsorption_->isChecked();
    fraModel_->setEnabled(on);
    fraReal_->setEnabled(on);
    for (std::size_t i = 0; i < 2; ++i)
        for (QWidget* w : {static_cast<QWidget*>(txtTemp_[i]), static_cast<QWidget*>(txtHum_[i]),
                           static_cast<QWidget*>(lblTemp_[i]), static_cast<QWidget*>(lblCelcius_[i]),
                           static_cast<QWidget*>(lblHum_[i]), static_cast<QWidget*>(lblPerc_[i])})
            w->setEnabled(on);
}

void frmScale::txtScale_LostFocus()
{
    if (!Options)
        return;
    constexpr clsOptions::Range range = clsOptions::kModelScaleRange;
    if (const std::optional<double> value = ParseNumber(txtScale_->text(), range.minimum, range.maximum))
        Options->setModelScale(float(*value));
    txtScale_->setText(formatScale(Options->ModelScale()));
}

void frmScale::cmdCancel_Click()
{
    close();
}

void frmScale::cmdHelp_Click()
{
    ShowHelp(this, kHelpContext);
}

frmProgress* frmScale::currentProgress()
{
    return progressWindow().data();
}

std::int16_t frmScale::ScaleProgress(float percent)
{
    frmProgress* progress = progressWindow().data();
    if (!progress)
        return 0;
    // The conversion goes on whatever the progress display does.
    passOver([&] {
        progress->SetPercent(percent);
        progress->repaint();
        QCoreApplication::processEvents();
    });
    return progress->Cancel() ? 1 : 0;
}

void frmScale::cmdOK_Click()
{
    cmdOK_->setEnabled(false);
    cmdCancel_->setEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    bool finished = false;
    guarded("Scale_cmdOK", [&] {
        ScaleParams params;
        params.scale = TextToSingle(txtScale_->text());
        params.modelTemperature = TextToSingle(txtTemp_[0]->text());
        params.modelHumidity = TextToSingle(txtHum_[0]->text());
        params.actualTemperature = TextToSingle(txtTemp_[1]->text());
        params.actualHumidity = TextToSingle(txtHum_[1]->text());
        params.airAbsorption = chkAbsorption_->isChecked() ? 1 : 0;

        const std::string name = SaveTemporaryCopy(Key);

        auto* progress = new frmProgress;
        progress->setTitle(QStringLiteral("Processing..."));
        progress->setMode(2);
        progress->Start();
        progressWindow() = progress;
        const VResult r = ScaleWave(name, params, &frmScale::ScaleProgress);
        const bool cancelled = progress->Cancel();
        progressWindow().clear();
        progress->Unload();
        progress->deleteLater();
        QCoreApplication::processEvents();

        if (r == Ok && !cancelled) {
            OpenProcessedResult(name);
        } else {
            // Nothing will open the copy any more.
            DeleteTempFile(name);
        }
        finished = true;
    });
    QApplication::restoreOverrideCursor();
    cmdOK_->setEnabled(true);
    cmdCancel_->setEnabled(true);
    if (finished)
        close();
}

bool frmScale::eventFilter(QObject* watched, QEvent* event)
{
    if (auto* box = qobject_cast<QLineEdit*>(watched)) {
        if (event->type() == QEvent::FocusIn)
            box->selectAll();
        else if (event->type() == QEvent::FocusOut && box == txtScale_)
            txtScale_LostFocus();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vemra
