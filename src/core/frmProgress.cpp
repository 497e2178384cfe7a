#include "core/frmProgress.h"

#include "core/ErrorGuard.h"
#include "core/ProgressValue.h"
#include "core/Twips.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace vemra {

void SetProgressForm(frmProgress* window) { CurrentProgress = window; }

frmProgress::frmProgress(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("frmProgress"));
    ProgBar = new QProgressBar(this);
    ProgBar->setObjectName(QStringLiteral("ProgBar"));
    ProgBar->setRange(0, 1000);
    ProgBar->setValue(0);
    ProgBar->setTextVisible(false);
    cmdAbort = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdAbort->setObjectName(QStringLiteral("cmdAbort"));
    ProgTim = new QTimer(this);
    ProgTim->setObjectName(QStringLiteral("ProgTim"));
    ProgTim->setInterval(200);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProgBar);
    layout->addWidget(cmdAbort, 0, Qt::AlignHCenter);
    resize(320, sizeHint().height());

    auto* clock = new QElapsedTimer;
    clock->start();
    clock_ = [clock = std::shared_ptr<QElapsedTimer>(clock)] { return double(clock->nsecsElapsed()) / 1e9; };

    connect(cmdAbort, &QPushButton::clicked, this, &frmProgress::cmdAbort_Click);
    connect(ProgTim, &QTimer::timeout, this, &frmProgress::ProgTim_Timer);
}

void frmProgress::setTitle(const QString& title)
{
    if (windowTitle() != title)
        setWindowTitle(title);
}

void frmProgress::setWaitTime(float seconds) { waitTime_ = seconds; }
void frmProgress::setMode(std::int16_t mode) { mode_ = mode; }

void frmProgress::Start()
{
    guarded("frmProgressStart", [&] {
        if (mode_ == 1) {
            done_ = false;
            startTime_ = clock_();
            ProgTim->start();
        } else if (mode_ == 2) {
            ProgBar->setValue(0);
        } else {
            return;
        }
        SetProgressForm(this);
        show();
        repaint();
    });
}

void frmProgress::ProgTim_Timer()
{
    if (!ProgTim->isActive())
        return;
    const double elapsed = clock_() - startTime_;
    // A zero wait time is full at once.
    const double value = waitTime_ > 0 ? std::round(elapsed * 1000.0 / double(waitTime_)) : 1000.0;
    const int bar = int(std::clamp(value, 0.0, 1000.0));
    ProgBar->setValue(bar);
    if (bar >= 1000) {
        ProgTim->stop();
        done_ = true;
    }
}

void frmProgress::SetPercent(float percent)
{
    // Called from long steps between their yields: the bar is painted at once.
    ShowProgress(ProgBar, int(std::lround(double(percent) * 10.0)));
}

int frmProgress::barValue() const { return ProgBar->value(); }

void frmProgress::cmdAbort_Click()
{
    cancel_ = true;
    if (mode_ == 1)
        ProgTim->stop();
}

void frmProgress::setPosTop(int twips)
{
    if (twips < 0 || twips == top_)
        return;
    top_ = twips;
    if (left_ < 0)
        left_ = 0;
    if (isVisible())
        placeWindow();
}

void frmProgress::setPosLeft(int twips)
{
    if (twips < 0 || twips == left_)
        return;
    left_ = twips;
    if (top_ < 0)
        top_ = 0;
    if (isVisible())
        placeWindow();
}

void frmProgress::placeWindow()
{
    if (top_ >= 0)
        move(TwipsToPixelsX(this, left_), TwipsToPixelsY(this, top_));
}

void frmProgress::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    placeWindow();
}

void frmProgress::closeEvent(QCloseEvent* event)
{
    // The close box must not end an operation behind the caller's back; the owner closes the window in code.
    if (unloading_)
        event->accept();
    else
        event->ignore();
}

void frmProgress::Unload()
{
    ProgTim->stop();
    unloading_ = true;
    close();
    unloading_ = false;
}

} // namespace vemra
