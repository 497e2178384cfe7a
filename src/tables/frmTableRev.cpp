#include "tables/frmTableRev.h"

#include "core/Globals.h"
#include "document/clsWave.h"
#include "library/Codes.h"
#include "tables/BandGrid.h"
#include "tables/ParameterRows.h"
#include "tables/TablePage.h"
#include "tables/TableText.h"

#include <QLabel>

namespace vemra {

using namespace tables;

namespace {

const char* const kCells[9] = {"lblEDT", "lblrEDT", "lblT10", "lblr10", "lblT20",
                               "lblr20", "lblT30",  "lblr30", "lblC"};
const QString kThree = QStringLiteral("0.000");
const QString kNoValue = QStringLiteral("-"); // this table's mark in the file

TableRow timeRow(const char* label, ChannelMember member)
{
    const QString l = QString::fromLatin1(label);
    return {l, l, [member](clsWave& w, int ch, int b) {
                const double v = (w.*member)(ch, b);
                return ValueCell(Below100(v), v, kThree, kThree, kNoValue);
            }};
}

// A fit's correlation coefficient has no test (0 where the fit is not valid); on paper a blank stands where a
// negative one has its minus sign, so the digits line up.
TableRow correlationRow(ChannelMember member)
{
    return {QStringLiteral("cc   [-]:"), QStringLiteral("cc  [-]:"), [member](clsWave& w, int ch, int b) {
                const double v = (w.*member)(ch, b);
                return Cell{FormatPattern(v, kThree), FormatPattern(v, QStringLiteral("0.000;-0.000")),
                            FormatPattern(v, QStringLiteral(" 0.000;-0.000")), false};
            }};
}

TableRow curvatureRow()
{
    const QString label = QStringLiteral("C    [%]:");
    return {label, label, [](clsWave& w, int ch, int b) {
                const double v = w.Curvature(ch, b);
                if (!HasValue(v))
                    return NoValueCell(kNoValue);
                if (v > 100)
                    return Cell{QStringLiteral(">100"), QStringLiteral(">100"), QStringLiteral(">100"), true};
                if (v < -100)
                    return Cell{QStringLiteral("<-100"), QStringLiteral("<-100"), QStringLiteral("<-100"), true};
                const QString text = FormatPattern(v, QStringLiteral("0.0"));
                return Cell{text, text, text, false};
            }};
}


} // namespace

frmTableRev::frmTableRev(const QString& key, QWidget* parent)
    : frmTable(key,
               [] {
                   Design d("frmTableRev", "Reverberation - ", "_rev.txt", 17, "TableRev::cmdSave",
                            ChannelButtons::AllButSingleOmni, 1, 10);
                   d.calculateProcedure = QStringLiteral("Calculation");
                   d.widestCell = QStringLiteral("-0.000");
                   return d;
               }(),
               parent),
      rows_{timeRow("EDT  [s]:", &clsWave::EDT),      correlationRow(&clsWave::EDTcorr),
            timeRow("T10  [s]:", &clsWave::RT10time), correlationRow(&clsWave::RT10corr),
            timeRow("T20  [s]:", &clsWave::RT20time), correlationRow(&clsWave::RT20corr),
            timeRow("T30  [s]:", &clsWave::RT30time), correlationRow(&clsWave::RT30Corr),
            curvatureRow()}
{
    auto* grid = new BandGrid(design_.headings, design_.widestCell, this);
    QFrame* fraRev1 = grid->addFrame(QStringLiteral("fraRev1"));
    const char* const captions[kRows] = {"EDT [s]", "cc", "T10 [s]", "cc", "T20 [s]", "cc", "T30 [s]", "cc", "C [%]"};
    for (int i = 0; i < kRows; ++i) {
        QVector<QLabel*> cells = grid->addRow(fraRev1, QStringLiteral("lblISO(%1)").arg(i),
                                              QString::fromLatin1(captions[i]), QString::fromLatin1(kCells[i]));
        if (i == kCurvature)
            curvatureCells_ = cells;
    }
    curvatureCaption_ = findChild<QLabel*>(QStringLiteral("lblISO(%1)").arg(kCurvature));
    load(grid);
}

void frmTableRev::Form_Load(clsWave&)
{
    // The curvature is a feature of the /FEATURE switch: without it the row is out of view.
    curvatureCaption_->setVisible(FeatureMode);
    for (QLabel* cell : curvatureCells_)
        cell->setVisible(FeatureMode);
}

std::vector<frmTable::RunStep> frmTableRev::planRun(clsWave&)
{
    std::vector<RunStep> steps;
    for (int k = 0; k <= columns_.last; ++k) {
        // A time and its correlation coefficient form one step.
        for (int r = 0; r < kCurvature; r += 2)
            steps.push_back([time = showCell(rows_[std::size_t(r)], QString::fromLatin1(kCells[r]), k),
                             cc = showCell(rows_[std::size_t(r + 1)], QString::fromLatin1(kCells[r + 1]), k)](
                                clsWave& w) {
                time(w);
                cc(w);
            });
        if (FeatureMode)
            steps.push_back(showCell(rows_[kCurvature], QString::fromLatin1(kCells[kCurvature]), k));
    }
    return steps;
}

void frmTableRev::writeText(clsWave& wave, TableText& text)
{
    text.heading(design_.headings);
    text.line();
    const int rows = FeatureMode ? kRows : kCurvature;
    for (int r = 0; r < rows; ++r)
        text.row(rows_[std::size_t(r)], wave, channel(), columns_, columns_.count - 1, kNoValue);
    text.line();
}

void frmTableRev::printPage(clsWave& wave, TablePage& page)
{
    printHead(wave, page, wave.Receiver() == ReceiverDualOmni, columns_.count);
    const int rows = FeatureMode ? kRows : kCurvature;
    for (int r = 0; r < rows; ++r)
        page.row(rows_[std::size_t(r)], wave, channel(), columns_, columns_.count - 1);
}

} // namespace vemra
