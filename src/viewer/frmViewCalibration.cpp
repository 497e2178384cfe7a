// The document window's commands of the calibration: Setup > Calibrate > SoundCard and System.
//
// SoundCard refuses while the player is busy (msg::BusyPlaying), closes the measurement window while the recorder or
// the mixer is busy, then runs the mixer's sound-card calibration; System shows the system-calibration window
// modal. Register them here with setCommand("mnSetupCalCard", ...) and setCommand("mnSetupCalSys", ...) when the
// windows exist; until then the items stay disabled.
#include "viewer/frmView.h"

namespace vemra {

void frmView::connectCalibrationCommands()
{
}

} // namespace vemra
