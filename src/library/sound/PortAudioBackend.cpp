#include "library/sound/PortAudioBackend.h"

#include <portaudio.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace vemra::sound {

namespace {

// While it lives, JACK clients look for a server of a name no server has: PortAudio's JACK host, which connects
// during Pa_Initialize, then finds none and stays out of the way.
class NoJackServer {
public:
    NoJackServer()
    {
        if (const char* v = std::getenv(kVariable)) {
            had_ = true;
            saved_ = v;
        }
        const std::string none = "vemra-no-server-" + std::to_string(::getpid());
        ::setenv(kVariable, none.c_str(), 1);
    }
    ~NoJackServer()
    {
        if (had_)
            ::setenv(kVariable, saved_.c_str(), 1);
        else
            ::unsetenv(kVariable);
    }
    NoJackServer(const NoJackServer&) = delete;
    NoJackServer& operator=(const NoJackServer&) = delete;

private:
    static constexpr const char* kVariable = "JACK_DEFAULT_SERVER";
    bool had_ = false;
    std::string saved_;
};

} // namespace

PortAudioBackend::PortAudioBackend()
{
    {
        const NoJackServer noJack;
        initialised_ = Pa_Initialize() == paNoError;
    }
    if (initialised_) {
        inputDevice_ = Pa_GetDefaultInputDevice();
        outputDevice_ = Pa_GetDefaultOutputDevice();
    }
}

PortAudioBackend::~PortAudioBackend()
{
    close();
    if (initialised_)
        Pa_Terminate();
}

bool PortAudioBackend::lost() const
{
    return stream_ && Pa_IsStreamActive(static_cast<PaStream*>(stream_)) != 1;
}

VResult PortAudioBackend::selectDevices(const std::string& deviceName, int device1, int device2)
{
    if (!initialised_ || Pa_GetDeviceCount() < 1)
        return msg::TooFewWaveDevices;
    const int count = Pa_GetDeviceCount();
    int in = -1, out = -1;
    if (deviceName.empty()) {
        in = Pa_GetDefaultInputDevice();
        out = Pa_GetDefaultOutputDevice();
    } else {
        for (int i = 0; i < count; ++i) {
            const PaDeviceInfo* d = Pa_GetDeviceInfo(i);
            if (!d || !d->name || std::string(d->name).find(deviceName) == std::string::npos)
                continue;
            if (in < 0 && d->maxInputChannels > 0)
                in = i;
            if (out < 0 && d->maxOutputChannels > 0)
                out = i;
        }
        // Mixer names reach us sanitised; ALSA devices also carry the card and device numbers in their names.
        const std::string hw = "(hw:" + std::to_string(device1) + "," + std::to_string(device2) + ")";
        for (int i = 0; i < count && (in < 0 || out < 0); ++i) {
            const PaDeviceInfo* d = Pa_GetDeviceInfo(i);
            if (!d || !d->name || std::string(d->name).find(hw) == std::string::npos)
                continue;
            if (in < 0 && d->maxInputChannels > 0)
                in = i;
            if (out < 0 && d->maxOutputChannels > 0)
                out = i;
        }
    }
    if (in < 0 && out < 0)
        return msg::NoUsableWaveDevice;
    inputDevice_ = in;
    outputDevice_ = out;
    return Ok;
}

bool PortAudioBackend::canDuplex(double rate_Hz)
{
    if (!initialised_ || inputDevice_ < 0 || outputDevice_ < 0)
        return false;
    const PaDeviceInfo* di = Pa_GetDeviceInfo(inputDevice_);
    const PaDeviceInfo* dout = Pa_GetDeviceInfo(outputDevice_);
    if (!di || !dout)
        return false;
    PaStreamParameters ip{inputDevice_, std::min(di->maxInputChannels, 2), paFloat32, di->defaultLowInputLatency, nullptr};
    PaStreamParameters op{outputDevice_, std::min(dout->maxOutputChannels, 2), paFloat32, dout->defaultLowOutputLatency,
                          nullptr};
    return ip.channelCount > 0 && op.channelCount > 0 && Pa_IsFormatSupported(&ip, &op, rate_Hz) == paFormatIsSupported;
}

int PortAudioBackend::onAudio(const void* input, void* output, unsigned long frames, const void*,
                              unsigned long flags, void* self)
{
    auto* b = static_cast<PortAudioBackend*>(self);
    const float* in = static_cast<const float*>(input);
    float* out = static_cast<float*>(output);
    const bool overflow = (flags & paInputOverflow) != 0;
    // The engine takes blocks of any size; a missing input buffer reads as silence, in pieces the silence covers.
    constexpr unsigned long piece = sizeof b->silence_ / sizeof b->silence_[0] / 2;
    for (unsigned long done = 0; done < frames;) {
        const unsigned long n = std::min(piece, frames - done);
        const float* pin = in ? in + done * static_cast<unsigned long>(b->inChannels_) : b->silence_;
        b->callback_->process(pin, out + done * static_cast<unsigned long>(b->outChannels_), static_cast<int>(n),
                              overflow && done == 0);
        done += n;
    }
    return paContinue;
}

VResult PortAudioBackend::open(double rate_Hz, int inChannels, int outChannels, AudioCallback* callback)
{
    close();
    if (!initialised_ || Pa_GetDeviceCount() < 1)
        return msg::TooFewWaveDevices;
    if (outputDevice_ < 0)
        return msg::CannotOpenOutput;
    if (inputDevice_ < 0)
        return msg::CannotOpenInput;
    const PaDeviceInfo* di = Pa_GetDeviceInfo(inputDevice_);
    const PaDeviceInfo* dout = Pa_GetDeviceInfo(outputDevice_);
    if (!dout || dout->maxOutputChannels < 1)
        return msg::CannotOpenOutput;
    if (!di || di->maxInputChannels < 1)
        return msg::CannotOpenInput;
    PaStreamParameters ip{inputDevice_, std::min(di->maxInputChannels, inChannels), paFloat32,
                          di->defaultLowInputLatency, nullptr};
    PaStreamParameters op{outputDevice_, std::min(dout->maxOutputChannels, outChannels), paFloat32,
                          dout->defaultLowOutputLatency, nullptr};
    const PaError support = Pa_IsFormatSupported(&ip, &op, rate_Hz);
    if (support == paInvalidSampleRate)
        return msg::UnsupportedSampleRate;
    if (support != paFormatIsSupported)
        return support == paInvalidDevice ? msg::CannotOpenOutput : msg::UnsupportedSampleRate;
    callback_ = callback;
    inChannels_ = ip.channelCount;
    outChannels_ = op.channelCount;
    rate_ = rate_Hz;
    PaStream* s = nullptr;
    PaError e = Pa_OpenStream(&s, &ip, &op, rate_Hz, paFramesPerBufferUnspecified, paClipOff,
                              reinterpret_cast<PaStreamCallback*>(&PortAudioBackend::onAudio), this);
    if (e != paNoError) {
        callback_ = nullptr;
        return e == paInvalidSampleRate ? msg::UnsupportedSampleRate : msg::CannotOpenOutput;
    }
    const PaStreamInfo* info = Pa_GetStreamInfo(s);
    latency_ = info ? std::llround((info->inputLatency + info->outputLatency) * rate_Hz) : 0;
    if (Pa_StartStream(s) != paNoError) {
        Pa_CloseStream(s);
        callback_ = nullptr;
        return msg::CannotStartInput;
    }
    stream_ = s;
    return Ok;
}

void PortAudioBackend::close()
{
    if (!stream_)
        return;
    Pa_StopStream(static_cast<PaStream*>(stream_));
    Pa_CloseStream(static_cast<PaStream*>(stream_));
    stream_ = nullptr;
    callback_ = nullptr;
}

} // namespace vemra::sound
