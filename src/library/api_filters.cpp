#include "library/api_filters.h"

#include "library/Codes.h"
#include "library/WaveStore.h"
#include "library/dsp/BandFilter.h"
#include "library/dsp/Fft.h"
#include "library/dsp/Bands.h"
#include "library/dsp/InverseFilter.h"
#include "library/dsp/Mls.h"
#include "library/files/ResponseFile.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>

namespace vemra {
namespace {

// Peak of the written filters and tests, as a share of full scale: room for the rounding of 16-bit samples.
constexpr double kPeakShare = 0.9;
// The orders of the Hadamard test.
constexpr int kLastTestedOrder = 18;

// Rounds values onto the 16-bit scale so that the largest magnitude is kPeakShare of full scale; returns the
// factor that turns a written sample back into the value (0 for silence).
double toSamples(std::span<const double> values, std::vector<std::int16_t>& samples)
{
    double peak = 0;
    for (double v : values)
        peak = std::max(peak, std::abs(v));
    samples.assign(values.size(), 0);
    if (!(peak > 0))
        return 0;
    const double scale = peak / (kPeakShare * kMaxSample);
    for (std::size_t i = 0; i < values.size(); ++i)
        samples[i] = std::int16_t(std::lround(values[i] / scale));
    return scale;
}

// A one-channel header for a result of `frames` samples at `rate`, keeping the source's information and texts.
WaveHeader resultHeader(const WaveHeader& source, std::int32_t rate, std::int64_t frames, double factor)
{
    WaveHeader h = source;
    files::setPcm16Format(h, 1, rate, frames);
    h.info.IRStart[0] = h.info.IRStart[1] = -1;
    h.gains.channelFactor[0] = float(factor);
    h.gains.channelFactor[1] = 1;
    return h;
}

} // namespace

VResult CreateInversFilter(const std::string& fileName)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        WaveHeader header;
        std::vector<std::int16_t> interleaved;
        if (const VResult r = files::readResponse(fileName, header, &interleaved); r != Ok)
            return r;
        const int channels = std::max<int>(header.format.Channels, 1);
        const std::size_t frames = interleaved.size() / std::size_t(channels);
        if (frames < 2)
            return msg::TooFewSamples;
        const double factor = sampleFactor(header.gains, 0);
        std::vector<double> response(frames);
        for (std::size_t i = 0; i < frames; ++i)
            response[i] = interleaved[i * std::size_t(channels)] * factor;
        const std::vector<double> inverse = dsp::inverseFilter(response, header.format.SampleFrequency);
        if (inverse.empty())
            return msg::NoImpulse;
        std::vector<std::int16_t> samples;
        const double scale = toSamples(inverse, samples);
        return files::writeResponseWav(fileName, resultHeader(header, header.format.SampleFrequency,
                                                              std::int64_t(frames), scale),
                                       samples);
    });
}

VResult FilterTest(WaveHeader& header, const std::string& fileName)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (!WaveStore::isOpen(header))
            return msg::NoWaveData;
        const double fs = header.format.SampleFrequency;
        const auto x = WaveStore::floatSamples(header, 0);
        std::vector<double> bands;
        std::int64_t frames = 0;
        for (int band = 1; band <= dsp::kLastOctaveBand; ++band) {
            const auto filter = dsp::BandFilter::design(band, fs);
            if (!filter)
                continue;
            frames += std::int64_t(x.size());
            if (frames > files::kMaxFrames)
                return msg::FileTooLong;
            const std::vector<float> y = filter->apply(x, dsp::FilterDirection::Forward);
            bands.insert(bands.end(), y.begin(), y.end());
        }
        std::vector<std::int16_t> samples;
        const double scale = toSamples(bands, samples);
        const double factor = sampleFactor(header.gains, 0);
        return files::writeResponseWav(fileName, resultHeader(header, std::int32_t(fs), frames, scale * factor),
                                       samples);
    });
}

VResult TestHadamard()
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        std::mt19937 random(20240521);
        std::normal_distribution<double> noise(0.0, 1.0);
        for (int order = dsp::MlsMinOrder; order <= kLastTestedOrder; ++order) {
            const std::int64_t n = dsp::mlsPeriod(order);
            const std::vector<double> s = dsp::mlsSignal(order);
            // A decaying response shorter than the period, so that it comes back whole.
            std::vector<double> h(std::size_t(n), 0.0);
            const std::int64_t length = std::max<std::int64_t>(1, n / 2);
            for (std::int64_t i = 0; i < length; ++i)
                h[std::size_t(i)] = noise(random) * std::exp(-6.0 * double(i) / double(length));
            // y = s circularly convolved with h.
            const dsp::RealFftD fft{std::size_t(n)};
            std::vector<std::complex<double>> S(fft.bins()), H(fft.bins());
            fft.forward(s, S);
            fft.forward(h, H);
            for (std::size_t k = 0; k < S.size(); ++k)
                S[k] *= H[k] / double(n);
            std::vector<double> y(static_cast<std::size_t>(n));
            fft.inverse(S, y);
            std::vector<double> fast(static_cast<std::size_t>(n)), slow(static_cast<std::size_t>(n));
            dsp::MlsDeconvolver(order).deconvolve(y, fast);
            dsp::mlsDeconvolveByCorrelation(s, y, slow);
            double peak = 0;
            for (double v : h)
                peak = std::max(peak, std::abs(v));
            for (std::int64_t i = 0; i < n; ++i) {
                const double tolerance = 1e-9 * peak;
                if (std::abs(fast[std::size_t(i)] - h[std::size_t(i)]) > tolerance
                    || std::abs(slow[std::size_t(i)] - h[std::size_t(i)]) > tolerance)
                    return msg::BadArgument;
            }
        }
        return Ok;
    });
}

} // namespace vemra
