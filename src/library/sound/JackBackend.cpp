#include "library/sound/JackBackend.h"

#include <jack/jack.h>

#include <algorithm>
#include <cstring>

namespace vemra::sound {

namespace {

constexpr const char* kClientName = "Vemra";
// The loop-back driver of a JACK server copies what its playback ports got in one cycle to its capture ports in the
// next; it reports the latencies of the server's main driver, which are not what it does.
constexpr const char* kLoopbackClient = "loopback";

jack_client_t* asClient(void* c) { return static_cast<jack_client_t*>(c); }
jack_port_t* asPort(void* p) { return static_cast<jack_port_t*>(p); }

void quiet(const char*) {}

// A client of a running server, or null: never starts one.
jack_client_t* openClient()
{
    jack_status_t status{};
    return jack_client_open(kClientName, JackNoStartServer, &status);
}

struct ClientCloser {
    void operator()(jack_client_t* c) const
    {
        if (c)
            jack_client_close(c);
    }
};
using ClientHandle = std::unique_ptr<jack_client_t, ClientCloser>;

std::string clientOf(const std::string& port)
{
    return port.substr(0, port.find(':'));
}

} // namespace

struct JackBackend::Ports {
    std::vector<std::string> sources; // output ports of the server: what we record
    std::vector<std::string> sinks;   // input ports of the server: what we play to
};

JackBackend::JackBackend()
{
    // libjack writes every failed connection to standard error; an absent server is an answer here, not an error.
    jack_set_error_function(&quiet);
    jack_set_info_function(&quiet);
}

JackBackend::~JackBackend()
{
    close();
}

JackBackend::Ports JackBackend::findPorts(void* client, const std::string& deviceName)
{
    Ports found;
    for (const unsigned long direction : {JackPortIsOutput, JackPortIsInput}) {
        const char** names = jack_get_ports(asClient(client), nullptr, JACK_DEFAULT_AUDIO_TYPE, direction);
        if (!names)
            continue;
        for (const char** n = names; *n; ++n) {
            const std::string name = *n;
            const std::string owner = clientOf(name);
            if (owner == kClientName)
                continue;
            if (deviceName.empty()) {
                jack_port_t* p = jack_port_by_name(asClient(client), *n);
                if (!p || !(jack_port_flags(p) & JackPortIsPhysical))
                    continue;
            } else if (owner.find(deviceName) == std::string::npos) {
                continue;
            }
            (direction == JackPortIsOutput ? found.sources : found.sinks).push_back(name);
        }
        jack_free(names);
    }
    // One device: the ports of the first client that offers both ways (the physical ports of one card, say).
    if (!found.sources.empty() && !found.sinks.empty()) {
        const std::string owner = clientOf(found.sources.front());
        const auto other = [&](const std::string& p) { return clientOf(p) != owner; };
        if (!std::all_of(found.sinks.begin(), found.sinks.end(), other)) {
            std::erase_if(found.sources, other);
            std::erase_if(found.sinks, other);
        }
    }
    return found;
}

VResult JackBackend::selectDevices(const std::string& deviceName, int, int)
{
    ClientHandle client(openClient());
    if (!client)
        return msg::NoUsableWaveDevice;
    const Ports ports = findPorts(client.get(), deviceName);
    if (ports.sources.empty() && ports.sinks.empty())
        return msg::NoUsableWaveDevice;
    deviceName_ = deviceName;
    selected_ = true;
    return Ok;
}

bool JackBackend::canDuplex(double rate_Hz)
{
    if (!selected_)
        return false;
    ClientHandle client(openClient());
    if (!client)
        return false;
    const Ports ports = findPorts(client.get(), deviceName_);
    return !ports.sources.empty() && !ports.sinks.empty() && double(jack_get_sample_rate(client.get())) == rate_Hz;
}

VResult JackBackend::open(double rate_Hz, int inChannels, int outChannels, AudioCallback* callback)
{
    close();
    if (!selected_)
        return msg::NoUsableWaveDevice;
    ClientHandle client(openClient());
    if (!client)
        return msg::NoUsableWaveDevice; // the server is not running (or no longer)
    Ports ports = findPorts(client.get(), deviceName_);
    if (ports.sinks.empty())
        return msg::CannotOpenOutput;
    if (ports.sources.empty())
        return msg::CannotOpenInput;
    if (double(jack_get_sample_rate(client.get())) != rate_Hz)
        return msg::UnsupportedSampleRate; // the server has one rate, its own
    const auto channels = [](std::size_t offered, int asked) {
        return std::min({offered, std::size_t(std::max(asked, 1)), std::size_t(kMaxChannels)});
    };
    ports.sources.resize(channels(ports.sources.size(), inChannels));
    ports.sinks.resize(channels(ports.sinks.size(), outChannels));

    // Our ports, named in_1.. and out_1..; null when the server refused one.
    const auto registerPorts = [&](const char* prefix, std::size_t count, unsigned long flags) {
        std::vector<void*> made;
        for (std::size_t c = 0; c < count; ++c) {
            const std::string name = prefix + std::to_string(c + 1);
            jack_port_t* p = jack_port_register(client.get(), name.c_str(), JACK_DEFAULT_AUDIO_TYPE, flags, 0);
            if (!p)
                return std::vector<void*>{};
            made.push_back(p);
        }
        return made;
    };
    std::vector<void*> in = registerPorts("in_", ports.sources.size(), JackPortIsInput);
    if (in.empty())
        return msg::CannotOpenInput;
    std::vector<void*> out = registerPorts("out_", ports.sinks.size(), JackPortIsOutput);
    if (out.empty())
        return msg::CannotOpenOutput;
    inBlock_.assign(std::size_t(kPiece) * in.size(), 0.0f);
    outBlock_.assign(std::size_t(kPiece) * out.size(), 0.0f);
    callback_ = callback;
    inPorts_ = std::move(in);
    outPorts_ = std::move(out);
    shutDown_.store(false);
    overrun_.store(false);
    continuity_.reset();
    rate_ = rate_Hz;
    jack_set_process_callback(client.get(), &JackBackend::onProcess, this);
    jack_set_xrun_callback(client.get(), &JackBackend::onOverrun, this);
    jack_on_shutdown(client.get(), &JackBackend::onShutdown, this);
    client_ = client.release(); // before the first callback, which reads the server's clock through it
    if (jack_activate(asClient(client_)) != 0) {
        close();
        return msg::CannotStartInput;
    }
    bool connected = true;
    for (std::size_t c = 0; c < inPorts_.size(); ++c)
        connected &= jack_connect(asClient(client_), ports.sources[c].c_str(), jack_port_name(asPort(inPorts_[c]))) == 0;
    for (std::size_t c = 0; c < outPorts_.size(); ++c)
        connected &= jack_connect(asClient(client_), jack_port_name(asPort(outPorts_[c])), ports.sinks[c].c_str()) == 0;
    if (!connected) {
        close();
        return msg::CannotStartInput;
    }
    sources_ = std::move(ports.sources);
    sinks_ = std::move(ports.sinks);
    return Ok;
}

void JackBackend::close()
{
    if (!client_)
        return;
    // After a shutdown the client is dead and closing only frees it; before, deactivating ends the callbacks.
    if (!shutDown_.load())
        jack_deactivate(asClient(client_));
    jack_client_close(asClient(client_));
    client_ = nullptr;
    inPorts_.clear();
    outPorts_.clear();
    sources_.clear();
    sinks_.clear();
    callback_ = nullptr;
}

std::int64_t JackBackend::roundTripLatencyFrames() const
{
    if (!client_ || shutDown_.load() || sources_.empty() || sinks_.empty())
        return 0;
    if (clientOf(sources_.front()) == kLoopbackClient && clientOf(sinks_.front()) == kLoopbackClient)
        return std::int64_t(jack_get_buffer_size(asClient(client_)));
    jack_latency_range_t capture{}, playback{};
    if (jack_port_t* p = jack_port_by_name(asClient(client_), sources_.front().c_str()))
        jack_port_get_latency_range(p, JackCaptureLatency, &capture);
    if (jack_port_t* p = jack_port_by_name(asClient(client_), sinks_.front().c_str()))
        jack_port_get_latency_range(p, JackPlaybackLatency, &playback);
    return std::int64_t(capture.max) + std::int64_t(playback.max);
}

int JackBackend::onProcess(unsigned int frames, void* self)
{
    auto* b = static_cast<JackBackend*>(self);
    jack_client_t* client = asClient(b->client_);
    const jack_nframes_t cycle = jack_last_frame_time(client);
    bool lost = b->continuity_.startCycle(cycle, frames);
    lost = b->overrun_.exchange(false) || lost;
    const std::size_t ic = b->inPorts_.size();
    const std::size_t oc = b->outPorts_.size();
    float* ins[kMaxChannels] = {};
    float* outs[kMaxChannels] = {};
    for (std::size_t c = 0; c < ic; ++c)
        ins[c] = static_cast<float*>(jack_port_get_buffer(asPort(b->inPorts_[c]), frames));
    for (std::size_t c = 0; c < oc; ++c)
        outs[c] = static_cast<float*>(jack_port_get_buffer(asPort(b->outPorts_[c]), frames));
    for (unsigned int done = 0; done < frames;) {
        const unsigned int n = std::min<unsigned int>(kPiece, frames - done);
        float* in = b->inBlock_.data();
        for (unsigned int i = 0; i < n; ++i)
            for (std::size_t c = 0; c < ic; ++c)
                in[i * ic + c] = ins[c] ? ins[c][done + i] : 0.0f;
        // Read after the copy: a clock still on our cycle means no newer cycle had written over what we copied.
        lost = lost || b->continuity_.movedOn(jack_last_frame_time(client));
        float* out = b->outBlock_.data();
        b->callback_->process(in, out, int(n), lost);
        lost = false;
        for (unsigned int i = 0; i < n; ++i)
            for (std::size_t c = 0; c < oc; ++c)
                if (outs[c])
                    outs[c][done + i] = out[i * oc + c];
        done += n;
    }
    b->continuity_.endCycle(jack_last_frame_time(client));
    return 0;
}

void JackBackend::onShutdown(void* self)
{
    static_cast<JackBackend*>(self)->shutDown_.store(true);
}

int JackBackend::onOverrun(void* self)
{
    static_cast<JackBackend*>(self)->overrun_.store(true);
    return 0;
}

} // namespace vemra::sound
