#include "core/ProductPicture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace vemra {

QPixmap ProductPicture(const QSize& size)
{
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(QPointF(0, 0), QSizeF(size));
    QLinearGradient background(r.topLeft(), r.bottomRight());
    background.setColorAt(0, QColor(18, 42, 74));
    background.setColorAt(1, QColor(6, 14, 28));
    p.fillRect(r, background);

    // A decaying impulse response across the lower part: what the program is about.
    QPainterPath curve;
    const double baseline = r.height() * 0.72;
    const double amplitude = r.height() * 0.2;
    const int n = std::max(2, int(r.width()));
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / (n - 1);
        const double y = baseline - amplitude * std::exp(-5.0 * t) * std::sin(90.0 * t) * (i == 0 ? 0 : 1);
        if (i == 0)
            curve.moveTo(0, y);
        else
            curve.lineTo(i, y);
    }
    p.setPen(QPen(QColor(120, 200, 255), 1.5));
    p.drawPath(curve);

    p.setPen(Qt::white);
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(std::max(12, int(r.height() * 0.22)));
    title.setBold(true);
    p.setFont(title);
    p.drawText(r.adjusted(0, r.height() * 0.08, 0, 0), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("VEMRA"));
    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(std::max(8, int(r.height() * 0.06)));
    p.setFont(sub);
    p.drawText(r.adjusted(0, r.height() * 0.36, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Room impulse response measurement and analysis"));
    return pixmap;
}

} // namespace vemra
