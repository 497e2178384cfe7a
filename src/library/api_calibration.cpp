// The calibration functions of the library contract over the duplex engine, the calibration-signal analyses and
// the mixer backends. Every function validates first and lets no exception out.
#include "library/api_calibration.h"

#include "library/Codes.h"
#include "library/dsp/CalibrationSignal.h"
#include "library/files/ResponseFile.h"
#include "library/sound/Engine.h"
#include "library/sound/Mixer.h"
#include "library/sound/Processing.h"
#include "library/sound/Stimulus.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <vector>

namespace vemra {

namespace {

using sound::Engine;

// Mixer indices scanned for the list (the same bound as the program's mixer scan).
constexpr int kMaxListedMixers = 32;

Engine& engine() { return Engine::instance(); }

// The tone this library started, so StopCalSignal never stops a stimulus the player started since.
std::weak_ptr<const sound::StimulusPeriod>& toneStarted()
{
    static std::weak_ptr<const sound::StimulusPeriod> tone;
    return tone;
}

std::int16_t listed(const std::vector<std::string>& names, std::string& out)
{
    out.clear();
    for (const std::string& n : names)
        out += n + ';';
    return std::int16_t(names.size());
}

std::int16_t lineList(std::int32_t mixer, bool playback, std::string& names)
{
    names.clear();
    return guardedValue<std::int16_t>(0, [&] {
        std::vector<std::string> lines;
        if (mixer < 0 || mixer >= kMaxListedMixers || !sound::mixerBackend().lines(mixer, playback, lines))
            return std::int16_t(0);
        for (std::string& l : lines)
            l = sound::sanitiseMixerName(l);
        return listed(lines, names);
    });
}

// Records one period of frames on channels and hands the capture over.
VResult capture(double rate_Hz, std::int64_t frames, std::int16_t channels, sound::CaptureResult& out)
{
    if (channels < 1 || channels > 2)
        return msg::BadChannelCount;
    if (VResult rc = engine().startCapture(rate_Hz, frames, 1, channels))
        return rc;
    return engine().finishCapture(out);
}

// The loop-back of the playing stimulus of this kind and order: the lowest INR of the channels, input 1's polarity.
VResult measureLoopback(sound::StimulusKind kind, int order, std::int16_t channels, double rate_Hz, float& inr,
                        int& polarity)
{
    const bool mls = kind == sound::StimulusKind::Mls;
    if (order < 2 || order > 24)
        return msg::BadArgument;
    const std::int64_t period = mls ? (std::int64_t{1} << order) - 1 : std::int64_t{1} << order;
    const auto playing = engine().currentStimulus();
    if (!playing || playing->kind != kind || playing->order != order)
        return msg::NoCalibrationSignal;
    sound::CaptureResult c;
    if (VResult rc = capture(rate_Hz, period, channels, c))
        return rc;
    // Only the stimulus that actually played, recorded in step with it, says anything about the loop-back.
    if (!c.stimulus || c.stimulus->kind != kind || c.stimulus->order != order)
        return msg::NoCalibrationSignal;
    std::vector<std::vector<double>> responses;
    const sound::ProcessRequest request{mls ? StimulusInternalMls : StimulusInternalSweep, order, c.stimulus->rate_Hz,
                                        c.stimulus->filter, 1};
    if (VResult rc = sound::deconvolveCapture(c, request, responses))
        return rc;
    double lowest = 1e9;
    for (std::size_t ch = 0; ch < responses.size(); ++ch) {
        const dsp::LoopbackAnalysis a = dsp::analyseLoopback(responses[ch]);
        lowest = std::min(lowest, a.inr_dB);
        if (ch == 0)
            polarity = a.polarity;
    }
    inr = float(lowest);
    return Ok;
}

} // namespace

std::int16_t GetMixList(std::string& names)
{
    names.clear();
    return guardedValue<std::int16_t>(0, [&] {
        std::vector<std::string> mixers;
        for (int i = 0; i < kMaxListedMixers; ++i) {
            sound::MixerDescription d;
            if (!sound::mixerBackend().describe(i, -1, -1, 0, d))
                break;
            mixers.push_back(sound::sanitiseMixerName(d.name));
        }
        return listed(mixers, names);
    });
}

std::int16_t GetSrcList(std::int32_t mixer, std::string& names) { return lineList(mixer, false, names); }
std::int16_t GetDstList(std::int32_t mixer, std::string& names) { return lineList(mixer, true, names); }

void TestMixer(const std::string& logFile)
{
    guardedVoid([&] {
        std::ofstream out(logFile, std::ios::app | std::ios::binary);
        if (!out)
            return;
        auto& m = sound::mixerBackend();
        out << "Mixer test\r\n";
        for (int i = 0; i < kMaxListedMixers; ++i) {
            sound::MixerDescription d;
            if (!m.describe(i, -1, -1, 0, d))
                break;
            out << "Mixer " << i << ": " << sound::sanitiseMixerName(d.name) << " (devices " << d.device1 << ' '
                << d.device2 << ' ' << d.device3 << ")\r\n";
            for (bool playback : {true, false}) {
                std::vector<std::string> lines;
                m.lines(i, playback, lines);
                out << (playback ? "  playback lines:" : "  recording lines:");
                for (const std::string& l : lines)
                    out << ' ' << sound::sanitiseMixerName(l) << ';';
                out << "\r\n";
            }
            const std::pair<const char*, const sound::MixerControl*> controls[] = {
                {"Pm", &d.playbackMaster}, {"Ps", &d.playbackSecondary},
                {"Rm", &d.recordingMaster}, {"Rs", &d.recordingSecondary}};
            for (const auto& [label, control] : controls) {
                std::int32_t left = 0, right = 0;
                const bool read = control->id != -1 && m.getVolume(i, control->id, control->channels, left, right);
                out << "  " << label << ": id " << control->id << ", channels " << control->channels;
                if (read)
                    out << ", position " << left << ' ' << right;
                out << "\r\n";
            }
        }
        out << "\r\n";
    });
}

VResult GenCalSignal(std::int32_t rate_Hz, std::int16_t level1, std::int16_t level2)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (level1 < 0 || level1 != level2)
            return msg::BadArgument;
        if (rate_Hz <= 0)
            return msg::UnsupportedSampleRate;
        auto tone = std::make_shared<sound::StimulusPeriod>();
        const dsp::CalTone t = dsp::calToneFor(rate_Hz);
        tone->rate_Hz = rate_Hz;
        tone->order = 0; // no stimulus order: a tone capture is never taken for an MLS or sweep
        tone->played = dsp::calTonePeriod(t, level1 / kFullScale);
        std::shared_ptr<const sound::StimulusPeriod> shared = tone;
        if (VResult rc = engine().startStimulus(shared, 2))
            return rc;
        toneStarted() = shared;
        return Ok;
    });
}

void StopCalSignal()
{
    guardedVoid([] {
        const auto tone = toneStarted().lock();
        toneStarted().reset();
        if (tone && engine().currentStimulus() == tone)
            engine().stopStimulus();
    });
}

VResult MeasureCalSignal(std::int32_t rate_Hz, std::int16_t channels, CalSignalResult& result)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (rate_Hz <= 0)
            return msg::UnsupportedSampleRate;
        const dsp::CalTone t = dsp::calToneFor(rate_Hz);
        sound::CaptureResult c;
        if (VResult rc = capture(rate_Hz, std::int64_t(t.period), channels, c))
            return rc;
        double peak = 0, thdn = -1e9;
        float rms[2] = {-200, -200};
        for (std::size_t ch = 0; ch < c.average.size() && ch < 2; ++ch) {
            const dsp::ToneAnalysis a = dsp::analyseTone(c.average[ch], t, rate_Hz);
            peak = std::max(peak, a.peak);
            thdn = std::max(thdn, a.thdn_dB);
            rms[ch] = float(a.rms_dB);
        }
        result.peak = std::int16_t(std::clamp<long>(std::lround(peak * kMaxSample), 0, kMaxSample));
        result.padding = 0;
        result.rms_dB = rms[0];
        result.frequency_Hz = float(t.frequency_Hz);
        result.thdn_dB = float(thdn);
        result.rms2_dB = c.average.size() > 1 ? rms[1] : rms[0];
        return Ok;
    });
}

VResult MeasureMLSCalSignal(float& inr, std::int32_t& polarity, std::int16_t order, std::int16_t channels)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        const sound::Backend* b = engine().backend();
        if (!b || !b->isOpen())
            return msg::NoCalibrationSignal;
        int sign = 1;
        float value = 0;
        if (VResult rc = measureLoopback(sound::StimulusKind::Mls, order, channels, b->rate(), value, sign))
            return rc;
        inr = value;
        polarity = sign;
        return Ok;
    });
}

VResult MeasureSweepCalSignal(float& inr, std::int16_t order, std::int16_t channels, std::int32_t rate_Hz)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (rate_Hz <= 0)
            return msg::UnsupportedSampleRate;
        int sign = 1;
        float value = 0;
        if (VResult rc = measureLoopback(sound::StimulusKind::Sweep, order, channels, rate_Hz, value, sign))
            return rc;
        inr = value;
        return Ok;
    });
}

VResult ZeroPad(const std::string& fileName, std::int32_t length)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        WaveHeader header;
        std::vector<std::int16_t> samples;
        if (VResult rc = files::readResponse(fileName, header, &samples))
            return rc;
        const int channels = std::max<int>(header.format.Channels, 1);
        const std::int64_t frames = std::int64_t(samples.size()) / channels;
        if (length > files::kMaxFrames)
            return msg::FileTooLong;
        if (length < frames)
            return msg::BadArgument;
        if (length == frames)
            return Ok;
        samples.resize(std::size_t(length) * std::size_t(channels), 0);
        files::setPcm16Format(header, channels, header.format.SampleFrequency, length);
        return files::writeResponseWav(fileName, header, samples);
    });
}

VResult MakeCorrectionFile(const std::string& filterFile, std::int16_t stimulus, std::int16_t order,
                           std::int32_t rate_Hz)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (stimulus != StimulusInternalMls && stimulus != StimulusInternalSweep)
            return msg::BadArgument;
        const bool mls = stimulus == StimulusInternalMls;
        if (rate_Hz <= 0 || order < (mls ? 2 : 8) || order > 22)
            return msg::BadArgument;
        const sound::StimulusKind kind = mls ? sound::StimulusKind::Mls : sound::StimulusKind::Sweep;
        const std::string pcm = sound::preFilteredFileOf(filterFile, kind);
        if (pcm.empty())
            return msg::CalibrationFilesDiffer;
        // The card's earlier file stays where it is until the new one has replaced it whole (an atomic write), so a
        // make that fails leaves the correction the card had.
        const std::vector<double> plain = sound::referencePeriod(kind, order, rate_Hz, 0);
        std::vector<double> corrected;
        VResult written = msg::CalibrationFilesDiffer;
        if (VResult rc = sound::correctedPeriod(filterFile, kind, order, rate_Hz, plain, corrected, &written))
            return rc;
        // Only this make's own write counts: the earlier file would read back just as well.
        if (written)
            return written;
        sound::CorrectedStimulus check;
        return sound::readCorrectedStimulus(pcm, kind, order, rate_Hz, check);
    });
}

} // namespace vemra
