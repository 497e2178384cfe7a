#include "tables/frmTableMTF.h"

#include "document/clsWave.h"
#include "tables/BandGrid.h"
#include "tables/TablePage.h"
#include "tables/TableText.h"

#include <QLabel>

namespace vemra {

using namespace tables;

namespace {

const char* const kModulationCaptions[frmTableMTF::kModulations] = {
    "0.63", "0.8", "1.0", "1.25", "1.6", "2.0", "2.5", "3.15", "4.0", "5.0", "6.3", "8.0", "10", "12.5"};
const QString kThree = QStringLiteral("0.000");

QString cellName(int modulation, int column) { return QStringLiteral("lblMTF(%1)").arg(7 * modulation + column); }

// A modulation value or index lies in [0, 1]; a band the document could not measure has none (no value, or an
// index of -1): "--" on screen, in the file and on paper.
QString valueText(double v, const QString& pattern)
{
    return HasValue(v) && v >= 0 ? FormatPattern(v, pattern) : QStringLiteral("--");
}


} // namespace

frmTableMTF::frmTableMTF(const QString& key, QWidget* parent)
    : frmTable(key,
               [] {
                   Design d("frmTableMTF", "STI - ", "_mtf.txt", 14, "TableMTF::cmdSave",
                            ChannelButtons::AllButSingleOmni, 3, 7);
                   d.printTitle = QStringLiteral("MTF - ");
                   d.widestCell = QStringLiteral("0.000");
                   d.perColumnLimit = true;
                   d.followsChanges = false;
                   return d;
               }(),
               parent)
{
    setModal(true);
    auto* grid = new BandGrid(design_.headings, design_.widestCell, this);
    QFrame* fraMTF = grid->addFrame(QStringLiteral("fraMTF"));
    for (int m = 0; m < kModulations; ++m) {
        QVector<QWidget*> cells;
        for (int k = 0; k < columns_.count; ++k) {
            auto* cell = new QLabel(QStringLiteral("--"), fraMTF);
            cell->setObjectName(cellName(m, k));
            cell->setAlignment(Qt::AlignCenter);
            cells.append(cell);
        }
        grid->addWidgetRow(fraMTF, QStringLiteral("lblF(%1)").arg(m), QString::fromLatin1(kModulationCaptions[m]),
                           cells);
    }
    QFrame* fraMTI = grid->addFrame(QStringLiteral("fraMTI"));
    grid->addRow(fraMTI, QStringLiteral("lblSI(0)"), QStringLiteral("MTI"), QStringLiteral("lblMTI"));
    load(grid);
}

std::vector<frmTable::RunStep> frmTableMTF::planRun(clsWave&)
{
    std::vector<RunStep> steps;
    const int ch = channel();
    for (int k = 0; k <= columns_.last; ++k) {
        const int band = columns_.band(k);
        steps.push_back([this, ch, band, k](clsWave& w) {
            for (int m = 0; m < kModulations; ++m)
                setCell(cellName(m, k), valueText(w.MTF(ch, band, m), kThree));
        });
        steps.push_back([this, ch, band, k](clsWave& w) {
            setCell(QStringLiteral("lblMTI(%1)").arg(k), valueText(w.MTI(ch, band), kThree));
        });
    }
    return steps;
}

void frmTableMTF::writeText(clsWave& wave, TableText& text)
{
    const int ch = channel();
    text.headingWithTabs(design_.headings, columns_.last + 1);
    text.line();
    for (int m = 0; m < kModulations; ++m) {
        QStringList values;
        for (int k = 0; k <= columns_.last; ++k)
            values << valueText(wave.MTF(ch, columns_.band(k), m), kThree);
        text.fields(TableText::zone(QString::fromLatin1(kModulationCaptions[m])), values);
    }
    text.line();
    QStringList indices;
    for (int k = 0; k <= columns_.last; ++k)
        indices << valueText(wave.MTI(ch, columns_.band(k)), QStringLiteral("0.00"));
    text.fields(TableText::zone(QStringLiteral("MTI")), indices);
    text.line();
}

void frmTableMTF::printPage(clsWave& wave, TablePage& page)
{
    const int ch = channel();
    printHead(wave, page, showsChannels(wave.Receiver()), columns_.last + 1);
    for (int m = 0; m < kModulations; ++m) {
        page.beginRow();
        if (m == 0)
            page.label(QStringLiteral("MTF "), 30);
        page.label(QString::fromLatin1(kModulationCaptions[m]), 30, AlignStart);
        for (int k = 0; k <= columns_.last; ++k)
            page.text(valueText(wave.MTF(ch, columns_.band(k), m), kThree), TablePage::valueX_mm(k), AlignEnd);
        page.endRow();
    }
    page.emptyLines();
    page.beginRow();
    page.label(QStringLiteral("MTI     :"), TablePage::kLabelX_mm);
    for (int k = 0; k <= columns_.last; ++k)
        page.text(valueText(wave.MTI(ch, columns_.band(k)), kThree), TablePage::valueX_mm(k), AlignEnd);
    page.endRow();
}

} // namespace vemra
