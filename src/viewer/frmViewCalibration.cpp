// The document window's commands of the calibration: Setup > Calibrate > SoundCard and System.
//
// SoundCard refuses while the player is busy (msg::BusyPlaying), closes the measurement window while the recorder or
// the mixer is busy, then runs the mixer's sound-card calibration; System shows the system-calibration window
// modal.
#include "viewer/frmView.h"

#include "audio/AudioGlobals.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "audio/frmMeasure.h"
#include "calibration/frmCalSystem.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "library/Messages.h"

namespace vemra {

void frmView::connectCalibrationCommands()
{
    // The sound-card calibration needs the sound card as the program sees it: without a mixer it stays disabled.
    if (Mixer) {
        setCommand(QStringLiteral("mnSetupCalCard"), [] {
            guarded("mnSetupCalCard", [&] {
                if (!Mixer || !Player || !Recorder)
                    return;
                if (Player->Busy()) {
                    HandleError(msg::BusyPlaying);
                    return;
                }
                if (Recorder->Busy() || Mixer->Busy())
                    frmMeasure::Unload();
                Mixer->CalibrateSoundCard();
            });
        });
    }
    setCommand(QStringLiteral("mnSetupCalSys"), [] { guarded("mnSetupCalSys", [] { frmCalSystem::ShowModal(); }); });
}

} // namespace vemra
