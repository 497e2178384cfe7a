#include "core/NativePath.h"
#include "core/Settings.h"
#include "core/clsMRUlist.h"

#include <gtest/gtest.h>

#include <memory>

using namespace vemra;

TEST(NativePath, EveryNameComesBackByteForByte)
{
    struct Case {
        const char* name;
        std::string bytes;
        bool utf8;
    };
    const Case cases[] = {
        {"ASCII", "/rooms/hall 1.wav", true},
        {"two- three- and four-byte characters", "/r\xC3\xA4ume/\xE2\x82\xAC/\xF0\x9F\x8E\xB5.wav", true},
        {"a character past U+FFFF whose second half lies among the escapes", "/\xF0\x90\x82\x80.wav", true},
        {"a Latin-1 byte", "/r\xE4ume/a.wav", false},
        {"a byte that never starts UTF-8", "/a\xFF" "b.wav", false},
        {"an overlong slash", "/a\xC0\xAF" "b", false},
        {"an encoded surrogate", "/a\xED\xA0\x80" "b", false},
        {"past U+10FFFF", "/a\xF4\x90\x80\x80", false},
        {"a cut-off character at the end", "/a\xE2\x82", false},
        {"a continuation byte alone", "/\x80", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = PathFromNative(c.bytes);
        EXPECT_EQ(NativePath(path), c.bytes);
        EXPECT_EQ(IsUtf8Path(path), c.utf8);
        if (c.utf8)
            EXPECT_EQ(path, QString::fromUtf8(c.bytes.data(), qsizetype(c.bytes.size())));
        else
            EXPECT_FALSE(path.contains(QChar(0xFFFD))) << "no byte becomes the replacement character";
    }
    // Two names that differ only in a byte that is not UTF-8 stay two names.
    EXPECT_NE(PathFromNative("/a\xFE"), PathFromNative("/a\xFF"));
}

namespace {
class PathSettings : public ::testing::Test {
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }
    static void clear()
    {
        DeleteSetting(QStringLiteral("StoreTest"));
        DeleteSetting(QStringLiteral("MRUfiles"));
    }
};
} // namespace

TEST_F(PathSettings, NamesSurviveTheSettingsFile)
{
    const QString section = QStringLiteral("StoreTest");
    const QString latin1 = PathFromNative("/data/r\xE4ume");
    const QString utf8 = PathFromNative("/data/r\xC3\xA4ume");
    SavePath(section, QStringLiteral("latin1"), latin1);
    SavePath(section, QStringLiteral("utf8"), utf8);
    ASSERT_TRUE(FlushSettings());
    ReloadSettings();
    EXPECT_EQ(ReadPath(section, QStringLiteral("latin1")), latin1);
    EXPECT_EQ(ReadPath(section, QStringLiteral("utf8")), utf8);
    EXPECT_EQ(GetSetting(section, QStringLiteral("utf8")), utf8) << "a UTF-8 name is stored as plain text";
    EXPECT_FALSE(ReadPath(section, QStringLiteral("none")));
}

TEST_F(PathSettings, RecentFilesKeepTheirBytes)
{
    const QString name = PathFromNative("/rooms/h\xE4ll.wav");
    {
        clsMRUlist list;
        list.setMRUfile(name);
    }
    ASSERT_TRUE(FlushSettings());
    ReloadSettings();
    clsMRUlist again;
    EXPECT_EQ(NativePath(again.GetMRUfile(0)), "/rooms/h\xE4ll.wav");
}
