#pragma once
// The help's pages as data. A page file holds only its own words; the page list (pages.txt in the same folder) gives
// each page its title, index terms and place on the contents page, and the message table gives the message pages
// their titles. HelpPages reads a folder once and composes whole HTML pages from these: head, title, navigation
// bar above and below, heading, and the lists of the contents and messages pages.
//
// Placeholders a page may hold: {{contents}} (the sections of the page list), {{messages}} (every message page by
// group), {{id}} (the id of a message page) and {{<name>}} for the text of shared/<name>.html, which may hold
// placeholders itself. An unknown placeholder stays in the page as it is written.
// help/README.md says how to add a page. Calling thread: any one thread at a time; nothing is shared.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <vector>

namespace vemra {

class HelpPages {
public:
    struct Page {
        QString file;       // file name within the folder, e.g. "context-2.html"
        QString title;      // plain text
        QStringList terms;  // index terms, plain text
        QString section;    // anchor of its section on the contents page; "" when not listed there
        QString label;      // its entry on the contents page (the title unless the list gives one)
        QString note;       // what follows the label on the contents page
        int messageId = 0;  // message pages: the message id; 0 otherwise
        QString group;      // message pages: their group
    };
    struct Section {
        QString anchor;
        QString heading;
    };
    // A line of the help index: a page's title, or an index term with the title of the page it leads to beside
    // it, so that a term several pages share reads differently on each line.
    struct IndexEntry {
        QString text; // the line as shown
        QString word; // the title or the term alone, what a search of the index looks at
        QString file; // the page it opens
    };

    // Reads the page list and the message pages of `folder`. A folder without a page list has only its message
    // pages; a missing folder has no pages.
    explicit HelpPages(const QString& folder);

    // True when the page's file is in the folder.
    bool exists(const QString& file) const;
    // The whole HTML page; "" when the page's file is missing.
    QString compose(const QString& file) const;

    // Every known page: those of the page list in their order, then the message pages by id.
    const std::vector<Page>& pages() const { return pages_; }
    const std::vector<Section>& sections() const { return sections_; }
    // The page list's description of `file`, or nullptr.
    const Page* find(const QString& file) const;
    // Page files in the folder that neither the page list nor the message table knows.
    QStringList unlisted() const;
    // The index: every title and every index term, sorted by word case-insensitively, then by page title. A term
    // that its page's title already starts with is left out (the title's line stands at the same place), and so
    // is a term repeated for one page: no two lines read alike.
    QList<IndexEntry> indexEntries() const;
    // (label, page) pairs for the contents list: the contents page, the listed pages by section, the other listed
    // pages, then the message pages.
    QList<QPair<QString, QString>> contentsEntries() const;

private:
    void readPageList();
    void addMessagePages();
    QString readFile(const QString& relativePath) const;
    QString expand(const QString& text, const Page* page, int depth) const;
    QString contentsList() const;
    QString messagesList() const;
    QString navigation(const Page* page) const;

    QString folder_;
    std::vector<Page> pages_;
    std::vector<Section> sections_;
    std::vector<std::pair<int, QString>> groups_; // (first id, name), ascending
};

} // namespace vemra
