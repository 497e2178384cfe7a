#pragma once
// A duplex audio backend: one stream with input and output in one callback. Implemented by the PortAudio backend
// (real devices) and the virtual sound card (tests and demos). Calls come from the engine on the user-interface
// thread; the callback runs on the backend's audio thread (or, for a stepped virtual card, on the caller's).
#include "library/api_common.h"

#include <cstdint>
#include <string>

namespace vemra::sound {

// The engine's real-time half. in: frames x inChannels, out: frames x outChannels, interleaved floats in
// [-1, 1]. inputOverflow: the backend lost input since the previous call.
class AudioCallback {
public:
    virtual ~AudioCallback() = default;
    virtual void process(const float* in, float* out, int frames, bool inputOverflow) noexcept = 0;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual std::string kind() const = 0;
    // Chooses the devices whose name contains deviceName ("" = the default devices); device numbers are
    // indices into the backend's list when the name is empty and they are > 0. 0, msg::TooFewWaveDevices (fewer than
    // one device), msg::NoUsableWaveDevice (no usable device).
    virtual VResult selectDevices(const std::string& deviceName, int device1, int device2) = 0;
    // Whether the selected devices play and record at once at this rate.
    virtual bool canDuplex(double rate_Hz) = 0;
    // Opens and starts the stream: 0, msg::UnsupportedSampleRate (rate refused), msg::CannotOpenOutput (no output),
    // msg::CannotOpenInput (no input), msg::CannotStartInput (start failed).
    virtual VResult open(double rate_Hz, int inChannels, int outChannels, AudioCallback* callback) = 0;
    // Stops and closes the stream; no callback runs after it returns.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The stream is open but the sound system under it has gone (an audio server that stopped or restarted): no
    // callback will come again. The engine then closes it and opens it anew, which gives the backend's message.
    virtual bool lost() const { return false; }
    // Frames from a sample written by the callback to the same sample arriving in the callback's input, for the
    // open stream (the backend's own estimate; 0 when unknown).
    virtual std::int64_t roundTripLatencyFrames() const = 0;
    virtual int inChannels() const = 0;
    virtual int outChannels() const = 0;
    virtual double rate() const = 0;
};

} // namespace vemra::sound
