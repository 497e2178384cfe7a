#include "library/dsp/Bands.h"
#include "library/dsp/ChannelAnalysis.h"
#include "library/dsp/DecayAnalysis.h"
#include "library/dsp/EnergyParameters.h"
#include "library/dsp/ImpulseStart.h"
#include "support/ResponseGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

using namespace vemra::dsp;
namespace ts = vemra::testsupport;

namespace {

constexpr double kFs = 48000;

struct Single {
    double T, C80, C50, D50, Ts_ms;
};
// The single-decay table of the reference values (tolerances: 5 % on times, 1 dB on C, 0.05 on D50, 10 ms on Ts).
const Single kSingleDecays[] = {
    {0.5, 9.10, 4.74, 0.749, 36.2},
    {1.0, 3.053, -0.021, 0.4988, 72.38},
    {2.0, -1.32, -3.85, 0.292, 144.8},
};

double d50FromC50(double c50) { return 1 / (1 + std::pow(10.0, -c50 / 10)); }

// The analysis of an unfiltered response, as the parameters see a band.
struct Broadband {
    std::vector<float> x;
    DecayAnalysis decay;
    Broadband(std::vector<float> samples, std::int64_t start)
        : x(std::move(samples)), decay(analyseDecay(x, kFs, start))
    {
    }
    BandEnergy energy(std::int64_t start) const { return BandEnergy(x, kFs, start, 0.0, decay); }
};

std::vector<double> octaveCentres(int first, int last)
{
    std::vector<double> f;
    for (int b = first; b <= last; ++b)
        f.push_back(bandCentre_Hz(b));
    return f;
}

// Least-squares decay time over levels hi..lo of the plain Schroeder curve integrated to the end of the response,
// without any noise handling.
double plainSchroederTime(const std::vector<float>& x, std::int64_t start, double hi, double lo)
{
    std::vector<double> rest(x.size() + 1, 0.0);
    for (std::size_t i = x.size(); i-- > 0;)
        rest[i] = rest[i + 1] + double(x[i]) * x[i];
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = static_cast<std::size_t>(start); i < x.size(); ++i) {
        const double level = 10 * std::log10(rest[i] / rest[start]);
        if (level > hi)
            continue;
        if (level < lo)
            break;
        const double t = (i - start) / kFs;
        n += 1, sx += t, sy += level, sxx += t * t, sxy += t * level;
    }
    return -60.0 / ((n * sxy - sx * sy) / (n * sxx - sx * sx));
}

} // namespace

TEST(ImpulseStart, FirstSampleWithin20dBOfThePeak)
{
    std::vector<float> x(1000, 0.0f);
    EXPECT_EQ(impulseStartIso(x), -1);
    EXPECT_EQ(impulseStartIso(std::span<const float>()), -1);
    x[500] = -1000;
    EXPECT_EQ(impulseStartIso(x), 500);
    x[400] = 99;  // 20.1 dB below: noise
    x[450] = 101; // 19.9 dB below: the start
    EXPECT_EQ(impulseStartIso(x), 450);
    x[600] = 2000; // a louder sound later moves the peak and the threshold with it
    EXPECT_EQ(impulseStartIso(x), 500);
    const float one[] = {3.0f};
    EXPECT_EQ(impulseStartIso(one), 0);
}

TEST(DecayAnalysis, SingleDecayBroadband)
{
    for (const Single& row : kSingleDecays) {
        SCOPED_TRACE("T " + std::to_string(row.T));
        const std::int64_t delay = 100;
        const Broadband b(ts::exponentialDecay(row.T, kFs, 1.6 * row.T + 0.2, 10000, ts::noINR, delay), delay);
        ASSERT_TRUE(b.decay.valid);
        for (const LineFit* fit : {&b.decay.edt, &b.decay.t10, &b.decay.t20, &b.decay.t30}) {
            EXPECT_TRUE(fit->valid);
            EXPECT_NEAR(fit->decayTime_s, row.T, 0.01 * row.T);
            EXPECT_LT(fit->correlation, -0.999);
        }
        const BandEnergy e = b.energy(delay);
        EXPECT_NEAR(*e.clarity_dB(0.080), row.C80, 0.05);
        EXPECT_NEAR(*e.clarity_dB(0.050), row.C50, 0.05);
        EXPECT_NEAR(d50FromC50(*e.clarity_dB(0.050)), row.D50, 0.005);
        EXPECT_NEAR(*e.centreTime_s() * 1000, row.Ts_ms, 0.5);
        // The closed forms themselves agree with the table.
        EXPECT_NEAR(ts::clarity_dB(row.T, 0.080), row.C80, 0.01);
        EXPECT_NEAR(ts::centreTime_s(row.T) * 1000, row.Ts_ms, 0.1);
    }
}

// A band's centre time counts from time zero moved on by its filter's energy delay, where the band's sound arrives
// on average: a delay short of the energy's centre leaves that centre less the delay. A band whose energy lies
// all before it - in the filter's own rise, ahead of where the delay puts the sound - has no centre time, not a
// negative one. The decay of T = 0.5 s has its centre at 36.2 ms.
TEST(DecayAnalysis, CentreTimeAfterTheFilterDelay)
{
    const std::int64_t delay = 100;
    const Broadband b(ts::exponentialDecay(0.5, kFs, 1.0, 10000, ts::noINR, delay), delay);
    ASSERT_TRUE(b.decay.holdsDecay());
    struct Row {
        double filterDelay_s;
        std::optional<double> ts_ms;
    };
    for (const Row row : {Row{0.0, 36.2}, Row{0.020, 16.2}, Row{0.050, std::nullopt}}) {
        SCOPED_TRACE("filter delay " + std::to_string(row.filterDelay_s));
        const BandEnergy e(b.x, kFs, delay, row.filterDelay_s, b.decay);
        const auto ts = e.centreTime_s();
        ASSERT_EQ(ts.has_value(), row.ts_ms.has_value());
        if (ts) {
            EXPECT_NEAR(*ts * 1000, *row.ts_ms, 0.5);
        }
    }
}

// One tone per octave carries the envelope, so each octave band (and the third-octave band on the same centre)
// holds the exact decay of the table, at every common rate.
TEST(DecayAnalysis, SingleDecayInOctaveBands)
{
    for (double fs : {22050.0, 44100.0, 48000.0}) {
        for (const Single& row : kSingleDecays) {
            const std::int64_t delay = 200;
            ts::ResponseShape shape;
            shape.fs_Hz = fs;
            shape.length_s = 1.6 * row.T + 0.3;
            shape.delay = delay;
            shape.energy = ts::singleDecay(row.T, 1e8);
            ChannelAnalysis a(ts::makeTonalResponse(shape, octaveCentres(2, 8)), fs, delay);
            for (int band : {3, 4, 5, 6, 7, 8, 21, 24, 27, 30, 33, 36}) {
                SCOPED_TRACE("fs " + std::to_string(fs) + " T " + std::to_string(row.T) + " band " + std::to_string(band));
                const DecayAnalysis* d = a.decay(band);
                ASSERT_TRUE(d && d->valid);
                for (const LineFit* fit : {&d->edt, &d->t10, &d->t20, &d->t30}) {
                    EXPECT_TRUE(fit->valid);
                    EXPECT_NEAR(fit->decayTime_s, row.T, 0.05 * row.T);
                }
                const BandEnergy* e = a.energy(band);
                ASSERT_TRUE(e);
                EXPECT_NEAR(*e->clarity_dB(0.080), row.C80, 1.0);
                EXPECT_NEAR(*e->clarity_dB(0.050), row.C50, 1.0);
                EXPECT_NEAR(d50FromC50(*e->clarity_dB(0.050)), row.D50, 0.05);
                EXPECT_NEAR(*e->centreTime_s() * 1000, row.Ts_ms, 10.0);
            }
        }
    }
}

// Noise-like responses scatter in a narrow band by more than the just noticeable differences (the measurement
// uncertainty of a single decay); over several responses the mean must still meet the table.
TEST(DecayAnalysis, NoiseLikeResponsesMeetTheTableOnAverage)
{
    constexpr int kSeeds = 12;
    for (const Single& row : kSingleDecays)
        for (int band = 6; band <= 8; ++band) {
            SCOPED_TRACE("T " + std::to_string(row.T) + " band " + std::to_string(band));
            double t20 = 0, t30 = 0, c80 = 0, ts_ms = 0;
            for (int seed = 1; seed <= kSeeds; ++seed) {
                ChannelAnalysis a(ts::exponentialDecay(row.T, kFs, 1.6 * row.T + 0.2, 10000, ts::noINR, 200, seed),
                                  kFs, 200);
                t20 += a.decay(band)->t20.decayTime_s / kSeeds;
                t30 += a.decay(band)->t30.decayTime_s / kSeeds;
                c80 += *a.energy(band)->clarity_dB(0.080) / kSeeds;
                ts_ms += *a.energy(band)->centreTime_s() * 1000 / kSeeds;
            }
            EXPECT_NEAR(t20, row.T, 0.05 * row.T);
            EXPECT_NEAR(t30, row.T, 0.05 * row.T);
            EXPECT_NEAR(c80, row.C80, 1.0);
            EXPECT_NEAR(ts_ms, row.Ts_ms, 10.0);
        }
}

TEST(DecayAnalysis, NoiseFloorIsTruncatedAndCompensated)
{
    const double T = 1.0;
    for (double inr : {60.0, 50.0, 45.0}) {
        SCOPED_TRACE("INR " + std::to_string(inr));
        const auto x = ts::exponentialDecay(T, kFs, 3.0, 10000, inr, 100, 3);
        const Broadband b(x, 100);
        ASSERT_TRUE(b.decay.valid);
        EXPECT_NEAR(b.decay.INR_dB, inr, 1.5);
        // The crossing point: where the decay line meets the noise.
        EXPECT_NEAR((b.decay.decayEnd - 100) / kFs, inr / 60 * T, 0.05 * T);
        ASSERT_TRUE(b.decay.t20.valid);
        ASSERT_TRUE(b.decay.t30.valid);
        EXPECT_NEAR(b.decay.t20.decayTime_s, T, 0.05 * T);
        EXPECT_NEAR(b.decay.t30.decayTime_s, T, 0.05 * T);
        // Plain Schroeder integration over the whole response is bent by the noise.
        if (inr <= 45) {
            EXPECT_GT(plainSchroederTime(x, 100, -5, -35), 1.5 * T);
        }
    }
    // In bands too (tones keep the band values exact), white noise 45 dB below the band's decay at its start.
    for (int band = 3; band <= 8; ++band) {
        SCOPED_TRACE("band " + std::to_string(band));
        ts::ResponseShape shape;
        shape.fs_Hz = kFs;
        shape.length_s = 3.0;
        shape.delay = 100;
        shape.seed = band;
        shape.energy = ts::singleDecay(T, 1e8);
        const double inBand = (bandUpper_Hz(band) - bandLower_Hz(band)) / (kFs / 2);
        shape.noiseEnergy = 1e8 / 8 * std::pow(10.0, -45.0 / 10) / inBand;
        ChannelAnalysis a(ts::makeTonalResponse(shape, octaveCentres(2, 9)), kFs, 100);
        const DecayAnalysis* d = a.decay(band);
        ASSERT_TRUE(d->valid);
        EXPECT_NEAR(d->INR_dB, 45, 1.5) << "INR";
        EXPECT_TRUE(d->t20.valid);
        EXPECT_TRUE(d->t30.valid);
        EXPECT_NEAR(d->t20.decayTime_s, T, 0.05 * T);
        EXPECT_NEAR(d->t30.decayTime_s, T, 0.05 * T);
    }
}

TEST(DecayAnalysis, FitsReachingIntoTheNoiseAreInvalid)
{
    struct Case {
        double inr;
        bool edt, t10, t20, t30;
    };
    const Case cases[] = {{45, true, true, true, true},
                          {35, true, true, true, false},
                          {25, true, true, false, false},
                          {17, false, false, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE("INR " + std::to_string(c.inr));
        const Broadband b(ts::exponentialDecay(1.0, kFs, 3.0, 10000, c.inr, 0, 5), 0);
        ASSERT_TRUE(b.decay.valid);
        EXPECT_EQ(b.decay.edt.valid, c.edt);
        EXPECT_EQ(b.decay.t10.valid, c.t10);
        EXPECT_EQ(b.decay.t20.valid, c.t20);
        EXPECT_EQ(b.decay.t30.valid, c.t30);
        for (const LineFit* fit : {&b.decay.edt, &b.decay.t10, &b.decay.t20, &b.decay.t30})
            if (fit->valid) {
                EXPECT_NEAR(fit->decayTime_s, 1.0, 0.05);
            }
    }
}

TEST(DecayAnalysis, DoubleSlopeFitsFollowTheirRanges)
{
    // 0.5 s down to -12 dB, then 2 s: every fit range sees its own mix of the two slopes.
    const auto envelope = ts::doubleSlope(0.5, 2.0, -12, 1e8);
    ts::ResponseShape shape;
    shape.fs_Hz = kFs;
    shape.length_s = 3.5;
    shape.energy = envelope;
    const Broadband b(ts::makeResponse(shape), 0);
    ASSERT_TRUE(b.decay.valid);
    struct Expect {
        const char* name;
        const LineFit* fit;
        double hi, lo;
    };
    const Expect expects[] = {{"EDT", &b.decay.edt, 0, -10},
                              {"T10", &b.decay.t10, -5, -15},
                              {"T20", &b.decay.t20, -5, -25},
                              {"T30", &b.decay.t30, -5, -35}};
    double previous = 0;
    for (const Expect& e : expects) {
        SCOPED_TRACE(e.name);
        const double reference = ts::referenceDecayTime_s(envelope, e.hi, e.lo, 3.5);
        ASSERT_TRUE(e.fit->valid);
        EXPECT_NEAR(e.fit->decayTime_s, reference, 0.02 * reference);
        EXPECT_GT(e.fit->decayTime_s, previous); // the later the range reaches, the more of the slow slope
        previous = e.fit->decayTime_s;
    }
    EXPECT_GT(b.decay.t30.decayTime_s, 1.2);
}

TEST(EnergyParameters, StageSupportOfDirectSoundAndTail)
{
    const double eDirect = 1e8, tailStart = 0.010, T = 1.5;
    ts::ResponseShape shape;
    shape.fs_Hz = kFs;
    shape.length_s = 3.0;
    shape.delay = 50;
    shape.energy = ts::directAndTail(eDirect, tailStart, T, kFs);
    const Broadband b(ts::makeResponse(shape), 50);
    const BandEnergy e = b.energy(50);
    // Closed form: the tail's energy between t1 and t2 over the direct sound's.
    const double eTail = eDirect / (0.010 * kFs);
    auto tail = [&](double t1, double t2) {
        return ts::decayEnergy(T, kFs, eTail, (t1 - tailStart) * kFs) - ts::decayEnergy(T, kFs, eTail, (t2 - tailStart) * kFs);
    };
    EXPECT_NEAR(*e.support_dB(SupportKind::Early), 10 * std::log10(tail(0.020, 0.100) / eDirect), 0.05);
    EXPECT_NEAR(*e.support_dB(SupportKind::Late), 10 * std::log10(tail(0.100, 1.000) / eDirect), 0.05);
    EXPECT_NEAR(*e.support_dB(SupportKind::Total), 10 * std::log10(tail(0.020, 1.000) / eDirect), 0.05);
}

TEST(EnergyParameters, StrengthEnergyIsTheCompensatedWholeResponse)
{
    const double T = 1.0, e0 = 1e6;
    const auto x = ts::exponentialDecay(T, kFs, 2.0, std::sqrt(e0), 60, 0, 9);
    const Broadband b(x, 0);
    const BandEnergy e = b.energy(0);
    const double exact = ts::decayEnergy(T, kFs, e0);
    // Up to the decay end (or beyond): the compensated energy, without the noise.
    EXPECT_NEAR(*e.strengthEnergy(b.decay.decayEnd) / exact, 1.0, 0.02);
    EXPECT_NEAR(*e.strengthEnergy(static_cast<std::int64_t>(x.size())) / exact, 1.0, 0.02);
    // An earlier end: what lies before it.
    EXPECT_FALSE(e.covers(4801)); // 4800 is the 100 ms limit, always kept
    const std::int64_t end = 4801;
    const BandEnergy withEnd(x, kFs, 0, 0.0, b.decay, std::span<const std::int64_t>(&end, 1));
    EXPECT_NEAR(*withEnd.strengthEnergy(end) / (exact - ts::decayEnergy(T, kFs, e0, end)), 1.0, 0.01);
}

TEST(DecayAnalysis, NoValueCases)
{
    // Silence, a single sample, a start past the end, a response too short: nothing valid, everything finite.
    const std::vector<float> silent(48000, 0.0f), single(1, 100.0f), shortOne(10, 100.0f);
    struct Case {
        const char* name;
        const std::vector<float>* x;
        std::int64_t start;
    };
    const Case cases[] = {{"silent", &silent, 0},      {"silent, no start", &silent, -1},
                          {"single sample", &single, 0}, {"start past end", &shortOne, 20},
                          {"too short", &shortOne, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DecayAnalysis d = analyseDecay(*c.x, kFs, c.start);
        EXPECT_FALSE(d.valid);
        for (const LineFit* fit : {&d.edt, &d.t10, &d.t20, &d.t30})
            EXPECT_FALSE(fit->valid);
        EXPECT_TRUE(std::isfinite(d.INR_dB) && std::isfinite(d.SNR_dB) && std::isfinite(d.lineLevel_dB));
        const BandEnergy e(*c.x, kFs, c.start, 0.0, d);
        EXPECT_FALSE(e.clarity_dB(0.080));
        EXPECT_FALSE(e.support_dB(SupportKind::Total));
        // No decay, no centre time; an impulse shorter than every window still has an energy.
        EXPECT_FALSE(e.centreTime_s());
        const bool sound = c.x != &silent && c.start < static_cast<std::int64_t>(c.x->size());
        EXPECT_EQ(e.strengthEnergy(static_cast<std::int64_t>(c.x->size())).has_value(), sound);
    }
    // Stationary noise has no decay.
    ts::ResponseShape noise;
    noise.fs_Hz = kFs;
    noise.length_s = 1;
    noise.energy = [](double) { return 0.0; };
    noise.noiseEnergy = 1e4;
    EXPECT_FALSE(analyseDecay(ts::makeResponse(noise), kFs, 0).valid);
    // A response cut after 65 ms, 13 dB down its decay: no value for a window that starts past the cut, a value
    // for a shorter one (its late part carried on by the decay line); taken as no decay, no window has a value.
    const auto brief = ts::exponentialDecay(0.3, kFs, 0.065, 10000, ts::noINR, 0, 2);
    const DecayAnalysis cut = analyseDecay(brief, kFs, 0);
    ASSERT_TRUE(cut.valid);
    EXPECT_FALSE(cut.noiseFloor);
    const BandEnergy e(brief, kFs, 0, 0.0, cut);
    ASSERT_TRUE(e.clarity_dB(0.050));
    EXPECT_NEAR(*e.clarity_dB(0.050), ts::clarity_dB(0.3, 0.050), 1.0);
    EXPECT_FALSE(e.clarity_dB(0.080));
    EXPECT_FALSE(e.support_dB(SupportKind::Late));
    const BandEnergy none(brief, kFs, 0, 0.0, DecayAnalysis{});
    EXPECT_FALSE(none.clarity_dB(0.050));
    EXPECT_FALSE(none.support_dB(SupportKind::Late));
    EXPECT_TRUE(none.strengthEnergy(static_cast<std::int64_t>(brief.size())));
}

TEST(ChannelAnalysis, BandsAboveNyquistAndSilentChannels)
{
    ChannelAnalysis a(ts::exponentialDecay(0.5, 22050, 1.0, 10000), 22050, 0);
    EXPECT_EQ(a.decay(9), nullptr);  // 8 kHz octave above Nyquist at 22.05 kHz
    EXPECT_EQ(a.energy(43), nullptr);
    EXPECT_EQ(a.decay(44), nullptr);
    EXPECT_EQ(a.decay(-3), nullptr);
    ASSERT_NE(a.decay(-1), nullptr); // the unfiltered response
    EXPECT_TRUE(a.decay(-1)->valid);
    ASSERT_NE(a.decay(8), nullptr);
    EXPECT_TRUE(a.decay(8)->valid);

    ChannelAnalysis silent(std::vector<float>(22050, 0.0f), 22050, -1);
    ASSERT_NE(silent.decay(6), nullptr);
    EXPECT_FALSE(silent.decay(6)->valid);
    EXPECT_FALSE(silent.energy(6)->clarity_dB(0.080));
}

// Signals that are no room response still give finite numbers or no value, in every octave band.
TEST(ChannelAnalysis, OddSignalsGiveFiniteResults)
{
    const std::size_t n = 24000;
    std::vector<std::pair<const char*, std::vector<float>>> signals;
    signals.push_back({"DC", std::vector<float>(n, 1000.0f)});
    std::vector<float> square(n);
    for (std::size_t i = 0; i < n; ++i)
        square[i] = i % 2 ? 32767.0f : -32768.0f;
    signals.push_back({"full-scale Nyquist", square});
    std::vector<float> sine(n);
    for (std::size_t i = 0; i < n; ++i)
        sine[i] = static_cast<float>(10000 * std::sin(0.1 * static_cast<double>(i)));
    signals.push_back({"sine", sine});
    std::vector<float> late(n, 0.0f);
    late.back() = 5000;
    signals.push_back({"impulse at the end", late});
    std::vector<float> first(n, 0.0f);
    first.front() = 5000;
    signals.push_back({"impulse at the start", first});
    for (const auto& [name, x] : signals) {
        SCOPED_TRACE(name);
        ChannelAnalysis a(x, 24000, impulseStartIso(x));
        for (int band = 0; band <= 9; ++band) {
            const DecayAnalysis* d = a.decay(band);
            ASSERT_TRUE(d);
            for (double v : {d->INR_dB, d->SNR_dB, d->lineLevel_dB, d->lineSlope_dBps, d->tailEnergy,
                             d->edt.decayTime_s, d->t30.decayTime_s, d->t30.correlation})
                EXPECT_TRUE(std::isfinite(v)) << band;
            const BandEnergy* e = a.energy(band);
            for (const auto& v : {e->clarity_dB(0.08), e->centreTime_s(), e->support_dB(SupportKind::Total),
                                  e->strengthEnergy(static_cast<std::int64_t>(n))})
                EXPECT_TRUE(!v || std::isfinite(*v)) << band;
        }
    }
}
