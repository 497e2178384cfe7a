#include "library/api_edit.h"

#include "library/Codes.h"
#include "library/Messages.h"
#include "library/WaveStore.h"
#include "library/api_files.h"
#include "library/dsp/BandFilter.h"
#include "library/dsp/Editing.h"
#include "library/dsp/ImpulseStart.h"
#include "library/dsp/ReflectionIndex.h"
#include "library/dsp/SelectionStatistics.h"
#include "library/dsp/SoundSpeed.h"
#include "library/files/ResponseFile.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace vemra {

namespace {

struct Clipboard {
    ClipboardHooks hooks;
    std::vector<std::uint8_t> own; // the library's own clipboard while no hooks are set
};

Clipboard& clipboard()
{
    static Clipboard c;
    return c;
}

bool putOnClipboard(const std::vector<std::uint8_t>& wav)
{
    Clipboard& c = clipboard();
    if (c.hooks.put)
        return c.hooks.put(wav);
    c.own = wav;
    return true;
}

bool readClipboard(std::vector<std::uint8_t>& wav)
{
    Clipboard& c = clipboard();
    if (c.hooks.get)
        return c.hooks.get(wav);
    wav = c.own;
    return true;
}

void clearStoredStart(WaveHeader& header)
{
    header.info.IRStart[0] = -1;
    header.info.IRStart[1] = -1;
}

// Runs a change of the samples over a checked range; the kernels rely on the check.
template <class Change>
VResult editRange(WaveHeader& header, std::int32_t start, std::int32_t length, Change change)
{
    if (!WaveStore::isOpen(header))
        return msg::NoWaveData;
    if (!dsp::validRange(WaveStore::frames(header), start, length))
        return msg::BadArgument;
    if (length == 0)
        return Ok;
    return WaveStore::edit(header, [&](WaveStore::Channels& c) { change(c); }) ? Ok : msg::BadArgument;
}

} // namespace

void SetClipboardHooks(ClipboardHooks hooks)
{
    Clipboard& c = clipboard();
    c.hooks = std::move(hooks);
    if (!c.hooks.put || !c.hooks.get)
        c.hooks = {};
}

VResult EditRotate(WaveHeader& header, std::int32_t samples)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (!WaveStore::isOpen(header))
            return msg::NoWaveData;
        if (samples < 0 || samples >= WaveStore::frames(header))
            return msg::BadArgument;
        if (samples == 0)
            return Ok;
        if (!WaveStore::edit(header, [&](WaveStore::Channels& c) { dsp::rotateFrames(c, samples); }))
            return msg::BadArgument;
        clearStoredStart(header);
        return Ok;
    });
}

VResult EditCopy(WaveHeader& header, std::int32_t start, std::int32_t length)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (!WaveStore::isOpen(header))
            return msg::NoWaveData;
        if (!dsp::validRange(WaveStore::frames(header), start, length) || length == 0)
            return msg::BadArgument;
        const int channels = WaveStore::channels(header);
        std::vector<std::int16_t> frames(static_cast<std::size_t>(length) * channels);
        for (int ch = 0; ch < channels; ++ch) {
            const auto s = WaveStore::samples(header, ch).subspan(std::size_t(start), std::size_t(length));
            for (std::size_t i = 0; i < s.size(); ++i)
                frames[i * channels + ch] = s[i];
        }
        WaveHeader clip = header;
        writeFileNameField(clip, "");
        clip.reserved1[0] = clip.reserved1[1] = 0;
        clearStoredStart(clip);
        files::setPcm16Format(clip, channels, header.format.SampleFrequency, length);
        std::vector<std::uint8_t> wav;
        if (const VResult r = files::encodeResponse(files::FileKind::Wav, clip, frames, wav); r != Ok)
            return r;
        return putOnClipboard(wav) ? Ok : msg::ClipboardUnavailable;
    });
}

VResult EditDelete(WaveHeader& header, std::int32_t start, std::int32_t length)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (WaveStore::isOpen(header) && length > 0 &&
            dsp::validRange(WaveStore::frames(header), start, length) &&
            WaveStore::frames(header) - length < files::kMinFrames)
            return msg::FileTooShort;
        const VResult r = editRange(header, start, length,
                                    [&](WaveStore::Channels& c) { dsp::deleteFrames(c, start, length); });
        if (r == Ok && length > 0)
            clearStoredStart(header);
        return r;
    });
}

VResult EditClip2File(std::string& fileName)
{
    fileName.clear();
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        std::vector<std::uint8_t> wav;
        if (!readClipboard(wav))
            return msg::ClipboardUnavailable;
        if (wav.empty())
            return msg::ClipboardFormat;
        WaveHeader clip;
        std::vector<std::int16_t> frames;
        if (files::readResponseBytes(files::FileKind::Wav, wav, clip, &frames) != Ok || frames.empty())
            return msg::ClipboardFormat;
        std::string name;
        if (const VResult r = GetTempName(name); r != Ok)
            return r;
        if (const VResult r = files::writeResponseWav(name, clip, frames); r != Ok) {
            DeleteTempFile(name);
            return r;
        }
        fileName = name;
        return Ok;
    });
}

VResult EditInsertFile(WaveHeader& header, std::int32_t position, const std::string& fileName)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (!WaveStore::isOpen(header))
            return msg::NoWaveData;
        const std::int64_t n = WaveStore::frames(header);
        if (position < 0 || position > n)
            return msg::BadArgument;
        WaveHeader other;
        std::vector<std::int16_t> frames;
        if (const VResult r = files::readResponse(fileName, other, &frames); r != Ok)
            return r;
        const int channels = WaveStore::channels(header);
        if (other.format.Channels != channels)
            return msg::BadChannelCount;
        if (other.format.SampleFrequency != header.format.SampleFrequency)
            return msg::RatesDiffer;
        const std::int64_t added = static_cast<std::int64_t>(frames.size()) / channels;
        if (added == 0)
            return Ok;
        if (n + added > files::kMaxFrames)
            return msg::FileTooLong;
        dsp::PlanarSamples insert(static_cast<std::size_t>(channels), std::vector<std::int16_t>(static_cast<std::size_t>(added)));
        for (std::int64_t i = 0; i < added; ++i)
            for (int ch = 0; ch < channels; ++ch)
                insert[std::size_t(ch)][std::size_t(i)] = frames[std::size_t(i * channels + ch)];
        if (!WaveStore::edit(header, [&](WaveStore::Channels& c) { dsp::insertFrames(c, position, insert); }))
            return msg::BadArgument;
        clearStoredStart(header);
        return Ok;
    });
}

VResult EditWindow(WaveHeader& header, std::int32_t start, std::int32_t length, std::int16_t windowType)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (WaveStore::isOpen(header) && !dsp::validWindowShape(windowType))
            return msg::BadArgument;
        return editRange(header, start, length,
                         [&](WaveStore::Channels& c) { dsp::applyWindow(c, start, length, windowType); });
    });
}

VResult EditSilence(WaveHeader& header, std::int32_t start, std::int32_t length)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        return editRange(header, start, length,
                         [&](WaveStore::Channels& c) { dsp::silenceFrames(c, start, length); });
    });
}

VResult CalcSinfo(WaveHeader& header, std::int16_t channel, std::int16_t filterType, SinfoBlock& block)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (!WaveStore::isOpen(header))
            return msg::NoWaveData;
        if (channel < 0 || channel >= WaveStore::channels(header))
            return msg::BadChannelCount;
        const std::int64_t first = block.first;
        const std::int64_t length = block.length;
        if (length <= 0 || !dsp::validRange(WaveStore::frames(header), first, length))
            return msg::BadArgument;
        const double fs = header.format.SampleFrequency;
        const auto filter = dsp::BandFilter::design(filterType, fs);
        if (!filter)
            return msg::BadArgument;
        const auto samples = WaveStore::floatSamples(header, channel);
        std::vector<float> filtered;
        std::span<const float> selection = samples.subspan(std::size_t(first), std::size_t(length));
        if (!filter->isAllPass()) {
            // The band as it sounds at the selection: the filter runs from the start of the response.
            filtered = filter->apply(samples.first(std::size_t(first + length)), dsp::FilterDirection::Forward);
            selection = std::span<const float>(filtered).subspan(std::size_t(first));
        }
        const dsp::SelectionStatistics s = dsp::selectionStatistics(selection, fs);
        block.MinSampleValue = static_cast<float>(s.min);
        block.MaxSampleValue = static_cast<float>(s.max);
        block.AvgSampleValue = static_cast<float>(s.mean);
        block.Power = s.meanSquare_dB
                          ? std::max(SilenceLevel_dB, static_cast<float>(*s.meanSquare_dB - 20 * std::log10(kFullScale)))
                          : SilenceLevel_dB;
        block.Slope = static_cast<float>(s.slope_dBps.value_or(0.0));
        block.DT60 = s.decayTime60_s && *s.decayTime60_s < 1e30 ? static_cast<float>(*s.decayTime60_s)
                                                                 : NoDecayTime_s;
        block.Decay = static_cast<float>(s.levelChange_dB);
        return Ok;
    });
}

VResult CalcRI(WaveHeader& header, RIResult& result)
{
    std::fill(std::begin(result.ri), std::end(result.ri), -1.0f);
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (!WaveStore::isOpen(header))
            return msg::NoWaveData;
        if (header.info.Receiver != ReceiverReflectionIndex)
            return msg::WrongReceiver;
        if (WaveStore::channels(header) != 2)
            return msg::BadChannelCount;
        const double distance = header.info.ProbeDist;
        const double kelvin = double(header.info.Temperature) + 273.0;
        if (!std::isfinite(distance) || distance < 0 || !(kelvin > 0) || !std::isfinite(kelvin))
            return msg::BadArgument;
        const auto incident = WaveStore::floatSamples(header, 1);
        const auto reflected = WaveStore::floatSamples(header, 0);
        dsp::ReflectionSetup setup;
        setup.fs_Hz = header.format.SampleFrequency;
        const std::int32_t stored = header.info.IRStart[1];
        setup.incidentStart = stored >= 0 && stored < static_cast<std::int64_t>(incident.size())
                                  ? stored
                                  : dsp::impulseStartIso(incident);
        if (setup.incidentStart < 0)
            return msg::NoImpulse;
        setup.probeDistance_m = distance;
        setup.soundSpeed_mps = dsp::speedOfSound(header.info.Temperature);
        const auto ri = dsp::reflectionIndex(reflected, incident, setup);
        for (std::size_t band = 0; band < ri.size(); ++band)
            result.ri[band] = static_cast<float>(std::min(ri[band], 1e30));
        return Ok;
    });
}

} // namespace vemra
