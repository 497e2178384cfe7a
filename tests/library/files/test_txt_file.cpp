#include "library/Messages.h"
#include "library/files/ResponseFile.h"

#include <gtest/gtest.h>

#include <string>

using namespace vemra;
using files::FileKind;

namespace {

VResult readText(const std::string& text, WaveHeader& h, std::vector<std::int16_t>& s)
{
    return files::readResponseBytes(FileKind::Txt,
                                    {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, h, &s);
}

} // namespace

TEST(TxtFile, HeaderLinesSeparatorsAndScales)
{
    struct Case {
        const char* name;
        std::string text;
        int channels, rate;
        std::vector<std::int16_t> samples;
    };
    const Case cases[] = {
        {"fractions, default rate", "0.5\n-0.25\n1\n", 1, 48000, {16384, -8192, 32767}},
        {"16-bit units", "100\n-200\n3000\n", 1, 48000, {100, -200, 3000}},
        {"header lines, tabs", "# rate=44100\n# channels=2\n0.5\t-0.5\n0\t0.25\n", 2, 44100, {16384, -16384, 0, 8192}},
        {"semicolons and blanks", "# rate = 8000\n1000 ; -1000\n  5;6  \n", 2, 8000, {1000, -1000, 5, 6}},
        {"CRLF, remarks and empty lines", "# made by hand\r\n\r\n0.5\r\n+0.5\r\n", 1, 48000, {16384, 16384}},
        {"exponents", "1e3\n-2.5E2\n", 1, 48000, {1000, -250}},
        {"key words in any case", "# RATE=22050\n# Channels = 2\n1 2\n", 2, 22050, {1, 2}},
        {"a header line after the data is a remark", "# rate=8000\n5\n# rate=16000\n6\n", 1, 8000, {5, 6}},
        {"the highest rate", "# rate=10000000\n5\n", 1, 10000000, {5}},
        {"the 16-bit extremes", "32767\n-32768\n", 1, 48000, {32767, -32768}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaveHeader h;
        std::vector<std::int16_t> s;
        ASSERT_EQ(readText(c.text, h, s), Ok);
        EXPECT_EQ(h.format.Channels, c.channels);
        EXPECT_EQ(h.format.SampleFrequency, c.rate);
        EXPECT_EQ(h.SampleCount, static_cast<int>(c.samples.size()) / c.channels);
        EXPECT_EQ(s, c.samples);
        EXPECT_EQ(h.info.IRStart[0], -1);
    }
}

TEST(TxtFile, MalformedTextGetsItsMessage)
{
    struct Case {
        const char* name;
        std::string text;
        VResult expected;
    };
    const Case cases[] = {
        {"word in a line", "0.1\nabc\n", msg::BadTxt},
        {"decimal comma", "0,5\n", msg::BadTxt},
        {"number with trailing letters", "12x\n", msg::BadTxt},
        {"not a number", "nan\n", msg::BadTxt},
        {"infinite", "inf\n", msg::BadTxt},
        {"beyond double", "1e999\n", msg::BadTxt},
        {"beyond 16 bits", "40000\n", msg::BadTxt},
        {"just above 16 bits", "32768\n", msg::BadTxt},
        {"just below 16 bits", "-32769\n", msg::BadTxt},
        {"lines of different width", "1 2\n3\n", msg::BadTxt},
        {"three numbers", "1 2 3\n", msg::BadChannelCount},
        {"channels 3", "# channels=3\n1\n", msg::BadChannelCount},
        {"channels 3 in capitals", "# CHANNELS=3\n1\n", msg::BadChannelCount},
        {"channels not a number", "# channels=two\n1\n", msg::BadTxt},
        {"rate 0", "# rate=0\n1\n", msg::BadTxt},
        {"rate not whole", "# rate=44.1\n1\n", msg::BadTxt},
        {"rate above ten megahertz", "# rate=10000001\n1\n", msg::BadTxt},
        {"NUL byte", std::string("1\n\0\n", 4), msg::BadTxt},
        {"no data", "# rate=8000\n\n", msg::TooFewSamples},
        {"empty", "", msg::TooFewSamples},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaveHeader h;
        std::vector<std::int16_t> s;
        EXPECT_EQ(readText(c.text, h, s), c.expected);
    }
}

TEST(TxtFile, WrittenFileReadsBackExactly)
{
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        WaveHeader h;
        h.format.Channels = static_cast<std::int16_t>(channels);
        h.format.SampleFrequency = 22050;
        std::vector<std::int16_t> s;
        for (int v : {-32768, -32767, -1, 0, 1, 2, 12345, 32767})
            for (int c = 0; c < channels; ++c)
                s.push_back(static_cast<std::int16_t>(v));
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(files::encodeResponse(FileKind::Txt, h, s, bytes), Ok);
        WaveHeader in;
        std::vector<std::int16_t> back;
        ASSERT_EQ(files::readResponseBytes(FileKind::Txt, bytes, in, &back), Ok);
        EXPECT_EQ(back, s);
        EXPECT_EQ(in.format.SampleFrequency, 22050);
        EXPECT_EQ(in.format.Channels, channels);
    }
}

TEST(TxtFile, LengthBeyondTheLimitIsCountedNotKept)
{
    std::string text;
    text.reserve((files::kMaxFrames + 1) * 2);
    for (std::int64_t i = 0; i <= files::kMaxFrames; ++i)
        text += "0\n";
    WaveHeader h;
    std::vector<std::int16_t> s;
    EXPECT_EQ(readText(text, h, s), msg::FileTooLong);
    EXPECT_EQ(files::readResponseBytes(FileKind::Txt, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()},
                                       h, nullptr),
              Ok);
    EXPECT_EQ(h.SampleCount, files::kMaxFrames + 1);
}
