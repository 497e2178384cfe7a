#pragma once
// The per-user settings store: one INI file (organisation and application "Vemra") under the user's config folder,
// one group per section. This is the one place that reads and writes settings; every window goes through it.
//
// - Sections are named as the program names them ("Setup", "SoundSys\<name>"); a '\' in a section name separates
//   nested sections. Keys may hold '/' and '\': they are escaped, so a key is always one entry.
// - Values are texts. Numbers are written with the C locale (floats with up to seven significant digits) and read
//   with ParseNumber (core/NumberFormat.h), which takes the C form and the user's; Booleans are "True"/"False".
// - The typed readers give std::nullopt for a missing entry and for a text that does not convert (or a number
//   outside the asked range), so the caller keeps its default.
// - The file keeps every byte it holds (core/SettingsIni.h): a value that is not UTF-8 reads as the escaped bytes
//   of core/NativePath and is written back as those bytes; an entry the program does not change stays as it was.
//   Writing the value an entry already holds changes nothing.
// - Writing the file is atomic: a write that fails leaves the previous file as it was, and the values stay in
//   memory for this run, pending for the next write. The user is told of a failed write once per SettingsSaveEvent.
//   Each flush removes the temporary files "<file>.XXXXXX" that killed writes left beside the file, and no other.
// Calling thread: the user-interface thread.
#include "core/NumberFormat.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

class QSettings;

namespace vemra {

QString GetSetting(const QString& section, const QString& key, const QString& defaultValue = QString());
void SaveSetting(const QString& section, const QString& key, const QString& value);
bool HasSetting(const QString& section, const QString& key);
// Removes one entry, or with an empty key the whole section with its subsections.
void DeleteSetting(const QString& section, const QString& key = QString());
// Keys of a section (unescaped), and the names of its direct subsections.
QStringList SettingKeys(const QString& section);
QStringList SettingSections(const QString& section);

// "True"/"False" in any letter case, or a number (non-zero is true).
std::optional<bool> ParseBool(const QString& text);

std::optional<double> ReadNumber(const QString& section, const QString& key);
// A number in [minimum, maximum], checked in double before the caller narrows it.
std::optional<double> ReadNumber(const QString& section, const QString& key, double minimum, double maximum);
std::optional<std::int64_t> ReadInteger(const QString& section, const QString& key, std::int64_t minimum,
                                        std::int64_t maximum);
std::optional<bool> ReadBool(const QString& section, const QString& key);
std::optional<QString> ReadText(const QString& section, const QString& key);
// A file or folder name (core/NativePath.h), stored as its bytes, so that it comes back byte for byte (the form
// "@ByteArray(...)" of earlier files reads too).
std::optional<QString> ReadPath(const QString& section, const QString& key);
void SavePath(const QString& section, const QString& key, const QString& path);

// Writers with the store's number conventions.
QString FloatText(float value);
void WriteFloat(const QString& section, const QString& key, float value);
void WriteDouble(const QString& section, const QString& key, double value);
void WriteInteger(const QString& section, const QString& key, std::int64_t value);
void WriteBool(const QString& section, const QString& key, bool value);

// Writes pending changes to the file now (atomically). False when the file could not be written: the user is told
// at the end of the SettingsSaveEvent that is open; outside one (a setting changed on the way, as the folder of
// the last file opened) only the log hears of it, and the next save event (the exit at the latest) tells.
bool FlushSettings();
// Path of the settings file.
QString SettingsFilePath();
// Drops the in-memory store so the next access reads the file again (tests, and after another program wrote it).
void ReloadSettings();

// One thing the user does to save settings (OK in a dialog, saving or deleting a calibration, the exit), however
// many flushes it makes: the flushes that fail while one is open make one report, when the outermost one ends.
class SettingsSaveEvent {
public:
    SettingsSaveEvent();
    ~SettingsSaveEvent();
    SettingsSaveEvent(const SettingsSaveEvent&) = delete;
    SettingsSaveEvent& operator=(const SettingsSaveEvent&) = delete;
};

// How a failed write is reported: the program shows its message naming the file (core/Errors.h). Until one is
// set, and always besides, a warning goes to the log.
using SettingsNotSavedReport = std::function<void(const QString& file)>;
void SetSettingsNotSavedReport(SettingsNotSavedReport report);

// For tests: every write of the file from now on fails once it passes this many bytes, as on a disk that holds no
// more (0 for a file that cannot be written at all); std::nullopt for the real disk again.
void SimulateSettingsDiskSpace(std::optional<std::int64_t> bytes);

} // namespace vemra
