#pragma once
// Program-wide state: set up by start-up, alive until exit, on the user-interface thread only. Windows read and
// write it directly; nothing here owns a window.
#include <QString>
#include <cstdint>

namespace vemra {

class clsOptions;
class clsMRUlist;

// Command-line switches "/DEBUG", "/LONG", "/FEATURE".
inline bool DebugMode = false;   // Debug menu, Edit > Window, calibration test buttons, keep calibration temp files
inline bool LongSignals = false; // one more (doubled) sequence length
inline bool FeatureMode = false; // read by the reverberation table and the document's reprocessing

// Name of the help collection (the pages themselves are built into the program).
inline QString HelpFile;

// Created by start-up (options first), released by exit; nullptr before and after.
inline clsOptions* Options = nullptr;
inline clsMRUlist* MRUlist = nullptr;

// Window state for new document windows (settings "General", "WindowState"); the document window writes it back.
inline std::int16_t ViewWindowState = 0;
// Place and size of the last document window shown, in twips (1440 per logical inch).
inline int LastViewLeft = 0;
inline int LastViewTop = 0;
inline int ViewWidth = 0;
inline int ViewHeight = 0;

// Key of the document whose window was activated last, and of the one that received the last measurement.
inline QString ActiveWaveKey;
inline QString LastRecordingKey;
// Last answer of the close-after-save prompt.
inline bool CloseAfterSave = false;
// Reference file and distance (metres, 0 until set) chosen last in the reflection-index window.
inline QString LastAdrienneRef;
inline float LastAdrienneDist = 0;
// External output and channel gains (dB) and the system calibration entered last for a new recording.
inline float LastGainExtOut = 0;
inline float LastGainExtCha0 = 0;
inline float LastGainExtCha1 = 0;
inline QString LastCalID;

} // namespace vemra
