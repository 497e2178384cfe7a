#include "library/api_process.h"

#include "library/Codes.h"
#include "library/Messages.h"
#include "library/dsp/Adrienne.h"
#include "library/dsp/ScaleModel.h"
#include "library/files/ResponseFile.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vemra {

namespace {

// Channel c of interleaved frames in true amplitude.
std::vector<double> channelOf(const WaveHeader& h, const std::vector<std::int16_t>& frames, int c)
{
    const int channels = std::max<int>(1, h.format.Channels);
    const double factor = h.gains.channelFactor[c];
    std::vector<double> x(frames.size() / std::size_t(channels));
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = frames[i * std::size_t(channels) + std::size_t(c)] * factor;
    return x;
}

// Interleaves the channels in 16-bit samples on one scale (the peak at the largest sample); the factor that turns a
// sample back into the true amplitude goes into every channel's gain. One scale for all channels keeps the
// channels' ratio in the samples themselves.
std::vector<std::int16_t> quantise(const std::vector<std::vector<double>>& channels, WaveHeader& h)
{
    double peak = 0;
    for (const auto& x : channels)
        for (double v : x)
            peak = std::max(peak, std::abs(v));
    const double factor = peak > 0 ? peak / kMaxSample : 1.0;
    const std::size_t n = channels.front().size();
    std::vector<std::int16_t> frames(n * channels.size());
    for (std::size_t c = 0; c < channels.size(); ++c) {
        h.gains.channelFactor[c] = float(factor);
        for (std::size_t i = 0; i < n; ++i)
            frames[i * channels.size() + c] =
                std::int16_t(std::clamp(std::lround(channels[c][i] / factor), long{kMinSample}, long{kMaxSample}));
    }
    return frames;
}

bool validAir(float temperature, float humidity)
{
    return std::isfinite(temperature) && temperature > -273.0f && std::isfinite(humidity) && humidity >= 0 &&
           humidity <= 100;
}

} // namespace

VResult ScaleWave(const std::string& fileName, ScaleParams& params, const ScaleProgressFn& progress)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        const float N = params.scale;
        if (!(N >= 0.01f && N <= 100.0f))
            return msg::BadArgument;
        const bool absorption = params.airAbsorption != 0;
        if (absorption && (!validAir(params.modelTemperature, params.modelHumidity) ||
                           !validAir(params.actualTemperature, params.actualHumidity)))
            return msg::BadArgument;

        WaveHeader h;
        std::vector<std::int16_t> frames;
        if (const VResult r = files::readResponse(fileName, h, &frames); r != Ok)
            return r;
        const double fs = h.format.SampleFrequency;
        const double newRate = std::round(fs / double(N));
        if (!(newRate >= 1.0) || newRate > 2147483647.0)
            return msg::BadArgument;

        const int channels = h.format.Channels;
        std::vector<std::vector<double>> x;
        for (int c = 0; c < channels; ++c)
            x.push_back(channelOf(h, frames, c));

        if (absorption) {
            dsp::ScaleModelSetup setup;
            setup.fs_Hz = fs;
            setup.scale = N;
            setup.model = {params.modelTemperature, params.modelHumidity};
            setup.actual = {params.actualTemperature, params.actualHumidity};
            bool stopped = false;
            for (int c = 0; c < channels && !stopped; ++c) {
                const auto report = [&](double fraction) {
                    if (!progress)
                        return false;
                    const float percent = float(100.0 * (double(c) + fraction) / double(channels));
                    return progress(percent) == 1;
                };
                stopped = !dsp::correctAirAbsorption(x[std::size_t(c)], setup, report);
            }
            if (stopped)
                return ScaleStopped;
            frames = quantise(x, h);
        } else if (progress && progress(100.0f) == 1) {
            return ScaleStopped;
        }

        files::setPcm16Format(h, channels, std::int32_t(newRate), std::int64_t(frames.size()) / channels);
        return files::writeResponseWav(fileName, h, frames);
    });
}

VResult Adrienne(const std::string& referenceFile, const std::string& fileName, float distance)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        WaveHeader measured, reference;
        std::vector<std::int16_t> mFrames, rFrames;
        if (const VResult r = files::readResponse(fileName, measured, &mFrames); r != Ok)
            return r;
        if (const VResult r = files::readResponse(referenceFile, reference, &rFrames); r != Ok)
            return r;
        if (measured.info.Receiver != ReceiverOmni || reference.info.Receiver != ReceiverOmni)
            return msg::WrongReceiver;
        if (measured.format.Channels != 1 || reference.format.Channels != 1)
            return msg::BadChannelCount;
        if (measured.format.SampleFrequency != reference.format.SampleFrequency)
            return msg::RatesDiffer;
        const double fs = measured.format.SampleFrequency;
        const double c = dsp::speedOfSound(measured.info.Temperature);
        if (!std::isfinite(distance) || !(distance > 0) || !std::isfinite(c) || !(fs > 0) ||
            2.0 * distance / c * fs >= double(mFrames.size()))
            return msg::BadArgument;

        dsp::ReflectionSeparation parts;
        if (!dsp::separateReflection(channelOf(measured, mFrames, 0), channelOf(reference, rFrames, 0), fs, parts))
            return msg::NoImpulse;

        WaveHeader result = measured;
        result.info.Receiver = ReceiverReflectionIndex;
        result.info.ProbeDist = distance;
        result.info.IRStart[0] = -1;
        result.info.IRStart[1] = std::int32_t(parts.incidentStart);
        const std::vector<std::int16_t> frames = quantise({parts.reflected, parts.incident}, result);
        files::setPcm16Format(result, 2, measured.format.SampleFrequency, std::int64_t(parts.incident.size()));
        return files::writeResponseWav(fileName, result, frames);
    });
}

} // namespace vemra
