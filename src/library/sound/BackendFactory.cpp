#include "library/sound/BackendFactory.h"

#include "library/sound/DeviceBackend.h"
#include "library/sound/VirtualCard.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

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

namespace {

// The converter pair's filters as a cable from line-out to line-in shows them: linear phase (a delay of kHalf
// frames), unity gain, flat within 0.02 dB up to 0.42 of the rate (20 kHz at 48 kHz), rolling off only above it (5 dB
// down at 0.46 of the rate): a sinc of that cut-off under a Kaiser window.
std::vector<double> converterFilters()
{
    constexpr int kHalf = 20;
    constexpr double kCutoff = 0.46; // of the rate
    constexpr double kBeta = 5.0;
    constexpr double pi = std::numbers::pi;
    std::vector<double> h(2 * kHalf + 1);
    double sum = 0;
    for (int k = -kHalf; k <= kHalf; ++k) {
        const double x = pi * 2 * kCutoff * k;
        const double r = double(k) / kHalf;
        const double window = std::cyl_bessel_i(0.0, kBeta * std::sqrt(1 - r * r)) / std::cyl_bessel_i(0.0, kBeta);
        const double v = (k == 0 ? 1.0 : std::sin(x) / x) * window;
        h[static_cast<std::size_t>(k + kHalf)] = v;
        sum += v;
    }
    for (double& v : h)
        v /= sum;
    return h;
}

} // namespace

VirtualCardConfig virtualRoom()
{
    VirtualCardConfig c;
    c.response.assign(14400, 0.0);
    c.response[96] = 0.25;
    // Reflections 4 to 28 frames apart (16 on average) with random signs: the energy of a dense tail at a
    // sixteenth of the card's work.
    std::uint32_t s = 12345;
    auto next = [&s] { return s = s * 1664525u + 1013904223u; };
    for (std::size_t k = 200; k < c.response.size(); k += 4 + next() % 25) {
        const double sign = (next() >> 31) ? 1.0 : -1.0;
        c.response[k] = 0.04 * sign * std::exp(-6.9 * double(k) / (0.3 * 48000));
    }
    c.noiseRms = 1e-5; // -100 dB of full scale
    // The line input, cabled to line-out: the converters' filters, their noise floor of -94 dB of full scale and a
    // distortion whose third harmonic rises to -100 dB at full scale, below the noise: a good pair is cleanest close
    // to full scale.
    c.line.response = converterFilters();
    c.line.noiseRms = 2e-5;
    c.line.cubicDistortion = 4e-5;
    return c;
}

std::unique_ptr<Backend> makeDefaultBackend()
{
    const char* v = std::getenv("VEMRA_SOUND_BACKEND");
    const std::string choice = v ? v : "";
    if (choice == "virtual")
        return std::make_unique<VirtualCard>(virtualRoom(), VirtualCard::Pacing::RealTime, sharedVirtualGains());
    if (choice.empty() || choice == "portaudio")
        return std::make_unique<DeviceBackend>();
    std::fprintf(stderr, "VEMRA_SOUND_BACKEND=%s is not a sound backend (use portaudio or virtual)\n", choice.c_str());
    return nullptr;
}

} // namespace vemra::sound
