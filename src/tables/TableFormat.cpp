#include "tables/TableFormat.h"

#include "core/NumberFormat.h"

#include <QStringList>
#include <cmath>

namespace vemra::tables {
namespace {

// The digits part of a section: its first "0" and the zeros and one point that follow.
struct Section {
    QString before;
    QString digits;
    QString after;
};

Section splitSection(const QString& section)
{
    const qsizetype first = section.indexOf(QLatin1Char('0'));
    if (first < 0)
        return {section, QString(), QString()};
    qsizetype end = first;
    bool point = false;
    while (end < section.size()) {
        const QChar c = section[end];
        if (c == QLatin1Char('0') || (c == QLatin1Char('.') && !point && end + 1 < section.size() &&
                                      section[end + 1] == QLatin1Char('0'))) {
            point = point || c == QLatin1Char('.');
            ++end;
        } else {
            break;
        }
    }
    return {section.left(first), section.mid(first, end - first), section.mid(end)};
}

bool roundsToZero(double value, const QString& digits)
{
    const int decimals = PatternDecimals(digits);
    return std::round(std::abs(value) * std::pow(10.0, decimals < 0 ? 0 : decimals)) == 0;
}

} // namespace

QString FormatPattern(double value, const QString& pattern)
{
    const QStringList sections = pattern.split(QLatin1Char(';'));
    Section s = splitSection(sections.front());
    if (sections.size() > 1 && value < 0 && !roundsToZero(value, s.digits)) {
        s = splitSection(sections[1]);
        value = -value;
    }
    if (s.digits.isEmpty())
        return s.before;
    return s.before + FormatNumber(value, s.digits) + s.after;
}

bool HasValue(double value) { return std::isfinite(value) && std::abs(value) < 1e37; }

double InrMagnitude(double inr_dB)
{
    if (!HasValue(inr_dB))
        return -1;
    return std::nearbyint(std::abs(inr_dB)); // the default rounding: halves to even
}

Cell NoValueCell(const QString& fileText)
{
    Cell c;
    c.file = fileText;
    return c;
}

Cell ValueCell(bool valid, double value, const QString& pattern, const QString& printPattern,
               const QString& fileNoValue)
{
    if (!valid || !HasValue(value))
        return NoValueCell(fileNoValue);
    const QString text = FormatPattern(value, pattern);
    return Cell{text, text, FormatPattern(value, printPattern), false};
}

} // namespace vemra::tables
