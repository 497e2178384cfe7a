#include "library/records.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vemra;

TEST(Records, NoValueIsTheSingleOneE38)
{
    std::uint32_t bits;
    std::memcpy(&bits, &NoValue, 4);
    EXPECT_EQ(bits, 0x7E967699u);
    EXPECT_EQ(NoValue, 1e38f);
}

TEST(Records, FullTextFieldHasNoTerminatorAndReadsBack)
{
    WaveHeader h;
    const std::string full(256, 'x');
    writeTextField(h.Project, 256, full);
    EXPECT_EQ(h.Position[0], ' ');  // nothing spilled into the next field
    EXPECT_EQ(readTextField(h.Project, 256), full);
}

TEST(Records, NulAndBlankPaddedTextsReadTheSame)
{
    char blank[256], nul[256];
    std::memset(blank, ' ', 256);
    std::memset(nul, 0, 256);
    std::memcpy(blank, "  Hall A", 8);
    std::memcpy(nul, "  Hall A", 8);
    EXPECT_EQ(readTextField(blank, 256), "Hall A");
    EXPECT_EQ(readTextField(nul, 256), "Hall A");
}

TEST(Records, FileNameCarriesOneNulThenBlanks)
{
    WaveHeader h;
    writeFileNameField(h, "/tmp/a.wav");
    EXPECT_EQ(h.FileName[10], '\0');
    EXPECT_EQ(h.FileName[11], ' ');
    EXPECT_EQ(readFileNameField(h), "/tmp/a.wav");
    writeFileNameField(h, std::string(300, 'p'));
    EXPECT_EQ(readFileNameField(h).size(), 259u);
}
