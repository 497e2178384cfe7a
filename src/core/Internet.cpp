#include "core/Internet.h"

#include <QDesktopServices>
#include <QUrl>

namespace vemra {

bool OpenURL(const QString& address, QWidget*)
{
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    if (!url.isValid() || url.isEmpty())
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace vemra
