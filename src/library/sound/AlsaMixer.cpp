// The ALSA simple-mixer backend of Mixer.h. Mixer index i is the i-th sound card ALSA lists; each call opens the
// card's mixer, works and closes it again, so cards that come and go are seen as they are.
#include "library/sound/Mixer.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <map>
#include <vector>

namespace vemra::sound {

namespace {

struct ElementState {
    std::string name;
    unsigned index = 0;
    long playback[2] = {0, 0}, capture[2] = {0, 0};
    int playbackSwitch[2] = {1, 1}, captureSwitch[2] = {1, 1};
};

class AlsaSession {
public:
    explicit AlsaSession(int mixerIndex)
    {
        int card = -1;
        for (int i = 0; snd_card_next(&card) == 0 && card >= 0; ++i) {
            if (i == mixerIndex) {
                card_ = card;
                break;
            }
        }
        if (card_ < 0)
            return;
        const std::string hw = "hw:" + std::to_string(card_);
        snd_ctl_t* ctl = nullptr;
        if (snd_ctl_open(&ctl, hw.c_str(), 0) == 0) {
            snd_ctl_card_info_t* info;
            snd_ctl_card_info_alloca(&info);
            if (snd_ctl_card_info(ctl, info) == 0) {
                cardId_ = snd_ctl_card_info_get_id(info);
                name_ = snd_ctl_card_info_get_name(info);
            }
            snd_ctl_close(ctl);
        }
        if (snd_mixer_open(&mixer_, 0) < 0) {
            mixer_ = nullptr;
            return;
        }
        if (snd_mixer_attach(mixer_, hw.c_str()) < 0 || snd_mixer_selem_register(mixer_, nullptr, nullptr) < 0
            || snd_mixer_load(mixer_) < 0) {
            snd_mixer_close(mixer_);
            mixer_ = nullptr;
        }
    }
    ~AlsaSession()
    {
        if (mixer_)
            snd_mixer_close(mixer_);
    }
    bool ok() const { return mixer_ != nullptr; }
    int card() const { return card_; }
    const std::string& name() const { return name_; }

    std::vector<snd_mixer_elem_t*> elements() const
    {
        std::vector<snd_mixer_elem_t*> v;
        for (auto* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e))
            if (snd_mixer_selem_is_active(e))
                v.push_back(e);
        return v;
    }
    std::int32_t idOf(snd_mixer_elem_t* e) const
    {
        return mixerControlId(cardId_, snd_mixer_selem_get_name(e), static_cast<int>(snd_mixer_selem_get_index(e)));
    }
    snd_mixer_elem_t* byId(std::int32_t id) const
    {
        for (auto* e : elements())
            if (idOf(e) == id)
                return e;
        return nullptr;
    }

    // The playback lines (elements with a playback volume other than the master) or the recording lines
    // (elements with a capture volume other than the master), and the master itself when there is one.
    std::vector<snd_mixer_elem_t*> lineElements(bool playback, snd_mixer_elem_t** master = nullptr) const
    {
        std::vector<snd_mixer_elem_t*> lines;
        snd_mixer_elem_t* m = nullptr;
        for (auto* e : elements()) {
            if (!(playback ? snd_mixer_selem_has_playback_volume(e) : snd_mixer_selem_has_capture_volume(e)))
                continue;
            if (!m && snd_mixer_selem_get_name(e) == std::string(playback ? "Master" : "Capture"))
                m = e;
            else
                lines.push_back(e);
        }
        if (master)
            *master = m;
        return lines;
    }

    // The four controls for the chosen lines.
    void controls(int playbackLine, int recordingLine, snd_mixer_elem_t* out[4]) const
    {
        snd_mixer_elem_t* pm = nullptr;
        snd_mixer_elem_t* rm = nullptr;
        const std::vector<snd_mixer_elem_t*> playback = lineElements(true, &pm);
        const std::vector<snd_mixer_elem_t*> capture = lineElements(false, &rm);
        snd_mixer_elem_t* pcm = nullptr;
        for (auto* e : playback)
            if (!pcm && snd_mixer_selem_get_name(e) == std::string("PCM"))
                pcm = e;
        out[0] = pm;
        out[1] = playbackLine >= 0 && playbackLine < static_cast<int>(playback.size())
                     ? playback[static_cast<std::size_t>(playbackLine)]
                     : pcm;
        out[2] = rm;
        out[3] = recordingLine >= 0 && recordingLine < static_cast<int>(capture.size())
                     ? capture[static_cast<std::size_t>(recordingLine)]
                     : nullptr;
    }

private:
    int card_ = -1;
    std::string cardId_ = "card";
    std::string name_;
    snd_mixer_t* mixer_ = nullptr;
};

int channelsOf(snd_mixer_elem_t* e, bool playback)
{
    return (playback ? snd_mixer_selem_is_playback_mono(e) : snd_mixer_selem_is_capture_mono(e)) ? 1 : 2;
}

class AlsaMixer final : public MixerBackend {
public:
    bool describe(int mixerIndex, int playbackLine, int recordingLine, int, MixerDescription& out) override
    {
        AlsaSession s(mixerIndex);
        if (s.card() < 0)
            return false;
        out.name = sanitiseMixerName(s.name());
        out.device1 = s.card();
        out.device2 = 0;
        out.device3 = 0;
        if (!s.ok())
            return true;
        snd_mixer_elem_t* c[4];
        s.controls(playbackLine, recordingLine, c);
        auto control = [&](snd_mixer_elem_t* e, bool playback) {
            return e ? MixerControl{s.idOf(e), channelsOf(e, playback)} : MixerControl{};
        };
        out.playbackMaster = control(c[0], true);
        out.playbackSecondary = control(c[1], true);
        out.recordingMaster = control(c[2], false);
        out.recordingSecondary = control(c[3], false);
        return true;
    }

    bool setVolume(int mixerIndex, std::int32_t controlId, int channels, std::int32_t left, std::int32_t right) override
    {
        AlsaSession s(mixerIndex);
        snd_mixer_elem_t* e = s.ok() ? s.byId(controlId) : nullptr;
        if (!e)
            return false;
        const bool playback = snd_mixer_selem_has_playback_volume(e);
        long lo = 0, hi = 0;
        if (playback)
            snd_mixer_selem_get_playback_volume_range(e, &lo, &hi);
        else
            snd_mixer_selem_get_capture_volume_range(e, &lo, &hi);
        auto map = [&](std::int32_t p) { return lo + (hi - lo) * static_cast<long>(std::clamp(p, 0, 65535)) / 65535; };
        const long l = map(left), r = map(channels > 1 ? right : left);
        if (playback) {
            snd_mixer_selem_set_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, l);
            if (!snd_mixer_selem_is_playback_mono(e))
                snd_mixer_selem_set_playback_volume(e, SND_MIXER_SCHN_FRONT_RIGHT, r);
        } else {
            snd_mixer_selem_set_capture_volume(e, SND_MIXER_SCHN_FRONT_LEFT, l);
            if (!snd_mixer_selem_is_capture_mono(e))
                snd_mixer_selem_set_capture_volume(e, SND_MIXER_SCHN_FRONT_RIGHT, r);
        }
        return true;
    }

    bool getVolume(int mixerIndex, std::int32_t controlId, int, std::int32_t& left, std::int32_t& right) override
    {
        AlsaSession s(mixerIndex);
        snd_mixer_elem_t* e = s.ok() ? s.byId(controlId) : nullptr;
        if (!e)
            return false;
        const bool playback = snd_mixer_selem_has_playback_volume(e);
        long lo = 0, hi = 0, l = 0, r = 0;
        if (playback) {
            snd_mixer_selem_get_playback_volume_range(e, &lo, &hi);
            snd_mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &l);
            r = l;
            if (!snd_mixer_selem_is_playback_mono(e))
                snd_mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_RIGHT, &r);
        } else {
            snd_mixer_selem_get_capture_volume_range(e, &lo, &hi);
            snd_mixer_selem_get_capture_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &l);
            r = l;
            if (!snd_mixer_selem_is_capture_mono(e))
                snd_mixer_selem_get_capture_volume(e, SND_MIXER_SCHN_FRONT_RIGHT, &r);
        }
        auto unmap = [&](long v) {
            return hi > lo ? static_cast<std::int32_t>((v - lo) * 65535 / (hi - lo)) : 0;
        };
        left = unmap(l);
        right = unmap(r);
        return true;
    }

    bool select(int mixerIndex, int playbackLine, int recordingLine, int plan, bool save) override
    {
        AlsaSession s(mixerIndex);
        if (!s.ok())
            return false;
        if (save)
            saved_[mixerIndex] = snapshot(s);
        snd_mixer_elem_t* c[4];
        s.controls(playbackLine, recordingLine, c);
        for (int i = 0; i < 2; ++i)
            if (c[i] && snd_mixer_selem_has_playback_switch(c[i]))
                snd_mixer_selem_set_playback_switch_all(c[i], 1);
        for (int i = 2; i < 4; ++i)
            if (c[i] && snd_mixer_selem_has_capture_switch(c[i]))
                snd_mixer_selem_set_capture_switch_all(c[i], 1);
        if (plan == 1) {
            // Cards that mix every switched-on source into the recording: leave only the chosen one on.
            for (auto* e : s.elements())
                if (e != c[2] && e != c[3] && snd_mixer_selem_has_capture_switch(e)
                    && !snd_mixer_selem_has_playback_volume(e))
                    snd_mixer_selem_set_capture_switch_all(e, 0);
        }
        return true;
    }

    bool lines(int mixerIndex, bool playback, std::vector<std::string>& names) override
    {
        names.clear();
        AlsaSession s(mixerIndex);
        if (s.card() < 0)
            return false;
        if (s.ok())
            for (auto* e : s.lineElements(playback))
                names.push_back(sanitiseMixerName(snd_mixer_selem_get_name(e)));
        return true;
    }
    bool restore(int mixerIndex) override
    {
        auto it = saved_.find(mixerIndex);
        if (it == saved_.end())
            return true;
        AlsaSession s(mixerIndex);
        if (!s.ok())
            return false;
        for (auto* e : s.elements()) {
            for (const auto& st : it->second) {
                if (st.name != snd_mixer_selem_get_name(e) || st.index != snd_mixer_selem_get_index(e))
                    continue;
                const snd_mixer_selem_channel_id_t ch[2] = {SND_MIXER_SCHN_FRONT_LEFT, SND_MIXER_SCHN_FRONT_RIGHT};
                for (int c = 0; c < 2; ++c) {
                    if (snd_mixer_selem_has_playback_channel(e, ch[c])) {
                        if (snd_mixer_selem_has_playback_volume(e))
                            snd_mixer_selem_set_playback_volume(e, ch[c], st.playback[c]);
                        if (snd_mixer_selem_has_playback_switch(e))
                            snd_mixer_selem_set_playback_switch(e, ch[c], st.playbackSwitch[c]);
                    }
                    if (snd_mixer_selem_has_capture_channel(e, ch[c])) {
                        if (snd_mixer_selem_has_capture_volume(e))
                            snd_mixer_selem_set_capture_volume(e, ch[c], st.capture[c]);
                        if (snd_mixer_selem_has_capture_switch(e))
                            snd_mixer_selem_set_capture_switch(e, ch[c], st.captureSwitch[c]);
                    }
                }
            }
        }
        saved_.erase(it);
        return true;
    }

private:
    static std::vector<ElementState> snapshot(const AlsaSession& s)
    {
        std::vector<ElementState> v;
        for (auto* e : s.elements()) {
            ElementState st;
            st.name = snd_mixer_selem_get_name(e);
            st.index = snd_mixer_selem_get_index(e);
            const snd_mixer_selem_channel_id_t ch[2] = {SND_MIXER_SCHN_FRONT_LEFT, SND_MIXER_SCHN_FRONT_RIGHT};
            for (int c = 0; c < 2; ++c) {
                if (snd_mixer_selem_has_playback_channel(e, ch[c])) {
                    if (snd_mixer_selem_has_playback_volume(e))
                        snd_mixer_selem_get_playback_volume(e, ch[c], &st.playback[c]);
                    if (snd_mixer_selem_has_playback_switch(e))
                        snd_mixer_selem_get_playback_switch(e, ch[c], &st.playbackSwitch[c]);
                }
                if (snd_mixer_selem_has_capture_channel(e, ch[c])) {
                    if (snd_mixer_selem_has_capture_volume(e))
                        snd_mixer_selem_get_capture_volume(e, ch[c], &st.capture[c]);
                    if (snd_mixer_selem_has_capture_switch(e))
                        snd_mixer_selem_get_capture_switch(e, ch[c], &st.captureSwitch[c]);
                }
            }
            v.push_back(st);
        }
        return v;
    }

    std::map<int, std::vector<ElementState>> saved_;
};

} // namespace

std::unique_ptr<MixerBackend> makeAlsaMixer()
{
    return std::make_unique<AlsaMixer>();
}

} // namespace vemra::sound
