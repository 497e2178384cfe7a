#include "library/dsp/ModulationTransfer.h"
#include "support/ResponseGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

using namespace vemra::dsp;
namespace ts = vemra::testsupport;

namespace {

constexpr double kFs = 48000;

// m(F) of a single exponential decay of reverberation time T.
double decayMtf(double F, double T) { return 1 / std::sqrt(1 + std::pow(2 * std::numbers::pi * F * T / ts::kDecay60, 2)); }

ModulationSource whole(const std::vector<float>& x)
{
    ModulationSource s;
    s.band = x;
    s.fs_Hz = kFs;
    s.from = 0;
    s.to = static_cast<std::int64_t>(x.size());
    return s;
}

} // namespace

// Broadband, every squared sample is the envelope: the values follow the closed form at every frequency.
TEST(ModulationTransfer, SingleDecayFollowsTheClosedForm)
{
    for (double T : {0.5, 1.0, 2.0}) {
        SCOPED_TRACE("T = " + std::to_string(T));
        const auto x = ts::exponentialDecay(T, kFs, 3 * T);
        const auto m = modulationTransfer(whole(x), kStiModulationFrequencies_Hz);
        for (std::size_t i = 0; i < m.size(); ++i)
            EXPECT_NEAR(m[i], decayMtf(kStiModulationFrequencies_Hz[i], T), 0.002) << kStiModulationFrequencies_Hz[i];
    }
}

// Cut at the decay end, the late line continues the response in closed form: the same values as the whole decay.
TEST(ModulationTransfer, TailStandsInForTheCutDecay)
{
    const double T = 1.0;
    const auto x = ts::exponentialDecay(T, kFs, 4.0, 1.0);
    ModulationSource cut = whole(x);
    cut.to = static_cast<std::int64_t>(0.3 * kFs);
    const double r = std::exp(-ts::kDecay60 / (T * kFs));
    const auto truncated = modulationTransfer(cut, kStiModulationFrequencies_Hz);
    cut.tailEnergy = std::pow(r, static_cast<double>(cut.to)); // e0 = 1
    cut.tailRatio = r;
    const auto continued = modulationTransfer(cut, kStiModulationFrequencies_Hz);
    for (std::size_t i = 0; i < continued.size(); ++i)
        EXPECT_NEAR(continued[i], decayMtf(kStiModulationFrequencies_Hz[i], T), 0.002);
    EXPECT_GT(truncated.front(), continued.front() + 0.005); // without the tail the decay looks shorter
}

// Noise: stationary noise is taken off the squared samples and enters through the SNR term only.
TEST(ModulationTransfer, NoiseTermAndNoiseFloor)
{
    const double T = 1.0;
    ts::ResponseShape shape;
    shape.fs_Hz = kFs;
    shape.length_s = 1.5;
    shape.energy = ts::singleDecay(T, 1e6);
    const auto clean = ts::makeResponse(shape);
    shape.noiseEnergy = 1e6 * std::pow(10.0, -20.0 / 10);
    const auto noisy = ts::makeResponse(shape);
    for (double snr : {15.0, 0.0}) {
        SCOPED_TRACE("SNR " + std::to_string(snr));
        ModulationSource s = whole(noisy);
        s.noiseEnergy = shape.noiseEnergy;
        s.snr_dB = snr;
        const auto m = modulationTransfer(s, kStiModulationFrequencies_Hz);
        const double factor = 1 / (1 + std::pow(10.0, -snr / 10));
        EXPECT_NEAR(noiseModulationFactor(snr), factor, 1e-12);
        for (std::size_t i = 0; i < m.size(); ++i)
            EXPECT_NEAR(m[i], decayMtf(kStiModulationFrequencies_Hz[i], T) * factor, 0.01);
    }
    // Left in, the floor would count the noise a second time: it must come off.
    const auto floorLeft = modulationTransfer(whole(noisy), kStiModulationFrequencies_Hz);
    const auto reference = modulationTransfer(whole(clean), kStiModulationFrequencies_Hz);
    EXPECT_LT(floorLeft.front(), reference.front() - 0.03);
}

TEST(ModulationTransfer, ImpulseSilenceAndEmptyWindow)
{
    std::vector<float> x(4800, 0.0f);
    for (double v : modulationTransfer(whole(x), kStiModulationFrequencies_Hz))
        EXPECT_EQ(v, 0.0);
    x[100] = 1.0f;
    for (double v : modulationTransfer(whole(x), kStiModulationFrequencies_Hz))
        EXPECT_NEAR(v, 1.0, 1e-9);
    ModulationSource empty = whole(x);
    empty.from = empty.to = 200;
    for (double v : modulationTransfer(empty, kStiModulationFrequencies_Hz))
        EXPECT_EQ(v, 0.0);
    ModulationSource noRate = whole(x);
    noRate.fs_Hz = 0;
    EXPECT_EQ(modulationTransfer(noRate, kStiModulationFrequencies_Hz).front(), 0.0);
}

// Where each band's STITEL and RASTI values are stored, and that unused entries stay 0.
TEST(ModulationTransfer, EntriesOfTheBands)
{
    const double T = 1.0;
    const auto x = ts::exponentialDecay(T, kFs, 3.0);
    struct Row {
        int band;
        std::vector<double> extra; // frequencies of entries 14.. (0: entry stays 0)
    };
    const Row rows[] = {
        {2, {0, 0, 0, 0, 0, 0}},
        {3, {1.12, 0, 0, 0, 0, 0}},
        {5, {0.71, 1.0, 2.0, 4.0, 8.0, 0}},
        {7, {6.97, 0.7, 1.4, 2.8, 5.6, 11.2}},
        {9, {4.53, 0, 0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("band " + std::to_string(row.band));
        const auto e = modulationTransferEntries(row.band, whole(x));
        for (std::size_t i = 0; i < 14; ++i)
            EXPECT_NEAR(e[i], decayMtf(kStiModulationFrequencies_Hz[i], T), 0.002);
        for (std::size_t i = 0; i < row.extra.size(); ++i) {
            if (row.extra[i] == 0)
                EXPECT_EQ(e[14 + i], 0.0f) << 14 + i;
            else
                EXPECT_NEAR(e[14 + i], decayMtf(row.extra[i], T), 0.002) << 14 + i;
        }
        EXPECT_EQ(e[20], 0.0f);
    }
}
