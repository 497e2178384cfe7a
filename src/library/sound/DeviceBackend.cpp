#include "library/sound/DeviceBackend.h"

namespace vemra::sound {

VResult DeviceBackend::selectDevices(const std::string& deviceName, int device1, int device2)
{
    if (!deviceName.empty() && server_.selectDevices(deviceName, device1, device2) == Ok) {
        active_ = &server_;
        return Ok;
    }
    const VResult cards = cards_.selectDevices(deviceName, device1, device2);
    if (cards == Ok) {
        active_ = &cards_;
        return Ok;
    }
    if (deviceName.empty() && server_.selectDevices(deviceName, device1, device2) == Ok) {
        active_ = &server_;
        return Ok;
    }
    return cards;
}

VResult DeviceBackend::open(double rate_Hz, int inChannels, int outChannels, AudioCallback* callback)
{
    close();
    const VResult rc = active_->open(rate_Hz, inChannels, outChannels, callback);
    if (rc == Ok)
        streamOwner_ = active_;
    return rc;
}

void DeviceBackend::close()
{
    if (streamOwner_)
        streamOwner_->close();
    streamOwner_ = nullptr;
}

} // namespace vemra::sound
