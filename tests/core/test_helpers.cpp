#include "core/Internet.h"
#include "core/Print.h"
#include "core/Wait.h"
#include "core/url_catcher.h"

#include <QAbstractEventDispatcher>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>

using namespace vemra;

TEST(Text, TrimNulAndPadRight)
{
    EXPECT_EQ(TrimNul(QStringLiteral("  name  ")), QStringLiteral("name"));
    EXPECT_EQ(TrimNul(QString(QChar(u'\0')) + QStringLiteral("rest")), QString());
    EXPECT_EQ(TrimNul(QStringLiteral(" a b ") + QChar(u'\0') + QStringLiteral("   ")), QStringLiteral("a b"));
    EXPECT_EQ(PadRight(QStringLiteral("abc"), 2), QStringLiteral("abc"));
    EXPECT_EQ(PadRight(QStringLiteral("abc"), 3), QStringLiteral("abc"));
    EXPECT_EQ(PadRight(QStringLiteral("abc"), 6), QStringLiteral("abc   "));
}

TEST(WaitTest, ZeroRunsTheEventLoopOnce)
{
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    Wait(0);
    EXPECT_TRUE(fired);
}

TEST(WaitTest, LastsAtLeastItsTime)
{
    QElapsedTimer t;
    t.start();
    Wait(0.05f);
    EXPECT_GE(t.elapsed(), 50);
}

// The wait ends in the turn of the event loop that closed the window: it never again blocks for the next event.
TEST(WaitTest, ClosingTheWindowEndsTheWait)
{
    QWidget w;
    w.show();
    bool closed = false;
    int waitsAfterTheClose = 0;
    QTimer::singleShot(10, &w, [&] {
        w.close();
        closed = true;
    });
    const QMetaObject::Connection blocking = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, [&] { waitsAfterTheClose += closed; });
    Wait(60.0f, &w);
    QObject::disconnect(blocking);
    EXPECT_TRUE(closed);
    EXPECT_EQ(waitsAfterTheClose, 0);
}

TEST(PrintTextTest, AlignmentPlacesTheLeftEdge)
{
    const struct {
        int alignment;
        double left;
    } rows[] = {{1, 100}, {2, 70}, {3, 85}, {0, 12}, {4, 12}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.alignment);
        EXPECT_EQ(PrintTextLeft(30, 100, 12, row.alignment), row.left);
    }
}

TEST(PrintTextTest, PrintsBelowItsTopAndEndsTheLine)
{
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PrintPage page{&painter};
    SetPrinterFont(page, QStringLiteral("DejaVu Sans"), 12, true, false);
    EXPECT_TRUE(painter.font().bold());
    const int after = PrintText(page, QStringLiteral("Hall"), 300, 50, 2);
    painter.end();
    const QFontMetricsF fm(painter.font(), &image);
    EXPECT_EQ(page.currentX, 0);
    EXPECT_GT(after, 50);
    // Right-aligned at 300: ink only left of it, on the line below y = 50.
    int minX = 400, maxX = -1, minY = 200;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
            }
    EXPECT_LE(maxX, 300);
    EXPECT_GT(minX, 200);
    EXPECT_GE(minY, 50);
}


TEST(OpenURLTest, HandsTheAddressToTheDesktop)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    EXPECT_TRUE(OpenURL(QStringLiteral("https://example.org/support"), nullptr));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0], QUrl(QStringLiteral("https://example.org/support")));
    EXPECT_FALSE(OpenURL(QString(), nullptr));
}
