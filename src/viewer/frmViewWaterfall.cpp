// The document window's command of the waterfall: View > Waterfall (and the toolbar's Waterfall button, which
// runs "mnViewWaterfall").
//
// It opens a new waterfall window on the document's Key with the selection (or the whole response), only for a
// Valid document. Register it here with setCommand("mnViewWaterfall", ...) when the window exists; until then the
// item and the button stay disabled.
#include "viewer/frmView.h"

namespace vemra {

void frmView::connectWaterfallCommands()
{
}

} // namespace vemra
