#pragma once
// The backend of the shipped program. VEMRA_SOUND_BACKEND chooses it: unset or "portaudio" for the real devices
// (DeviceBackend: sound cards and a JACK server),
// "virtual" for the virtual sound card paced in real time (a demonstration without hardware). Any other value
// gives no backend (every device call then fails with msg::NoUsableWaveDevice) and a note on standard error: the
// program never falls back to the virtual card on its own.
#include "library/sound/Backend.h"
#include "library/sound/VirtualCard.h"

#include <memory>

namespace vemra::sound {

std::unique_ptr<Backend> makeDefaultBackend();
// The room of the program's virtual card: direct sound after 2 ms and a tail of random reflections decaying by
// 60 dB in 0.3 s (at 48000 Hz), quiet enough that a stimulus at half of full scale reaches the converter
// unclipped, and noise 100 dB below full scale. Its line input (the recording source "Line") is the converter pair
// alone, as a cable from line-out shows it: flat and slightly band-limited, with a fixed noise floor and a gentle
// distortion rising towards full scale, so the sound-card calibration finds what the converters are.
VirtualCardConfig virtualRoom();
// True when the environment asks for the virtual card (the mixer then is the virtual mixer).
bool virtualBackendRequested();
// The gains shared by the program's virtual card and virtual mixer.
std::shared_ptr<VirtualGains> sharedVirtualGains();

} // namespace vemra::sound
