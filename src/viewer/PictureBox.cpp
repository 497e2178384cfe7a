#include "viewer/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace vemra {

PictureBox::PictureBox(const QColor& background, const QColor& foreground, QWidget* parent)
    : QWidget(parent), background_(background), foreground_(foreground)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_ = QImage(1, 1, QImage::Format_RGB32);
    image_.fill(background_);
}

void PictureBox::cls()
{
    image_.fill(background_);
}

void PictureBox::setScale(double left, double top, double width, double height)
{
    scaleLeft_ = left;
    scaleTop_ = top;
    scaleWidth_ = width == 0 ? 1 : width;
    scaleHeight_ = height == 0 ? 1 : height;
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

void PictureBox::resizeEvent(QResizeEvent*)
{
    image_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    image_.fill(background_);
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event->button(), event->modifiers(), event->position());
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->buttons(), event->modifiers(), event->position());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    emit mouseReleased(event->button(), event->modifiers(), event->position());
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace vemra
