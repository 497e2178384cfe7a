#pragma once
// clsMixer, the program's one view of the sound card (the global Mixer). Creating it sets the globals and creates
// the recorder, the player and the four gain controls Pm, Rm, Ps, Rs; it selects the wave devices, checks full
// duplex and loads the sound-card calibration chosen in the options (LoadCalibration). While a calibration is in
// use at start-up it saves the card's mixer settings and puts the gain controls on their starting steps, muted;
// the settings saved then are restored when the mixer is released, and only then.
//
// FingerPrint identifies the mixer for the stored calibrations: its name, or its three device numbers when a key
// of the settings section "SoundSys" begins with that name. MixerBusy(PBusy, RBusy) follows every busy event of
// the player and the recorder. Full duplex is checked at the rate the player actually uses, again whenever that
// rate changes. Mixer scans stop after kMaxMixers indices.
// Failures of the library's mixer calls go to HandleError; run-time errors to ReportError under the procedure's
// name, after which the procedure ends with what it had.
// Calling thread: the user-interface thread.
#include "library/Codes.h"
#include "library/api_sound.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

namespace vemra {

class clsPlayer;
class clsRecorder;
class clsVolume;

class clsMixer final : public QObject {
    Q_OBJECT
public:
    explicit clsMixer(QObject* parent = nullptr);
    ~clsMixer() override;

    bool FullDuplex() const { return fullDuplex_; }
    // Checks full duplex again at the player's rate, for devices selected by other means since.
    void CheckFullDuplex() { checkFullDuplex(); }
    // Runs the sound-card calibration wizard (CalibrateSoundCardHook), then loads the calibration in use afresh.
    void CalibrateSoundCard();
    // Remembers the mixer's state and puts the chosen lines in use; RestoreSettings brings the state back.
    void SaveSettings();
    void RestoreSettings();
    // Fills the record for the chosen lines (-1: from the calibration, -2: none, else that line) and hands the
    // mixer id, control ids and channel counts to the four gain controls.
    void GetIDs(std::int16_t PSeq, std::int16_t RSeq);
    // Makes the calibration chosen in the options the one in force (clsMixerCalibration.cpp).
    void LoadCalibration();
    // Input full scale in dB (0 without a calibration).
    float ADCmax() const { return adcMax_dB_; }
    std::int16_t PSeqNo() const { return std::int16_t(record_.PSeq); }
    std::int16_t RSeqNo() const { return std::int16_t(record_.RSeq); }
    // Polarity from the calibration (1 without one).
    std::int16_t Sign() const { return sign_; }
    QString FingerPrint() const;
    bool Busy() const { return pBusy_ || rBusy_; }
    void SetControls();
    std::int16_t ID() const { return record_.MixerID; }
    void setID(std::int16_t id) { record_.MixerID = id; }
    bool Closed() const { return !open_; }
    // False: opens the mixer of ID (when it exists); true: closes it. A failing open leaves it closed.
    void setClosed(bool closed);
    void SelectDevices();
    std::int16_t PlanB() const { return record_.PlanB; }
    void setPlanB(std::int16_t plan) { record_.PlanB = plan; }

    // What the calibration in use gave (for the wizard and the tests).
    const MixerControlRecord& record() const { return record_; }
    QString calibrationSection() const { return section_; }
    std::int32_t rawADCmax() const { return rawAdcMax_; }
    bool settingsSavedAtStartup() const { return savedAtStartup_; }

    static constexpr int kMaxMixers = 32;

signals:
    void MixerBusy(bool PBusy, bool RBusy);

private:
    void MixerInit();
    bool CheckMixer() const;
    void mPlayer_PlayerBusy(bool busy);
    void mRecorder_RecorderBusy(bool busy);
    void InitVolumes();
    std::int16_t FindMixerID(const QString& text) const;
    void checkFullDuplex();
    void replaceVolumes();
    void loadValues();
    void selectDevicesOnce();
    void setVolumeGlobals();
    bool saveSettings();

    MixerControlRecord record_;
    bool fullDuplex_ = false;
    std::int32_t fullDuplexRate_ = 0;
    std::int16_t sign_ = 1;
    float adcMax_dB_ = 0;
    std::int32_t rawAdcMax_ = kMaxSample;
    std::int32_t mlsDacMax_ = kMaxSample;
    std::int32_t swpDacMax_ = kMaxSample;
    bool pBusy_ = false;
    bool rBusy_ = false;
    bool open_ = false;
    bool savedAtStartup_ = false;
    QString section_;

    std::unique_ptr<clsRecorder> recorder_;
    std::unique_ptr<clsPlayer> player_;
    std::unique_ptr<clsVolume> pm_, rm_, ps_, rs_;
};

// The device-number identity of a mixer record: each number with a leading blank when not negative, joined,
// trimmed ("0 1 2", "0-1 2").
QString DeviceFingerPrint(const MixerControlRecord& record);
// The mixer name of a record, cut at its first NUL and trimmed.
QString MixerNameOf(const MixerControlRecord& record);

} // namespace vemra
