#include "tables/TableText.h"

#include "core/NativePath.h"
#include "core/VemraError.h"
#include "library/Messages.h"
#include "library/files/FileIo.h"

#include <QFile>
#include <cstdint>
#include <span>

namespace vemra::tables {
namespace {

const QString kLineEnd = QStringLiteral("\r\n");
const QChar kTab = QLatin1Char('\t');
constexpr int kPrintZone = 14;

} // namespace

void TableText::line(const QString& text) { text_ += text + kLineEnd; }

void TableText::heading(const QStringList& headings)
{
    QString s = QStringLiteral("         ");
    for (const QString& h : headings)
        s += kTab + h;
    line(s);
}

void TableText::headingWithTabs(const QStringList& headings, int count)
{
    QString s = QStringLiteral("         ") + kTab;
    for (int k = 0; k < count && k < headings.size(); ++k)
        s += headings[k] + kTab;
    line(s);
}

void TableText::row(const TableRow& row, clsWave& wave, int channel, const BandColumns& columns, int through,
                    const QString& beyond)
{
    QStringList cells;
    for (int k = 0; k <= columns.last; ++k)
        cells << row.cell(wave, channel, columns.band(k)).file;
    for (int k = columns.last + 1; k <= through; ++k)
        cells << beyond;
    fields(row.fileLabel, cells);
}

void TableText::fields(const QString& label, const QStringList& fields)
{
    QString s = label;
    for (const QString& f : fields)
        s += kTab + f;
    line(s);
}

void TableText::save(const QString& fileName) const
{
    const QByteArray bytes = text_.toLocal8Bit();
    const std::string path = NativePath(fileName);
    const auto result = files::writeFileAtomically(
        path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())));
    if (result == msg::DiskFull)
        throw VemraError(61, QStringLiteral("Disk full"), fileName);
    if (result != Ok)
        throw VemraError(75, QStringLiteral("Path/File access error"), fileName);
}

QString TableText::zone(const QString& text)
{
    const qsizetype width = (text.size() / kPrintZone + 1) * kPrintZone;
    return text.leftJustified(width, QLatin1Char(' '));
}

} // namespace vemra::tables
