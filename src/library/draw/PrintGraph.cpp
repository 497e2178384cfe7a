#include "library/draw/PrintGraph.h"

#include "library/Messages.h"
#include "library/draw/DeviceContext.h"
#include "library/draw/GraphFigure.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSvgGenerator>

namespace vemra {

VResult PrintGraph(const WaveHeader& header, const DrawRequest& request, const ViewBlock& view)
{
    return guardedResult(kNothingToDraw, [&]() -> VResult {
        QPainter* painter = PainterOfDeviceContext(request.deviceContext);
        if (!painter || !painter->isActive())
            return kNothingToDraw;
        return PaintFigure(*painter, QRectF(painter->window()), header, request, view);
    });
}

VResult ClipSaveGraph(const WaveHeader& header, const DrawRequest& request, const ViewBlock& view)
{
    return guardedResult(kNothingToDraw, [&]() -> VResult {
        QClipboard* clipboard = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                    ? QGuiApplication::clipboard()
                                    : nullptr;
        if (!clipboard)
            return msg::ClipboardUnavailable;
        const QRectF area(0, 0, kClipWidth, kClipHeight);
        QImage image(kClipWidth, kClipHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            if (const VResult r = PaintFigure(painter, area, header, request, view); r != Ok)
                return r;
        }
        QBuffer svg;
        svg.open(QIODevice::WriteOnly);
        {
            QSvgGenerator generator;
            generator.setOutputDevice(&svg);
            generator.setSize(QSize(kClipWidth, kClipHeight));
            generator.setViewBox(area);
            generator.setResolution(image.logicalDpiX());
            generator.setTitle(FigureTitle(header, view));
            QPainter painter(&generator);
            PaintFigure(painter, area, header, request, view);
        }
        auto* data = new QMimeData;
        data->setImageData(image);
        data->setData(QStringLiteral("image/svg+xml"), svg.data());
        clipboard->setMimeData(data);
        return Ok;
    });
}

} // namespace vemra
