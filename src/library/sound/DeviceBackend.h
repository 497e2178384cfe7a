#pragma once
// The program's real devices: the ports of a running JACK server when it has a client of the device's name, else
// the sound cards through PortAudio, else (for the default devices, when PortAudio has none) the server's physical
// ports. The stream belongs to the backend that opened it until it closes, whatever is chosen meanwhile.
#include "library/sound/Backend.h"
#include "library/sound/JackBackend.h"
#include "library/sound/PortAudioBackend.h"

namespace vemra::sound {

class DeviceBackend final : public Backend {
public:
    std::string kind() const override { return active_->kind(); }
    VResult selectDevices(const std::string& deviceName, int device1, int device2) override;
    bool canDuplex(double rate_Hz) override { return active_->canDuplex(rate_Hz); }
    VResult open(double rate_Hz, int inChannels, int outChannels, AudioCallback* callback) override;
    void close() override;
    bool isOpen() const override { return streamOwner_ && streamOwner_->isOpen(); }
    bool lost() const override { return streamOwner_ && streamOwner_->lost(); }
    std::int64_t roundTripLatencyFrames() const override { return stream().roundTripLatencyFrames(); }
    int inChannels() const override { return stream().inChannels(); }
    int outChannels() const override { return stream().outChannels(); }
    double rate() const override { return stream().rate(); }

private:
    const Backend& stream() const { return streamOwner_ ? *streamOwner_ : *active_; }

    PortAudioBackend cards_; // first: it initialises PortAudio before the JACK client sets libjack's reporting
    JackBackend server_;
    Backend* active_ = &cards_;
    Backend* streamOwner_ = nullptr;
};

} // namespace vemra::sound
