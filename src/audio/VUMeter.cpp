#include "audio/VUMeter.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace vemra {

namespace {

const QColor kGreen(0x00, 0xFF, 0x00);
const QColor kDarkGreen(0x00, 0x80, 0x00);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kDarkRed(0x80, 0x00, 0x00);

} // namespace

VUMeter::VUMeter(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedWidth(22);
    setMinimumHeight(kSegments * 6 + 4);
}

QColor VUMeter::colour(int segment) const
{
    const bool red = segment >= kFirstRed;
    if (lit_[std::size_t(segment)])
        return red ? kRed : kGreen;
    return red ? kDarkRed : kDarkGreen;
}

QRect VUMeter::segmentRect(int segment) const
{
    // Segment 15 at the top; each takes a ninth of its pitch as the gap below it.
    const double pitch = (height() - 2) / double(kSegments);
    const int top = int(1 + (kSegments - 1 - segment) * pitch);
    const int bottom = int(1 + (kSegments - segment) * pitch - std::max(1.0, pitch / 9));
    return QRect(2, top, width() - 4, std::max(1, bottom - top));
}

void VUMeter::write(int segment, bool lit)
{
    if (segment < 0 || segment >= kSegments || lit_[std::size_t(segment)] == lit)
        return;
    lit_[std::size_t(segment)] = lit;
    ++writes_;
    QWidget::update(segmentRect(segment));
}

void VUMeter::update(int level)
{
    const int L = std::clamp(level, -1, kSegments - 1);
    const int P = level_;
    if (L == P) {
    } else if (L < 0 && P >= 0) {
        for (int i = 0; i <= P; ++i)
            write(i, false);
    } else if (P < L) {
        for (int i = std::max(P, 0); i <= L; ++i)
            write(i, true);
    } else {
        for (int i = L + 1; i <= P; ++i)
            write(i, false);
    }
    if (L >= 0 && L >= peak_) {
        peak_ = L;
        hold_ = kHoldUpdates;
    }
    if (hold_ > 0) {
        --hold_;
        write(peak_, true);
    } else if (peak_ > L) {
        write(peak_, false);
        peak_ = -1;
    }
    level_ = L;
}

void VUMeter::reset()
{
    level_ = peak_ = hold_ = 0;
    for (int i = 0; i < kSegments; ++i)
        write(i, false);
}

void VUMeter::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.fillRect(event->rect(), palette().color(QPalette::Window));
    for (int i = 0; i < kSegments; ++i) {
        const QRect r = segmentRect(i);
        if (r.intersects(event->rect()))
            p.fillRect(r, colour(i));
    }
}

} // namespace vemra
