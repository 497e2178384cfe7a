// The sound functions of the library contract over the duplex engine (sound/Engine.h), the stimuli, the
// processing and the mixer backends. Every function validates first and lets no exception out.
#include "library/api_sound.h"

#include "library/Codes.h"
#include "library/WaveStore.h"
#include "library/api_settings.h"
#include "library/dsp/BandFilter.h"
#include "library/dsp/Deconvolution.h"
#include "library/dsp/Mls.h"
#include "library/dsp/Sweep.h"
#include "library/files/Formats.h"
#include "library/files/ResponseFile.h"
#include "library/files/TempFiles.h"
#include "library/sound/Engine.h"
#include "library/sound/Mixer.h"
#include "library/sound/Processing.h"
#include "library/sound/SourceFilter.h"
#include "library/sound/Stimulus.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace vemra {

namespace {

using sound::Engine;
using sound::StimulusKind;

constexpr double kResponsePeak = 32000.0;        // the largest sample of a processed response
constexpr double kTestSignalScale = kFullScale / 2; // the test signals' peak: half full scale (-6 dB)

struct SoundState {
    int inputChannels = 1;   // of the continuous input
    std::int16_t lastVu[2] = {-1, -1};
};

SoundState& state()
{
    static SoundState s;
    return s;
}

Engine& engine() { return Engine::instance(); }

VResult startStimulus(StimulusKind kind, std::int16_t channels, std::int16_t order, std::int32_t rate,
                      std::int16_t level, const std::string& correction, std::int16_t filter, float speechScale)
{
    if (channels < 1 || channels > 2)
        return msg::BadChannelCount;
    auto stimulus = std::make_shared<sound::StimulusPeriod>();
    if (VResult rc = sound::buildStimulus(kind, order, rate, level, correction, filter, speechScale, *stimulus))
        return rc;
    return engine().startStimulus(std::move(stimulus), channels);
}

// Writes responses (true amplitudes, one vector per channel) as a 16-bit response file under a new temporary
// name. The samples use the 16-bit range with a little headroom (the peak at kResponsePeak); the channel factors
// carry the scale back.
VResult writeResponses(const std::vector<std::vector<double>>& responses, std::int32_t rate, const MeasurementInfo& info,
                       const MeasurementGains& gains, std::string& fileName)
{
    fileName.clear();
    const int channels = static_cast<int>(responses.size());
    if (channels < 1 || channels > 2)
        return msg::BadChannelCount;
    const std::size_t frames = responses[0].size();
    double peak = 0;
    for (const auto& r : responses)
        for (double v : r)
            peak = std::max(peak, std::abs(v));
    const double step = peak > 0 && std::isfinite(peak) ? peak / kResponsePeak : 1.0 / kFullScale;
    std::vector<std::int16_t> samples(frames * static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c)
        for (std::size_t i = 0; i < frames; ++i)
            samples[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)]
                = static_cast<std::int16_t>(std::lround(std::clamp(responses[static_cast<std::size_t>(c)][i] / step, double(kMinSample), double(kMaxSample))));
    WaveHeader header;
    header.info = info;
    header.gains = gains;
    for (int c = 0; c < 2; ++c)
        header.gains.channelFactor[c] = static_cast<float>(gains.channelFactor[c] * step);
    files::detail::setSampleFields(header, channels, rate, samples);
    const std::string path = files::issueTempName();
    if (path.empty())
        return msg::CannotCreateFile;
    writeFileNameField(header, path);
    if (VResult rc = files::writeResponseWav(path, header, samples)) {
        files::removeTempFile(path);
        return rc;
    }
    fileName = path;
    return Ok;
}

std::vector<double> channelOf(const std::vector<std::int16_t>& interleaved, int channels, int channel)
{
    const std::size_t frames = interleaved.size() / static_cast<std::size_t>(channels);
    std::vector<double> v(frames);
    for (std::size_t i = 0; i < frames; ++i)
        v[i] = interleaved[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel)] / kFullScale;
    return v;
}

std::int16_t vuSegment(float peak, float adcMax_dB)
{
    if (!(peak > 0))
        return -1;
    const double level = 20 * std::log10(peak) - adcMax_dB;
    const double seg = std::floor(level / 3.0) + 15;
    return static_cast<std::int16_t>(std::clamp(seg, -1.0, 15.0));
}

void copyMixerName(MixerControlRecord& record, const std::string& name)
{
    std::memset(record.MixerName, 0, sizeof record.MixerName);
    std::memcpy(record.MixerName, name.data(), std::min(name.size(), sizeof record.MixerName - 1));
}

VResult writeTestSignal(const std::string& path, const std::vector<double>& period, std::int32_t rate)
{
    std::vector<std::int16_t> samples(period.size());
    for (std::size_t i = 0; i < period.size(); ++i)
        samples[i] = static_cast<std::int16_t>(std::lround(period[i] * kTestSignalScale));
    WaveHeader header;
    files::detail::setSampleFields(header, 1, rate, samples);
    writeFileNameField(header, path);
    return files::writeResponseWav(path, header, samples);
}

std::string testSignalFolder()
{
    const std::string folder = files::dataFolder() + "/TestSignals";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

} // namespace

// --- Devices and the continuous input ----------------------------------------------------------------------------

VResult SelectWaveDevices(const std::string& mixerName, std::int16_t device1, std::int16_t device2)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        sound::Backend* b = engine().backend();
        if (!b)
            return msg::NoUsableWaveDevice;
        return b->selectDevices(mixerName, device1, device2);
    });
}

std::int16_t CheckFullduplex(std::int32_t rate_Hz)
{
    return guardedValue<std::int16_t>(0, [&]() -> std::int16_t {
        Engine& e = engine();
        sound::Backend* b = e.backend();
        if (!b || rate_Hz <= 0)
            return 0;
        if (e.streamOpen() && b->rate() == rate_Hz && b->inChannels() > 0 && b->outChannels() > 0)
            return -1;
        return b->canDuplex(rate_Hz) ? -1 : 0;
    });
}

VResult StartContRecording(std::int32_t rate_Hz, std::int16_t channels)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (channels < 1 || channels > 2)
            return msg::BadChannelCount;
        if (rate_Hz <= 0)
            return msg::UnsupportedSampleRate;
        if (VResult rc = engine().acquire(sound::StreamUser::ContinuousInput, rate_Hz))
            return rc;
        state().inputChannels = channels;
        return Ok;
    });
}

VResult StopContRecording()
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        Engine& e = engine();
        if (e.holds(sound::StreamUser::ContinuousInput))
            e.release(sound::StreamUser::ContinuousInput);
        return Ok;
    });
}

// --- Stimuli ---------------------------------------------------------------------------------------------------------

VResult StartMLS(std::int16_t channels, std::int16_t order, std::int32_t rate_Hz, std::int16_t level,
                 std::string& correctionFile, std::int16_t filter, float speechScale)
{
    return guardedResult(msg::BadArgument, [&] {
        return startStimulus(StimulusKind::Mls, channels, order, rate_Hz, level, correctionFile, filter, speechScale);
    });
}

VResult StartSweep(std::int16_t channels, std::int16_t order, std::int32_t rate_Hz, std::int16_t level,
                   std::string& correctionFile, std::int16_t filter, float speechScale)
{
    return guardedResult(msg::BadArgument, [&] {
        return startStimulus(StimulusKind::Sweep, channels, order, rate_Hz, level, correctionFile, filter,
                             speechScale);
    });
}

void StopPlaying()
{
    guardedVoid([] { engine().stopStimulus(); });
}

void ScaleSpeech(std::int32_t rate_Hz, std::string& prefix, float& mlsScale, float& sweepScale)
{
    guardedVoid([&] {
        if (rate_Hz <= 0)
            return;
        constexpr int order = 14;
        auto factor = [&](StimulusKind kind) {
            std::vector<double> base = kind == StimulusKind::Mls ? dsp::mlsSignal(order) : dsp::periodicSweep(order, rate_Hz);
            if (!prefix.empty()) {
                sound::CorrectedStimulus corrected;
                const std::string file = prefix + " " + std::to_string(order)
                                         + (kind == StimulusKind::Mls ? "_mls.pcm" : "_swp.pcm");
                if (sound::readCorrectedStimulus(file, kind, order, rate_Hz, corrected) == Ok)
                    base.assign(corrected.period.begin(), corrected.period.end());
            }
            double basePeak = 0;
            for (double v : base)
                basePeak = std::max(basePeak, std::abs(v));
            double worst = 1.0;
            for (int f = SourceFilterNone + 1; f < SourceFilterCodeCount; ++f) {
                std::vector<double> shaped = base;
                sound::applySourceFilter(f, rate_Hz, shaped);
                double peak = 0;
                for (double v : shaped)
                    peak = std::max(peak, std::abs(v));
                if (basePeak > 0)
                    worst = std::max(worst, peak / basePeak);
            }
            return static_cast<float>(1.0 / worst);
        };
        mlsScale = factor(StimulusKind::Mls);
        sweepScale = factor(StimulusKind::Sweep);
    });
}

// --- Capture and processing ------------------------------------------------------------------------------------------

VResult StartRecording(std::int32_t rate_Hz, std::int32_t count, std::int16_t preAverages)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (count < 2 || count > sound::kMaxCaptureFrames || preAverages < 1 || preAverages > sound::kMaxCaptureAverages)
            return msg::BadArgument;
        if (rate_Hz <= 0)
            return msg::UnsupportedSampleRate;
        Engine& e = engine();
        // The user's audio delay as it stands now: the settings may change between measurements.
        e.setExtraLatency(static_cast<std::int64_t>(std::lround(librarySettings().audioDelay_samples)));
        const int channels = e.holds(sound::StreamUser::ContinuousInput) ? state().inputChannels : 1;
        return e.startCapture(rate_Hz, count, preAverages, channels);
    });
}

void StopRecording()
{
    guardedVoid([] { engine().abortCapture(); });
}

VResult ProcessRecording(std::string& fileName, std::int32_t rate_Hz, std::int16_t order, MeasurementInfo& info,
                         MeasurementGains& gains, std::int16_t sign, std::int16_t filter)
{
    fileName.clear();
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        Engine& e = engine();
        sound::CaptureResult capture;
        if (VResult rc = e.finishCapture(capture))
            return rc;
        // Zeros only: nothing reached the input (a cable not plugged in), and the response would be empty.
        const auto silent = [](const std::vector<double>& channel) {
            return std::all_of(channel.begin(), channel.end(), [](double v) { return v == 0.0; });
        };
        if (std::all_of(capture.average.begin(), capture.average.end(), silent))
            return msg::SilentInput;
        std::vector<std::vector<double>> responses;
        const sound::ProcessRequest request{info.Stimulus, order, static_cast<double>(rate_Hz), filter, sign};
        if (VResult rc = sound::deconvolveCapture(capture, request, responses))
            return rc;
        // Noise alone: the stimulus never reached the input (an output muted in the mixer, a cable out). One channel
        // with an impulse shows that the output works.
        if (std::none_of(responses.begin(), responses.end(), [](const std::vector<double>& r) { return sound::holdsAnImpulse(r); }))
            return msg::NoSignalReturned;
        return writeResponses(responses, rate_Hz, info, gains, fileName);
    });
}

VResult ImportRecording(const std::string& importFile, std::string& resultName, std::int16_t order,
                        MeasurementInfo& info, std::int16_t filter)
{
    resultName.clear();
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        WaveHeader source;
        std::vector<std::int16_t> samples;
        if (VResult rc = files::readResponse(importFile, source, &samples))
            return rc;
        const int channels = source.format.Channels;
        const std::int32_t rate = source.format.SampleFrequency;
        if (channels < 1 || channels > 2)
            return msg::BadChannelCount;
        const std::int64_t frames = static_cast<std::int64_t>(samples.size()) / channels;
        std::vector<std::vector<double>> responses;
        const int stimulus = info.Stimulus;
        if (stimulus == StimulusExternalImpulse) {
            for (int c = 0; c < channels; ++c)
                responses.push_back(channelOf(samples, channels, c));
        } else if (stimulus == StimulusExternalNoise) {
            if (channels < 2)
                return msg::BadChannelCount;
            if (order < 8 || order > 24)
                return msg::BadArgument;
            const std::int64_t block = std::int64_t{1} << order;
            const std::int64_t blocks = frames / block;
            if (blocks < 1)
                return msg::TooFewSamples;
            auto y = channelOf(samples, 2, 0);
            auto x = channelOf(samples, 2, 1);
            y.resize(static_cast<std::size_t>(blocks * block));
            x.resize(y.size());
            responses.emplace_back(static_cast<std::size_t>(block));
            dsp::transferResponse(x, y, responses[0]);
        } else if (isMlsStimulus(stimulus) || isSweepStimulus(stimulus)) {
            const bool mls = isMlsStimulus(stimulus);
            if (order < (mls ? dsp::MlsMinOrder : dsp::SweepMinOrder) || order > (mls ? dsp::MlsMaxOrder : dsp::SweepMaxOrder))
                return msg::BadArgument;
            const std::int64_t period = mls ? (std::int64_t{1} << order) - 1 : std::int64_t{1} << order;
            const std::int64_t periods = frames / period;
            if (periods < 1)
                return msg::TooFewSamples;
            sound::CaptureResult capture;
            capture.period = period;
            capture.channels = channels;
            capture.averages = static_cast<int>(std::min<std::int64_t>(periods, 1000000));
            for (int c = 0; c < channels; ++c) {
                const auto all = channelOf(samples, channels, c);
                std::vector<double> avg(static_cast<std::size_t>(period), 0.0);
                for (std::int64_t p = 0; p < periods; ++p)
                    for (std::int64_t i = 0; i < period; ++i)
                        avg[static_cast<std::size_t>(i)] += all[static_cast<std::size_t>(p * period + i)];
                for (double& v : avg)
                    v /= static_cast<double>(periods);
                capture.average.push_back(std::move(avg));
            }
            // Recordings made elsewhere: the stimulus is the external one of the same kind.
            const sound::ProcessRequest request{mls ? StimulusExternalMls : StimulusExternalSweep, order, static_cast<double>(rate), filter, 1};
            if (VResult rc = sound::deconvolveCapture(capture, request, responses))
                return rc;
        } else {
            return msg::BadArgument;
        }
        MeasurementInfo stored = info;
        stored.IRStart[0] = stored.IRStart[1] = -1; // no impulse start is known for an import
        MeasurementGains gains = source.gains;
        gains.channelFactor[0] = gains.channelFactor[1] = 1.0f;
        return writeResponses(responses, rate, stored, gains, resultName);
    });
}

void CombineFiles(std::string& output, const std::string& first, const std::string& second)
{
    output.clear();
    output = guardedValue(std::string(), [&]() -> std::string {
        if (first.empty() || second.empty())
            return {};
        WaveHeader a, b;
        std::vector<std::int16_t> sa, sb;
        if (files::readResponse(first, a, &sa) || files::readResponse(second, b, &sb))
            return {};
        if (a.format.SampleFrequency != b.format.SampleFrequency || a.format.Channels < 1 || b.format.Channels < 1)
            return {};
        const std::size_t ca = static_cast<std::size_t>(a.format.Channels);
        const std::size_t cb = static_cast<std::size_t>(b.format.Channels);
        const std::size_t frames = sa.size() / ca;
        std::vector<std::int16_t> joined(frames * 2, 0);
        for (std::size_t i = 0; i < frames; ++i) {
            joined[2 * i] = sa[i * ca];
            if (i < sb.size() / cb)
                joined[2 * i + 1] = sb[i * cb];
        }
        WaveHeader header = a;
        header.gains.channelFactor[1] = b.gains.channelFactor[0];
        header.gains.GainIntCha[1] = b.gains.GainIntCha[0];
        header.gains.GainExtCha[1] = b.gains.GainExtCha[0];
        header.info.IRStart[1] = b.info.IRStart[0];
        files::detail::setSampleFields(header, 2, a.format.SampleFrequency, joined);
        const std::string path = files::issueTempName();
        if (path.empty())
            return {};
        writeFileNameField(header, path);
        if (files::writeResponseWav(path, header, joined)) {
            files::removeTempFile(path);
            return {};
        }
        // The passes live on only in the combined file.
        files::removeTempFile(first);
        files::removeTempFile(second);
        return path;
    });
}

// --- Meters and playback ---------------------------------------------------------------------------------------------

VResult StartVU(std::int32_t rate_Hz, std::int16_t channels)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (channels < 1 || channels > 2)
            return msg::BadChannelCount;
        if (rate_Hz <= 0)
            return msg::UnsupportedSampleRate;
        state().lastVu[0] = state().lastVu[1] = -1;
        return engine().startMeter(rate_Hz);
    });
}

void GetVU(std::int16_t& left, std::int16_t& right, std::int16_t, float adcMax_dB)
{
    left = right = -1;
    guardedVoid([&] {
        float peak[2];
        engine().readMeter(peak);
        auto& last = state().lastVu;
        // A poll between two blocks sees nothing new: keep showing the last level.
        if (peak[0] >= 0 || peak[1] >= 0) {
            last[0] = vuSegment(peak[0], adcMax_dB);
            last[1] = vuSegment(peak[1], adcMax_dB);
        }
        left = last[0];
        right = last[1];
    });
}

void StopVU()
{
    guardedVoid([] {
        state().lastVu[0] = state().lastVu[1] = -1;
        engine().stopMeter();
    });
}

VResult PlayWave(WaveHeader& header, std::int32_t filter, std::int32_t first, std::int32_t count)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (!WaveStore::isOpen(header))
            return msg::NoWaveData;
        const int channels = WaveStore::channels(header);
        const std::int64_t frames = WaveStore::frames(header);
        const double rate = header.format.SampleFrequency;
        if (first < 0 || count < 1 || std::int64_t{first} + count > frames || rate <= 0)
            return msg::BadArgument;
        const auto bandFilter = dsp::BandFilter::design(filter, rate);
        if (!bandFilter)
            return msg::BadArgument;
        std::vector<float> interleaved(static_cast<std::size_t>(count) * static_cast<std::size_t>(channels));
        for (int c = 0; c < channels; ++c) {
            const auto all = WaveStore::floatSamples(header, c);
            std::vector<float> part(all.begin() + first, all.begin() + first + count);
            bandFilter->apply(part, part, dsp::FilterDirection::Forward);
            for (std::int32_t i = 0; i < count; ++i)
                interleaved[static_cast<std::size_t>(i) * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)]
                    = std::clamp(part[static_cast<std::size_t>(i)] / float(kFullScale), -1.0f, 1.0f);
        }
        return engine().startPlayback(rate, std::move(interleaved), channels);
    });
}

void StopWave()
{
    guardedVoid([] { engine().stopPlayback(); });
}

// --- Mixer -----------------------------------------------------------------------------------------------------------

VResult GetMixerControlIDs(MixerControlRecord& record)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        sound::MixerDescription d;
        if (!sound::mixerBackend().describe(record.MixerID, record.PSeq, record.RSeq, record.PlanB, d))
            return msg::NoUsableWaveDevice;
        copyMixerName(record, d.name);
        record.Device1 = static_cast<std::int16_t>(d.device1);
        record.Device2 = static_cast<std::int16_t>(d.device2);
        record.Device3 = static_cast<std::int16_t>(d.device3);
        record.PmControlID = d.playbackMaster.id;
        record.PsControlID = d.playbackSecondary.id;
        record.RmControlID = d.recordingMaster.id;
        record.RsControlID = d.recordingSecondary.id;
        record.PmChannels = static_cast<std::int16_t>(d.playbackMaster.channels);
        record.PsChannels = static_cast<std::int16_t>(d.playbackSecondary.channels);
        record.RmChannels = static_cast<std::int16_t>(d.recordingMaster.channels);
        record.RsChannels = static_cast<std::int16_t>(d.recordingSecondary.channels);
        std::fill(std::begin(record.moreControlIDs), std::end(record.moreControlIDs), -1);
        return Ok;
    });
}

VResult SetMixerControls(MixerControlRecord& record, std::int32_t save)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        return sound::mixerBackend().select(record.MixerID, record.PSeq, record.RSeq, record.PlanB, save != 0) ? Ok
                                                                                                                : msg::NoUsableWaveDevice;
    });
}

VResult RestoreMixerControls(MixerControlRecord& record)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult { return sound::mixerBackend().restore(record.MixerID) ? Ok : msg::NoUsableWaveDevice; });
}

void SetVolume(std::int16_t mixerId, std::int32_t controlId, std::int16_t channels, std::int32_t left,
               std::int32_t right)
{
    guardedVoid([&] {
        if (controlId != -1)
            sound::mixerBackend().setVolume(mixerId, controlId, channels, left, right);
    });
}

void GetVolume(std::int16_t mixerId, std::int32_t controlId, std::int16_t channels, std::int32_t& left,
               std::int32_t& right)
{
    left = right = 0;
    std::int32_t readLeft = 0, readRight = 0;
    const bool read = guardedValue(false, [&] {
        return controlId != -1 && sound::mixerBackend().getVolume(mixerId, controlId, channels, readLeft, readRight);
    });
    if (read) {
        left = readLeft;
        right = readRight;
    }
}

// --- Test signals ----------------------------------------------------------------------------------------------------

VResult WriteMLS()
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        const std::string folder = testSignalFolder();
        for (int order = 13; order <= 22; ++order)
            if (VResult rc = writeTestSignal(folder + "/mls " + std::to_string(order) + ".wav", dsp::mlsSignal(order), 48000))
                return rc;
        return Ok;
    });
}

VResult WriteSweep(std::int32_t rate_Hz)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (rate_Hz <= 0)
            return msg::UnsupportedSampleRate;
        const std::string folder = testSignalFolder();
        for (int order = sound::minOrderForRate(rate_Hz); order <= sound::maxOrderForRate(rate_Hz); ++order) {
            const std::string name = folder + "/sweep " + std::to_string(rate_Hz) + " " + std::to_string(order) + ".wav";
            if (VResult rc = writeTestSignal(name, dsp::periodicSweep(order, rate_Hz), rate_Hz))
                return rc;
        }
        return Ok;
    });
}

} // namespace vemra
