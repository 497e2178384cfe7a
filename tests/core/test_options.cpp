#include "core/Settings.h"
#include "core/VemraError.h"
#include "core/clsOptions.h"
#include "library/api_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

using namespace vemra;

namespace {

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override { clearStore(); }
    void TearDown() override { clearStore(); }
    static void clearStore()
    {
        DeleteSetting(QStringLiteral("Setup"));
        DeleteSetting(QStringLiteral("Dir"));
        FlushSettings();
    }
    clsOptions::Pusher recorder()
    {
        return [this](std::int32_t index, float value) { pushes.emplace_back(index, value); };
    }
    std::vector<std::pair<std::int32_t, float>> pushes;
};

} // namespace

TEST_F(OptionsTest, EmptyStoreGivesTheDocumentedDefaultsAndWritesNothing)
{
    clsOptions o(nullptr, recorder());
    EXPECT_FALSE(o.UseCal());
    EXPECT_EQ(o.MinSRDist(), 0.0f);
    EXPECT_NEAR(o.Vsound(), 344.06f, 0.005f);
    EXPECT_EQ(o.ProbeDist(), 12.0f);
    EXPECT_EQ(o.Temperature(), 20.0f);
    EXPECT_TRUE(o.LockFormat());
    EXPECT_EQ(o.AudioDelay(), 0.0f);
    EXPECT_EQ(o.DataDir(), QDir::homePath());
    EXPECT_EQ(o.CloseOnSave(), CloseAsk);
    EXPECT_EQ(o.SampleFrequency(), 48000);
    const float weights[] = {0.9f, 1.0f, 0.8f, 0.8f, 1.3f, 1.2f, 1.0f};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(o.STI_Weight(i), weights[i]) << i;
    EXPECT_EQ(o.ModelScale(), 10.0f);
    EXPECT_TRUE(o.ReuseWindows());
    EXPECT_EQ(o.Calibration(), QString());
    EXPECT_TRUE(SettingKeys(QStringLiteral("Setup")).isEmpty());
    EXPECT_TRUE(SettingKeys(QStringLiteral("Dir")).isEmpty());

    // Creation pushes the six library settings once.
    ASSERT_EQ(pushes.size(), 6u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(pushes[size_t(i)].first, i);
    EXPECT_EQ(pushes[2].second, o.Vsound());
    EXPECT_EQ(pushes[3].second, -1.0f); // LockFormat True
    EXPECT_EQ(pushes[4].second, 0.0f);  // UseCal False
    EXPECT_EQ(pushes[5].second, 20.0f);
}

TEST_F(OptionsTest, SettingTheCurrentValueDoesNothing)
{
    clsOptions o(nullptr, recorder());
    pushes.clear();
    QSignalSpy changed(&o, &clsOptions::SettingChanged);
    o.setCloseOnSave(CloseAsk);
    o.setCalibration(QString());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_TRUE(pushes.empty());
    EXPECT_TRUE(SettingKeys(QStringLiteral("Setup")).isEmpty());
}

TEST_F(OptionsTest, AChangeIsWrittenPushedAndAnnouncedOnce)
{
    clsOptions o(nullptr, recorder());
    pushes.clear();
    QSignalSpy changed(&o, &clsOptions::SettingChanged);
    o.setCloseOnSave(CloseNever);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(pushes.size(), 6u);
    EXPECT_EQ(GetSetting(QStringLiteral("Setup"), QStringLiteral("CloseOnSave")), QStringLiteral("1"));
    // All options are written, in the store's formats.
    EXPECT_EQ(GetSetting(QStringLiteral("Setup"), QStringLiteral("LockFormat")), QStringLiteral("True"));
    EXPECT_EQ(GetSetting(QStringLiteral("Setup"), QStringLiteral("STIweight4")), QStringLiteral("1.3"));
    EXPECT_EQ(GetSetting(QStringLiteral("Dir"), QStringLiteral("DataDirectory")), QDir::homePath());
    // And a new object reads them back.
    ReloadSettings();
    clsOptions again(nullptr, recorder());
    EXPECT_EQ(again.CloseOnSave(), CloseNever);
}

TEST_F(OptionsTest, VsoundFollowsTemperatureAndIsPushedWithIt)
{
    clsOptions o(nullptr, recorder());
    pushes.clear();
    o.setTemperature(0.0f);
    EXPECT_NEAR(o.Vsound(), 20.1f * std::sqrt(273.0f), 1e-3f);
    ASSERT_EQ(pushes.size(), 6u);
    EXPECT_EQ(pushes[2].second, o.Vsound());
    EXPECT_EQ(pushes[5].second, 0.0f);
    EXPECT_EQ(librarySettings().appName, "Vemra");
}

TEST_F(OptionsTest, StoredValuesLoadAndMinSRDistStartsAtZero)
{
    SaveSetting(QStringLiteral("Setup"), QStringLiteral("MinSRDist"), QStringLiteral("1.5"));
    SaveSetting(QStringLiteral("Setup"), QStringLiteral("Temperature"), QStringLiteral("25"));
    SaveSetting(QStringLiteral("Setup"), QStringLiteral("AudioDelay"), QStringLiteral("-96000"));
    SaveSetting(QStringLiteral("Setup"), QStringLiteral("ProbeDist"), QStringLiteral("1"));
    SaveSetting(QStringLiteral("Setup"), QStringLiteral("ModelScale"), QStringLiteral("0.01"));
    SaveSetting(QStringLiteral("Setup"), QStringLiteral("UseCalibration"), QStringLiteral("True"));
    SaveSetting(QStringLiteral("Setup"), QStringLiteral("SampleFrequency"), QStringLiteral("96000"));
    SaveSetting(QStringLiteral("Setup"), QStringLiteral("Calibration"), QStringLiteral("Card 1"));
    SaveSetting(QStringLiteral("Dir"), QStringLiteral("DataDirectory"), QStringLiteral("/data/rooms"));
    clsOptions o(nullptr, recorder());
    EXPECT_EQ(o.MinSRDist(), 0.0f);
    EXPECT_EQ(o.Temperature(), 25.0f);
    EXPECT_EQ(o.AudioDelay(), -96000.0f) << "the ends of a range belong to it";
    EXPECT_EQ(o.ProbeDist(), 1.0f);
    EXPECT_EQ(o.ModelScale(), 0.01f) << "as a float, the end of the range";
    EXPECT_TRUE(clsOptions::kModelScaleRange.contains(o.ModelScale()));
    EXPECT_NEAR(o.Vsound(), 20.1f * std::sqrt(298.0f), 1e-3f);
    EXPECT_TRUE(o.UseCal());
    EXPECT_EQ(o.SampleFrequency(), 96000);
    EXPECT_EQ(o.Calibration(), QStringLiteral("Card 1"));
    EXPECT_EQ(o.DataDir(), QStringLiteral("/data/rooms"));
    EXPECT_EQ(pushes[4].second, -1.0f);
}

TEST_F(OptionsTest, UnreadableValuesKeepTheirDefaults)
{
    const struct {
        const char* key;
        const char* text;
    } garbage[] = {{"SampleFrequency", "abc"}, {"SampleFrequency", "0"},  {"Temperature", "warm"},
                   {"ProbeDist", "1.2.3"},     {"CloseOnSave", "7"},      {"LockFormat", "maybe"},
                   {"STIweight3", ""},         {"ModelScale", "-10"},     {"ReuseWindows", "x"},
                   // Numbers, but none the program can use (or a float can hold).
                   {"Temperature", "1e30"},    {"Temperature", "-100.5"}, {"Temperature", "1e39"},
                   {"ProbeDist", "-5"},        {"ProbeDist", "0.5"},      {"ProbeDist", "1e39"},
                   {"AudioDelay", "1e9"},      {"AudioDelay", "-96001"},  {"AudioDelay", "nan"},
                   {"SampleFrequency", "12345"}, {"STIweight3", "-1"},    {"STIweight3", "1e39"},
                   {"ModelScale", "1e39"},     {"ModelScale", "0.001"},
                   {"STIweight3", "-0.1"},     {"STIweight3", "inf"},     {"STIweight3", "nan"}};
    for (const auto& g : garbage) {
        SCOPED_TRACE(g.key);
        SCOPED_TRACE(g.text);
        clearStore();
        SaveSetting(QStringLiteral("Setup"), QString::fromLatin1(g.key), QString::fromLatin1(g.text));
        clsOptions o(nullptr, recorder());
        EXPECT_EQ(o.SampleFrequency(), 48000);
        EXPECT_EQ(o.Temperature(), 20.0f);
        EXPECT_EQ(o.ProbeDist(), 12.0f);
        EXPECT_EQ(o.AudioDelay(), 0.0f);
        EXPECT_EQ(o.CloseOnSave(), CloseAsk);
        EXPECT_TRUE(o.LockFormat());
        EXPECT_EQ(o.STI_Weight(3), 0.8f);
        EXPECT_EQ(o.ModelScale(), 10.0f);
        EXPECT_TRUE(o.ReuseWindows());
    }
}

TEST(LibrarySettings, AValueNoSettingCanHoldKeepsTheOneBefore)
{
    const float inf = std::numeric_limits<float>::infinity();
    PushSetting(5, 21.0f);
    PushSetting(2, 343.0f);
    PushSetting(1, 64.0f);
    for (const auto& [index, bad] : {std::pair{5, inf}, {5, -274.0f}, {5, std::nanf("")}, {2, 0.0f}, {2, -inf},
                                     {1, inf}, {1, std::nanf("")}}) {
        SCOPED_TRACE(index);
        PushSetting(index, bad);
    }
    EXPECT_EQ(librarySettings().temperature_C, 21.0f);
    EXPECT_EQ(librarySettings().vsound_mps, 343.0f);
    EXPECT_EQ(librarySettings().audioDelay_samples, 64.0f);
    PushSetting(5, 20.0f);
    PushSetting(2, 344.06f);
    PushSetting(1, 0.0f);
}

TEST_F(OptionsTest, AWeightIndexOutsideTheBandsIsARangeError)
{
    clsOptions o(nullptr, recorder());
    for (int bad : {-1, 7}) {
        try {
            o.setSTI_Weight(bad, 1.0f);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const VemraError& e) {
            EXPECT_EQ(e.number(), 9);
        }
        EXPECT_THROW((void)o.STI_Weight(bad), VemraError);
    }
}

TEST_F(OptionsTest, AnUnwritableStoreKeepsChangesForTheRun)
{
    // Put a plain file where the settings folder belongs: the settings file cannot be created.
    const QString folder = QFileInfo(SettingsFilePath()).absolutePath();
    const QString saved = folder + QStringLiteral(".aside");
    QDir().rename(folder, saved);
    {
        QFile blocker(folder);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    ReloadSettings();
    {
        clsOptions o(nullptr, recorder());
        o.setTemperature(30.0f);
        EXPECT_EQ(o.Temperature(), 30.0f);
        EXPECT_FALSE(FlushSettings());
    }
    QFile::remove(folder);
    QDir().rename(saved, folder);
    ReloadSettings();
}
