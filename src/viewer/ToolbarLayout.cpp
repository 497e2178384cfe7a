#include "viewer/ToolbarLayout.h"

namespace vemra {

QString ToolbarLayoutText(const QStringList& layout)
{
    return layout.join(QLatin1Char(','));
}

QStringList ParseToolbarLayout(const QString& text, const QStringList& knownKeys)
{
    QStringList layout;
    bool anyKey = false;
    for (const QString& raw : text.split(QLatin1Char(','))) {
        const QString entry = raw.trimmed();
        if (entry == kToolbarSeparator) {
            if (!layout.isEmpty() && layout.last() != kToolbarSeparator)
                layout.append(entry);
        } else if (knownKeys.contains(entry) && !layout.contains(entry)) {
            layout.append(entry);
            anyKey = true;
        }
    }
    if (!anyKey)
        return {};
    while (layout.last() == kToolbarSeparator)
        layout.removeLast();
    return layout;
}

} // namespace vemra
