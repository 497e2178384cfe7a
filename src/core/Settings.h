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
// - Failures to write are not the user's business at the moment they happen: the values stay in memory for this
//   run and a warning goes to the log.
// Calling thread: the user-interface thread.
#include "core/NumberFormat.h"

#include <QString>
#include <QStringList>
#include <cstdint>
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
// A file or folder name (core/NativePath.h): a name that is UTF-8 is stored as its text; any other is stored as
// its bytes, so that it comes back byte for byte.
std::optional<QString> ReadPath(const QString& section, const QString& key);
void SavePath(const QString& section, const QString& key, const QString& path);

// Writers with the store's number conventions.
QString FloatText(float value);
void WriteFloat(const QString& section, const QString& key, float value);
void WriteDouble(const QString& section, const QString& key, double value);
void WriteInteger(const QString& section, const QString& key, std::int64_t value);
void WriteBool(const QString& section, const QString& key, bool value);

// Writes pending changes to the file now (atomically). False when the file could not be written.
bool FlushSettings();
// Path of the settings file.
QString SettingsFilePath();
// Drops the in-memory store so the next access reads the file again (tests, and after another program wrote it).
void ReloadSettings();

} // namespace vemra
