#pragma once
// Where a lower layer must reach up, the upper layer registers a hook at start-up. Empty hooks do nothing.
#include <cstdint>
#include <functional>

namespace vemra {

// Set by the audio layer: creates the mixer (which creates the recorder, the player and the four gain controls,
// selects the wave devices, checks full duplex and loads the selected sound-card calibration), and releases it
// (restoring the sound card's mixer settings). Start-up calls the first after the options exist, exit the second
// before the options are released.
inline std::function<void()> CreateMixerHook;
inline std::function<void()> ReleaseMixerHook;

// Set by the audio layer once the player exists: the player lock a document takes before it plays (0 when the
// player was free and is now marked busy, msg::BusyPlaying when it was busy) and releases when it stops. While no
// hook is set, a document plays through the library alone.
inline std::function<std::int16_t()> LockPlayerHook;
inline std::function<void()> UnlockPlayerHook;
// Set by the audio layer once the player exists: the rate the player plays at, in Hz (the Debug menu writes its
// test sweeps at it). While no hook is set, the options' sample frequency stands in.
inline std::function<std::int32_t()> PlayerRateHook;

// Set by the program module: the program's exit (closes every document; may return without ending). Called by
// the document window's File > Exit and close request, and by the measurement window's close request.
inline std::function<void()> ExitProgramHook;

inline void RequestExit()
{
    if (ExitProgramHook)
        ExitProgramHook();
}

} // namespace vemra
