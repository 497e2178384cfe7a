#include "core/ProgressValue.h"

#include <QProgressBar>

#include <algorithm>

namespace vemra {

void ShowProgress(QProgressBar* bar, int value)
{
    if (!bar)
        return;
    const int shown = std::clamp(value, bar->minimum(), std::max(bar->minimum(), bar->maximum()));
    if (shown == bar->value())
        return;
    bar->setValue(shown);
    // The bar itself repaints only when its drawn length or text would change by its own reckoning; a step that
    // runs for seconds between values must not wait for the event loop to show them.
    if (bar->isVisible())
        bar->repaint();
}

} // namespace vemra
