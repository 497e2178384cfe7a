#include "library/draw/MonoView.h"

#include "library/ViewStore.h"
#include "library/draw/DeviceContext.h"

#include <new>

namespace vemra {
namespace {
constexpr VResult kNothingToDraw = 212;
constexpr VResult kNoMemory = 100;
} // namespace

VResult MonoView(const WaveHeader& header, const DrawRequest& request, std::int16_t viewType)
{
    try {
        QPainter* painter = PainterOfDeviceContext(request.deviceContext);
        const ProcessedView* view = ProcessedViewOf(header);
        if (!painter || !view || view->data.viewType != viewType || request.channel < 0
            || std::size_t(request.channel) >= view->data.channels.size())
            return kNothingToDraw;
        const double range = view->settings.dBRange > 0 ? view->settings.dBRange : 60.0;
        const GraphGeometry g = GraphGeometry::of(request, viewType, range);
        PaintView(*painter, g, view->data.channels[std::size_t(request.channel)]);
        return Ok;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    } catch (...) {
        return kNothingToDraw;
    }
}

} // namespace vemra
