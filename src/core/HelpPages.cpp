#include "core/HelpPages.h"

#include "core/MessageTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace vemra {
namespace {

const QString kPageList = QStringLiteral("pages.txt");
const QString kSharedFolder = QStringLiteral("shared/");
const QString kNavigation = QStringLiteral("nav");
// Placeholders nest (a shared text may hold {{id}}); a shared text naming itself must not recurse for ever.
constexpr int kMaxDepth = 4;

QString esc(const QString& text) { return text.toHtmlEscaped(); }

QString messagePageName(int id) { return QStringLiteral("message-%1.html").arg(id); }

// The id of a message page's file name, or 0.
int messageIdOf(const QString& file)
{
    static const QRegularExpression name(QStringLiteral("^message-(\\d+)\\.html$"));
    const auto m = name.match(file);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QStringList fields(const QString& rest)
{
    QStringList parts = rest.split(QLatin1Char('|'));
    for (QString& p : parts)
        p = p.trimmed();
    return parts;
}

QString field(const QStringList& parts, int i) { return i < parts.size() ? parts[i] : QString(); }

// True when `title` starts with `term` as whole words ("Sound-card calibration: lines" with "sound-card
// calibration", not "Options" with "option"), case-insensitively.
bool titleStartsWithTerm(const QString& title, const QString& term)
{
    if (!title.startsWith(term, Qt::CaseInsensitive))
        return false;
    return title.size() == term.size() || !title.at(term.size()).isLetterOrNumber();
}

} // namespace

HelpPages::HelpPages(const QString& folder) : folder_(folder)
{
    readPageList();
    addMessagePages();
}

QString HelpPages::readFile(const QString& relativePath) const
{
    QFile f(folder_ + QLatin1Char('/') + relativePath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

void HelpPages::readPageList()
{
    QString section;
    const QStringList lines = readFile(kPageList).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype space = line.indexOf(QLatin1Char(' '));
        const QString kind = line.left(space);
        const QStringList parts = fields(space < 0 ? QString() : line.mid(space + 1));
        if (kind == QLatin1String("section")) {
            section = field(parts, 0);
            sections_.push_back({section, field(parts, 1)});
        } else if (kind == QLatin1String("group")) {
            groups_.emplace_back(field(parts, 0).toInt(), field(parts, 1));
        } else if (kind == QLatin1String("page")) {
            Page p;
            p.file = field(parts, 0);
            p.title = field(parts, 1);
            for (const QString& term : field(parts, 2).split(QLatin1Char(','), Qt::SkipEmptyParts))
                if (!term.trimmed().isEmpty())
                    p.terms << term.trimmed();
            p.note = field(parts, 3);
            p.label = field(parts, 4).isEmpty() ? p.title : field(parts, 4);
            p.section = section;
            p.messageId = messageIdOf(p.file);
            pages_.push_back(p);
        }
    }
    std::sort(groups_.begin(), groups_.end());
}

void HelpPages::addMessagePages()
{
    std::vector<int> ids;
    for (const QString& file : QDir(folder_).entryList({QStringLiteral("message-*.html")}, QDir::Files))
        if (const int id = messageIdOf(file); id > 0 && HasMessage(id))
            ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    for (const int id : ids) {
        QString group;
        for (const auto& [first, name] : groups_)
            if (first <= id)
                group = name;
        // A message page that the page list names keeps its list entry; it still belongs to its group.
        if (auto it = std::find_if(pages_.begin(), pages_.end(), [&](const Page& p) { return p.messageId == id; });
            it != pages_.end()) {
            it->group = group;
            continue;
        }
        Page p;
        p.file = messagePageName(id);
        p.messageId = id;
        p.group = group;
        const QString text = MessageText(id).trimmed();
        p.title = QStringLiteral("Message %1: %2").arg(id).arg(text);
        p.label = QStringLiteral("%1 %2").arg(id).arg(text);
        p.terms << QStringLiteral("message %1").arg(id);
        if (!group.isEmpty())
            p.terms << group.toLower();
        pages_.push_back(p);
    }
}

bool HelpPages::exists(const QString& file) const
{
    return !file.isEmpty() && !file.contains(QLatin1Char('/')) && QFile::exists(folder_ + QLatin1Char('/') + file);
}

const HelpPages::Page* HelpPages::find(const QString& file) const
{
    auto it = std::find_if(pages_.begin(), pages_.end(), [&](const Page& p) { return p.file == file; });
    return it == pages_.end() ? nullptr : &*it;
}

QStringList HelpPages::unlisted() const
{
    QStringList names;
    for (const QString& file : QDir(folder_).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name))
        if (!find(file))
            names << file;
    return names;
}

QString HelpPages::expand(const QString& text, const Page* page, int depth) const
{
    static const QRegularExpression placeholder(QStringLiteral("\\{\\{([A-Za-z0-9_-]+)\\}\\}"));
    QString out;
    qsizetype from = 0;
    for (auto it = placeholder.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out += text.mid(from, m.capturedStart() - from);
        from = m.capturedEnd();
        const QString name = m.captured(1);
        QString value;
        if (name == QLatin1String("contents"))
            value = contentsList();
        else if (name == QLatin1String("messages"))
            value = messagesList();
        else if (name == QLatin1String("id") && page && page->messageId > 0)
            value = QString::number(page->messageId);
        else if (const QString shared = kSharedFolder + name + QStringLiteral(".html");
                 depth < kMaxDepth && QFile::exists(folder_ + QLatin1Char('/') + shared))
            value = expand(readFile(shared).trimmed(), page, depth + 1);
        else
            value = m.captured(0);
        out += value;
    }
    out += text.mid(from);
    return out;
}

QString HelpPages::contentsList() const
{
    QString html;
    for (const Section& s : sections_) {
        html += QStringLiteral("<h2><a name=\"%1\">%2</a></h2>\n<ul>\n").arg(s.anchor, esc(s.heading));
        for (const Page& p : pages_) {
            if (p.section != s.anchor)
                continue;
            html += QStringLiteral("<li><a href=\"%1\">%2</a>").arg(p.file, esc(p.label));
            if (!p.note.isEmpty())
                html += QStringLiteral(" &ndash; ") + esc(p.note);
            html += QStringLiteral("</li>\n");
        }
        html += QStringLiteral("</ul>\n");
    }
    html.chop(1); // the placeholder's own line ends it
    return html;
}

QString HelpPages::messagesList() const
{
    QString html;
    QString group;
    bool open = false;
    for (const Page& p : pages_) {
        if (p.messageId == 0)
            continue;
        if (!open || p.group != group) {
            if (open)
                html += QStringLiteral("</ul>\n");
            group = p.group;
            if (!group.isEmpty())
                html += QStringLiteral("<h3>%1</h3>\n").arg(esc(group));
            html += QStringLiteral("<ul>\n");
            open = true;
        }
        html += QStringLiteral("<li><a href=\"%1\">%2 %3</a></li>\n")
                    .arg(p.file)
                    .arg(p.messageId)
                    .arg(esc(MessageText(p.messageId).trimmed()));
    }
    if (open)
        html += QStringLiteral("</ul>");
    return html;
}

QString HelpPages::navigation(const Page* page) const
{
    QStringList links;
    const QString shared = readFile(kSharedFolder + kNavigation + QStringLiteral(".html")).trimmed();
    if (!shared.isEmpty())
        links << shared;
    if (page && page->messageId > 0) {
        // Previous and next message page, so that the messages can be read one after the other.
        const Page* previous = nullptr;
        const Page* next = nullptr;
        for (const Page& p : pages_) {
            if (p.messageId == 0 || p.messageId == page->messageId)
                continue;
            if (p.messageId < page->messageId && (!previous || p.messageId > previous->messageId))
                previous = &p;
            if (p.messageId > page->messageId && (!next || p.messageId < next->messageId))
                next = &p;
        }
        if (previous)
            links << QStringLiteral("<a href=\"%1\">&lt; %2</a>").arg(previous->file).arg(previous->messageId);
        if (next)
            links << QStringLiteral("<a href=\"%1\">%2 &gt;</a>").arg(next->file).arg(next->messageId);
    }
    if (links.isEmpty())
        return {};
    return QStringLiteral("<p class=\"nav\">%1</p>\n").arg(links.join(QStringLiteral(" | ")));
}

QString HelpPages::compose(const QString& file) const
{
    if (!exists(file))
        return {};
    const Page* page = find(file);
    const QString title = page ? page->title : QFileInfo(file).completeBaseName();
    const QString body = expand(readFile(file), page, 0);
    const QString nav = navigation(page);

    QString html = QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" "
                                  "\"http://www.w3.org/TR/html4/strict.dtd\">\n<html>\n<head>\n"
                                  "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
                                  "<title>%1</title>\n"
                                  "<link rel=\"stylesheet\" type=\"text/css\" href=\"help.css\">\n"
                                  "</head>\n<body>\n")
                       .arg(esc(title));
    html += nav;
    if (page && page->messageId > 0 && HasMessage(page->messageId)) {
        html += QStringLiteral("<h1>%1</h1>\n").arg(esc(MessageText(page->messageId).trimmed()));
        html += QStringLiteral("<p class=\"msgid\">Message %1").arg(page->messageId);
        if (!page->group.isEmpty())
            html += QStringLiteral(" &middot; ") + esc(page->group);
        html += QStringLiteral("</p>\n");
    } else if (!body.trimmed().startsWith(QStringLiteral("<h1"), Qt::CaseInsensitive)) {
        html += QStringLiteral("<h1>%1</h1>\n").arg(esc(title));
    }
    html += body;
    if (!body.endsWith(QLatin1Char('\n')))
        html += QLatin1Char('\n');
    html += nav;
    html += QStringLiteral("</body>\n</html>\n");
    return html;
}

QList<HelpPages::IndexEntry> HelpPages::indexEntries() const
{
    QList<IndexEntry> entries;
    for (const Page& p : pages_) {
        if (!exists(p.file))
            continue;
        if (!p.title.isEmpty())
            entries.append({p.title, p.title, p.file});
        QStringList seen;
        for (const QString& term : p.terms) {
            if (titleStartsWithTerm(p.title, term) || seen.contains(term, Qt::CaseInsensitive))
                continue;
            seen << term;
            const QString text = p.title.isEmpty() ? term : QStringLiteral("%1 \u2013 %2").arg(term, p.title);
            entries.append({text, term, p.file});
        }
    }
    std::stable_sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
        if (const int byWord = QString::compare(a.word, b.word, Qt::CaseInsensitive))
            return byWord < 0;
        return QString::compare(a.text, b.text, Qt::CaseInsensitive) < 0;
    });
    return entries;
}

QList<QPair<QString, QString>> HelpPages::contentsEntries() const
{
    QList<QPair<QString, QString>> entries;
    const QString contents = QStringLiteral("index.html");
    if (!exists(contents))
        return entries;
    entries.append({QStringLiteral("Contents"), contents});
    auto add = [&](const Page& p) {
        if (p.file != contents && exists(p.file))
            entries.append({p.label.isEmpty() ? p.title : p.label, p.file});
    };
    for (const Section& s : sections_)
        for (const Page& p : pages_)
            if (p.section == s.anchor)
                add(p);
    for (const Page& p : pages_)
        if (p.section.isEmpty() && p.messageId == 0)
            add(p);
    for (const Page& p : pages_)
        if (p.messageId > 0)
            add(p);
    return entries;
}

} // namespace vemra
