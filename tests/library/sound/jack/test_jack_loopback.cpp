// A measurement through a real audio server: the private JACK server that the CTest fixture starts (dummy driver,
// loopback ports) passes our output back to our input unchanged, one period later, which the backend takes as the
// loop's latency: the measured response is a single unit impulse at lag 0. A server that stops is told at once and
// used again once it is back. An overrun the server announces refuses the capture it may have touched; input read
// after the server went on without the stream is told lost; a callback merely late loses nothing.
#include "library/Messages.h"
#include "library/api_sound.h"
#include "library/dsp/Deconvolution.h"
#include "library/dsp/Sweep.h"
#include "library/files/ResponseFile.h"
#include "library/files/TempFiles.h"
#include "library/sound/Engine.h"
#include "library/sound/DeviceBackend.h"
#include "library/sound/JackBackend.h"

#include "../SoundFixtures.h"
#include "JackTestServer.h"

#include <gtest/gtest.h>
#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

using namespace vemra;

namespace {

// A unit impulse as the sweep measures it: its fade to zero below the Nyquist frequency leaves the top bins out,
// so the impulse is band-limited and its peak a little below 1.
double sweepSelfPeak(int order)
{
    const auto s = dsp::periodicSweep(order, 48000);
    std::vector<double> h(s.size());
    dsp::SpectralDeconvolver(s).deconvolve(s, h);
    return h[0];
}

constexpr int kOrder = 15;

// Measures the loop-back once with an MLS (1) or a sweep (5) of order 15: the first step's result other than 0, or
// 0 with the response's file.
VResult measureLoopback(int stimulus, std::string& file)
{
    const std::int32_t period = (1 << kOrder) - 1;
    const std::int32_t count = stimulus == 1 ? period : period + 1;
    VResult rc = StartContRecording(48000, 1);
    std::string none;
    if (rc == 0)
        rc = stimulus == 1 ? StartMLS(1, kOrder, 48000, 16384, none, 0, 1.0f)
                           : StartSweep(1, kOrder, 48000, 16384, none, 0, 1.0f);
    // The capture begins once the stimulus has filled the loop (the engine counts the stream's frames for it).
    if (rc == 0)
        rc = StartRecording(48000, count, 2);
    StopPlaying(); // deferred until the capture is complete
    if (rc == 0) {
        MeasurementInfo info;
        info.Stimulus = static_cast<std::int16_t>(stimulus);
        MeasurementGains gains;
        rc = ProcessRecording(file, 48000, kOrder, info, gains, 1, 0);
    }
    StopContRecording();
    return rc;
}

// Measures the loop-back and checks the response: one unit impulse at lag 0 and nothing else.
void expectTheLoopback(int stimulus)
{
    SCOPED_TRACE(stimulus);
    const int order = kOrder;
    std::string file;
    ASSERT_EQ(measureLoopback(stimulus, file), 0);

    WaveHeader header;
    std::vector<std::int16_t> samples;
    ASSERT_EQ(files::readResponse(file, header, &samples), 0);
    std::size_t peak = 0;
    for (std::size_t i = 0; i < samples.size(); ++i)
        if (std::abs(samples[i]) > std::abs(samples[peak]))
            peak = i;
    const double f = header.gains.channelFactor[0];
    EXPECT_NEAR(samples[peak] * f, stimulus == 1 ? 1.0 : sweepSelfPeak(order), 1e-3) << "at lag " << peak;
    // Nothing else: the loopback is a pure delay.
    double rest = 0;
    for (std::size_t i = 0; i < samples.size(); ++i)
        if (i != peak)
            rest = std::max(rest, std::abs(samples[i] * f));
    if (stimulus == 1) {
        // Floats pass the server unchanged and the MLS inversion is exact: the file holds one sample.
        EXPECT_EQ(rest, 0.0);
        EXPECT_EQ(samples[peak], 32000);
    } else {
        EXPECT_LT(rest, 2e-2); // the sweep's band edges ring a little
    }
    EXPECT_EQ(peak, 0u);
    files::removeTempFile(file);
}

// Plays nothing.
struct Silence final : sound::AudioCallback {
    void process(const float*, float* out, int frames, bool) noexcept override { std::fill(out, out + 2 * frames, 0.0f); }
};

// A client of the test's own on the fixture's server, with one output port of silence; onCycle runs in each of its
// cycles with the cycle's first frame on the server's clock and its length.
class SideClient {
public:
    using OnCycle = std::function<void(jack_nframes_t first, jack_nframes_t frames)>;
    explicit SideClient(OnCycle onCycle) : onCycle_(std::move(onCycle))
    {
        client_ = jack_client_open("vemra-test-side", JackNoStartServer, nullptr);
        if (!client_)
            return;
        port_ = jack_port_register(client_, "out", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client_, &SideClient::onProcess, this);
        active_ = port_ && jack_activate(client_) == 0;
    }
    ~SideClient()
    {
        if (client_)
            jack_client_close(client_);
    }
    bool active() const { return active_; }
    jack_nframes_t period() const { return jack_get_buffer_size(client_); }
    // Feeds the port with our silence: the server then runs this client before the port's owner in every cycle.
    bool feed(const char* port) { return jack_connect(client_, jack_port_name(port_), port) == 0; }

private:
    static int onProcess(jack_nframes_t frames, void* self)
    {
        auto* c = static_cast<SideClient*>(self);
        auto* out = static_cast<float*>(jack_port_get_buffer(c->port_, frames));
        std::fill(out, out + frames, 0.0f);
        c->onCycle_(jack_last_frame_time(c->client_), frames);
        return 0;
    }

    OnCycle onCycle_;
    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    bool active_ = false;
};

// Sleeps for `periods` periods: a client that overruns its cycle (more than one) or runs late in it (less) on purpose
// (the sleep is the fault, nothing waits on it).
void sleepFor(double periods, jack_nframes_t period)
{
    std::this_thread::sleep_for(std::chrono::microseconds(std::llround(periods * 1e6 * period / 48000)));
}

// The engine's clock for its bounded waits, counting them: a start that waited on the stream would sleep on it.
class CountingClock final : public sound::WaitClock {
public:
    int sleeps = 0;
    std::int64_t now_ms() override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void sleep_ms(int ms) override
    {
        ++sleeps;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

} // namespace

TEST(JackLoopback, AMeasurementThroughTheServerRecoversTheLoopback)
{
    sound::Engine::instance().setBackend(std::make_unique<sound::DeviceBackend>());
    ASSERT_EQ(SelectWaveDevices("loopback", 0, 0), 0);
    EXPECT_EQ(sound::Engine::instance().backend()->kind(), "jack");
    ASSERT_EQ(CheckFullduplex(48000), -1);
    EXPECT_EQ(CheckFullduplex(44100), 0) << "the server runs at 48 kHz only";
    for (int stimulus : {1, 5})
        expectTheLoopback(stimulus);
    sound::Engine::instance().setBackend(nullptr);
}

// The latency of a stream on the server's ports: what the server says of them, capture plus playback. The fixture's
// server runs its clients synchronously, so one period for playback (jack_server.sh); its loop-back driver delays by
// one.
TEST(JackLoopback, TheStreamsLatencyIsWhatTheServerSaysOfItsPorts)
{
    SideClient server([](jack_nframes_t, jack_nframes_t) {});
    ASSERT_TRUE(server.active());
    const std::int64_t period = server.period();
    Silence silence;
    sound::JackBackend b;
    for (const auto& [device, latency] : {std::pair{"system", 2 * period}, std::pair{"loopback", period}}) {
        SCOPED_TRACE(device);
        ASSERT_EQ(b.selectDevices(device, 0, 0), 0);
        ASSERT_EQ(b.open(48000, 2, 2, &silence), 0);
        EXPECT_EQ(b.inChannels(), 2);
        EXPECT_EQ(b.outChannels(), 2);
        EXPECT_EQ(b.roundTripLatencyFrames(), latency);
        b.close();
    }
    EXPECT_EQ(b.selectDevices("no-such-client", 0, 0), 151);
}

// The server has one rate, its own: a stream asked for at another is refused, never run at the server's rate.
TEST(JackLoopback, AStreamRunsAtTheRateAskedForOrNotAtAll)
{
    Silence silence;
    sound::JackBackend b;
    ASSERT_EQ(b.selectDevices("loopback", 0, 0), 0);
    for (double rate : {44100.0, 96000.0}) {
        SCOPED_TRACE(rate);
        EXPECT_EQ(b.open(rate, 2, 2, &silence), msg::UnsupportedSampleRate);
        EXPECT_FALSE(b.isOpen());
    }
    ASSERT_EQ(b.open(48000, 2, 2, &silence), 0);
    EXPECT_EQ(b.rate(), 48000);
    b.close();

    sound::Engine::instance().setBackend(std::make_unique<sound::DeviceBackend>());
    ASSERT_EQ(SelectWaveDevices("loopback", 0, 0), 0);
    EXPECT_EQ(StartContRecording(44100, 1), msg::UnsupportedSampleRate);
    EXPECT_FALSE(sound::Engine::instance().streamOpen());
    std::string none;
    EXPECT_EQ(StartMLS(1, 15, 44100, 16384, none, 0, 1.0f), msg::UnsupportedSampleRate);
    sound::Engine::instance().setBackend(nullptr);
}

TEST(JackLoopback, AServerThatStoppedIsToldAtOnceAndUsedAgainWhenBack)
{
    if (!sound::test::haveServerScript())
        GTEST_SKIP() << "needs the server script of the CTest fixture";
    sound::Engine::instance().setBackend(std::make_unique<sound::DeviceBackend>());
    ASSERT_EQ(SelectWaveDevices("loopback", 0, 0), 0);
    ASSERT_EQ(StartContRecording(48000, 1), 0);
    ASSERT_EQ(sound::test::runFrames(sound::Engine::instance(), 48000, 4096), 0); // the stream runs

    // The server goes under the open stream: starting a stimulus says so at once, each time, without waiting on
    // the stream that will not run again. The client learns of it from the server's shutdown, on its own thread.
    ASSERT_EQ(sound::test::jackServer("stop"), 0);
    sound::test::waitUntilStreamLost(*sound::Engine::instance().backend());
    CountingClock clock;
    sound::Engine::instance().setClock(&clock);
    std::string none;
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        EXPECT_EQ(StartMLS(1, 15, 48000, 16384, none, 0, 1.0f), msg::NoUsableWaveDevice);
        EXPECT_EQ(clock.sleeps, 0);
    }
    sound::Engine::instance().setClock(nullptr);
    StopContRecording();

    // Back: the next measurement connects to it anew, without new device choice or restart.
    ASSERT_EQ(sound::test::jackServer("start"), 0);
    expectTheLoopback(1);
    sound::Engine::instance().setBackend(nullptr);
}

// Another client overruns its cycle while we measure: the server's driver falls behind its clock and announces an
// overrun to every client. On a sound card that lost input, so the capture running then is refused; once the
// overruns stop, the next measurement gives the loop-back exactly.
TEST(JackLoopback, AnOverrunTheServerAnnouncesRefusesTheCaptureItMayHaveTouched)
{
    std::atomic<bool> overrunning{true};
    std::atomic<int> cycles{0};
    SideClient late([&](jack_nframes_t, jack_nframes_t frames) {
        if (overrunning.load() && cycles.load() % 2 == 0)
            sleepFor(1.5, frames);
        cycles.fetch_add(1);
    });
    ASSERT_TRUE(late.active());
    sound::Engine::instance().setBackend(std::make_unique<sound::DeviceBackend>());
    ASSERT_EQ(SelectWaveDevices("loopback", 0, 0), 0);
    std::string file;
    EXPECT_EQ(measureLoopback(1, file), msg::CannotGetRecording);
    EXPECT_TRUE(file.empty());

    // The overruns stop; their notices, which come a cycle or more late, have come once the server ran a few more.
    overrunning.store(false);
    const int after = cycles.load() + 4;
    while (cycles.load() < after)
        std::this_thread::yield();
    expectTheLoopback(1);
    sound::Engine::instance().setBackend(nullptr);
}

// Our own callback late. Once by a quarter of a period: the server waits for it, its cycle still ends in time, and no
// input is lost. Once until the server gave up waiting (jack_server.sh) and began its next cycle: the input read
// after that moment, in the rest of the late cycle and in the first piece of the next (whose loop-back brought output
// written too late), is told lost. The overrun the server announces then (its driver fell seconds behind) comes on
// another thread some pieces later and refuses what follows too; nothing before the stall is told lost.
TEST(JackLoopback, InputIsToldLostWhenTheServerWentOnWithoutTheStream)
{
    sound::Engine::instance().setBackend(nullptr); // the stream below is the only one of ours
    std::atomic<jack_nframes_t> serverCycle{0};
    SideClient probe([&](jack_nframes_t first, jack_nframes_t) { serverCycle.store(first); });
    ASSERT_TRUE(probe.active());

    // Records its calls: the first frame of each, counted from the stream's start, and whether it was told of lost
    // input. Once armed, it runs late in the second cycle that begins and is held in the fourth.
    struct LateStream final : sound::AudioCallback {
        std::int64_t period = 0;
        const std::atomic<jack_nframes_t>* serverCycle = nullptr;
        std::atomic<bool> armed{false};
        std::atomic<bool> done{false};
        std::vector<std::pair<std::int64_t, bool>> calls; // reserved: the callback never allocates
        std::int64_t frames = 0;
        std::int64_t slow = -1;
        std::int64_t stuck = -1;
        void process(const float*, float* out, int n, bool inputLost) noexcept override
        {
            std::fill(out, out + 2 * n, 0.0f);
            if (calls.size() < calls.capacity())
                calls.emplace_back(frames, inputLost);
            if (armed.load() && slow < 0 && frames % period == 0) {
                slow = frames + 2 * period;
                stuck = slow + 2 * period;
            }
            if (frames == slow)
                sleepFor(0.25, jack_nframes_t(period));
            if (frames == stuck) {
                // The probe runs before us in each cycle: our cycle is held until the server begins another.
                const jack_nframes_t ours = serverCycle->load();
                while (serverCycle->load() == ours)
                    std::this_thread::yield();
            }
            frames += n;
            if (stuck >= 0 && frames >= stuck + 4 * period)
                done.store(true);
        }
    } stream;
    stream.period = probe.period();
    stream.serverCycle = &serverCycle;
    stream.calls.reserve(1024);

    sound::JackBackend b;
    ASSERT_EQ(b.selectDevices("loopback", 0, 0), 0);
    ASSERT_EQ(b.open(48000, 2, 2, &stream), 0);
    ASSERT_TRUE(probe.feed("Vemra:in_1"));
    stream.armed.store(true);
    while (!stream.done.load())
        std::this_thread::yield();
    b.close();

    std::vector<std::int64_t> lostBefore, lostAfter, expected;
    for (const auto& [first, inputLost] : stream.calls) {
        const bool after = first > stream.stuck;
        if (inputLost)
            (after ? lostAfter : lostBefore).push_back(first);
        if (after && first <= stream.stuck + stream.period)
            expected.push_back(first);
    }
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(lostBefore, std::vector<std::int64_t>{});
    // Every piece the server went on without, then at most what the announced overrun refuses on top of them.
    ASSERT_GE(lostAfter.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), lostAfter.begin()));
}
