#include "library/api.h"
#include "library/WaveStore.h"
#include "library/dsp/ScaleModel.h"
#include "support/ResponseFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace vemra;

namespace {

constexpr std::int32_t kFs = 48000;

std::string newTemp()
{
    std::string name;
    EXPECT_EQ(GetTempName(name), Ok);
    return name;
}

// Writes a response file of one or two channels (interleaved frames) and returns its name.
std::string writeResponseFile(const std::vector<std::int16_t>& frames, int channels = 1, std::int16_t receiver = 0,
                              std::int32_t rate = kFs)
{
    return test::ResponseFile(newTemp()).channels(channels).rate(rate).samples(frames).receiver(receiver).write();
}

struct Opened {
    WaveHeader header;
    explicit Opened(const std::string& path)
    {
        writeFileNameField(header, path);
        EXPECT_EQ(GetWaveHeader(header), Ok);
        EXPECT_EQ(OpenWave(header), Ok);
    }
    ~Opened() { CloseWave(header); }
};

// A short band-wide pulse starting at `at`.
std::vector<std::int16_t> pulse(std::size_t length, std::size_t at, double gain = 1.0)
{
    std::vector<std::int16_t> x(length, 0);
    const double shape[] = {20000, -8000, 3000, -1000};
    for (std::size_t i = 0; i < 4; ++i)
        x[at + i] = std::int16_t(std::lround(shape[i] * gain));
    return x;
}

} // namespace

TEST(ProcessApi, ScaleWaveDividesTheRateByTheScaleAndKeepsTheLength)
{
    std::vector<std::int16_t> x(4800);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = std::int16_t(std::lround(10000 * std::exp(-double(i) / 500.0) * std::sin(0.3 * double(i))));
    const std::string name = writeResponseFile(x);
    ScaleParams p;
    p.scale = 10;
    p.airAbsorption = 0;
    std::vector<float> seen;
    ASSERT_EQ(ScaleWave(name, p, [&](float percent) -> std::int16_t { seen.push_back(percent); return 0; }), Ok);
    EXPECT_FALSE(seen.empty());
    Opened o(name);
    EXPECT_EQ(o.header.format.SampleFrequency, 4800);
    EXPECT_EQ(o.header.SampleCount, 4800);
    const auto y = WaveStore::samples(o.header, 0);
    for (std::size_t i = 0; i < x.size(); ++i)
        ASSERT_EQ(y[i], x[i]) << i; // without absorption the samples are the same

    // With the same air in model and hall, the model's extra absorption of high frequencies is given back: the
    // result's true amplitude late in the response exceeds the original there.
    const std::string name2 = writeResponseFile(x);
    ScaleParams q;
    q.scale = 10;
    q.modelHumidity = q.actualHumidity = 50;
    ASSERT_EQ(ScaleWave(name2, q), Ok);
    Opened o2(name2);
    EXPECT_EQ(o2.header.format.SampleFrequency, 4800);
    EXPECT_EQ(o2.header.SampleCount, 4800);
    double before = 0, after = 0;
    const auto z = WaveStore::samples(o2.header, 0);
    for (std::size_t i = 2000; i < 3000; ++i) {
        before += double(x[i]) * x[i];
        after += std::pow(z[i] * double(o2.header.gains.channelFactor[0]), 2);
    }
    EXPECT_GT(after, before);
    std::remove(name.c_str());
    std::remove(name2.c_str());
}

TEST(ProcessApi, ScaleWaveRefusesBadParametersAndStopsOnRequest)
{
    const std::string name = writeResponseFile(pulse(4800, 100));
    struct Row {
        const char* what;
        ScaleParams p;
        VResult expected;
    };
    auto with = [](auto change) {
        ScaleParams p;
        change(p);
        return p;
    };
    const Row rows[] = {
        {"scale below 0.01", with([](ScaleParams& p) { p.scale = 0.005f; }), 302},
        {"scale above 100", with([](ScaleParams& p) { p.scale = 100.5f; }), 302},
        {"humidity above 100", with([](ScaleParams& p) { p.actualHumidity = 120; }), 302},
        {"absolute zero in the model", with([](ScaleParams& p) { p.modelTemperature = -273; }), 302},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const std::string copy = writeResponseFile(pulse(4800, 100));
        ScaleParams p = r.p;
        EXPECT_EQ(ScaleWave(copy, p), r.expected);
        std::remove(copy.c_str());
    }
    ScaleParams p;
    EXPECT_EQ(ScaleWave(name, p, [](float) -> std::int16_t { return 1; }), ScaleStopped);
    Opened o(name);
    EXPECT_EQ(o.header.format.SampleFrequency, kFs); // left as it was
    std::remove(name.c_str());
    EXPECT_EQ(ScaleWave(name, p), 207);
}

TEST(ProcessApi, AdrienneSeparatesIncidentAndReflectionForCalcRI)
{
    // Measurement: the incident pulse at 1000 and half of it 2 d / c later; reference: the same pulse at 700.
    // RI = ((1.25 + 2 d) / 1.25)^2 * 0.5^2 = 1.96 * 0.25 = 0.49 in every band the windows hold.
    const double d = 0.25;
    const double c = dsp::speedOfSound(20);
    const std::size_t delay = std::size_t(std::lround(2 * d / c * kFs));
    std::vector<std::int16_t> measured = pulse(4800, 1000);
    const auto reflection = pulse(4800, 1000 + delay, 0.5);
    for (std::size_t i = 0; i < measured.size(); ++i)
        measured[i] = std::int16_t(measured[i] + reflection[i]);
    const std::string name = writeResponseFile(measured);
    const std::string reference = writeResponseFile(pulse(4800, 700));
    ASSERT_EQ(Adrienne(reference, name, float(d)), Ok);
    Opened o(name);
    EXPECT_EQ(o.header.info.Receiver, 6);
    EXPECT_FLOAT_EQ(o.header.info.ProbeDist, float(d));
    EXPECT_EQ(o.header.format.Channels, 2);
    EXPECT_EQ(o.header.SampleCount, 4800);
    EXPECT_EQ(o.header.info.IRStart[1], 1000);
    const auto incident = WaveStore::samples(o.header, 1);
    const auto reflected = WaveStore::samples(o.header, 0);
    // Both channels on one scale, in true amplitude.
    const double factor = o.header.gains.channelFactor[0];
    EXPECT_EQ(o.header.gains.channelFactor[1], o.header.gains.channelFactor[0]);
    EXPECT_NEAR(incident[1000] * factor, 20000, 1);
    EXPECT_EQ(incident[1000 + delay], 0);
    EXPECT_EQ(reflected[1000], 0);
    EXPECT_NEAR(reflected[1000 + delay] * factor, 10000, 1);
    RIResult ri;
    ASSERT_EQ(CalcRI(o.header, ri), Ok);
    for (int band : {2, 4, 6, 8, 20, 30})
        EXPECT_NEAR(ri.ri[band], 0.49, 0.01) << "band " << band;
    std::remove(reference.c_str());
    std::remove(name.c_str());
}

TEST(ProcessApi, AdrienneRefusesUnsuitableInput)
{
    const std::string reference = writeResponseFile(pulse(4800, 700));
    struct Row {
        const char* what;
        std::string measured;
        float distance;
        VResult expected;
    };
    const Row rows[] = {
        {"two channels", writeResponseFile(pulse(9600, 2000), 2, 0), 0.25f, 300},
        {"a reflection-index result", writeResponseFile(pulse(4800, 1000), 1, 6), 0.25f, 307},
        {"a figure-of-eight receiver", writeResponseFile(pulse(4800, 1000), 1, 3), 0.25f, 307},
        {"another rate", writeResponseFile(pulse(4800, 1000), 1, 0, 44100), 0.25f, 304},
        {"zero distance", writeResponseFile(pulse(4800, 1000)), 0.0f, 302},
        {"negative distance", writeResponseFile(pulse(4800, 1000)), -0.1f, 302},
        {"reflection beyond the end", writeResponseFile(pulse(4800, 1000)), 20.0f, 302},
        {"silent measurement", writeResponseFile(std::vector<std::int16_t>(4800, 0)), 0.25f, 306},
        {"missing file", "/nonexistent/none.wav", 0.25f, 207},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(Adrienne(reference, r.measured, r.distance), r.expected);
        std::remove(r.measured.c_str());
    }
    const std::string measured = writeResponseFile(pulse(4800, 1000));
    EXPECT_EQ(Adrienne("/nonexistent/ref.wav", measured, 0.25f), 207);
    std::remove(measured.c_str());
    std::remove(reference.c_str());
}
