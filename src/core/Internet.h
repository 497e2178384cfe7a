#pragma once
// Opening a web page in the user's default browser.
#include <QString>

class QWidget;

namespace vemra {

// True when the desktop accepted the address for its browser; the caller shows msg::NoBrowserHome or
// msg::NoBrowserSupport otherwise.
bool OpenURL(const QString& address, QWidget* window = nullptr);

} // namespace vemra
