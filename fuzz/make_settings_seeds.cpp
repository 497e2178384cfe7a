// Writes the seed corpus of the settings fuzz target with the program's own writers: options set through the
// options object, system calibrations saved through the store, each as one settings file; and one file as a person
// may type it, with the key spellings the store's writer keeps.
//   make_settings_seeds <folder>   ->  <folder>/settings/seed<n>
#include "settings_reader.h"

#include <cstdio>

using namespace vemra;

namespace {

bool copyStoreTo(const QString& target)
{
    FlushSettings();
    QFile::remove(target);
    return QFile::copy(SettingsFilePath(), target);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    fuzz::useScratchStore();
    const QString folder = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/settings");
    QDir().mkpath(folder);
    const QString record =
        QStringLiteral("5;2;1.00;2.00;3.00;4.00;5.00;6.00;7.00;-0.50;0.25;0.00;0.00;1.00;0.00;0.00;");
    bool ok = true;
    // Small files, one part of the store each, so that mutations land in the values.
    for (int seed = 0; seed < 3; ++seed) {
        DeleteSetting(QStringLiteral("Setup"));
        DeleteSetting(QStringLiteral("Dir"));
        DeleteSetting(kCalibrationSection);
        {
            clsOptions options(nullptr, [](std::int32_t, float) {});
            // Seeds 1 and 2 at the ends of the ranges, where most changes of a digit leave the range.
            const float temperatures[] = {20.5f, 100.0f, -100.0f};
            const float delays[] = {1024.0f, 96000.0f, -96000.0f};
            options.setTemperature(temperatures[seed]);
            options.setProbeDist(seed == 0 ? 1500.25f : 1.0f);
            options.setAudioDelay(delays[seed]);
            options.setSampleFrequency(clsOptions::kSampleRates[std::size_t(seed)]);
            options.setSTI_Weight(3, 0.75f);
            options.setModelScale(seed == 2 ? 0.01f : seed == 1 ? 100.0f : 12.5f);
            options.setCloseOnSave(std::int16_t(seed));
        }
        DeleteSetting(QStringLiteral("Dir"));
        ok &= copyStoreTo(folder + QStringLiteral("/options%1").arg(seed));
        DeleteSetting(QStringLiteral("Setup"));
        for (int n = 0; n < seed + 1; ++n)
            SaveSystemCalibrationEntry(n, QStringLiteral("Room %1").arg(n), record, n == 1 ? 16 : 0);
        ok &= copyStoreTo(folder + QStringLiteral("/calibrations%1").arg(seed));
        // A sound-card calibration record in the store's number forms.
        DeleteSetting(kCalibrationSection);
        const QString section = CalibrationSection(QStringLiteral("Card %1 - 48000").arg(seed));
        QString curve = SignedBlank(1000 + seed) + QLatin1Char(';');
        for (int step = 0; step <= seed + 1; ++step)
            curve += SignedBlank(65535 - 20000 * step) + QLatin1Char('=') + TwoDecimals(-6.02 * step) + QLatin1Char(';');
        SaveSetting(kSoundSysSection, QString::number(seed), QStringLiteral("Card %1 - 48000").arg(seed));
        SaveSetting(section, QStringLiteral("Pm"), curve);
        SaveSetting(section, QStringLiteral("Rm"), seed == 0 ? QStringLiteral("-1;") : curve);
        SaveSetting(section, QStringLiteral("PmChannels"), QString::number(2 - seed % 2));
        SaveSetting(section, QStringLiteral("ADCmax"), SignedBlank(seed == 2 ? 32767 : 16000));
        SaveSetting(section, QStringLiteral("MLSDACmax"), SignedBlank(12000));
        SaveSetting(section, QStringLiteral("SWPDACmax"), SignedBlank(1));
        SaveSetting(section, QStringLiteral("Sign"), SignedBlank(seed == 1 ? -1 : 1));
        SaveSetting(section, QStringLiteral("Frequency"), SignedBlank(clsOptions::kSampleRates[std::size_t(seed)]));
        ok &= copyStoreTo(folder + QStringLiteral("/soundcard%1").arg(seed));
        DeleteSetting(kSoundSysSection);
    }
    // Separators escaped at a key's start, middle and end and in a section's name, a key's own backslash, keys before
    // the first section: mutations then land in the spellings the writer must keep.
    QFile typed(folder + QStringLiteral("/typed0"));
    ok &= typed.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
          typed.write("Top%2F=1\n[General]\n%2Fk=2\na%2Fb=3\nk%2F%2F=4\n[Setup]\nx\\y%2fz=5\n%5Ck=6\n"
                      "[SoundSys%2FCard]\nPm=7\n") > 0;
    return ok ? 0 : 1;
}
