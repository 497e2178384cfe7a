// The document window's commands of the measurement: File > Measure... (Ctrl+M, and the toolbar's Measure button,
// which runs "mnFileMeasure") and Setup > Options; and the mixer's busy state, which the window follows through
// mMixer_MixerBusy (Play and Stop are enabled while the player is free).
#include "viewer/frmView.h"

#include "audio/AudioGlobals.h"
#include "audio/clsMixer.h"
#include "audio/frmMeasure.h"
#include "audio/frmSetup.h"
#include "core/ErrorGuard.h"
#include "document/Waves.h"

namespace vemra {

void frmView::connectMeasureCommands()
{
    setCommand(QStringLiteral("mnFileMeasure"), [this] {
        guarded("mnFileMeasure", [&] {
            frmMeasure* measure = frmMeasure::instance();
            measure->show();
            if (measure->isMinimized())
                measure->showNormal();
            measure->raise();
            measure->activateWindow();
            // An empty window gives way to the measurement window when other documents are open.
            clsWave* wave = WaveFile();
            if (wave && !wave->Valid() && WaveCount() > 1)
                wave->Die();
        });
    });
    setCommand(QStringLiteral("mnSetupOptions"), [this] {
        guarded("mnSetupOptions", [&] {
            frmSetup dialog(this);
            dialog.exec();
        });
    });
    if (Mixer)
        connect(Mixer, &clsMixer::MixerBusy, this, &frmView::mMixer_MixerBusy);
}

} // namespace vemra
