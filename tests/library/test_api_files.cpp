#include "library/WaveStore.h"
#include "library/api_files.h"
#include "library/Messages.h"
#include "support/ResponseFile.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace vemra;
namespace fs = std::filesystem;

namespace {

std::vector<std::int16_t> stereoFrames(int frames)
{
    std::vector<std::int16_t> s;
    for (int i = 0; i < frames; ++i) {
        s.push_back(static_cast<std::int16_t>(i));
        s.push_back(static_cast<std::int16_t>(-2 * i));
    }
    return s;
}

std::string savedResponse(const std::string& name, int frames = 300)
{
    return test::ResponseFile(name).channels(2).samples(stereoFrames(frames)).engineer("Kim").write();
}

} // namespace

TEST(ResponseFiles, OpenHoldsTheSamplesUntilClose)
{
    const std::string path = savedResponse("open.wav");
    WaveHeader h;
    writeFileNameField(h, path);
    ASSERT_EQ(GetWaveHeader(h), Ok);
    EXPECT_EQ(h.SampleCount, 300);
    EXPECT_FALSE(WaveStore::isOpen(h));
    ASSERT_EQ(OpenWave(h), Ok);
    ASSERT_TRUE(WaveStore::isOpen(h));
    EXPECT_EQ(WaveStore::channels(h), 2);
    EXPECT_EQ(WaveStore::frames(h), 300);
    EXPECT_EQ(WaveStore::samples(h, 1)[5], -10);
    EXPECT_EQ(WaveStore::floatSamples(h, 0)[7], 7.0f);
    EXPECT_TRUE(WaveStore::samples(h, 2).empty());
    EXPECT_EQ(WaveStore::interleaved(h), stereoFrames(300));

    // The file may go: the samples stay until CloseWave.
    fs::remove(path);
    EXPECT_EQ(WaveStore::samples(h, 0)[299], 299);
    EXPECT_EQ(CloseWave(h), Ok);
    EXPECT_FALSE(WaveStore::isOpen(h));
    EXPECT_EQ(h.reserved1[0], 0);
}

TEST(ResponseFiles, SaveWritesTheOpenResponseWithTheHeadersInformation)
{
    WaveHeader h;
    writeFileNameField(h, savedResponse("save-src.wav"));
    ASSERT_EQ(GetWaveHeader(h), Ok);
    ASSERT_EQ(OpenWave(h), Ok);
    writeTextField(h.Project, 256, "changed after loading");
    const std::string target = test::privateRoot() + "/save-dst.wav";
    ASSERT_EQ(SaveWaveAs(h, target), Ok);

    WaveHeader back;
    writeFileNameField(back, target);
    ASSERT_EQ(GetWaveHeader(back), Ok);
    EXPECT_EQ(readTextField(back.Project, 256), "changed after loading");
    EXPECT_EQ(readTextField(back.Engineer, 256), "Kim");
    ASSERT_EQ(OpenWave(back), Ok);
    EXPECT_EQ(WaveStore::interleaved(back), WaveStore::interleaved(h));
    CloseWave(back);
    CloseWave(h);
    EXPECT_EQ(SaveWaveAs(h, target), msg::NoWaveData);
}

TEST(ResponseFiles, FailedReadLeavesTheHeader)
{
    WaveHeader h;
    writeFileNameField(h, test::privateRoot() + "/does-not-exist.wav");
    const WaveHeader before = h;
    EXPECT_EQ(GetWaveHeader(h), msg::CannotRead);
    EXPECT_EQ(OpenWave(h), msg::CannotRead);
    EXPECT_EQ(std::memcmp(&h, &before, sizeof h), 0);
}

TEST(ResponseFiles, OpenRefusesWhatItCannotHold)
{
    // An 8-bit file: described, not opened.
    const std::string path = test::privateRoot() + "/eight.wav";
    {
        std::vector<std::uint8_t> b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                       1, 0, 1, 0, 0x40, 0x1f, 0, 0, 0x40, 0x1f, 0, 0, 1, 0, 8, 0,
                                       'd', 'a', 't', 'a', 0, 1, 0, 0};
        b.resize(b.size() + 256, 0x80);
        const std::uint32_t riffSize = static_cast<std::uint32_t>(b.size() - 8);
        std::memcpy(b.data() + 4, &riffSize, 4);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    WaveHeader h;
    writeFileNameField(h, path);
    ASSERT_EQ(GetWaveHeader(h), Ok);
    EXPECT_EQ(h.format.bitsPerSample, 8);
    EXPECT_EQ(OpenWave(h), msg::BadBitsPerSample);
    EXPECT_FALSE(WaveStore::isOpen(h));
}

TEST(ResponseFiles, TempNamesAreIssuedAndOnlyThoseDeleted)
{
    std::string name;
    ASSERT_EQ(GetTempName(name), Ok);
    EXPECT_TRUE(fs::exists(name));
    EXPECT_TRUE(IsTempName(name));
    const std::string users = test::privateRoot() + "/x.tmp";
    std::ofstream(users) << "x";
    EXPECT_FALSE(DeleteTempFile(users));
    EXPECT_TRUE(fs::exists(users));
    EXPECT_TRUE(DeleteTempFile(name));
    EXPECT_FALSE(fs::exists(name));
}

TEST(ResponseFiles, TimTemplateAvailabilityFollowsTheDataFolder)
{
    const std::string folder = test::privateRoot() + "/data";
    fs::create_directories(folder);
    SetDataFolder(folder);
    EXPECT_FALSE(TimTemplateAvailable());
    std::ofstream(folder + "/timsetup.dat") << std::string(106, '\0');
    EXPECT_TRUE(TimTemplateAvailable());
    SetDataFolder("");
}

TEST(WaveStoreEdits, EditUpdatesTheHeaderAndRevision)
{
    WaveHeader h;
    h.format.SampleFrequency = 8000;
    ASSERT_TRUE(WaveStore::adopt(h, {{1, 2, 3}, {-1, -2, -3}}));
    EXPECT_EQ(h.SampleCount, 3);
    EXPECT_EQ(h.format.Channels, 2);
    EXPECT_EQ(h.MaxDataValue[1], -1);
    const auto before = WaveStore::revision(h);
    ASSERT_EQ(WaveStore::floatSamples(h, 0).size(), 3u);

    ASSERT_TRUE(WaveStore::edit(h, [](WaveStore::Channels& c) {
        for (auto& ch : c)
            ch.push_back(100);
    }));
    EXPECT_EQ(h.SampleCount, 4);
    EXPECT_EQ(h.DataBytes, 16);
    EXPECT_EQ(h.MaxDataValue[1], 100);
    EXPECT_GT(WaveStore::revision(h), before);
    EXPECT_EQ(WaveStore::floatSamples(h, 1)[3], 100.0f);

    // Unequal channels are refused and nothing changes.
    EXPECT_FALSE(WaveStore::edit(h, [](WaveStore::Channels& c) { c[0].pop_back(); }));
    EXPECT_EQ(WaveStore::frames(h), 4);

    // A copy of the header made after release reaches nothing.
    WaveHeader copy = h;
    WaveStore::release(h);
    EXPECT_FALSE(WaveStore::isOpen(copy));
    EXPECT_FALSE(WaveStore::adopt(h, {}));
    EXPECT_FALSE(WaveStore::adopt(h, {{1}, {2}, {3}}));
}
