#include "core/DialogKeys.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

namespace vemra {
namespace {

// Qt gives Return to the default button, and an auto-default button is the default while it has the focus.
bool hasDefaultButton(const QDialog& dialog)
{
    const auto buttons = dialog.findChildren<QPushButton*>();
    return std::any_of(buttons.begin(), buttons.end(), [&dialog](const QPushButton* b) {
        // A button of a dialog opened from this one is that dialog's.
        return b->isDefault() && b->isVisible() && b->window() == &dialog;
    });
}

class DialogKeys final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<const QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!button || !button->hasFocus() || !button->isEnabled())
            return false;
        const auto* dialog = qobject_cast<const QDialog*>(button->window());
        if (!dialog || hasDefaultButton(*dialog))
            return false;
        button->click();
        return true;
    }
};

} // namespace

void InstallDialogKeys()
{
    static QPointer<DialogKeys> installed;
    if (installed || !qApp)
        return;
    installed = new DialogKeys(qApp);
    qApp->installEventFilter(installed);
}

} // namespace vemra
