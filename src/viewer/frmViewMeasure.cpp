// The document window's commands of the measurement: File > Measure... (Ctrl+M, and the toolbar's Measure button,
// which runs "mnFileMeasure") and Setup > Options; and the mixer's busy state, which the window follows through
// mMixer_MixerBusy (Play and Stop are enabled while the player is free).
//
// Register the commands here with setCommand("mnFileMeasure", ...) and setCommand("mnSetupOptions", ...), and
// connect the mixer's MixerBusy event to mMixer_MixerBusy, when the measurement window, the options dialog and
// the mixer exist; until then the items and the button stay disabled and nothing is ever busy.
#include "viewer/frmView.h"

namespace vemra {

void frmView::connectMeasureCommands()
{
}

} // namespace vemra
