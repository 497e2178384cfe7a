#include "core/Wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace vemra {

void Wait(float seconds, QWidget* window)
{
    const QPointer<QWidget> watched(window);
    const bool watchVisibility = window && window->isVisible();
    auto windowGone = [&] { return window && (!watched || (watchVisibility && !watched->isVisible())); };

    const qint64 limit_ns = seconds > 0 ? qint64(double(seconds) * 1e9) : 0;
    QElapsedTimer clock;
    clock.start();
    // A ticking timer wakes the blocking event processing, so the wait ends on time without spinning.
    QTimer tick;
    tick.setInterval(5);
    tick.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    while (clock.nsecsElapsed() <= limit_ns && !windowGone())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

QString TrimNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    const QStringView head = nul < 0 ? QStringView(text) : QStringView(text).left(nul);
    qsizetype begin = 0, end = head.size();
    while (begin < end && head[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && head[end - 1] == QLatin1Char(' '))
        --end;
    return head.mid(begin, end - begin).toString();
}

QString PadRight(const QString& text, int width)
{
    if (width - text.size() >= 1)
        return text + QString(width - int(text.size()), QLatin1Char(' '));
    return text;
}

} // namespace vemra
