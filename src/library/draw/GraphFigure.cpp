#include "library/draw/GraphFigure.h"

#include "library/Messages.h"
#include "library/ViewStore.h"
#include "library/draw/AxisTicks.h"
#include "library/draw/GraphGeometry.h"
#include "library/draw/MonoView.h"
#include "library/dsp/Bands.h"
#include "library/dsp/Spectrum.h"
#include "library/dsp/ViewProcessing.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vemra {
namespace {

const char* const kViewNames[8] = {"Pressure",          "Reflectogram",          "Decay curve",  "Schroeder",
                                   "Full Octave spectrum", "Third Octave spectrum", "Lin Spectrum", "Log Spectrum"};
const char* const kYAxisNames[8] = {"Pressure [%]", "Reflectogram [%]", "Level [dB]", "Level [dB]",
                                    "Band level [dB]", "Band level [dB]", "Level [dB]", "Level [dB]"};

QString xAxisName(int viewType)
{
    if (dsp::isTimeView(viewType))
        return QStringLiteral("Time [s]");
    if (dsp::isBandView(viewType))
        return QStringLiteral("Band [Hz]");
    return QStringLiteral("Frequency [Hz]");
}

QFont figureFont(double points, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// The x scale of the visible points: ticks in the scale's own units, running from start over span.
struct XScale {
    std::vector<XTick> ticks;
    double start = 0;
    double span = 1;
};

XScale xScaleOf(int viewType, double fs, std::int32_t N, std::int32_t first, std::int32_t count)
{
    XScale s;
    if (dsp::isTimeView(viewType)) {
        s.start = first / fs;
        s.span = count / fs;
        s.ticks = linearXTicks(float(s.start), float(s.span));
    } else if (dsp::isBandView(viewType)) {
        s.start = 0;
        s.span = 1000;
        s.ticks = bandXTicks(viewType == dsp::ViewOctave, N);
        // The band views always show every band: the ticks' 0..1000 cover all N.
    } else {
        const double df = fs / (2.0 * N + 1.0);
        if (viewType == dsp::ViewLinSpectrum) {
            s.start = df * (first + 1);
            s.span = df * count;
            s.ticks = linearXTicks(float(s.start), float(s.span));
        } else {
            s.start = 0;
            s.span = 1000;
            s.ticks = logXTicks(fs, N, first, count, df * dsp::logSamplePoint(first + 1, N),
                                df * dsp::logSamplePoint(first + count, N));
        }
    }
    return s;
}

} // namespace

QString FigureTitle(const WaveHeader& header, const ViewBlock& view)
{
    QString title = QFileInfo(QString::fromStdString(readFileNameField(header))).fileName();
    const int type = view.ViewType;
    if (type >= 0 && type < 8)
        title += QStringLiteral("  -  ") + QString::fromLatin1(kViewNames[type]);
    const int band = view.FilterType;
    if (band == dsp::kWideBand)
        title += QStringLiteral("  -  Wide band");
    else if (const char* label = dsp::bandLabel(band))
        title += QStringLiteral("  -  %1 Hz %2").arg(QString::fromLatin1(label),
                                                     dsp::isOctaveBand(band) ? QStringLiteral("octave")
                                                                            : QStringLiteral("third octave"));
    return title;
}

VResult PaintFigure(QPainter& painter, const QRectF& area, const WaveHeader& header, const DrawRequest& request,
                    const ViewBlock& view)
{
    const ProcessedView* processed = ProcessedViewOf(header);
    const int viewType = view.ViewType;
    if (!processed || processed->data.viewType != viewType || processed->data.channels.empty() || area.isEmpty())
        return kNothingToDraw;
    const std::int32_t N = processed->data.pointCount;
    const bool bandView = dsp::isBandView(viewType);
    // The band views show every band; the others the window's visible points.
    const std::int32_t first = bandView ? 0 : std::clamp(request.firstPoint, 0, std::max(N - 1, 0));
    const std::int32_t count = bandView ? N : std::min(request.pointCount, N - first);
    if (N <= 0 || count <= 0)
        return kNothingToDraw;
    const double fs = processed->fs_Hz > 0 ? processed->fs_Hz : double(header.format.SampleFrequency);
    const double range = view.dBRange > 0 ? double(view.dBRange) : 60.0;
    const int channels = int(processed->data.channels.size());

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(area, Qt::white);
    const double unit = area.width() / 1000.0; // one thousandth of the figure's width
    const QFont titleFont = figureFont(11, true);
    const QFont labelFont = figureFont(8);
    const QFontMetricsF titleMetrics(titleFont, painter.device());
    const QFontMetricsF labelMetrics(labelFont, painter.device());
    const double lineHeight = labelMetrics.height();
    const double tick = 8 * unit;

    // Layout: title, plots stacked, x scale under the last; the y scale and the axis name on the left.
    const double titleHeight = titleMetrics.height() * 1.8;
    const double yScaleWidth = labelMetrics.horizontalAdvance(QStringLiteral("-100")) + tick + lineHeight * 2.2;
    const double xScaleHeight = tick + lineHeight * 2.8;
    const QRectF plots(area.left() + yScaleWidth, area.top() + titleHeight,
                       area.width() - yScaleWidth - 20 * unit, area.height() - titleHeight - xScaleHeight);
    const double gap = channels > 1 ? lineHeight : 0;
    const double plotHeight = (plots.height() - gap * (channels - 1)) / channels;
    if (plots.width() <= 1 || plotHeight <= 1) {
        painter.restore();
        return kNothingToDraw;
    }

    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(area.left(), area.top(), area.width(), titleHeight), Qt::AlignCenter,
                     FigureTitle(header, view));

    const XScale xs = xScaleOf(viewType, fs, N, first, count);
    const auto xOf = [&](double at) { return plots.left() + (at - xs.start) / xs.span * plots.width(); };
    const QPen framePen(Qt::black, std::max(1.0, 1.5 * unit));
    const QPen gridPen(QColor(200, 200, 200), std::max(1.0, unit));
    QPen curvePen(QColor(0, 60, 170), std::max(1.0, 1.6 * unit));
    curvePen.setCapStyle(Qt::RoundCap);

    for (int ch = 0; ch < channels; ++ch) {
        const QRectF plot(plots.left(), plots.top() + ch * (plotHeight + gap), plots.width(), plotHeight);
        // The y position of a value: the window's geometry over this plot's height.
        const GraphGeometry g{std::int32_t(plot.height()), std::int32_t(plot.width()), first, count, viewType, range};
        const double scaleY = plot.height() / double(g.height);
        const auto yOf = [&](double v) { return plot.top() + g.yOfValue(v) * scaleY; };

        painter.setFont(labelFont);
        const bool thin = lineHeight * (viewType >= 2 ? range / 10.0 : 20.0) > plot.height() * 0.8;
        for (const YTick& t : yScaleTicks(viewType, range, thin)) {
            const double y = yOf(t.value);
            if (t.major) {
                painter.setPen(gridPen);
                painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
            }
            painter.setPen(framePen);
            painter.drawLine(QPointF(plot.left() - (t.major ? tick : tick / 2), y), QPointF(plot.left(), y));
            if (!t.label.isEmpty())
                painter.drawText(QRectF(plot.left() - tick * 1.5 - yScaleWidth, y - lineHeight / 2, yScaleWidth,
                                        lineHeight),
                                 Qt::AlignRight | Qt::AlignVCenter, t.label);
        }
        for (const XTick& t : xs.ticks) {
            const double x = xOf(t.at);
            if (x < plot.left() - 0.5 || x > plot.right() + 0.5)
                continue;
            if (t.major) {
                painter.setPen(gridPen);
                painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
            }
            painter.setPen(framePen);
            painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + (t.major ? tick : tick / 2)));
        }

        // The curve, in the plot's own pixel grid.
        painter.save();
        painter.setClipRect(plot);
        painter.translate(plot.topLeft());
        painter.setPen(curvePen);
        PaintView(painter, g, processed->data.channels[std::size_t(ch)], CurveStroke::PainterPen);
        painter.restore();

        painter.setPen(framePen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(plot);
        if (channels > 1) {
            painter.setFont(labelFont);
            painter.drawText(plot.adjusted(0, lineHeight * 0.3, -lineHeight * 0.5, 0), Qt::AlignRight | Qt::AlignTop,
                             QStringLiteral("Channel %1").arg(ch + 1));
        }
        // The y axis' name, turned to read upwards, beside this plot.
        painter.save();
        painter.translate(area.left() + lineHeight * 0.2, plot.center().y());
        painter.rotate(-90);
        painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), lineHeight * 1.2), Qt::AlignCenter,
                         QString::fromLatin1(kYAxisNames[viewType]));
        painter.restore();
    }

    // The x scale's labels under the last plot, where they fit inside it, and the axis' name.
    painter.setFont(labelFont);
    painter.setPen(Qt::black);
    const double labelTop = plots.bottom() + tick * 1.3;
    for (const XTick& t : xs.ticks) {
        if (!t.major || t.label.isEmpty())
            continue;
        const double w = labelMetrics.horizontalAdvance(t.label);
        const double left = xOf(t.at) - w / 2;
        if (left < plots.left() - w * 0.25 || left + w > plots.right() + w * 0.25)
            continue;
        painter.drawText(QRectF(left, labelTop, w, lineHeight), Qt::AlignCenter, t.label);
    }
    painter.drawText(QRectF(plots.left(), labelTop + lineHeight * 1.2, plots.width(), lineHeight * 1.4),
                     Qt::AlignCenter, xAxisName(viewType));
    painter.restore();
    return Ok;
}

} // namespace vemra
