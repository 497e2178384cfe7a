#pragma once
// The program's start-up and exit.
#include <QStringList>

namespace vemra {

// Starts the program with its command-line arguments (without the program name). False when the program must
// end at once (another instance runs).
bool Main(const QStringList& arguments);
// Closes every document and ends the program; may return without ending (a child window is open, the user
// declined, or a document's save question was cancelled).
void ExitVemra();

} // namespace vemra
