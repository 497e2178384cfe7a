#pragma once
// Printing and copying the current view of a response as a figure (GraphFigure.h): PrintGraph, ClipSaveGraph.
// The request is the document's last DrawRequest (its visible points); the view block its view settings. Results:
// 0; 212 when there is nothing to draw (no processed view of that type, or an unknown device context); 404 when
// the clipboard cannot be opened; 100 when memory runs out. Calling thread: the user-interface thread.
#include "library/api_common.h"

namespace vemra {

// Draws the figure onto the page of the request's device context, filling the painter's window (the page's
// printable area when the painter prints). The caller begins and ends the page.
VResult PrintGraph(const WaveHeader& header, const DrawRequest& request, const ViewBlock& view);

// Puts the figure on the system clipboard: an image of kClipWidth x kClipHeight pixels and, for programs that
// take vector graphics, the same figure as SVG ("image/svg+xml"). The request's device context is not used.
inline constexpr int kClipWidth = 1600;
inline constexpr int kClipHeight = 1000;
VResult ClipSaveGraph(const WaveHeader& header, const DrawRequest& request, const ViewBlock& view);

} // namespace vemra
