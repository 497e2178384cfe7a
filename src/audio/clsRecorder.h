#pragma once
// clsRecorder, the input side of the sound card (the global Recorder, made by the mixer). It owns the input busy
// flag and its lock, runs the continuous input that keeps the card recording while the measurement window is
// open, polls the input level every 20 ms while metering is on (VUUpdate), starts and aborts the one recording of
// a measurement, and turns a finished recording into a response file (Process).
//
// Every change of Busy emits RecorderBusy and unmutes (busy) or mutes (idle) the recording gain controls Rm, Rs.
// PreAvgCnt is read from "Measurement"/"PreAvgCount" (1..1000; anything else gives 1) at creation and written back
// at destruction. Results are 0 or a message id (library/Messages.h).
// Calling thread: the user-interface thread. Owner: the mixer.
#include "library/records.h"

#include <QObject>
#include <QString>
#include <cstdint>

class QTimer;

namespace vemra {

class clsRecorder final : public QObject {
    Q_OBJECT
public:
    explicit clsRecorder(QObject* parent = nullptr);
    ~clsRecorder() override;

    // One level poll (the meter timer's tick).
    void Timer();
    bool VUEnabled() const { return vuEnabled_; }
    // On: only while the input side is busy and its continuous input started (silently ignored otherwise); starts
    // the 20 ms poll. A failure is shown once, not again until metering has worked in between.
    void setVUEnabled(bool enabled);
    // Starts the capture of one measurement: 2^Length frames (2^Length - 1 for the MLS codes 1 and 2) times
    // PreAvgCnt at Player.PlayFreq. Busy is neither checked nor changed.
    std::int16_t Record(std::int16_t stimulus);
    std::int16_t StartRecorder();
    std::int16_t StopRecorder();
    // Has the library turn the finished capture into a response file, stamped with the measurement record; the
    // new file's name comes back in fileName.
    std::int16_t Process(QString& fileName, std::int16_t stimulus, std::int16_t receiver);
    std::int16_t PreAvgCnt() const { return preAvgCnt_; }
    void setPreAvgCnt(std::int16_t count) { preAvgCnt_ = count; }
    std::int16_t Channels() const { return channels_; }
    // Clamped to MaxChannels; a change while busy restarts the continuous input (a failure is shown unless the
    // input failed the same way before).
    void setChannels(std::int16_t channels);
    bool Busy() const { return busy_; }
    void setMute(bool mute);
    std::int16_t LockRecorder();
    void UnlockRecorder();
    // Rs.Channels when it is 1 or 2, else Rm.Channels.
    std::int16_t MaxChannels() const;
    void Abort();
    // Stops and starts the continuous input (its failure is shown here); always 0.
    std::int16_t Restart();
    // The message of the last start of the continuous input (0: it runs), already shown to the user.
    std::int16_t InputError() const { return lastInputError_; }
    // How many failures the recorder has shown so far (its restarts, channel changes and meters).
    int FailuresShown() const { return failuresShown_; }

    // The records Process hands to the library, as they would be filled now (also used by the import).
    MeasurementInfo measurementInfo(std::int16_t stimulus, std::int16_t receiver) const;
    MeasurementGains measurementGains() const;
    // 1 with a calibration in use and an internal stimulus (1 or 5), else Mixer.Sign.
    std::int16_t processSign(std::int16_t stimulus) const;

    static constexpr int kVuInterval_ms = 20;
    QTimer* vuTimer() const { return timer_; }

signals:
    void RecorderBusy(bool busy);
    void VUUpdate(std::int16_t VULeft, std::int16_t VURight);

private:
    void StartTimer(int interval_ms);
    void StopTimer();
    void setBusy(bool busy);
    void show(std::int16_t code);

    QTimer* timer_ = nullptr;
    bool vuEnabled_ = false;
    std::int16_t preAvgCnt_ = 1;
    std::int16_t channels_ = 1;
    bool busy_ = false;
    std::int16_t lastInputError_ = 0; // the message of the last StartRecorder; 0: it started
    std::int16_t lastVuError_ = 0;    // the failure of StartVU shown last
    int failuresShown_ = 0;
};

// Seconds of local wall-clock time from 1 January 1980 00:00 to now (the measurement record's time stamp).
std::int32_t TimeStampNow();

} // namespace vemra
