// The document window's command of the parameter graphs: Parameters > Graph/Statistics (F2, and the toolbar's
// Graph button, which runs "mnParGraph").
//
// It opens a new parameter graph window, adding the document's file when the document is Valid (also for an
// empty document, then without a file). The window lives on its own; the document window keeps no reference.
#include "viewer/frmView.h"

#include "core/ErrorGuard.h"
#include "document/clsWave.h"
#include "graphs/frmParameters.h"

namespace vemra {

void frmView::connectParameterGraphCommands()
{
    setCommand(QStringLiteral("mnParGraph"), [this] {
        guarded("mnParGraph", [&] {
            const clsWave* wave = WaveFile();
            OpenParameterGraph(wave && wave->Valid() ? wave->FileName() : QString());
        });
    });
}

} // namespace vemra
