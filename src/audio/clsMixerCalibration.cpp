// The sound-card calibration in use: LoadCalibration makes the calibration chosen in the options the one in force.
#include "audio/AudioGlobals.h"
#include "audio/CalibrationRecord.h"
#include "audio/SoundSysNames.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsVolume.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/clsOptions.h"
#include "library/Messages.h"

#include <cmath>
#include <functional>

namespace vemra {

void clsMixer::replaceVolumes()
{
    // Each control goes back to the volume it had before, in this order, before the new ones take over.
    for (auto* control : {&pm_, &rm_, &ps_, &rs_})
        control->reset();
    pm_ = std::make_unique<clsVolume>();
    rm_ = std::make_unique<clsVolume>();
    ps_ = std::make_unique<clsVolume>();
    rs_ = std::make_unique<clsVolume>();
    setVolumeGlobals();
}

void clsMixer::loadValues()
{
    // The whole record is read before any of it is used.
    const CalibrationRecord record = ReadCalibrationRecord(section_);
    rawAdcMax_ = record.adcMax;
    adcMax_dB_ = float(20.0 * std::log10(rawAdcMax_ / double(kMaxSample)));
    mlsDacMax_ = record.mlsDacMax;
    swpDacMax_ = record.swpDacMax;
    sign_ = record.sign;
    clsVolume* const controls[] = {Pm, Rm, Ps, Rs};
    for (std::size_t c = 0; c < record.curves.size(); ++c) {
        const GainCurveRecord& curve = record.curves[c];
        controls[c]->setControlID(curve.controlId);
        for (std::size_t i = 0; i < curve.steps.size(); ++i) {
            controls[c]->setVolStepVolume(int(i), curve.steps[i].first);
            controls[c]->setVolStepRms(int(i), curve.steps[i].second);
        }
        controls[c]->setChannels(curve.channels);
    }
}

void clsMixer::LoadCalibration()
{
    auto defaults = [&] {
        if (Player) {
            Player->setMLSDACVolume(clsPlayer::kDefaultDacVolume);
            Player->setSWPDACVolume(clsPlayer::kDefaultDacVolume);
        }
        rawAdcMax_ = kMaxSample;
        adcMax_dB_ = 0;
        sign_ = 1;
    };
    defaults();
    guarded(
        "LoadCalibration",
        [&] {
            if (!Options || !Options->UseCal())
                return;
            section_ = kSoundSysSection;
            const QString chosen = Options->Calibration();
            const QString listed = GetSetting(kSoundSysSection, chosen, QString());
            section_ = CalibrationSection(listed.isEmpty() ? chosen : listed);

            const QString identity = GetSetting(section_, QStringLiteral("Mixer"), QStringLiteral("0"));
            setID(FindMixerID(identity));
            if (identity.isEmpty() || !CheckMixer()) {
                Options->setUseCal(false);
                HandleError(msg::Recalibrate);
                return;
            }

            replaceVolumes();
            GetIDs(-1, -1);
            selectDevicesOnce();
            loadValues();

            const std::int32_t rate = ReadCalibrationRate(section_, Options->SampleFrequency());
            Player->setMLSDACVolume(std::int16_t(mlsDacMax_));
            Player->setSWPDACVolume(std::int16_t(swpDacMax_));
            Player->setPlayFreq(rate);
            Options->setSampleFrequency(rate);
            // At the rate the card will now run at.
            checkFullDuplex();
        },
        std::function<void()>([&] {
            // A calibration that cannot be read is not used: the defaults stay in force.
            defaults();
            if (Options)
                Options->setUseCal(false);
        }));
    if (Player)
        Player->CalcSpeechScaling(FingerPrint());
}

} // namespace vemra
