#include "tables/frmTableLevel.h"

#include "document/clsWave.h"
#include "library/Codes.h"
#include "tables/ParameterRows.h"

#include <cmath>

namespace vemra {

using namespace tables;

namespace {

// A negative ratio is a lower bound of its magnitude.
TableRow inrRow()
{
    const QString label = QStringLiteral("INR [dB]:");
    return {label, label, [](clsWave& w, int ch, int b) {
                const double v = w.INR(ch, b);
                if (!HasValue(v))
                    return NoValueCell();
                const QString bound = v < 0 ? QStringLiteral(">") : QString();
                const QString text = bound + FormatPattern(std::abs(v), QStringLiteral("0"));
                return Cell{text, text, bound + FormatPattern(std::abs(v), QStringLiteral("0    ")), false};
            }};
}

// The figure-of-eight channel of receivers 1 and 3 has no strength.
TableRow strengthRow()
{
    return ChannelRow(QStringLiteral("G   [dB]:"), QStringLiteral("G [dB]:"), &clsWave::G,
                      [](clsWave& w, int ch, int, double v) {
                          return v > -100 && !(ch == 1 && isFigureOfEightReceiver(w.Receiver()));
                      });
}

} // namespace

frmTableLevel::frmTableLevel(const QString& key, QWidget* parent)
    : frmRowTable(key,
                  [] {
                      Design d("frmTableLevel", "Levels - ", "_level.txt", 15, "TableLevel::cmdSave",
                               ChannelButtons::AllButOmni, 2, 7);
                      d.widestCell = QStringLiteral(">100");
                      d.commandsBeside = false;
                      return d;
                  }(),
                  QStringLiteral("fraPower"),
                  {{inrRow(), "lblSN", "INR [dB]", "lblISO(12)"}, {strengthRow(), "lblG", "G [dB]", "lblISO(11)"}},
                  {.fileRowsCoverEveryColumn = false}, parent)
{
}

} // namespace vemra
