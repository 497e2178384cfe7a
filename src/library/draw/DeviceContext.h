#pragma once
// Device contexts of the drawing layer: a DrawRequest names the surface to draw on by a 32-bit handle, which
// stands for a QPainter registered here for as long as the painter is in use. Handles are never 0 and are not
// reused within a run, so a stale handle finds nothing instead of another painter.
// Calling thread: the user-interface thread only.
#include <cstdint>

class QPainter;

namespace vemra {

// Registers an active painter and returns its handle.
std::int32_t RegisterDeviceContext(QPainter* painter);
// Forgets a handle (unknown handles are ignored).
void ReleaseDeviceContext(std::int32_t handle);
// The painter of a handle, nullptr when the handle is not registered.
QPainter* PainterOfDeviceContext(std::int32_t handle);

// Registers a painter for the lifetime of the object.
class DeviceContext {
public:
    explicit DeviceContext(QPainter& painter) : handle_(RegisterDeviceContext(&painter)) {}
    ~DeviceContext() { ReleaseDeviceContext(handle_); }
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;
    std::int32_t handle() const { return handle_; }

private:
    std::int32_t handle_;
};

} // namespace vemra
