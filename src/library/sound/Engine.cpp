#include "library/sound/Engine.h"

#include "library/sound/BackendFactory.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <thread>

namespace vemra::sound {

// The callback's hand-over relies on these being lock-free.
static_assert(std::atomic<void*>::is_always_lock_free);
static_assert(std::atomic<std::int64_t>::is_always_lock_free);
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<std::size_t>::is_always_lock_free);

struct Engine::Playing {
    std::shared_ptr<const StimulusPeriod> stimulus;
    const float* samples = nullptr;
    std::int64_t period = 0;
    int channels = 1;
    std::int64_t phase = 0;  // owned by the callback
    std::int64_t played = 0; // frames played so far, owned by the callback
    alignas(kCacheLine) std::atomic<bool> stopRequested{false}; // written by the user-interface thread
    alignas(kCacheLine) std::atomic<bool> stopped{false};       // written by the callback (or at a stop)
};

struct Engine::Capture {
    std::int64_t period = 0;
    int channels = 1;
    int averages = 1;
    std::int64_t total = 0;
    std::int64_t latency = 0;
    std::vector<double> acc;               // channels x period
    const Playing* lockedTo = nullptr;     // the stimulus it follows, if any
    std::shared_ptr<const StimulusPeriod> stimulus;
    // Callback-owned position.
    bool started = false;
    std::int64_t index = 0;
    std::atomic<std::int64_t> done{0};
    std::atomic<bool> overflow{false};
};

struct Engine::Playback {
    std::vector<float> frames;
    int channels = 1;
    std::int64_t count = 0;
    std::int64_t position = 0; // owned by the callback
    std::atomic<bool> finished{false};
};

namespace {

class SteadyClock final : public WaitClock {
public:
    std::int64_t now_ms() override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void sleep_ms(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

SteadyClock g_steadyClock;

} // namespace

Engine::Engine() = default;

Engine::~Engine()
{
    closeStream();
}

Engine& Engine::instance()
{
    static Engine engine;
    static bool init = [] {
        engine.setBackend(makeDefaultBackend());
        return true;
    }();
    (void)init;
    return engine;
}

void Engine::setBackend(std::unique_ptr<Backend> backend)
{
    closeStream();
    users_ = 0;
    playing_.reset();
    capture_.reset();
    playback_.reset();
    backend_ = std::move(backend);
}

Backend* Engine::backend()
{
    return backend_.get();
}

void Engine::setClock(WaitClock* clock)
{
    clock_ = clock;
}

std::int64_t Engine::now_ms()
{
    return (clock_ ? clock_ : &g_steadyClock)->now_ms();
}

bool Engine::streamOpen() const
{
    return backend_ && backend_->isOpen();
}

VResult Engine::acquire(StreamUser user, double rate_Hz)
{
    housekeep();
    if (!backend_)
        return msg::NoUsableWaveDevice;
    std::optional<bool> meterBeforeLoss;
    if (backend_->isOpen() && backend_->lost()) {
        // The sound system went away under the stream (an audio server stopped or restarted): what played or
        // recorded on it is gone with it. The stream is opened again for whoever still holds it (the continuous
        // input and the meters keep their references); a backend whose host is gone says so at once.
        meterBeforeLoss = rtMeter_.load();
        closeStream();
        users_ &= ~(unsigned(StreamUser::Stimulus) | unsigned(StreamUser::Playback));
    }
    if (backend_->isOpen()) {
        if (backend_->rate() == rate_Hz) {
            users_ |= unsigned(user);
            return Ok;
        }
        if ((users_ & ~unsigned(user)) != 0)
            return msg::UnsupportedSampleRate;
        closeStream();
    }
    if (VResult rc = backend_->open(rate_Hz, 2, 2, this)) {
        if (!backend_->isOpen())
            users_ = 0;
        return rc;
    }
    if (meterBeforeLoss)
        rtMeter_.store(*meterBeforeLoss && holds(StreamUser::Meter));
    users_ |= unsigned(user);
    return Ok;
}

void Engine::release(StreamUser user)
{
    users_ &= ~unsigned(user);
    if (users_ == 0)
        closeStream();
    housekeep();
}

void Engine::closeStream()
{
    if (backend_ && backend_->isOpen())
        backend_->close();
    // No callback runs any more: everything published can go.
    rtPlaying_.store(nullptr);
    rtCapture_.store(nullptr);
    rtPlayback_.store(nullptr);
    rtMeter_.store(false);
    playing_.reset();
    playback_.reset();
    if (capture_)
        capture_->overflow.store(true); // a capture cut off by a closing stream has lost its input
    retired_.clear();
}

void Engine::retire(std::shared_ptr<void> object)
{
    if (object)
        retired_.emplace_back(blocksStarted_.load(), std::move(object));
}

void Engine::housekeep()
{
    if (playing_ && playing_->stopped.load()) {
        rtPlaying_.store(nullptr);
        retire(std::move(playing_));
        playing_.reset();
        users_ &= ~unsigned(StreamUser::Stimulus);
    }
    if (playback_ && playback_->finished.load()) {
        rtPlayback_.store(nullptr);
        retire(std::move(playback_));
        playback_.reset();
        users_ &= ~unsigned(StreamUser::Playback);
    }
    if (users_ == 0 && backend_ && backend_->isOpen())
        closeStream();
    // An object retired while callback number s had started is free once s callbacks have finished.
    const std::uint64_t done = blocksDone_.load();
    const bool running = backend_ && backend_->isOpen();
    std::erase_if(retired_, [&](const auto& r) { return !running || done >= r.first; });
}

VResult Engine::startStimulus(std::shared_ptr<const StimulusPeriod> stimulus, int channels)
{
    housekeep();
    if (!stimulus || stimulus->played.empty())
        return msg::BadArgument;
    if (channels < 1 || channels > 2)
        return msg::BadChannelCount;
    if (playing_) {
        // A new start replaces the running stimulus at once.
        rtPlaying_.store(nullptr);
        retire(std::move(playing_));
        playing_.reset();
    }
    if (VResult rc = acquire(StreamUser::Stimulus, stimulus->rate_Hz))
        return rc;
    auto p = std::make_shared<Playing>();
    p->stimulus = std::move(stimulus);
    p->samples = p->stimulus->played.data();
    p->period = static_cast<std::int64_t>(p->stimulus->played.size());
    p->channels = channels;
    playing_ = p;
    rtPlaying_.store(p.get(), std::memory_order_release);
    return Ok;
}

std::shared_ptr<const StimulusPeriod> Engine::currentStimulus() const
{
    return playing_ && !playing_->stopRequested.load() ? playing_->stimulus : nullptr;
}

void Engine::stopStimulus()
{
    if (!playing_)
        return;
    playing_->stopRequested.store(true);
    const bool needed = capture_ && capture_->lockedTo == playing_.get() && capture_->done.load() < capture_->total
                        && streamOpen();
    if (!needed)
        playing_->stopped.store(true); // no capture depends on it: silent from the next block on
    housekeep();
}

bool Engine::stimulusPlaying() const
{
    return playing_ != nullptr && !playing_->stopRequested.load() && !playing_->stopped.load();
}

VResult Engine::startCapture(double rate_Hz, std::int64_t frames, int averages, int channels)
{
    housekeep();
    if (channels < 1 || channels > 2)
        return msg::BadChannelCount;
    if (frames < 2 || frames > kMaxCaptureFrames || averages < 1 || averages > kMaxCaptureAverages)
        return msg::BadArgument;
    abortCapture();
    if (VResult rc = acquire(StreamUser::Capture, rate_Hz))
        return rc;
    if (channels > backend_->inChannels()) {
        release(StreamUser::Capture);
        return msg::BadChannelCount;
    }
    auto c = std::make_shared<Capture>();
    c->period = frames;
    c->channels = channels;
    c->averages = averages;
    c->total = frames * averages;
    c->latency = backend_->roundTripLatencyFrames() + extraLatency_;
    c->acc.assign(static_cast<std::size_t>(frames * channels), 0.0);
    if (playing_ && !playing_->stopRequested.load() && playing_->period == frames) {
        c->lockedTo = playing_.get();
        c->stimulus = playing_->stimulus;
    }
    capture_ = c;
    rtCapture_.store(c.get(), std::memory_order_release);
    return Ok;
}

void Engine::abortCapture()
{
    if (!capture_)
        return;
    rtCapture_.store(nullptr);
    retire(std::move(capture_));
    capture_.reset();
    release(StreamUser::Capture);
}

VResult Engine::finishCapture(CaptureResult& result, std::int64_t stallTimeout_ms)
{
    housekeep();
    if (!capture_)
        return msg::CannotGetRecording;
    Capture& c = *capture_;
    // The bound runs from the last frame seen, not from the start: a loaded machine may run the stream late, and a
    // capture that is still receiving frames is slow, not dead.
    std::int64_t lastDone = c.done.load(std::memory_order_acquire);
    std::int64_t lastFrame_ms = now_ms();
    VResult rc = Ok;
    for (;;) {
        if (c.overflow.load()) {
            rc = msg::CannotGetRecording;
            break;
        }
        // The time is read before the frames are looked at, so a wait that was itself kept off the processor never
        // counts frames that came meanwhile as missing.
        const std::int64_t t = now_ms();
        const std::int64_t done = c.done.load(std::memory_order_acquire);
        if (done >= c.total)
            break;
        if (!streamOpen() || backend_->lost()) {
            rc = msg::CannotGetRecording;
            break;
        }
        if (done != lastDone) {
            lastDone = done;
            lastFrame_ms = now_ms();
        } else if (t - lastFrame_ms > stallTimeout_ms) {
            rc = msg::SoundDeviceTimeout;
            break;
        }
        (clock_ ? clock_ : &g_steadyClock)->sleep_ms(5);
        housekeep();
    }
    if (rc == Ok) {
        // The callback has finished with the accumulators (done is published after the last add).
        result.period = c.period;
        result.channels = c.channels;
        result.averages = c.averages;
        result.stimulus = c.stimulus;
        result.average.assign(static_cast<std::size_t>(c.channels), std::vector<double>(static_cast<std::size_t>(c.period)));
        for (int ch = 0; ch < c.channels; ++ch)
            for (std::int64_t i = 0; i < c.period; ++i)
                result.average[static_cast<std::size_t>(ch)][static_cast<std::size_t>(i)]
                    = c.acc[static_cast<std::size_t>(ch * c.period + i)] / c.averages;
    }
    abortCapture();
    return rc;
}

VResult Engine::startMeter(double rate_Hz)
{
    if (VResult rc = acquire(StreamUser::Meter, rate_Hz))
        return rc;
    MeterBlock b;
    while (meterRing_.pop(b)) {
    }
    lastPeak_[0] = lastPeak_[1] = -1;
    rtMeter_.store(true);
    return Ok;
}

void Engine::stopMeter()
{
    rtMeter_.store(false);
    if (holds(StreamUser::Meter))
        release(StreamUser::Meter);
}

void Engine::readMeter(float peak[2])
{
    housekeep();
    float p[2] = {-1, -1};
    MeterBlock b;
    while (meterRing_.pop(b))
        for (int c = 0; c < 2; ++c)
            p[c] = std::max(p[c], b.peak[c]);
    peak[0] = p[0];
    peak[1] = p[1];
}

VResult Engine::startPlayback(double rate_Hz, std::vector<float> frames, int channels)
{
    housekeep();
    if (channels < 1 || channels > 2)
        return msg::BadChannelCount;
    stopPlayback();
    if (VResult rc = acquire(StreamUser::Playback, rate_Hz))
        return rc;
    auto p = std::make_shared<Playback>();
    p->channels = channels;
    p->count = static_cast<std::int64_t>(frames.size()) / channels;
    p->frames = std::move(frames);
    if (p->count == 0)
        p->finished.store(true);
    playback_ = p;
    rtPlayback_.store(p.get(), std::memory_order_release);
    return Ok;
}

void Engine::stopPlayback()
{
    if (!playback_)
        return;
    rtPlayback_.store(nullptr);
    retire(std::move(playback_));
    playback_.reset();
    release(StreamUser::Playback);
}

bool Engine::playbackRunning() const
{
    return playback_ != nullptr && !playback_->finished.load();
}

void Engine::process(const float* in, float* out, int frames, bool inputOverflow) noexcept
{
    blocksStarted_.fetch_add(1, std::memory_order_acq_rel);
    const int ic = backend_->inChannels();
    const int oc = backend_->outChannels();
    std::fill(out, out + static_cast<std::ptrdiff_t>(frames) * oc, 0.0f);
    Playing* pl = rtPlaying_.load(std::memory_order_acquire);
    Capture* cap = rtCapture_.load(std::memory_order_acquire);
    Playback* pb = rtPlayback_.load(std::memory_order_acquire);

    if (pl && pl->stopped.load(std::memory_order_relaxed))
        pl = nullptr;
    std::int64_t capDone = cap ? cap->done.load(std::memory_order_relaxed) : 0;
    if (cap && inputOverflow && capDone < cap->total)
        cap->overflow.store(true, std::memory_order_relaxed);

    for (int i = 0; i < frames; ++i) {
        float* o = out + static_cast<std::ptrdiff_t>(i) * oc;
        if (cap && !cap->started) {
            if (cap->lockedTo && cap->lockedTo == pl) {
                // A periodic response needs the room in its steady state: the input starts to count once it carries
                // output of the stimulus's second period on, whenever the stream gets there (the caller's wait for
                // the build-up is in wall time, which a late stream or a long latency outlasts).
                if (pl->played >= cap->period + cap->latency) {
                    // Input frame j carries output frame j - latency: line the capture up with the stimulus sample
                    // that produced it.
                    std::int64_t base = (pl->phase - cap->latency) % cap->period;
                    if (base < 0)
                        base += cap->period;
                    cap->index = base;
                    cap->started = true;
                }
            } else {
                cap->index = 0;
                cap->started = true;
            }
        }
        if (pl) {
            const float v = pl->samples[pl->phase];
            o[0] = v;
            if (pl->channels > 1 && oc > 1)
                o[1] = v;
            if (++pl->phase == pl->period)
                pl->phase = 0;
            ++pl->played;
        }
        if (pb && pb->position < pb->count) {
            const float* f = pb->frames.data() + pb->position * pb->channels;
            o[0] += f[0];
            if (oc > 1)
                o[1] += pb->channels > 1 ? f[1] : f[0];
            ++pb->position;
        }
        if (cap && cap->started && capDone < cap->total) {
            const float* x = in + static_cast<std::ptrdiff_t>(i) * ic;
            double* a = cap->acc.data();
            for (int c = 0; c < cap->channels; ++c)
                a[c * cap->period + cap->index] += c < ic ? x[c] : 0.0f;
            if (++cap->index == cap->period)
                cap->index = 0;
            ++capDone;
        }
    }
    if (cap)
        cap->done.store(capDone, std::memory_order_release);
    if (pb && pb->position >= pb->count)
        pb->finished.store(true, std::memory_order_release);
    if (pl && pl->stopRequested.load(std::memory_order_acquire)) {
        const bool needed = cap && cap->lockedTo == pl && capDone < cap->total;
        if (!needed)
            pl->stopped.store(true, std::memory_order_release);
    }
    if (rtMeter_.load(std::memory_order_relaxed) && frames > 0) {
        MeterBlock b{{0, 0}, {0, 0}};
        for (int c = 0; c < 2 && c < ic; ++c) {
            double sum = 0;
            float peak = 0;
            for (int i = 0; i < frames; ++i) {
                const float v = in[static_cast<std::ptrdiff_t>(i) * ic + c];
                peak = std::max(peak, std::abs(v));
                sum += double(v) * v;
            }
            b.peak[c] = peak;
            b.rms[c] = static_cast<float>(std::sqrt(sum / frames));
        }
        meterRing_.push(b);
    }
    blocksDone_.fetch_add(1, std::memory_order_acq_rel);
}

} // namespace vemra::sound
