#include "core/frmProgress.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace vemra;

TEST(Progress, TimedModeFillsOverItsWaitTime)
{
    frmProgress w;
    double now = 100.0;
    w.setClock([&] { return now; });
    EXPECT_TRUE(w.Done());
    w.setMode(1);
    w.setWaitTime(2.0f);
    w.Start();
    EXPECT_FALSE(w.Done());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(CurrentProgress.data(), &w);
    for (int tick = 1; tick <= 9; ++tick) {
        now += 0.2;
        w.ProgTim_Timer();
        EXPECT_NEAR(w.barValue(), tick * 100, 1) << tick;
        EXPECT_FALSE(w.Done());
    }
    now += 0.2;
    w.ProgTim_Timer();
    EXPECT_EQ(w.barValue(), 1000);
    EXPECT_TRUE(w.Done());
    // The timer has stopped: later ticks change nothing.
    now += 5;
    w.ProgTim_Timer();
    EXPECT_EQ(w.barValue(), 1000);
    w.Unload();
}

TEST(Progress, PercentModeMovesInTenthsOfAPercent)
{
    frmProgress w;
    w.setMode(2);
    w.Start();
    EXPECT_TRUE(w.Done());
    w.SetPercent(12.34f);
    EXPECT_EQ(w.barValue(), 123);
    w.SetPercent(12.31f);
    EXPECT_EQ(w.barValue(), 123);
    w.SetPercent(100.0f);
    EXPECT_EQ(w.barValue(), 1000);
    w.Unload();
}

TEST(Progress, OtherModesDoNotStart)
{
    frmProgress w;
    w.setMode(3);
    w.Start();
    EXPECT_FALSE(w.isVisible());
}

TEST(Progress, CancelStopsTheTimerAndTheUserCannotClose)
{
    frmProgress w;
    double now = 0;
    w.setClock([&] { return now; });
    w.setMode(1);
    w.setWaitTime(10.0f);
    w.Start();
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("cmdAbort")), Qt::LeftButton);
    EXPECT_TRUE(w.Cancel());
    now = 20;
    w.ProgTim_Timer();
    EXPECT_EQ(w.barValue(), 0);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    w.Unload();
    EXPECT_FALSE(w.isVisible());
}

TEST(Progress, PositionInTwips)
{
    frmProgress w;
    w.setPosLeft(1440);
    w.setMode(2);
    w.Start();
    const int inchX = w.logicalDpiX();
    EXPECT_EQ(w.pos(), QPoint(inchX, 0));
    w.setPosTop(-5);
    EXPECT_EQ(w.pos(), QPoint(inchX, 0));
    w.setPosTop(720);
    EXPECT_EQ(w.pos(), QPoint(inchX, (w.logicalDpiY() + 1) / 2));
    w.Unload();
}
