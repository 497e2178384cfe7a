#include "library/sound/Mixer.h"

#include "library/sound/BackendFactory.h"
#include "library/sound/VirtualCard.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace vemra::sound {

std::string sanitiseMixerName(const std::string& name)
{
    std::string s;
    for (unsigned char c : name) {
        if (c == 0)
            break;
        const bool keep = std::isalnum(c) || c == ' ' || c == '_' || c == '-' || c == '.' || c == '(' || c == ')';
        s += keep ? static_cast<char>(c) : '_';
    }
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    s = s.substr(first, s.find_last_not_of(' ') - first + 1);
    if (s.size() > 31)
        s.resize(31);
    return s;
}

std::int32_t mixerControlId(const std::string& card, const std::string& element, int index)
{
    const std::string key = card + "/" + element + "/" + std::to_string(index);
    std::uint32_t h = 2166136261u;
    for (unsigned char c : key) {
        h ^= c;
        h *= 16777619u;
    }
    return static_cast<std::int32_t>(h & 0x7FFFFFFFu);
}

double virtualMixerGain(std::int32_t position)
{
    if (position <= 0)
        return 0.0;
    const double p = std::min(position, 65535) / 65535.0;
    return std::pow(10.0, (-60.0 + 60.0 * p) / 20.0);
}

namespace {

class VirtualMixer final : public MixerBackend {
public:
    explicit VirtualMixer(std::shared_ptr<VirtualGains> gains) : gains_(std::move(gains))
    {
        for (auto& e : elements_)
            e.left = e.right = 65535;
        apply();
    }

    bool describe(int mixerIndex, int, int recordingLine, int, MixerDescription& out) override
    {
        if (mixerIndex != 0)
            return false;
        out.name = "Virtual sound card";
        out.device1 = 0;
        out.device2 = 0;
        out.device3 = 0;
        out.playbackMaster = {idOf(0), 2};
        out.playbackSecondary = {idOf(1), 2};
        out.recordingMaster = {idOf(2), 2};
        out.recordingSecondary = {idOf(recordingLine == kLineIn ? 4 : 3), 2};
        return true;
    }
    bool setVolume(int mixerIndex, std::int32_t controlId, int, std::int32_t left, std::int32_t right) override
    {
        Element* e = find(mixerIndex, controlId);
        if (!e)
            return false;
        e->left = std::clamp(left, 0, 65535);
        e->right = std::clamp(right, 0, 65535);
        apply();
        return true;
    }
    bool getVolume(int mixerIndex, std::int32_t controlId, int, std::int32_t& left, std::int32_t& right) override
    {
        Element* e = find(mixerIndex, controlId);
        if (!e)
            return false;
        left = e->left;
        right = e->right;
        return true;
    }
    bool select(int mixerIndex, int, int recordingLine, int, bool save) override
    {
        if (mixerIndex != 0)
            return false;
        if (save) {
            saved_ = elements_;
            savedLineIn_ = lineIn_;
        }
        // No line chosen: the card's own default, the microphone.
        lineIn_ = recordingLine == kLineIn;
        apply();
        return true;
    }
    bool restore(int mixerIndex) override
    {
        if (mixerIndex != 0)
            return false;
        elements_ = saved_;
        lineIn_ = savedLineIn_;
        apply();
        return true;
    }
    bool lines(int mixerIndex, bool playback, std::vector<std::string>& names) override
    {
        names.clear();
        if (mixerIndex != 0)
            return false;
        if (playback) {
            names.emplace_back(kNames[1]);
        } else {
            names.emplace_back(kNames[3]);
            names.emplace_back(kNames[4]);
        }
        return true;
    }

private:
    struct Element {
        std::int32_t left = 65535, right = 65535;
    };
    static constexpr const char* kNames[5] = {"Master", "PCM", "Capture", "Mic", "Line"};
    static constexpr int kLineIn = 1; // recording line 1, "Line": cabled to line-out on the virtual card
    static std::int32_t idOf(int i) { return mixerControlId("virtual", kNames[i], 0); }
    Element* find(int mixerIndex, std::int32_t id)
    {
        if (mixerIndex != 0)
            return nullptr;
        for (int i = 0; i < 5; ++i)
            if (idOf(i) == id)
                return &elements_[static_cast<std::size_t>(i)];
        return nullptr;
    }
    void apply()
    {
        if (!gains_)
            return;
        const Element& source = elements_[lineIn_ ? 4 : 3];
        gains_->playback.store(virtualMixerGain(elements_[0].left) * virtualMixerGain(elements_[1].left));
        gains_->recording[0].store(virtualMixerGain(elements_[2].left) * virtualMixerGain(source.left));
        gains_->recording[1].store(virtualMixerGain(elements_[2].right) * virtualMixerGain(source.right));
        gains_->lineIn.store(lineIn_);
    }

    std::shared_ptr<VirtualGains> gains_;
    std::array<Element, 5> elements_{};
    std::array<Element, 5> saved_{};
    bool lineIn_ = false;
    bool savedLineIn_ = false;
};

std::unique_ptr<MixerBackend>& currentMixer()
{
    static std::unique_ptr<MixerBackend> mixer;
    return mixer;
}

} // namespace

std::unique_ptr<MixerBackend> makeVirtualMixer(std::shared_ptr<VirtualGains> gains)
{
    return std::make_unique<VirtualMixer>(std::move(gains));
}

MixerBackend& mixerBackend()
{
    auto& m = currentMixer();
    if (!m)
        m = virtualBackendRequested() ? makeVirtualMixer(sharedVirtualGains()) : makeAlsaMixer();
    return *m;
}

void setMixerBackend(std::unique_ptr<MixerBackend> backend)
{
    currentMixer() = std::move(backend);
}

} // namespace vemra::sound
