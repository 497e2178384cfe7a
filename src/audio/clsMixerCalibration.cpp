// The sound-card calibration in use: LoadCalibration makes the calibration chosen in the options the one in force.
#include "audio/AudioGlobals.h"
#include "audio/SoundSysNames.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsVolume.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/clsOptions.h"
#include "library/Messages.h"

#include <cmath>
#include <functional>

namespace vemra {

namespace {

[[noreturn]] void badValue(const QString& key, const QString& text)
{
    throw VemraError(13, QStringLiteral("Type mismatch: %1 = \"%2\"").arg(key, text));
}

// A stored whole number within [minimum, maximum]; a missing key gives its default text, anything that is not such
// a number is a run-time error (the load then ends with the defaults in force).
std::int64_t integerOf(const QString& section, const QString& key, const QString& defaultText, std::int64_t minimum,
                       std::int64_t maximum)
{
    const QString text = GetSetting(section, key, defaultText);
    const std::optional<std::int64_t> value = ParseInteger(text.trimmed(), minimum, maximum);
    if (!value)
        badValue(key, text);
    return *value;
}

// One gain curve "<control id>;<position>=<level dB>;...;" into a gain control.
void readCurve(clsVolume& control, const QString& key, const QString& curve)
{
    const qsizetype semicolon = curve.indexOf(QLatin1Char(';'));
    if (semicolon < 0)
        badValue(key, curve);
    const std::optional<std::int64_t> id = ParseInteger(curve.left(semicolon).trimmed(), INT32_MIN, INT32_MAX);
    if (!id)
        badValue(key, curve);
    control.setControlID(std::int32_t(*id));
    if (control.ControlID() == -1)
        return;
    QString rest = curve.mid(semicolon + 1);
    for (int i = 0; rest.indexOf(QLatin1Char('=')) >= 1; ++i) {
        if (i > clsVolume::kMaxStep)
            badValue(key, curve);
        const qsizetype equals = rest.indexOf(QLatin1Char('='));
        const std::optional<std::int64_t> position = ParseInteger(rest.left(equals).trimmed(), 0, 65535);
        rest = rest.mid(equals + 1);
        const qsizetype end = rest.indexOf(QLatin1Char(';'));
        const std::optional<double> level = end < 0 ? std::nullopt : ParseNumber(rest.left(end).trimmed());
        if (!position || !level)
            badValue(key, curve);
        control.setVolStepVolume(i, std::int32_t(*position));
        control.setVolStepRms(i, float(*level));
        rest = rest.mid(end + 1);
    }
}

} // namespace

void clsMixer::replaceVolumes()
{
    // Each control goes back to the volume it had before, in this order, before the new ones take over.
    for (auto* control : {&pm_, &rm_, &ps_, &rs_})
        control->reset();
    pm_ = std::make_unique<clsVolume>();
    rm_ = std::make_unique<clsVolume>();
    ps_ = std::make_unique<clsVolume>();
    rs_ = std::make_unique<clsVolume>();
    setVolumeGlobals();
}

void clsMixer::loadValues()
{
    // The converters' maxima are 16-bit sample values; a missing one is full scale.
    const QString fullScale = QString::number(kMaxSample);
    rawAdcMax_ = std::int32_t(integerOf(section_, QStringLiteral("ADCmax"), fullScale, 1, kMaxSample));
    adcMax_dB_ = float(20.0 * std::log10(rawAdcMax_ / double(kMaxSample)));
    mlsDacMax_ = std::int32_t(integerOf(section_, QStringLiteral("MLSDACmax"), fullScale, 1, kMaxSample));
    swpDacMax_ = std::int32_t(integerOf(section_, QStringLiteral("SWPDACmax"), fullScale, 1, kMaxSample));
    const std::int64_t sign = integerOf(section_, QStringLiteral("Sign"), QStringLiteral("1"), -1, 1);
    if (sign == 0)
        badValue(QStringLiteral("Sign"), QStringLiteral("0"));
    sign_ = std::int16_t(sign);
    const struct {
        clsVolume* control;
        const char* key;
    } curves[] = {{Pm, "Pm"}, {Rm, "Rm"}, {Ps, "Ps"}, {Rs, "Rs"}};
    for (const auto& c : curves) {
        const QString key = QLatin1String(c.key);
        readCurve(*c.control, key, GetSetting(section_, key, QStringLiteral("-1")));
        c.control->setChannels(std::int16_t(integerOf(section_, key + QStringLiteral("Channels"), QStringLiteral("2"), 0, 8)));
    }
}

void clsMixer::LoadCalibration()
{
    auto defaults = [&] {
        if (Player) {
            Player->setMLSDACVolume(clsPlayer::kDefaultDacVolume);
            Player->setSWPDACVolume(clsPlayer::kDefaultDacVolume);
        }
        rawAdcMax_ = kMaxSample;
        adcMax_dB_ = 0;
        sign_ = 1;
    };
    defaults();
    guarded(
        "LoadCalibration",
        [&] {
            if (!Options || !Options->UseCal())
                return;
            section_ = kSoundSysSection;
            const QString chosen = Options->Calibration();
            const QString listed = GetSetting(kSoundSysSection, chosen, QString());
            section_ = CalibrationSection(listed.isEmpty() ? chosen : listed);

            const QString identity = GetSetting(section_, QStringLiteral("Mixer"), QStringLiteral("0"));
            setID(FindMixerID(identity));
            if (identity.isEmpty() || !CheckMixer()) {
                Options->setUseCal(false);
                HandleError(msg::Recalibrate);
                return;
            }

            replaceVolumes();
            GetIDs(-1, -1);
            selectDevicesOnce();
            loadValues();

            // Only a rate the program measures at: the correction files and the options exist for no other.
            const QString rateKey = QStringLiteral("Frequency");
            const auto& rates = clsOptions::kSampleRates;
            const std::int32_t rate = std::int32_t(
                integerOf(section_, rateKey, QString::number(Options->SampleFrequency()), rates.front(), rates.back()));
            if (!clsOptions::isOfferedRate(rate))
                badValue(rateKey, GetSetting(section_, rateKey));
            Player->setMLSDACVolume(std::int16_t(mlsDacMax_));
            Player->setSWPDACVolume(std::int16_t(swpDacMax_));
            Player->setPlayFreq(rate);
            Options->setSampleFrequency(rate);
            // At the rate the card will now run at.
            checkFullDuplex();
        },
        std::function<void()>([&] {
            // A calibration that cannot be read is not used: the defaults stay in force.
            defaults();
            if (Options)
                Options->setUseCal(false);
        }));
    if (Player)
        Player->CalcSpeechScaling(FingerPrint());
}

} // namespace vemra
