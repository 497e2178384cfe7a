#include "audio/MeasureClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace vemra {

namespace {

class SteadyMeasureClock final : public MeasureClock {
public:
    SteadyMeasureClock() { clock_.start(); }
    double now_s() override { return double(clock_.nsecsElapsed()) * 1e-9; }
    void idle() override
    {
        // A short single shot wakes the blocking event processing, so a wait ends on time without spinning.
        QTimer::singleShot(5, Qt::PreciseTimer, [] {});
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }

private:
    QElapsedTimer clock_;
};

} // namespace

MeasureClock& steadyMeasureClock()
{
    static SteadyMeasureClock clock;
    return clock;
}

} // namespace vemra
