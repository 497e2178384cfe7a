#pragma once
// Helpers of the tests that run on a real X server with a window manager (run_x11.sh starts both): the event
// loop runs while the tools do their part, xdotool presses keys and clicks through the server as a user would,
// and windows are awaited until the window manager has framed them. Every wait is bounded.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <QProcess>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <memory>
#include <set>
#include <utility>

namespace x11test {

// Runs the event loop until `done` or `ms` milliseconds have passed; false on the time-out.
inline bool waitUntil(const std::function<bool()>& done, int ms = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Runs a tool to its end while the event loop keeps running (it may ask this program, for the clipboard or a
// window's state). Its exit code, -1 when it did not run or end in time; what it wrote goes to `output`.
inline int runTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForStarted(10000))
        return -1;
    if (!waitUntil([&] { return tool.state() == QProcess::NotRunning; })) {
        tool.kill();
        tool.waitForFinished(5000);
        return -1;
    }
    if (output)
        *output = tool.readAllStandardOutput();
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

// The frame the window manager has put around a shown window, as it announces it (_NET_FRAME_EXTENTS), in screen
// coordinates; empty while the window has none.
inline QRect frameOf(QWidget* window)
{
    QByteArray text;
    if (!window->isVisible() ||
        runTool(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()),
                                          QStringLiteral("_NET_FRAME_EXTENTS")},
                &text) != 0)
        return {};
    // "_NET_FRAME_EXTENTS(CARDINAL) = left, right, top, bottom"
    const int equals = text.indexOf('=');
    if (equals < 0)
        return {};
    const QList<QByteArray> parts = text.mid(equals + 1).split(',');
    if (parts.size() != 4)
        return {};
    const QRect inner = window->geometry();
    return inner.adjusted(-parts[0].trimmed().toInt(), -parts[2].trimmed().toInt(), parts[1].trimmed().toInt(),
                          parts[3].trimmed().toInt());
}

// Keys as xdotool names them ("ctrl+v", "alt+h", "Return"), pressed on the window that has the focus.
inline bool pressKeys(const QString& keys)
{
    return runTool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys}) == 0;
}

// The left button clicked at a point of the screen.
inline bool clickAt(QPoint global)
{
    return runTool(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(global.x()),
                                               QString::number(global.y()), QStringLiteral("click"),
                                               QStringLiteral("1")}) == 0;
}

// The left button clicked in the middle of a widget.
inline bool click(const QWidget* widget)
{
    return clickAt(widget->mapToGlobal(widget->rect().center()));
}

// Shown, exposed and framed by the window manager.
inline bool waitFramed(QWidget* window)
{
    return waitUntil([window] {
        return window->isVisible() && window->windowHandle() && window->windowHandle()->isExposed() &&
               !frameOf(window).isEmpty();
    });
}

// The window made the active one through the window manager: asked for as a pager asks, and where the window
// manager keeps the focus elsewhere, a click on the window's title bar as a user would.
inline bool activate(QWidget* window)
{
    if (!waitFramed(window))
        return false;
    const auto active = [window] { return window->isActiveWindow(); };
    runTool(QStringLiteral("xdotool"),
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(window->winId())});
    if (waitUntil(active, 2000))
        return true;
    const QRect frame = frameOf(window);
    clickAt(QPoint(frame.center().x(), (frame.top() + window->geometry().top()) / 2));
    return waitUntil(active);
}

// Answers the next modal dialog named `name` with keys, from inside the dialog's own loop: a dialog that runs
// its loop holds whatever opened it until it closes, so a test cannot wait for it in line. The flag it returns
// turns true once the keys have been pressed: a dialog may open a while after the command that asks for it (on a
// timer of its window's), so "no modal dialog" alone does not tell that it has come and gone.
inline std::shared_ptr<bool> answerModal(const QString& name, const QString& keys)
{
    auto answered = std::make_shared<bool>(false);
    auto* timer = new QTimer;
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, [timer, name, keys, answered] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != name)
            return;
        timer->stop();
        timer->deleteLater();
        if (activate(modal))
            pressKeys(keys);
        *answered = true;
    });
    timer->start();
    return answered;
}

// The menu named `name` (its object name, "mnPar") open as the program's active popup: the keys of its items
// go to it only from then on.
inline bool waitMenuShown(const QString& name)
{
    return waitUntil([&name] {
        const QWidget* popup = QApplication::activePopupWidget();
        return popup && popup->objectName() == name && popup->isVisible();
    });
}

// Counts the keys released anywhere in the program, so that a test knows a key has arrived and been handled. A
// release passed on from widget to parent is one release (one time stamp).
class KeyWatch : public QObject {
public:
    KeyWatch() { qApp->installEventFilter(this); }
    ~KeyWatch() override { qApp->removeEventFilter(this); }
    int released(int key) const
    {
        int n = 0;
        for (const auto& [k, time] : released_)
            n += k == key ? 1 : 0;
        return n;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
            const auto* key = static_cast<QKeyEvent*>(event);
            released_.emplace(key->key(), key->timestamp());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::set<std::pair<int, quint64>> released_;
};

} // namespace x11test
