#include "viewer/frmWaterfallSettings.h"

#include "core/BandsAndParameters.h"
#include "library/dsp/Bands.h"
#include "core/Settings.h"
#include "library/dsp/Waterfall.h"

namespace vemra {
namespace {

const QString kSection = QStringLiteral("Waterfall");

std::int64_t readInteger(const char* key, std::int64_t minimum, std::int64_t maximum, std::int64_t fallback)
{
    return ReadInteger(kSection, QString::fromLatin1(key), minimum, maximum).value_or(fallback);
}

QString flagText(Bool16 flag) { return isTrue(flag) ? QStringLiteral("-1") : QStringLiteral("0"); }

} // namespace

void ReadWaterfallSettings(WaterfallParams& record, bool& maxFreqRange, std::int32_t sampleRate_Hz)
{
    record.WaterfallType = std::int16_t(readInteger("Type", 0, 3, 0));
    record.LogN = std::int32_t(readInteger("LogN", dsp::kMinWaterfallLogN, dsp::kMaxWaterfallLogN, 11));
    record.Slices = std::int16_t(readInteger("Slices", 1, dsp::kMaxWaterfallSlices, 100));
    const auto window = int(readInteger("Window", 0, 10, dsp::kWindowHanning));
    record.WindowType = std::int16_t(dsp::validSpectrumWindow(window) ? window : dsp::kWindowHanning);
    record.CSDShift = std::int16_t(readInteger("Shift", 0, dsp::kMaxCsdShift, 20));
    const std::optional<double> rise = ReadNumber(kSection, QStringLiteral("RiseTime"));
    record.CSDRise = rise && *rise >= 0 && *rise <= dsp::kMaxCsdRise_ms ? float(*rise) : 0.2f;
    record.Range = float(readInteger("Range", dsp::kMinWaterfallRange_dB, dsp::kMaxWaterfallRange_dB, 40));

    record.MinFreqBand = std::int16_t(
        readInteger("MinBand", dsp::kFirstWaterfallBand, dsp::kLastOctaveBand, dsp::kFirstWaterfallBand));
    const std::optional<std::int64_t> maxBand =
        ReadInteger(kSection, QStringLiteral("MaxBand"), -1, dsp::kLastOctaveBand);
    maxFreqRange = !maxBand || *maxBand < dsp::kFirstWaterfallBand;
    record.MaxFreqBand = maxFreqRange ? OctaveBandCount(float(sampleRate_Hz)) : std::int16_t(*maxBand);
    if (record.MinFreqBand > record.MaxFreqBand) {
        record.MinFreqBand = dsp::kFirstWaterfallBand;
        maxFreqRange = true;
        record.MaxFreqBand = OctaveBandCount(float(sampleRate_Hz));
    }

    record.Smooth = toBool16(ReadBool(kSection, QStringLiteral("Smooth")).value_or(true));
    record.LinScale = toBool16(ReadBool(kSection, QStringLiteral("Lin")).value_or(false));
    record.Colors = 0;
}

void WriteWaterfallSettings(const WaterfallParams& record, bool maxFreqRange)
{
    WriteInteger(kSection, QStringLiteral("Type"), record.WaterfallType);
    WriteInteger(kSection, QStringLiteral("LogN"), record.LogN);
    WriteInteger(kSection, QStringLiteral("Slices"), record.Slices);
    WriteInteger(kSection, QStringLiteral("Window"), record.WindowType);
    WriteInteger(kSection, QStringLiteral("Shift"), record.CSDShift);
    WriteFloat(kSection, QStringLiteral("RiseTime"), record.CSDRise);
    WriteFloat(kSection, QStringLiteral("Range"), record.Range);
    WriteInteger(kSection, QStringLiteral("MinBand"), record.MinFreqBand);
    WriteInteger(kSection, QStringLiteral("MaxBand"), maxFreqRange ? -1 : record.MaxFreqBand);
    SaveSetting(kSection, QStringLiteral("Smooth"), flagText(record.Smooth));
    SaveSetting(kSection, QStringLiteral("Lin"), flagText(record.LinScale));
}

} // namespace vemra
