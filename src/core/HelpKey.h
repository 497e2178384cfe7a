#pragma once
// F1 in a window opens the window's own help page, the one its Help button opens. The key works wherever the focus
// is inside the window, also while the window's loop yields during a long run. It takes only an F1 that nothing in
// the window has used: a control or a menu item that answers F1 itself keeps it.
// Calling thread: the user-interface thread.
#include <QString>
#include <functional>

class QWidget;

namespace vemra {

// A window whose help context moves with its state: the context is asked for at each press.
void InstallHelpKey(QWidget* window, std::function<int()> context);
// A window with one help context.
void InstallHelpKey(QWidget* window, int context);
// A window that no help context names but that has a page of its own (a file name within the help folder).
void InstallHelpKey(QWidget* window, const QString& page);

} // namespace vemra
