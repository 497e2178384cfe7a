// The document window's command of the parameter graphs: Parameters > Graph/Statistics (F2, and the toolbar's
// Graph button, which runs "mnParGraph").
//
// It opens a new parameter graph window, adding the document's file when the document is Valid (also for an
// empty document, then without a file). Register it here with setCommand("mnParGraph", ...) when the window
// exists; until then the item and the button stay disabled.
#include "viewer/frmView.h"

namespace vemra {

void frmView::connectParameterGraphCommands()
{
}

} // namespace vemra
