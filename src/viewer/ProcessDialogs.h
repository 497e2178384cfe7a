#pragma once
// The Process menu of the document window: Adrienne... and Scale Model... open their windows through the
// document's DisplayChild (7 and 0). ConnectProcessMenu also registers the windows with the document layer.
#include <QString>

namespace vemra {

class frmView;

// Registers the factory of the processing windows with clsWave (once; later calls do nothing).
void RegisterProcessDialogs();
void ConnectProcessMenu(frmView& view);

// A text as a single, the way the processing windows read their boxes: a text that is not a number is the
// run-time error "Type mismatch" (13).
float TextToSingle(const QString& text);

} // namespace vemra
