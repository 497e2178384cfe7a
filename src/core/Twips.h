#pragma once
// Window geometry is kept in twips: 1440 per logical inch of the widget's screen.
class QWidget;

namespace vemra {

int TwipsToPixelsX(const QWidget* widget, int twips);
int TwipsToPixelsY(const QWidget* widget, int twips);
int PixelsToTwipsX(const QWidget* widget, int pixels);
int PixelsToTwipsY(const QWidget* widget, int pixels);

} // namespace vemra
