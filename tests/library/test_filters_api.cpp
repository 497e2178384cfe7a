// The library's inverse filter of a response file, the band filters' test and the Hadamard test.
#include "library/WaveStore.h"
#include "library/api.h"
#include "library/dsp/Fft.h"
#include "library/files/ResponseFile.h"
#include "support/ResponseFile.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

using namespace vemra;

namespace {

constexpr std::int32_t kFs = 48000;

std::string bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Channel 0 of a response file in true amplitude (samples times the channel factor).
std::vector<double> trueAmplitude(const std::string& path, WaveHeader& h)
{
    std::vector<std::int16_t> s;
    EXPECT_EQ(files::readResponse(path, h, &s), Ok);
    const int channels = h.format.Channels;
    std::vector<double> x(s.size() / std::size_t(channels));
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = s[i * std::size_t(channels)] * double(h.gains.channelFactor[0]);
    return x;
}

std::vector<std::complex<double>> spectrumOf(const std::vector<double>& x)
{
    const dsp::RealFftD fft(x.size());
    std::vector<std::complex<double>> X(fft.bins());
    fft.forward(x, X);
    return X;
}

} // namespace

TEST(FiltersApi, AResponseFileBecomesTheInverseOfItsCard)
{
    // A loop-back of two channels with 40 samples of latency, a dip near 3 kHz and a factor of 0.5.
    const std::int64_t n = 8191;
    const std::string path = test::ResponseFile("loopback.wav").channels(2).frames(n).sample([](std::int64_t i, int) {
        if (i == 40)
            return 20000.0;
        if (i == 48)
            return -8000.0;
        return 0.0;
    }).header([](WaveHeader& h) { h.gains.channelFactor[0] = 0.5f; }).write();
    WaveHeader before;
    const std::vector<double> h = trueAmplitude(path, before);
    ASSERT_EQ(CreateInversFilter(path), Ok);

    WaveHeader after;
    const std::vector<double> g = trueAmplitude(path, after);
    EXPECT_EQ(after.format.Channels, 1);
    EXPECT_EQ(after.format.SampleFrequency, kFs);
    ASSERT_EQ(std::int64_t(g.size()), n);
    const auto H = spectrumOf(h);
    const auto G = spectrumOf(g);
    for (std::size_t k = 1; k < H.size(); ++k) {
        const double f = double(k) * kFs / double(n);
        if (f < 40 || f > 15000)
            continue;
        const std::complex<double> latency = std::polar(1.0, -2 * std::numbers::pi * double(k * 40) / double(n));
        ASSERT_NEAR(std::abs(H[k] * G[k] / latency - 1.0), 0.0, 0.01) << f << " Hz";
    }
}

TEST(FiltersApi, AFailedInversionLeavesTheFileAsItWas)
{
    const std::string silent = test::ResponseFile("silent.wav").frames(1000).write();
    const std::string content = bytesOf(silent);
    EXPECT_EQ(CreateInversFilter(silent), msg::NoImpulse);
    EXPECT_EQ(bytesOf(silent), content);
    const std::string missing = test::privateRoot() + "/missing.wav";
    EXPECT_NE(CreateInversFilter(missing), Ok);
    EXPECT_TRUE(bytesOf(missing).empty());
}

TEST(FiltersApi, TheFilterTestWritesEveryOctaveBelowNyquistInTurn)
{
    struct Row {
        std::int32_t fs;
        int bands;
    };
    for (const Row& r : {Row{48000, 10}, Row{22050, 8}}) {
        SCOPED_TRACE(r.fs);
        // A 1 kHz tone: its octave holds the energy.
        const std::int64_t n = 4096;
        std::vector<std::int16_t> tone(static_cast<std::size_t>(n));
        for (std::int64_t i = 0; i < n; ++i)
            tone[std::size_t(i)] = std::int16_t(std::lround(10000 * std::sin(2 * std::numbers::pi * 1000 * i / r.fs)));
        WaveHeader header;
        header.format.SampleFrequency = r.fs;
        ASSERT_TRUE(WaveStore::adoptInterleaved(header, 1, tone));
        const std::string out = test::privateRoot() + "/filtertest.wav";
        ASSERT_EQ(FilterTest(header, out), Ok);
        WaveHeader h;
        const std::vector<double> bands = trueAmplitude(out, h);
        ASSERT_EQ(std::int64_t(bands.size()), n * r.bands);
        EXPECT_EQ(h.format.SampleFrequency, r.fs);
        int loudest = -1;
        double most = 0;
        for (int b = 0; b < r.bands; ++b) {
            double energy = 0;
            for (std::int64_t i = n / 2; i < n; ++i)
                energy += bands[std::size_t(b * n + i)] * bands[std::size_t(b * n + i)];
            if (energy > most) {
                most = energy;
                loudest = b;
            }
        }
        EXPECT_EQ(loudest, 5) << "the sixth octave from 31.5 Hz is 1 kHz";
        // The tone's own level comes back in its band (true amplitude, not the file's scale).
        double peak = 0;
        for (std::int64_t i = n / 2; i < n; ++i)
            peak = std::max(peak, std::abs(bands[std::size_t(5 * n + i)]));
        EXPECT_NEAR(peak, 10000, 1000);
        WaveStore::release(header);
        EXPECT_EQ(FilterTest(header, out), msg::NoWaveData);
    }
}

TEST(FiltersApi, AFilterTestLongerThanAResponseMayBeIsRefused)
{
    WaveHeader header;
    header.format.SampleFrequency = kFs;
    ASSERT_TRUE(WaveStore::adoptInterleaved(header, 1, std::vector<std::int16_t>(500000, 100)));
    const std::string out = test::privateRoot() + "/long.wav";
    EXPECT_EQ(FilterTest(header, out), msg::FileTooLong);
    EXPECT_TRUE(bytesOf(out).empty());
    WaveStore::release(header);
}

TEST(FiltersApi, TheHadamardTestPasses)
{
    EXPECT_EQ(TestHadamard(), Ok);
}
