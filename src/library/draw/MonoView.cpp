#include "library/draw/MonoView.h"

#include "library/ViewStore.h"
#include "library/draw/DeviceContext.h"

namespace vemra {

VResult MonoView(const WaveHeader& header, const DrawRequest& request, std::int16_t viewType)
{
    return guardedResult(msg::NoWaveData, [&]() -> VResult {
        QPainter* painter = PainterOfDeviceContext(request.deviceContext);
        const ProcessedView* view = ProcessedViewOf(header);
        if (!painter || !view || view->data.viewType != viewType || request.channel < 0
            || std::size_t(request.channel) >= view->data.channels.size())
            return msg::NoWaveData;
        const double range = view->settings.dBRange > 0 ? view->settings.dBRange : 60.0;
        const GraphGeometry g = GraphGeometry::of(request, viewType, range);
        PaintView(*painter, g, view->data.channels[std::size_t(request.channel)]);
        return Ok;
    });
}

} // namespace vemra
