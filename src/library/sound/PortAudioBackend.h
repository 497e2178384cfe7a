#pragma once
// Real sound devices through PortAudio (ALSA, JACK, PipeWire through ALSA): one duplex stream of 32-bit floats.
// Devices are chosen by a part of their name, else by "(hw:<device1>,<device2>)" in the name (ALSA), else the
// defaults. The round-trip latency is the stream's reported input plus output latency.
//
// A host that went away (a JACK server that stopped or restarted) leaves PortAudio 19.6 unable to let go of it: a
// stream of it never returns from Pa_StopStream (the host waits ten minutes for the server's answer), and
// Pa_Terminate aborts the process on the dead connection. Such a stream is lost(); it is left alone, the backend
// stays without a host (every open gives msg::NoUsableWaveDevice at once) and PortAudio is not terminated. Telling
// the user promptly is what can be done in this process; a restarted server needs a restart of the program.
#include "library/sound/Backend.h"

namespace vemra::sound {

class PortAudioBackend final : public Backend {
public:
    PortAudioBackend();
    ~PortAudioBackend() override;

    std::string kind() const override { return "portaudio"; }
    VResult selectDevices(const std::string& deviceName, int device1, int device2) override;
    bool canDuplex(double rate_Hz) override;
    VResult open(double rate_Hz, int inChannels, int outChannels, AudioCallback* callback) override;
    void close() override;
    bool isOpen() const override { return stream_ != nullptr; }
    bool lost() const override;
    std::int64_t roundTripLatencyFrames() const override { return latency_; }
    int inChannels() const override { return inChannels_; }
    int outChannels() const override { return outChannels_; }
    double rate() const override { return rate_; }

private:
    static int onAudio(const void* input, void* output, unsigned long frames, const void* timeInfo,
                       unsigned long flags, void* self);

    // The host under the devices went away: nothing of PortAudio's is stopped, opened or terminated again.
    void hostGone();

    bool initialised_ = false;
    bool hostGone_ = false;
    int inputDevice_ = -1;
    int outputDevice_ = -1;
    void* stream_ = nullptr;
    AudioCallback* callback_ = nullptr;
    double rate_ = 0;
    int inChannels_ = 0;
    int outChannels_ = 0;
    std::int64_t latency_ = 0;
    float silence_[8192 * 2] = {};
};

} // namespace vemra::sound
