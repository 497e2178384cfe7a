#include "viewer/ToolbarLayout.h"

namespace vemra {

QString ToolbarLayoutText(const QStringList& layout)
{
    return layout.join(QLatin1Char(','));
}

std::optional<QStringList> ParseToolbarLayout(const QString& text, const QStringList& knownKeys)
{
    QStringList layout;
    bool unknownKey = false;
    for (const QString& raw : text.split(QLatin1Char(','))) {
        const QString entry = raw.trimmed();
        if (entry == kToolbarSeparator) {
            if (!layout.isEmpty() && layout.last() != kToolbarSeparator)
                layout.append(entry);
        } else if (knownKeys.contains(entry)) {
            if (!layout.contains(entry))
                layout.append(entry);
        } else if (!entry.isEmpty()) {
            unknownKey = true;
        }
    }
    while (!layout.isEmpty() && layout.last() == kToolbarSeparator)
        layout.removeLast();
    if (layout.isEmpty() && unknownKey)
        return std::nullopt;
    return layout;
}

} // namespace vemra
