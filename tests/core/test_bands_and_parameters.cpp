#include "core/BandsAndParameters.h"
#include "core/NumberFormat.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace vemra;

TEST(Bands, CentresFollowTheBaseTenRule)
{
    const struct {
        int band;
        float centre_Hz;
    } rows[] = {{6, 1000.0f}, {30, 1000.0f}, {0, 15.848934f}, {10, 15848.93f}, {14, 25.118868f}, {43, 19952.621f},
                {11, 31622.77f}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.band);
        EXPECT_NEAR(BandCentre(row.band), row.centre_Hz, row.centre_Hz * 2e-7);
    }
}

TEST(Bands, OctaveBandCountPerRate)
{
    const struct {
        float rate_Hz;
        int count;
    } rows[] = {{8000, 7}, {11025, 7}, {16000, 8}, {22050, 8}, {32000, 9}, {44100, 9}, {48000, 10}, {96000, 10},
                {40, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rate_Hz);
        EXPECT_EQ(OctaveBandCount(row.rate_Hz), row.count);
    }
}

TEST(Bands, TopBandsAgainstNyquist)
{
    EXPECT_FALSE(BandBelowNyquist(10, 44100));
    EXPECT_FALSE(BandBelowNyquist(43, 44100));
    EXPECT_TRUE(BandBelowNyquist(42, 44100));
    EXPECT_TRUE(BandBelowNyquist(10, 48000));
    EXPECT_TRUE(BandBelowNyquist(43, 48000));
}

TEST(Bands, Names)
{
    EXPECT_EQ(BandName(-2), QStringLiteral("WideBand"));
    EXPECT_EQ(BandName(-1), QStringLiteral("AllPass"));
    EXPECT_EQ(BandName(15), QStringLiteral("31.5"));
    EXPECT_EQ(BandName(1), QStringLiteral("31.5"));
    EXPECT_EQ(BandName(11), QStringLiteral("12.5"));
    EXPECT_EQ(BandName(43), QStringLiteral("20000"));
    EXPECT_EQ(BandName(44), QString());
    EXPECT_EQ(BandName(-3), QString());
}

TEST(Parameters, TablesAndOutOfRange)
{
    EXPECT_EQ(ParameterShortName(6), QStringLiteral("Ts"));
    EXPECT_EQ(ParameterUnit(6), QStringLiteral("[ms]"));
    EXPECT_EQ(ParameterFormat(6), QStringLiteral("0.0"));
    EXPECT_EQ(ParameterFormat(4), QStringLiteral("0"));
    EXPECT_EQ(ParameterShortName(18), QStringLiteral("$Alpha"));
    EXPECT_EQ(ParameterLongName(18), QStringLiteral("Absorption coefficient (1-RI)"));
    EXPECT_EQ(ParameterLongName(15), QStringLiteral("Interaural cross correlation coefficient (IACC 0,80)"));
    EXPECT_EQ(ParameterFormat(19), QString());
    EXPECT_EQ(ParameterUnit(-1), QStringLiteral("[?]"));
    EXPECT_EQ(ParameterShortName(19), QStringLiteral("???"));
    EXPECT_EQ(ParameterLongName(-1), QStringLiteral("???"));
}

TEST(Parameters, FormatsInTheUsersLocale)
{
    const struct {
        double value;
        const char* pattern;
        const char* c;
        const char* german;
    } rows[] = {{1.23456, "0.000", "1.235", "1,235"}, {0.5, "0.00", "0.50", "0,50"}, {-0.001, "0.00", "0.00", "0,00"},
                {12345.6, "0.0", "12345.6", "12345,6"}, {42.4, "0", "42", "42"}, {-3.26, "0.0", "-3.3", "-3,3"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pattern);
        SCOPED_TRACE(row.value);
        QLocale::setDefault(QLocale::c());
        EXPECT_EQ(FormatNumber(row.value, QString::fromLatin1(row.pattern)), QString::fromLatin1(row.c));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(FormatNumber(row.value, QString::fromLatin1(row.pattern)), QString::fromLatin1(row.german));
    }
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(PatternDecimals(QString()), -1);
    EXPECT_EQ(PatternDecimals(QStringLiteral("0.0x")), -1);
}
