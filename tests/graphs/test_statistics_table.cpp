#include "core/VemraError.h"
#include "graphs/ParameterStatistics.h"
#include "graphs/ParameterTable.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

using namespace vemra;
using namespace vemra::graphs;

namespace {

// Values by (file, channel, band); a missing entry is no value.
using Values = std::map<std::tuple<int, int, int>, float>;

ParameterStatistics::Lookup lookup(const Values& values)
{
    return [&values](int f, int ch, int b) -> std::optional<float> {
        const auto it = values.find({f, ch, b});
        if (it == values.end())
            return std::nullopt;
        return it->second;
    };
}

} // namespace

TEST(Statistics, MeanSampleDeviationAndExtremesOfValidValuesOnly)
{
    const Values values{{{0, 0, 5}, 2.0f}, {{1, 0, 5}, 4.0f}, {{2, 0, 5}, 6.0f}, // three files
                        {{1, 0, 6}, 1.5f},                                        // one file of three
                        {{0, 1, 5}, 3.0f}, {{1, 1, 5}, 3.0f}};                    // channel 2
    ParameterStatistics s;
    EXPECT_FALSE(s.done(3, 0));
    s.calculate(3, 0, 3, 4, 6, 2, lookup(values));
    EXPECT_TRUE(s.done(3, 0));
    EXPECT_FALSE(s.done(3, 1));
    EXPECT_FALSE(s.done(2, 0));

    const BandStatistic& three = s.at(3, 0, 5);
    EXPECT_EQ(three.count, 3);
    EXPECT_DOUBLE_EQ(three.mean, 4);
    EXPECT_DOUBLE_EQ(three.stdDev, 2); // divided by n - 1
    EXPECT_DOUBLE_EQ(three.minimum, 2);
    EXPECT_DOUBLE_EQ(three.maximum, 6);

    const BandStatistic& one = s.at(3, 0, 6);
    EXPECT_EQ(one.count, 1);
    EXPECT_DOUBLE_EQ(one.mean, 1.5);
    EXPECT_EQ(one.stdDev, 0);

    const BandStatistic& none = s.at(3, 0, 4);
    EXPECT_EQ(none.count, 0);
    EXPECT_EQ(none.mean, 0);
    EXPECT_EQ(none.minimum, 1E+38);
    EXPECT_EQ(none.maximum, -1E+38);

    EXPECT_EQ(s.at(3, 1, 5).count, 2);
    EXPECT_EQ(s.at(3, 1, 5).stdDev, 0);

    // A second calculation replaces the first instead of adding to it.
    s.calculate(3, 0, 3, 4, 6, 2, lookup(values));
    EXPECT_EQ(s.at(3, 0, 5).count, 3);
    EXPECT_DOUBLE_EQ(s.at(3, 0, 5).mean, 4);

    s.clear();
    EXPECT_FALSE(s.done(3, 0));
    EXPECT_EQ(s.at(3, 0, 5).count, 0);
    EXPECT_THROW(s.at(20, 0, 0), VemraError);
    EXPECT_THROW(s.at(0, 0, 44), VemraError);
}

namespace {

struct TableCase {
    const char* name;
    int parameter;
    bool octaves;
    int first, last;
    QStringList files;
    bool twoChannels;
    Values values;
    const char* locale;
    std::vector<QString> lines; // the expected text, line by line without the CR LF
};

QString blanks(int n) { return QString(n, QLatin1Char(' ')); }

const QString kName30 = QStringLiteral("/measurements/hall/pos-01A.wav");
const QString kName20 = QStringLiteral("/measurements/p2.wav");
const QString kName25 = QStringLiteral("/measurements/hall/p3.wav");

std::vector<TableCase> tableCases()
{
    return {
        {"OneFile", 3, true, 3, 8, {QStringLiteral("a.wav")}, false,
         {{{0, 0, 3}, 1.0f}, {{0, 0, 4}, 1.25f}, {{0, 0, 5}, 0.9876f}, {{0, 0, 6}, 1.0004f}, {{0, 0, 7}, 0.5f},
          {{0, 0, 8}, 0.25f}},
         "C",
         {"T30 [s]\t(Full Octave)", "     \t125\t250\t500\t1000\t2000\t4000", "",
          "a.wav\t1.000\t1.250\t0.988\t1.000\t0.500\t0.250", "", "", ""}},
        {"ThreeFilesWithLongNames", 7, true, 5, 6, {kName30, kName20, kName25}, false,
         {{{0, 0, 5}, 1.5f}, {{0, 0, 6}, 2.5f}, {{1, 0, 5}, 2.5f}, {{2, 0, 5}, 3.5f}, {{2, 0, 6}, 4.5f}},
         "C",
         {"C80 [dB]\t(Full Octave)", blanks(30) + "\t500\t1000", "", kName30 + "\t1.50\t2.50",
          kName20 + blanks(10) + "\t2.50\t", kName25 + blanks(5) + "\t3.50\t4.50", "",
          blanks(8) + "Number of Measurements\t3\t2", blanks(12) + "Standard Deviation\t1.00\t1.41",
          blanks(23) + "Minimum\t1.50\t2.50", blanks(23) + "Maximum\t3.50\t4.50", "",
          blanks(23) + "Average\t2.50\t3.50", "", "", ""}},
        {"TwoChannelsTwoBlocks", 3, true, 6, 6, {QStringLiteral("st.wav")}, true,
         {{{0, 0, 6}, 1.2f}, {{0, 1, 6}, 1.3f}},
         "C",
         {"T30 [s]\t(Full Octave)", "      \t1000", "", "st.wav\t1.200", "", "", "", "      \t1000", "",
          "st.wav\t1.300", "", "", ""}},
        {"TwoChannelsOneValuePerBand", 12, true, 6, 6, {QStringLiteral("st.wav")}, true,
         {{{0, 0, 6}, 0.25f}, {{0, 1, 6}, 0.25f}},
         "C",
         {"LF [-]\t(Full Octave)", "      \t1000", "", "st.wav\t0.25", "", "", ""}},
        {"ABandWithNoValues", 3, true, 4, 5, {QStringLiteral("a.wav"), QStringLiteral("b.wav")}, false,
         {{{0, 0, 5}, 1.0f}, {{1, 0, 5}, 2.0f}},
         "C",
         {"T30 [s]\t(Full Octave)", "     \t250\t500", "", "a.wav\t\t1.000", "b.wav\t\t2.000", "",
          "Number of Measurements\t0\t2", "Standard Deviation\t\t0.707", "Minimum\t\t1.000", "Maximum\t\t2.000", "",
          "Average\t\t1.500", "", "", ""}},
        {"DecimalComma", 6, false, 29, 31, {QStringLiteral("x.wav")}, false,
         {{{0, 0, 29}, 85.26f}, {{0, 0, 30}, 90.0f}, {{0, 0, 31}, 101.04f}},
         "de_DE",
         {"Ts [ms]\t(Third Octave)", "     \t800\t1000\t1250", "", "x.wav\t85,3\t90,0\t101,0", "", "", ""}},
    };
}

class Table : public testing::TestWithParam<TableCase> {};

} // namespace

TEST_P(Table, IsExact)
{
    const TableCase& c = GetParam();
    const QLocale before;
    QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
    ParameterStatistics stats;
    const auto value = lookup(c.values);
    stats.calculate(c.parameter, c.octaves ? 0 : 1, int(c.files.size()), c.first, c.last, c.twoChannels ? 2 : 1,
                    value);
    TableInput in;
    in.parameter = c.parameter;
    in.octaves = c.octaves;
    in.firstBand = c.first;
    in.lastBand = c.last;
    in.fileNames = c.files;
    in.hasTwoChannels = c.twoChannels;
    in.value = value;
    in.statistics = &stats;
    const QString text = ParameterTableText(in);
    QLocale::setDefault(before);

    QString expected;
    for (const QString& line : c.lines)
        expected += line + QStringLiteral("\r\n");
    EXPECT_EQ(text.toStdString(), expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Cases, Table, testing::ValuesIn(tableCases()),
                         [](const testing::TestParamInfo<TableCase>& i) { return std::string(i.param.name); });
