// The document window's commands of the parameter tables: Parameters > ISO 3382, Reverberation, Spaciousness,
// Energy Ratios, Levels, Speech and Stage (and the toolbar key "Iso3382", which runs "mnParIso").
//
// Each opens a new table window on the document's Key, shown without blocking; the window keeps no reference to
// it (the table closes itself, also when the document goes).
#include "viewer/frmView.h"

#include "core/ErrorGuard.h"
#include "tables/Tables.h"

namespace vemra {

namespace {

struct TableCommand {
    const char* name;
    ParameterTable table;
};

} // namespace

void frmView::connectTableCommands()
{
    const TableCommand commands[] = {
        {"mnParIso", ParameterTable::Iso},          {"mnParRev", ParameterTable::Reverberation},
        {"mnParSpa", ParameterTable::Spaciousness}, {"mnParEne", ParameterTable::EnergyRatios},
        {"mnParLev", ParameterTable::Levels},       {"mnParSpe", ParameterTable::Speech},
        {"mnParSta", ParameterTable::Stage}};
    for (const TableCommand& command : commands)
        setCommand(QString::fromLatin1(command.name),
                   [this, command] { guarded(command.name, [&] { ShowParameterTable(command.table, waveKey_); }); });
}

} // namespace vemra
