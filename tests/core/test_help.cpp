#include "core/Errors.h"
#include "core/HelpWindow.h"
#include "core/Messages.h"
#include "core/UiServices.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace vemra;

namespace {

void writePage(const QString& folder, const QString& name, const QString& html)
{
    QFile f(folder + QLatin1Char('/') + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(html.toUtf8());
}

// A small set of pages in a folder of their own, so these tests do not depend on the built-in pages.
class HelpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const QString d = dir.path();
        writePage(d, QStringLiteral("index.html"),
                  QStringLiteral("<html><head><title>Vemra help</title></head><body>"
                                 "<a href=\"context-2.html\">Measuring</a> <a href=\"message-402.html\">Decimal "
                                 "symbol</a> <a href=\"missing.html\">Gone</a></body></html>"));
        writePage(d, QStringLiteral("context-2.html"),
                  QStringLiteral("<html><head><title>The measurement window</title>"
                                 "<meta name=\"keywords\" content=\"averages, stimulus\"></head>"
                                 "<body><a href=\"message-402.html\">see</a></body></html>"));
        writePage(d, QStringLiteral("message-402.html"),
                  QStringLiteral("<html><head><title>Message 402</title></head><body>Decimal</body></html>"));
        SetHelpFolder(d);
    }
    void TearDown() override
    {
        SetHelpFolder(QString());
        if (HelpWindow* w = HelpWindow::instance())
            w->hide();
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(HelpTest, ContextsFindTheirPages)
{
    EXPECT_EQ(HelpPageForContext(-1), QStringLiteral("index.html"));
    EXPECT_EQ(HelpPageForContext(2), QStringLiteral("context-2.html"));
    EXPECT_EQ(HelpPageForContext(402), QStringLiteral("message-402.html"));
    EXPECT_EQ(HelpPageForContext(0), QString());
    EXPECT_EQ(HelpPageForContext(17), QString());
}

TEST_F(HelpTest, MinusOneOpensTheContents)
{
    ShowHelp(nullptr, -1);
    HelpWindow* w = HelpWindow::instance();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->currentPage(), QStringLiteral("index.html"));
    EXPECT_EQ(w->notice(), QString());
}

TEST_F(HelpTest, HelpButtonOfAnErrorBoxOpensTheMessagePage)
{
    InstallHelpHandler();
    UiServices::requestHelp(nullptr, 402);
    EXPECT_EQ(HelpWindow::instance()->currentPage(), QStringLiteral("message-402.html"));
    UiServices::setHelpHandler({});
}

TEST_F(HelpTest, AContextWithoutAPageShowsTheContentsWithANote)
{
    ShowHelp(nullptr, 17);
    HelpWindow* w = HelpWindow::instance();
    EXPECT_EQ(w->currentPage(), QStringLiteral("index.html"));
    EXPECT_TRUE(w->notice().contains(QStringLiteral("17")));
    ShowHelp(nullptr, 2);
    EXPECT_EQ(w->currentPage(), QStringLiteral("context-2.html"));
    EXPECT_EQ(w->notice(), QString());
}

TEST_F(HelpTest, BackAndForwardWalkTheHistory)
{
    HelpWindow* w = HelpWindow::instance();
    w->showContext(-1);
    w->showContext(2);
    w->showContext(402);
    auto* back = w->findChild<QPushButton*>(QStringLiteral("cmdBack"));
    auto* forward = w->findChild<QPushButton*>(QStringLiteral("cmdForward"));
    ASSERT_TRUE(back && forward);
    ASSERT_TRUE(back->isEnabled());
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(w->currentPage(), QStringLiteral("context-2.html"));
    ASSERT_TRUE(forward->isEnabled());
    QTest::mouseClick(forward, Qt::LeftButton);
    EXPECT_EQ(w->currentPage(), QStringLiteral("message-402.html"));
}

TEST_F(HelpTest, IndexListsTitlesAndKeywords)
{
    HelpWindow* w = HelpWindow::instance();
    w->showContext(-1);
    QStringList entries;
    for (const auto& [entry, page] : w->indexEntries())
        entries << entry + QLatin1Char('>') + page;
    EXPECT_EQ(entries, QStringList({QStringLiteral("averages>context-2.html"), QStringLiteral("Message 402>message-402.html"),
                                    QStringLiteral("stimulus>context-2.html"),
                                    QStringLiteral("The measurement window>context-2.html"),
                                    QStringLiteral("Vemra help>index.html")}));
}

TEST(HelpWithoutPages, AnEmptyFolderShowsNothingAndDoesNotFail)
{
    QTemporaryDir empty;
    SetHelpFolder(empty.path());
    ShowHelp(nullptr, -1);
    ShowHelp(nullptr, 402);
    EXPECT_EQ(HelpWindow::instance()->currentPage(), QString());
    SetHelpFolder(QString());
    HelpWindow::instance()->hide();
}

// The built-in pages: one per window help context and per message id, and the contents.
TEST(BuiltInHelp, EveryContextAndMessageHasItsPage)
{
    SetHelpFolder(QString());
    const QStringList pages = QDir(HelpFolder()).entryList({QStringLiteral("*.html")}, QDir::Files);
    if (pages.isEmpty())
        GTEST_SKIP() << "no help pages are built in yet";
    EXPECT_EQ(HelpPageForContext(-1), QStringLiteral("index.html"));
    for (int context : WindowHelpContexts())
        EXPECT_EQ(HelpPageForContext(context), QStringLiteral("context-%1.html").arg(context)) << context;
    for (int id : MessageIds())
        EXPECT_EQ(HelpPageForContext(id), QStringLiteral("message-%1.html").arg(id)) << id;

    // The Help button of HandleError(402) lands on that page.
    InstallHelpHandler();
    UiServices::requestHelp(nullptr, 402);
    EXPECT_EQ(HelpWindow::instance()->currentPage(), QStringLiteral("message-402.html"));
    UiServices::setHelpHandler({});
    HelpWindow::instance()->hide();
}

TEST(HelpOverAModalBox, UsableWhileTheBoxIsOpenAndOnItsOwnAfterwards)
{
    QDialog box;
    box.setModal(true);
    box.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &box);
    ShowHelp(&box, -1);
    HelpWindow* help = HelpWindow::instance();
    EXPECT_EQ(help->parentWidget(), &box);
    EXPECT_TRUE(help->isVisible());
    box.hide();
    EXPECT_EQ(help->parentWidget(), nullptr);
    EXPECT_TRUE(help->isVisible());
    help->hide();
}
