#include "viewer/frmdBRange.h"

#include "core/Settings.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace vemra {

frmdBRange::frmdBRange(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmdBRange"));
    setWindowTitle(QStringLiteral("dB Range"));
    setModal(true);
    auto* label = new QLabel(QStringLiteral("Graph range:"), this);
    label->setObjectName(QStringLiteral("Label1(0)"));
    txtRange_ = new QLineEdit(this);
    txtRange_->setObjectName(QStringLiteral("txtRange"));
    txtRange_->installEventFilter(this);
    auto* unit = new QLabel(QStringLiteral("dB"), this);
    unit->setObjectName(QStringLiteral("Label1(1)"));
    cmdOK_ = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    // No default button: Enter belongs to the text box.
    cmdOK_->setAutoDefault(false);
    cmdCancel_->setAutoDefault(false);
    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(txtRange_);
    row->addWidget(unit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
}

void frmdBRange::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    txtRange_->setText(QString::number(dBRange));
    txtRange_->setFocus();
    txtRange_->selectAll();
}

bool frmdBRange::txtRange_Validate()
{
    const std::optional<double> value = ParseNumber(txtRange_->text().trimmed());
    const double rounded = value ? std::nearbyint(*value) : 0;
    if (value && rounded >= 2 && rounded <= 150) {
        txtRange_->setText(QString::number(int(rounded)));
        return true;
    }
    txtRange_->setFocus();
    txtRange_->selectAll();
    QApplication::beep();
    return false;
}

void frmdBRange::cmdOK_Click()
{
    // The focus leaving the text box validates it first; a refused value keeps the dialog open.
    if (!txtRange_Validate())
        return;
    dBRange = std::int16_t(txtRange_->text().toInt());
    accept();
}

bool frmdBRange::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtRange_) {
        if (event->type() == QEvent::FocusIn) {
            txtRange_->selectAll();
        } else if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                if (txtRange_Validate()) {
                    dBRange = std::int16_t(txtRange_->text().toInt());
                    accept();
                }
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vemra
