#include "audio/clsRecorder.h"

#include "audio/AudioGlobals.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsVolume.h"
#include "core/Errors.h"
#include "core/Settings.h"
#include "library/Codes.h"
#include "library/Messages.h"
#include "library/api_sound.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace vemra {

namespace {

const QString kMeasurement = QStringLiteral("Measurement");
const QString kPreAvgCount = QStringLiteral("PreAvgCount");
constexpr int kMaxPreAverages = 1000; // what the library accepts

} // namespace

clsRecorder::clsRecorder(QObject* parent) : QObject(parent)
{
    preAvgCnt_ = std::int16_t(ReadInteger(kMeasurement, kPreAvgCount, 1, kMaxPreAverages).value_or(1));
}

clsRecorder::~clsRecorder()
{
    if (vuEnabled_)
        StopVU();
    StopTimer();
    if (busy_)
        StopRecorder();
    setMute(true);
    SaveSetting(kMeasurement, kPreAvgCount, QString::number(preAvgCnt_));
}

void clsRecorder::setBusy(bool busy)
{
    busy_ = busy;
    setMute(!busy);
    emit RecorderBusy(busy);
}

void clsRecorder::show(std::int16_t code)
{
    ++failuresShown_;
    HandleError(code);
}

std::int16_t clsRecorder::StartRecorder()
{
    setBusy(true);
    const std::int16_t rc = StartContRecording(Player ? Player->PlayFreq() : 0, channels_);
    lastInputError_ = rc;
    return rc;
}

std::int16_t clsRecorder::StopRecorder()
{
    const std::int16_t rc = StopContRecording();
    setBusy(false);
    return rc;
}

std::int16_t clsRecorder::LockRecorder()
{
    if (busy_)
        return msg::BusyPlaying;
    setBusy(true);
    return 0;
}

void clsRecorder::UnlockRecorder()
{
    if (busy_)
        setBusy(false);
}

std::int16_t clsRecorder::Restart()
{
    StopRecorder();
    if (const std::int16_t rc = StartRecorder())
        show(rc);
    return 0;
}

void clsRecorder::setVUEnabled(bool enabled)
{
    if (enabled) {
        // Without a running input there is nothing to meter, and its failure has been told already.
        if (vuEnabled_ || !busy_ || lastInputError_ != 0)
            return;
        if (const std::int16_t rc = StartVU(Player ? Player->PlayFreq() : 0, channels_)) {
            // The meters are switched on after every choice in the measurement window: one box per failure.
            if (rc != lastVuError_)
                show(rc);
            lastVuError_ = rc;
            return;
        }
        lastVuError_ = 0;
        vuEnabled_ = true;
        StartTimer(kVuInterval_ms);
    } else if (vuEnabled_) {
        StopTimer();
        StopVU();
        vuEnabled_ = false;
    }
}

void clsRecorder::StartTimer(int interval_ms)
{
    if (!timer_) {
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, &clsRecorder::Timer);
    }
    timer_->stop();
    timer_->setInterval(interval_ms);
    timer_->start();
}

void clsRecorder::StopTimer()
{
    if (timer_)
        timer_->stop();
}

void clsRecorder::Timer()
{
    if (!vuEnabled_)
        return;
    std::int16_t left = -1, right = -1;
    GetVU(left, right, 1, Mixer ? Mixer->ADCmax() : 0.0f);
    emit VUUpdate(left, right);
}

std::int16_t clsRecorder::Record(std::int16_t stimulus)
{
    const int order = Player ? Player->Length() : 0;
    const bool mls = stimulus == StimulusInternalMls || stimulus == StimulusExternalMls;
    // Orders beyond what the library takes would overflow the count: it refuses them by their count instead.
    const double count = order >= 0 && order <= 30 ? std::pow(2.0, order) - (mls ? 1 : 0) : 0;
    return StartRecording(Player ? Player->PlayFreq() : 0, std::int32_t(std::lround(count)), preAvgCnt_);
}

void clsRecorder::Abort()
{
    StopRecording();
}

std::int16_t clsRecorder::MaxChannels() const
{
    if (Rs && (Rs->Channels() == 1 || Rs->Channels() == 2))
        return Rs->Channels();
    return Rm ? Rm->Channels() : 1;
}

void clsRecorder::setChannels(std::int16_t channels)
{
    if (channels == channels_)
        return;
    channels = std::min(channels, std::max<std::int16_t>(1, MaxChannels()));
    if (channels == channels_ || !busy_) {
        channels_ = channels;
        return;
    }
    channels_ = channels;
    const std::int16_t before = lastInputError_;
    StopRecorder();
    // An input that failed the same way before is not told again for every change of the receiver.
    if (const std::int16_t rc = StartRecorder(); rc != 0 && rc != before)
        show(rc);
}

void clsRecorder::setMute(bool mute)
{
    for (clsVolume* control : {Rm, Rs})
        if (control && control->ControlID() != -1)
            control->setMute(mute);
}

} // namespace vemra
