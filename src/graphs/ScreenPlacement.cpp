#include "graphs/ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace vemra::graphs {

void FitOnAvailableArea(QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QRect inner = window.geometry();
    QRect outer = window.frameGeometry();
    // Not framed yet: a title bar and borders this large cover the usual decorations.
    const QMargins frame = outer == inner ? QMargins(8, 40, 8, 8)
                                          : QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                                     outer.right() - inner.right(), outer.bottom() - inner.bottom());
    const QSize room = area.size().shrunkBy(frame);
    const QSize size = inner.size().boundedTo(room).expandedTo(window.minimumSize());
    if (size != inner.size())
        window.resize(size);
    outer = QRect(inner.topLeft() - QPoint(frame.left(), frame.top()), size.grownBy(frame));
    const int x = std::clamp(outer.left(), area.left(), std::max(area.left(), area.right() + 1 - outer.width()));
    const int y = std::clamp(outer.top(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height()));
    if (x != outer.left() || y != outer.top())
        window.move(x, y); // move() places the frame's top-left corner
}

} // namespace vemra::graphs
