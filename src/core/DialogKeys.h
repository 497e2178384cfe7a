#pragma once
// Return and Enter on a focused push button press it, in a dialog that has no default button: the desktop's rule
// for every dialog. Qt sends the key to the dialog's default button instead, and a dialog without one (where Return
// belongs to a text box) would ignore it. Dialogs with a default button keep Qt's own handling.
// Calling thread: the user-interface thread.

namespace vemra {

// Installs the rule for every dialog of the program, once (later calls do nothing). Needs the QApplication.
void InstallDialogKeys();

} // namespace vemra
