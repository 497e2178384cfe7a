#include "viewer/frmClose.h"

#include "core/Errors.h"
#include "core/Globals.h"
#include "core/HelpKey.h"
#include "core/Twips.h"
#include "core/clsOptions.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace vemra {

frmClose::frmClose(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmClose"));
    setWindowTitle(QStringLiteral("Close"));
    InstallHelpKey(this, HelpContext);
    setModal(true);
    // A fixed dialog frame without system menu or minimise and maximise buttons: the prompt is left only by its
    // buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto place = [this](QWidget* w, int left, int top, int width, int height) {
        w->setGeometry(TwipsToPixelsX(this, left), TwipsToPixelsY(this, top), TwipsToPixelsX(this, width),
                       TwipsToPixelsY(this, height));
    };

    lblPrompt_ = new QLabel(QStringLiteral("Close file after save?"), this);
    lblPrompt_->setObjectName(QStringLiteral("lblPrompt"));
    place(lblPrompt_, 120, 420, 2500, 255);

    const char* const captions[3] = {"&Always", "N&ever", "A&sk"};
    for (int i = 0; i < 3; ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(captions[i]), this);
        option->setObjectName(QStringLiteral("optClose(%1)").arg(i));
        place(option, 2700, 120 + 300 * i, 975, 255);
        optClose_[std::size_t(i)] = option;
    }

    auto button = [&](const char* name, const char* caption, int left) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        place(b, left, 1140, 1100, 350);
        return b;
    };
    cmdYes_ = button("cmdYes", "&Yes", 120);
    cmdNo_ = button("cmdNo", "&No", 1320);
    cmdHelp_ = button("cmdHelp", "&Help", 2520);
    cmdYes_->setDefault(true);
    cmdNo_->setAutoDefault(false);
    cmdHelp_->setAutoDefault(false);
    connect(cmdYes_, &QPushButton::clicked, this, [this] { cmdYes_Click(); });
    connect(cmdNo_, &QPushButton::clicked, this, [this] { cmdNo_Click(); });
    connect(cmdHelp_, &QPushButton::clicked, this, [this] { cmdHelp_Click(); });
    // Esc is the No button: QDialog turns it into reject().
    connect(this, &QDialog::rejected, this, [] { CloseAfterSave = false; });

    setFixedSize(TwipsToPixelsX(this, 3705), TwipsToPixelsY(this, 1560));
    Form_Load();
}

void frmClose::Form_Load()
{
    const int mode = Options ? int(Options->CloseOnSave()) : int(CloseAsk);
    if (mode >= 0 && mode < 3)
        optClose_[std::size_t(mode)]->setChecked(true);
}

void frmClose::cmdYes_Click()
{
    // The stored mode applies from the next save on; this save closes the file whatever was chosen.
    std::int16_t mode = CloseNever;
    if (optClose_[2]->isChecked())
        mode = CloseAsk;
    else if (optClose_[0]->isChecked())
        mode = CloseAlways;
    if (Options)
        Options->setCloseOnSave(mode);
    CloseAfterSave = true;
    accept();
}

void frmClose::cmdNo_Click()
{
    CloseAfterSave = false;
    reject();
}

void frmClose::cmdHelp_Click()
{
    ShowHelp(this, HelpContext);
}

} // namespace vemra
