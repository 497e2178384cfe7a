#include "library/sound/BackendFactory.h"

#include "library/sound/PortAudioBackend.h"
#include "library/sound/VirtualCard.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vemra::sound {

bool virtualBackendRequested()
{
    const char* v = std::getenv("VEMRA_SOUND_BACKEND");
    return v && std::string(v) == "virtual";
}

std::shared_ptr<VirtualGains> sharedVirtualGains()
{
    static auto gains = std::make_shared<VirtualGains>();
    return gains;
}

std::unique_ptr<Backend> makeDefaultBackend()
{
    const char* v = std::getenv("VEMRA_SOUND_BACKEND");
    const std::string choice = v ? v : "";
    if (choice == "virtual") {
        // A small room: direct sound after 2 ms and an exponential tail of 0.3 s.
        VirtualCardConfig c;
        c.response.assign(9600, 0.0);
        c.response[96] = 0.5;
        std::uint32_t s = 12345;
        for (std::size_t k = 200; k < c.response.size(); ++k) {
            s = s * 1664525u + 1013904223u;
            const double sign = (s >> 31) ? 1.0 : -1.0;
            c.response[k] = 0.05 * sign * std::exp(-6.9 * double(k) / (0.3 * 48000));
        }
        c.noiseRms = 1e-4;
        return std::make_unique<VirtualCard>(c, VirtualCard::Pacing::RealTime, sharedVirtualGains());
    }
    if (choice.empty() || choice == "portaudio")
        return std::make_unique<PortAudioBackend>();
    std::fprintf(stderr, "VEMRA_SOUND_BACKEND=%s is not a sound backend (use portaudio or virtual)\n", choice.c_str());
    return nullptr;
}

} // namespace vemra::sound
