#pragma once
// What the settings fuzz target checks on one settings file: the store reads it without crashing and writes back
// what it read, keys spelled as the file spelled them (checkFileRoundTrip); the options load only values in their
// ranges (junk keeps the defaults); each sound-card calibration record reads as values in their ranges or as a type
// mismatch; the stored system calibrations read, hide none of their numbers, and a new one saved after them
// overwrites none, as deleting it again leaves them as they were.
// The file lives in the store's own place (XDG_CONFIG_HOME, set once by useScratchStore).
#include "audio/CalibrationRecord.h"
#include "audio/SoundSysNames.h"
#include "audio/clsVolume.h"
#include "calibration/SystemCalStore.h"
#include "core/Settings.h"
#include "core/SettingsIni.h"
#include "core/VemraError.h"
#include "core/clsOptions.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <string>

namespace vemra::fuzz {

inline void require(bool ok)
{
    if (!ok)
        std::abort();
}

// Points the store at a scratch folder of its own; call before the store is first used. In memory where there is
// such a folder: the store syncs its file to disk on every write, which would make the fuzzer wait on the disk.
inline void useScratchStore()
{
    const QString shm = QStringLiteral("/dev/shm");
    const QString base = QFileInfo(shm).isWritable() ? shm : QDir::tempPath();
    static const QString folder =
        base + QStringLiteral("/vemra-fuzz-settings-%1").arg(QCoreApplication::applicationPid());
    QDir().mkpath(folder);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
    std::atexit([] { QDir(folder).removeRecursively(); });
}

// Makes these bytes the settings file and drops what the store held.
inline void loadStore(const std::uint8_t* data, std::size_t size)
{
    ReloadSettings();
    const QString path = SettingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    ReloadSettings();
}

// The file's text read, written and read again gives the same entries with the same values, each key spelled as the
// file spelled it under a header as the file had it, and writing those gives the same text: nothing the store read is
// lost, changed or rewritten by its writer.
inline void checkFileRoundTrip(const std::uint8_t* data, std::size_t size)
{
    const QSettings::SettingsMap read = ReadIniText(QByteArrayView(data, qsizetype(size)));
    const QByteArray written = IniFileText(read);
    const QSettings::SettingsMap again = ReadIniText(written);
    require(again.keys() == read.keys());
    for (auto it = read.begin(); it != read.end(); ++it) {
        require(IniValue(it.value()) == IniValue(again.value(it.key())));
        const IniEntry before = it.value().value<IniEntry>(), after = again.value(it.key()).value<IniEntry>();
        require(after.key == before.key && after.section == before.section);
    }
    require(IniFileText(again) == written);
}

inline void checkOptions()
{
    const clsOptions o(nullptr, [](std::int32_t, float value) { require(std::isfinite(value)); });
    require(o.MinSRDist() == 0);
    require(clsOptions::kTemperatureRange.contains(o.Temperature()));
    require(clsOptions::kProbeDistRange.contains(o.ProbeDist()));
    require(clsOptions::kAudioDelayRange.contains(o.AudioDelay()));
    require(clsOptions::kModelScaleRange.contains(o.ModelScale()));
    for (int i = 0; i < 7; ++i)
        require(clsOptions::kSTIWeightRange.contains(o.STI_Weight(i)));
    require(clsOptions::isOfferedRate(o.SampleFrequency()));
    require(o.CloseOnSave() >= CloseAlways && o.CloseOnSave() <= CloseAsk);
    require(std::isfinite(o.Vsound()) && o.Vsound() > 0);
}

inline void checkCalibrationRecords()
{
    for (const QString& description : SettingSections(kSoundSysSection)) {
        const QString section = kSoundSysSection + QLatin1Char('\\') + description;
        try {
            const CalibrationRecord r = ReadCalibrationRecord(section);
            require(r.adcMax >= 1 && r.adcMax <= 32767 && r.mlsDacMax >= 1 && r.mlsDacMax <= 32767);
            require(r.swpDacMax >= 1 && r.swpDacMax <= 32767 && (r.sign == 1 || r.sign == -1));
            for (const GainCurveRecord& curve : r.curves) {
                require(curve.channels >= 0 && curve.channels <= 8);
                require(curve.steps.size() <= std::size_t(clsVolume::kMaxStep) + 1);
                require(curve.controlId != -1 || curve.steps.empty());
                for (const auto& [position, level] : curve.steps)
                    require(position >= 0 && position <= 65535 && std::isfinite(level));
            }
        } catch (const VemraError& e) {
            require(e.number() == 13);
        }
        try {
            require(clsOptions::isOfferedRate(ReadCalibrationRate(section, 48000)));
        } catch (const VemraError& e) {
            require(e.number() == 13);
        }
    }
}

inline bool sameEntries(const std::map<int, StoredSystemCal>& a, const std::map<int, StoredSystemCal>& b)
{
    if (a.size() != b.size())
        return false;
    for (const auto& [n, entry] : a) {
        const auto it = b.find(n);
        if (it == b.end() || it->second.description != entry.description || it->second.data != entry.data ||
            it->second.order != entry.order)
            return false;
    }
    return true;
}

inline void checkSystemCalibrations()
{
    const std::map<int, StoredSystemCal> before = StoredSystemCalibrations();
    const int inUse = SystemCalibrationSlots();
    require(inUse >= 0 && inUse <= kMaxSystemCalibrations);
    for (const auto& [n, entry] : before) {
        require(n >= 0 && n < inUse);
        if (const auto gains = SystemCalRecordGains(entry.data))
            for (float g : *gains)
                require(std::isfinite(g));
        if (const auto codes = SystemCalRecordCodes(entry.data)) {
            const std::map<int, QString> offered = SystemCalibrationsFor(codes->stimulus, codes->receiver, entry.order);
            for (const auto& [m, description] : offered)
                require(before.count(m) == 1 && before.at(m).description == description);
        }
    }
    if (inUse >= kMaxSystemCalibrations)
        return;
    const QString record = QStringLiteral("5;0;1.00;1.00;1.00;1.00;1.00;1.00;1.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;");
    SaveSystemCalibrationEntry(inUse, QStringLiteral("fuzz"), record, 14);
    std::map<int, StoredSystemCal> after = StoredSystemCalibrations();
    require(SystemCalibrationSlots() == inUse + 1);
    require(after.count(inUse) == 1 && after.at(inUse).data == record && after.at(inUse).order == 14);
    after.erase(inUse);
    require(sameEntries(before, after));
    DeleteSystemCalibration(inUse);
    require(sameEntries(before, StoredSystemCalibrations()));
}

} // namespace vemra::fuzz
