#pragma once
// The program's printer, and placing text on a printed page the way the tables and graphs lay out their
// print-outs: a current position on the page (in the painter's logical units), set before each text.
// Calling thread: the user-interface thread.
#include <QString>
#include <cstdint>

class QPainter;
class QPrinter;
class QWidget;

namespace vemra {

// The program's current printer: the one the user chose last in the program's print dialog, a printer or a PDF
// file (the system's default printer until then). Every Print uses this one object: one that prints at once
// prints on it, one with a dialog starts the dialog from it. Created on first use, alive until the program ends.
QPrinter& CurrentPrinter();

// The print dialog on the current printer; what the user accepts there is the current printer from then on.
// False when the user cancelled.
bool ChoosePrinter(QWidget* parent);

// The current printer, for a Print that prints at once. When the user has chosen none and the system has none,
// message 917 says so and its OK opens the print dialog. nullptr when the user goes no further.
QPrinter* PrinterToPrintOn(QWidget* parent);

// True when the printer has somewhere to print: a printer named or a file.
bool HasDestination(const QPrinter& printer);

// Starts the painter's job on the printer; false when the printer cannot take one. A printer with nowhere to print
// is not even asked: Qt would keep it busy from then on, and no later choice could reach it.
bool BeginPrinting(QPainter& painter, QPrinter& printer);
// The same for a caller whose guard reports failures: a printer that cannot take the job raises the printer error
// (482), rather than printing nothing without a word.
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
