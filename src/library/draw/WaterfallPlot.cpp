// The perspective waterfall: slices stacked in depth, the first at the back, hidden lines removed by painting
// from the back to the front, each slice filled with the background below its line.
#include "library/draw/WaterfallAxes.h"
#include "library/draw/WaterfallDrawing.h"
#include "library/draw/WaterfallPainting.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace vemra {
namespace {

// How far the back slice sits behind the front one, as fractions of the plot's inner width and height.
constexpr double kDepthX = 0.20;
constexpr double kDepthY = 0.40;
// The slice lines use the upper part of the colour scale, so that low levels stay visible on the background.
constexpr double kLowestLineColour = 0.3;

struct Frame {
    QRectF inner;    // front slice's box plus the depth
    double depthX = 0;
    double depthY = 0;
    double sliceWidth = 0;
    double sliceHeight = 0;
    double left() const { return inner.left(); }
    double base() const { return inner.bottom(); }
    // The shift of a slice at depth d (0 the front, 1 the back).
    QPointF shift(double depth) const { return {depth * depthX, -depth * depthY}; }
};

QPen gradientPen(const Frame& f, const QPointF& shift, int colors)
{
    QLinearGradient g(0, f.base() + shift.y(), 0, f.base() + shift.y() - f.sliceHeight);
    // What lies on the floor of the range is dimmed, so the slices that have decayed into it stay in the
    // background.
    g.setColorAt(0, waterfallGrid(colors));
    g.setColorAt(0.03, QColor(waterfallLevelColour(colors, kLowestLineColour)));
    for (int i = 1; i <= 8; ++i) {
        const double at = i / 8.0;
        g.setColorAt(at, QColor(waterfallLevelColour(colors, kLowestLineColour + (1 - kLowestLineColour) * at)));
    }
    QPen pen(QBrush(g), 1.0);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void paintBox(QPainter& p, const Frame& f, const std::vector<AxisTick>& freqTicks, const dsp::FrequencyAxis& axis,
              const std::vector<AxisTick>& levelTicks, double range, int colors)
{
    p.setPen(QPen(waterfallGrid(colors), 0));
    const QPointF back = f.shift(1);
    // Back wall: level lines and the major frequencies.
    for (const AxisTick& t : levelTicks) {
        if (!t.major)
            continue;
        const double y = f.base() - f.sliceHeight * (1 + t.value / range);
        p.drawLine(QPointF(f.left(), y) + back, QPointF(f.left() + f.sliceWidth, y) + back);
        // Left wall: the same level from the front to the back.
        p.drawLine(QPointF(f.left(), y), QPointF(f.left(), y) + back);
    }
    for (const AxisTick& t : freqTicks) {
        if (!t.major)
            continue;
        const double x = f.left() + axis.positionOf(t.value);
        p.drawLine(QPointF(x, f.base() - f.sliceHeight) + back, QPointF(x, f.base()) + back);
        // Floor: the frequency from the back to the front.
        p.drawLine(QPointF(x, f.base()) + back, QPointF(x, f.base()));
    }
    p.drawLine(QPointF(f.left(), f.base()), QPointF(f.left(), f.base()) + back);
}

} // namespace

void PaintWaterfallPlot(QPainter& p, const QRectF& area, const WaterfallPicture& picture, const WaterfallStyle& style)
{
    const QFontMetricsF fm = useWaterfallFont(p, area);
    const double line = fm.height();
    const QColor fg = waterfallForeground(style.colors);
    const double endTime = plannedEnd_s(picture.settings);
    const TimeUnit unit = timeUnitFor(endTime);

    Frame f;
    const double left = fm.horizontalAdvance(QStringLiteral("-120")) + line * 0.8;
    const double right = fm.horizontalAdvance(QStringLiteral("000.0")) + line * 1.2;
    f.inner = area.adjusted(left, line * 2.2, -right, -(line * 2.6));
    if (f.inner.width() < 20 || f.inner.height() < 20)
        return;
    f.depthX = std::round(f.inner.width() * kDepthX);
    f.depthY = std::round(f.inner.height() * kDepthY);
    f.sliceWidth = f.inner.width() - f.depthX;
    f.sliceHeight = f.inner.height() - f.depthY;

    const dsp::FrequencyAxis axis{style.fLow_Hz, style.fHigh_Hz, style.linear, f.sliceWidth};
    const auto cells = int(std::max(1.0, std::floor(f.sliceWidth)));
    const ResampledSlices levels = resampleSlices(picture, axis, cells);
    const double range = style.range_dB;
    const double bottom = double(levels.top_dB) - range;
    const std::vector<AxisTick> freqTicks = frequencyTicks(axis, fm.horizontalAdvance(QStringLiteral("20k")) * 1.8);
    const std::vector<AxisTick> levelTicks =
        linearTicks(-range, 0, int(std::clamp(f.sliceHeight / (line * 1.6), 1.0, 12.0)));

    p.setRenderHint(QPainter::Antialiasing, false);
    paintBox(p, f, freqTicks, axis, levelTicks, range, style.colors);

    // Back to front: the picture's slices are in time order and time runs towards the viewer.
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor background = waterfallBackground(style.colors);
    QPolygonF outline(cells + 2);
    for (std::size_t i = 0; i < picture.slices.size(); ++i) {
        const double depth = endTime > 0 ? 1 - picture.times_s[i] / endTime : 0;
        const QPointF shift = f.shift(depth);
        const float* row = levels.row(i);
        const double x0 = f.left() + shift.x();
        const double base = f.base() + shift.y();
        outline[0] = QPointF(x0, base);
        for (int c = 0; c < cells; ++c) {
            const double u = std::clamp((double(row[c]) - bottom) / range, 0.0, 1.0);
            outline[c + 1] = QPointF(x0 + c + 0.5, base - u * f.sliceHeight);
        }
        outline[cells + 1] = QPointF(x0 + f.sliceWidth, base);
        // The fill only hides what lies behind; its line drawn over it gives the edge, so the fill needs no
        // smoothing (which would double the cost of the picture).
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(background);
        p.drawPolygon(outline);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setBrush(Qt::NoBrush);
        p.setPen(gradientPen(f, shift, style.colors));
        p.drawPolyline(outline.constData() + 1, cells);
    }

    // Axes in front of everything.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(fg, 0));
    const double tick = line * 0.35;
    // Frequency along the front edge.
    p.drawLine(QPointF(f.left(), f.base()), QPointF(f.left() + f.sliceWidth, f.base()));
    for (const AxisTick& t : freqTicks) {
        const double x = f.left() + axis.positionOf(t.value);
        p.drawLine(QPointF(x, f.base()), QPointF(x, f.base() + (t.major ? tick : tick / 2)));
        if (t.major)
            p.drawText(QRectF(x - 40, f.base() + tick, 80, line), Qt::AlignHCenter | Qt::AlignTop, t.label);
    }
    p.drawText(QRectF(f.left(), f.base() + tick + line, f.sliceWidth, line), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Frequency [Hz]"));
    // Level up the front's left edge.
    p.drawLine(QPointF(f.left(), f.base()), QPointF(f.left(), f.base() - f.sliceHeight));
    for (const AxisTick& t : levelTicks) {
        const double y = f.base() - f.sliceHeight * (1 + t.value / range);
        p.drawLine(QPointF(f.left() - (t.major ? tick : tick / 2), y), QPointF(f.left(), y));
        if (t.major)
            p.drawText(QRectF(area.left(), y - line / 2, f.left() - tick - area.left() - 2, line),
                       Qt::AlignRight | Qt::AlignVCenter, t.label);
    }
    p.drawText(QRectF(area.left(), f.base() - f.sliceHeight - line * 1.6, f.left() - area.left() + line * 2, line),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("dB"));
    // Time along the right-hand diagonal, from the back (the first slice) to the front.
    const QPointF front(f.left() + f.sliceWidth, f.base());
    p.drawLine(front, front + f.shift(1));
    if (endTime > 0) {
        const int maxLabels = int(std::clamp(std::hypot(f.depthX, f.depthY) / (line * 1.5), 1.0, 10.0));
        for (const AxisTick& t : linearTicks(0, endTime, maxLabels, unit.factor)) {
            const QPointF at = front + f.shift(1 - t.value / endTime);
            p.drawLine(at, at + QPointF(t.major ? tick : tick / 2, 0));
            if (t.major)
                p.drawText(QRectF(at.x() + tick + 2, at.y() - line / 2, right, line), Qt::AlignLeft | Qt::AlignVCenter,
                           t.label);
        }
    }
    const QPointF backEnd = front + f.shift(1);
    p.drawText(QRectF(backEnd.x() - right * 2, backEnd.y() - line * 1.8, right * 3, line),
               Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Time [%1]").arg(unit.name));
    paintWaterfallTitle(p, area, picture, style);
}

} // namespace vemra
