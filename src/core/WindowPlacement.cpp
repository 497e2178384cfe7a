#include "core/WindowPlacement.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <array>

namespace vemra {
namespace {

// A title bar and borders at least as large as the usual decorations (a resizable window may get a grip along its
// bottom that a fixed-size box does not have).
constexpr QMargins kUsualFrame(8, 40, 8, 8);

QRect availableArea(const QWidget* near)
{
    const QScreen* screen = near ? near->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// The client size for a window that must fit, with `frame`, into `room`: at most `preferred`, at least the
// window's minimum.
QSize clientSizeFor(QWidget* window, QSize preferred, QSize room, const QMargins& frame)
{
    // A window never shown has not laid itself out: its minimum is known only once its layout has run.
    window->ensurePolished();
    if (QLayout* layout = window->layout())
        layout->activate();
    const QSize inner(room.width() - frame.left() - frame.right(), room.height() - frame.top() - frame.bottom());
    return preferred.boundedTo(inner).expandedTo(window->minimumSizeHint()).expandedTo(window->minimumSize());
}

QSize outerSize(QSize client, const QMargins& frame)
{
    return client.grownBy(frame);
}

} // namespace

QMargins FrameAllowance(const QWidget* sample)
{
    QMargins frame = kUsualFrame;
    if (sample && sample->isVisible()) {
        const QRect inner = sample->geometry();
        const QRect outer = sample->frameGeometry();
        frame = QMargins(std::max(frame.left(), inner.left() - outer.left()),
                         std::max(frame.top(), inner.top() - outer.top()),
                         std::max(frame.right(), outer.right() - inner.right()),
                         std::max(frame.bottom(), outer.bottom() - inner.bottom()));
    }
    return frame;
}

void FitOnScreen(QWidget* window, QSize preferred, const QWidget* near)
{
    const QRect area = availableArea(near);
    if (area.isEmpty())
        return;
    const QMargins frame = FrameAllowance(near);
    const QSize client = clientSizeFor(window, preferred, area.size(), frame);
    window->resize(client);
    const QSize outer = outerSize(client, frame);
    // A hidden window's position is that of its frame's corner. One never shown has no position of its own yet: left
    // to the window manager, it may be put where its lower part runs off the screen.
    const QRect placed(window->pos(), outer);
    if (!window->testAttribute(Qt::WA_WState_Created) || !area.contains(placed))
        window->move(area.x() + std::max(0, (area.width() - outer.width()) / 2),
                     area.y() + std::max(0, (area.height() - outer.height()) / 2));
}

void PlaceBeside(QWidget* window, QSize preferred, const QWidget* box)
{
    const QRect area = availableArea(box);
    if (area.isEmpty() || !box || !box->isVisible()) {
        FitOnScreen(window, preferred, box);
        return;
    }
    const QMargins frame = FrameAllowance(box);
    // What the box covers: its frame, and at least its own size hint, since a box whose size the window system
    // has not confirmed yet reports less than it shows.
    QRect inner = box->geometry();
    inner.setSize(inner.size().expandedTo(box->sizeHint()));
    const QRect taken = inner.marginsAdded(frame).united(box->frameGeometry());
    const std::array<QRect, 4> parts = {
        QRect(QPoint(taken.right() + 1, area.top()), area.bottomRight()),  // right
        QRect(area.topLeft(), QPoint(taken.left() - 1, area.bottom())),    // left
        QRect(QPoint(area.left(), taken.bottom() + 1), area.bottomRight()), // below
        QRect(area.topLeft(), QPoint(area.right(), taken.top() - 1)),      // above
    };
    int best = -1;
    QSize bestClient;
    for (int i = 0; i < int(parts.size()); ++i) {
        const QRect& part = parts[std::size_t(i)];
        if (part.width() <= 0 || part.height() <= 0)
            continue;
        const QSize client = clientSizeFor(window, preferred, part.size(), frame);
        const QSize outer = outerSize(client, frame);
        if (outer.width() > part.width() || outer.height() > part.height())
            continue;
        if (best < 0 || client.width() * client.height() > bestClient.width() * bestClient.height()) {
            best = i;
            bestClient = client;
        }
    }
    if (best < 0) {
        FitOnScreen(window, preferred, box);
        return;
    }
    const QRect& part = parts[std::size_t(best)];
    const QSize outer = outerSize(bestClient, frame);
    // Against the box on its side, centred on the box along it as far as the part allows.
    const QPoint centre = taken.center();
    int x = std::clamp(centre.x() - outer.width() / 2, part.left(), part.right() + 1 - outer.width());
    int y = std::clamp(centre.y() - outer.height() / 2, part.top(), part.bottom() + 1 - outer.height());
    if (best == 0)
        x = part.left();
    else if (best == 1)
        x = part.right() + 1 - outer.width();
    else if (best == 2)
        y = part.top();
    else
        y = part.bottom() + 1 - outer.height();
    window->resize(bestClient);
    window->move(x, y);
}

} // namespace vemra
