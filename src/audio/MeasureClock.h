#pragma once
// The time base of the measurement window's waits. now_s() is monotonic seconds; idle() lets the event loop run
// while time passes (the real clock sleeps until the next event or timer, at most a few milliseconds). Tests
// install a clock whose idle() advances its time and steps the virtual sound card, so a measurement runs as fast
// as the processor allows and exactly the same every time.
// Calling thread: the user-interface thread.
namespace vemra {

class MeasureClock {
public:
    virtual ~MeasureClock() = default;
    virtual double now_s() = 0;
    virtual void idle() = 0;
};

// The program's clock (monotonic, real time).
MeasureClock& steadyMeasureClock();

} // namespace vemra
