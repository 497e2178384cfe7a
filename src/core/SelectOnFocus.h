#pragma once
// A text box whose whole text is selected whenever it receives the focus, by Tab, by a click or by its access
// key, so that typing replaces the value. A click places the caret after the focus arrives; the selection is made
// once the event that gave the focus has been handled, so the click does not undo it.
// Calling thread: the user-interface thread.
class QComboBox;
class QLineEdit;

namespace vemra {

void SelectAllOnFocus(QLineEdit* box);
// The combo box's own text field (editable combo boxes only; others are left as they are).
void SelectAllOnFocus(QComboBox* box);

} // namespace vemra
