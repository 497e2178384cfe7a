// The rules every table shares: number patterns, the no-value and INR tests, the band columns' sampling-rate limit
// and the name the Save command offers.
#include "tables/TableFormat.h"
#include "tables/TableRow.h"
#include "tables/TableText.h"
#include "tables/frmTable.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <cmath>
#include <limits>

using namespace vemra;
using namespace vemra::tables;

namespace {

struct PatternCase {
    const char* name;
    double value;
    const char* pattern;
    QLocale::Language language;
    const char* expected;
};

void PrintTo(const PatternCase& c, std::ostream* os) { *os << c.name; }

class TablePattern : public testing::TestWithParam<PatternCase> {
protected:
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_P(TablePattern, FormatsAsTheTablesWrite)
{
    const PatternCase& c = GetParam();
    QLocale::setDefault(QLocale(c.language));
    EXPECT_EQ(FormatPattern(c.value, QString::fromLatin1(c.pattern)), QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TablePattern,
    testing::Values(PatternCase{"two_decimals_rounded", 1.235, "0.00", QLocale::C, "1.24"},
                    PatternCase{"trailing_blank", 0.5, "0.00 ", QLocale::C, "0.50 "},
                    PatternCase{"integer_and_four_blanks", 42.4, "0    ", QLocale::C, "42    "},
                    PatternCase{"negative_one_section", -1.234, "0.000", QLocale::C, "-1.234"},
                    PatternCase{"second_section_gives_the_sign", -0.9876, " 0.000;-0.000", QLocale::C, "-0.988"},
                    PatternCase{"first_section_leading_blank", 0.9876, " 0.000;-0.000", QLocale::C, " 0.988"},
                    PatternCase{"negative_rounding_to_zero", -0.0001, "0.000;-0.000", QLocale::C, "0.000"},
                    PatternCase{"no_group_separator", 12345.678, "0.0", QLocale::English, "12345.7"},
                    PatternCase{"decimal_comma", 12.345, "0.00 ", QLocale::German, "12,35 "},
                    PatternCase{"decimal_comma_negative", -0.5, " 0.000;-0.000", QLocale::German, "-0,500"}),
    [](const testing::TestParamInfo<PatternCase>& info) { return std::string(info.param.name); });

TEST(TableTests, NoValueIsNeverANumber)
{
    for (double v : {double(1e38f), 1e37, -1e37, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        SCOPED_TRACE(v);
        EXPECT_FALSE(HasValue(v));
        const Cell c = ValueCell(true, v, QStringLiteral("0.00"), QStringLiteral("0.00 "));
        EXPECT_EQ(c.screen, "--");
        EXPECT_EQ(c.file, " ");
        EXPECT_EQ(c.print, "--");
        EXPECT_TRUE(c.printCentred);
    }
    EXPECT_TRUE(HasValue(9.9e36));
    EXPECT_EQ(ValueCell(false, 1.0, QStringLiteral("0.00"), QStringLiteral("0.00 "), QStringLiteral("-")).file, "-");
}

TEST(TableTests, InrMagnitudeRoundsHalvesToEvenInDouble)
{
    EXPECT_EQ(InrMagnitude(30.5), 30);
    EXPECT_EQ(InrMagnitude(31.5), 32);
    EXPECT_EQ(InrMagnitude(-40), 40); // a lower bound counts by its size
    EXPECT_EQ(InrMagnitude(-44.6), 45);
    // Beyond any 16-bit integer, and without a value: every test must fail, not overflow.
    EXPECT_EQ(InrMagnitude(40000.2), 40000);
    EXPECT_EQ(InrMagnitude(1e38), -1);
    EXPECT_EQ(InrMagnitude(std::numeric_limits<double>::quiet_NaN()), -1);
    EXPECT_EQ(InrMagnitude(-std::numeric_limits<double>::infinity()), -1);
}

TEST(TableTests, BandLimitOfTheColumns)
{
    struct Case {
        int count, offset;
        double fs;
        int last;
    };
    // 63 Hz .. 4 kHz tables, the 31.5 Hz .. 16 kHz reverberation table.
    for (const Case& c : {Case{7, 2, 8000, 5}, Case{7, 2, 11025, 5}, Case{7, 2, 11375, 6}, Case{7, 2, 16000, 6},
                          Case{7, 2, 48000, 6}, Case{10, 1, 44100, 8}, Case{10, 1, 48000, 9}, Case{10, 1, 22050, 7},
                          Case{10, 1, 11025, 6}, Case{10, 1, 8000, 6}, Case{7, 2, 100, 0}}) {
        SCOPED_TRACE(testing::Message() << c.count << " columns at " << c.fs << " Hz");
        EXPECT_EQ(LastBandColumn(c.count, c.offset, c.fs), c.last);
    }
    // The speech and modulation tables test each column: 8 kHz lies outside at 22.05 kHz, inside at 24 kHz.
    EXPECT_EQ(LastColumnWithinLimit(7, 3, 22050), 5);
    EXPECT_EQ(LastColumnWithinLimit(7, 3, 24000), 6);
    EXPECT_FALSE(ColumnWithinLimit(0, 3, 300));
    EXPECT_EQ(LastColumnWithinLimit(7, 3, 300), -1);
}

TEST(TableTests, DefaultExportNameCutsOnlyTheFilesExtension)
{
    struct Case {
        const char* file;
        bool newRecording;
        const char* expected;
    };
    for (const Case& c : {Case{"/data/hall.wav", false, "/data/hall_iso.txt"},
                          Case{"/data/HALL.TIM", false, "/data/HALL_iso.txt"},
                          Case{"/data/Hall.Wav", true, "/data/Hall_iso.txt"},
                          Case{"Untitled-3", true, "Untitled_iso.txt"},
                          Case{"/data/hall.txt", false, "/data/hall.txt_iso.txt"},
                          Case{"/data.wav/hall", false, "/data.wav/hall_iso.txt"},
                          Case{"/data.wav/hall", true, "Untitled_iso.txt"},
                          Case{"/data/hall.wav.bak", false, "/data/hall.wav.bak_iso.txt"}}) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(frmTable::DefaultExportName(QString::fromLatin1(c.file), c.newRecording, QStringLiteral("_iso.txt")),
                  QString::fromLatin1(c.expected));
    }
}

TEST(TableTests, TextLinesZonesAndHeadings)
{
    TableText text;
    text.heading(BandHeadings(2, 3));
    text.line();
    text.fields(TableText::zone(QStringLiteral("STI female")), {QStringLiteral("0.62 (Good)")});
    EXPECT_EQ(text.text(), "         \t63\t125\t250\r\n\r\nSTI female    \t0.62 (Good)\r\n");
    EXPECT_EQ(TableText::zone(QStringLiteral("MTI")).size(), 14);
    EXPECT_EQ(TableText::zone(QStringLiteral("fourteen chars")).size(), 28);
    EXPECT_EQ(BandHeadings(1, 10).join(' '), "31.5 63 125 250 500 1000 2000 4000 8000 16000");
}

} // namespace
