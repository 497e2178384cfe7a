#pragma once
// Numbers as the user reads them: the patterns of the parameter tables ("0", "0.0", "0.00", "0.000": that many
// decimals, always a leading digit) in the user's locale, without group separators.
#include <QString>

namespace vemra {

// Decimals of a pattern "0" or "0.<zeros>"; -1 for any other pattern.
int PatternDecimals(const QString& pattern);
// The value in the pattern; a value that rounds to zero shows no minus sign. Another pattern shows up to seven
// significant digits.
QString FormatNumber(double value, const QString& pattern);

} // namespace vemra
