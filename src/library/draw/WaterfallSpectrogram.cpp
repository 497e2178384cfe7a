// The spectrogram: time across, frequency up, level in colour. Each slice owns an equal column of the picture
// centred on its time; between the centres of two computed neighbours the level is interpolated (in dB), and
// columns of slices not computed stay empty.
#include "library/draw/WaterfallAxes.h"
#include "library/draw/WaterfallDrawing.h"
#include "library/draw/WaterfallPainting.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vemra {
namespace {

// The picture slice of each planned slice, -1 where it was not computed.
std::vector<int> pictureSliceOf(const WaterfallPicture& picture)
{
    std::vector<int> index(std::size_t(picture.settings.slices), -1);
    for (std::size_t i = 0; i < picture.numbers.size(); ++i)
        index[std::size_t(picture.numbers[i])] = int(i);
    return index;
}

} // namespace

void PaintSpectrogram(QPainter& p, const QRectF& area, const WaterfallPicture& picture, const WaterfallStyle& style)
{
    const QFontMetricsF fm = useWaterfallFont(p, area);
    const double line = fm.height();
    const QColor fg = waterfallForeground(style.colors);
    const int planned = picture.settings.slices;
    const double firstTime = dsp::sliceTime_s(picture.settings, 0);
    const double lastTime = plannedEnd_s(picture.settings);
    const TimeUnit unit = timeUnitFor(lastTime);

    const double left = fm.horizontalAdvance(QStringLiteral("20k")) + line * 2.0;
    const double barWidth = line;
    const double right = line * 0.8 + barWidth + fm.horizontalAdvance(QStringLiteral("-120")) + line * 0.6;
    const QRectF frame = area.adjusted(left, line * 2.2, -right, -(line * 2.6));
    if (frame.width() < 20 || frame.height() < 20)
        return;
    const QRect image = QRectF(frame.topLeft(), frame.size()).toAlignedRect().adjusted(0, 0, -1, -1);
    const int width = image.width();
    const int height = image.height();

    const dsp::FrequencyAxis axis{style.fLow_Hz, style.fHigh_Hz, style.linear, double(height)};
    const ResampledSlices levels = resampleSlices(picture, axis, height);
    const double range = style.range_dB;
    const double bottom = double(levels.top_dB) - range;
    const QVector<QRgb> colours = waterfallColourTable(style.colors);
    const QRgb background = waterfallBackground(style.colors).rgb();
    const std::vector<int> index = pictureSliceOf(picture);

    QImage pixels(width, height, QImage::Format_RGB32);
    const double scale = 255.0 / range;
    for (int x = 0; x < width; ++x) {
        // The planned slice position under this column: slice s owns [s, s + 1) of `planned` equal columns.
        const double at = std::clamp((x + 0.5) / width * planned - 0.5, 0.0, double(planned - 1));
        const int s0 = int(std::floor(at));
        const int s1 = std::min(s0 + 1, planned - 1);
        const double u = at - s0;
        const int a = index[std::size_t(s0)];
        const int b = index[std::size_t(s1)];
        const float* rowA = a >= 0 ? levels.row(std::size_t(a)) : nullptr;
        const float* rowB = b >= 0 ? levels.row(std::size_t(b)) : nullptr;
        if (!rowA && !rowB) {
            for (int y = 0; y < height; ++y)
                reinterpret_cast<QRgb*>(pixels.scanLine(y))[x] = background;
            continue;
        }
        if (!rowA)
            rowA = rowB;
        if (!rowB)
            rowB = rowA;
        for (int r = 0; r < height; ++r) {
            const double level = double(rowA[r]) + (double(rowB[r]) - double(rowA[r])) * u;
            const int c = int(std::clamp((level - bottom) * scale, 0.0, 255.0));
            // Cell r counts upwards from the lowest frequency.
            reinterpret_cast<QRgb*>(pixels.scanLine(height - 1 - r))[x] = colours[c];
        }
    }
    p.drawImage(image.topLeft(), pixels);

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(fg, 0));
    p.setBrush(Qt::NoBrush);
    const QRectF plot(image.left(), image.top(), width, height);
    p.drawRect(plot);
    const double tick = line * 0.35;

    // Frequency up the left edge.
    for (const AxisTick& t : frequencyTicks(axis, line * 1.4)) {
        const double y = plot.bottom() - axis.positionOf(t.value);
        p.drawLine(QPointF(plot.left() - (t.major ? tick : tick / 2), y), QPointF(plot.left(), y));
        if (t.major)
            p.drawText(QRectF(area.left(), y - line / 2, plot.left() - tick - 2 - area.left(), line),
                       Qt::AlignRight | Qt::AlignVCenter, t.label);
    }
    p.save();
    p.translate(area.left() + line * 0.2, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-plot.height() / 2, 0, plot.height(), line), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Frequency [Hz]"));
    p.restore();

    // Time along the bottom edge: slice s is centred on column (s + 0.5) / planned.
    const double slotWidth = width / double(planned);
    const double timeStep = planned > 1 ? (lastTime - firstTime) / (planned - 1) : 0;
    auto xOfTime = [&](double t) {
        const double s = timeStep > 0 ? (t - firstTime) / timeStep : 0;
        return plot.left() + (s + 0.5) * slotWidth;
    };
    const double tLow = timeStep > 0 ? firstTime - timeStep / 2 : firstTime;
    const double tHigh = timeStep > 0 ? lastTime + timeStep / 2 : firstTime;
    const int maxLabels = int(std::clamp(width / (fm.horizontalAdvance(QStringLiteral("0000")) * 2.0), 1.0, 12.0));
    for (const AxisTick& t : linearTicks(std::max(0.0, tLow), tHigh, maxLabels, unit.factor)) {
        const double x = xOfTime(t.value);
        if (x < plot.left() - 0.5 || x > plot.right() + 0.5)
            continue;
        p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + (t.major ? tick : tick / 2)));
        if (t.major)
            p.drawText(QRectF(x - 40, plot.bottom() + tick, 80, line), Qt::AlignHCenter | Qt::AlignTop, t.label);
    }
    p.drawText(QRectF(plot.left(), plot.bottom() + tick + line, plot.width(), line), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Time [%1]").arg(unit.name));

    // The colour scale at the right.
    const QRectF bar(plot.right() + line * 0.8, plot.top(), barWidth, plot.height());
    QLinearGradient g(0, bar.bottom(), 0, bar.top());
    for (int i = 0; i <= 16; ++i)
        g.setColorAt(i / 16.0, QColor(waterfallLevelColour(style.colors, i / 16.0)));
    p.fillRect(bar, QBrush(g));
    p.drawRect(bar);
    for (const AxisTick& t : linearTicks(-range, 0, int(std::clamp(bar.height() / (line * 1.6), 1.0, 12.0)))) {
        const double y = bar.bottom() - bar.height() * (1 + t.value / range);
        p.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + (t.major ? tick : tick / 2), y));
        if (t.major)
            p.drawText(QRectF(bar.right() + tick + 2, y - line / 2, right, line), Qt::AlignLeft | Qt::AlignVCenter,
                       t.label);
    }
    p.drawText(QRectF(bar.left() - line, plot.top() - line * 1.4, right + line, line), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("dB"));
    paintWaterfallTitle(p, area, picture, style);
}

} // namespace vemra
