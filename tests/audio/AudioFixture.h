#pragma once
// Shared by the audio tests: the program's engine on a stepped virtual card, a mixer backend that logs every call
// (and can pretend to hold more mixers than the virtual one), the options, and helpers to store a calibration.
#include "audio/AudioGlobals.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "audio/clsVolume.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "core/clsOptions.h"
#include "library/api_sound.h"
#include "library/sound/Engine.h"
#include "library/sound/Mixer.h"
#include "library/sound/VirtualCard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QStringList>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace audiotest {

using namespace vemra;

inline ScriptedUiServices& scripted()
{
    return static_cast<ScriptedUiServices&>(UiServices::get());
}

// The titles of the error boxes shown so far ("Vemra - error (906)"), and the reports of run-time errors.
inline std::vector<int> shownErrors()
{
    std::vector<int> codes;
    for (const MessageRequest& r : scripted().messages)
        if (r.title.startsWith(QStringLiteral("Vemra - error (")))
            codes.push_back(r.title.mid(15).chopped(1).toInt());
    return codes;
}
inline int reportsNaming(const QString& procedure)
{
    int n = 0;
    for (const MessageRequest& r : scripted().messages)
        if (r.title == QStringLiteral("Vemra") && r.text.contains(QLatin1Char('\'') + procedure + QLatin1Char('\'')))
            ++n;
    return n;
}

// Mixer 0 is the virtual mixer (it drives the virtual card's gains); mixers 1 .. extraMixers are plain fakes
// named "Card <i>" with device numbers i, i + 1, i + 2. Every call is logged.
class SpyMixer final : public sound::MixerBackend {
public:
    explicit SpyMixer(std::shared_ptr<sound::VirtualGains> gains) : inner_(sound::makeVirtualMixer(std::move(gains))) {}

    int extraMixers = 0;
    std::vector<std::string> log;
    int describes = 0;

    bool describe(int mixer, int p, int r, int plan, sound::MixerDescription& out) override
    {
        ++describes;
        if (mixer >= 1 && mixer <= extraMixers) {
            out = {};
            out.name = "Card " + std::to_string(mixer);
            out.device1 = mixer;
            out.device2 = mixer + 1;
            out.device3 = mixer + 2;
            out.playbackMaster = {1000 + mixer, 2};
            out.recordingMaster = {2000 + mixer, 2};
            out.playbackSecondary = {3000 + mixer, 2};
            out.recordingSecondary = {4000 + mixer, 1};
            return true;
        }
        return inner_->describe(mixer, p, r, plan, out);
    }
    bool setVolume(int mixer, std::int32_t id, int channels, std::int32_t left, std::int32_t right) override
    {
        log.push_back("set " + std::to_string(id) + " " + std::to_string(left) + " " + std::to_string(right));
        return inner_->setVolume(mixer, id, channels, left, right);
    }
    bool getVolume(int mixer, std::int32_t id, int channels, std::int32_t& left, std::int32_t& right) override
    {
        log.push_back("get " + std::to_string(id));
        return inner_->getVolume(mixer, id, channels, left, right);
    }
    bool select(int mixer, int p, int r, int plan, bool save) override
    {
        log.push_back(save ? "select save" : "select");
        return inner_->select(mixer, p, r, plan, save);
    }
    bool restore(int mixer) override
    {
        log.push_back("restore");
        return inner_->restore(mixer);
    }
    bool lines(int mixer, bool playback, std::vector<std::string>& names) override
    {
        if (mixer >= 1 && mixer <= extraMixers) {
            names = {playback ? "Line out" : "Line in"};
            return true;
        }
        return inner_->lines(mixer, playback, names);
    }

    int count(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& entry : log)
            n += entry.rfind(prefix, 0) == 0;
        return n;
    }

private:
    std::unique_ptr<sound::MixerBackend> inner_;
};

// The virtual mixer's controls: playback master and secondary, recording master and secondary.
inline std::int32_t virtualControl(const char* element) { return sound::mixerControlId("virtual", element, 0); }

class AudioTest : public testing::Test {
protected:
    sound::VirtualCard* card = nullptr;
    SpyMixer* spy = nullptr;

    void SetUp() override
    {
        setenv("VEMRA_SOUND_BACKEND", "virtual", 1);
        scripted().clear();
        for (const char* section : {"SoundSys", "Setup", "Measurement", "Dir"})
            DeleteSetting(QLatin1String(section));
        installCard(cardConfig());
        Options = new clsOptions(nullptr, [](std::int32_t, float) {});
    }
    void TearDown() override
    {
        ReleaseMixer();
        delete Options;
        Options = nullptr;
        sound::Engine::instance().setClock(nullptr);
        sound::Engine::instance().setBackend(nullptr);
        sound::setMixerBackend(nullptr);
        QCoreApplication::processEvents();
    }

    // The card of the tests: a short room, no noise, stepped by the test.
    virtual sound::VirtualCardConfig cardConfig()
    {
        sound::VirtualCardConfig c;
        c.response.assign(200, 0.0);
        c.response[20] = 0.5;
        c.response[60] = -0.25;
        return c;
    }
    void installCard(sound::VirtualCardConfig config)
    {
        auto c = std::make_unique<sound::VirtualCard>(std::move(config));
        card = c.get();
        sound::Engine::instance().setBackend(std::move(c));
        auto m = std::make_unique<SpyMixer>(card->gains());
        spy = m.get();
        sound::setMixerBackend(std::move(m));
    }

    // A calibration stored under key "1" with this description, for the virtual mixer, with curves that follow
    // the virtual mixer's gain law (position p: -60 + 60 p / 65535 dB) in steps of `step_dB`.
    static QString gainCurve(const char* element, int steps, double step_dB)
    {
        QString curve = QString::number(virtualControl(element)) + QLatin1Char(';');
        for (int k = 0; k <= steps; ++k) {
            const double level = -k * step_dB;
            const auto position = std::int32_t(std::lround(65535.0 * (60.0 + level) / 60.0));
            curve += QStringLiteral("%1=%2;").arg(position).arg(level, 0, 'f', 2);
        }
        return curve;
    }
    static void storeCalibration(const QString& description, std::int32_t rate = 48000, int steps = 4,
                                 double step_dB = 3.0)
    {
        SaveSetting(QStringLiteral("SoundSys"), QStringLiteral("1"), description);
        const QString section = QStringLiteral("SoundSys\\") + description;
        SaveSetting(section, QStringLiteral("Mixer"), QStringLiteral("Virtual sound card"));
        SaveSetting(section, QStringLiteral("PSeq"), QStringLiteral("-1"));
        SaveSetting(section, QStringLiteral("RSeq"), QStringLiteral("-1"));
        SaveSetting(section, QStringLiteral("PlanB"), QStringLiteral("0"));
        SaveSetting(section, QStringLiteral("Pm"), gainCurve("Master", steps, step_dB));
        SaveSetting(section, QStringLiteral("Ps"), gainCurve("PCM", 0, step_dB));
        SaveSetting(section, QStringLiteral("Rm"), gainCurve("Capture", steps, step_dB));
        SaveSetting(section, QStringLiteral("Rs"), gainCurve("Mic", 2, step_dB));
        for (const char* key : {"PmChannels", "PsChannels", "RmChannels", "RsChannels"})
            SaveSetting(section, QLatin1String(key), QStringLiteral("2"));
        SaveSetting(section, QStringLiteral("ADCmax"), QStringLiteral("32767"));
        SaveSetting(section, QStringLiteral("MLSDACmax"), QStringLiteral("16000"));
        SaveSetting(section, QStringLiteral("SWPDACmax"), QStringLiteral("15000"));
        SaveSetting(section, QStringLiteral("Sign"), QStringLiteral("1"));
        SaveSetting(section, QStringLiteral("Frequency"), QString::number(rate));
    }
    // Stores the calibration and puts it in use in the options (before the mixer exists).
    static void useCalibration(const QString& description, std::int32_t rate = 48000)
    {
        storeCalibration(description, rate);
        Options->setCalibration(description);
        Options->setUseCal(true);
    }
};

} // namespace audiotest
