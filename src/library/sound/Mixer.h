#pragma once
// Mixer controls. The four gain controls of a measurement map to mixer elements: playback master, playback
// secondary (the chosen playback line), recording master and recording secondary (the chosen recording source).
// A control id is a stable hash of the element's identity (card id, element name and index), never -1, so a
// stored calibration finds the same control again. Positions 0..65535 map linearly onto the element's range.
// Mixer names are sanitised (letters, digits, blank, '_', '-', '.', '(' and ')' kept, other characters become
// '_', at most 31 characters) before they reach file names and settings keys.
// Backends: the ALSA simple mixer (real cards) and the virtual mixer of the virtual sound card.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vemra::sound {

struct VirtualGains;

struct MixerControl {
    std::int32_t id = -1;
    int channels = 0;
};

struct MixerDescription {
    std::string name; // sanitised
    int device1 = 0, device2 = 0, device3 = 0;
    MixerControl playbackMaster, playbackSecondary, recordingMaster, recordingSecondary;
};

class MixerBackend {
public:
    virtual ~MixerBackend() = default;
    // False when no mixer has that index.
    virtual bool describe(int mixerIndex, int playbackLine, int recordingLine, int plan, MixerDescription& out) = 0;
    virtual bool setVolume(int mixerIndex, std::int32_t controlId, int channels, std::int32_t left,
                           std::int32_t right) = 0;
    virtual bool getVolume(int mixerIndex, std::int32_t controlId, int channels, std::int32_t& left,
                           std::int32_t& right) = 0;
    // Puts the chosen lines in use (switches on; plan 1: every other recording source switched off); save:
    // remember the whole mixer state first.
    virtual bool select(int mixerIndex, int playbackLine, int recordingLine, int plan, bool save) = 0;
    virtual bool restore(int mixerIndex) = 0;
    // The names of the mixer's playback lines (playback true) or recording lines, by line number; false when no
    // mixer has that index. The default knows no lines.
    virtual bool lines(int mixerIndex, bool playback, std::vector<std::string>& names)
    {
        names.clear();
        MixerDescription d;
        return describe(mixerIndex, -1, -1, 0, d);
    }
};

std::string sanitiseMixerName(const std::string& name);
// The id of an element: FNV-1a of "card/name/index", 31 bits.
std::int32_t mixerControlId(const std::string& card, const std::string& element, int index);

// The virtual mixer: one mixer "Virtual sound card" with the elements "Master", "PCM" (playback), "Capture", "Mic"
// and "Line" (recording); its one playback line is "PCM", its recording lines are "Mic" (line 0, the microphone in
// the room; also when no line is chosen) and "Line" (line 1, the line input cabled to line-out: the converter pair
// alone, for the sound-card calibration), chosen by select(). Gain law: position p gives -60 + 60 p / 65535 dB,
// position 0 silence; the card's playback gain is Master x PCM, its recording gain per channel Capture x the chosen
// source's element.
std::unique_ptr<MixerBackend> makeVirtualMixer(std::shared_ptr<VirtualGains> gains);
double virtualMixerGain(std::int32_t position);
std::unique_ptr<MixerBackend> makeAlsaMixer();

// The program's mixer backend (virtual when VEMRA_SOUND_BACKEND=virtual, else ALSA); tests may replace it.
MixerBackend& mixerBackend();
void setMixerBackend(std::unique_ptr<MixerBackend> backend);

} // namespace vemra::sound
