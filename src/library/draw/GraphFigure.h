#pragma once
// The figure of a response's current view as it is printed and copied: a title (the file, the view and the band
// filter), then one framed plot per channel with its y scale, grid and curve over the visible points, and under
// the last plot the x scale with the axis' name and unit. The curve and the ticks are the document window's own
// (PaintView, GraphGeometry, AxisTicks), so the figure shows what the window shows.
//
// Everything is laid out in `area` (the painter's logical units): lengths scale with the area and text sizes are
// in points, so one figure serves a printer page, a bitmap and an SVG. Calling thread: the user-interface thread.
#include "library/Messages.h"
#include "library/api_common.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace vemra {

// What the figure's functions return when there is nothing to draw.
inline constexpr VResult kNothingToDraw = msg::NoWaveData;

// Draws the figure of the view processed for `header` (ProcessWave), points request.firstPoint ..
// request.firstPoint + request.pointCount - 1 (clipped to the view), with the view settings `view`.
// 0, or 212 when the response has no processed view of view.ViewType or nothing is visible.
VResult PaintFigure(QPainter& painter, const QRectF& area, const WaveHeader& header, const DrawRequest& request,
                    const ViewBlock& view);

// The title line of the figure: the file name, the view's name and, when one is set, the band filter.
QString FigureTitle(const WaveHeader& header, const ViewBlock& view);

} // namespace vemra
