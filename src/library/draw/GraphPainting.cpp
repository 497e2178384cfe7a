#include "library/draw/MonoView.h"

#include "library/draw/DeviceContext.h"
#include "library/dsp/ViewProcessing.h"

#include <QLine>
#include <QPainter>
#include <QPolygonF>
#include <QVector>

#include <algorithm>
#include <cmath>

namespace vemra {
namespace {

// Pixel row of a value, kept a little outside the graph so that lines to far-off values (the dB floor) still
// leave the picture at the right angle without huge coordinates.
double yOf(const GraphGeometry& g, float v)
{
    return std::clamp(g.yOfValue(double(v)), -2.0, double(g.height) + 2.0);
}

int rowOf(const GraphGeometry& g, float v)
{
    return int(std::floor(yOf(g, v)));
}

void paintBars(QPainter& painter, const GraphGeometry& g, std::span<const float> values)
{
    const QColor line = painter.pen().color();
    QColor fill = line;
    fill.setAlpha(96);
    const auto n = std::int64_t(values.size());
    const std::int64_t from = std::max<std::int64_t>(g.firstPoint, 0);
    const std::int64_t to = std::min<std::int64_t>(std::int64_t(g.firstPoint) + g.pointCount, n);
    for (std::int64_t p = from; p < to; ++p) {
        int left = int(std::lround(g.cellLeft(double(p))));
        int right = int(std::lround(g.cellLeft(double(p + 1)))) - 1;
        if (right - left >= 4) { // leave a gap between neighbouring bars
            ++left;
            --right;
        }
        const int top = std::max(0, rowOf(g, values[std::size_t(p)]));
        if (top >= g.height)
            continue;
        const QRect bar(left, top, right - left + 1, g.height - top);
        painter.fillRect(bar, fill);
        painter.drawLine(left, top, right, top);
        painter.drawLine(left, top, left, g.height - 1);
        painter.drawLine(right, top, right, g.height - 1);
    }
}

void paintLine(QPainter& painter, const GraphGeometry& g, std::span<const float> values, CurveStroke stroke)
{
    const auto n = std::int64_t(values.size());
    const std::int64_t first = g.firstPoint;
    const std::int64_t count = g.pointCount;
    if (count >= g.width) {
        // More points than pixels: each column shows the range of its points, joined to the previous column's
        // last point so that steep edges stay connected.
        QVector<QLine> lines;
        lines.reserve(g.width);
        bool havePrevious = false;
        float previous = 0;
        for (std::int64_t c = 0; c < g.width; ++c) {
            const std::int64_t a = std::max<std::int64_t>(first + c * count / g.width, 0);
            const std::int64_t b = std::min<std::int64_t>(first + (c + 1) * count / g.width, n);
            if (a >= b) {
                havePrevious = false;
                continue;
            }
            const auto [lo, hi] = std::minmax_element(values.begin() + a, values.begin() + b);
            float low = *lo;
            float high = *hi;
            if (havePrevious) {
                low = std::min(low, previous);
                high = std::max(high, previous);
            }
            previous = values[std::size_t(b - 1)];
            havePrevious = true;
            lines.append(QLine(int(c), rowOf(g, high), int(c), rowOf(g, low)));
        }
        if (stroke == CurveStroke::Hairline) {
            painter.drawLines(lines);
            return;
        }
        // A wide pen: a flat column becomes a short level stroke (a line of no length draws nothing on some
        // devices), so a silent stretch still shows as a line.
        QVector<QLineF> strokes;
        strokes.reserve(lines.size());
        for (const QLine& l : std::as_const(lines))
            strokes.append(l.y1() == l.y2() ? QLineF(l.x1() - 0.5, l.y1(), l.x1() + 0.5, l.y1()) : QLineF(l));
        painter.drawLines(strokes);
        return;
    }
    // Fewer points than pixels: a polyline through the points' cell centres, one point beyond each edge so the
    // line reaches the border.
    const std::int64_t from = std::max<std::int64_t>(first - 1, 0);
    const std::int64_t to = std::min<std::int64_t>(first + count + 1, n);
    if (from >= to)
        return;
    QPolygonF polyline;
    polyline.reserve(int(to - from));
    for (std::int64_t p = from; p < to; ++p)
        polyline.append(QPointF(g.xOfPoint(double(p)), yOf(g, values[std::size_t(p)])));
    if (polyline.size() == 1)
        painter.drawPoint(polyline.front());
    else
        painter.drawPolyline(polyline);
}

} // namespace

void PaintView(QPainter& painter, const GraphGeometry& geometry, std::span<const float> values, CurveStroke stroke)
{
    if (!geometry.usable() || values.empty())
        return;
    painter.save();
    if (stroke == CurveStroke::Hairline) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        QPen pen = painter.pen();
        pen.setWidth(0); // cosmetic: one pixel whatever the transform
        painter.setPen(pen);
    }
    if (dsp::isBandView(geometry.viewType))
        paintBars(painter, geometry, values);
    else
        paintLine(painter, geometry, values, stroke);
    painter.restore();
}

VResult InvertGraph(const DrawRequest& request, std::int32_t start, std::int32_t length)
{
    return guardedResult(msg::NoWaveData, [&]() -> VResult {
        QPainter* painter = PainterOfDeviceContext(request.deviceContext);
        if (!painter || request.width <= 0 || request.height <= 0 || request.pointCount <= 0)
            return msg::NoWaveData;
        const GraphGeometry g = GraphGeometry::of(request);
        double a = double(start);
        double b = double(start) + double(length);
        if (b < a)
            std::swap(a, b);
        int left = int(std::floor(g.cellLeft(a)));
        int right = int(std::floor(g.cellLeft(b))); // exclusive
        if (length == 0)
            right = left + 1;
        left = std::clamp(left, 0, g.width);
        right = std::clamp(right, 0, g.width);
        if (right <= left)
            return Ok; // the selection lies outside the visible range
        painter->save();
        painter->setCompositionMode(QPainter::RasterOp_NotDestination);
        painter->fillRect(QRect(left, 0, right - left, g.height), Qt::white);
        painter->restore();
        return Ok;
    });
}

} // namespace vemra
