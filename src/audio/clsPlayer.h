#pragma once
// clsPlayer, the output side of the sound card (the global Player, made by the mixer). It holds the stimulus
// parameters (rate, sequence order, output channels, stimulus code, source filter, DAC levels), starts the
// internal MLS or sweep through the library with the correction file of the current card, rate and order, stops
// it, and owns the output busy flag and its lock. Every change of Busy emits PlayerBusy and unmutes (busy) or
// mutes (idle) the playback gain controls Pm and Ps.
//
// The correction file of a start is "<CalibrationFolder>/<fingerprint> <rate> <order>_mls.pcm" (or "_swp.pcm"),
// else ".mls_flt.wav" (".swp_flt.wav") in place of the 8-character ending, else none. A change of Channels while
// a stimulus plays restarts the same stimulus with the same correction file.
// Length is read from "Measurement"/"PRNLength" (orders 13..22; anything else gives 14) at creation and written
// back at destruction. PlayFreq follows Options.SampleFrequency on every SettingChanged.
// Calling thread: the user-interface thread. Owner: the mixer.
#include <QObject>
#include <QString>
#include <cstdint>

namespace vemra {

class clsPlayer final : public QObject {
    Q_OBJECT
public:
    explicit clsPlayer(QObject* parent = nullptr);
    ~clsPlayer() override;

    // Hz.
    std::int32_t PlayFreq() const { return playFreq_; }
    void setPlayFreq(std::int32_t rate_Hz) { playFreq_ = rate_Hz; }
    // Sequence order n: 2^n samples (2^n - 1 for an MLS).
    std::int16_t Length() const { return length_; }
    void setLength(std::int16_t order) { length_ = order; }
    // Starts the stimulus of Stimulus (1 internal MLS, 5 internal sweep; other codes play nothing and give 0):
    // 0, msg::BusyPlaying, or the library's message (shown here as well). useCorrection false: no correction
    // file; with a name: that file; without a name: the card's own file while a calibration is in use.
    std::int16_t Play(bool useCorrection, const QString& correctionFile = QString());
    // Stops a stimulus this player started; nothing when none plays (also when locked).
    void Silence();
    bool Busy() const { return busy_; }
    bool Playing() const { return playing_; }
    std::int16_t Channels() const { return channels_; }
    void setChannels(std::int16_t channels);
    // 0 and the output marked busy, or msg::BusyPlaying with nothing changed.
    std::int16_t LockPlayer();
    void UnlockPlayer();
    std::int16_t MLSDACVolume() const { return mlsDacVolume_; }
    void setMLSDACVolume(std::int16_t level) { mlsDacVolume_ = level; }
    std::int16_t SWPDACVolume() const { return swpDacVolume_; }
    void setSWPDACVolume(std::int16_t level) { swpDacVolume_ = level; }
    // The orders the measurement window offers at Options.SampleFrequency (one more with LongSignals).
    std::int16_t MinLength() const;
    std::int16_t MaxLength() const;
    std::int16_t Stimulus() const { return stimulus_; }
    void setStimulus(std::int16_t code) { stimulus_ = code; }
    std::int16_t Filter() const { return filter_; }
    void setFilter(std::int16_t code) { filter_ = code; }
    // Has the library work out the level factors of the shaped stimuli for this card.
    void CalcSpeechScaling(const QString& fingerPrint);

    // What the next MLS and sweep starts pass as speech scale, and the correction file of the running stimulus.
    float mlsSpeechScale() const { return mlsSpeechScale_; }
    float sweepSpeechScale() const { return sweepSpeechScale_; }
    QString playingCorrectionFile() const { return playingFile_; }
    // The stimulus code of the running stimulus (1 or 5), 0 when none plays.
    std::int16_t playingStimulus() const { return !playing_ ? 0 : playingKind_ == Kind::Mls ? 1 : 5; }

    static constexpr std::int16_t kDefaultLength = 14;
    static constexpr std::int16_t kDefaultDacVolume = 16384;

signals:
    void PlayerBusy(bool busy);

private:
    enum class Kind { Mls, Sweep };
    std::int16_t PlayMLS(bool useCorrection, const QString& file) { return start(Kind::Mls, chooseFile(Kind::Mls, useCorrection, file)); }
    std::int16_t PlaySweep(bool useCorrection, const QString& file) { return start(Kind::Sweep, chooseFile(Kind::Sweep, useCorrection, file)); }
    QString chooseFile(Kind kind, bool useCorrection, const QString& file) const;
    std::int16_t start(Kind kind, const QString& file);
    void mOptions_SettingChanged();
    void Mute(bool mute);
    void setBusy(bool busy);

    std::int32_t playFreq_ = 48000;
    std::int16_t mlsDacVolume_ = kDefaultDacVolume;
    std::int16_t swpDacVolume_ = kDefaultDacVolume;
    std::int16_t length_ = kDefaultLength;
    std::int16_t channels_ = 1;
    std::int16_t stimulus_ = 1;
    std::int16_t filter_ = 0;
    bool playing_ = false;
    bool busy_ = false;
    float mlsSpeechScale_ = 1.0f;
    float sweepSpeechScale_ = 1.0f;
    // The running stimulus, for a restart.
    Kind playingKind_ = Kind::Mls;
    QString playingFile_;
};

} // namespace vemra
