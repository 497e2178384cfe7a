#include "core/Settings.h"

#include "core/NativePath.h"
#include "core/SettingsIni.h"
#include "library/files/FileIo.h"

#include <QFileInfo>
#include <QIODevice>
#include <QLocale>
#include <QLockFile>
#include <QSettings>
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>

namespace vemra {
namespace {

std::optional<std::int64_t>& simulatedDiskSpace()
{
    static std::optional<std::int64_t> bytes;
    return bytes;
}

bool readFile(QIODevice& device, QSettings::SettingsMap& map)
{
    map = ReadIniText(device.readAll());
    return true; // a line that does not read is skipped; the rest of the file counts
}

bool writeFile(QIODevice& device, const QSettings::SettingsMap& map)
{
    const QByteArray text = IniFileText(map);
    if (const auto& space = simulatedDiskSpace(); space && text.size() > *space) {
        device.write(text.constData(), std::max<std::int64_t>(0, *space));
        return false;
    }
    return device.write(text) == text.size();
}

// Qt's INI format with a reader and writer that keep every byte (core/SettingsIni.h), under the same file name.
QSettings::Format iniFormat()
{
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("ini"), &readFile, &writeFile, Qt::CaseSensitive);
    return format;
}

std::unique_ptr<QSettings> openStore()
{
    return std::make_unique<QSettings>(iniFormat(), QSettings::UserScope, QStringLiteral("Vemra"),
                                       QStringLiteral("Vemra"));
}

std::unique_ptr<QSettings>& storage()
{
    static std::unique_ptr<QSettings> s;
    return s;
}

QSettings& store()
{
    auto& s = storage();
    if (!s)
        s = openStore();
    return *s;
}

// QSettings reads '/' (and '\') as group separators; '%' is escaped too so that the escape can be undone.
QString escapeName(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (QChar c : name) {
        if (c == QLatin1Char('%'))
            out += QStringLiteral("%25");
        else if (c == QLatin1Char('/'))
            out += QStringLiteral("%2F");
        else if (c == QLatin1Char('\\'))
            out += QStringLiteral("%5C");
        else
            out += c;
    }
    return out;
}

QString unescapeName(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == QLatin1Char('%') && i + 2 < name.size()) {
            const QStringView code = QStringView(name).mid(i + 1, 2);
            if (code.compare(QLatin1String("25"), Qt::CaseInsensitive) == 0) {
                out += QLatin1Char('%');
                i += 2;
                continue;
            }
            if (code.compare(QLatin1String("2F"), Qt::CaseInsensitive) == 0) {
                out += QLatin1Char('/');
                i += 2;
                continue;
            }
            if (code.compare(QLatin1String("5C"), Qt::CaseInsensitive) == 0) {
                out += QLatin1Char('\\');
                i += 2;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

// "SoundSys\Card A" -> "SoundSys/Card A": each part of the section becomes a nested group.
QString groupPath(const QString& section)
{
    QStringList parts = section.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (QString& p : parts)
        p = escapeName(p);
    return parts.join(QLatin1Char('/'));
}

QString entryPath(const QString& section, const QString& key)
{
    const QString group = groupPath(section);
    return group.isEmpty() ? escapeName(key) : group + QLatin1Char('/') + escapeName(key);
}

// An entry as the program reads it (no value when it is missing).
QVariant stored(const QString& path) { return IniValue(store().value(path)); }

QString valueText(const QVariant& v)
{
    // A hand-edited entry with unquoted commas comes back as a list: keep it as the text it was.
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    // Earlier files held names that are not UTF-8 as "@ByteArray(...)".
    if (v.metaType().id() == QMetaType::QByteArray) {
        const QByteArray bytes = v.toByteArray();
        return PathFromNative(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    }
    return v.toString();
}

// Writing the value an entry holds leaves the entry as the file has it.
void put(const QString& path, const QString& text)
{
    const QVariant now = stored(path);
    if (now.isValid() && valueText(now) == text)
        return;
    store().setValue(path, text);
}

struct Reporting {
    int openEvents = 0;
    bool failedInEvent = false;
    SettingsNotSavedReport report;
};

Reporting& reporting()
{
    static Reporting r;
    return r;
}

void logNotSaved()
{
    qWarning("Vemra: the settings file %s cannot be written; changed settings last only for this run.",
             qPrintable(SettingsFilePath()));
}

void tellNotSaved()
{
    logNotSaved();
    if (reporting().report)
        reporting().report(SettingsFilePath());
}

// True when `ending` (what follows "<file>.") is one that Qt could have made in place of "XXXXXX" and that a person
// would not have chosen. Qt 6's QTemporaryFile fills the six with letters drawn at random from A-Z and a-z and never
// a digit (of 20,000 names Qt 6.4 made, all 52 letters and not one digit), so a digit or any other character makes
// the name a user's ("bak001", "202612", "copy01"). Six letters may still be a word someone typed: in small letters,
// in capitals, or one capital before small ones ("backup", "BACKUP", "Backup"). Those three shapes are the user's;
// only a mix no one types ("qWeRtY", "aBCdef") is Qt's. Qt's own endings fall into the three shapes in 3 saves of
// 64; such a left-over stays, which costs a few bytes, where deleting a user's copy would cost the copy.
bool isQtTemporaryEnding(std::string_view ending)
{
    const auto small = [](char c) { return c >= 'a' && c <= 'z'; };
    const auto capital = [](char c) { return c >= 'A' && c <= 'Z'; };
    const auto letter = [&](char c) { return small(c) || capital(c); };
    if (ending.size() != 6 || !std::all_of(ending.begin(), ending.end(), letter))
        return false;
    const bool allSmall = std::all_of(ending.begin(), ending.end(), small);
    const bool allCapitals = std::all_of(ending.begin(), ending.end(), capital);
    const bool titled = capital(ending.front()) && std::all_of(ending.begin() + 1, ending.end(), small);
    return !allSmall && !allCapitals && !titled;
}

// QSettings writes the file through QSaveFile, whose temporary "<file>.XXXXXX" (where Qt gives it a name; on many
// file systems it has none until it is renamed) a save that is killed leaves beside it. Nothing on the temporary
// itself tells a live save's from a dead one's: QSaveFile takes no lock on it, and an age is only a guess on a slow
// or stalled disk. But QSettings makes every save of the file under the lock file "<file>.lock" (QLockFile), taken
// before the temporary is made and given up only after it has been renamed or removed. While we hold that lock,
// then, no save of this or any other process is writing one, and each file of that name is left over; while someone
// else holds it, a save may be under way, and the files wait for the next save. A lock whose owner has died is taken
// over as QSettings itself takes it over.
void removeLeftOverSaveFiles()
{
    const QString path = SettingsFilePath();
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(0))
        return;
    const QFileInfo file(path);
    const std::string name = NativePath(file.fileName()) + '.';
    files::removeLeftOverFiles(
        NativePath(file.absolutePath()),
        [&](std::string_view entry) {
            return entry.size() > name.size() && entry.substr(0, name.size()) == name &&
                   isQtTemporaryEnding(entry.substr(name.size()));
        },
        [](int) { return true; }); // the lock we hold is the evidence for each of them
}

// True when the pending changes are in the file. A QSettings object keeps the first error it ever met, so its
// status cannot tell of this write; a fresh object on the same file shares the pending changes and tells of
// this write alone.
bool writePending()
{
    store();
    const std::unique_ptr<QSettings> probe = openStore();
    probe->sync();
    removeLeftOverSaveFiles();
    return probe->status() != QSettings::AccessError;
}

} // namespace

QString GetSetting(const QString& section, const QString& key, const QString& defaultValue)
{
    const QVariant v = stored(entryPath(section, key));
    return v.isValid() ? valueText(v) : defaultValue;
}

void SaveSetting(const QString& section, const QString& key, const QString& value)
{
    put(entryPath(section, key), value);
}

bool HasSetting(const QString& section, const QString& key) { return store().contains(entryPath(section, key)); }

void DeleteSetting(const QString& section, const QString& key)
{
    store().remove(key.isEmpty() ? groupPath(section) : entryPath(section, key));
}

QStringList SettingKeys(const QString& section)
{
    QSettings& s = store();
    s.beginGroup(groupPath(section));
    QStringList keys = s.childKeys();
    s.endGroup();
    for (QString& k : keys)
        k = unescapeName(k);
    return keys;
}

QStringList SettingSections(const QString& section)
{
    QSettings& s = store();
    s.beginGroup(groupPath(section));
    QStringList groups = s.childGroups();
    s.endGroup();
    for (QString& g : groups)
        g = unescapeName(g);
    return groups;
}

std::optional<bool> ParseBool(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto v = ParseNumber(t))
        return *v != 0;
    return std::nullopt;
}

std::optional<QString> ReadText(const QString& section, const QString& key)
{
    const QVariant v = stored(entryPath(section, key));
    if (!v.isValid())
        return std::nullopt;
    return valueText(v);
}

std::optional<QString> ReadPath(const QString& section, const QString& key) { return ReadText(section, key); }

void SavePath(const QString& section, const QString& key, const QString& path)
{
    // The escaped bytes of a name that is not UTF-8 are written as those bytes.
    SaveSetting(section, key, path);
}

std::optional<double> ReadNumber(const QString& section, const QString& key)
{
    const auto t = ReadText(section, key);
    return t ? ParseNumber(*t) : std::nullopt;
}

std::optional<double> ReadNumber(const QString& section, const QString& key, double minimum, double maximum)
{
    const auto t = ReadText(section, key);
    return t ? ParseNumber(*t, minimum, maximum) : std::nullopt;
}

std::optional<std::int64_t> ReadInteger(const QString& section, const QString& key, std::int64_t minimum,
                                        std::int64_t maximum)
{
    const auto t = ReadText(section, key);
    return t ? ParseInteger(*t, minimum, maximum) : std::nullopt;
}

std::optional<bool> ReadBool(const QString& section, const QString& key)
{
    const auto t = ReadText(section, key);
    return t ? ParseBool(*t) : std::nullopt;
}

QString FloatText(float value) { return QLocale::c().toString(double(value), 'g', 7); }

void WriteFloat(const QString& section, const QString& key, float value)
{
    SaveSetting(section, key, FloatText(value));
}

void WriteDouble(const QString& section, const QString& key, double value)
{
    SaveSetting(section, key, QLocale::c().toString(value, 'g', 15));
}

void WriteInteger(const QString& section, const QString& key, std::int64_t value)
{
    SaveSetting(section, key, QString::number(value));
}

void WriteBool(const QString& section, const QString& key, bool value)
{
    SaveSetting(section, key, value ? QStringLiteral("True") : QStringLiteral("False"));
}

bool FlushSettings()
{
    if (writePending())
        return true;
    Reporting& r = reporting();
    if (r.openEvents > 0)
        r.failedInEvent = true;
    else
        logNotSaved();
    return false;
}

QString SettingsFilePath() { return store().fileName(); }

void ReloadSettings()
{
    auto& s = storage();
    if (s)
        s->sync();
    s.reset();
}

SettingsSaveEvent::SettingsSaveEvent() { ++reporting().openEvents; }

SettingsSaveEvent::~SettingsSaveEvent()
{
    Reporting& r = reporting();
    if (--r.openEvents > 0 || !r.failedInEvent)
        return;
    r.failedInEvent = false;
    // The report shows a message; nothing it meets may escape a destructor, and the log has the failure already.
    try {
        tellNotSaved();
    } catch (...) {
    }
}

void SetSettingsNotSavedReport(SettingsNotSavedReport report) { reporting().report = std::move(report); }

void SimulateSettingsDiskSpace(std::optional<std::int64_t> bytes) { simulatedDiskSpace() = bytes; }

} // namespace vemra
