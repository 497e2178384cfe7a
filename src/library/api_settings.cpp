#include "library/api_settings.h"

#include <cmath>

namespace vemra {

void PushSetting(std::int32_t index, float value)
{
    // A value no setting can hold (not finite, a speed of sound <= 0, a temperature below absolute zero) keeps
    // the setting as it was, so it never reaches a response header or a capture's latency.
    if (!std::isfinite(value) || (index == 2 && !(value > 0)) || (index == 5 && !(value > -273.15f)))
        return;
    LibrarySettings& s = mutableLibrarySettings();
    switch (index) {
    case 0: s.minSRDist = value; break;
    case 1: s.audioDelay_samples = value; break;
    case 2: s.vsound_mps = value; break;
    case 3: s.lockFormat = value != 0; break;
    case 4: s.useCal = value != 0; break;
    case 5: s.temperature_C = value; break;
    default: break;
    }
}

void SetAppName(const std::string& name)
{
    guardedVoid([&] { mutableLibrarySettings().appName = name; });
}

} // namespace vemra
