#include "audio/ReceiverPictures.h"

#include "library/Codes.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vemra {

namespace {

enum class Capsule { Omni, Eight, OmniAndEight, Ear, Speaker, None };

// One capsule drawn around its centre.
void drawCapsule(QPainter& p, Capsule kind, QPointF c)
{
    switch (kind) {
    case Capsule::Omni:
        p.drawEllipse(c, 5.0, 5.0);
        p.drawLine(c + QPointF(0, 5), c + QPointF(0, 11));
        break;
    case Capsule::Eight:
        p.drawEllipse(c + QPointF(-4, 0), 4.0, 4.0);
        p.drawEllipse(c + QPointF(4, 0), 4.0, 4.0);
        p.drawLine(c + QPointF(0, 4), c + QPointF(0, 11));
        break;
    case Capsule::OmniAndEight:
        drawCapsule(p, Capsule::Omni, c + QPointF(-8, 0));
        drawCapsule(p, Capsule::Eight, c + QPointF(9, 0));
        break;
    case Capsule::Ear: {
        QPainterPath ear;
        ear.moveTo(c + QPointF(-2, -6));
        ear.cubicTo(c + QPointF(6, -8), c + QPointF(6, 8), c + QPointF(-2, 6));
        p.drawPath(ear);
        break;
    }
    case Capsule::Speaker: {
        const QPolygonF cone({c + QPointF(-6, -3), c + QPointF(-2, -3), c + QPointF(4, -8), c + QPointF(4, 8),
                              c + QPointF(-2, 3), c + QPointF(-6, 3)});
        p.drawPolygon(cone);
        break;
    }
    case Capsule::None:
        break;
    }
}

QPixmap drawing(int receiver, bool noiseSource, bool grey)
{
    QPixmap pixmap(kReceiverPictureWidth, kReceiverPictureHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = grey ? QColor(0x80, 0x80, 0x80) : QColor(0x00, 0x00, 0x00);
    const QColor fill = grey ? QColor(0xC0, 0xC0, 0xC0) : QColor(0x00, 0x00, 0x80);
    p.setPen(QPen(ink, 1.2));
    QFont font = p.font();
    font.setPixelSize(9);
    p.setFont(font);

    Capsule left = Capsule::Omni, right = Capsule::None;
    switch (receiver) {
    case ReceiverOmni: left = Capsule::Omni; break;
    case ReceiverOmniFig8Switched: left = Capsule::OmniAndEight; break;
    case ReceiverDualOmni: left = Capsule::Omni; right = Capsule::Omni; break;
    case ReceiverOmniFig8: left = Capsule::Omni; right = Capsule::Eight; break;
    case ReceiverHead: left = Capsule::Ear; right = Capsule::Ear; break;
    case ReceiverOmniOmniProbe: left = Capsule::Omni; right = Capsule::Omni; break;
    default: break;
    }
    if (noiseSource)
        right = Capsule::Speaker;

    if (receiver == ReceiverHead) {
        // The head between the two ears.
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(50, 14), 12.0, 11.0);
        p.drawLine(QPointF(47, 14), QPointF(50, 18));
    }
    if (receiver == ReceiverOmniOmniProbe) {
        // The two capsules of the probe on one bar.
        p.drawLine(QPointF(32, 14), QPointF(68, 14));
    }
    p.setBrush(fill);
    const bool head = receiver == ReceiverHead;
    const double leftX = head ? 34 : 30;
    const double rightX = head ? 66 : 70;
    if (head) {
        p.save();
        p.translate(2 * leftX, 0);
        p.scale(-1, 1);
        drawCapsule(p, left, QPointF(leftX, 12));
        p.restore();
    } else {
        drawCapsule(p, left, QPointF(leftX, 12));
    }
    drawCapsule(p, right, QPointF(rightX, 12));

    p.setPen(ink);
    p.drawText(QRectF(0, 0, 18, 30), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Ch1"));
    if (right != Capsule::None)
        p.drawText(QRectF(82, 0, 18, 30), Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Ch2"));
    return pixmap;
}

} // namespace

QIcon ReceiverIcon(int receiver, bool noiseSource)
{
    QIcon icon;
    icon.addPixmap(drawing(receiver, noiseSource, false), QIcon::Normal);
    icon.addPixmap(drawing(receiver, noiseSource, true), QIcon::Disabled);
    return icon;
}

} // namespace vemra
