#include "library/api_settings.h"

namespace vemra {

void PushSetting(std::int32_t index, float value)
{
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
