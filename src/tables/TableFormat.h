#pragma once
// How the parameter tables turn values into text: number patterns with literal text around the digits, the
// three texts of one cell (screen, file, paper) and the tests every table shares. Decimal symbol of the user's
// locale (the default QLocale). Calling thread: any.
#include <QString>

namespace vemra::tables {

// A number pattern of the tables: the digits part "0" or "0.<zeros>" (that many decimals, rounded), with literal
// text before or after it (" 0.000", "0.00 ", "0    "). Two sections split by ';' use the second for a negative
// value, written as its magnitude with the section's own literals giving the sign ("0.000;-0.000"). A value that
// rounds to zero is never negative.
QString FormatPattern(double value, const QString& pattern);

// False for what no table may write as a number: the no-value sentinel (1E+38), anything of magnitude 1E+37 or
// more, infinities and NaN.
bool HasValue(double value);

// The impulse-to-noise ratio as the reverberation and strength tests read it: its magnitude rounded to the
// nearest integer, halves to even, in double; -1 when it has no value (every test then fails).
double InrMagnitude(double inr_dB);

// The texts of one cell: on screen, in the text file and on paper. A cell without a value reads "--" on screen
// and on paper (centred there) and a blank in the file, unless the table writes its own mark.
struct Cell {
    QString screen = QStringLiteral("--");
    QString file = QStringLiteral(" ");
    QString print = QStringLiteral("--");
    bool printCentred = true; // "--" and the marks are centred in their column; numbers are right-aligned
};

// A cell without a value; `fileText` is what the file holds in its place.
Cell NoValueCell(const QString& fileText = QStringLiteral(" "));
// A value cell when `valid`, else NoValueCell(fileNoValue): the value in the screen pattern on screen and in the
// file, in the print pattern on paper.
Cell ValueCell(bool valid, double value, const QString& pattern, const QString& printPattern,
               const QString& fileNoValue = QStringLiteral(" "));

} // namespace vemra::tables
