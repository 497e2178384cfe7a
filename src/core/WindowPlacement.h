#pragma once
// Where new top-level windows go: wholly on the available area of a screen (the desktop without its panels),
// with the frame the window manager puts around them. A window that is still hidden has no frame yet: room is
// left for one as large as that of the window it opens from, and at least for a title bar and borders of the
// usual size.
// Calling thread: the user-interface thread.
#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace vemra {

// The room to leave around a window not yet framed: the frame of `sample` (a shown window), at least the usual
// one.
QMargins FrameAllowance(const QWidget* sample);

// For a hidden window: at most `preferred` in size (never below its minimum), small enough for the available area
// of the screen `near` is on (the primary screen without it) with its frame, and placed wholly on that area:
// where it stands when it fits there, centred otherwise.
void FitOnScreen(QWidget* window, QSize preferred, const QWidget* near);

// For a hidden window that opens from `box` (a shown window, such as a message box): in the largest free part of
// the available area right of, left of, below or above the box's frame, at most `preferred` in size and as near
// the box as that part allows, so that the box and its buttons stay in view. Where no part holds the window at
// its minimum size, it is fitted on the screen as FitOnScreen does.
void PlaceBeside(QWidget* window, QSize preferred, const QWidget* box);

} // namespace vemra
