#include "document/SpeechTransmission.h"

#include <algorithm>
#include <cmath>

namespace vemra::speech {
namespace {

// Weighting factors of the revised method, bands 125 Hz .. 8 kHz; beta k weighs band k with band k + 1.
constexpr std::array<float, kSpeechBands> kMaleAlpha = {0.085f, 0.127f, 0.230f, 0.233f, 0.309f, 0.224f, 0.173f};
constexpr std::array<float, kSpeechBands - 1> kMaleBeta = {0.085f, 0.078f, 0.065f, 0.011f, 0.047f, 0.095f};
// Female speech has no 125 Hz weighting: these start at 250 Hz.
constexpr std::array<float, kSpeechBands - 1> kFemaleAlpha = {0.117f, 0.223f, 0.216f, 0.328f, 0.250f, 0.194f};
constexpr std::array<float, kSpeechBands - 2> kFemaleBeta = {0.099f, 0.066f, 0.062f, 0.025f, 0.076f};

constexpr float kLimit_dB = 15.0f;

} // namespace

float apparentSnr_dB(float m)
{
    if (!(m == m))
        return -kLimit_dB;
    if (m >= 1.0f || std::abs(1.0f - m) <= 1e-20f)
        return kLimit_dB;
    const float x = m / (1.0f - m);
    if (x <= 1e-20f)
        return -kLimit_dB;
    const float snr = std::log(x) * 10.0f / std::log(10.0f);
    return std::clamp(snr, -kLimit_dB, kLimit_dB);
}

float transmissionIndex(float m) { return (apparentSnr_dB(m) + kLimit_dB) / (2 * kLimit_dB); }

bool complete(const SpeechBands& bands)
{
    bool any = false;
    for (int k = 0; k < kSpeechBands; ++k) {
        if (!bands.allowed[static_cast<std::size_t>(k)])
            continue;
        if (!(bands.mti[static_cast<std::size_t>(k)] >= 0))
            return false;
        any = true;
    }
    return any;
}

bool isIndex(float value) { return value >= 0 && value <= 1; }

float revisedIndex(const std::array<float, kSpeechBands>& mti, bool female)
{
    const int first = female ? 1 : 0;
    bool valid = true;
    float sum = 0, norm = 0, previous = 0;
    // From the top band down, so each band meets its upper neighbour's MTI.
    for (int band = kSpeechBands - 1; band >= first; --band) {
        const int k = band - first;
        const float x = mti[static_cast<std::size_t>(band)];
        if (x < 0) {
            valid = false;
            previous = 0;
            continue;
        }
        const float alpha = female ? kFemaleAlpha[static_cast<std::size_t>(k)] : kMaleAlpha[static_cast<std::size_t>(k)];
        sum += alpha * x;
        norm += alpha;
        if (band < kSpeechBands - 1) {
            const float beta = female ? kFemaleBeta[static_cast<std::size_t>(k)] : kMaleBeta[static_cast<std::size_t>(k)];
            sum -= beta * std::sqrt(x * previous);
            norm -= beta;
        }
        previous = x;
    }
    return norm > 0 && valid ? sum / norm : -1.0f;
}

} // namespace vemra::speech
