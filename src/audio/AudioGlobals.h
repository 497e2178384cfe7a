#pragma once
// The program-wide audio objects. CreateMixer (start-up, after the options exist) makes the mixer, whose
// initialisation creates the recorder, the player and the four gain controls; ReleaseMixer (exit, before the
// options go) releases them all. Between the two the pointers are valid; before and after they are nullptr. The
// gain controls are replaced whenever a calibration is loaded: take them from here each time.
// Calling thread: the user-interface thread.
#include <functional>

namespace vemra {

class clsMixer;
class clsRecorder;
class clsPlayer;
class clsVolume;

inline clsMixer* Mixer = nullptr;
inline clsRecorder* Recorder = nullptr;
inline clsPlayer* Player = nullptr;
inline clsVolume* Pm = nullptr; // playback master gain
inline clsVolume* Rm = nullptr; // recording master gain
inline clsVolume* Ps = nullptr; // playback secondary gain
inline clsVolume* Rs = nullptr; // recording secondary gain

void CreateMixer();
void ReleaseMixer();

// Set by the calibration layer: shows the sound-card calibration wizard modally. clsMixer::CalibrateSoundCard
// runs it and then loads the calibration in use afresh.
inline std::function<void()> CalibrateSoundCardHook;

} // namespace vemra
