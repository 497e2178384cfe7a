#include "core/Twips.h"

#include <QWidget>
#include <cmath>

namespace vemra {
namespace {
constexpr double kTwipsPerInch = 1440.0;
}

int TwipsToPixelsX(const QWidget* w, int twips) { return int(std::lround(twips * w->logicalDpiX() / kTwipsPerInch)); }
int TwipsToPixelsY(const QWidget* w, int twips) { return int(std::lround(twips * w->logicalDpiY() / kTwipsPerInch)); }
int PixelsToTwipsX(const QWidget* w, int pixels) { return int(std::lround(pixels * kTwipsPerInch / w->logicalDpiX())); }
int PixelsToTwipsY(const QWidget* w, int pixels) { return int(std::lround(pixels * kTwipsPerInch / w->logicalDpiY())); }

} // namespace vemra
