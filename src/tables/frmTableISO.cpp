#include "tables/frmTableISO.h"

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

frmTableISO::frmTableISO(const QString& key, QWidget* parent)
    : frmTable(key,
               Design("frmTableISO", "ISO 3382 - ", "_iso.txt", 3, "TableISO::cmdSave", ChannelButtons::DualOmniOnly,
                      2, 7),
               parent)
{
    using namespace tables;
    auto inr = [](clsWave& w, int ch, int b) { return InrMagnitude(w.INR(ch, b)); };
    const QString G_dB = QStringLiteral("G   [dB]:"), EDT_s = QStringLiteral("EDT  [s]:");
    // A reverberation time needs this much impulse-to-noise ratio.
    auto decayRow = [inr](const char* label, ChannelMember member, double minimumInr_dB) {
        const QString l = QString::fromLatin1(label);
        return ChannelRow(l, l, member, [inr, minimumInr_dB](clsWave& w, int ch, int b, double v) {
            return Below100(v) && inr(w, ch, b) >= minimumInr_dB;
        });
    };
    // Strength needs a calibrated response as well (the file and the page leave its row out without one).
    rows_[G] = ChannelRow(G_dB, QStringLiteral("G [dB]:"), &clsWave::G, [inr](clsWave& w, int ch, int b, double v) {
        return w.Calibrated() && inr(w, ch, b) > 30 && v > -100;
    });
    rows_[EDT] = ChannelRow(EDT_s, EDT_s, &clsWave::EDT, [](clsWave&, int, int, double v) { return Below100(v); });
    rows_[T20] = decayRow("T20  [s]:", &clsWave::RT20time, 35);
    rows_[T30] = decayRow("T30  [s]:", &clsWave::RT30time, 45);
    rows_[Ts] = CentreTimeRow();
    rows_[C80] = C80Row();
    rows_[D50] = D50Row();
    rows_[LF] = BandRow(QStringLiteral("LF  [-]:"), &clsWave::LF, isFigureOfEightReceiver);
    rows_[LFC] = LFCRow();
    rows_[IACC1] = IACCRow(1);
    rows_[IACC2] = IACCRow(2);
    rows_[IACC3] = IACCRow(3);

    auto* grid = new tables::BandGrid(design_.headings, QStringLiteral("-99.99"), this);
    int caption = 0;
    auto row = [&](QFrame* frame, const char* text, const char* cells) {
        grid->addRow(frame, QStringLiteral("lblISO(%1)").arg(caption++), QString::fromLatin1(text),
                     QString::fromLatin1(cells));
    };
    fraPower_ = grid->addFrame(QStringLiteral("fraPower"));
    row(fraPower_, "G [dB]", "lblG");
    fraRev_ = grid->addFrame(QStringLiteral("fraRev"));
    row(fraRev_, "EDT [s]", "lblEDT");
    row(fraRev_, "T20 [s]", "lblT20");
    row(fraRev_, "T30 [s]", "lblT30");
    fraRatio_ = grid->addFrame(QStringLiteral("fraRatio"));
    row(fraRatio_, "Ts [ms]", "lblTs");
    row(fraRatio_, "C80 [dB]", "lblC80");
    row(fraRatio_, "D50", "lblD50");
    fraLFC_ = grid->addFrame(QStringLiteral("fraLFC"));
    row(fraLFC_, "LFC", "lblLFC");
    fraLF_ = grid->addFrame(QStringLiteral("fraLF"));
    row(fraLF_, "LF", "lblLF");
    fraIACC_ = grid->addFrame(QStringLiteral("fraIACC"));
    row(fraIACC_, "IACC 0,+  ", "lblIACC1");
    row(fraIACC_, "IACC 0,80", "lblIACC2");
    row(fraIACC_, "IACC 80,+", "lblIACC3");
    load(grid);
}

void frmTableISO::Form_Load(clsWave& wave)
{
    const int receiver = wave.Receiver();
    if (receiver < ReceiverOmni || receiver > ReceiverOmniOmniProbe)
        guarded("TableLoad", [] {
            throw VemraError(2000, QStringLiteral("Unknown receiver type"), QStringLiteral("frmTableISO"));
        });
    const bool head = receiver == ReceiverHead;
    for (QFrame* f : {fraPower_, fraRev_, fraRatio_})
        f->setVisible(!head);
    fraLFC_->setVisible(receiver == ReceiverOmniOmniProbe);
    fraLF_->setVisible(isFigureOfEightReceiver(receiver));
    fraIACC_->setVisible(head);
}

std::vector<frmTable::RunStep> frmTableISO::planRun(clsWave&)
{
    static const char* const cells[RowCount] = {"lblG",   "lblEDT", "lblT20", "lblT30",   "lblTs",    "lblC80",
                                                "lblD50", "lblLF",  "lblLFC", "lblIACC1", "lblIACC2", "lblIACC3"};
    std::vector<RunStep> steps;
    for (int k = 0; k <= columns_.last; ++k) {
        std::array<RunStep, RowCount> show;
        for (int row = 0; row < RowCount; ++row)
            show[std::size_t(row)] = showCell(rows_[std::size_t(row)], QString::fromLatin1(cells[row]), k);
        for (int row = G; row <= LFC; ++row)
            steps.push_back(show[std::size_t(row)]);
        steps.push_back([show](clsWave& w) {
            for (int row = IACC1; row <= IACC3; ++row)
                show[std::size_t(row)](w);
        });
    }
    return steps;
}

void frmTableISO::writeText(clsWave& wave, tables::TableText& text)
{
    const int receiver = wave.Receiver();
    const int ch = channel();
    const bool head = receiver == ReceiverHead;
    text.heading(design_.headings);
    text.line();
    if (!head && wave.Calibrated()) {
        text.row(rows_[G], wave, ch, columns_);
        text.line();
    }
    if (!head) {
        for (Row r : {EDT, T20, T30})
            text.row(rows_[r], wave, ch, columns_);
        text.line();
    }
    text.row(rows_[Ts], wave, ch, columns_);
    text.row(rows_[C80], wave, ch, columns_);
    text.row(rows_[D50], wave, ch, columns_, columns_.count - 1);
    if (!head)
        text.line();
    if (isFigureOfEightReceiver(receiver))
        text.row(rows_[LF], wave, ch, columns_);
    if (receiver == ReceiverOmniOmniProbe)
        text.row(rows_[LFC], wave, ch, columns_);
    if (head)
        for (Row r : {IACC1, IACC2, IACC3})
            text.row(rows_[r], wave, ch, columns_);
    text.line();
}

void frmTableISO::printPage(clsWave& wave, tables::TablePage& page)
{
    const int receiver = wave.Receiver();
    const int ch = channel();
    const bool head = receiver == ReceiverHead;
    const int through = columns_.count - 1;
    printHead(wave, page, receiver == ReceiverDualOmni, columns_.count);
    if (!head && wave.Calibrated()) {
        page.row(rows_[G], wave, ch, columns_, through);
        page.emptyLines();
    }
    if (!head) {
        for (Row r : {EDT, T20, T30})
            page.row(rows_[r], wave, ch, columns_, through);
        page.emptyLines();
        for (Row r : {Ts, C80, D50})
            page.row(rows_[r], wave, ch, columns_, through);
        page.emptyLines();
    }
    if (isFigureOfEightReceiver(receiver))
        page.row(rows_[LF], wave, ch, columns_, through);
    if (receiver == ReceiverOmniOmniProbe)
        page.row(rows_[LFC], wave, ch, columns_, through);
    if (head)
        for (Row r : {IACC1, IACC2, IACC3})
            page.row(rows_[r], wave, ch, columns_, through);
}

} // namespace vemra
