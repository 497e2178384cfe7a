#pragma once
// Return and Enter on a focused push button press that button, as on every desktop. Qt gives the key only to the
// dialog's default button (an auto-default button is that while it has the focus), so in a dialog built without
// one, where Return belongs to a text box, Return on a focused button did nothing, and in a dialog with one it
// pressed the default button instead of the focused one. Where the focus is elsewhere (a text box), Qt's rule
// stands: Return presses the default button.
// Calling thread: the user-interface thread.

namespace vemra {

// Installs the rule for every dialog of the program, once (later calls do nothing). Needs the QApplication.
void InstallDialogKeys();

} // namespace vemra
