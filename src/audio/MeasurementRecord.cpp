// The recorder's processing of a measurement: the two records that describe it, and the hand-over to the library.
#include "audio/AudioGlobals.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "audio/clsVolume.h"
#include "core/ErrorGuard.h"
#include "core/Globals.h"
#include "core/NativePath.h"
#include "core/Version.h"
#include "core/clsOptions.h"
#include "library/Codes.h"
#include "library/Messages.h"
#include "library/api_sound.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>

namespace vemra {

std::int32_t TimeStampNow()
{
    // Local wall-clock time counted as if it had no time zone, as the document reads it back.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime wall(now.date(), now.time(), Qt::UTC);
    const QDateTime epoch(QDate(1980, 1, 1), QTime(0, 0), Qt::UTC);
    return std::int32_t(std::clamp<qint64>(epoch.secsTo(wall), 0, INT32_MAX));
}

MeasurementInfo clsRecorder::measurementInfo(std::int16_t stimulus, std::int16_t receiver) const
{
    MeasurementInfo info;
    info.Stimulus = stimulus;
    info.Receiver = receiver;
    info.SourceFilter = Player ? Player->Filter() : std::int16_t(SourceFilterNone);
    info.AvgCount = preAvgCnt_;
    info.versionMajor = VersionMajor;
    info.versionMinor = VersionMinor;
    info.versionRevision = VersionRevision;
    info.time = TimeStampNow();
    info.padding = 0;
    info.ProbeDist = Options ? Options->ProbeDist() : 0.0f;
    info.Temperature = Options ? Options->Temperature() : 20.0f;
    info.IRStart[0] = info.IRStart[1] = -1;
    return info;
}

MeasurementGains clsRecorder::measurementGains() const
{
    MeasurementGains gains;
    gains.channelFactor[0] = gains.channelFactor[1] = 1.0f;
    auto dB = [](const clsVolume* control, int channel) {
        return !control ? 0.0f : channel == 0 ? control->VolumedB1() : control->VolumedB2();
    };
    gains.GainIntOut = dB(Pm, 0) + dB(Ps, 0);
    gains.GainExtOut = 0;
    for (int c = 0; c < 2; ++c) {
        gains.GainIntCha[c] = dB(Rm, c) + dB(Rs, c);
        gains.GainExtCha[c] = 0;
    }
    std::fill(std::begin(gains.GainCalCh1), std::end(gains.GainCalCh1), 0.0f);
    std::fill(std::begin(gains.GainCalCh2), std::end(gains.GainCalCh2), 0.0f);
    static constexpr char kNotCalibrated[] = "Not Calibrated";
    std::memset(gains.CalID, ' ', sizeof gains.CalID);
    std::memcpy(gains.CalID, kNotCalibrated, sizeof kNotCalibrated); // with its NUL
    return gains;
}

std::int16_t clsRecorder::processSign(std::int16_t stimulus) const
{
    const bool internal = stimulus == StimulusInternalMls || stimulus == StimulusInternalSweep;
    if (Options && Options->UseCal() && internal)
        return 1;
    return Mixer ? Mixer->Sign() : std::int16_t(1);
}

std::int16_t clsRecorder::Process(QString& fileName, std::int16_t stimulus, std::int16_t receiver)
{
    return guarded("clsRecorder::Process", std::int16_t(msg::BadArgument), [&]() -> std::int16_t {
        MeasurementInfo info = measurementInfo(stimulus, receiver);
        MeasurementGains gains = measurementGains();
        const std::int16_t sign = processSign(stimulus);
        std::string name = NativePath(fileName);
        const std::int16_t rc = ProcessRecording(name, Player ? Player->PlayFreq() : 0,
                                                 Player ? Player->Length() : 0, info, gains, sign,
                                                 Player ? Player->Filter() : std::int16_t(SourceFilterNone));
        fileName = PathFromNative(name);
        return rc;
    });
}

} // namespace vemra
