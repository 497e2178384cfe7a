#include "library/files/ResponseFile.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vemra;

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
    h.info.IRStart[1] = 101;
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
    writeTextField(h.Project, 256, std::string(256, 'p'));
    writeTextField(h.Position, 256, "Seat 14");
    writeTextField(h.Engineer, 256, "A. Engineer");
    writeTextField(h.Copyright, 256, "Owner");
    writeTextField(h.Comments, 256, std::string(255, 'c') + "!");
    return h;
}

} // namespace

TEST(WavFile, EveryInformationFieldSurvivesSaveAndLoad)
{
    const WaveHeader out = filledHeader(2, 44100);
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 600; ++i)
        samples.push_back(static_cast<std::int16_t>((i * 97) % 65536 - 32768));
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(files::encodeResponse(files::FileKind::Wav, out, samples, bytes), Ok);

    WaveHeader in;
    std::vector<std::int16_t> back;
    ASSERT_EQ(files::readResponseBytes(files::FileKind::Wav, bytes, in, &back), Ok);
    EXPECT_EQ(back, samples);
    EXPECT_EQ(in.SampleCount, 300);
    EXPECT_EQ(in.DataBytes, 1200);
    EXPECT_EQ(in.format.Channels, 2);
    EXPECT_EQ(in.format.SampleFrequency, 44100);
    EXPECT_EQ(in.format.bitsPerSample, 16);
    EXPECT_EQ(in.format.blockAlign, 4);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(&in) + 312, reinterpret_cast<const char*>(&out) + 312,
                          sizeof(WaveHeader) - 312),
              0);
}
