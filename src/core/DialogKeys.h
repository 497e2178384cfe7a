#pragma once
// Return and Enter on a focused push button press it in a dialog that has no default button, as on every desktop.
// Qt gives the key only to the dialog's default button (an auto-default button is that while it has the focus), so
// in a dialog built without one, where Return belongs to a text box, Return on a focused button did nothing.
// Dialogs with a default button keep Qt's own handling.
// Calling thread: the user-interface thread.

namespace vemra {

// Installs the rule for every dialog of the program, once (later calls do nothing). Needs the QApplication.
void InstallDialogKeys();

} // namespace vemra
