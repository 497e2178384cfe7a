// The document window's commands of the parameter tables: Parameters > ISO 3382, Reverberation, Spaciousness,
// Energy Ratios, Levels, Speech and Stage (and the toolbar key "Iso3382", which runs "mnParIso").
//
// Each opens a new table window on the document's Key, shown without blocking. Register them here with
// setCommand("mnParIso", ...) and the others when the table windows exist; until then the items stay disabled.
#include "viewer/frmView.h"

namespace vemra {

void frmView::connectTableCommands()
{
}

} // namespace vemra
