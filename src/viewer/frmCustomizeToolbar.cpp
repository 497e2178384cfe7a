#include "viewer/frmCustomizeToolbar.h"

#include "viewer/ToolbarLayout.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vemra {
namespace {

constexpr int kKeyRole = Qt::UserRole;

} // namespace

frmCustomizeToolbar::frmCustomizeToolbar(QList<Button> buttons, QStringList initial, const QStringList& current,
                                         std::function<void(const QStringList&)> apply, QWidget* parent)
    : QDialog(parent), buttons_(std::move(buttons)), initial_(std::move(initial)), layout_(current),
      apply_(std::move(apply))
{
    setObjectName(QStringLiteral("frmCustomizeToolbar"));
    setWindowTitle(QStringLiteral("Customize Toolbar"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);

    lstAvailable_ = new QListWidget(this);
    lstAvailable_->setObjectName(QStringLiteral("lstAvailable"));
    lstCurrent_ = new QListWidget(this);
    lstCurrent_->setObjectName(QStringLiteral("lstCurrent"));
    for (QListWidget* list : {lstAvailable_, lstCurrent_}) {
        list->setIconSize(QSize(16, 16));
        list->setMinimumSize(200, 300);
    }
    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdAdd_ = button("cmdAdd", QStringLiteral("&Add ->"));
    cmdRemove_ = button("cmdRemove", QStringLiteral("<- &Remove"));
    cmdUp_ = button("cmdUp", QStringLiteral("Move &Up"));
    cmdDown_ = button("cmdDown", QStringLiteral("Move &Down"));
    QPushButton* cmdReset = button("cmdReset", QStringLiteral("R&eset"));
    QPushButton* cmdClose = button("cmdClose", QStringLiteral("&Close"));
    cmdClose->setDefault(true);

    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(cmdAdd_);
    middle->addWidget(cmdRemove_);
    middle->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(cmdClose);
    right->addWidget(cmdReset);
    right->addSpacing(12);
    right->addWidget(cmdUp_);
    right->addWidget(cmdDown_);
    right->addStretch();
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Available buttons:"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Toolbar buttons:"), this), 0, 2);
    grid->addWidget(lstAvailable_, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(lstCurrent_, 1, 2);
    grid->addLayout(right, 1, 3);

    connect(cmdAdd_, &QPushButton::clicked, this, [this] { addSelected(); });
    connect(cmdRemove_, &QPushButton::clicked, this, [this] { removeSelected(); });
    connect(cmdUp_, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(cmdDown_, &QPushButton::clicked, this, [this] { moveSelected(1); });
    connect(cmdReset, &QPushButton::clicked, this, [this] { reset(); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(lstAvailable_, &QListWidget::itemDoubleClicked, this, [this] { addSelected(); });
    connect(lstCurrent_, &QListWidget::itemDoubleClicked, this, [this] { removeSelected(); });
    connect(lstAvailable_, &QListWidget::currentRowChanged, this, [this] { updateButtons(); });
    connect(lstCurrent_, &QListWidget::currentRowChanged, this, [this] { updateButtons(); });
    fill();
}

QListWidgetItem* frmCustomizeToolbar::itemFor(const QString& key) const
{
    auto* item = new QListWidgetItem;
    item->setData(kKeyRole, key);
    if (key == kToolbarSeparator) {
        item->setText(QStringLiteral("Separator"));
        return item;
    }
    for (const Button& b : buttons_)
        if (b.key == key) {
            item->setText(b.description);
            item->setIcon(b.icon);
        }
    return item;
}

void frmCustomizeToolbar::fill()
{
    lstAvailable_->clear();
    lstCurrent_->clear();
    // The separator heads the offered buttons: any number of them can be added.
    lstAvailable_->addItem(itemFor(kToolbarSeparator));
    for (const Button& b : buttons_)
        if (!layout_.contains(b.key))
            lstAvailable_->addItem(itemFor(b.key));
    for (const QString& key : layout_)
        lstCurrent_->addItem(itemFor(key));
    updateButtons();
}

void frmCustomizeToolbar::updateButtons()
{
    const int row = lstCurrent_->currentRow();
    cmdAdd_->setEnabled(lstAvailable_->currentRow() >= 0);
    cmdRemove_->setEnabled(row >= 0);
    cmdUp_->setEnabled(row > 0);
    cmdDown_->setEnabled(row >= 0 && row < lstCurrent_->count() - 1);
}

void frmCustomizeToolbar::change(QStringList layout, int currentRow)
{
    layout_ = std::move(layout);
    fill();
    lstCurrent_->setCurrentRow(std::min(currentRow, int(lstCurrent_->count()) - 1));
    if (apply_)
        apply_(layout_);
}

void frmCustomizeToolbar::addSelected()
{
    const QListWidgetItem* item = lstAvailable_->currentItem();
    if (!item)
        return;
    // The new button goes before the one selected on the right, or last.
    const int at = lstCurrent_->currentRow() >= 0 ? lstCurrent_->currentRow() : int(layout_.size());
    QStringList layout = layout_;
    layout.insert(at, item->data(kKeyRole).toString());
    change(std::move(layout), at);
}

void frmCustomizeToolbar::removeSelected()
{
    const int row = lstCurrent_->currentRow();
    if (row < 0)
        return;
    QStringList layout = layout_;
    layout.removeAt(row);
    change(std::move(layout), row);
}

void frmCustomizeToolbar::moveSelected(int step)
{
    const int row = lstCurrent_->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= layout_.size())
        return;
    QStringList layout = layout_;
    layout.move(row, to);
    change(std::move(layout), to);
}

void frmCustomizeToolbar::reset()
{
    change(initial_, -1);
}

} // namespace vemra
