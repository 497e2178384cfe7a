#include "core/NativePath.h"

namespace vemra {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isEscape(char16_t u) { return u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF; }

// The length of the valid UTF-8 sequence at the front of `s` and its code point; 0 when there is none.
int validSequence(std::string_view s, char32_t& cp)
{
    const auto b0 = static_cast<unsigned char>(s[0]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    int n = 0;
    char32_t least = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF)
        n = 2, least = 0x80, cp = b0 & 0x1F;
    else if (b0 >= 0xE0 && b0 <= 0xEF)
        n = 3, least = 0x800, cp = b0 & 0x0F;
    else if (b0 >= 0xF0 && b0 <= 0xF4)
        n = 4, least = 0x10000, cp = b0 & 0x07;
    else
        return 0;
    if (s.size() < std::size_t(n))
        return 0;
    for (int i = 1; i < n; ++i) {
        const auto b = static_cast<unsigned char>(s[std::size_t(i)]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if (cp < least || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return 0;
    return n;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

} // namespace

QString PathFromNative(std::string_view bytes)
{
    QString out;
    out.reserve(qsizetype(bytes.size()));
    while (!bytes.empty()) {
        char32_t cp = 0;
        if (const int n = validSequence(bytes, cp)) {
            if (cp < 0x10000) {
                out += QChar(char16_t(cp));
            } else {
                out += QChar(QChar::highSurrogate(cp));
                out += QChar(QChar::lowSurrogate(cp));
            }
            bytes.remove_prefix(std::size_t(n));
        } else {
            out += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[0])));
            bytes.remove_prefix(1);
        }
    }
    return out;
}

std::string NativePath(const QString& path)
{
    std::string out;
    out.reserve(std::size_t(path.size()));
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t u = path[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < path.size() && QChar::isLowSurrogate(path[i + 1].unicode())) {
            appendUtf8(out, QChar::surrogateToUcs4(u, path[i + 1].unicode()));
            ++i;
        } else if (isEscape(u)) {
            out += char(u - kEscapeBase);
        } else if (QChar::isSurrogate(u)) {
            appendUtf8(out, 0xFFFD); // a lone surrogate no name decodes to
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

bool IsUtf8Path(const QString& path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t u = path[i].unicode();
        // The second half of a character past U+FFFF may lie in the escapes' range: it is no escape.
        if (QChar::isHighSurrogate(u) && i + 1 < path.size() && QChar::isLowSurrogate(path[i + 1].unicode()))
            ++i;
        else if (isEscape(u))
            return false;
    }
    return true;
}

} // namespace vemra
