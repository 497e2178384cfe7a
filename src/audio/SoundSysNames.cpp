#include "audio/SoundSysNames.h"

#include "library/api_files.h"

#include <cmath>

namespace vemra {

QString CalibrationSection(const QString& description)
{
    QString safe = description;
    safe.replace(QLatin1Char('\\'), QLatin1Char('_'));
    safe.replace(QLatin1Char('/'), QLatin1Char('_'));
    return kSoundSysSection + QLatin1Char('\\') + safe;
}

QString FileNameSafe(const QString& text)
{
    QString safe = text.trimmed();
    for (QChar& c : safe)
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    return safe;
}

QString CalibrationFolder()
{
    return QString::fromStdString(DataFolder()) + QStringLiteral("/Calibration");
}

QString SignedBlank(std::int64_t value)
{
    return value >= 0 ? QLatin1Char(' ') + QString::number(value) : QString::number(value);
}

QString TwoDecimals(double value)
{
    double rounded = std::round(value * 100.0) / 100.0;
    if (rounded == 0)
        rounded = 0;
    return QString::number(rounded, 'f', 2);
}

QString CorrectionPrefix(const QString& fingerPrint, std::int32_t rate_Hz)
{
    return CalibrationFolder() + QLatin1Char('/') + FileNameSafe(fingerPrint) + QLatin1Char(' ')
           + QString::number(rate_Hz);
}

QString CorrectionFileName(const QString& fingerPrint, std::int32_t rate_Hz, int order, const QString& ending)
{
    return CorrectionPrefix(fingerPrint, rate_Hz) + SignedBlank(order) + ending;
}

} // namespace vemra
