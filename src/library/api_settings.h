#pragma once
// Settings the program pushes into the library (the options), read by the library's own functions.
#include "library/api_common.h"

#include <string>

namespace vemra {

// What the library holds of the pushed settings (defaults until pushed).
struct LibrarySettings {
    float minSRDist = 0;
    float audioDelay_samples = 0;
    float vsound_mps = 344.06f;
    bool lockFormat = true;
    bool useCal = false;
    float temperature_C = 20;
    std::string appName = "Vemra";
};

inline LibrarySettings& mutableLibrarySettings()
{
    static LibrarySettings s;
    return s;
}
inline const LibrarySettings& librarySettings() { return mutableLibrarySettings(); }

// Index: 0 MinSRDist, 1 AudioDelay (samples), 2 Vsound (m/s), 3 LockFormat (-1/0), 4 UseCal (-1/0),
// 5 Temperature (deg C). Other indices are ignored, and so is a value that is not finite, a speed of sound that is
// not positive or a temperature below absolute zero (the setting keeps its value).
void PushSetting(std::int32_t index, float value);
void SetAppName(const std::string& name);

} // namespace vemra
