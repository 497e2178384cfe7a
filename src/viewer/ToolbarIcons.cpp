#include "viewer/ToolbarIcons.h"

#include <QFile>
#include <QHash>

namespace vemra {
namespace {

QHash<QString, QIcon>& icons()
{
    static QHash<QString, QIcon> set;
    return set;
}

} // namespace

QIcon ToolbarIcon(const QString& name)
{
    QHash<QString, QIcon>& set = icons();
    if (const auto it = set.constFind(name); it != set.constEnd())
        return it.value();
    const QString path = QStringLiteral(":/icons/%1.svg").arg(name);
    if (!QFile::exists(path))
        return QIcon();
    return set.insert(name, QIcon(path)).value();
}

int ToolbarIconCount() { return int(icons().size()); }

} // namespace vemra
