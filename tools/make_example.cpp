// Writes the example response shipped with the program: a two-channel room response at 48 kHz, two microphone
// positions in a hall of about 1.2 s reverberation, with a direct sound, a handful of early reflections, the
// diffuse decay and a steady noise floor 55 dB below the decay's start. Built from the test response generator
// and written through the library's own WAV writer, so it is reproducible bit for bit.
//   make_example <output.wav>
#include "library/files/ResponseFile.h"
#include "library/records.h"
#include "support/ResponseGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

using namespace vemra;

namespace {

constexpr double kFs = 48000;
constexpr double kLength_s = 3.0;
constexpr double kT60_s = 1.2;

struct Reflection {
    double delay_ms;  // after the direct sound
    double gain;      // pressure relative to the direct sound (sign included)
};

std::vector<float> position(double directDelay_ms, double directAmplitude, const std::vector<Reflection>& early,
                            std::uint64_t seed)
{
    const auto n = std::size_t(kLength_s * kFs);
    std::vector<float> x(n, 0.0f);
    const auto start = std::int64_t(std::llround(directDelay_ms * 1e-3 * kFs));

    // Direct sound and reflections: short smoothed pulses (a loudspeaker is not an ideal impulse; walls take
    // off some of the highs).
    auto pulse = [&](std::int64_t at, double amplitude, int width) {
        for (int k = -width; k <= width; ++k) {
            const std::int64_t i = at + k;
            if (i >= 0 && i < std::int64_t(n))
                x[std::size_t(i)] += float(amplitude * std::pow(std::cos(std::numbers::pi * k / (2.0 * width + 2)), 2));
        }
    };
    pulse(start, directAmplitude, 1);
    for (const Reflection& r : early)
        pulse(start + std::llround(r.delay_ms * 1e-3 * kFs), directAmplitude * r.gain, 2);

    // The diffuse decay, building up over the first 20 ms, then falling 60 dB in kT60_s; a gentle low-pass
    // gives it the duller sound of a real hall. The noise floor covers the whole recording.
    const double tailStart = 2600.0; // amplitude of the decay line at the direct sound
    testsupport::ResponseShape shape;
    shape.fs_Hz = kFs;
    shape.length_s = kLength_s;
    shape.delay = start;
    shape.seed = seed;
    const auto decay = testsupport::singleDecay(kT60_s, tailStart * tailStart);
    shape.energy = [&](double t) { return decay(t) * std::min(1.0, t / 0.020); };
    std::vector<float> tail = testsupport::makeResponse(shape);
    float state = 0;
    for (float& v : tail) {
        state += 0.55f * (v - state);
        v = state;
    }
    testsupport::ResponseShape noise;
    noise.fs_Hz = kFs;
    noise.length_s = kLength_s;
    noise.seed = seed + 100;
    noise.energy = [](double) { return 0.0; };
    noise.noiseEnergy = tailStart * tailStart * std::pow(10.0, -55.0 / 10.0);
    const std::vector<float> floor = testsupport::makeResponse(noise);
    for (std::size_t i = 0; i < n; ++i)
        x[i] += tail[i] + floor[i];
    return x;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example <output.wav>\n");
        return 2;
    }
    const auto left = position(6.0, 21000, {{3.1, 0.55}, {7.4, -0.42}, {11.9, 0.33}, {18.6, 0.27}, {26.0, -0.2},
                                            {34.5, 0.15}}, 11);
    const auto right = position(8.5, 16000, {{2.2, -0.5}, {9.8, 0.38}, {14.3, 0.3}, {21.7, -0.22}, {30.2, 0.17}},
                                23);
    std::vector<std::int16_t> frames;
    frames.reserve(2 * left.size());
    for (std::size_t i = 0; i < left.size(); ++i)
        for (float v : {left[i], right[i]})
            frames.push_back(std::int16_t(std::clamp(std::lround(v), -32768L, 32767L)));

    WaveHeader header;
    header.format.Channels = 2;
    header.format.SampleFrequency = std::int32_t(kFs);
    header.info.Temperature = 20;
    writeTextField(header.Project, sizeof header.Project, "Example hall");
    writeTextField(header.Position, sizeof header.Position, "Row 12, seats 8 and 14");
    writeTextField(header.Comments, sizeof header.Comments,
                   "Synthetic response: direct sound, early reflections, a 1.2 s decay and a noise floor.");
    const VResult r = files::writeResponseWav(argv[1], header, frames);
    if (r != Ok) {
        std::fprintf(stderr, "make_example: writing %s failed with message %d\n", argv[1], int(r));
        return 1;
    }
    return 0;
}
