#pragma once
// The text file of a parameter table: lines ending in CR LF, fields split by Tab, a heading line of nine blanks and
// the column headings, rows of a label and cells. Written in the system's 8-bit encoding, atomically: a failed
// write keeps the previous file. Calling thread: the user-interface thread.
#include "tables/TableRow.h"

#include <QString>
#include <QStringList>

namespace vemra::tables {

class TableText {
public:
    // A line and its CR LF; an empty text gives an empty line.
    void line(const QString& text = {});
    // Nine blanks, then Tab and each heading.
    void heading(const QStringList& headings);
    // The heading of the speech and modulation tables: nine blanks, Tab, then the first `count` headings, each
    // followed by a Tab.
    void headingWithTabs(const QStringList& headings, int count);
    // The label, then Tab and the file text of each cell of the columns 0 .. last; with `through` above the last
    // column, Tab and `beyond` for each further column up to `through`.
    void row(const TableRow& row, clsWave& wave, int channel, const BandColumns& columns, int through = -1,
             const QString& beyond = QStringLiteral(" "));
    // The label, then Tab and each field.
    void fields(const QString& label, const QStringList& fields);

    const QString& text() const { return text_; }
    // Writes the text under that name; throws the run-time error of the failure (the previous file stays).
    void save(const QString& fileName) const;

    // The text followed by blanks up to the next print zone of 14 characters.
    static QString zone(const QString& text);

private:
    QString text_;
};

} // namespace vemra::tables
