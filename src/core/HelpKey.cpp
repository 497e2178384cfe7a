#include "core/HelpKey.h"

#include "core/Errors.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace vemra {
namespace {

// Watches the window's own key presses: a key that a control ignores travels up to its window, while one that a
// shortcut or a control has used never arrives there.
class HelpKeyFilter final : public QObject {
public:
    HelpKeyFilter(QWidget* window, std::function<void()> show) : QObject(window), window_(window), show_(std::move(show))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != window_ || event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        show_();
        return true;
    }

private:
    QWidget* window_;
    std::function<void()> show_;
};

} // namespace

void InstallHelpKey(QWidget* window, std::function<int()> context)
{
    new HelpKeyFilter(window, [window, context = std::move(context)] { ShowHelp(window, context()); });
}

void InstallHelpKey(QWidget* window, int context)
{
    InstallHelpKey(window, [context] { return context; });
}

void InstallHelpKey(QWidget* window, const QString& page)
{
    new HelpKeyFilter(window, [window, page] { ShowHelpPage(window, page); });
}

} // namespace vemra
