#include "audio/clsPlayer.h"

#include "audio/AudioGlobals.h"
#include "audio/SoundSysNames.h"
#include "audio/clsMixer.h"
#include "audio/clsVolume.h"
#include "core/Errors.h"
#include "core/Globals.h"
#include "core/NativePath.h"
#include "core/Settings.h"
#include "core/clsOptions.h"
#include "library/Codes.h"
#include "library/Messages.h"
#include "library/api_sound.h"

#include <QApplication>
#include <QFileInfo>

namespace vemra {

namespace {

const QString kMeasurement = QStringLiteral("Measurement");
const QString kPrnLength = QStringLiteral("PRNLength");

// The orders the library can play at all.
constexpr int kLowestOrder = 13;
constexpr int kHighestOrder = 22;

} // namespace

clsPlayer::clsPlayer(QObject* parent) : QObject(parent)
{
    length_ = std::int16_t(
        ReadInteger(kMeasurement, kPrnLength, kLowestOrder, kHighestOrder).value_or(kDefaultLength));
    if (Options) {
        playFreq_ = Options->SampleFrequency();
        connect(Options, &clsOptions::SettingChanged, this, &clsPlayer::mOptions_SettingChanged);
    }
}

clsPlayer::~clsPlayer()
{
    if (playing_)
        Silence();
    SaveSetting(kMeasurement, kPrnLength, QString::number(length_));
}

void clsPlayer::mOptions_SettingChanged()
{
    if (Options)
        playFreq_ = Options->SampleFrequency();
}

std::int16_t clsPlayer::MinLength() const
{
    switch (Options ? Options->SampleFrequency() : 0) {
    case 22050: return 13;
    case 44100:
    case 48000: return 14;
    case 96000: return 15;
    default: return 13;
    }
}

std::int16_t clsPlayer::MaxLength() const
{
    std::int16_t max = 21;
    switch (Options ? Options->SampleFrequency() : 0) {
    case 22050: max = 19; break;
    case 44100:
    case 48000: max = 20; break;
    default: break;
    }
    return std::int16_t(max + (LongSignals ? 1 : 0));
}

std::int16_t clsPlayer::Play(bool useCorrection, const QString& correctionFile)
{
    if (stimulus_ == StimulusInternalMls)
        return PlayMLS(useCorrection, correctionFile);
    if (stimulus_ == StimulusInternalSweep)
        return PlaySweep(useCorrection, correctionFile);
    return 0;
}

QString clsPlayer::chooseFile(Kind kind, bool useCorrection, const QString& file) const
{
    const bool useCal = Options && Options->UseCal();
    if (!useCorrection || (!useCal && file.isEmpty()))
        return {};
    if (!file.isEmpty())
        return file;
    const QString fingerPrint = Mixer ? Mixer->FingerPrint() : QString();
    const bool mls = kind == Kind::Mls;
    const QString first = CorrectionFileName(fingerPrint, playFreq_, length_, mls ? "_mls.pcm" : "_swp.pcm");
    if (QFileInfo::exists(first))
        return first;
    const QString second = first.left(first.size() - 8) + (mls ? ".mls_flt.wav" : ".swp_flt.wav");
    if (QFileInfo::exists(second))
        return second;
    return {};
}

std::int16_t clsPlayer::start(Kind kind, const QString& file)
{
    if (busy_)
        return msg::BusyPlaying;
    if (playing_)
        return 0;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    Mute(false);
    std::string correction = NativePath(file);
    const std::int16_t rc
        = kind == Kind::Mls
              ? StartMLS(channels_, length_, playFreq_, mlsDacVolume_, correction, filter_, mlsSpeechScale_)
              : StartSweep(channels_, length_, playFreq_, swpDacVolume_, correction, filter_, sweepSpeechScale_);
    QApplication::restoreOverrideCursor();
    if (rc == 0) {
        playingKind_ = kind;
        playingFile_ = file;
        playing_ = true;
        setBusy(true);
    } else {
        Mute(true);
        // A correction file that cannot be used is named, so the user knows which one to renew.
        const bool fileRefused = rc == msg::CannotRead || rc == msg::CalibrationFilesDiffer;
        HandleError(rc, fileRefused ? file : QString());
    }
    return rc;
}

void clsPlayer::Silence()
{
    if (!playing_)
        return;
    Mute(true);
    StopPlaying();
    busy_ = false;
    playing_ = false;
    emit PlayerBusy(false);
}

void clsPlayer::setChannels(std::int16_t channels)
{
    const bool changed = channels != channels_;
    channels_ = channels;
    if (changed && playing_) {
        // The same stimulus again, with the same correction, on the new channels.
        const Kind kind = playingKind_;
        const QString file = playingFile_;
        Silence();
        start(kind, file);
    }
}

void clsPlayer::setBusy(bool busy)
{
    busy_ = busy;
    Mute(!busy);
    emit PlayerBusy(busy);
}

std::int16_t clsPlayer::LockPlayer()
{
    if (busy_)
        return msg::BusyPlaying;
    setBusy(true);
    return 0;
}

void clsPlayer::UnlockPlayer()
{
    if (busy_)
        setBusy(false);
}

void clsPlayer::Mute(bool mute)
{
    for (clsVolume* control : {Pm, Ps})
        if (control && control->ControlID() != -1)
            control->setMute(mute);
}

void clsPlayer::CalcSpeechScaling(const QString& fingerPrint)
{
    std::string prefix;
    if (Options && Options->UseCal())
        prefix = NativePath(CorrectionPrefix(fingerPrint, playFreq_));
    mlsSpeechScale_ = float(mlsDacVolume_);
    sweepSpeechScale_ = float(swpDacVolume_);
    ScaleSpeech(playFreq_, prefix, mlsSpeechScale_, sweepSpeechScale_);
}

} // namespace vemra
