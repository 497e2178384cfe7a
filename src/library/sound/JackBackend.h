#pragma once
// The ports of a JACK server as one duplex stream: our client registers as many input and output ports as the
// stream has channels and connects them to the server's physical ports (or to the ports of the client whose name
// contains the device name, such as "system" or "loopback"). The stream runs at the server's rate.
//
// The server may stop or restart under an open stream. Its shutdown marks the stream lost(); closing it lets go of
// the dead client, and every open makes a new client, so a server that came back is used again at the next open and
// an absent one is told at once (msg::NoUsableWaveDevice). The server is never started by us.
//
// Lost input is what the server's frame clock shows in our own callback (FrameContinuity: a cycle run without us, a
// clock that moved on while we read), and every overrun the server announces. An announced overrun may have lost
// nothing of ours (another client's, or a test server's driver that merely woke late), and it comes on another
// thread, a cycle or more late; but on a sound card the driver's overrun lost input, and the frame clock of the
// servers we run with (JACK 1.9.21) does not step over what it lost: a capture it may have touched is refused, and
// the user measures again, rather than a response with a gap in it taken for whole.
#include "library/sound/Backend.h"
#include "library/sound/FrameContinuity.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace vemra::sound {

class JackBackend final : public Backend {
public:
    JackBackend();
    ~JackBackend() override;

    std::string kind() const override { return "jack"; }
    // A server must run and have ports of that client name (physical ports for ""): else msg::NoUsableWaveDevice.
    // The device numbers are not used: JACK names its clients.
    VResult selectDevices(const std::string& deviceName, int device1, int device2) override;
    bool canDuplex(double rate_Hz) override;
    VResult open(double rate_Hz, int inChannels, int outChannels, AudioCallback* callback) override;
    void close() override;
    bool isOpen() const override { return client_ != nullptr; }
    bool lost() const override { return client_ && shutDown_.load(); }
    // The latency the server reports for the connected ports: capture plus playback (one period for the server's
    // own loop-back ports, which is what they do).
    std::int64_t roundTripLatencyFrames() const override;
    int inChannels() const override { return int(inPorts_.size()); }
    int outChannels() const override { return int(outPorts_.size()); }
    double rate() const override { return rate_; }

private:
    struct Ports; // the server's ports our stream connects to
    static Ports findPorts(void* client, const std::string& deviceName);
    static int onProcess(unsigned int frames, void* self);
    static void onShutdown(void* self);
    static int onOverrun(void* self);

    std::string deviceName_;
    bool selected_ = false;
    void* client_ = nullptr;
    std::vector<void*> inPorts_;
    std::vector<void*> outPorts_;
    AudioCallback* callback_ = nullptr;
    double rate_ = 0;
    std::vector<std::string> sources_; // the server's ports feeding our inputs, in channel order
    std::vector<std::string> sinks_;   // the server's ports our outputs feed
    std::atomic<bool> shutDown_{false};
    std::atomic<bool> overrun_{false}; // announced since the callback last looked
    FrameContinuity continuity_;       // the callback's
    // Interleaved blocks for the engine, made in pieces of this many frames.
    static constexpr int kPiece = 1024;
    static constexpr int kMaxChannels = 8;
    std::vector<float> inBlock_;
    std::vector<float> outBlock_;
};

} // namespace vemra::sound
