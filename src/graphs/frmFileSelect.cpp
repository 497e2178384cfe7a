#include "graphs/frmFileSelect.h"

#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/HelpKey.h"
#include "core/Twips.h"
#include "core/UiServices.h"
#include "core/clsOptions.h"
#include "graphs/frmParameters.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vemra {
namespace {

constexpr int kHelpContext = 20;

} // namespace

frmFileSelect::frmFileSelect(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFileSelect"));
    setWindowTitle(QStringLiteral("Select Files"));
    InstallHelpKey(this, kHelpContext);
    setModal(true);
    lstFiles_ = new QListWidget(this);
    lstFiles_->setObjectName(QStringLiteral("lstFiles"));
    lstFiles_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto button = [&](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdAdd_ = button("cmdAdd", "&Add");
    cmdRemove_ = button("cmdRemove", "&Remove");
    cmdOK_ = button("cmdOK", "&Process");
    cmdCancel_ = button("cmdCancel", "&Cancel");
    cmdHelp_ = button("cmdHelp", "&Help");
    cmdOK_->setDefault(true);
    cmdRemove_->setEnabled(false);
    cmdOK_->setEnabled(false);

    auto* fraAdd = new QHBoxLayout;
    fraAdd->addWidget(cmdAdd_);
    fraAdd->addWidget(cmdRemove_);
    auto* fraOK = new QHBoxLayout;
    fraOK->addWidget(cmdOK_);
    fraOK->addWidget(cmdCancel_);
    fraOK->addWidget(cmdHelp_);
    auto* row = new QHBoxLayout;
    row->addLayout(fraAdd);
    row->addStretch();
    row->addLayout(fraOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstFiles_);
    layout->addLayout(row);
    resize(TwipsToPixelsX(this, 8280), TwipsToPixelsY(this, 4260));

    connect(cmdAdd_, &QPushButton::clicked, this, [this] { AddFile(); });
    connect(cmdRemove_, &QPushButton::clicked, this, [this] { removeSelected(); });
    connect(cmdOK_, &QPushButton::clicked, this, [this] { FileSelectOK(); });
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdHelp_, &QPushButton::clicked, this, [this] { ShowHelp(this, kHelpContext); });
    connect(lstFiles_, &QListWidget::itemClicked, this, [this] { updateRemove(); });
}

void frmFileSelect::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        FileSelectLoad();
    }
}

void frmFileSelect::FileSelectLoad()
{
    guarded("FileSelectLoad", [&] {
        if (!ParentForm)
            return;
        for (int i = 0; i < ParentForm->FileCount(); ++i)
            lstFiles_->addItem(ParentForm->FileName(i));
        lstFiles_->selectAll();
    });
}

void frmFileSelect::AddToList(const QString& path)
{
    for (int i = 0; i < lstFiles_->count(); ++i)
        if (lstFiles_->item(i)->text() == path)
            return;
    lstFiles_->addItem(path);
}

void frmFileSelect::updateRemove() { cmdRemove_->setEnabled(lstFiles_->count() > 0 && lstFiles_->currentItem()); }

void frmFileSelect::UpdateButtons() { cmdOK_->setEnabled(lstFiles_->count() > 0); }

void frmFileSelect::AddFile()
{
    guarded("AddFile", [&] {
        FileDialogRequest request;
        request.parent = this;
        request.caption = QStringLiteral("File Select");
        request.directory = Options ? Options->DataDir() : QString();
        request.filter = QStringLiteral("Wave files (*.wav);;Mlssa files (*.tim);;Text files (*.txt);;All files (*)");
        request.multiple = true;
        const FileDialogResult chosen = UiServices::get().openFileName(request);
        if (chosen.cancelled())
            return;
        if (Options)
            Options->setDataDir(QFileInfo(chosen.fileNames.constFirst()).absolutePath());
        for (const QString& path : chosen.fileNames)
            AddToList(path);
    });
    UpdateButtons();
    updateRemove();
}

void frmFileSelect::removeSelected()
{
    for (int i = lstFiles_->count() - 1; i >= 0; --i)
        if (lstFiles_->item(i)->isSelected())
            delete lstFiles_->takeItem(i);
    cmdRemove_->setEnabled(false);
    UpdateButtons();
}

void frmFileSelect::FileSelectOK()
{
    for (QPushButton* b : {cmdAdd_, cmdRemove_, cmdCancel_, cmdOK_})
        b->setEnabled(false);
    guarded("FileSelectOK", [&] {
        if (!ParentForm)
            return;
        ParentForm->Clear();
        for (int i = 0; i < lstFiles_->count() && ParentForm; ++i)
            ParentForm->Add(lstFiles_->item(i)->text());
    });
    ParentForm = nullptr;
    accept();
}

void frmFileSelect::closeEvent(QCloseEvent* event)
{
    // While Process adds the files, the window's set is half replaced: the dialog stays until it is done.
    if (!cmdAdd_->isEnabled()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace vemra
