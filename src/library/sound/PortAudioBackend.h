#pragma once
// Sound cards through PortAudio (ALSA, PipeWire through ALSA): one duplex stream of 32-bit floats.
// Devices are chosen by a part of their name, else by "(hw:<device1>,<device2>)" in the name (ALSA), else the
// defaults. The round-trip latency is the stream's reported input plus output latency.
//
// JACK is not PortAudio's here (JackBackend serves it): PortAudio 19.6 cannot let go of a JACK server that went
// away (stopping a stream of it waits ten minutes, Pa_Terminate aborts), so its JACK host is kept from connecting.
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

    bool initialised_ = false;
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
