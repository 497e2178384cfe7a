// The number codec of the boxes: what FormatNumber shows, ParseNumber reads back as the same value, in locales
// with a point, a comma, blanks, apostrophes or other digits, and for values that need group separators.
#include "core/NumberFormat.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vemra;

namespace {

struct LocaleGuard {
    ~LocaleGuard() { QLocale::setDefault(QLocale::c()); }
};

TEST(NumberCodec, WhatABoxShowsReadsBackAsTheSameValue)
{
    const LocaleGuard restore;
    const QLocale locales[] = {
        QLocale::c(),
        QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::French, QLocale::France),         // narrow no-break space groups, comma decimals
        QLocale(QLocale::German, QLocale::Switzerland),    // apostrophe groups
        QLocale(QLocale::Hindi, QLocale::India),           // groups of two
        QLocale(QLocale::Arabic, QLocale::Egypt),          // other digits, a direction mark before '-'
        QLocale(QLocale::Persian, QLocale::Iran),
        QLocale(QLocale::Hebrew, QLocale::Israel),
    };
    const struct {
        double value;
        const char* pattern;
        double shown; // the value the pattern keeps
    } rows[] = {
        {1024, "0", 1024},           {1234567.25, "0.00", 1234567.25}, {-20000.5, "0.0", -20000.5},
        {20.5, "0.0", 20.5},         {12.006, "0.00", 12.01},          {1.5e-7, "", 1.5e-7},
        {3.25e12, "", 3.25e12},      {-1e30, "0.0", -1e30},            {0.999, "0", 1},
    };
    for (const QLocale& locale : locales) {
        QLocale::setDefault(locale);
        for (const auto& row : rows) {
            const QString text = FormatNumber(row.value, QString::fromLatin1(row.pattern));
            SCOPED_TRACE(locale.name().toStdString() + " " + text.toStdString());
            const std::optional<double> back = ParseNumber(text);
            ASSERT_TRUE(back.has_value());
            EXPECT_NEAR(*back, row.shown, std::abs(row.shown) * 1e-7);
        }
    }
}

TEST(NumberCodec, GroupSeparatorsAreRefusedNotMisread)
{
    const LocaleGuard restore;
    // A text with group separators is no number: "1,024" is never taken as 1.024 where ',' groups digits.
    const struct {
        QLocale locale;
        const char* text;
        std::optional<double> value;
    } rows[] = {
        {QLocale::c(), "1,024", std::nullopt},
        {QLocale(QLocale::English, QLocale::UnitedStates), "1,024", std::nullopt},
        {QLocale(QLocale::German, QLocale::Germany), "1,024", 1.024}, // the German decimal comma
        {QLocale(QLocale::German, QLocale::Germany), "1.024,5", std::nullopt},
        {QLocale(QLocale::English, QLocale::UnitedStates), "1,024.5", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.locale.name().toStdString() + " " + row.text);
        QLocale::setDefault(row.locale);
        EXPECT_EQ(ParseNumber(QString::fromLatin1(row.text)), row.value);
    }
}

TEST(NumberCodec, RangesAreCheckedBeforeNarrowing)
{
    const double floatMax = double(std::numeric_limits<float>::max());
    EXPECT_FALSE(ParseNumber(QStringLiteral("1e39"), -floatMax, floatMax)) << "a float would hold inf";
    EXPECT_EQ(ParseNumber(QStringLiteral("3e38"), -floatMax, floatMax), 3e38);
    EXPECT_EQ(ParseNumber(QStringLiteral("-100"), -100, 100), -100.0);
    EXPECT_FALSE(ParseNumber(QStringLiteral("-100.01"), -100, 100));
    EXPECT_FALSE(ParseNumber(QStringLiteral("nan"), -floatMax, floatMax));
}

} // namespace
