#include "core/Settings.h"

#include "core/NativePath.h"

#include <QLocale>
#include <QSettings>
#include <QtGlobal>
#include <cmath>
#include <memory>

namespace vemra {
namespace {

std::unique_ptr<QSettings>& storage()
{
    static std::unique_ptr<QSettings> s;
    return s;
}

QSettings& store()
{
    auto& s = storage();
    if (!s)
        s = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vemra"),
                                        QStringLiteral("Vemra"));
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

QString valueText(const QVariant& v)
{
    // A hand-edited entry with unquoted commas comes back as a list: keep it as the text it was.
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

void warnIfUnwritable()
{
    static bool warned = false;
    if (!warned && store().status() == QSettings::AccessError) {
        warned = true;
        qWarning("Vemra: the settings file %s cannot be written; changed settings last only for this run.",
                 qPrintable(store().fileName()));
    }
}

} // namespace

QString GetSetting(const QString& section, const QString& key, const QString& defaultValue)
{
    const QVariant v = store().value(entryPath(section, key));
    return v.isValid() ? valueText(v) : defaultValue;
}

void SaveSetting(const QString& section, const QString& key, const QString& value)
{
    store().setValue(entryPath(section, key), value);
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
    const QVariant v = store().value(entryPath(section, key));
    if (!v.isValid())
        return std::nullopt;
    return valueText(v);
}

std::optional<QString> ReadPath(const QString& section, const QString& key)
{
    const QVariant v = store().value(entryPath(section, key));
    if (!v.isValid())
        return std::nullopt;
    if (v.metaType().id() == QMetaType::QByteArray) {
        const QByteArray bytes = v.toByteArray();
        return PathFromNative(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    }
    return valueText(v);
}

void SavePath(const QString& section, const QString& key, const QString& path)
{
    // The INI file is UTF-8 text: other bytes would come back as U+FFFD. A byte array is written escaped.
    if (IsUtf8Path(path)) {
        SaveSetting(section, key, path);
        return;
    }
    const std::string bytes = NativePath(path);
    store().setValue(entryPath(section, key), QByteArray(bytes.data(), qsizetype(bytes.size())));
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
    store().sync();
    warnIfUnwritable();
    return store().status() == QSettings::NoError;
}

QString SettingsFilePath() { return store().fileName(); }

void ReloadSettings()
{
    auto& s = storage();
    if (s)
        s->sync();
    s.reset();
}

} // namespace vemra
