#pragma once
// The Process menu of the document window: Adrienne... and Scale Model... open their windows through the
// document's DisplayChild (7 and 0). ConnectProcessMenu also registers the windows with the document layer.
#include <QString>

#include <string>

namespace vemra {

class frmView;

// Registers the factory of the processing windows with clsWave (once; later calls do nothing).
void RegisterProcessDialogs();
void ConnectProcessMenu(frmView& view);

// Saves the document with that key into a new temporary file and returns its name; the document's NewRecording
// flag survives the save. A document that is gone is the run-time error 91.
std::string SaveTemporaryCopy(const QString& key);
// Opens a processed temporary file as a new document, marked changed and new (the load takes the file over).
void OpenProcessedResult(const std::string& tempName);

// A text as a single, the way the processing windows read their boxes: a text that is not a number is the
// run-time error "Type mismatch" (13).
float TextToSingle(const QString& text);

} // namespace vemra
