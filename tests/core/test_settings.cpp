#include "core/Settings.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace vemra;

namespace {
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteSetting(QStringLiteral("StoreTest")); }
    void TearDown() override
    {
        DeleteSetting(QStringLiteral("StoreTest"));
        QLocale::setDefault(QLocale::c());
    }
};
} // namespace

TEST_F(SettingsTest, KeysWithSlashesStayOneEntry)
{
    const QString section = QStringLiteral("StoreTest");
    const QStringList keys = {QStringLiteral("a/b"), QStringLiteral("c\\d"), QStringLiteral("50%/2F"),
                              QStringLiteral("plain")};
    for (const QString& k : keys)
        SaveSetting(section, k, k + QStringLiteral("-value"));
    ASSERT_TRUE(FlushSettings());
    ReloadSettings();
    QStringList stored = SettingKeys(section);
    stored.sort();
    QStringList expected = keys;
    expected.sort();
    EXPECT_EQ(stored, expected);
    EXPECT_TRUE(SettingSections(section).isEmpty());
    for (const QString& k : keys)
        EXPECT_EQ(GetSetting(section, k), k + QStringLiteral("-value")) << k.toStdString();
}

TEST_F(SettingsTest, BackslashInASectionNamesASubsection)
{
    SaveSetting(QStringLiteral("StoreTest\\Card A/B"), QStringLiteral("Gain"), QStringLiteral("3"));
    SaveSetting(QStringLiteral("StoreTest\\Card C"), QStringLiteral("Gain"), QStringLiteral("4"));
    QStringList subs = SettingSections(QStringLiteral("StoreTest"));
    subs.sort();
    EXPECT_EQ(subs, QStringList({QStringLiteral("Card A/B"), QStringLiteral("Card C")}));
    EXPECT_EQ(GetSetting(QStringLiteral("StoreTest\\Card A/B"), QStringLiteral("Gain")), QStringLiteral("3"));
    DeleteSetting(QStringLiteral("StoreTest\\Card C"));
    EXPECT_EQ(SettingSections(QStringLiteral("StoreTest")), QStringList({QStringLiteral("Card A/B")}));
}

TEST_F(SettingsTest, MissingEntryGivesTheDefaultAndNoValue)
{
    EXPECT_EQ(GetSetting(QStringLiteral("StoreTest"), QStringLiteral("none"), QStringLiteral("dflt")),
              QStringLiteral("dflt"));
    EXPECT_FALSE(ReadNumber(QStringLiteral("StoreTest"), QStringLiteral("none")));
    EXPECT_FALSE(ReadBool(QStringLiteral("StoreTest"), QStringLiteral("none")));
}

TEST_F(SettingsTest, NumbersReadCLocaleFirstThenTheUsersLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ParseNumber(QStringLiteral("1.5")), 1.5);
    EXPECT_EQ(ParseNumber(QStringLiteral("1,5")), 1.5);
    EXPECT_EQ(ParseNumber(QStringLiteral(" -2.25e1 ")), -22.5);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_FALSE(ParseNumber(QStringLiteral("1,5")));
    for (const char* bad : {"", "abc", "1.5x", "nan", "inf", "1e999"})
        EXPECT_FALSE(ParseNumber(QString::fromLatin1(bad))) << bad;
}

TEST_F(SettingsTest, IntegersRoundHalfToEvenAndRespectTheirRange)
{
    EXPECT_EQ(ParseInteger(QStringLiteral("2.5"), 0, 10), 2);
    EXPECT_EQ(ParseInteger(QStringLiteral("3.5"), 0, 10), 4);
    EXPECT_EQ(ParseInteger(QStringLiteral("48000"), 1, INT32_MAX), 48000);
    EXPECT_FALSE(ParseInteger(QStringLiteral("40000"), -32768, 32767));
    EXPECT_FALSE(ParseInteger(QStringLiteral("abc"), 0, 10));
    // Both ends of the range are inside it, the next whole numbers outside.
    EXPECT_EQ(ParseInteger(QStringLiteral("32767"), -32768, 32767), 32767);
    EXPECT_EQ(ParseInteger(QStringLiteral("-32768"), -32768, 32767), -32768);
    EXPECT_FALSE(ParseInteger(QStringLiteral("32768"), -32768, 32767));
    EXPECT_FALSE(ParseInteger(QStringLiteral("-32769"), -32768, 32767));
}

TEST_F(SettingsTest, BooleansAreTrueFalseTexts)
{
    WriteBool(QStringLiteral("StoreTest"), QStringLiteral("b"), true);
    EXPECT_EQ(GetSetting(QStringLiteral("StoreTest"), QStringLiteral("b")), QStringLiteral("True"));
    EXPECT_EQ(ParseBool(QStringLiteral("false")), false);
    EXPECT_EQ(ParseBool(QStringLiteral("true")), true);
    EXPECT_EQ(ParseBool(QStringLiteral(" TRUE ")), true);
    EXPECT_EQ(ParseBool(QStringLiteral("FALSE")), false);
    EXPECT_EQ(ParseBool(QStringLiteral("-1")), true);
    EXPECT_EQ(ParseBool(QStringLiteral("0")), false);
    EXPECT_FALSE(ParseBool(QStringLiteral("yes")));
}

TEST_F(SettingsTest, FloatsAreWrittenWithSevenDigitsInTheCLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FloatText(344.06f), QStringLiteral("344.06"));
    EXPECT_EQ(FloatText(0.1f), QStringLiteral("0.1"));
    EXPECT_EQ(FloatText(1234567.0f), QStringLiteral("1234567"));
    WriteFloat(QStringLiteral("StoreTest"), QStringLiteral("f"), 1.5f);
    EXPECT_EQ(GetSetting(QStringLiteral("StoreTest"), QStringLiteral("f")), QStringLiteral("1.5"));
}
