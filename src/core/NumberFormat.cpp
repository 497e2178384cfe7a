#include "core/NumberFormat.h"

#include <QLocale>
#include <cmath>

namespace vemra {

int PatternDecimals(const QString& pattern)
{
    if (pattern == QLatin1String("0"))
        return 0;
    if (!pattern.startsWith(QLatin1String("0.")) || pattern.size() < 3)
        return -1;
    for (qsizetype i = 2; i < pattern.size(); ++i)
        if (pattern[i] != QLatin1Char('0'))
            return -1;
    return int(pattern.size() - 2);
}

QString FormatNumber(double value, const QString& pattern)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    const int decimals = PatternDecimals(pattern);
    if (decimals < 0)
        return locale.toString(value, 'g', 7);
    // "-0.00" reads as a negative result; a value that rounds to zero is shown as zero.
    const double scale = std::pow(10.0, decimals);
    if (std::round(std::abs(value) * scale) == 0)
        value = 0;
    return locale.toString(value, 'f', decimals);
}

} // namespace vemra
