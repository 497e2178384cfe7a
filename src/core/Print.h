#pragma once
// Placing text on a printed page, the way the tables and graphs lay out their print-outs: a current position on
// the page (in the painter's logical units), set before each text.
#include <QString>
#include <cstdint>

class QPainter;
class QPrinter;

namespace vemra {

// The program's current printer: the one the print dialogs set up last (the system's default until then). Commands
// that print at once, without a dialog, print on it. Created on first use, alive until the program ends.
QPrinter& CurrentPrinter();

// Starts the painter's job on the printer. A printer that cannot take one (none was ever set up, or it went away)
// raises the printer error (482), which the caller's guard reports, rather than printing nothing without a word.
void StartPrinting(QPainter& painter, QPrinter& printer);

enum PrintAlign : std::int16_t { AlignStart = 1, AlignEnd = 2, AlignCentre = 3 };

// The page being printed: the painter that draws on it and the current position (top of the next line).
struct PrintPage {
    QPainter* painter = nullptr;
    double currentX = 0;
    double currentY = 0;
};

// Left edge of a text of `width` placed at x: alignment 1 starts at x, 2 ends at x, 3 is centred on x, anything
// else starts at the current horizontal position.
double PrintTextLeft(double width, double x, double currentX, int alignment);

// Prints the text with its top at y and ends the line (the position moves to the start of the next line).
// Returns the vertical position afterwards, rounded.
int PrintText(PrintPage& page, const QString& text, float x, float y, int alignment);

// Sets the page's font: name, size in points, bold, and underline for the fourth argument.
void SetPrinterFont(PrintPage& page, const QString& fontName, int size_pt, bool bold, bool underline);

} // namespace vemra
