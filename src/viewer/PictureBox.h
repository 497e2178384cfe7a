#pragma once
// A drawing surface that keeps what is drawn on it: an image the size of the widget, shown again whenever the
// widget repaints. Its owner draws into image() (directly or through a device context of the drawing layer) and
// calls update(). A resize gives an empty image of the new size in the background colour; the owner redraws.
// The user scale maps a rectangle of the owner's units onto the image, as the window's scales need it.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace vemra {

class PictureBox : public QWidget {
    Q_OBJECT

public:
    PictureBox(const QColor& background, const QColor& foreground, QWidget* parent = nullptr);

    QImage& image() { return image_; }
    const QImage& image() const { return image_; }
    QColor background() const { return background_; }
    QColor foreColor() const { return foreground_; }
    void setForeColor(const QColor& colour) { foreground_ = colour; }
    QFont pictureFont() const { return font_; }
    void setPictureFont(const QFont& font) { font_ = font; }

    // Fills the image with the background colour.
    void cls();

    // The user scale: (left, top) is the image's top-left corner, (left + width, top + height) its bottom-right
    // corner; height may be negative (values upwards).
    void setScale(double left, double top, double width, double height);
    double toPixelX(double x) const { return (x - scaleLeft_) * image_.width() / scaleWidth_; }
    double toPixelY(double y) const { return (y - scaleTop_) * image_.height() / scaleHeight_; }
    // Size of a pixel length in scale units (positive).
    double unitsPerPixelX() const { return std::abs(scaleWidth_) / std::max(1, image_.width()); }
    double unitsPerPixelY() const { return std::abs(scaleHeight_) / std::max(1, image_.height()); }

signals:
    void clicked();
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    void mouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF position);
    void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage image_;
    QColor background_;
    QColor foreground_;
    QFont font_;
    double scaleLeft_ = 0, scaleTop_ = 0, scaleWidth_ = 1, scaleHeight_ = 1;
};

} // namespace vemra
