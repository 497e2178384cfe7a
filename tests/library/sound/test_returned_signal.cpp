// What comes back from the output: a response without an impulse above its noise (an output muted in the mixer, a
// cable out) is refused with 165 and leaves no file; a response that came back, however quiet, is kept.
#include "ApiRig.h"

#include "library/Messages.h"
#include "library/sound/BackendFactory.h"
#include "library/sound/Processing.h"

#include <numbers>
#include <random>

using namespace vemra;
using namespace vemra::sound;
using namespace vemra::sound::test;

namespace {

constexpr std::size_t kPeriod = 16384;

std::vector<double> gaussianNoise(std::size_t n, double rms, std::uint32_t seed)
{
    std::mt19937 g(seed);
    std::normal_distribution<double> d(0.0, rms);
    std::vector<double> x(n);
    for (double& v : x)
        v = d(g);
    return x;
}

// Where the largest of kPeriod samples of unit Gaussian noise lies.
double noiseMaximum() { return std::sqrt(2 * std::log(double(kPeriod))); }

} // namespace

TEST(ImpulseAboveNoise, TheLargestSampleMustStandTwiceAboveWhereTheNoiseReaches)
{
    const auto noise = gaussianNoise(kPeriod, 1.0, 3);
    const auto withImpulse = [&](double peak) {
        auto h = noise;
        h[200] = peak;
        return h;
    };
    // A direct sound and its tail 14 dB under it, over 6 of the 16 blocks, above a noise 80 dB down: most of the
    // response is still the noise.
    std::vector<double> reverberant = gaussianNoise(kPeriod, 1e-4, 4);
    const auto tail = gaussianNoise(kPeriod, 0.2, 5);
    for (std::size_t k = 200; k < 200 + 6 * kPeriod / 16; ++k)
        reverberant[k] += tail[k];
    reverberant[200] = 1.0;
    std::vector<double> hum(kPeriod), offset(kPeriod, 0.01), exact(kPeriod, 0.0);
    for (std::size_t k = 0; k < kPeriod; ++k)
        hum[k] = std::sin(2 * std::numbers::pi * 50.0 * double(k) / 48000.0);
    exact[96] = 0.25;
    const struct {
        const char* name;
        std::vector<double> response;
        bool impulse;
    } rows[] = {
        {"noise alone", noise, false},
        {"an impulse 1.5 times above the noise's largest", withImpulse(1.5 * noiseMaximum()), false},
        {"an impulse 2.5 times above the noise's largest", withImpulse(2.5 * noiseMaximum()), true},
        {"a reverberant tail over less than half", reverberant, true},
        {"mains hum", hum, false},
        {"a constant", offset, false},
        {"zeros", std::vector<double>(kPeriod, 0.0), false},
        {"an impulse without noise", exact, true},
        {"too short to judge", gaussianNoise(512, 1.0, 6), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(holdsAnImpulse(row.response), row.impulse);
    }
}

namespace {

class ReturnedSignal : public ApiRig {};

} // namespace

// The program's virtual room at 48 kHz through the library. The mixer's lowest gain short of silence (-60 dB) is the
// quietest measurement it makes; the sweep's response carries more noise than the MLS's.
TEST_F(ReturnedSignal, NoiseAloneIsRefusedAndAQuietResponseIsKept)
{
    const std::int32_t kMuted = 0, kLowest = 1, kFull = 65535;
    const struct {
        const char* name;
        int stimulus;
        std::int32_t master;
        bool cableOut;
        bool secondCableOut;
        VResult result;
    } rows[] = {
        {"output muted in the mixer, MLS", 1, kMuted, false, false, msg::NoSignalReturned},
        {"output muted in the mixer, sweep", 5, kMuted, false, false, msg::NoSignalReturned},
        {"cable out, MLS", 1, kFull, true, false, msg::NoSignalReturned},
        {"cable out, sweep", 5, kFull, true, false, msg::NoSignalReturned},
        {"lowest gain, MLS", 1, kLowest, false, false, Ok},
        {"lowest gain, sweep", 5, kLowest, false, false, Ok},
        {"one of two cables out", 5, kFull, false, true, Ok},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        VirtualCardConfig config = virtualRoom();
        if (row.cableOut)
            config.response = {0.0};
        if (row.secondCableOut)
            config.response2 = {0.0};
        install(config);
        MixerControlRecord record;
        ASSERT_EQ(GetMixerControlIDs(record), 0);
        SetVolume(0, record.PmControlID, 2, row.master, row.master);
        const auto before = tempFiles();
        std::string file;
        EXPECT_EQ(measure(row.stimulus, 14, 48000, 1, file, 0, row.secondCableOut ? 2 : 1), row.result);
        if (row.result != Ok) {
            EXPECT_TRUE(file.empty());
            EXPECT_EQ(tempFiles(), before);
            continue;
        }
        // The room's direct sound, at its lag and the mixer's gain.
        const auto r = responseOf(file);
        const auto peak = std::max_element(r.begin(), r.end(), [](double a, double b) { return std::abs(a) < std::abs(b); });
        EXPECT_EQ(peak - r.begin(), 96);
        EXPECT_NEAR(20 * std::log10(std::abs(*peak) / 0.25), 20 * std::log10(virtualMixerGain(row.master)), 0.5);
        files::removeTempFile(file);
    }
}
