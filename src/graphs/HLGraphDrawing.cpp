// The band graph control's drawing: layout of the plot box, titles, axes, grid and curves, and the three outputs
// (screen picture, clipboard, printer). Everything is laid out in twips in floating point; one painter path
// serves all outputs.
#include "graphs/HLGraph.h"

#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Print.h"
#include "core/VemraError.h"

#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vemra {
namespace {

constexpr double kTwipsPerInch = 1440;
// One pixel of a 96 dpi screen: pen widths are given in such pixels.
constexpr double kPixel_tw = kTwipsPerInch / 96;
constexpr int kSmallFont_tw = 160; // 8 pt
constexpr int kLargeFont_tw = 320; // 16 pt
// A value whose neighbours have none is drawn as a dot this many times the curve's width across: a line needs two.
constexpr double kMarkerWidths = 3;
constexpr double kMinMarker_tw = 6 * kPixel_tw;

// Titles beginning with "$" name a symbol title; the one the graph window uses is the absorption coefficient's.
QString symbolTitle(const QString& key)
{
    if (key == QLatin1String("$Alpha [-]"))
        return QStringLiteral("\u03B1 [-]");
    throw VemraError::elementNotFound(QStringLiteral("Element not found: no title %1").arg(key));
}

Qt::PenStyle penStyle(int style)
{
    switch (style) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    case 5: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

QFont graphFont(int size_tw, bool bold)
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(size_tw); // world units are twips
    f.setBold(bold);
    return f;
}

} // namespace

// The surface's geometry: W x H twips, the plot box inside it, and the painter. Positions are given with y
// growing upwards from the bottom edge and turned into the painter's downward y here.
struct HLGraph::Layout {
    QPainter* p;
    double W, H;
    double left, right, bottom, top;
    int points;
    QColor grid;

    QPointF at(double x, double y) const { return {x, H - y}; }
    void line(double x0, double y0, double x1, double y1) const { p->drawLine(at(x0, y0), at(x1, y1)); }
    // Centre of the slot of point i.
    double slotX(int i) const { return left + (i + 0.5) * (right - left) / points; }
    QSizeF textSize(const QString& text) const
    {
        const QFontMetricsF fm(p->font());
        return {fm.horizontalAdvance(text), fm.height()};
    }
    // Text with its top-left corner at (x, yTop).
    void text(double x, double yTop, const QString& s) const
    {
        const QSizeF size = textSize(s);
        p->drawText(QRectF(at(x, yTop), size), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, s);
    }
};

QColor HLGraph::colourOf(std::uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

template <class Body>
bool HLGraph::reportOnce(const char* procedure, Body&& body)
{
    try {
        body();
        return true;
    } catch (...) {
        const VemraError error = toVemraError(std::current_exception());
        const QString key = QString::fromLatin1(procedure) + QLatin1Char('\n') + error.description();
        if (key != lastReported_) {
            lastReported_ = key;
            ReportError(QString::fromLatin1(procedure), error);
        }
        return false;
    }
}

QColor HLGraph::gridColour(Surface surface) const
{
    // The plot box is white on either surface. The style's button face nearly vanishes on white; a quarter grey
    // shows at a glance and stays behind the curves. Paper takes a darker grey that survives printing.
    return surface == Surface::Paper ? QColor(0x80, 0x80, 0x80) : QColor(0xC0, 0xC0, 0xC0);
}

bool HLGraph::render(QPainter& painter, double width_tw, double height_tw, Surface surface)
{
    Layout l{&painter, width_tw, height_tw, 600, width_tw - 400, 500, height_tw - 600, std::max(1, xCount_),
             gridColour(surface)};
    const QColor back = surface == Surface::Paper ? QColor(Qt::white) : backColor_;
    bool drawn = false;
    const bool ok = reportOnce("HLGraph_Refresh", [&] {
        // A drawing error leaves through an exception: the saved state is restored on that path too.
        struct SavedState {
            QPainter& p;
            explicit SavedState(QPainter& painter) : p(painter) { p.save(); }
            ~SavedState() { p.restore(); }
        } saved(painter);
        painter.fillRect(QRectF(0, 0, l.W, l.H), back);
        painter.fillRect(QRectF(l.at(l.left + 15, l.top - 15), l.at(l.right, l.bottom)).normalized(), Qt::white);
        drawTitles(l);
        drawn = reportOnce("HLGraph_DrawXaxis", [&] { drawXaxis(l); }) &&
                reportOnce("HLGraph_DrawYaxis", [&] { drawYaxis(l); }) &&
                reportOnce("HLGraph_DrawGraph", [&] { drawCurves(l); });
    });
    if (ok && drawn)
        lastReported_.clear();
    return ok && drawn;
}

void HLGraph::drawTitles(const Layout& l)
{
    QPainter& p = *l.p;
    p.setPen(Qt::black);
    p.setFont(graphFont(kLargeFont_tw, false));
    const QString title = title1_.startsWith(QLatin1Char('$')) ? symbolTitle(title1_) : title1_;
    const QSizeF t1 = l.textSize(title);
    // Centred on the line 240 twips above the plot box.
    l.text((l.W - t1.width()) / 2, l.top + (600 + t1.height()) / 2 - 60, title);

    p.setFont(graphFont(kSmallFont_tw, true));
    const QSizeF t2 = l.textSize(title2_);
    l.text(l.right - t2.width(), l.top + t2.height(), title2_);
}

void HLGraph::drawXaxis(const Layout& l)
{
    QPainter& p = *l.p;
    p.setPen(QPen(Qt::black, kPixel_tw));
    p.setFont(graphFont(kSmallFont_tw, false));
    l.line(l.left, l.bottom, l.right, l.bottom);
    l.line(l.left, l.top, l.right, l.top);
    if (xScaleType_ != 1 && xScaleType_ != 2)
        return;
    const QPen axisPen(Qt::black, kPixel_tw);
    const QPen gridPen(l.grid, kPixel_tw);
    auto label = [&](int i, const QString& text) {
        const double x = l.slotX(i);
        l.text(x - l.textSize(text).width() / 2, l.bottom - 100, text);
        if (grid_) {
            p.setPen(gridPen);
            l.line(x, l.bottom + 15, x, l.top);
            p.setPen(axisPen);
        }
    };
    for (int i = 0; i < xCount_; ++i) {
        const double x = l.slotX(i);
        const int band = int(std::lround(xMin_ + i));
        if (xScaleType_ == 1) {
            l.line(x, l.bottom, x, l.bottom - 75);
            label(i, graphs::OctaveLabel(band));
        } else {
            l.line(x, l.bottom, x, l.bottom - 30);
            if (i % 3 == 1) {
                l.line(x, l.bottom, x, l.bottom - 50);
                label(i, graphs::ThirdOctaveLabel(band));
            }
        }
    }
    // Right of the plot box; a font wider than the margin moves it left rather than past the surface's edge.
    const QString unit = QStringLiteral("[Hz]");
    l.text(std::min(l.right + 75, l.W - l.textSize(unit).width()), l.bottom - 100, unit);
}

std::pair<double, double> HLGraph::dataExtent() const
{
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (int s = 0; s < yCount_; ++s)
        for (int i = 0; i < xCount_; ++i)
            if (set_[std::size_t(s)][std::size_t(i)]) {
                lo = std::min(lo, values_[std::size_t(s)][std::size_t(i)]);
                hi = std::max(hi, values_[std::size_t(s)][std::size_t(i)]);
            }
    if (hi < lo) // nothing set
        return {0, 0};
    return {lo, hi};
}

void HLGraph::drawYaxis(const Layout& l)
{
    const auto [dataLo, dataHi] = dataExtent();
    axis_ = graphs::AutoScaleY(yAutoMin_ ? dataLo : yMin_, yAutoMax_ ? dataHi : yMax_, yAutoMin_);

    QPainter& p = *l.p;
    const QPen axisPen(Qt::black, kPixel_tw);
    const QPen gridPen(l.grid, kPixel_tw);
    p.setPen(axisPen);
    p.setFont(graphFont(kSmallFont_tw, false));
    l.line(l.left, l.bottom, l.left, l.top);
    l.line(l.right, l.bottom, l.right, l.top + 15);
    const int n = axis_.divisions;
    for (int i = 0; i <= n; ++i) {
        const double y = l.bottom + (l.top - l.bottom) * i / n;
        const double value = axis_.maximum - (axis_.maximum - axis_.minimum) * (n - i) / n;
        const QString text = graphs::AxisLabel(value);
        const QSizeF size = l.textSize(text);
        l.text(l.left - size.width() - 150, y + size.height() / 2, text);
        if (i > 0 && i < n) {
            l.line(l.left - 75, y, l.left, y);
            if (grid_) {
                p.setPen(gridPen);
                l.line(l.left + 15, y, l.right, y);
                p.setPen(axisPen);
            }
        }
    }
    const QSizeF title = l.textSize(yTitle_);
    l.text(l.left - title.width() - 150, l.top - title.height() / 2, yTitle_);
}

void HLGraph::drawCurves(const Layout& l)
{
    QPainter& p = *l.p;
    p.setRenderHint(QPainter::Antialiasing, true);
    const double span = axis_.maximum - axis_.minimum;
    auto yOf = [&](double v) { return l.bottom + (v - axis_.minimum) * (l.top - l.bottom) / span; };
    for (int s = 0; s < yCount_; ++s) {
        QPen pen(colourOf(colours_[std::size_t(s)]), std::max(1, int(widths_[std::size_t(s)])) * kPixel_tw,
                 penStyle(styles_[std::size_t(s)]));
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        const auto& v = values_[std::size_t(s)];
        const auto& set = set_[std::size_t(s)];
        if (pen.style() != Qt::NoPen) {
            const double size = std::max(kMinMarker_tw, kMarkerWidths * pen.widthF());
            p.save();
            p.setPen(Qt::NoPen);
            p.setBrush(pen.color());
            for (int i = 0; i < xCount_; ++i) {
                const bool alone = set[std::size_t(i)] && (i == 0 || !set[std::size_t(i - 1)]) &&
                                   (i + 1 == xCount_ || !set[std::size_t(i + 1)]);
                const double y = alone ? yOf(v[std::size_t(i)]) : 0;
                if (alone && y >= l.bottom && y <= l.top)
                    p.drawEllipse(l.at(l.slotX(i), y), size / 2, size / 2);
            }
            p.restore();
        }
        for (int i = 1; i < xCount_; ++i) {
            if (!set[std::size_t(i - 1)] || !set[std::size_t(i)])
                continue;
            double x0 = l.slotX(i - 1), y0 = yOf(v[std::size_t(i - 1)]);
            double x1 = l.slotX(i), y1 = yOf(v[std::size_t(i)]);
            if ((y0 < l.bottom && y1 < l.bottom) || (y0 > l.top && y1 > l.top))
                continue;
            // Cut the segment at the plot box's bottom and top edges, keeping its slope.
            const double slope = (y1 - y0) / (x1 - x0);
            auto clip = [&](double& x, double& y) {
                const double edge = y < l.bottom ? l.bottom : y > l.top ? l.top : y;
                if (edge != y) {
                    x += (edge - y) / slope;
                    y = edge;
                }
            };
            clip(x0, y0);
            clip(x1, y1);
            l.line(x0, y0, x1, y1);
        }
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

// --- outputs ---

QImage HLGraph::renderImage(Surface surface, bool& drawn)
{
    const qreal ratio = devicePixelRatioF();
    QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(surface == Surface::Paper ? QColor(Qt::white) : backColor_);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.scale(logicalDpiX() / kTwipsPerInch, logicalDpiY() / kTwipsPerInch);
        drawn = render(painter, width() * kTwipsPerInch / logicalDpiX(), height() * kTwipsPerInch / logicalDpiY(),
                       surface);
    }
    return image;
}

void HLGraph::Refresh()
{
    if (xCount_ < 1 || yCount_ < 1 || width() < 1 || height() < 1)
        return;
    bool drawn = false;
    picture_ = renderImage(Surface::Screen, drawn);
    update();
}

void HLGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), backColor_);
    if (!picture_.isNull())
        painter.drawImage(QPointF(0, 0), picture_);
}

void HLGraph::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Refresh();
}

bool HLGraph::ShowsValues() const
{
    for (int s = 0; s < yCount_; ++s)
        for (int i = 0; i < xCount_; ++i)
            if (set_[std::size_t(s)][std::size_t(i)])
                return true;
    return false;
}

bool HLGraph::ClipSavePicture()
{
    if (!ShowsValues() || width() < 1 || height() < 1)
        return false;
    bool drawn = false;
    const QImage image = renderImage(Surface::Paper, drawn);
    if (drawn)
        QGuiApplication::clipboard()->setImage(image);
    return drawn;
}

QRectF HLGraph::PrintArea(const QSizeF& drawing, const QSizeF& page)
{
    const double fit = std::min({1.0, page.width() / drawing.width(), page.height() / drawing.height()});
    const QSizeF size = drawing * fit;
    const double x = (page.width() - size.width()) / 2;
    return {QPointF(x, std::min(x, page.height() - size.height())), size};
}

bool HLGraph::PrintPicture(QPrinter& printer)
{
    QPainter painter;
    if (!BeginPrinting(painter, printer))
        return false;
    const double W = width() * kTwipsPerInch / logicalDpiX();
    const double H = height() * kTwipsPerInch / logicalDpiY();
    const double scale = printer.resolution() / kTwipsPerInch; // device units per twip
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRectF area = PrintArea(QSizeF(W, H) * scale, page.size());
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.translate(area.topLeft());
    painter.scale(area.width() / W, area.height() / H);
    render(painter, W, H, Surface::Paper);
    return painter.end();
}

} // namespace vemra
