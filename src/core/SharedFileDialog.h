#pragma once
// The program's one Qt file dialog, shown for every open and save of the session. Qt's dialog makes its standard
// icons afresh each time one is made, and what it paints of them stays in Qt's pixmap cache (about 18 KB a dialog,
// until the cache's 10 MB are full; Qt 6.4 then keeps the key of every pixmap it lets go): a dialog that lives on
// paints the same icons again, so that opening file after file takes no memory.
// Each request sets everything the dialog shows (title, mode, folder, file, filters, suffix), so nothing of an
// earlier request carries over. GUI thread only.
#include "core/UiServices.h"

class QFileDialog;

namespace vemra {

// Shows the dialog for the request (open, or save when `save`), modal over request.parent, and returns what the user
// chose.
FileDialogResult runSharedFileDialog(const FileDialogRequest& request, bool save);

// The dialog, once it has been shown (nullptr before; it goes when the application quits).
QFileDialog* sharedFileDialog();

} // namespace vemra
