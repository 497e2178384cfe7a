#include "library/draw/DeviceContext.h"

#include <unordered_map>

namespace vemra {
namespace {
std::unordered_map<std::int32_t, QPainter*>& registry()
{
    static std::unordered_map<std::int32_t, QPainter*> painters;
    return painters;
}
std::int32_t g_lastHandle = 0;
} // namespace

std::int32_t RegisterDeviceContext(QPainter* painter)
{
    // Wrapping after two billion registrations skips 0 and any handle still in use.
    do {
        g_lastHandle = g_lastHandle == INT32_MAX ? 1 : g_lastHandle + 1;
    } while (registry().count(g_lastHandle));
    registry()[g_lastHandle] = painter;
    return g_lastHandle;
}

void ReleaseDeviceContext(std::int32_t handle)
{
    registry().erase(handle);
}

QPainter* PainterOfDeviceContext(std::int32_t handle)
{
    const auto it = registry().find(handle);
    return it == registry().end() ? nullptr : it->second;
}

} // namespace vemra
