#pragma once
// The documents collection: every open response document, in creation order, keyed by its Key (the decimal text
// of a running counter, "0" for the first document, never reused within a run). Only NewWave adds to it; a
// document's Die removes it. Windows keep a Key and look the document up here each time they need it.
// Calling thread: the user-interface thread.
#include <QString>
#include <vector>

namespace vemra {

class clsWave;

// Creates a document with the next key, adds it and returns the key. Loads nothing and shows nothing.
QString NewWave();
// The same; without a window when createViewer is false (documents that are never shown: the parameter cache).
QString NewWave(bool createViewer);
// Takes the document out of the collection and deletes it once control returns to the event loop (so a caller
// still inside one of its members is safe). Nothing happens for an unknown key. Called by clsWave::Die.
void RemoveWave(const QString& key);
// 1-based position of the document with that key (exact, case-sensitive), 0 when there is none.
int FindWaveByKey(const QString& key);
// The document with that key, nullptr when there is none.
clsWave* WaveByKey(const QString& key);
// The document at a 1-based position, nullptr outside 1..WaveCount().
clsWave* WaveAt(int position);
int WaveCount();
// A copy of the collection, for loops whose body may remove documents.
std::vector<clsWave*> WavesSnapshot();

} // namespace vemra
