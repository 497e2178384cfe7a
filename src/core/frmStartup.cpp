#include "core/frmStartup.h"

#include "core/ErrorGuard.h"
#include "core/ProductPicture.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>

namespace vemra {
namespace {
QPointer<frmStartup>& shared()
{
    static QPointer<frmStartup> window;
    return window;
}
} // namespace

frmStartup* frmStartup::instance()
{
    if (!shared())
        shared() = new frmStartup;
    return shared();
}

bool frmStartup::loaded() { return !shared().isNull(); }

frmStartup::frmStartup(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmStartup"));
    setAttribute(Qt::WA_DeleteOnClose);
    const QSize size(480, 300);
    setFixedSize(size);

    picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setPixmap(ProductPicture(size));
    picture->setGeometry(0, 0, size.width(), size.height());
    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setGeometry(12, size.height() - 28, size.width() - 24, 20);
    // Covers the whole window, so that a click anywhere reaches it.
    lblClicker = new QLabel(this);
    lblClicker->setObjectName(QStringLiteral("lblClicker"));
    lblClicker->setAttribute(Qt::WA_TranslucentBackground);
    lblClicker->setGeometry(0, 0, width(), height());
    lblClicker->installEventFilter(this);
    lblClicker->raise();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(3500);
    connect(Timer1, &QTimer::timeout, this, &frmStartup::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &frmStartup::Timer2_Timer);
    Timer1->start();
    Timer2->start();
}

void frmStartup::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (lblClicker)
        lblClicker->setGeometry(0, 0, width(), height());
}

bool frmStartup::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblClicker && event->type() == QEvent::MouseButtonPress) {
        lblClicker_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmStartup::Timer1_Timer()
{
    Timer1->stop();
    Start1();
}

void frmStartup::Timer2_Timer()
{
    Timer2->stop();
    Start2();
}

void frmStartup::lblClicker_Click()
{
    Timer2->stop();
    if (ready_)
        Start2();
    else
        ready_ = true;
}

void frmStartup::Start1()
{
    guarded("Start1", [&] {
        repaint();
        if (ready_) {
            Timer2->stop();
            Start2();
        } else {
            ready_ = true;
        }
    });
}

void frmStartup::Start2()
{
    if (closing_)
        return;
    closing_ = true;
    Timer1->stop();
    Timer2->stop();
    hide();
    QCoreApplication::processEvents();
    close(); // deletes the window (WA_DeleteOnClose)
}

} // namespace vemra
