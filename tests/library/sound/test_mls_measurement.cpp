#include "SoundFixtures.h"

#include "library/sound/Processing.h"

#include <gtest/gtest.h>

using namespace vemra;
using namespace vemra::sound;
using namespace vemra::sound::test;

namespace {

struct Measured {
    VResult rc = -1;
    std::vector<double> response;
};

Measured measureMls(SteppedRig& rig, int order, int averages, double rate, int filter = 0)
{
    Measured m;
    auto stimulus = std::make_shared<StimulusPeriod>();
    m.rc = buildStimulus(StimulusKind::Mls, order, rate, 16384, "", filter, 1.0f, *stimulus);
    if (m.rc)
        return m;
    const auto period = static_cast<std::int64_t>(stimulus->played.size());
    if ((m.rc = rig.engine.startStimulus(stimulus, 1)))
        return m;
    rig.card->step(period + 2048); // build-up: one period plus the latency
    if ((m.rc = rig.engine.startCapture(rate, period, averages, 1)))
        return m;
    rig.card->step(period * averages + 256);
    rig.engine.stopStimulus();
    CaptureResult capture;
    if ((m.rc = rig.engine.finishCapture(capture)))
        return m;
    std::vector<std::vector<double>> responses;
    m.rc = deconvolveCapture(capture, {1, order, rate, filter, 1}, responses);
    if (m.rc == 0)
        m.response = responses[0];
    return m;
}

} // namespace

TEST(MlsMeasurement, RecoversTheRoomWithLatencyRemovedForEveryOrder)
{
    const auto room = knownRoom();
    for (int order = 13; order <= 18; ++order) {
        SCOPED_TRACE(order);
        VirtualCardConfig config;
        config.response = room;
        config.latencyFrames = 700; // not a multiple of the block
        SteppedRig rig(config);
        const auto m = measureMls(rig, order, 1, 32000);
        ASSERT_EQ(m.rc, 0);
        EXPECT_LT(responseError_dB(m.response, room), -60.0);
        // The direct sound sits at its propagation delay, not shifted by the converters.
        const auto peak = std::max_element(m.response.begin(), m.response.end(),
                                           [](double a, double b) { return std::abs(a) < std::abs(b); });
        EXPECT_EQ(peak - m.response.begin(), 40);
    }
}
