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
    if (decimals < 0) {
        // Qt writes the exponent of some locales (Arabic, Persian) in a form it cannot read: those get the C form.
        const QString text = locale.toString(value, 'g', 7);
        return ParseNumber(text) ? text : QLocale::c().toString(value, 'g', 7);
    }
    // "-0.00" reads as a negative result; a value that rounds to zero is shown as zero.
    const double scale = std::pow(10.0, decimals);
    if (std::round(std::abs(value) * scale) == 0)
        value = 0;
    return locale.toString(value, 'f', decimals);
}

std::optional<double> ParseNumber(const QString& text)
{
    // Right-to-left locales put invisible direction marks before their minus sign, and Qt does not read them back.
    QString t = text.trimmed();
    for (const char16_t mark : {u'\u061C', u'\u200E', u'\u200F'})
        t.remove(QChar(mark));
    if (t.isEmpty())
        return std::nullopt;
    for (QLocale locale : {QLocale::c(), QLocale()}) {
        locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
        bool ok = false;
        const double v = locale.toDouble(t, &ok);
        if (ok && std::isfinite(v))
            return v;
    }
    return std::nullopt;
}

std::optional<double> ParseNumber(const QString& text, double minimum, double maximum)
{
    const auto v = ParseNumber(text);
    if (!v || *v < minimum || *v > maximum)
        return std::nullopt;
    return v;
}

std::optional<std::int64_t> ParseInteger(const QString& text, std::int64_t minimum, std::int64_t maximum)
{
    const auto v = ParseNumber(text);
    if (!v)
        return std::nullopt;
    const double r = std::nearbyint(*v); // half to even
    if (r < double(minimum) || r > double(maximum))
        return std::nullopt;
    return std::int64_t(r);
}

} // namespace vemra
