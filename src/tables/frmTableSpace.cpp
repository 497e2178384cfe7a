#include "tables/frmTableSpace.h"

#include "core/ErrorGuard.h"
#include "core/VemraError.h"
#include "document/clsWave.h"
#include "library/Codes.h"
#include "tables/BandGrid.h"
#include "tables/ParameterRows.h"
#include "tables/TablePage.h"
#include "tables/TableText.h"

#include <QFrame>

namespace vemra {

using namespace tables;

namespace {

bool hasLateral(int r)
{
    return isFigureOfEightReceiver(r) || r == ReceiverOmniOmniProbe;
}
bool isProbe(int r) { return r == ReceiverOmniOmniProbe; }
bool isHead(int r) { return r == ReceiverHead; }

} // namespace

frmTableSpace::frmTableSpace(const QString& key, QWidget* parent)
    : frmTable(key,
               [] {
                   Design d("frmTableSpace", "Spaciousness - ", "_space.txt", 18, "TableSpace::cmdSave",
                            ChannelButtons::Never, 2, 7);
                   d.commandsBeside = false;
                   return d;
               }(),
               parent),
      rows_{BandRow(QStringLiteral("LF  [-]:"), &clsWave::LF, hasLateral),
            LFCRow(), IACCRow(1), IACCRow(2), IACCRow(3)}
{
    auto* grid = new BandGrid(design_.headings, QStringLiteral("-99.99"), this);
    fraLFC_ = grid->addFrame(QStringLiteral("fraLFC"));
    grid->addRow(fraLFC_, QStringLiteral("lblISO(0)"), QStringLiteral("LFC"), QStringLiteral("lblLFC"));
    fraLF_ = grid->addFrame(QStringLiteral("fraLF"));
    grid->addRow(fraLF_, QStringLiteral("lblISO(7)"), QStringLiteral("LF"), QStringLiteral("lblLF"));
    fraIACC_ = grid->addFrame(QStringLiteral("fraIACC"));
    grid->addRow(fraIACC_, QStringLiteral("lblISO(4)"), QStringLiteral("IACC 0,+  "), QStringLiteral("lblIACC1"));
    grid->addRow(fraIACC_, QStringLiteral("lblISO(5)"), QStringLiteral("IACC 0,80"), QStringLiteral("lblIACC2"));
    grid->addRow(fraIACC_, QStringLiteral("lblISO(6)"), QStringLiteral("IACC 80,+"), QStringLiteral("lblIACC3"));
    load(grid);
}

void frmTableSpace::Form_Load(clsWave& wave)
{
    const int receiver = wave.Receiver();
    if (!hasLateral(receiver) && !isHead(receiver))
        guarded("TableLoad", [] {
            throw VemraError(2000, QStringLiteral("Unknown receiver type"), QStringLiteral("frmTableSpace"));
        });
    fraLFC_->setVisible(isProbe(receiver));
    fraLF_->setVisible(!isHead(receiver));
    fraIACC_->setVisible(isHead(receiver));
}

std::vector<frmTable::RunStep> frmTableSpace::planRun(clsWave&)
{
    std::vector<RunStep> steps;
    for (int k = 0; k <= columns_.last; ++k) {
        steps.push_back(showCell(rows_[LF], QStringLiteral("lblLF"), k));
        steps.push_back(showCell(rows_[LFC], QStringLiteral("lblLFC"), k));
        steps.push_back([iacc = std::array{showCell(rows_[IACC1], QStringLiteral("lblIACC1"), k),
                                           showCell(rows_[IACC2], QStringLiteral("lblIACC2"), k),
                                           showCell(rows_[IACC3], QStringLiteral("lblIACC3"), k)}](clsWave& w) {
            for (const RunStep& show : iacc)
                show(w);
        });
    }
    return steps;
}

std::vector<frmTableSpace::Row> frmTableSpace::writtenRows(int receiver) const
{
    // LF before LFC, though the screen shows LFC above LF.
    std::vector<Row> rows;
    if (hasLateral(receiver))
        rows.push_back(LF);
    if (isProbe(receiver))
        rows.push_back(LFC);
    if (isHead(receiver))
        rows.insert(rows.end(), {IACC1, IACC2, IACC3});
    return rows;
}

void frmTableSpace::writeText(clsWave& wave, TableText& text)
{
    text.heading(design_.headings);
    text.line();
    for (Row r : writtenRows(wave.Receiver()))
        text.row(rows_[r], wave, 0, columns_);
    text.line();
}

void frmTableSpace::printPage(clsWave& wave, TablePage& page)
{
    printHead(wave, page, false, columns_.count);
    for (Row r : writtenRows(wave.Receiver()))
        page.row(rows_[r], wave, 0, columns_, columns_.count - 1);
}

} // namespace vemra
