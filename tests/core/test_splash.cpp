#include "core/Version.h"
#include "core/frmAbout.h"
#include "core/frmStartup.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace vemra;

namespace {
void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
} // namespace

TEST(Splash, TimersAndClosingByItself)
{
    frmStartup* s = frmStartup::instance();
    s->show();
    EXPECT_EQ(s->timer1()->interval(), 50);
    EXPECT_EQ(s->timer2()->interval(), 3500);
    EXPECT_TRUE(s->timer2()->isActive());
    s->Timer1_Timer();
    EXPECT_TRUE(s->ready());
    EXPECT_TRUE(frmStartup::loaded());
    s->Timer2_Timer();
    flushDeletes();
    EXPECT_FALSE(frmStartup::loaded());
}

TEST(Splash, AnEarlyClickClosesRightAfterTheFirstRepaint)
{
    frmStartup* s = frmStartup::instance();
    s->show();
    QTest::mouseClick(s->findChild<QLabel*>(QStringLiteral("lblClicker")), Qt::LeftButton);
    EXPECT_TRUE(s->ready());
    EXPECT_FALSE(s->timer2()->isActive());
    EXPECT_TRUE(frmStartup::loaded());
    s->Timer1_Timer();
    flushDeletes();
    EXPECT_FALSE(frmStartup::loaded());
}

TEST(Splash, AClickAfterTheRepaintClosesAtOnce)
{
    frmStartup* s = frmStartup::instance();
    s->show();
    s->Timer1_Timer();
    s->lblClicker_Click();
    flushDeletes();
    EXPECT_FALSE(frmStartup::loaded());
}

TEST(About, CaptionVersionAndBuild)
{
    frmAbout* a = frmAbout::instance();
    EXPECT_EQ(a->windowTitle(), QStringLiteral("About Vemra..."));
    EXPECT_EQ(a->findChild<QLabel*>(QStringLiteral("lblVersion"))->text(),
              QStringLiteral("VEMRA %1.%2").arg(VersionMajor).arg(VersionMinor));
    EXPECT_EQ(a->findChild<QLabel*>(QStringLiteral("lblBuild"))->text(), QStringLiteral("build %1").arg(VersionRevision));
    QTimer::singleShot(0, a, [a] { QTest::mouseClick(a->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton); });
    frmAbout::ShowModal(nullptr);
    flushDeletes();
    EXPECT_NE(frmAbout::instance(), nullptr); // a fresh one after the last was unloaded
}
