// The document window's command of the waterfall: View > Waterfall (and the toolbar's Waterfall button, which
// runs "mnViewWaterfall").
//
// It opens a new waterfall window on the document's Key with the selection (or the whole response), only for a
// Valid document. The selection counts only in the time views, where its points are samples; in the band and
// spectrum views it is a frequency range, and the whole response is analysed.
#include "viewer/frmView.h"

#include "core/ErrorGuard.h"
#include "viewer/frmWaterfall.h"

#include <algorithm>

namespace vemra {

void frmView::connectWaterfallCommands()
{
    setCommand(QStringLiteral("mnViewWaterfall"), [this] {
        guarded("mnWaterfall", [&] {
            const clsWave* wave = WaveFile();
            if (!wave || !wave->Valid() || wave->SampleCount() < 1)
                return;
            std::int32_t start = 0;
            std::int32_t count = wave->SampleCount();
            if (mTimeView && mSelectionActive && mSelLength != 0) {
                // A selection still being dragged leftwards has a negative length.
                const std::int32_t first = std::clamp(std::min(mSelStart, mSelStart + mSelLength), 0, count - 1);
                const std::int32_t length = std::abs(mSelLength);
                count = std::clamp(length, 1, count - first);
                start = first;
            }
            auto* waterfall = new frmWaterfall;
            waterfall->Key = wave->Key();
            waterfall->StartSample = start;
            waterfall->SampleCount = count;
            waterfall->show();
        });
    });
}

} // namespace vemra
