#include "library/Messages.h"
#include "library/files/ResponseFile.h"
#include "library/files/TempFiles.h"
#include "riff_builder.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

using namespace vemra;
using files::FileKind;

namespace {

constexpr std::size_t kSetup = 104;

// A time file laid out by hand: head, float samples, title, comment, set-up record.
std::vector<std::uint8_t> timFile(const std::vector<float>& samples, float interval_ms = 1000.0f / 48000,
                                  std::int16_t algorithm = 1, std::int64_t count = -1, bool bigEndian = false)
{
    std::vector<std::uint8_t> out;
    auto put = [&](std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
            out.push_back(static_cast<std::uint8_t>(v >> shift));
        }
    };
    put(0xABCD, 2);
    put(0xFFFF, 2);
    put(static_cast<std::uint16_t>(algorithm), 2);
    put(std::bit_cast<std::uint32_t>(interval_ms), 4);
    put(static_cast<std::uint32_t>(count < 0 ? samples.size() : count), 4);
    for (float s : samples)
        put(std::bit_cast<std::uint32_t>(s), 4);
    std::string title = "Hall A";
    title.resize(80, '\0');
    std::string comment = "seat 3";
    comment.resize(60, ' ');
    out.insert(out.end(), title.begin(), title.end());
    out.insert(out.end(), comment.begin(), comment.end());
    out.insert(out.end(), kSetup, 0);
    return out;
}

class TimFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = test::privateRoot() + "/data-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::create_directories(folder_);
        files::setDataFolder(folder_);
    }
    void TearDown() override { files::setDataFolder(""); }
    void installTemplate()
    {
        std::vector<char> setup(2 + kSetup, 0);
        setup[2] = 0x55; // a recognisable set-up byte
        std::ofstream(files::timTemplatePath(), std::ios::binary).write(setup.data(), static_cast<std::streamsize>(setup.size()));
    }
    std::string folder_;
};

} // namespace

TEST_F(TimFile, ReadsSamplesAsTrueAmplitudes)
{
    const std::vector<float> samples = {0.0f, 0.5f, -0.25f, 0.125f};
    WaveHeader h;
    std::vector<std::int16_t> s;
    ASSERT_EQ(files::readResponseBytes(FileKind::Tim, timFile(samples), h, &s), Ok);
    EXPECT_EQ(h.format.Channels, 1);
    EXPECT_EQ(h.format.SampleFrequency, 48000);
    EXPECT_EQ(h.SampleCount, 4);
    EXPECT_EQ(h.format.bitsPerSample, 16);
    EXPECT_EQ(s[1], 32767);
    for (std::size_t i = 0; i < samples.size(); ++i)
        EXPECT_NEAR(s[i] * h.gains.channelFactor[0], samples[i], 0.5f / 32767) << i;
    EXPECT_EQ(readTextField(h.Project, 256), "Hall A");
    EXPECT_EQ(readTextField(h.Comments, 256), "seat 3");
    EXPECT_EQ(h.info.IRStart[0], -1);
}

TEST_F(TimFile, TinyAmplitudesKeepAUsableFactor)
{
    const float tiny = std::numeric_limits<float>::denorm_min() * 4;
    WaveHeader h;
    std::vector<std::int16_t> s;
    ASSERT_EQ(files::readResponseBytes(FileKind::Tim, timFile({tiny, -tiny, 0.0f}), h, &s), Ok);
    EXPECT_GT(h.gains.channelFactor[0], 0.0f);
    EXPECT_EQ(s[0], -s[1]);
    EXPECT_EQ(s[2], 0);
}

TEST_F(TimFile, BigEndianFilesReadLikeLittleEndianOnes)
{
    const std::vector<float> samples = {0.1f, -0.2f, 0.3f};
    WaveHeader le, be;
    std::vector<std::int16_t> a, b;
    ASSERT_EQ(files::readResponseBytes(FileKind::Tim, timFile(samples), le, &a), Ok);
    ASSERT_EQ(files::readResponseBytes(FileKind::Tim, timFile(samples, 1000.0f / 48000, 1, -1, true), be, &b), Ok);
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::memcmp(&le, &be, sizeof le), 0);
}

TEST_F(TimFile, MalformedFilesGetTheirMessage)
{
    const std::vector<float> s(16, 0.25f);
    auto withByte = [](std::vector<std::uint8_t> b, std::size_t at, std::uint8_t v) {
        b[at] = v;
        return b;
    };
    auto cut = [](std::vector<std::uint8_t> b, std::size_t n) {
        b.resize(n);
        return b;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        VResult expected;
    };
    const Case cases[] = {
        {"empty", {}, msg::BadTim},
        {"shorter than the fixed part", cut(timFile({}), 200), msg::BadTim},
        {"wrong first tag", withByte(timFile(s), 0, 0x00), msg::BadTim},
        {"wrong second tag", withByte(timFile(s), 2, 0x00), msg::BadTim},
        {"point count beyond the file", timFile(s, 0.02f, 1, 17), msg::BadTim},
        {"huge point count", timFile(s, 0.02f, 1, 0xFFFFFFFFll), msg::BadTim},
        {"zero interval", timFile(s, 0.0f), msg::BadTim},
        {"negative interval", timFile(s, -1.0f), msg::BadTim},
        {"interval not a number", timFile(s, std::nanf("")), msg::BadTim},
        {"interval too small for a rate", timFile(s, 1e-30f), msg::BadTim},
        {"sample not a number", timFile({0.1f, std::nanf("")}), msg::BadTim},
        {"other acquisition", timFile(s, 0.02f, 7), msg::TimNotSyncCorrelation},
        {"samples cut off", cut(timFile(s), timFile(s).size() - 1), msg::BadTim},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaveHeader h;
        std::vector<std::int16_t> samples;
        EXPECT_EQ(files::readResponseBytes(FileKind::Tim, c.bytes, h, &samples), c.expected);
    }
}

TEST_F(TimFile, SavingNeedsTheSetUpTemplate)
{
    WaveHeader h;
    h.format.Channels = 1;
    h.format.SampleFrequency = 48000;
    const std::vector<std::int16_t> s(300, 100);
    const std::string path = folder_ + "/out.tim";
    EXPECT_EQ(files::writeResponse(path, h, s), msg::TimCannotSave);
    EXPECT_FALSE(std::filesystem::exists(path));

    installTemplate();
    h.format.Channels = 2;
    EXPECT_EQ(files::writeResponse(path, h, std::vector<std::int16_t>(600, 1)), msg::TimSingleChannel);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(TimFile, SavedFileReadsBack)
{
    installTemplate();
    WaveHeader h;
    h.format.Channels = 1;
    h.format.SampleFrequency = 44100;
    h.gains.channelFactor[0] = 0.001f;
    writeTextField(h.Project, 256, "Church");
    writeTextField(h.Comments, 256, "nave, row 12");
    std::vector<std::int16_t> s(300);
    for (int i = 0; i < 300; ++i)
        s[i] = static_cast<std::int16_t>((i * 211) % 60001 - 30000);
    const std::string path = folder_ + "/out.tim";
    ASSERT_EQ(files::writeResponse(path, h, s), Ok);

    WaveHeader in;
    std::vector<std::int16_t> back;
    ASSERT_EQ(files::readResponse(path, in, &back), Ok);
    EXPECT_EQ(in.format.SampleFrequency, 44100);
    ASSERT_EQ(back.size(), s.size());
    // Read back on the 16-bit grid of the file's own peak: within half a step of that grid.
    const float step = in.gains.channelFactor[0];
    for (std::size_t i = 0; i < s.size(); ++i)
        ASSERT_NEAR(back[i] * step, s[i] * 0.001f, 0.5f * step * 1.001f) << i;
    EXPECT_EQ(readTextField(in.Project, 256), "Church");
    EXPECT_EQ(readTextField(in.Comments, 256), "nave, row 12");
}
