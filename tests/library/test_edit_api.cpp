#include "library/WaveStore.h"
#include "library/api.h"
#include "library/files/ResponseFile.h"
#include "support/ResponseFile.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace vemra;

namespace {

constexpr std::int32_t kFs = 48000;

// An open response, released at the end of the test. Channel 1 (when present) is channel 0 negated.
struct OpenResponse {
    WaveHeader header;
    explicit OpenResponse(const std::vector<std::int16_t>& c0, int channels = 2, std::int32_t fs = kFs)
    {
        header.format.SampleFrequency = fs;
        header.info.IRStart[0] = 5;
        header.info.IRStart[1] = 6;
        WaveStore::Channels pcm{c0};
        if (channels == 2) {
            pcm.emplace_back();
            for (const std::int16_t v : c0)
                pcm.back().push_back(static_cast<std::int16_t>(-v));
        }
        EXPECT_TRUE(WaveStore::adopt(header, std::move(pcm)));
    }
    ~OpenResponse() { WaveStore::release(header); }
    std::vector<std::int16_t> channel(int c) const
    {
        const auto s = WaveStore::samples(header, c);
        return {s.begin(), s.end()};
    }
};

// 0, 1, 2, ... n - 1.
std::vector<std::int16_t> ramp(int n, int offset = 0)
{
    std::vector<std::int16_t> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        x[std::size_t(i)] = static_cast<std::int16_t>(i + offset);
    return x;
}

} // namespace

TEST(EditApi, EachEditChangesTheSamplesAndTheHeaderAlike)
{
    const std::string insert = test::ResponseFile("insert.wav").channels(2).samples({100, -100, 101, -101}).write();
    struct Row {
        const char* name;
        VResult (*edit)(WaveHeader&, const std::string&);
        std::vector<std::int16_t> channel0;
        bool startCleared;
    };
    const Row rows[] = {
        {"rotate by 300", [](WaveHeader& h, const std::string&) { return EditRotate(h, 300); },
         [] { auto v = ramp(100, 300); auto a = ramp(300); v.insert(v.end(), a.begin(), a.end()); return v; }(),
         true},
        {"delete 10..19", [](WaveHeader& h, const std::string&) { return EditDelete(h, 10, 10); },
         [] { auto v = ramp(10); auto b = ramp(380, 20); v.insert(v.end(), b.begin(), b.end()); return v; }(),
         true},
        {"insert two frames at 2", [](WaveHeader& h, const std::string& f) { return EditInsertFile(h, 2, f); },
         [] { auto v = ramp(400); v.insert(v.begin() + 2, {100, 101}); return v; }(), true},
        {"silence 0..199", [](WaveHeader& h, const std::string&) { return EditSilence(h, 0, 200); },
         [] { auto v = ramp(400); std::fill(v.begin(), v.begin() + 200, 0); return v; }(), false},
        {"RH-Hanning over 398..399",
         [](WaveHeader& h, const std::string&) { return EditWindow(h, 398, 2, 3); },
         [] { auto v = ramp(400); v[399] = 0; return v; }(), false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        OpenResponse w(ramp(400));
        const std::uint64_t before = WaveStore::revision(w.header);
        ASSERT_EQ(r.edit(w.header, insert), Ok);
        EXPECT_EQ(w.channel(0), r.channel0);
        std::vector<std::int16_t> negated;
        for (const std::int16_t v : r.channel0)
            negated.push_back(static_cast<std::int16_t>(-v));
        EXPECT_EQ(w.channel(1), negated);
        const auto n = static_cast<std::int32_t>(r.channel0.size());
        EXPECT_EQ(w.header.SampleCount, n);
        EXPECT_EQ(w.header.DataBytes, n * 4);
        EXPECT_EQ(w.header.MaxDataValue[0], *std::max_element(r.channel0.begin(), r.channel0.end()));
        EXPECT_EQ(w.header.MinDataValue[1], *std::min_element(negated.begin(), negated.end()));
        EXPECT_NE(WaveStore::revision(w.header), before);
        EXPECT_EQ(w.header.info.IRStart[0], r.startCleared ? -1 : 5);
        EXPECT_EQ(w.header.info.IRStart[1], r.startCleared ? -1 : 6);
    }
}

TEST(EditApi, RefusedEditsChangeNothing)
{
    const std::string mono = test::ResponseFile("mono.wav").samples({1, 2, 3}).write();
    const std::string otherRate = test::ResponseFile("rate.wav").channels(2).rate(44100).samples({1, 2, 3, 4}).write();
    struct Row {
        const char* name;
        VResult (*edit)(WaveHeader&, const std::string&, const std::string&);
        VResult expected;
    };
    const Row rows[] = {
        {"rotate past the end", [](WaveHeader& h, auto&, auto&) { return EditRotate(h, 400); }, 302},
        {"rotate negative", [](WaveHeader& h, auto&, auto&) { return EditRotate(h, -1); }, 302},
        {"delete past the end", [](WaveHeader& h, auto&, auto&) { return EditDelete(h, 390, 11); }, 302},
        {"delete negative length", [](WaveHeader& h, auto&, auto&) { return EditDelete(h, 10, -5); }, 302},
        {"delete leaving 255 frames", [](WaveHeader& h, auto&, auto&) { return EditDelete(h, 0, 145); }, 904},
        {"silence starting past the end", [](WaveHeader& h, auto&, auto&) { return EditSilence(h, 401, 0); }, 302},
        {"window shape 0", [](WaveHeader& h, auto&, auto&) { return EditWindow(h, 0, 10, 0); }, 302},
        {"window shape 13", [](WaveHeader& h, auto&, auto&) { return EditWindow(h, 0, 10, 13); }, 302},
        {"window past the end", [](WaveHeader& h, auto&, auto&) { return EditWindow(h, 300, 101, 1); }, 302},
        {"copy nothing", [](WaveHeader& h, auto&, auto&) { return EditCopy(h, 0, 0); }, 302},
        {"insert past the end",
         [](WaveHeader& h, auto&, const std::string& f) { return EditInsertFile(h, 401, f); }, 302},
        {"insert one channel into two",
         [](WaveHeader& h, const std::string& f, auto&) { return EditInsertFile(h, 0, f); }, 300},
        {"insert another rate",
         [](WaveHeader& h, auto&, const std::string& f) { return EditInsertFile(h, 0, f); }, 304},
        {"insert a missing file",
         [](WaveHeader& h, auto&, auto&) { return EditInsertFile(h, 0, "/nonexistent/x.wav"); }, 207},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        OpenResponse w(ramp(400));
        const WaveHeader before = w.header;
        const std::uint64_t revision = WaveStore::revision(w.header);
        EXPECT_EQ(r.edit(w.header, mono, otherRate), r.expected);
        EXPECT_EQ(w.channel(0), ramp(400));
        EXPECT_EQ(WaveStore::revision(w.header), revision);
        EXPECT_EQ(std::memcmp(&before, &w.header, sizeof before), 0);
    }

    WaveHeader closed;
    EXPECT_EQ(EditRotate(closed, 1), 212);
    EXPECT_EQ(EditSilence(closed, 0, 1), 212);
    EXPECT_EQ(EditInsertFile(closed, 0, mono), 212);
    SinfoBlock block;
    EXPECT_EQ(CalcSinfo(closed, 0, -1, block), 212);
}

TEST(EditApi, AnEmptyRangeIsAcceptedAndChangesNothing)
{
    OpenResponse w(ramp(400));
    const std::uint64_t revision = WaveStore::revision(w.header);
    EXPECT_EQ(EditSilence(w.header, 400, 0), Ok);
    EXPECT_EQ(EditDelete(w.header, 3, 0), Ok);
    EXPECT_EQ(EditWindow(w.header, 3, 0, 1), Ok);
    EXPECT_EQ(EditRotate(w.header, 0), Ok);
    EXPECT_EQ(WaveStore::revision(w.header), revision);
    EXPECT_EQ(w.header.info.IRStart[0], 5);
}

TEST(EditApi, InsertingBeyondTheLongestResponseIsRefused)
{
    const std::string two = test::ResponseFile("two.wav").samples({7, 8}).write();
    OpenResponse w(std::vector<std::int16_t>(std::size_t(files::kMaxFrames - 1), 1), 1);
    EXPECT_EQ(EditInsertFile(w.header, 0, two), 903);
    EXPECT_EQ(w.header.SampleCount, files::kMaxFrames - 1);
}

TEST(EditApi, ACopiedSelectionComesBackFromTheClipboardAsAWaveFile)
{
    OpenResponse source(ramp(400));
    ASSERT_EQ(EditCopy(source.header, 10, 3), Ok);
    EXPECT_EQ(source.channel(0), ramp(400)); // copying changes nothing
    std::string file;
    ASSERT_EQ(EditClip2File(file), Ok);
    ASSERT_FALSE(file.empty());
    EXPECT_TRUE(IsTempName(file));
    WaveHeader h;
    std::vector<std::int16_t> frames;
    ASSERT_EQ(files::readResponse(file, h, &frames), Ok);
    EXPECT_EQ(h.format.Channels, 2);
    EXPECT_EQ(h.format.SampleFrequency, kFs);
    EXPECT_EQ(h.info.IRStart[0], -1);
    EXPECT_EQ(frames, (std::vector<std::int16_t>{10, -10, 11, -11, 12, -12}));

    OpenResponse target(ramp(300, 1000));
    ASSERT_EQ(EditInsertFile(target.header, 300, file), Ok);
    EXPECT_EQ(target.header.SampleCount, 303);
    EXPECT_EQ(target.channel(1).back(), -12);
    EXPECT_TRUE(DeleteTempFile(file));
}

TEST(EditApi, ClipboardFailuresHaveTheirMessages)
{
    std::vector<std::uint8_t> held = {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e'};
    bool opens = true;
    SetClipboardHooks({[&](const std::vector<std::uint8_t>& wav) {
                           if (opens)
                               held = wav;
                           return opens;
                       },
                       [&](std::vector<std::uint8_t>& wav) {
                           wav = held;
                           return opens;
                       }});
    std::string file = "stale";
    EXPECT_EQ(EditClip2File(file), 403); // garbage
    EXPECT_EQ(file, "");
    held.clear();
    EXPECT_EQ(EditClip2File(file), 403); // nothing
    opens = false;
    EXPECT_EQ(EditClip2File(file), 404);
    OpenResponse w(ramp(400));
    EXPECT_EQ(EditCopy(w.header, 0, 10), 404);
    opens = true;
    EXPECT_EQ(EditCopy(w.header, 0, 10), Ok);
    EXPECT_FALSE(held.empty());
    SetClipboardHooks({});
}

TEST(EditApi, AnEditInvalidatesTheCachedParameters)
{
    // An exponential decay of 0.5 s: silencing its first 50 ms (time zero stays at the start) moves the centre
    // time later.
    std::vector<std::int16_t> x(24000);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<std::int16_t>(std::lround(30000 * std::exp(-double(i) / kFs / 0.0724) * ((i * 7919) % 11 < 5 ? 1 : -1)));
    OpenResponse w(x, 1);
    w.header.info.IRStart[0] = 0;
    const float before = CalcTs(0, w.header, -1);
    ASSERT_NE(before, NoValue);
    ASSERT_EQ(EditSilence(w.header, 0, 2400), Ok);
    w.header.info.IRStart[0] = 0;
    const float after = CalcTs(0, w.header, -1);
    EXPECT_GT(after, before * 1.1f);
}

TEST(EditApi, SelectionStatisticsOfAnExponentialDecay)
{
    // 30000 exp(-t / tau) with alternating sign, tau for a 60 dB fall in 0.5 s.
    const double tau = 0.5 / (3 * std::log(10.0));
    std::vector<std::int16_t> x(24000);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<std::int16_t>(std::lround(30000 * std::exp(-double(i) / kFs / tau) * (i % 2 ? -1 : 1)));
    OpenResponse w(x, 1);
    {
        SinfoBlock b;
        b.first = 4800;
        b.length = 9600;
        ASSERT_EQ(CalcSinfo(w.header, 0, -1, b), Ok);
        EXPECT_EQ(b.first, 4800);
        EXPECT_EQ(b.length, 9600);
        EXPECT_NEAR(b.Slope, -120, 0.6);
        EXPECT_NEAR(b.DT60, 0.5, 0.0025);
        EXPECT_NEAR(b.Decay, b.Slope * 0.2, 1e-3);
        // First sample 30000 e^-(0.1 s / tau) = 30000 * 10^-0.6.
        EXPECT_NEAR(b.MaxSampleValue, 30000 * std::pow(10.0, -0.6), 1);
        EXPECT_LT(b.MinSampleValue, 0);
        // Mean square of the selection against the full scale 32768.
        double ms = 0;
        for (int i = 4800; i < 14400; ++i)
            ms += double(x[std::size_t(i)]) * x[std::size_t(i)];
        EXPECT_NEAR(b.Power, 10 * std::log10(ms / 9600 / (32768.0 * 32768.0)), 1e-3);
    }
}

TEST(EditApi, SelectionStatisticsRefuseWhatTheResponseDoesNotHave)
{
    OpenResponse w(std::vector<std::int16_t>(400, 0), 1, 22050);
    SinfoBlock b;
    b.first = 0;
    b.length = 400;
    ASSERT_EQ(CalcSinfo(w.header, 0, -1, b), Ok);
    EXPECT_EQ(b.DT60, 1000.0f); // silence: no line
    EXPECT_EQ(b.Slope, 0.0f);
    EXPECT_EQ(b.Power, -200.0f);

    struct Row {
        const char* name;
        std::int16_t channel, filter;
        std::int32_t first, length;
        VResult expected;
    };
    const Row rows[] = {
        {"channel 1 of a mono response", 1, -1, 0, 10, 300},
        {"negative channel", -1, -1, 0, 10, 300},
        {"past the end", 0, -1, 300, 101, 302},
        {"empty", 0, -1, 0, 0, 302},
        {"negative start", 0, -1, -1, 10, 302},
        {"16 kHz octave at 22.05 kHz", 0, 10, 0, 10, 302},
        {"band 44", 0, 44, 0, 10, 302},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        SinfoBlock block;
        block.first = r.first;
        block.length = r.length;
        block.Slope = 7;
        EXPECT_EQ(CalcSinfo(w.header, r.channel, r.filter, block), r.expected);
        EXPECT_EQ(block.Slope, 7.0f);
    }
}

TEST(EditApi, ReflectionIndexOfAReflectionIndexResult)
{
    // Channel 1: the incident impulse at 1000; channel 0: half of it 2 d / c later. RI = 1.96 * 0.25 = 0.49.
    const double c = 20.1 * std::sqrt(20.0 + 273.0);
    std::vector<std::int16_t> incident(4800, 0), reflected(4800, 0);
    incident[1000] = 20000;
    reflected[1000 + std::size_t(std::lround(0.5 / c * kFs))] = 10000;
    WaveHeader h;
    h.format.SampleFrequency = kFs;
    h.info.Receiver = 6;
    h.info.ProbeDist = 0.25f;
    h.info.Temperature = 20;
    h.info.IRStart[0] = h.info.IRStart[1] = -1;
    ASSERT_TRUE(WaveStore::adopt(h, {reflected, incident}));
    RIResult ri;
    ASSERT_EQ(CalcRI(h, ri), Ok);
    for (int band = 0; band < 44; ++band)
        EXPECT_NEAR(ri.ri[band], 0.49, 1e-4) << "band " << band;

    // A stored start places the incident window there: 1000 lies 0.5 ms (24 samples) before it, outside.
    h.info.IRStart[1] = 1040;
    ASSERT_EQ(CalcRI(h, ri), Ok);
    EXPECT_EQ(ri.ri[6], -1.0f); // no incident energy in the window
    h.info.IRStart[1] = -1;

    struct Row {
        const char* name;
        void (*spoil)(WaveHeader&);
        VResult expected;
    };
    const Row rows[] = {
        {"not a reflection-index result", [](WaveHeader& x) { x.info.Receiver = 1; }, 307},
        {"negative distance", [](WaveHeader& x) { x.info.ProbeDist = -1; }, 302},
        {"absolute zero", [](WaveHeader& x) { x.info.Temperature = -273; }, 302},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        WaveHeader bad = h;
        r.spoil(bad);
        RIResult out;
        EXPECT_EQ(CalcRI(bad, out), r.expected);
        for (const float v : out.ri)
            EXPECT_EQ(v, -1.0f);
    }
    WaveStore::release(h);

    OpenResponse mono(ramp(400), 1);
    mono.header.info.Receiver = 6;
    EXPECT_EQ(CalcRI(mono.header, ri), 300);
    WaveHeader silentHeader = h;
    ASSERT_TRUE(WaveStore::adopt(silentHeader, {reflected, std::vector<std::int16_t>(4800, 0)}));
    EXPECT_EQ(CalcRI(silentHeader, ri), 306);
    WaveStore::release(silentHeader);
}
