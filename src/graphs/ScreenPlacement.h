#pragma once
// Places a top-level window wholly on its screen's available area (the screen less panels and docks), frame
// included: a window larger than the area is made smaller, one that would stand out past an edge is moved in.
// Before the window manager has framed the window its frame is unknown; room is then kept for a usual title bar
// and borders. Calling thread: the user-interface thread.
class QWidget;

namespace vemra::graphs {

void FitOnAvailableArea(QWidget& window);

} // namespace vemra::graphs
