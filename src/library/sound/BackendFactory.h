#pragma once
// The backend of the shipped program. VEMRA_SOUND_BACKEND chooses it: unset or "portaudio" for the real devices,
// "virtual" for the virtual sound card paced in real time (a demonstration without hardware). Any other value
// gives no backend (every device call then fails with 151) and a note on standard error: the program never falls
// back to the virtual card on its own.
#include "library/sound/Backend.h"

#include <memory>

namespace vemra::sound {

struct VirtualGains;

std::unique_ptr<Backend> makeDefaultBackend();
// True when the environment asks for the virtual card (the mixer then is the virtual mixer).
bool virtualBackendRequested();
// The gains shared by the program's virtual card and virtual mixer.
std::shared_ptr<VirtualGains> sharedVirtualGains();

} // namespace vemra::sound
