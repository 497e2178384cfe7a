#include "core/Errors.h"
#include "core/HelpKey.h"
#include "core/HelpPages.h"
#include "core/HelpWindow.h"
#include "core/MessageTexts.h"
#include "core/UiServices.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

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
        writePage(d, QStringLiteral("pages.txt"),
                  QStringLiteral("page index.html | Vemra help\n"
                                 "page context-2.html | The measurement window | averages, stimulus\n"
                                 "page message-402.html | Message 402\n"));
        writePage(d, QStringLiteral("index.html"),
                  QStringLiteral("<a href=\"context-2.html\">Measuring</a> <a href=\"message-402.html\">Decimal "
                                 "symbol</a> <a href=\"missing.html\">Gone</a>"));
        writePage(d, QStringLiteral("context-2.html"), QStringLiteral("<a href=\"message-402.html\">see</a>"));
        writePage(d, QStringLiteral("message-402.html"), QStringLiteral("Decimal"));
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

// A box that answers F1 itself, marking its window "taken".
class F1Box final : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() != Qt::Key_F1)
            return QLineEdit::keyPressEvent(event);
        window()->setProperty("taken", true);
        event->accept();
    }
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

// F1 in a message box (Qt's own, shown and answered while it is open) does what its Help button does: the box's
// page opens and the box stays open. A box without a Help button has no page to open.
TEST_F(HelpTest, F1InAMessageBoxOpensItsPage)
{
    InstallHelpHandler();
    const struct {
        int context;
        const char* page; // "": no help
    } cases[] = {{402, "message-402.html"}, {-1, "index.html"}, {-2, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        HelpWindow* help = HelpWindow::instance();
        help->hide();
        help->showPage(QStringLiteral("context-2.html"));
        MessageRequest r;
        r.text = QStringLiteral("Something went wrong.");
        r.title = QStringLiteral("Vemra - error (402)");
        r.icon = MsgIcon::Critical;
        r.helpContext = c.context;
        bool shown = false, boxOpen = false;
        QString page;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            EXPECT_TRUE(QTest::qWaitForWindowActive(box));
            QTest::keyClick(box, Qt::Key_F1);
            shown = help->isVisible();
            page = help->currentPage();
            boxOpen = box->isVisible();
            box->button(QMessageBox::Ok)->click();
        });
        QtUiServices services;
        EXPECT_EQ(services.messageBox(r), MsgResult::OK);
        EXPECT_TRUE(boxOpen);
        EXPECT_EQ(shown, *c.page != 0);
        if (shown) {
            EXPECT_EQ(page, QString::fromLatin1(c.page));
        }
    }
    UiServices::setHelpHandler({});
}

// F1 anywhere in a window opens the window's page, named by its context (asked for at the press) or by the page
// itself; but only an F1 that nothing in the window uses: a menu item on F1 and a box that answers F1 keep the
// key, and Ctrl+F1 is another key.
TEST_F(HelpTest, F1InAWindowOpensItsPageUnlessSomethingInItUsesTheKey)
{
    HelpWindow* help = HelpWindow::instance();
    const struct {
        const char* name;
        std::function<void(QWidget&)> install;
        Qt::KeyboardModifiers modifiers;
        const char* page;  // "": no help opened
        bool windowTakes;  // the window's own menu item or box got the key
    } cases[] = {
        {"a context", [](QWidget& w) { InstallHelpKey(&w, 2); }, Qt::NoModifier, "context-2.html", false},
        {"a context asked for at the press",
         [](QWidget& w) {
             auto context = std::make_shared<int>(2);
             InstallHelpKey(&w, [context] { return *context; });
             *context = 402;
         },
         Qt::NoModifier, "message-402.html", false},
        {"a page", [](QWidget& w) { InstallHelpKey(&w, QStringLiteral("context-2.html")); }, Qt::NoModifier,
         "context-2.html", false},
        {"Ctrl+F1", [](QWidget& w) { InstallHelpKey(&w, 2); }, Qt::ControlModifier, "", false},
        {"a menu item on F1",
         [](QWidget& w) {
             InstallHelpKey(&w, 2);
             auto* item = new QAction(&w);
             item->setShortcut(QKeySequence(Qt::Key_F1));
             w.addAction(item);
             QObject::connect(item, &QAction::triggered, &w, [&w] { w.setProperty("taken", true); });
         },
         Qt::NoModifier, "", true},
        {"a box that answers F1",
         [](QWidget& w) {
             InstallHelpKey(&w, 2);
             (new F1Box(&w))->setFocus();
         },
         Qt::NoModifier, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        help->showContext(-1);
        help->hide();
        QWidget window;
        auto* text = new QLineEdit(&window);
        text->setFocus();
        c.install(window);
        window.show();
        QApplication::setActiveWindow(&window);
        QTest::keyClick(window.focusWidget(), Qt::Key_F1, c.modifiers);
        EXPECT_EQ(window.property("taken").toBool(), c.windowTakes);
        if (*c.page) {
            EXPECT_TRUE(help->isVisible());
            EXPECT_EQ(help->currentPage(), QString::fromLatin1(c.page));
        } else {
            EXPECT_FALSE(help->isVisible());
            EXPECT_EQ(help->currentPage(), QStringLiteral("index.html"));
        }
    }
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
    for (const HelpPages::IndexEntry& entry : w->indexEntries())
        entries << entry.text + QLatin1Char('>') + entry.file;
    EXPECT_EQ(entries, QStringList({QStringLiteral("averages \u2013 The measurement window>context-2.html"),
                                    QStringLiteral("Message 402>message-402.html"),
                                    QStringLiteral("stimulus \u2013 The measurement window>context-2.html"),
                                    QStringLiteral("The measurement window>context-2.html"),
                                    QStringLiteral("Vemra help>index.html")}));
}

TEST_F(HelpTest, TheIndexSearchLooksAtTheWordNotThePageBesideIt)
{
    HelpWindow* w = HelpWindow::instance();
    w->showContext(-1);
    auto* search = w->findChild<QLineEdit*>(QStringLiteral("txtIndex"));
    auto* list = w->findChild<QListWidget*>(QStringLiteral("lstIndex"));
    ASSERT_TRUE(search && list);
    const auto listed = [&] {
        QStringList lines;
        for (int row = 0; row < list->count(); ++row)
            lines << list->item(row)->text();
        return lines;
    };
    // Opening the index puts the keyboard on the search box.
    w->show();
    QApplication::setActiveWindow(w);
    auto* tabs = w->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    tabs->setCurrentIndex(0);
    tabs->setCurrentWidget(search->parentWidget());
    EXPECT_TRUE(search->hasFocus());

    search->setText(QStringLiteral("measurement"));
    EXPECT_EQ(listed(), QStringList({QStringLiteral("The measurement window")}));
    search->setText(QStringLiteral("STIM"));
    EXPECT_EQ(listed(), QStringList({QStringLiteral("stimulus \u2013 The measurement window")}));
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_EQ(list->currentItem()->data(Qt::UserRole).toString(), QStringLiteral("context-2.html"));
    search->clear();
}

namespace {

// The index of a folder holding `pageList` and a page for each file it names, as "line>file".
QStringList indexLines(const QString& pageList)
{
    QTemporaryDir folder;
    EXPECT_TRUE(folder.isValid());
    writePage(folder.path(), QStringLiteral("pages.txt"), pageList);
    static const QRegularExpression file(QStringLiteral("^page (\\S+)"), QRegularExpression::MultilineOption);
    for (auto it = file.globalMatch(pageList); it.hasNext();)
        writePage(folder.path(), it.next().captured(1), QStringLiteral("<p>x</p>\n"));
    QStringList lines;
    for (const HelpPages::IndexEntry& entry : HelpPages(folder.path()).indexEntries())
        lines << entry.text + QLatin1Char('>') + entry.file;
    return lines;
}

} // namespace

// Terms that several pages share, or that a page lists twice or as its own title, read as different lines.
TEST(HelpIndex, EveryLineNamesItsPageAndNoTwoReadAlike)
{
    const QStringList lines = indexLines(
        QStringLiteral("page context-4.html | Options | options, option, calibration, temperature, Calibration\n"
                       "page context-5.html | Sound-card calibration: lines | sound-card calibration, calibration\n"
                       "page context-6.html | Sound-card calibration | Sound-card calibration, calibration\n"));
    EXPECT_EQ(lines.join(QLatin1Char('\n')).toStdString(),
              QStringList({QStringLiteral("calibration \u2013 Options>context-4.html"),
                           QStringLiteral("calibration \u2013 Sound-card calibration>context-6.html"),
                           QStringLiteral("calibration \u2013 Sound-card calibration: lines>context-5.html"),
                           QStringLiteral("option \u2013 Options>context-4.html"),
                           QStringLiteral("Options>context-4.html"),
                           QStringLiteral("Sound-card calibration>context-6.html"),
                           QStringLiteral("Sound-card calibration: lines>context-5.html"),
                           QStringLiteral("temperature \u2013 Options>context-4.html")})
                  .join(QLatin1Char('\n'))
                  .toStdString());
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

// How a page is put together from its own words, the page list, the shared texts and the message table.
TEST(HelpComposition, PagesGetTitleNavigationAndListsFromTheData)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    ASSERT_TRUE(QDir(d).mkpath(QStringLiteral("shared")));
    writePage(d, QStringLiteral("pages.txt"),
              QStringLiteral("# comment | not a page\n"
                             "page index.html | Help: Contents | contents\n"
                             "section win | Windows\n"
                             "page context-2.html | Measurement window | measure | measuring | Measuring\n"
                             "group 150 | Sound devices\n"
                             "group 400 | Settings\n"));
    writePage(d, QStringLiteral("shared/nav.html"), QStringLiteral("<a href=\"index.html\">Contents</a>\n"));
    writePage(d, QStringLiteral("shared/box.html"), QStringLiteral("Box ({{id}}).\n"));
    writePage(d, QStringLiteral("index.html"), QStringLiteral("<h1>Help</h1>\n{{contents}}\n{{messages}}\n"));
    writePage(d, QStringLiteral("context-2.html"), QStringLiteral("<p>Own words {{nothing-such}}</p>\n"));
    for (int id : {152, 158, 402})
        writePage(d, QStringLiteral("message-%1.html").arg(id), QStringLiteral("<p>{{box}}</p>\n"));
    const HelpPages pages(d);

    struct Case {
        const char* page;
        std::vector<const char*> holds;
    };
    const Case cases[] = {
        {"index.html",
         {"<title>Help: Contents</title>", "<h2><a name=\"win\">Windows</a></h2>",
          "<li><a href=\"context-2.html\">Measuring</a> &ndash; measuring</li>", "<h3>Sound devices</h3>",
          "<li><a href=\"message-158.html\">158 Cannot get recording</a></li>", "<h3>Settings</h3>"}},
        {"context-2.html",
         {"<title>Measurement window</title>", "<h1>Measurement window</h1>", "Own words {{nothing-such}}",
          "<p class=\"nav\"><a href=\"index.html\">Contents</a></p>"}},
        {"message-158.html",
         {"<title>Message 158: Cannot get recording</title>", "<h1>Cannot get recording</h1>",
          "Message 158 &middot; Sound devices", "<p>Box (158).</p>",
          "<a href=\"message-152.html\">&lt; 152</a> | <a href=\"message-402.html\">402 &gt;</a>"}},
        {"message-402.html", {"Settings</p>", "<a href=\"message-158.html\">&lt; 158</a></p>"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        const QString html = pages.compose(QString::fromLatin1(c.page));
        for (const char* piece : c.holds)
            EXPECT_TRUE(html.contains(QString::fromUtf8(piece))) << piece << "\n" << html.toStdString();
        // The navigation bar stands above and below the page's own words.
        EXPECT_EQ(html.count(QStringLiteral("<p class=\"nav\">")), 2);
    }
    EXPECT_EQ(pages.compose(QStringLiteral("index.html")).count(QStringLiteral("<h1>")), 1);
    EXPECT_EQ(pages.compose(QStringLiteral("missing.html")), QString());
    EXPECT_EQ(pages.unlisted(), QStringList());
    writePage(d, QStringLiteral("forgotten.html"), QStringLiteral("<p>x</p>\n"));
    EXPECT_EQ(HelpPages(d).unlisted(), QStringList({QStringLiteral("forgotten.html")}));
}

namespace {

QString firstCapture(const QString& html, const char* pattern)
{
    return QRegularExpression(QString::fromLatin1(pattern), QRegularExpression::DotMatchesEverythingOption)
        .match(html)
        .captured(1);
}

} // namespace

// Every message page is titled with its message's text from the message table.
TEST(BuiltInHelp, MessagePagesAreTitledWithTheirMessageText)
{
    const HelpPages pages(QStringLiteral(":/help"));
    if (pages.pages().empty())
        GTEST_SKIP() << "no help pages are built in yet";
    for (int id : MessageIds()) {
        SCOPED_TRACE(id);
        const QString text = MessageText(id).trimmed().toHtmlEscaped();
        const QString html = pages.compose(QStringLiteral("message-%1.html").arg(id));
        EXPECT_EQ(firstCapture(html, "<title>(.*?)</title>").toStdString(),
                  QStringLiteral("Message %1: %2").arg(id).arg(text).toStdString());
        EXPECT_EQ(firstCapture(html, "<h1>(.*?)</h1>").toStdString(), text.toStdString());
    }
}

// The page list and the pages agree: no page left out of the list, no placeholder left unfilled, no link that
// leads nowhere.
TEST(BuiltInHelp, EveryPageIsListedAndEveryLinkArrives)
{
    const HelpPages pages(QStringLiteral(":/help"));
    if (pages.pages().empty())
        GTEST_SKIP() << "no help pages are built in yet";
    EXPECT_EQ(pages.unlisted().join(QLatin1Char(' ')).toStdString(), "");
    static const QRegularExpression link(QStringLiteral("href=\"([^\":]*?)(?:#([^\"]*))?\""));
    for (const HelpPages::Page& page : pages.pages()) {
        SCOPED_TRACE(page.file.toStdString());
        ASSERT_TRUE(pages.exists(page.file));
        const QString html = pages.compose(page.file);
        EXPECT_FALSE(html.contains(QStringLiteral("{{"))) << "a placeholder without a value";
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const auto m = it.next();
            const QString target = m.captured(1).isEmpty() ? page.file : m.captured(1);
            if (target.endsWith(QStringLiteral(".css")))
                continue;
            ASSERT_TRUE(pages.exists(target)) << m.captured(0).toStdString();
            if (!m.captured(2).isEmpty()) {
                EXPECT_TRUE(pages.compose(target).contains(QStringLiteral("name=\"%1\"").arg(m.captured(2))))
                    << m.captured(0).toStdString();
            }
        }
    }
}

// The whole built-in index: each line is its page's title or a term with that title beside it, and no two lines
// read alike, whatever their case.
TEST(BuiltInHelp, TheIndexNamesThePageOfEveryLineAndRepeatsNoLine)
{
    const HelpPages pages(QStringLiteral(":/help"));
    if (pages.pages().empty())
        GTEST_SKIP() << "no help pages are built in yet";
    const QList<HelpPages::IndexEntry> entries = pages.indexEntries();
    ASSERT_FALSE(entries.isEmpty());
    QSet<QString> seen;
    for (const HelpPages::IndexEntry& entry : entries) {
        SCOPED_TRACE(entry.text.toStdString());
        const HelpPages::Page* page = pages.find(entry.file);
        ASSERT_NE(page, nullptr);
        EXPECT_TRUE(entry.text == page->title || entry.text == entry.word + QStringLiteral(" \u2013 ") + page->title);
        EXPECT_FALSE(seen.contains(entry.text.toCaseFolded())) << "listed twice";
        seen.insert(entry.text.toCaseFolded());
    }
}

TEST(HelpWindowPlace, OpensWhollyOnTheScreen)
{
    // The test screen is smaller than the window's preferred size; a window left off the screen comes back.
    HelpWindow* help = HelpWindow::instance();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QPoint& left : {QPoint(0, 0), QPoint(area.right() + 500, area.bottom() + 500), QPoint(-2000, -50)}) {
        SCOPED_TRACE(left.x());
        help->hide();
        help->move(left);
        ShowHelp(nullptr, -1);
        EXPECT_TRUE(area.contains(help->frameGeometry())) << help->frameGeometry().x() << ","
                                                          << help->frameGeometry().y() << " "
                                                          << help->frameGeometry().width() << "x"
                                                          << help->frameGeometry().height();
    }
    help->hide();
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
