// The audio callback must not allocate or lock: this test binary counts every global allocation and every mutex
// lock, and neither count may move while the stepped virtual card runs the engine's callback with all of its users
// active.
#include "SoundFixtures.h"

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::uint64_t> g_allocations{0};
std::atomic<std::uint64_t> g_locks{0};
}

extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex)
{
    using Lock = int (*)(pthread_mutex_t*);
    static const Lock real = reinterpret_cast<Lock>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    g_locks.fetch_add(1, std::memory_order_relaxed);
    return real(mutex);
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
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
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
    const auto locksBefore = g_locks.load();
    rig.card->step(8191 * 9);
    EXPECT_EQ(g_allocations.load(), before);
    EXPECT_EQ(g_locks.load(), locksBefore);
    // The counter does see locks taken on this thread.
    {
        pthread_mutex_t m = PTHREAD_MUTEX_INITIALIZER;
        pthread_mutex_lock(&m);
        pthread_mutex_unlock(&m);
    }
    EXPECT_EQ(g_locks.load(), locksBefore + 1);

    // Deferred stop and the end of playback happen inside the callback too.
    rig.engine.stopStimulus();
    const auto beforeStop = g_allocations.load();
    const auto locksBeforeStop = g_locks.load();
    rig.card->step(4096);
    EXPECT_EQ(g_allocations.load(), beforeStop);
    EXPECT_EQ(g_locks.load(), locksBeforeStop);

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
