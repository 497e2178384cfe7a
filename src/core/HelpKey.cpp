#include "core/HelpKey.h"

#include "core/Errors.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace vemra {

void InstallHelpKey(QWidget* window, std::function<int()> context)
{
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), window);
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, window,
                     [window, context = std::move(context)] { ShowHelp(window, context()); });
}

} // namespace vemra
