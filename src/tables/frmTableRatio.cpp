#include "tables/frmTableRatio.h"

#include "tables/ParameterRows.h"

namespace vemra {

using namespace tables;

frmTableRatio::frmTableRatio(const QString& key, QWidget* parent)
    : frmRowTable(key,
                  [] {
                      Design d("frmTableRatio", "Energy ratios - ", "_energy.txt", 16, "TableRatio::cmdSave",
                               ChannelButtons::AllButSingleOmni, 2, 7);
                      d.commandsBeside = false;
                      return d;
                  }(),
                  QStringLiteral("fraParam"),
                  {{CentreTimeRow(), "lblTs", "Ts [ms]", "lblISO(0)"},
                   {C80Row(), "lblC80", "C80 [dB]", "lblISO(1)"},
                   {D50Row(), "lblD50", "D50", "lblISO(2)"}},
                  {.fileEmptyLine = true, .pageEmptyLine = true}, parent)
{
}

} // namespace vemra
