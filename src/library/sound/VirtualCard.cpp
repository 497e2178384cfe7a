#include "library/sound/VirtualCard.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace vemra::sound {

namespace {

double softClip(double x)
{
    constexpr double knee = 0.8;
    const double a = std::abs(x);
    if (a <= knee)
        return x;
    const double y = knee + (1 - knee) * std::tanh((a - knee) / (1 - knee));
    return x < 0 ? -y : y;
}

// The converters as a cable sees them: a gentle cubic that rises towards full scale, clipped there.
double converterCurve(double x, double k)
{
    return std::clamp(x - k * x * x * x, -1.0, 1.0);
}

} // namespace

VirtualCard::VirtualCard(VirtualCardConfig config, Pacing pacing, std::shared_ptr<VirtualGains> gains)
    : config_(std::move(config)), pacing_(pacing), gains_(gains ? std::move(gains) : std::make_shared<VirtualGains>())
{
    config_.blockFrames = std::max(config_.blockFrames, 16);
    config_.latencyFrames = std::max<std::int64_t>(config_.latencyFrames, config_.blockFrames);
    for (int c = 0; c < 2; ++c) {
        const auto& h = (c == 1 && !config_.response2.empty()) ? config_.response2 : config_.response;
        for (std::size_t k = 0; k < h.size(); ++k)
            if (h[k] != 0)
                taps_[c].push_back({static_cast<std::int64_t>(k), h[k]});
    }
    for (std::size_t k = 0; k < config_.line.response.size(); ++k)
        if (config_.line.response[k] != 0)
            lineTaps_.push_back({static_cast<std::int64_t>(k), config_.line.response[k]});
}

VirtualCard::~VirtualCard()
{
    close();
}

VResult VirtualCard::selectDevices(const std::string& deviceName, int, int)
{
    if (config_.devices <= 0)
        return msg::TooFewWaveDevices;
    if (!deviceName.empty() && deviceName.find("Virtual") == std::string::npos)
        return msg::NoUsableWaveDevice;
    return Ok;
}

bool VirtualCard::canDuplex(double rate_Hz)
{
    return config_.devices > 0 && config_.inputs > 0 && config_.outputs > 0
           && std::find(config_.rates.begin(), config_.rates.end(), rate_Hz) != config_.rates.end();
}

VResult VirtualCard::open(double rate_Hz, int inChannels, int outChannels, AudioCallback* callback)
{
    close();
    if (config_.devices <= 0)
        return msg::TooFewWaveDevices;
    if (config_.outputs <= 0)
        return msg::CannotOpenOutput;
    if (config_.inputs <= 0)
        return msg::CannotOpenInput;
    if (std::find(config_.rates.begin(), config_.rates.end(), rate_Hz) == config_.rates.end())
        return msg::UnsupportedSampleRate;
    rate_ = rate_Hz;
    inChannels_ = std::min(inChannels, config_.inputs);
    outChannels_ = std::min(outChannels, config_.outputs);
    callback_ = callback;
    frame_ = 0;
    const std::size_t block = static_cast<std::size_t>(config_.blockFrames);
    in_.assign(block * inChannels_, 0.0f);
    out_.assign(block * outChannels_, 0.0f);
    std::size_t need = config_.response.size() + config_.response2.size() + config_.line.response.size()
                       + static_cast<std::size_t>(config_.latencyFrames) + 2 * block;
    std::size_t size = 1;
    while (size < need)
        size <<= 1;
    history_.assign(size, 0.0);
    lineHistory_.assign(lineTaps_.empty() ? 0 : size, 0.0);
    historyMask_ = size - 1;
    rng_ = 0x9E3779B97F4A7C15ull ^ config_.seed;
    spareValid_ = false;
    open_ = true;
    if (pacing_ == Pacing::RealTime) {
        running_ = true;
        thread_ = std::thread([this] {
            using clock = std::chrono::steady_clock;
            const auto blockTime = std::chrono::duration<double>(config_.blockFrames / rate_);
            auto next = clock::now();
            while (running_.load()) {
                runBlock();
                next += std::chrono::duration_cast<clock::duration>(blockTime);
                std::this_thread::sleep_until(next);
            }
        });
    }
    return Ok;
}

void VirtualCard::close()
{
    if (!open_)
        return;
    if (thread_.joinable()) {
        running_ = false;
        thread_.join();
    }
    open_ = false;
    callback_ = nullptr;
}

std::int64_t VirtualCard::roundTripLatencyFrames() const
{
    return config_.reportLatency ? config_.latencyFrames : 0;
}

void VirtualCard::step(std::int64_t frames)
{
    if (pacing_ != Pacing::Stepped)
        return;
    const std::int64_t end = frame_ + frames;
    while (open_ && frame_ < end)
        runBlock();
}

double VirtualCard::noise()
{
    if (spareValid_) {
        spareValid_ = false;
        return spare_;
    }
    auto next = [this] {
        rng_ ^= rng_ << 13;
        rng_ ^= rng_ >> 7;
        rng_ ^= rng_ << 17;
        return (static_cast<double>(rng_ >> 11) + 0.5) / 9007199254740992.0;
    };
    const double u1 = next(), u2 = next();
    const double r = std::sqrt(-2 * std::log(u1));
    spare_ = r * std::sin(2 * 3.14159265358979323846 * u2);
    spareValid_ = true;
    return r * std::cos(2 * 3.14159265358979323846 * u2);
}

void VirtualCard::runBlock()
{
    const int n = config_.blockFrames;
    const double gOut = gains_->playback.load(std::memory_order_relaxed);
    const double gIn[2] = {gains_->recording[0].load(std::memory_order_relaxed),
                           gains_->recording[1].load(std::memory_order_relaxed)};
    // The input of this block: what was played latency frames ago, through the room to the microphone or through
    // the converters alone to the line input.
    const bool line = !lineTaps_.empty() && gains_->lineIn.load(std::memory_order_relaxed);
    const std::vector<double>& played = line ? lineHistory_ : history_;
    const double noiseBefore = line ? 0.0 : config_.noiseRms;
    const double noiseAfter = line ? config_.line.noiseRms : config_.adcNoiseRms;
    for (int i = 0; i < n; ++i) {
        const std::int64_t t = frame_ + i;
        for (int c = 0; c < inChannels_; ++c) {
            double acc = 0;
            const std::int64_t t0 = t - config_.latencyFrames;
            for (const Tap& tap : line ? lineTaps_ : taps_[c]) {
                const std::int64_t s = t0 - tap.lag;
                if (s < 0)
                    break;
                acc += tap.value * played[static_cast<std::size_t>(s) & historyMask_];
            }
            if (noiseBefore > 0)
                acc += noiseBefore * noise();
            acc *= gIn[c];
            if (noiseAfter > 0)
                acc += noiseAfter * noise();
            in_[static_cast<std::size_t>(i * inChannels_ + c)] = static_cast<float>(std::clamp(acc, -1.0, 1.0));
        }
    }
    const bool overflow = config_.overflowAtFrame >= frame_ && config_.overflowAtFrame < frame_ + n;
    if (callback_)
        callback_->process(in_.data(), out_.data(), n, overflow);
    const double k = config_.cubicDistortion;
    for (int i = 0; i < n; ++i) {
        const double x = gOut * out_[static_cast<std::size_t>(i * outChannels_)];
        history_[static_cast<std::size_t>(frame_ + i) & historyMask_] = softClip(x - k * x * x * x);
        if (!lineHistory_.empty())
            lineHistory_[static_cast<std::size_t>(frame_ + i) & historyMask_]
                = converterCurve(x, config_.line.cubicDistortion);
    }
    frame_ += n;
}

} // namespace vemra::sound
