#include "tables/frmTableStage.h"

#include "document/clsWave.h"
#include "tables/ParameterRows.h"

#include <cmath>

namespace vemra {

using namespace tables;

namespace {

// Support has a value when its magnitude is below 100 dB: on screen, in the file and on paper alike.
TableRow supportRow(const char* label, ChannelMember member)
{
    return ChannelRow(QString::fromLatin1(label), QString::fromLatin1(label), member,
                      [](clsWave&, int, int, double v) { return std::abs(v) < 100; });
}

} // namespace

frmTableStage::frmTableStage(const QString& key, QWidget* parent)
    : frmRowTable(key,
                  [] {
                      Design d("frmTableStage", "Stage - ", "_stage.txt", 29, "TableStage::cmdSave",
                               ChannelButtons::AllButSingleOmni, 2, 7);
                      d.commandsBeside = false;
                      return d;
                  }(),
                  QStringLiteral("fraParam"),
                  {{supportRow("ST early [dB]:", &clsWave::STearly), "lblSTearly", "ST early [dB]", "lblISO(15)"},
                   {supportRow("ST late [dB]:", &clsWave::STlate), "lblSTlate", "ST late [dB]", "lblISO(14)"},
                   {supportRow("ST total [dB]:", &clsWave::STtotal), "lblSTtotal", "ST total [dB]", "lblISO(13)"}},
                  {}, parent)
{
}

} // namespace vemra
