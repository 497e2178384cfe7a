#pragma once
// The one way a window's own progress bar moves during a long step: the value is set and the bar painted at once,
// so the bar shows it although the step does not return to the event loop before its next value.
// Calling thread: the user-interface thread.
class QProgressBar;

namespace vemra {

// Clamped to the bar's range.
void ShowProgress(QProgressBar* bar, int value);

} // namespace vemra
