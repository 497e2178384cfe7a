#include "audio/CalibrationRecord.h"

#include "audio/clsVolume.h"
#include "core/NumberFormat.h"
#include "core/Settings.h"
#include "core/VemraError.h"
#include "core/clsOptions.h"
#include "library/Codes.h"

namespace vemra {

namespace {

[[noreturn]] void badValue(const QString& key, const QString& text)
{
    throw VemraError(13, QStringLiteral("Type mismatch: %1 = \"%2\"").arg(key, text));
}

// A stored whole number within [minimum, maximum]; a missing key gives its default text.
std::int64_t integerOf(const QString& section, const QString& key, const QString& defaultText, std::int64_t minimum,
                       std::int64_t maximum)
{
    const QString text = GetSetting(section, key, defaultText);
    const std::optional<std::int64_t> value = ParseInteger(text, minimum, maximum);
    if (!value)
        badValue(key, text);
    return *value;
}

GainCurveRecord readCurve(const QString& key, const QString& curve)
{
    GainCurveRecord out;
    const qsizetype semicolon = curve.indexOf(QLatin1Char(';'));
    if (semicolon < 0)
        badValue(key, curve);
    const std::optional<std::int64_t> id = ParseInteger(curve.left(semicolon), INT32_MIN, INT32_MAX);
    if (!id)
        badValue(key, curve);
    out.controlId = std::int32_t(*id);
    if (out.controlId == -1)
        return out;
    // Each step "<position>=<level dB>;" is read where the one before ended, so the text is walked once. The steps
    // end where no '=' follows or one follows at once.
    constexpr std::size_t kMostSteps = std::size_t(clsVolume::kMaxStep) + 1; // the table's indices 0 .. kMaxStep
    for (qsizetype at = semicolon + 1;;) {
        const qsizetype equals = curve.indexOf(QLatin1Char('='), at);
        if (equals <= at)
            break;
        if (out.steps.size() == kMostSteps)
            badValue(key, curve);
        const std::optional<std::int64_t> position = ParseInteger(curve.mid(at, equals - at), 0, 65535);
        const qsizetype end = curve.indexOf(QLatin1Char(';'), equals + 1);
        const std::optional<double> level =
            end < 0 ? std::nullopt
                    : ParseNumber(curve.mid(equals + 1, end - equals - 1), -clsOptions::kLargestFloat,
                                  clsOptions::kLargestFloat);
        if (!position || !level)
            badValue(key, curve);
        out.steps.emplace_back(std::int32_t(*position), float(*level));
        at = end + 1;
    }
    return out;
}

} // namespace

CalibrationRecord ReadCalibrationRecord(const QString& section)
{
    CalibrationRecord r;
    // The converters' maxima are 16-bit sample values; a missing one is full scale.
    const QString fullScale = QString::number(kMaxSample);
    r.adcMax = std::int32_t(integerOf(section, QStringLiteral("ADCmax"), fullScale, 1, kMaxSample));
    r.mlsDacMax = std::int32_t(integerOf(section, QStringLiteral("MLSDACmax"), fullScale, 1, kMaxSample));
    r.swpDacMax = std::int32_t(integerOf(section, QStringLiteral("SWPDACmax"), fullScale, 1, kMaxSample));
    const std::int64_t sign = integerOf(section, QStringLiteral("Sign"), QStringLiteral("1"), -1, 1);
    if (sign == 0)
        badValue(QStringLiteral("Sign"), QStringLiteral("0"));
    r.sign = std::int16_t(sign);
    const char* const keys[] = {"Pm", "Rm", "Ps", "Rs"};
    for (std::size_t i = 0; i < r.curves.size(); ++i) {
        const QString key = QLatin1String(keys[i]);
        r.curves[i] = readCurve(key, GetSetting(section, key, QStringLiteral("-1")));
        r.curves[i].channels =
            std::int16_t(integerOf(section, key + QStringLiteral("Channels"), QStringLiteral("2"), 0, 8));
    }
    return r;
}

std::int32_t ReadCalibrationRate(const QString& section, std::int32_t defaultRate_Hz)
{
    // Only a rate the program measures at: the correction files and the options exist for no other.
    const QString key = QStringLiteral("Frequency");
    const auto& rates = clsOptions::kSampleRates;
    const auto rate = std::int32_t(integerOf(section, key, QString::number(defaultRate_Hz), rates.front(), rates.back()));
    if (!clsOptions::isOfferedRate(rate))
        badValue(key, GetSetting(section, key));
    return rate;
}

} // namespace vemra
