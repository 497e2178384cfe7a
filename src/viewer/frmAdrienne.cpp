#include "viewer/frmAdrienne.h"

#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/HelpKey.h"
#include "core/NativePath.h"
#include "core/NumberFormat.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "core/clsOptions.h"
#include "library/api.h"
#include "viewer/ProcessDialogs.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace vemra {

namespace {

constexpr int kHelpContext = 26;
constexpr float kDefaultDistance_m = 0.25f;

QString wholeMillimetres(double mm)
{
    return FormatNumber(mm, QStringLiteral("0"));
}

} // namespace

frmAdrienne::frmAdrienne(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAdrienne"));
    setWindowTitle(QStringLiteral("Adrienne"));
    InstallHelpKey(this, kHelpContext);
    txtReference_ = new QLineEdit(this);
    txtReference_->setObjectName(QStringLiteral("txtReference"));
    txtReference_->installEventFilter(this);
    auto* lblReference = new QLabel(QStringLiteral("Reference &file:"), this);
    lblReference->setObjectName(QStringLiteral("lblReference"));
    lblReference->setBuddy(txtReference_);
    cmdReference_ = new QPushButton(QStringLiteral("&Reference"), this);
    cmdReference_->setObjectName(QStringLiteral("cmdReference"));
    cmdReference_->setAutoDefault(false);
    auto* lblDist =
        new QLabel(QStringLiteral("Distance between microphone and plane of reference for device under test [mm]:"),
                   this);
    lblDist->setObjectName(QStringLiteral("lblDist"));
    txtDist_ = new QLineEdit(this);
    txtDist_->setObjectName(QStringLiteral("txtDist"));
    txtDist_->installEventFilter(this);
    cmdOK_ = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdOK_->setEnabled(false);
    cmdCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setAutoDefault(false);
    cmdHelp_ = new QPushButton(QStringLiteral("&Help"), this);
    cmdHelp_->setObjectName(QStringLiteral("cmdHelp"));
    cmdHelp_->setAutoDefault(false);
    connect(cmdReference_, &QPushButton::clicked, this, [this] { cmdReference_Click(); });
    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdHelp_, &QPushButton::clicked, this, [this] { cmdHelp_Click(); });

    auto* refRow = new QHBoxLayout;
    refRow->addWidget(lblReference);
    refRow->addWidget(txtReference_, 1);
    refRow->addWidget(cmdReference_);
    auto* distRow = new QHBoxLayout;
    distRow->addWidget(lblDist);
    distRow->addWidget(txtDist_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);
    buttons->addWidget(cmdHelp_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(refRow);
    layout->addLayout(distRow);
    layout->addLayout(buttons);

    Form_Load();
}

void frmAdrienne::Form_Load()
{
    txtReference_->setText(LastAdrienneRef);
    if (!LastAdrienneRef.isEmpty())
        cmdOK_->setEnabled(true);
    if (LastAdrienneDist == 0)
        LastAdrienneDist = kDefaultDistance_m;
    txtDist_->setText(wholeMillimetres(double(LastAdrienneDist) * 1000.0));
}

void frmAdrienne::txtDist_LostFocus()
{
    // Whatever is not a number stays as typed: the library judges the distance.
    if (const std::optional<double> mm = ParseNumber(txtDist_->text().trimmed()))
        txtDist_->setText(wholeMillimetres(*mm));
}

void frmAdrienne::txtReference_LostFocus()
{
    if (!txtReference_->text().isEmpty())
        cmdOK_->setEnabled(true);
}

void frmAdrienne::cmdReference_Click()
{
    guarded("Adrienne::Reference", [&] {
        FileDialogRequest request;
        request.parent = this;
        request.caption = QStringLiteral("Select Reference File");
        request.directory = Options ? Options->DataDir() : QString();
        request.filter = QStringLiteral("Wave (*.wav)");
        FileDialogResult chosen = UiServices::get().openFileName(request);
        if (chosen.cancelled())
            return;
        QString name = chosen.fileName;
        if (QFileInfo(name).suffix().isEmpty())
            name += QStringLiteral(".wav");
        if (Options)
            Options->setDataDir(QFileInfo(name).absolutePath());
        txtReference_->setText(name);
        cmdOK_->setEnabled(true);
    });
}

void frmAdrienne::cmdOK_Click()
{
    cmdOK_->setEnabled(false);
    cmdCancel_->setEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    bool finished = false;
    guarded("Adrienne_cmdOK", [&] {
        // Read before the temporary copy is made, so a distance that is no number leaves no copy behind.
        const float distance = TextToSingle(txtDist_->text()) / 1000.0f;
        const std::string name = SaveTemporaryCopy(Key);

        LastAdrienneRef = txtReference_->text();
        LastAdrienneDist = distance;
        const VResult r = Adrienne(NativePath(LastAdrienneRef), name, LastAdrienneDist);
        if (r == Ok) {
            OpenProcessedResult(name);
        } else {
            DeleteTempFile(name);
            HandleError(r);
        }
        finished = true;
    });
    QApplication::restoreOverrideCursor();
    cmdOK_->setEnabled(true);
    cmdCancel_->setEnabled(true);
    if (finished)
        close();
}

void frmAdrienne::cmdCancel_Click()
{
    close();
}

void frmAdrienne::cmdHelp_Click()
{
    ShowHelp(this, kHelpContext);
}

bool frmAdrienne::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && watched == txtDist_) {
        txtDist_->selectAll();
    } else if (event->type() == QEvent::FocusOut) {
        if (watched == txtDist_)
            txtDist_LostFocus();
        else if (watched == txtReference_)
            txtReference_LostFocus();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vemra
