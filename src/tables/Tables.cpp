#include "tables/Tables.h"

#include "tables/frmTableISO.h"
#include "tables/frmTableLevel.h"
#include "tables/frmTableRatio.h"
#include "tables/frmTableRev.h"
#include "tables/frmTableSpace.h"
#include "tables/frmTableSpeech.h"
#include "tables/frmTableStage.h"

namespace vemra {

frmTable* ShowParameterTable(ParameterTable table, const QString& key)
{
    frmTable* window = nullptr;
    switch (table) {
    case ParameterTable::Iso: window = new frmTableISO(key); break;
    case ParameterTable::Reverberation: window = new frmTableRev(key); break;
    case ParameterTable::Spaciousness: window = new frmTableSpace(key); break;
    case ParameterTable::EnergyRatios: window = new frmTableRatio(key); break;
    case ParameterTable::Levels: window = new frmTableLevel(key); break;
    case ParameterTable::Speech: window = new frmTableSpeech(key); break;
    case ParameterTable::Stage: window = new frmTableStage(key); break;
    }
    if (!window->loaded()) {
        delete window;
        return nullptr;
    }
    window->show();
    return window;
}

} // namespace vemra
