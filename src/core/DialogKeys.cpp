#include "core/DialogKeys.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>

namespace vemra {
namespace {

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
        // Qt gives the key to the dialog's default button, which is the focused one only where it is auto-default:
        // a focused button that is not the default would pass Return on to another button (a focused "No" of a
        // question would answer "Yes").
        if (!qobject_cast<const QDialog*>(button->window()) || button->isDefault())
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
