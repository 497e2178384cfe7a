#pragma once
// The product picture that the splash and the About box show, drawn at the asked size.
#include <QPixmap>
#include <QSize>

namespace vemra {

QPixmap ProductPicture(const QSize& size);

} // namespace vemra
