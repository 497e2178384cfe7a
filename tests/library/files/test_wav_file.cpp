#include "library/Messages.h"
#include "library/files/ResponseFile.h"
#include "riff_builder.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

using namespace vemra;
using files::FileKind;
using test::Chunk;

namespace {

WaveHeader filledHeader(int channels, int rate)
{
    WaveHeader h;
    h.format.Channels = static_cast<std::int16_t>(channels);
    h.format.SampleFrequency = rate;
    h.info.time = 123456789;
    h.info.versionMajor = 3;
    h.info.versionMinor = 0;
    h.info.versionRevision = 12;
    h.info.AvgCount = 16;
    h.info.Stimulus = 5;
    h.info.Receiver = 2;
    h.info.SourceFilter = 3;
    h.info.ProbeDist = 12.5f;
    h.info.Temperature = 23.25f;
    h.info.IRStart[0] = 100;
    h.info.IRStart[1] = channels == 2 ? 101 : -1;
    h.gains.channelFactor[0] = 0.5f;
    h.gains.channelFactor[1] = 0.25f;
    h.gains.GainIntOut = -3;
    h.gains.GainExtOut = 4.5f;
    h.gains.GainIntCha[0] = 1;
    h.gains.GainIntCha[1] = 2;
    h.gains.GainExtCha[0] = 3;
    h.gains.GainExtCha[1] = 4;
    for (int i = 0; i < 7; ++i) {
        h.gains.GainCalCh1[i] = 10.0f + i;
        h.gains.GainCalCh2[i] = -1.0f - i;
    }
    writeTextField(h.gains.CalID, 256, "Room 3 calibration");
    writeTextField(h.Project, 256, std::string(256, 'p')); // full field: no terminator
    writeTextField(h.Position, 256, "Seat 14");
    writeTextField(h.Engineer, 256, "A. Engineer");
    writeTextField(h.Copyright, 256, "Owner");
    writeTextField(h.Comments, 256, std::string(255, 'c') + "!");
    return h;
}

std::vector<std::int16_t> ramp(std::size_t n)
{
    std::vector<std::int16_t> s(n);
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<std::int16_t>(static_cast<int>((i * 977) % 65536) - 32768);
    return s;
}

std::string tempPath(const std::string& name) { return test::privateRoot() + "/" + name; }

bool havePython()
{
    return std::system("python3 -c 'import wave' > /dev/null 2>&1") == 0;
}

// A valid file of ours to cut and damage.
std::vector<std::uint8_t> ourFile(int channels, std::size_t frames)
{
    std::vector<std::uint8_t> bytes;
    const auto s = ramp(frames * channels);
    EXPECT_EQ(files::encodeResponse(FileKind::Wav, filledHeader(channels, 48000), s, bytes), Ok);
    return bytes;
}

} // namespace

TEST(WavFile, EveryHeaderFieldAndSampleSurvivesSaveAndLoad)
{
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        const WaveHeader out = filledHeader(channels, 44100);
        const auto samples = ramp(300 * channels);
        const std::string path = tempPath("roundtrip.wav");
        ASSERT_EQ(files::writeResponseWav(path, out, samples), Ok);

        WaveHeader in;
        writeFileNameField(in, path);
        in.reserved1[0] = 77; // the library's own: reading leaves it alone
        std::vector<std::int16_t> back;
        ASSERT_EQ(files::readResponse(path, in, &back), Ok);
        EXPECT_EQ(back, samples);
        EXPECT_EQ(readFileNameField(in), path);
        EXPECT_EQ(in.reserved1[0], 77);
        EXPECT_EQ(in.SampleCount, 300);
        EXPECT_EQ(in.DataBytes, 600 * channels);
        EXPECT_EQ(in.format.formatTag, 1);
        EXPECT_EQ(in.format.Channels, channels);
        EXPECT_EQ(in.format.SampleFrequency, 44100);
        EXPECT_EQ(in.format.avgBytesPerSec, 44100 * 2 * channels);
        EXPECT_EQ(in.format.blockAlign, 2 * channels);
        EXPECT_EQ(in.format.bitsPerSample, 16);
        // Bytes 312..1971 (information, texts, gains) come back bit for bit.
        EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(&in) + 312, reinterpret_cast<const char*>(&out) + 312,
                              sizeof(WaveHeader) - 312),
                  0);
        EXPECT_EQ(readTextField(in.Project, 256), std::string(256, 'p'));
    }
}

TEST(WavFile, ResponseWithoutFramesReadsBack)
{
    // Refused later by the document for its length, but a file we wrote must read.
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(files::encodeResponse(FileKind::Wav, filledHeader(channels, 8000), {}, bytes), Ok);
        WaveHeader in;
        std::vector<std::int16_t> samples(3);
        ASSERT_EQ(files::readResponseBytes(FileKind::Wav, bytes, in, &samples), Ok);
        EXPECT_TRUE(samples.empty());
        EXPECT_EQ(in.SampleCount, 0);
        EXPECT_EQ(readTextField(in.Position, 256), "Seat 14");
    }
}

TEST(WavFile, MinAndMaxArePerChannel)
{
    WaveHeader h = filledHeader(2, 8000);
    std::vector<std::int16_t> s(2 * 300, 0);
    s[10] = 1000;  // channel 0
    s[11] = -2000; // channel 1
    s[21] = 3000;  // channel 1
    s[40] = -5;    // channel 0
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(files::encodeResponse(FileKind::Wav, h, s, bytes), Ok);
    WaveHeader in;
    std::vector<std::int16_t> frames;
    ASSERT_EQ(files::readResponseBytes(FileKind::Wav, bytes, in, &frames), Ok);
    EXPECT_EQ(in.MaxDataValue[0], 1000);
    EXPECT_EQ(in.MinDataValue[0], -5);
    EXPECT_EQ(in.MaxDataValue[1], 3000);
    EXPECT_EQ(in.MinDataValue[1], -2000);
    EXPECT_EQ(frames, s);
    // The header read decodes no sample: it knows no extremes.
    WaveHeader described;
    ASSERT_EQ(files::readResponseBytes(FileKind::Wav, bytes, described, nullptr), Ok);
    EXPECT_EQ(described.MaxDataValue[0], 0);
    EXPECT_EQ(described.MinDataValue[1], 0);
    EXPECT_EQ(described.SampleCount, 300);
}

// A long file is converted piece by piece: every sample lands in its channel, across the pieces' seams and in
// the last, partial piece, whether the file is read from disk or from memory.
TEST(WavFile, LongFilesReachTheirChannelsWhole)
{
    for (const int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        const std::int64_t frames = 2 * 16384 + 1001;
        WaveHeader h = filledHeader(channels, 48000);
        std::vector<std::int16_t> interleaved(static_cast<std::size_t>(frames * channels));
        auto value = [](std::int64_t i, int c) { return static_cast<std::int16_t>((i * 37 + c * 11) % 30011 - 15000); };
        for (std::int64_t i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c)
                interleaved[static_cast<std::size_t>(i * channels + c)] = value(i, c);
        interleaved[static_cast<std::size_t>((frames - 1) * channels)] = 32767; // the very last frame's extreme
        const std::string path = test::privateRoot() + "/long" + std::to_string(channels) + ".wav";
        ASSERT_EQ(files::writeResponse(path, h, interleaved), Ok);

        WaveHeader in;
        files::PlanarSamples planar;
        ASSERT_EQ(files::readResponsePlanar(path, in, &planar), Ok);
        ASSERT_EQ(planar.size(), std::size_t(channels));
        for (int c = 0; c < channels; ++c) {
            ASSERT_EQ(planar[std::size_t(c)].size(), std::size_t(frames));
            for (std::int64_t i = 0; i < frames; ++i)
                ASSERT_EQ(planar[std::size_t(c)][std::size_t(i)], interleaved[std::size_t(i * channels + c)])
                    << "frame " << i << " channel " << c;
        }
        EXPECT_EQ(in.MaxDataValue[0], 32767);
        EXPECT_EQ(in.MinDataValue[0], -15000);
        EXPECT_EQ(in.SampleCount, frames);
        std::vector<std::int16_t> back;
        ASSERT_EQ(files::readResponse(path, in, &back), Ok);
        EXPECT_EQ(back, interleaved);
    }
}

TEST(WavFile, NulAndBlankPaddedTextsReadTheSame)
{
    for (char pad : {' ', '\0'}) {
        SCOPED_TRACE(pad == ' ' ? "blank" : "NUL");
        WaveHeader h = filledHeader(1, 8000);
        for (char* t : {h.Project, h.Position, h.Engineer, h.Copyright, h.Comments, h.gains.CalID}) {
            std::memset(t, pad, 256);
            std::memcpy(t, "  text  ", 8);
        }
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(files::encodeResponse(FileKind::Wav, h, ramp(300), bytes), Ok);
        WaveHeader in;
        ASSERT_EQ(files::readResponseBytes(FileKind::Wav, bytes, in, nullptr), Ok);
        for (const char* t : {in.Project, in.Position, in.Engineer, in.Copyright, in.Comments, in.gains.CalID})
            EXPECT_EQ(readTextField(t, 256), "text");
    }
}

TEST(WavFile, OtherProgramsReadOurFiles)
{
    const std::string path = tempPath("ours.wav");
    const auto samples = ramp(2 * 400);
    ASSERT_EQ(files::writeResponseWav(path, filledHeader(2, 32000), samples), Ok);

    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplerate, 32000);
    EXPECT_EQ(info.frames, 400);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    std::vector<std::int16_t> back(samples.size());
    EXPECT_EQ(sf_readf_short(sf, back.data(), 400), 400);
    sf_close(sf);
    EXPECT_EQ(back, samples);

    if (!havePython())
        GTEST_SKIP() << "python3 not available for the second reader";
    const std::string cmd = "python3 -c \"import wave,sys; w=wave.open('" + path +
                            "'); sys.exit(0 if (w.getnchannels(),w.getsampwidth(),w.getframerate(),w.getnframes())"
                            "==(2,2,32000,400) else 1)\"";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST(WavFile, FilesOfOtherProgramsLoadWithDefaults)
{
    std::vector<std::uint8_t> bytes = test::riff({{"fmt ", test::fmtBody(1, 2, 22050, 16)},
                                                  {"LIST", std::vector<std::uint8_t>(7, 'x')}, // odd, padded
                                                  {"data", test::pcm16(ramp(2 * 256))}});
    WaveHeader h;
    std::vector<std::int16_t> samples;
    ASSERT_EQ(files::readResponseBytes(FileKind::Wav, bytes, h, &samples), Ok);
    EXPECT_EQ(samples, ramp(2 * 256));
    EXPECT_EQ(h.SampleCount, 256);
    EXPECT_EQ(h.format.SampleFrequency, 22050);
    EXPECT_EQ(h.info.IRStart[0], -1);
    EXPECT_EQ(h.info.IRStart[1], -1);
    EXPECT_EQ(h.info.Temperature, 20.0f);
    EXPECT_EQ(h.info.time, 0);
    EXPECT_EQ(h.gains.channelFactor[0], 1.0f);
    EXPECT_EQ(h.gains.channelFactor[1], 1.0f);
    EXPECT_EQ(readTextField(h.Project, 256), "");
    EXPECT_EQ(readTextField(h.gains.CalID, 256), "");
}

TEST(WavFile, FileWrittenByPythonWaveLoadsWithDefaults)
{
    if (!havePython())
        GTEST_SKIP() << "python3 not available";
    const std::string path = tempPath("python.wav");
    const std::string cmd = "python3 -c \"import wave,struct; w=wave.open('" + path +
                            "','wb'); w.setnchannels(1); w.setsampwidth(2); w.setframerate(44100); "
                            "w.writeframes(b''.join(struct.pack('<h', (i*37)%2000-1000) for i in range(1000))); "
                            "w.close()\"";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    WaveHeader h;
    std::vector<std::int16_t> samples;
    ASSERT_EQ(files::readResponse(path, h, &samples), Ok);
    ASSERT_EQ(samples.size(), 1000u);
    EXPECT_EQ(samples[3], (3 * 37) % 2000 - 1000);
    EXPECT_EQ(h.format.Channels, 1);
    EXPECT_EQ(h.format.SampleFrequency, 44100);
    EXPECT_EQ(h.info.IRStart[0], -1);
    EXPECT_EQ(h.info.Temperature, 20.0f);
}

TEST(WavFile, WaveFormatExtensiblePcmLoads)
{
    std::vector<std::uint8_t> fmt = test::fmtBody(0xFFFE, 1, 48000, 16);
    test::putLe(fmt, 22, 2);      // extension size
    test::putLe(fmt, 16, 2);      // valid bits
    test::putLe(fmt, 4, 4);       // channel mask
    const std::uint8_t pcm[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xaa, 0, 0x38, 0x9b, 0x71};
    fmt.insert(fmt.end(), pcm, pcm + 16);
    const auto bytes = test::riff({{"fmt ", fmt}, {"data", test::pcm16(ramp(300))}});
    WaveHeader h;
    std::vector<std::int16_t> samples;
    ASSERT_EQ(files::readResponseBytes(FileKind::Wav, bytes, h, &samples), Ok);
    EXPECT_EQ(samples, ramp(300));
}

TEST(WavFile, OtherWidthsAreDescribedButNotOpened)
{
    for (int bits : {8, 24, 32}) {
        SCOPED_TRACE(bits);
        const int frames = 300;
        const auto bytes = test::riff({{"fmt ", test::fmtBody(1, 1, 8000, bits)},
                                       {"data", std::vector<std::uint8_t>(frames * bits / 8, 0x80)}});
        WaveHeader h;
        ASSERT_EQ(files::readResponseBytes(FileKind::Wav, bytes, h, nullptr), Ok);
        EXPECT_EQ(h.format.bitsPerSample, bits);
        EXPECT_EQ(h.SampleCount, frames);
        std::vector<std::int16_t> samples;
        EXPECT_EQ(files::readResponseBytes(FileKind::Wav, bytes, h, &samples), msg::BadBitsPerSample);
    }
}

TEST(WavFile, MalformedFilesGetTheirMessage)
{
    const auto data = test::pcm16(ramp(300));
    const auto fmt = test::fmtBody(1, 1, 8000, 16);
    std::vector<std::uint8_t> badChunk = {1, 0, 0, 0, 8, 0, 0, 0}; // ours, but shorter than it must be
    auto cut = [](std::vector<std::uint8_t> b, std::size_t n) {
        b.resize(n);
        return b;
    };
    const auto good = test::riff({{"fmt ", fmt}, {"data", data}});
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        VResult expected;
    };
    const Case cases[] = {
        {"empty", {}, msg::BadRiff},
        {"not RIFF", std::vector<std::uint8_t>(64, 'a'), msg::BadRiff},
        {"big-endian RIFX", test::riff({{"fmt ", fmt}, {"data", data}}, "WAVE", "RIFX"), msg::UnsupportedWave},
        {"RIFF of another form", test::riff({{"fmt ", fmt}, {"data", data}}, "AVI "), msg::BadWave},
        {"chunk header cut off", cut(good, 12 + 8 + 16 + 4), msg::BadWave},
        {"fmt chunk longer than the file", test::riff({{"fmt ", fmt, 4000}}), msg::BadWave},
        {"data chunk longer than the file", test::riff({{"fmt ", fmt}, {"data", data, 100000}}),
         msg::BadDataChunk},
        {"data cut short", cut(good, good.size() - 10), msg::BadDataChunk},
        {"no fmt chunk", test::riff({{"data", data}}), msg::BadFormat},
        {"fmt chunk too small", test::riff({{"fmt ", cut(fmt, 12)}, {"data", data}}), msg::BadFormat},
        {"block align 0", test::riff({{"fmt ", test::fmtBody(1, 1, 8000, 16, 0)}, {"data", data}}),
         msg::BadFormat},
        {"block align not channels x width", test::riff({{"fmt ", test::fmtBody(1, 1, 8000, 16, 3)}, {"data", data}}),
         msg::BadFormat},
        {"rate 0", test::riff({{"fmt ", test::fmtBody(1, 1, 0, 16)}, {"data", data}}), msg::BadFormat},
        {"bits 0", test::riff({{"fmt ", test::fmtBody(1, 1, 8000, 0, 2)}, {"data", data}}), msg::BadFormat},
        {"zero channels", test::riff({{"fmt ", test::fmtBody(1, 0, 8000, 16, 2)}, {"data", data}}),
         msg::BadChannelCount},
        {"three channels", test::riff({{"fmt ", test::fmtBody(1, 3, 8000, 16)}, {"data", data}}),
         msg::BadChannelCount},
        {"float samples", test::riff({{"fmt ", test::fmtBody(3, 1, 8000, 32)}, {"data", data}}),
         msg::UnsupportedWave},
        {"no data chunk", test::riff({{"fmt ", fmt}}), msg::NoWaveData},
        {"our chunk too short", test::riff({{"fmt ", fmt}, {"vmra", badChunk}, {"data", data}}),
         msg::BadFormat},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaveHeader h;
        writeFileNameField(h, "unchanged");
        const WaveHeader before = h;
        std::vector<std::int16_t> samples;
        EXPECT_EQ(files::readResponseBytes(FileKind::Wav, c.bytes, h, &samples), c.expected);
        EXPECT_EQ(std::memcmp(&h, &before, sizeof h), 0) << "a failed read changed the header";
    }
}

TEST(WavFile, EveryTruncationOfOurFileIsRefusedOrReadInBounds)
{
    // Cut at every length: a cut inside the chunks is a message, never a crash; only the whole file loads.
    const auto bytes = ourFile(2, 260);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        WaveHeader h;
        std::vector<std::int16_t> samples;
        EXPECT_NE(files::readResponseBytes(FileKind::Wav, cut, h, &samples), Ok) << "length " << n;
    }
}

TEST(WavFile, ImpossibleStoredValuesFallBackToDefaults)
{
    WaveHeader h = filledHeader(1, 8000);
    h.info.IRStart[0] = 5000; // beyond the 300 frames
    h.info.Temperature = std::numeric_limits<float>::quiet_NaN();
    h.gains.channelFactor[0] = 0;
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(files::encodeResponse(FileKind::Wav, h, ramp(300), bytes), Ok);
    WaveHeader in;
    ASSERT_EQ(files::readResponseBytes(FileKind::Wav, bytes, in, nullptr), Ok);
    EXPECT_EQ(in.info.IRStart[0], -1);
    EXPECT_EQ(in.info.Temperature, 20.0f);
    EXPECT_EQ(in.gains.channelFactor[0], 1.0f);
}

TEST(WavFile, WriterRefusesWhatItCannotDescribe)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(files::encodeResponse(FileKind::Wav, filledHeader(3, 8000), ramp(9), bytes), msg::BadChannelCount);
    EXPECT_EQ(files::encodeResponse(FileKind::Wav, filledHeader(2, 8000), ramp(9), bytes), msg::BadFormat);
    EXPECT_EQ(files::encodeResponse(FileKind::Wav, filledHeader(1, 0), ramp(9), bytes), msg::BadFormat);
}

TEST(WavFile, KindFollowsTheExtension)
{
    EXPECT_EQ(files::kindOfPath("/a/b.TIM"), FileKind::Tim);
    EXPECT_EQ(files::kindOfPath("x.Txt"), FileKind::Txt);
    EXPECT_EQ(files::kindOfPath("x.wav"), FileKind::Wav);
    EXPECT_EQ(files::kindOfPath("/tmp/vemra-1.tmp"), FileKind::Wav);
    EXPECT_EQ(files::kindOfPath("/a.txt/b"), FileKind::Wav);
}
