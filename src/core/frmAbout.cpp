#include "core/frmAbout.h"

#include "core/ProductPicture.h"
#include "core/Version.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vemra {
namespace {
QPointer<frmAbout>& shared()
{
    static QPointer<frmAbout> box;
    return box;
}
} // namespace

frmAbout* frmAbout::instance()
{
    if (!shared())
        shared() = new frmAbout;
    return shared();
}

void frmAbout::ShowModal(QWidget* parent)
{
    frmAbout* box = instance();
    if (parent && box->parentWidget() != parent)
        box->setParent(parent, box->windowFlags());
    box->exec();
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About Vemra..."));

    picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setPixmap(ProductPicture(QSize(360, 180)));
    lblVersion = new QLabel(QStringLiteral("VEMRA %1.%2").arg(VersionMajor).arg(VersionMinor), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblBuild = new QLabel(QStringLiteral("build %1").arg(VersionRevision), this);
    lblBuild->setObjectName(QStringLiteral("lblBuild"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto* row = new QHBoxLayout;
    auto* texts = new QVBoxLayout;
    texts->addWidget(lblVersion);
    texts->addWidget(lblBuild);
    row->addLayout(texts);
    row->addStretch();
    row->addWidget(cmdOK, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addLayout(row);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

void frmAbout::cmdOK_Click()
{
    // Unloading: the next About box is a fresh one.
    close();
}

} // namespace vemra
