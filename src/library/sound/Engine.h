#pragma once
// The duplex engine: one full-duplex stream that serves the continuous input, the level meters, the stimulus, the
// capture of a measurement and the playback of a response. Each of these holds a reference on the stream, so
// stopping one never drops another's stream; the stream closes when the last reference goes.
//
// Threads: every member is called on the user-interface thread, except process(), which the backend calls on its
// audio thread. The hand-over is lock-free: the user-interface thread prepares an object (allocating), publishes it
// through an atomic pointer, and frees it only after the callback can no longer see it (retired objects are freed
// once a whole callback has run since, or when the stream is closed). process() takes no lock and allocates
// nothing.
#include "library/api_common.h"
#include "library/sound/Backend.h"
#include "library/sound/SpscRing.h"
#include "library/sound/Stimulus.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vemra::sound {

// Monotonic time for the bounded waits; tests install one that advances when slept on.
class WaitClock {
public:
    virtual ~WaitClock() = default;
    virtual std::int64_t now_ms() = 0;
    virtual void sleep_ms(int ms) = 0;
};

enum class StreamUser : unsigned { ContinuousInput = 1, Meter = 2, Stimulus = 4, Capture = 8, Playback = 16 };

// The largest capture: frames of one period (at least 2) and the count of periods averaged (at least 1).
inline constexpr std::int64_t kMaxCaptureFrames = std::int64_t{1} << 24;
inline constexpr int kMaxCaptureAverages = 1000;
// A capture whose stream has delivered no frame for this long is given up: the sound device is dead.
inline constexpr std::int64_t kCaptureStallTimeout_ms = 2000;

// A finished capture: per channel one averaged period lined up with the stimulus (sample 0 = stimulus sample 0
// when the stimulus was the engine's own, with the stream's round-trip latency taken out).
struct CaptureResult {
    std::int64_t period = 0;
    int channels = 0;
    int averages = 0;
    std::vector<std::vector<double>> average; // [channel][period]
    std::shared_ptr<const StimulusPeriod> stimulus; // the engine's stimulus it was locked to, or null
};

class Engine final : public AudioCallback {
public:
    Engine();
    ~Engine() override;

    // The engine of the program (backend chosen on first use from VEMRA_SOUND_BACKEND).
    static Engine& instance();

    void setBackend(std::unique_ptr<Backend> backend); // closes the stream of the previous one
    Backend* backend();
    void setClock(WaitClock* clock);                    // nullptr: the steady clock
    // Frames added to the backend's round-trip latency (the user's audio delay, in samples).
    void setExtraLatency(std::int64_t frames) { extraLatency_ = frames; }

    // Stream references: 0, or the backend's message (msg::TooFewWaveDevices..msg::CannotStartInput);
    // msg::UnsupportedSampleRate also when the stream is open at another rate for another user.
    VResult acquire(StreamUser user, double rate_Hz);
    void release(StreamUser user);
    bool holds(StreamUser user) const { return (users_ & unsigned(user)) != 0; }
    bool streamOpen() const;

    // Stimulus: plays the period continuously on output channel 1 (channels 2: on both) until stopped.
    VResult startStimulus(std::shared_ptr<const StimulusPeriod> stimulus, int channels);
    // Deferred stop: takes effect when no running capture depends on the stimulus.
    void stopStimulus();
    // True from the start until a stop was asked for (the deferred stop included) or took effect.
    bool stimulusPlaying() const;
    // The stimulus now playing; null when none plays or its stop was asked for.
    std::shared_ptr<const StimulusPeriod> currentStimulus() const;

    // Capture of frames x averages input frames of channels channels, accumulated onto one period of frames.
    // Locked to the playing stimulus when its period equals frames. 0, msg::BadChannelCount (channels),
    // msg::BadArgument (frames, averages).
    VResult startCapture(double rate_Hz, std::int64_t frames, int averages, int channels);
    void abortCapture();
    bool captureRunning() const { return capture_ != nullptr; }
    // Waits for the capture to complete: 0, msg::CannotGetRecording (input lost during the capture),
    // msg::SoundDeviceTimeout (no frame arrived for stallTimeout_ms on the engine's clock). A stream that delivers
    // late but keeps delivering is waited for, however long the capture takes. On 0 the result is handed over and
    // the capture's stream reference released; on failure the capture is dropped.
    VResult finishCapture(CaptureResult& result, std::int64_t stallTimeout_ms = kCaptureStallTimeout_ms);

    // Meters: the callback queues one {peak, rms} per block; readMeter() drains and returns the peaks since the
    // last read (fractions of full scale; -1 when nothing arrived).
    VResult startMeter(double rate_Hz);
    void stopMeter();
    void readMeter(float peak[2]);

    // Playback of interleaved frames (channels 1 or 2) once through.
    VResult startPlayback(double rate_Hz, std::vector<float> frames, int channels);
    void stopPlayback();
    // True from the start until the frames are through or the playback was stopped.
    bool playbackRunning() const;

    void process(const float* in, float* out, int frames, bool inputOverflow) noexcept override;

    // Frees what the callback has let go of, drops finished stimuli and playbacks and closes the stream once no
    // user is left (called by every member that changes the engine's state; the queries leave it as it is).
    void housekeep();

private:
    struct Playing;
    struct Capture;
    struct Playback;
    struct MeterBlock {
        float peak[2];
        float rms[2];
    };

    void retire(std::shared_ptr<void> object);
    void closeStream();
    std::int64_t now_ms();

    std::unique_ptr<Backend> backend_;
    WaitClock* clock_ = nullptr;
    unsigned users_ = 0;
    std::int64_t extraLatency_ = 0;

    std::shared_ptr<Playing> playing_;
    std::shared_ptr<Capture> capture_;
    std::shared_ptr<Playback> playback_;
    std::atomic<Playing*> rtPlaying_{nullptr};
    std::atomic<Capture*> rtCapture_{nullptr};
    std::atomic<Playback*> rtPlayback_{nullptr};
    std::atomic<bool> rtMeter_{false};
    SpscRing<MeterBlock, 512> meterRing_;
    float lastPeak_[2] = {-1, -1};

    // Written by the callback only: on a cache line of their own, apart from what the user-interface thread writes.
    alignas(kCacheLine) std::atomic<std::uint64_t> blocksStarted_{0};
    std::atomic<std::uint64_t> blocksDone_{0};
    alignas(kCacheLine) std::vector<std::pair<std::uint64_t, std::shared_ptr<void>>> retired_;
};

} // namespace vemra::sound
