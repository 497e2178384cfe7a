#include "library/dsp/Bands.h"
#include "library/dsp/ReflectionIndex.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace vemra::dsp;

namespace {

constexpr double kFs = 48000;
constexpr std::int64_t kStart = 1000;

ReflectionSetup quarterMetre()
{
    ReflectionSetup s;
    s.fs_Hz = kFs;
    s.incidentStart = kStart;
    s.probeDistance_m = 0.25;
    s.soundSpeed_mps = 343;
    return s;
}

std::vector<float> impulseAt(std::size_t n, double delay_s, float amplitude)
{
    std::vector<float> x(4800, 0.0f);
    x[n + static_cast<std::size_t>(std::lround(delay_s * kFs))] = amplitude;
    return x;
}

} // namespace

TEST(ReflectionIndex, TheWindowRisesStaysFlatAndFalls)
{
    const double t0 = 0;
    EXPECT_EQ(reflectionWindowGain(t0 - 0.0006, t0), 0.0);
    EXPECT_NEAR(reflectionWindowGain(t0 - 0.0005, t0), 0.00006, 1e-5);
    EXPECT_NEAR(reflectionWindowGain(t0 - 0.00025, t0), 0.21747, 1e-5);
    EXPECT_EQ(reflectionWindowGain(t0, t0), 1.0);
    EXPECT_EQ(reflectionWindowGain(t0 + 0.00518, t0), 1.0);
    EXPECT_NEAR(reflectionWindowGain(t0 + 0.00518 + 0.00111, t0), 0.21747, 1e-5);
    EXPECT_EQ(reflectionWindowGain(t0 + 0.0080, t0), 0.0);
}

TEST(ReflectionIndex, AnImpulseReflectionGivesItsEnergyRatioWithTheSpreadingCorrection)
{
    // Incident: a unit impulse; reflected: g times it, 2 d / c later. Both have flat spectra, so every band
    // below Nyquist gets ((1.25 + 2 d) / 1.25)^2 g^2.
    const ReflectionSetup setup = quarterMetre();
    for (const float g : {0.5f, 1.0f}) {
        SCOPED_TRACE(g);
        const auto incident = impulseAt(kStart, 0, 1000);
        const auto reflected = impulseAt(kStart, 2 * 0.25 / 343, 1000 * g);
        const auto ri = reflectionIndex(reflected, incident, setup);
        for (int band = 0; band < kBandCount; ++band)
            EXPECT_NEAR(ri[std::size_t(band)], 1.96 * g * g, 1e-6) << "band " << band;
    }
}

TEST(ReflectionIndex, WhatLiesOutsideTheWindowsDoesNotCount)
{
    const ReflectionSetup setup = quarterMetre();
    const auto incident = impulseAt(kStart, 0, 1000);
    // The direct sound in the reflected channel arrives before its window opens; a late echo after it closes.
    auto reflected = impulseAt(kStart, 0, 1000);
    reflected[kStart + 600] = 1000;
    const auto ri = reflectionIndex(reflected, incident, setup);
    for (int band = 0; band < kBandCount; ++band)
        EXPECT_NEAR(ri[std::size_t(band)], 0.0, 1e-9) << "band " << band;
}

TEST(ReflectionIndex, BandsAboveNyquistAndInvalidSetUpsHaveNoValue)
{
    ReflectionSetup setup = quarterMetre();
    setup.fs_Hz = 22050;
    const auto incident = impulseAt(kStart, 0, 1000);
    const auto ri = reflectionIndex(incident, incident, setup);
    for (int band = 0; band < kBandCount; ++band) {
        SCOPED_TRACE(band);
        if (bandBelowNyquist(band, 22050))
            EXPECT_GE(ri[std::size_t(band)], 0.0);
        else
            EXPECT_EQ(ri[std::size_t(band)], -1.0);
    }

    struct Row {
        const char* name;
        void (*spoil)(ReflectionSetup&);
    };
    const Row rows[] = {
        {"no start", [](ReflectionSetup& s) { s.incidentStart = -1; }},
        {"negative distance", [](ReflectionSetup& s) { s.probeDistance_m = -0.1; }},
        {"no rate", [](ReflectionSetup& s) { s.fs_Hz = 0; }},
        {"no speed of sound", [](ReflectionSetup& s) { s.soundSpeed_mps = 0; }},
        {"start past the samples", [](ReflectionSetup& s) { s.incidentStart = 100000; }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ReflectionSetup bad = quarterMetre();
        r.spoil(bad);
        for (const double v : reflectionIndex(incident, incident, bad))
            EXPECT_EQ(v, -1.0);
    }
    // Silence in the incident channel: nothing to compare with.
    const std::vector<float> silent(4800, 0.0f);
    for (const double v : reflectionIndex(incident, silent, quarterMetre()))
        EXPECT_EQ(v, -1.0);
}
