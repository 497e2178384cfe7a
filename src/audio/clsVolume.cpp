#include "audio/clsVolume.h"

#include "core/VemraError.h"
#include "library/api_sound.h"

namespace vemra {

clsVolume::clsVolume() = default;

clsVolume::~clsVolume()
{
    mute_ = false;
    SetVolume(std::int16_t(mixerId_), controlId_, channels_, saved1_, saved2_);
    mixerId_ = -1;
    controlId_ = -1;
}

void clsVolume::send(std::int32_t left, std::int32_t right) const
{
    SetVolume(std::int16_t(mixerId_), controlId_, channels_, left, right);
}

void clsVolume::setVolume(std::int32_t value)
{
    volume1_ = volume2_ = value;
    if (!mute_)
        send(value, value);
}

void clsVolume::setVolume1(std::int32_t value)
{
    if (!mute_)
        send(value, volume2_);
    volume1_ = value;
}

void clsVolume::setVolume2(std::int32_t value)
{
    if (!mute_)
        send(volume1_, value);
    volume2_ = value;
}

void clsVolume::setControlID(std::int32_t id)
{
    if (id == controlId_)
        return;
    if (controlId_ != -1)
        send(saved1_, saved2_);
    controlId_ = id;
    if (id != -1) {
        GetVolume(std::int16_t(mixerId_), id, channels_, volume1_, volume2_);
        saved1_ = volume1_;
        saved2_ = volume2_;
    }
    setMute(true);
}

void clsVolume::setMute(bool mute)
{
    if (mute)
        send(0, 0);
    else
        send(volume1_, volume2_);
    mute_ = mute;
}

clsVolume::Step& clsVolume::grow(int index)
{
    if (std::size_t(index) >= steps_.size())
        steps_.resize(std::size_t(index) + 1);
    return steps_[std::size_t(index)];
}

const clsVolume::Step& clsVolume::at(int index) const
{
    if (index < 0 || std::size_t(index) >= steps_.size())
        throw VemraError::range();
    return steps_[std::size_t(index)];
}

float clsVolume::VolStepRms(int index) const { return at(index).level_dB; }
std::int32_t clsVolume::VolStepVolume(int index) const { return at(index).position; }

void clsVolume::setVolStepRms(int index, float level_dB)
{
    if (index >= 0 && index <= kMaxStep)
        grow(index).level_dB = level_dB;
}

void clsVolume::setVolStepVolume(int index, std::int32_t position)
{
    if (index >= 0 && index <= kMaxStep)
        grow(index).position = position;
}

float clsVolume::levelOf(std::int32_t volume) const
{
    std::size_t i = 0;
    while (i + 1 < steps_.size() && steps_[i + 1].position >= volume)
        ++i;
    return steps_[i].level_dB;
}

} // namespace vemra
