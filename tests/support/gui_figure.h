#pragma once
// Reading back a printed or copied figure of a view: the text of a PDF (pdftotext), its first page as an image
// (pdftoppm), and the pixels of the figure's curve colour in an image.
#include <QImage>
#include <QRect>
#include <QString>

namespace vemra::test {

// The text of every page of the PDF, laid out as on the page ("" when it cannot be read).
QString pdfText(const QString& pdf);
// The first page of the PDF as an image at 40 dpi, null when it cannot be rendered.
QImage pdfFirstPage(const QString& pdf);
// How many pixels of `within` show the figure's curve colour (a dark blue), give or take the antialiasing.
int curvePixels(const QImage& img, const QRect& within);
inline int curvePixels(const QImage& img) { return curvePixels(img, img.rect()); }

} // namespace vemra::test
