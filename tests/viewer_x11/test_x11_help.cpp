// Help from an error box on a desktop with a window manager: the box is a real one (Qt's), its Help button is
// clicked through the X server, and the help window must open wholly on the screen, frame included, without
// covering the box's buttons; F1 pressed on the box opens the same page.
#include "core/Errors.h"
#include "core/HelpWindow.h"
#include "core/UiServices.h"
#include "viewer/viewer_fixture.h"
#include "x11/X11Session.h"

#include <QAbstractButton>
#include <QFile>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

#include <functional>
#include <vector>

using namespace vemra;

namespace {

class X11Help : public viewertest::ViewerWindow {
protected:
    void SetUp() override
    {
        ViewerWindow::SetUp();
        scripted_ = &viewertest::scripted();
        UiServices::install(nullptr); // the Qt dialogs, shown on the server
        InstallHelpHandler();
    }
    void TearDown() override
    {
        UiServices::install(scripted_);
        if (HelpWindow* help = HelpWindow::instance())
            help->hide();
        ViewerWindow::TearDown();
    }

private:
    ScriptedUiServices* scripted_ = nullptr;
};

// A file that opens with an error box: a RIFF header that is no wave.
QString badWave()
{
    const QString bad = QString::fromStdString(test::ResponseFile("bad.wav").frames(300).write());
    QFile f(bad);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write("RIFF\x10\0\0\0WAVEjunkjunkjunkjunk", 24);
    return bad;
}

// What the help window and the box looked like while both were open, in screen coordinates.
struct Seen {
    bool helpShown = false;
    QRect area;
    QRect box;
    QRect help;
    std::vector<QRect> buttons;
};

} // namespace

TEST_F(X11Help, HelpFromAnErrorBoxOpensWhollyOnTheScreenBesideTheBox)
{
    const QString bad = badWave();
    Seen seen;
    // Runs inside the box's own loop, which the failed load below is waiting in.
    std::function<void()> answerTheBox = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(50, answerTheBox);
            return;
        }
        ASSERT_TRUE(x11test::waitFramed(box));
        ASSERT_TRUE(box->windowTitle().startsWith("Vemra - error (")) << box->windowTitle().toStdString();
        ASSERT_TRUE(x11test::click(box->button(QMessageBox::Help)));
        HelpWindow* help = HelpWindow::instance();
        seen.helpShown = x11test::waitFramed(help);
        seen.area = box->screen()->availableGeometry();
        seen.box = x11test::frameOf(box);
        seen.help = x11test::frameOf(help);
        for (QAbstractButton* b : box->buttons())
            seen.buttons.emplace_back(b->mapToGlobal(QPoint(0, 0)), b->size());
        box->button(QMessageBox::Ok)->click();
    };
    QTimer::singleShot(0, answerTheBox);
    open(bad);

    ASSERT_TRUE(seen.helpShown);
    const auto text = [](const QRect& r) {
        return QStringLiteral("%1x%2%3%4%5%6")
            .arg(r.width())
            .arg(r.height())
            .arg(r.x() < 0 ? "" : "+")
            .arg(r.x())
            .arg(r.y() < 0 ? "" : "+")
            .arg(r.y())
            .toStdString();
    };
    EXPECT_TRUE(seen.area.contains(seen.help))
        << "help " << text(seen.help) << ", box " << text(seen.box) << ", screen " << text(seen.area);
    ASSERT_EQ(seen.buttons.size(), 2u);
    for (const QRect& button : seen.buttons)
        EXPECT_FALSE(seen.help.intersects(button))
            << "a button of the box at " << text(button) << " is covered by the help at " << text(seen.help);
    // Big enough to read a page in.
    EXPECT_GE(seen.help.width(), 400);
    EXPECT_GE(seen.help.height(), 300);
}

// F1, pressed through the server on the error box, opens the help window at that message's page; the box stays.
TEST_F(X11Help, F1InAnErrorBoxOpensItsMessagePage)
{
    const QString bad = badWave();
    HelpWindow* help = HelpWindow::instance();
    help->showPage(QStringLiteral("index.html"));
    help->hide();
    QString boxTitle, page, helpTitle;
    bool pressed = false, helpShown = false, boxOpen = false;
    std::function<void()> answerTheBox = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(50, answerTheBox);
            return;
        }
        boxTitle = box->windowTitle();
        pressed = x11test::activate(box) && x11test::pressKeys(QStringLiteral("F1"));
        if (pressed && (helpShown = x11test::waitFramed(help))) {
            page = help->currentPage();
            helpTitle = help->windowTitle();
        }
        boxOpen = box->isVisible();
        box->button(QMessageBox::Ok)->click();
    };
    QTimer::singleShot(0, answerTheBox);
    open(bad);

    const QRegularExpressionMatch id =
        QRegularExpression(QStringLiteral("^Vemra - error \\((\\d+)\\)$")).match(boxTitle);
    ASSERT_TRUE(id.hasMatch()) << boxTitle.toStdString();
    ASSERT_TRUE(pressed);
    ASSERT_TRUE(helpShown) << "F1 opened no help";
    EXPECT_EQ(helpTitle, QStringLiteral("Vemra Help"));
    EXPECT_EQ(page, QStringLiteral("message-%1.html").arg(id.captured(1)));
    EXPECT_TRUE(boxOpen);
}

TEST_F(X11Help, HelpFromTheMenuFitsOnTheScreen)
{
    frmView* w = open(QString());
    ASSERT_TRUE(x11test::activate(w));
    ASSERT_TRUE(x11test::pressKeys("shift+F1")); // Help > Vemra Help Topics
    HelpWindow* help = HelpWindow::instance();
    ASSERT_TRUE(x11test::waitFramed(help));
    EXPECT_TRUE(w->screen()->availableGeometry().contains(x11test::frameOf(help)));
}
