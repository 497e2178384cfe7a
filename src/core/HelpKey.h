#pragma once
// F1 in a window opens the help page of the context the window names at that moment, through ShowHelp, the same
// way as its Help button. The key works wherever the focus is inside the window, also while the window's loop
// yields during a long run.
// Calling thread: the user-interface thread.
#include <functional>

class QWidget;

namespace vemra {

// The context is asked for at each press, so a window whose context moves with its state names the current one.
void InstallHelpKey(QWidget* window, std::function<int()> context);

} // namespace vemra
