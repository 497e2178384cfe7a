#pragma once
// The one number codec of the program: how a number is shown to the user and how a typed, shown or stored text is
// read back. Every box that shows a number writes it with FormatNumber and reads it with ParseNumber, so the text a
// box shows reads back as the same value in every locale.
//
// - FormatNumber writes the user's locale (the default QLocale) without group separators: "1024", "20.5" or, in a
//   German locale, "20,5"; the patterns of the tables ("0", "0.0", "0.00", "0.000": that many decimals, always a
//   leading digit).
// - ParseNumber takes the C form and the user's locale's form; group separators are refused in both, so no text
//   is valid in both with two meanings ("1.024" is 1.024; "1,024" is refused in the C and an English locale and is
//   1.024 in a German one). Only finite values are numbers.
// Calling thread: any.
#include <QString>

#include <cstdint>
#include <optional>

namespace vemra {

// Decimals of a pattern "0" or "0.<zeros>"; -1 for any other pattern.
int PatternDecimals(const QString& pattern);
// The value in the pattern; a value that rounds to zero shows no minus sign. Another pattern shows up to seven
// significant digits.
QString FormatNumber(double value, const QString& pattern);

// Text to number (surrounding blanks ignored); std::nullopt for anything else.
std::optional<double> ParseNumber(const QString& text);
// Text to a number in [minimum, maximum], checked before any narrowing (1e39 is not a float's "inf").
std::optional<double> ParseNumber(const QString& text, double minimum, double maximum);
// Text to a whole number in [minimum, maximum]; fractions round half to even.
std::optional<std::int64_t> ParseInteger(const QString& text, std::int64_t minimum, std::int64_t maximum);

} // namespace vemra
