// The audio callback must not allocate: this test binary counts every global allocation, and the count must not
// move while the stepped virtual card runs the engine's callback with all of its users active.
#include "SoundFixtures.h"

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::uint64_t> g_allocations{0};
}

void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

using namespace vemra;
using namespace vemra::sound;
using namespace vemra::sound::test;

TEST(RealTimeCallback, AllocatesNothingWhileEveryUserRuns)
{
    VirtualCardConfig config;
    config.response = knownRoom();
    config.noiseRms = 1e-3;
    SteppedRig rig(config);
    auto stimulus = std::make_shared<StimulusPeriod>();
    ASSERT_EQ(buildStimulus(StimulusKind::Mls, 13, 32000, 16384, "", 0, 1.0f, *stimulus), 0);
    ASSERT_EQ(rig.engine.acquire(StreamUser::ContinuousInput, 32000), 0);
    ASSERT_EQ(rig.engine.startStimulus(stimulus, 2), 0);
    ASSERT_EQ(rig.engine.startMeter(32000), 0);
    ASSERT_EQ(rig.engine.startPlayback(32000, std::vector<float>(20000, 0.1f), 1), 0);
    ASSERT_EQ(rig.engine.startCapture(32000, 8191, 8, 2), 0);
    rig.card->step(512); // first blocks: everything is published

    const auto before = g_allocations.load();
    rig.card->step(8191 * 9);
    EXPECT_EQ(g_allocations.load(), before);

    // Deferred stop and the end of playback happen inside the callback too.
    rig.engine.stopStimulus();
    const auto beforeStop = g_allocations.load();
    rig.card->step(4096);
    EXPECT_EQ(g_allocations.load(), beforeStop);

    CaptureResult result;
    EXPECT_EQ(rig.engine.finishCapture(result), 0);
    EXPECT_FALSE(rig.engine.stimulusPlaying());
    EXPECT_FALSE(rig.engine.playbackRunning());
}

TEST(RealTimeCallback, ReferencesKeepTheStreamForTheOtherUsers)
{
    SteppedRig rig({});
    ASSERT_EQ(rig.engine.acquire(StreamUser::ContinuousInput, 48000), 0);
    ASSERT_EQ(rig.engine.startMeter(48000), 0);
    rig.engine.stopMeter();
    EXPECT_TRUE(rig.engine.streamOpen());
    // Another rate while another user holds the stream is refused rather than pulling it away.
    auto stimulus = std::make_shared<StimulusPeriod>();
    ASSERT_EQ(buildStimulus(StimulusKind::Sweep, 14, 44100, 16384, "", 0, 1.0f, *stimulus), 0);
    EXPECT_EQ(rig.engine.startStimulus(stimulus, 1), 152);
    EXPECT_TRUE(rig.engine.streamOpen());
    rig.engine.release(StreamUser::ContinuousInput);
    EXPECT_FALSE(rig.engine.streamOpen());
}
