#include "core/clsOptions.h"

#include "core/Settings.h"
#include "core/VemraError.h"
#include "library/api_settings.h"
#include "library/dsp/SoundSpeed.h"

#include <QDir>
#include <cmath>

namespace vemra {
namespace {

const QString kSetup = QStringLiteral("Setup");
const QString kDir = QStringLiteral("Dir");

QString weightKey(int i) { return QStringLiteral("STIweight%1").arg(i); }

void checkWeightIndex(int index)
{
    if (index < 0 || index >= 7)
        throw VemraError::range();
}

} // namespace

clsOptions::clsOptions(QObject* parent, Pusher pusher)
    : QObject(parent), push_(pusher ? std::move(pusher) : Pusher(&PushSetting)), dataDir_(QDir::homePath())
{
    LoadOptions();
    PushSettings();
}

float clsOptions::SpeedOfSound(float temperature_C)
{
    return float(dsp::speedOfSound(double(temperature_C)));
}

template <class T>
void clsOptions::let(T& field, const T& value)
{
    if (field == value)
        return;
    field = value;
    ApplyOptions();
}

void clsOptions::setUseCal(bool value) { let(useCal_, value); }
void clsOptions::setMinSRDist(float value) { let(minSRDist_, value); }
void clsOptions::setProbeDist(float value) { let(probeDist_, value); }
void clsOptions::setLockFormat(bool value) { let(lockFormat_, value); }
void clsOptions::setAudioDelay(float value) { let(audioDelay_, value); }
void clsOptions::setDataDir(const QString& value) { let(dataDir_, value); }
void clsOptions::setCloseOnSave(std::int16_t value) { let(closeOnSave_, value); }
void clsOptions::setSampleFrequency(std::int32_t value) { let(sampleFrequency_, value); }
void clsOptions::setModelScale(float value) { let(modelScale_, value); }
void clsOptions::setReuseWindows(bool value) { let(reuseWindows_, value); }
void clsOptions::setCalibration(const QString& value) { let(calibration_, value); }

void clsOptions::setTemperature(float value)
{
    if (temperature_ == value)
        return;
    temperature_ = value;
    // The speed of sound is pushed with the temperature, so the two must agree.
    if (273.0 + double(value) > 0)
        vsound_ = SpeedOfSound(value);
    ApplyOptions();
}

float clsOptions::STI_Weight(int index) const
{
    checkWeightIndex(index);
    return stiWeight_[size_t(index)];
}

void clsOptions::setSTI_Weight(int index, float value)
{
    checkWeightIndex(index);
    let(stiWeight_[size_t(index)], value);
}

void clsOptions::ApplyOptions()
{
    SaveOptions();
    PushSettings();
    emit SettingChanged();
}

void clsOptions::LoadOptions()
{
    // Each value on its own: one that does not convert keeps its default and the others still load.
    auto number = [](const QString& key, float& field, auto valid) {
        if (const auto v = ReadNumber(kSetup, key); v && valid(float(*v)))
            field = float(*v);
    };
    auto any = [](float) { return true; };
    auto flag = [](const QString& key, bool& field) {
        if (const auto v = ReadBool(kSetup, key))
            field = *v;
    };

    // Whatever is stored, the minimum distance starts at 0.
    minSRDist_ = 0;
    number(QStringLiteral("AudioDelay"), audioDelay_, any);
    number(QStringLiteral("ProbeDist"), probeDist_, any);
    number(QStringLiteral("Temperature"), temperature_, [](float t) { return t > -273.0f; });
    flag(QStringLiteral("LockFormat"), lockFormat_);
    flag(QStringLiteral("UseCalibration"), useCal_);
    if (const auto v = ReadText(kSetup, QStringLiteral("Calibration")))
        calibration_ = *v;
    if (const auto v = ReadInteger(kSetup, QStringLiteral("CloseOnSave"), CloseAlways, CloseAsk))
        closeOnSave_ = std::int16_t(*v);
    if (const auto v = ReadText(kDir, QStringLiteral("DataDirectory")); v && !v->isEmpty())
        dataDir_ = *v;
    if (const auto v = ReadInteger(kSetup, QStringLiteral("SampleFrequency"), 1, INT32_MAX))
        sampleFrequency_ = std::int32_t(*v);
    for (int i = 0; i < 7; ++i)
        number(weightKey(i), stiWeight_[size_t(i)], [](float w) { return std::isfinite(w) && w >= 0; }); // as the box takes them
    number(QStringLiteral("ModelScale"), modelScale_, [](float s) { return s > 0; });
    flag(QStringLiteral("ReuseWindows"), reuseWindows_);
    vsound_ = SpeedOfSound(temperature_);
}

void clsOptions::SaveOptions()
{
    WriteFloat(kSetup, QStringLiteral("MinSRDist"), minSRDist_);
    WriteFloat(kSetup, QStringLiteral("AudioDelay"), audioDelay_);
    SaveSetting(kDir, QStringLiteral("DataDirectory"), dataDir_);
    WriteFloat(kSetup, QStringLiteral("ProbeDist"), probeDist_);
    WriteFloat(kSetup, QStringLiteral("Temperature"), temperature_);
    WriteBool(kSetup, QStringLiteral("LockFormat"), lockFormat_);
    WriteBool(kSetup, QStringLiteral("UseCalibration"), useCal_);
    SaveSetting(kSetup, QStringLiteral("Calibration"), calibration_);
    WriteInteger(kSetup, QStringLiteral("CloseOnSave"), closeOnSave_);
    WriteInteger(kSetup, QStringLiteral("SampleFrequency"), sampleFrequency_);
    for (int i = 0; i < 7; ++i)
        WriteFloat(kSetup, weightKey(i), stiWeight_[size_t(i)]);
    WriteFloat(kSetup, QStringLiteral("ModelScale"), modelScale_);
    WriteBool(kSetup, QStringLiteral("ReuseWindows"), reuseWindows_);
    FlushSettings();
}

void clsOptions::PushSettings()
{
    push_(0, minSRDist_);
    push_(1, audioDelay_);
    push_(2, vsound_);
    push_(3, lockFormat_ ? -1.0f : 0.0f);
    push_(4, useCal_ ? -1.0f : 0.0f);
    push_(5, temperature_);
    SetAppName("Vemra");
}

} // namespace vemra
