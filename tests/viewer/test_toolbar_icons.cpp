// The toolbar's images are made once for the run: every document window shows the same icon objects, so the
// renderings the icon engines keep in the pixmap cache are shared instead of piling up with every window shown.
#include "viewer/ToolbarIcons.h"
#include "viewer_fixture.h"

#include <QDir>

using namespace vemra;

namespace {

class ToolbarIcons : public viewertest::ViewerWindow {};

int imageCount() { return int(QDir(QStringLiteral(":/icons")).entryList({QStringLiteral("*.svg")}).size()); }

} // namespace

TEST_F(ToolbarIcons, EveryWindowShowsTheSameIconsAndTheSetStaysAtOneIconPerImage)
{
    frmView* first = open(QString());
    QStringList keys;
    for (const QAction* a : first->buttonsInOrder())
        if (!a->isSeparator())
            keys.append(a->data().toString());
    ASSERT_FALSE(keys.isEmpty());
    const int held = ToolbarIconCount();
    ASSERT_GT(held, 0);
    ASSERT_LE(held, imageCount());

    // Windows come and go; the set does not grow, and each new window shows the first one's icons.
    for (int round = 0; round < 3; ++round) {
        first->WaveFile()->Die();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        first = open(QString());
    }
    frmView* second = open(QString());
    for (const QString& key : keys) {
        SCOPED_TRACE(key.toStdString());
        const QIcon a = first->button(key)->icon();
        const QIcon b = second->button(key)->icon();
        ASSERT_FALSE(a.isNull());
        // One icon object behind both: the pixmap cache keys its renderings by it.
        EXPECT_EQ(a.cacheKey(), b.cacheKey());
    }
    EXPECT_EQ(ToolbarIconCount(), held);
}

TEST(ToolbarIconSet, GivesOneIconPerImageAndKeepsNothingForANameWithoutOne)
{
    const QIcon open = ToolbarIcon(QStringLiteral("open"));
    ASSERT_FALSE(open.isNull());
    EXPECT_EQ(ToolbarIcon(QStringLiteral("open")).cacheKey(), open.cacheKey());
    const int held = ToolbarIconCount();
    EXPECT_TRUE(ToolbarIcon(QStringLiteral("no-such-image")).isNull());
    EXPECT_EQ(ToolbarIconCount(), held);
}
