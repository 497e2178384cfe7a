#pragma once
// Shared fixtures of the sound tests: a known room, a stepped virtual card installed in an engine, and the error
// of a recovered response.
#include "library/dsp/Fft.h"
#include "library/sound/Engine.h"
#include "library/sound/VirtualCard.h"

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

namespace vemra::sound::test {

// Direct sound after `delay` frames, then an exponentially decaying random tail; `taps` frames long.
inline std::vector<double> knownRoom(std::size_t taps = 1024, std::size_t delay = 40, double tail_s = 0.02,
                                     double rate = 32000)
{
    std::vector<double> h(taps, 0.0);
    h[delay] = 0.3;
    std::uint32_t s = 99;
    for (std::size_t k = delay + 5; k < taps; ++k) {
        s = s * 1664525u + 1013904223u;
        const double sign = (s >> 31) ? 1.0 : -1.0;
        h[k] = 0.04 * sign * std::exp(-6.9 * double(k - delay) / (tail_s * rate));
    }
    return h;
}

// Error of a recovered response against the true one (zero beyond its length), in dB relative to its energy,
// over the first `span` lags (0: the whole response).
inline double responseError_dB(const std::vector<double>& got, const std::vector<double>& want, std::size_t span = 0)
{
    const std::size_t n = span ? span : got.size();
    double e = 0, p = 0;
    for (std::size_t k = 0; k < n && k < got.size(); ++k) {
        const double w = k < want.size() ? want[k] : 0.0;
        e += (got[k] - w) * (got[k] - w);
        p += w * w;
    }
    return 10 * std::log10(e / p);
}

// Error of a response within a frequency band, relative to the true response's energy in that band.
inline double bandError_dB(const std::vector<double>& got, const std::vector<double>& want, double rate, double f1, double f2)
{
    const std::size_t n = got.size();
    std::vector<double> w(n, 0.0), e(n);
    for (std::size_t k = 0; k < want.size() && k < n; ++k)
        w[k] = want[k];
    for (std::size_t k = 0; k < n; ++k)
        e[k] = got[k] - w[k];
    dsp::RealFftD fft(n);
    std::vector<std::complex<double>> W(fft.bins()), E(fft.bins());
    fft.forward(w, W);
    fft.forward(e, E);
    double pe = 0, pw = 0;
    for (std::size_t k = 0; k < W.size(); ++k) {
        const double f = static_cast<double>(k) * rate / static_cast<double>(n);
        if (f >= f1 && f <= f2) {
            pe += std::norm(E[k]);
            pw += std::norm(W[k]);
        }
    }
    return 10 * std::log10(pe / pw);
}

// The engine's clock over a stepped card that runs late, as on a loaded machine: time moves only when the engine
// sleeps on it, and the card runs one block each blockEvery_ms of that time (none with 0); after `blocks` blocks it
// stalls.
class LateCardClock final : public WaitClock {
public:
    VirtualCard* card = nullptr;
    std::int64_t blockEvery_ms = 0;
    int blocks = 1 << 30;
    std::int64_t now = 0;
    std::int64_t lastBlock_ms = -1; // when the card last ran a block on this clock (-1: never)

    std::int64_t now_ms() override { return now; }
    void sleep_ms(int ms) override
    {
        for (int i = 0; i < ms; ++i) {
            ++now;
            if (card && blockEvery_ms > 0 && blocks > 0 && now % blockEvery_ms == 0) {
                card->step(1);
                --blocks;
                lastBlock_ms = now;
            }
        }
    }
};

// Waits on the stream itself until it has run at least frames more frames: a capture of that length completes once
// they have come, however late. 0, or the capture's message.
inline VResult runFrames(Engine& engine, double rate_Hz, std::int64_t frames)
{
    if (VResult rc = engine.startCapture(rate_Hz, frames, 1, 1))
        return rc;
    CaptureResult ignored;
    return engine.finishCapture(ignored);
}

// An engine with its own stepped virtual card.
struct SteppedRig {
    Engine engine;
    VirtualCard* card = nullptr;
    explicit SteppedRig(VirtualCardConfig config)
    {
        auto c = std::make_unique<VirtualCard>(std::move(config));
        card = c.get();
        engine.setBackend(std::move(c));
    }
};

} // namespace vemra::sound::test
