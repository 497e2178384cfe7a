#include "core/SettingsIni.h"

#include "core/NativePath.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <string_view>
#include <vector>

namespace vemra {
namespace {

constexpr QByteArrayView kByteOrderMark = "\xEF\xBB\xBF";

int hexDigit(char16_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int octalDigit(char c) { return c >= '0' && c <= '7' ? c - '0' : -1; }

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// An escaped byte of core/NativePath (a byte of a name that is no UTF-8).
bool isEscapedByte(char16_t u) { return u >= 0xDC80 && u <= 0xDCFF; }

// Bytes to text, every byte kept.
void appendBytes(QString& out, QByteArrayView bytes)
{
    out += PathFromNative(std::string_view(bytes.data(), std::size_t(bytes.size())));
}

void appendHex(QByteArray& out, unsigned value, int digits)
{
    static const char kHex[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out += kHex[(value >> shift) & 0xF];
}

bool isLoneSurrogate(const QString& text, qsizetype i)
{
    const char16_t u = text[i].unicode();
    if (QChar::isHighSurrogate(u))
        return !(i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode()));
    if (QChar::isLowSurrogate(u))
        return !(i > 0 && QChar::isHighSurrogate(text[i - 1].unicode()));
    return false;
}

// Characters beyond ASCII as the bytes the file holds: UTF-8, and an escaped byte as that byte. Escaped bytes
// that would meet as a UTF-8 character (written as "\xdcc3\xdca4" in a file) and surrogates of no pair are
// written in the escaped form of the dialect instead (`escape` appends one), so that they read back as they are.
// Returns whether the last thing written was such an escape.
template <class Escape>
bool appendBeyondAscii(QByteArray& out, const QString& run, Escape escape)
{
    const std::string bytes = NativePath(run);
    if (PathFromNative(bytes) == run) {
        out.append(bytes.data(), qsizetype(bytes.size()));
        return false;
    }
    bool escaped = false;
    for (qsizetype i = 0; i < run.size(); ++i) {
        const char16_t u = run[i].unicode();
        escaped = QChar::isSurrogate(u) && isLoneSurrogate(run, i);
        if (escaped) {
            escape(out, u);
            continue;
        }
        const qsizetype n = QChar::isHighSurrogate(u) ? 2 : 1;
        const std::string one = NativePath(run.mid(i, n));
        out.append(one.data(), qsizetype(one.size()));
        i += n - 1;
    }
    return escaped;
}

// ---- Keys and section names -------------------------------------------------------------------------------------

// '\' separates nested groups; "%XX" and "%UXXXX" stand for one character; a '%' that starts neither is itself.
QString unescapeKey(QByteArrayView bytes)
{
    QString decoded;
    appendBytes(decoded, bytes);
    QString out;
    out.reserve(decoded.size());
    for (qsizetype i = 0; i < decoded.size();) {
        const char16_t c = decoded[i].unicode();
        if (c == '\\') {
            out += QLatin1Char('/');
            ++i;
            continue;
        }
        if (c == '%') {
            const bool wide = i + 1 < decoded.size() && decoded[i + 1] == QLatin1Char('U');
            const qsizetype first = i + (wide ? 2 : 1);
            const qsizetype digits = wide ? 4 : 2;
            if (first + digits <= decoded.size()) {
                int value = 0;
                qsizetype k = 0;
                for (; k < digits; ++k) {
                    const int d = hexDigit(decoded[first + k].unicode());
                    if (d < 0)
                        break;
                    value = value * 16 + d;
                }
                if (k == digits) {
                    out += QChar(char16_t(value));
                    i = first + digits;
                    continue;
                }
            }
        }
        out += decoded[i];
        ++i;
    }
    return out;
}

void appendEscapedKey(QByteArray& out, const QString& key)
{
    for (qsizetype i = 0; i < key.size(); ++i) {
        const char16_t c = key[i].unicode();
        if (c == '/') {
            // A '\' right before the '=' would take the '=' into the key.
            out += i + 1 < key.size() ? "\\" : "%2F";
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                   c == '-' || c == '.') {
            out += char(c);
        } else if (isEscapedByte(c) && isLoneSurrogate(key, i)) {
            qsizetype end = i + 1;
            while (end < key.size() && isEscapedByte(key[end].unicode()) && isLoneSurrogate(key, end))
                ++end;
            appendBeyondAscii(out, key.mid(i, end - i), [](QByteArray& o, char16_t u) {
                o += "%U";
                appendHex(o, u, 4);
            });
            i = end - 1;
        } else if (c <= 0xFF) {
            out += '%';
            appendHex(out, c, 2);
        } else {
            out += "%U";
            appendHex(out, c, 4);
        }
    }
}

// ---- Lines -------------------------------------------------------------------------------------------------------

struct Line {
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype equals = -1; // the first '=' outside quotes, from the start of the file
};

// The next line from `pos`: blank lines and ';' comments are passed over; a line goes on past a newline within
// quotes or after a '\', and ends at a ';' outside quotes. False at the end of the file.
bool nextLine(QByteArrayView data, qsizetype& pos, Line& line)
{
    const qsizetype size = data.size();
    bool inQuotes = false;
    line.equals = -1;
    line.start = pos;
    while (line.start < size && isSpace(data[line.start]))
        ++line.start;
    qsizetype i = line.start;
    while (i < size) {
        const char c = data[i];
        if (c == '=') {
            if (!inQuotes && line.equals < 0)
                line.equals = i;
            ++i;
        } else if (c == '\n' || c == '\r') {
            if (!inQuotes)
                break;
            ++i;
        } else if (c == '\\') {
            ++i;
            if (i < size) {
                const char next = data[i++];
                if (i < size && ((next == '\n' && data[i] == '\r') || (next == '\r' && data[i] == '\n')))
                    ++i;
            }
        } else if (c == '"') {
            inQuotes = !inQuotes;
            ++i;
        } else if (c == ';') {
            if (i == line.start) {
                while (i < size && data[i] != '\n' && data[i] != '\r')
                    ++i;
                while (i < size && isSpace(data[i]))
                    ++i;
                line.start = i;
                line.equals = -1;
                inQuotes = false;
            } else if (!inQuotes) {
                break;
            } else {
                ++i;
            }
        } else {
            ++i;
        }
    }
    pos = i;
    line.length = i - line.start;
    return line.length > 0;
}

// The line that `text` starts with (of length 0 when there is none).
Line firstLine(QByteArrayView text)
{
    qsizetype pos = 0;
    Line line;
    nextLine(text, pos, line);
    return line;
}

// True when "k=<text>" and a newline read back as that one line, so the text can stand as it is.
bool readsBackWhole(const QByteArray& text)
{
    const QByteArray line = "k=" + text;
    const Line read = firstLine(line + '\n');
    return read.start == 0 && read.length == line.size() && read.equals == 1;
}

// What ends a line of the file as it ended there. A line whose last character is a '\'-escaped carriage return
// ended at another one: after a newline, the reader would take the two for one escaped line end and go on.
char lineEnd(const QByteArray& line) { return firstLine(line + '\n').length == line.size() ? '\n' : '\r'; }

QByteArrayView trimmed(QByteArrayView v)
{
    while (!v.isEmpty() && isSpace(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && isSpace(v.back()))
        v.chop(1);
    return v;
}

// The group a "[...]" line opens: none for "[General]" in any case and for an empty name, else the name and a '/'.
QString groupOf(QByteArrayView header)
{
    qsizetype end = header.indexOf(']');
    if (end < 0)
        end = header.size();
    const QByteArrayView name = trimmed(header.first(end).sliced(1));
    if (name.isEmpty() || name.compare("general", Qt::CaseInsensitive) == 0)
        return {};
    if (name.compare("%general", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(name.sliced(1)) + QLatin1Char('/');
    return unescapeKey(name) + QLatin1Char('/');
}

// ---- Values ------------------------------------------------------------------------------------------------------

char simpleEscape(char c)
{
    switch (c) {
    case 'a': return '\a';
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'v': return '\v';
    case '"': return '"';
    case '?': return '?';
    case '\'': return '\'';
    case '\\': return '\\';
    default: return 0;
    }
}

// Blanks at the end of an unquoted item do not belong to it; those an escape wrote (from `keep` on) do.
void chopBlanks(QString& text, qsizetype keep)
{
    qsizetype n = text.size();
    while (n > keep && (text[n - 1] == QLatin1Char(' ') || text[n - 1] == QLatin1Char('\t')))
        --n;
    text.truncate(n);
}

struct Unescaped {
    QString text;
    QStringList items;
    bool isList = false;
};

Unescaped unescapeValue(QByteArrayView s)
{
    Unescaped r;
    QString current;
    bool inQuotes = false;
    bool quoted = false; // the current item had quotes: its blanks are its own
    qsizetype keep = 0;
    qsizetype i = 0;
    bool chopAtEnd = true;
    auto skipBlanks = [&] {
        while (i < s.size() && isBlank(s[i]))
            ++i;
        keep = current.size();
    };
    skipBlanks();
    while (i < s.size()) {
        const char c = s[i];
        if (c == '\\') {
            if (++i >= s.size()) {
                chopAtEnd = false;
                break;
            }
            const char e = s[i++];
            if (const char simple = simpleEscape(e)) {
                current += QLatin1Char(simple);
            } else if (e == 'x' && i < s.size() && hexDigit(char16_t(uchar(s[i]))) >= 0) {
                char16_t v = 0;
                for (int d; i < s.size() && (d = hexDigit(char16_t(uchar(s[i])))) >= 0; ++i)
                    v = char16_t((v << 4) + d);
                current += QChar(v);
            } else if (const int first = octalDigit(e); first >= 0) {
                char16_t v = char16_t(first);
                for (int d; i < s.size() && (d = octalDigit(s[i])) >= 0; ++i)
                    v = char16_t((v << 3) + d);
                current += QChar(v);
            } else if ((e == '\n' || e == '\r') && i < s.size() && (s[i] == '\n' || s[i] == '\r') && s[i] != e) {
                ++i; // a continued line: "\r\n" and "\n\r" end a line as one
            } // any other escaped character is left out
            keep = current.size();
            continue;
        }
        if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
            continue;
        }
        if (c == ',' && !inQuotes) {
            if (!quoted)
                chopBlanks(current, keep);
            r.items << current;
            r.isList = true;
            current.clear();
            quoted = false;
            ++i;
            skipBlanks();
            continue;
        }
        qsizetype j = i + 1;
        while (j < s.size() && s[j] != '\\' && s[j] != '"' && s[j] != ',')
            ++j;
        appendBytes(current, s.sliced(i, j - i));
        i = j;
    }
    if (chopAtEnd && !quoted)
        chopBlanks(current, keep);
    if (r.isList)
        r.items << current;
    else
        r.text = current;
    return r;
}

// "@ByteArray(...)" holds one byte per character.
QByteArray bytesOf(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        out += isEscapedByte(u) ? char(u - 0xDC00) : u <= 0xFF ? char(u) : '?';
    }
    return out;
}

QVariant variantOf(const QString& s)
{
    if (!s.startsWith(QLatin1Char('@')))
        return s;
    if (s.endsWith(QLatin1Char(')'))) {
        if (s.startsWith(QLatin1String("@ByteArray(")))
            return bytesOf(QStringView(s).sliced(11).chopped(1));
        if (s.startsWith(QLatin1String("@String(")))
            return QStringView(s).sliced(8).chopped(1).toString();
        if (s == QLatin1String("@Invalid()"))
            return QVariant();
    }
    if (s.startsWith(QLatin1String("@@")))
        return s.mid(1);
    return s;
}

void appendEscapedText(QByteArray& out, const QString& text, bool binary)
{
    const qsizetype start = out.size();
    bool needsQuotes = false;
    bool escapeHexDigit = false; // a hex digit right after a "\x.." escape would extend it
    out.reserve(start + text.size() + 2);
    for (qsizetype k = 0; k < text.size(); ++k) {
        const char16_t c = text[k].unicode();
        if (c == ';' || c == ',' || c == '=')
            needsQuotes = true;
        if (escapeHexDigit && hexDigit(c) >= 0) {
            out += "\\x";
            out += QByteArray::number(c, 16);
            continue;
        }
        escapeHexDigit = false;
        switch (c) {
        case 0: out += "\\0"; escapeHexDigit = true; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"':
        case '\\':
            out += '\\';
            out += char(c);
            break;
        default:
            if (c <= 0x1F || (c >= 0x7F && binary)) {
                out += "\\x";
                out += QByteArray::number(c, 16);
                escapeHexDigit = true;
            } else if (c <= 0x7F) {
                out += char(c);
            } else {
                qsizetype end = k + 1;
                while (end < text.size() && text[end].unicode() >= 0x80)
                    ++end;
                escapeHexDigit = appendBeyondAscii(out, text.mid(k, end - k), [](QByteArray& o, char16_t u) {
                    o += "\\x";
                    o += QByteArray::number(u, 16);
                });
                k = end - 1;
            }
        }
    }
    if (needsQuotes || (out.size() > start && (out[start] == ' ' || out.back() == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

// The text of one value: what the file held for an untouched entry, else the value in the dialect's forms.
void appendValue(QByteArray& out, const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<IniEntry>()) {
        const QByteArray& text = value.value<IniEntry>().text;
        if (readsBackWhole(text)) {
            out += text;
            return;
        }
        // An entry the file ended in the middle of (an open quote, a '\' before the end): what it reads as.
        appendValue(out, IniValue(value));
        return;
    }
    const int type = value.metaType().id();
    if (type == QMetaType::QStringList || (type == QMetaType::QVariantList && value.toList().size() != 1)) {
        const QStringList items = value.toStringList();
        if (items.isEmpty())
            out += "@Invalid()";
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (i > 0)
                out += ", ";
            const QString& item = items[i];
            appendEscapedText(out, item.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + item : item, false);
        }
        return;
    }
    if (!value.isValid()) {
        out += "@Invalid()";
        return;
    }
    if (type == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        appendEscapedText(out, QStringLiteral("@ByteArray(") + QString::fromLatin1(bytes) + QLatin1Char(')'), true);
        return;
    }
    QString text = value.toString();
    if (text.contains(QChar::Null))
        text = QLatin1String("@String(") + text + QLatin1Char(')');
    else if (text.startsWith(QLatin1Char('@')))
        text.prepend(QLatin1Char('@'));
    appendEscapedText(out, text, false);
}

// ---- Entries ------------------------------------------------------------------------------------------------------

// How an entry is written: the header line of its section (none: before the first header) and its key.
struct Spelling {
    QByteArray header;
    QByteArray key;
};

// The spelling of a key the file did not give one: "[General]" for a key without a group, else its first group.
Spelling newSpelling(const QString& key)
{
    // A key that starts with '/' has no first group, and one whose only '/' ends it would leave nothing for the key's
    // own name under "[group]": both stay keys of "[General]".
    const qsizetype slash = key.indexOf(QLatin1Char('/'));
    const bool grouped = slash > 0 && slash + 1 < key.size();
    Spelling spelling;
    QByteArray name;
    appendEscapedKey(name, grouped ? key.left(slash) : QString());
    if (name.isEmpty())
        spelling.header = "[General]";
    else if (name.compare("general", Qt::CaseInsensitive) == 0)
        spelling.header = "[%" + name + ']'; // "[General]" holds the entries without a group
    else
        spelling.header = '[' + name + ']';
    appendEscapedKey(spelling.key, grouped ? key.mid(slash + 1) : key);
    return spelling;
}

// An entry read from the file is written as the file spelled it. Spelling its key anew from what it reads as would
// rewrite what the user wrote: the escapes are not one to one ('\' and "%2F" both read as a group separator, "%41"
// as 'A'), and a key may stand in a section other than its first group ("a%2Fb" under "[General]"). The file's own
// header line and key read back as they did (see lineEnd and the byte-order mark in IniFileText), as long as they
// still make this entry's key.
Spelling spellingOf(const QString& key, const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<IniEntry>()) {
        const IniEntry entry = value.value<IniEntry>();
        const QString group = entry.section.isEmpty() ? QString() : groupOf(entry.section);
        if (!entry.key.isEmpty() && group + unescapeKey(trimmed(entry.key)) == key)
            return {entry.section, entry.key};
    }
    return newSpelling(key);
}

} // namespace

QSettings::SettingsMap ReadIniText(QByteArrayView data)
{
    QSettings::SettingsMap entries;
    if (data.startsWith(kByteOrderMark))
        data = data.sliced(kByteOrderMark.size());
    QString group; // "" or "<section>/"
    QByteArray header; // as the file has it; none before the first
    qsizetype pos = 0;
    Line line;
    while (nextLine(data, pos, line)) {
        const QByteArrayView text = data.sliced(line.start, line.length);
        if (text.startsWith('[')) {
            header = text.toByteArray();
            group = groupOf(text);
            continue;
        }
        if (line.equals < 0)
            continue;
        const QByteArrayView keyText = text.first(line.equals - line.start);
        const QString key = unescapeKey(trimmed(keyText));
        if (key.isEmpty())
            continue;
        const QByteArrayView valueText = text.sliced(keyText.size() + 1);
        const IniEntry entry{valueText.toByteArray(), header, keyText.toByteArray()};
        entries.insert(group + key, QVariant::fromValue(entry));
    }
    return entries;
}

QByteArray IniFileText(const QSettings::SettingsMap& entries)
{
    struct Section {
        QByteArray header;
        int rank; // written in this order: entries before any header, then those without a group, then the others
        QByteArray lines;
    };
    std::vector<Section> sections;
    QHash<QByteArray, std::size_t> byHeader;
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        const Spelling spelling = spellingOf(it.key(), it.value());
        auto found = byHeader.constFind(spelling.header);
        if (found == byHeader.constEnd()) {
            const int rank = spelling.header.isEmpty() ? 0 : groupOf(spelling.header).isEmpty() ? 1 : 2;
            found = byHeader.insert(spelling.header, sections.size());
            sections.push_back({spelling.header, rank, {}});
        }
        QByteArray& lines = sections[*found].lines;
        lines += spelling.key;
        lines += '=';
        appendValue(lines, it.value());
        lines += '\n';
    }
    std::stable_sort(sections.begin(), sections.end(),
                     [](const Section& a, const Section& b) { return a.rank < b.rank; });
    QByteArray out;
    for (const Section& section : sections) {
        if (!out.isEmpty())
            out += '\n';
        if (!section.header.isEmpty())
            out += section.header + lineEnd(section.header);
        out += section.lines;
    }
    // The reader takes a byte-order mark at the very start for the file's own: a key before the first section that
    // begins with those bytes keeps them on a line after an empty one.
    if (out.startsWith(kByteOrderMark))
        out.prepend('\n');
    return out;
}

QVariant IniValue(const QVariant& stored)
{
    if (stored.metaType() != QMetaType::fromType<IniEntry>())
        return stored;
    Unescaped u = unescapeValue(stored.value<IniEntry>().text);
    if (!u.isList)
        return variantOf(u.text);
    for (QString& item : u.items)
        if (item.startsWith(QLatin1String("@@")))
            item.remove(0, 1);
    return u.items;
}

} // namespace vemra
