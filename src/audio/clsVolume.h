#pragma once
// clsVolume, one gain control of the sound card's mixer: the globals Pm (playback master), Rm (recording master),
// Ps (playback secondary) and Rs (recording secondary). It sets and remembers the left and right volume (mixer
// positions 0..65535) of its control through the library, mutes it and unmutes it to the remembered volume,
// keeps the calibrated step table (entry 0 the reference step at 0 dB, positions falling, levels in dB below the
// reference) and gives the control back the volume it had when this object took it over.
//
// Volumes set while muted are remembered and reach the mixer on unmute. The library is called on every Mute
// assignment, also for control id -1 (the library ignores unknown controls). Reading a step outside 0..Steps()
// throws the range error (9); setting one at a negative index is ignored. The table never shrinks.
// Calling thread: the user-interface thread. Owner: the mixer (clsMixer), which replaces all four objects when a
// calibration is loaded, so code that keeps one must take it from the global again afterwards.
#include <cstdint>
#include <vector>

namespace vemra {

class clsVolume {
public:
    clsVolume();
    ~clsVolume(); // gives the control back its saved volume
    clsVolume(const clsVolume&) = delete;
    clsVolume& operator=(const clsVolume&) = delete;

    std::int32_t Volume() const { return volume1_; }
    void setVolume(std::int32_t value);
    std::int32_t Volume1() const { return volume1_; }
    void setVolume1(std::int32_t value);
    std::int32_t Volume2() const { return volume2_; }
    void setVolume2(std::int32_t value);
    std::int32_t ControlID() const { return controlId_; }
    // Takes over another control: the old one gets its saved volume back, the new one's volume is saved, and the
    // control is muted. Nothing happens for the present id.
    void setControlID(std::int32_t id);
    // Highest index of the step table.
    std::int16_t Steps() const { return std::int16_t(steps_.size() - 1); }
    float VolStepRms(int index) const;
    void setVolStepRms(int index, float level_dB);
    std::int32_t VolStepVolume(int index) const;
    void setVolStepVolume(int index, std::int32_t position);
    // Level (dB) of the last step whose position is at or above the volume (channel 1, channel 2).
    float VolumedB() const { return VolumedB1(); }
    float VolumedB1() const { return levelOf(volume1_); }
    float VolumedB2() const { return levelOf(volume2_); }
    std::int16_t Channels() const { return channels_; }
    void setChannels(std::int16_t channels) { channels_ = channels; }
    bool Mute() const { return mute_; }
    void setMute(bool mute);
    std::int32_t MixerID() const { return mixerId_; }
    void setMixerID(std::int16_t id) { mixerId_ = id; }

    // The largest step index the table takes.
    static constexpr int kMaxStep = 32767;

private:
    struct Step {
        std::int32_t position = 0;
        float level_dB = 0;
    };
    Step& grow(int index);
    const Step& at(int index) const;
    float levelOf(std::int32_t volume) const;
    void send(std::int32_t left, std::int32_t right) const;

    std::int32_t volume1_ = -1;
    std::int32_t volume2_ = -1;
    std::int32_t saved1_ = 0;
    std::int32_t saved2_ = 0;
    std::int32_t mixerId_ = -1;
    std::int32_t controlId_ = -1;
    std::int16_t channels_ = 2;
    std::vector<Step> steps_ = std::vector<Step>(1);
    bool mute_ = false;
};

} // namespace vemra
