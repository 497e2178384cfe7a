#pragma once
// The virtual sound card: a backend without hardware for tests and demonstrations. What the engine plays goes
// through the mixer's playback gains, an optional cubic stage x - k x^3 (a sine of amplitude A gains a third
// harmonic of k A^3 / 4: the card's known distortion curve) and a soft-clipping stage (linear up to 0.8 of full
// scale), then through a known room response (per input channel, from output channel 1) delayed by the
// converters' round-trip latency; seeded Gaussian noise is added, the recording gains applied, the converter's own
// noise added and the converter clips at full scale; the result is the engine's input. Run deterministically by a
// test (step()) or paced in real time on its own thread.
//
// A card may also have a line input cabled to its line-out (VirtualCardConfig::line): the recording source "Line"
// of the virtual mixer (VirtualGains::lineIn) then hears the converter pair alone, as the sound-card calibration
// asks for: the played signal through the playback gains, the converters' gentle distortion x - k x^3 (clipped at
// full scale), their filters (flat through the audio band) and the same latency, then the recording gains, the
// converters' fixed noise floor and the clipping at full scale. The microphone (source "Mic", the default) hears
// the room as above.
#include "library/sound/Backend.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace vemra::sound {

// Gains the virtual mixer sets (linear factors), read by the card on its audio thread.
struct VirtualGains {
    std::atomic<double> playback{1.0};
    std::atomic<double> recording[2] = {1.0, 1.0};
    std::atomic<bool> lineIn{false}; // the recording source: the line input (true) or the microphone
};

// The converter pair as a cable from line-out to line-in shows it.
struct VirtualLineConfig {
    std::vector<double> response;       // the converters' filters (both inputs); empty: the card has no line input
    double noiseRms = 0;                // the converters' noise floor, fraction of full scale, after the recording gains
    double cubicDistortion = 0;         // k of the converters' distortion x - k x^3 on the played signal
};

struct VirtualCardConfig {
    std::vector<double> response{1.0};  // input 1: impulse response from output 1 (frames at the stream rate)
    std::vector<double> response2;      // input 2; empty: the same as input 1
    std::int64_t latencyFrames = 512;   // converter round trip; at least one block
    bool reportLatency = true;          // false: the card tells the engine 0 (as some drivers do)
    double noiseRms = 0;                // fraction of full scale, before the recording gains
    double adcNoiseRms = 0;             // fraction of full scale, after the recording gains
    double cubicDistortion = 0;         // k of the cubic stage (0: none)
    std::uint32_t seed = 1;
    std::vector<double> rates{8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000};
    int blockFrames = 256;
    int inputs = 2;                     // 0: no input device
    int outputs = 2;                    // 0: no output device
    int devices = 1;                    // 0: no device at all
    std::int64_t overflowAtFrame = -1;  // input lost in the block holding this frame (-1 never)
    VirtualLineConfig line;             // the line input cabled to line-out
};

class VirtualCard final : public Backend {
public:
    enum class Pacing { Stepped, RealTime };
    explicit VirtualCard(VirtualCardConfig config = {}, Pacing pacing = Pacing::Stepped,
                         std::shared_ptr<VirtualGains> gains = nullptr);
    ~VirtualCard() override;

    std::string kind() const override { return "virtual"; }
    VResult selectDevices(const std::string& deviceName, int device1, int device2) override;
    bool canDuplex(double rate_Hz) override;
    VResult open(double rate_Hz, int inChannels, int outChannels, AudioCallback* callback) override;
    void close() override;
    bool isOpen() const override { return open_; }
    std::int64_t roundTripLatencyFrames() const override;
    int inChannels() const override { return inChannels_; }
    int outChannels() const override { return outChannels_; }
    double rate() const override { return rate_; }

    // Stepped pacing: runs whole blocks until at least frames frames have passed (no-op when closed).
    void step(std::int64_t frames);
    std::int64_t framesRun() const { return frame_; }
    const std::shared_ptr<VirtualGains>& gains() const { return gains_; }

private:
    void runBlock();
    double noise();

    VirtualCardConfig config_;
    Pacing pacing_;
    std::shared_ptr<VirtualGains> gains_;
    AudioCallback* callback_ = nullptr;
    bool open_ = false;
    double rate_ = 0;
    int inChannels_ = 0;
    int outChannels_ = 0;
    std::int64_t frame_ = 0;
    std::vector<float> in_, out_;
    // The responses' non-zero taps (lag, value) per input: the card's work follows the reflections, not the length.
    struct Tap {
        std::int64_t lag;
        double value;
    };
    std::vector<Tap> taps_[2];
    std::vector<Tap> lineTaps_;
    std::vector<double> history_; // output 1 after gain and soft clipping, ring
    std::vector<double> lineHistory_; // output 1 after gain and the converters' distortion, ring (with a line input)
    std::size_t historyMask_ = 0;
    std::uint64_t rng_ = 1;
    bool spareValid_ = false;
    double spare_ = 0;
    std::thread thread_;
    std::atomic<bool> running_{false};
};

} // namespace vemra::sound
