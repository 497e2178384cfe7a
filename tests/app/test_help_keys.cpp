// F1 in a window of the running program opens that window's own help page, wherever the focus is in it: the
// document window, the tables, the parameter graph and its dialogs, the measurement window, the waterfall and the
// dialogs, each opened the way the user opens it.
#include "core/HelpWindow.h"
#include "library/Codes.h"
#include "support/ResponseFile.h"
#include "viewer/frmClose.h"
#include "program_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <functional>

using namespace vemra;
using namespace programtest;

namespace {

// Two omnidirectional channels of a decay: every table has rows for such a response.
QString probeResponse()
{
    return QString::fromStdString(test::ResponseFile("probe.wav")
                                      .channels(2)
                                      .rate(48000)
                                      .frames(24000)
                                      .receiver(ReceiverOmniOmniProbe)
                                      .sample([](std::int64_t i, int c) {
                                          return 20000.0 * std::exp(-double(i) / 2400.0)
                                                 * ((i * 7919 + c) % 11 < 5 ? 1 : -1);
                                      })
                                      .write());
}

QWidget* shownWindow(const QString& name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == name)
            return w;
    return nullptr;
}

void trigger(QWidget* window, const char* name)
{
    auto* action = window ? window->findChild<QAction*>(QString::fromLatin1(name)) : nullptr;
    ASSERT_TRUE(action) << name;
    ASSERT_TRUE(action->isEnabled()) << name;
    action->trigger();
}

void click(QWidget* window, const char* name)
{
    auto* button = window ? window->findChild<QPushButton*>(QString::fromLatin1(name)) : nullptr;
    ASSERT_TRUE(button) << name;
    button->click();
}

// Runs `act` on window `name` once it is shown and takes the keyboard: at once for a modal dialog, from inside its
// own loop. A modal dialog that opens in its way, as the waterfall's properties do on its first tick, is cancelled.
class WhenShown {
public:
    WhenShown(QString name, std::function<void(QWidget&)> act) : name_(std::move(name)), act_(std::move(act))
    {
        QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] { look(); });
        poll_.start(0);
    }
    bool done() const { return done_; }

private:
    void look()
    {
        QWidget* window = shownWindow(name_);
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != window) {
            if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && window)
                dialog->reject();
            return;
        }
        if (!window)
            return;
        poll_.stop();
        done_ = true;
        act_(*window);
    }

    QString name_;
    std::function<void(QWidget&)> act_;
    QTimer poll_;
    bool done_ = false;
};

// F1 in the control that has the focus in `window`; the page the help window then shows.
QString pressF1(QWidget& window)
{
    QApplication::setActiveWindow(&window);
    QWidget* focus = window.focusWidget();
    QTest::keyClick(focus ? focus : &window, Qt::Key_F1);
    return HelpWindow::instance()->currentPage();
}

void leave(QWidget& window)
{
    if (auto* dialog = qobject_cast<QDialog*>(&window))
        dialog->reject();
    else
        window.close();
}

// Closes what a case left open (a table behind its modal table, a waterfall behind its properties), the document
// window and the help window apart.
void closeOtherWindows()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->isWindow() && w->objectName() != QLatin1String("frmView")
            && w != HelpWindow::instance())
            w->close();
    }
    flushDeletes();
}

} // namespace

TEST_F(ProgramTest, F1OpensTheHelpPageOfTheWindowItIsPressedIn)
{
    startOnTheVirtualCard({probeResponse()});
    QPointer<frmView> view = documentWindow(1);
    ASSERT_TRUE(view && view->WaveFile() && view->WaveFile()->Valid());
    auto graph = [] { return shownWindow(QStringLiteral("frmParameters")); };
    const struct {
        const char* window;
        const char* page;
        std::function<void()> open;
    } cases[] = {
        {"frmView", "document-window.html", [] {}},
        {"frmTableISO", "context-3.html", [&] { trigger(view, "mnParIso"); }},
        {"frmTableRev", "context-17.html", [&] { trigger(view, "mnParRev"); }},
        {"frmTableSpace", "context-18.html", [&] { trigger(view, "mnParSpa"); }},
        {"frmTableRatio", "context-16.html", [&] { trigger(view, "mnParEne"); }},
        {"frmTableLevel", "context-15.html", [&] { trigger(view, "mnParLev"); }},
        {"frmTableSpeech", "context-13.html", [&] { trigger(view, "mnParSpe"); }},
        {"frmTableStage", "context-29.html", [&] { trigger(view, "mnParSta"); }},
        {"frmTableMTF", "context-14.html",
         [&] {
             trigger(view, "mnParSpe");
             click(shownWindow(QStringLiteral("frmTableSpeech")), "cmdMTF");
         }},
        {"frmParameters", "parameter-graph.html", [&] { trigger(view, "mnParGraph"); }},
        // The graph's first activation asks for its parameter.
        {"frmParamProp", "context-28.html", [&] { trigger(view, "mnParGraph"); }},
        {"frmFileSelect", "context-20.html",
         [&] {
             const WhenShown cancel(QStringLiteral("frmParamProp"), leave);
             trigger(view, "mnParGraph");
             ASSERT_TRUE(QTest::qWaitFor([&] { return cancel.done(); }, 10000));
             trigger(graph(), "mnFileSelect");
         }},
        {"frmMeasure", "context-2.html", [&] { trigger(view, "mnFileMeasure"); }},
        {"frmSetup", "context-4.html", [&] { trigger(view, "mnSetupOptions"); }},
        {"frmCalCard", "context-5.html", [&] { trigger(view, "mnSetupCalCard"); }},
        {"frmCalSystem", "context-7.html", [&] { trigger(view, "mnSetupCalSys"); }},
        {"frmFileInfo", "context-10.html", [&] { trigger(view, "mnFileInfo"); }},
        {"frmEditInfo", "context-32.html",
         [&] {
             view->SelectRange(100, 4000);
             trigger(view, "mnViewInfo");
         }},
        {"frmScale", "context-24.html", [&] { trigger(view, "mnProcScale"); }},
        {"frmAdrienne", "context-26.html", [&] { trigger(view, "mnProcAdrienne"); }},
        {"frmWaterfall", "waterfall.html", [&] { trigger(view, "mnViewWaterfall"); }},
        {"frmWaterProp", "context-27.html", [&] { trigger(view, "mnViewWaterfall"); }},
        // Asked after Save As of a new recording; opened here as that command opens it.
        {"frmClose", "context-12.html",
         [&] {
             frmClose prompt(view);
             prompt.exec();
         }},
    };
    HelpWindow* help = HelpWindow::instance();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.window);
        help->showContext(-1);
        help->hide();
        QString page;
        const WhenShown press(QString::fromLatin1(c.window), [&page](QWidget& window) {
            page = pressF1(window);
            if (window.objectName() != QLatin1String("frmView"))
                leave(window);
        });
        c.open();
        EXPECT_TRUE(QTest::qWaitFor([&] { return press.done(); }, 10000)) << "the window never showed";
        EXPECT_EQ(page, QString::fromLatin1(c.page));
        closeOtherWindows();
        ASSERT_TRUE(view);
    }
    help->hide();
    for (const MessageRequest& m : scripted().messages)
        ADD_FAILURE() << m.text.toStdString();
}
