#include "core/Settings.h"
#include "core/clsMRUlist.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>

using namespace vemra;

namespace {
class MRUTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteSetting(QStringLiteral("MRUfiles")); }
    void TearDown() override { DeleteSetting(QStringLiteral("MRUfiles")); }
    static QStringList contents(const clsMRUlist& list)
    {
        QStringList out;
        for (int i = 0; i < clsMRUlist::Size; ++i)
            out << list.GetMRUfile(i);
        return out;
    }
    static QString name(int i) { return QStringLiteral("/rooms/r%1.wav").arg(i); }
};
} // namespace

TEST_F(MRUTest, TwelfthNameDropsTheOldest)
{
    clsMRUlist list;
    QSignalSpy changed(&list, &clsMRUlist::MRUlistChange);
    for (int i = 0; i < 12; ++i)
        list.setMRUfile(name(i));
    EXPECT_EQ(changed.count(), 12);
    QStringList expected;
    for (int i = 11; i >= 1; --i)
        expected << name(i);
    EXPECT_EQ(contents(list), expected);
}

TEST_F(MRUTest, ExistingNameMovesToTheFront)
{
    clsMRUlist list;
    for (int i = 10; i >= 0; --i)
        list.setMRUfile(name(i)); // position k holds name(k)
    QSignalSpy changed(&list, &clsMRUlist::MRUlistChange);
    list.setMRUfile(name(0));
    EXPECT_EQ(changed.count(), 0);
    list.setMRUfile(name(4));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(contents(list), QStringList({name(4), name(0), name(1), name(2), name(3), name(5), name(6), name(7),
                                           name(8), name(9), name(10)}));
}

TEST_F(MRUTest, LetterCaseMakesTwoEntriesAndOutsidePositionsAreEmpty)
{
    clsMRUlist list;
    list.setMRUfile(QStringLiteral("/a/Hall.wav"));
    list.setMRUfile(QStringLiteral("/a/hall.wav"));
    EXPECT_EQ(list.GetMRUfile(0), QStringLiteral("/a/hall.wav"));
    EXPECT_EQ(list.GetMRUfile(1), QStringLiteral("/a/Hall.wav"));
    EXPECT_EQ(list.GetMRUfile(2), QString());
    EXPECT_EQ(list.GetMRUfile(11), QString());
    EXPECT_EQ(list.GetMRUfile(-1), QString());
}

TEST_F(MRUTest, WrittenOnlyWhenReleasedAndReadBack)
{
    auto list = std::make_unique<clsMRUlist>();
    list->setMRUfile(QStringLiteral("/a/one.wav"));
    EXPECT_FALSE(HasSetting(QStringLiteral("MRUfiles"), QStringLiteral("0")));
    list.reset();
    EXPECT_EQ(SettingKeys(QStringLiteral("MRUfiles")).size(), 11);
    EXPECT_EQ(GetSetting(QStringLiteral("MRUfiles"), QStringLiteral("0")), QStringLiteral("/a/one.wav"));
    clsMRUlist again;
    EXPECT_EQ(again.GetMRUfile(0), QStringLiteral("/a/one.wav"));
}
