#pragma once
// Drawing a processed view (ProcessWave) into a graph, and marking a selection on it.
// The device context of a DrawRequest is a painter handle (DeviceContext.h); the curve is drawn with the
// painter's current pen colour, as the window set it; the geometry is GraphGeometry's.
// Results: 0, or msg::NoWaveData when there is nothing to draw with (no processed view of that type, or an unknown
// device context), msg::NotEnoughMemory when memory runs out. Calling thread: the user-interface thread.
#include "library/api_common.h"
#include "library/draw/GraphGeometry.h"

#include <span>

class QPainter;

namespace vemra {

// Draws channel request.channel of the view processed for `header` into the request's device context, points
// request.firstPoint .. firstPoint + pointCount - 1 over request.width x request.height pixels.
VResult MonoView(const WaveHeader& header, const DrawRequest& request, std::int16_t viewType);

// Inverts the pixels of the points start .. start + length - 1 (length may be negative: the points before start)
// over the whole height of the request's graph; a length of 0 inverts the one column of point start. Doing it
// twice restores the picture.
VResult InvertGraph(const DrawRequest& request, std::int32_t start, std::int32_t length);

// The drawing itself: `values` are the view's points in the unit of the view's y scale. Band views draw
// one bar per point from its level down to the bottom; the others one line through the points, with every
// pixel column showing the full range of the points it covers. The screen's curve is a one-pixel hairline; a
// printed or copied figure keeps the painter's pen (its width and round caps join the columns at any resolution).
enum class CurveStroke { Hairline, PainterPen };
void PaintView(QPainter& painter, const GraphGeometry& geometry, std::span<const float> values,
               CurveStroke stroke = CurveStroke::Hairline);

} // namespace vemra
