#include "library/draw/WaterfallDrawing.h"

#include "library/draw/DeviceContext.h"
#include "library/draw/WaterfallAxes.h"
#include "library/draw/WaterfallPainting.h"
#include "library/dsp/Waterfall.h"
#include "library/dsp/WaterfallDisplay.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vemra {
namespace {

// What a silent waterfall shows in place of its picture: why there is none.
void paintSilence(QPainter& painter, const QRectF& area, const WaterfallStyle& style)
{
    PaintWaterfallNote(painter, area, style.colors,
                       QStringLiteral("No signal in channel %1 of the analysed stretch").arg(style.channel + 1));
}

} // namespace

bool waterfallStyleOf(const WaterfallParams& params, double fs_Hz, WaterfallStyle& style)
{
    if (params.WaterfallType < 0 || params.WaterfallType > 3 || params.Colors < 0 || params.Colors > 2
        || !(params.Range >= dsp::kMinWaterfallRange_dB && params.Range <= dsp::kMaxWaterfallRange_dB))
        return false;
    if (!dsp::waterfallFrequencyRange(params.MinFreqBand, params.MaxFreqBand, fs_Hz, style.fLow_Hz, style.fHigh_Hz))
        return false;
    style.spectrogram = params.WaterfallType >= 2;
    style.range_dB = params.Range;
    style.linear = isTrue(params.LinScale);
    style.colors = params.Colors;
    style.channel = params.Channel;
    return true;
}

VResult DrawWaterfall(WaterfallParams& params)
{
    return guardedResult(msg::NoWaveData, [&]() -> VResult {
        QPainter* painter = PainterOfDeviceContext(params.hDC);
        if (!painter || !WaterfallStore::find(params.LibraryData))
            return msg::NoWaveData;
        const std::optional<WaterfallPicture> picture = WaterfallPictureOf(params);
        WaterfallStyle style;
        if (!picture || !waterfallStyleOf(params, picture->settings.fs_Hz, style))
            return msg::BadArgument;
        if (params.PlotWidth < 1 || params.PlotHeight < 1)
            return Ok;
        return PaintWaterfall(*painter, QRectF(0, 0, params.PlotWidth, params.PlotHeight), *picture, style)
                   ? Ok
                   : msg::NoWaveData;
    });
}

bool PaintWaterfall(QPainter& painter, const QRectF& area, const WaterfallPicture& picture,
                    const WaterfallStyle& style)
{
    const bool silent = picture.silent();
    painter.save();
    if (silent)
        paintSilence(painter, area, style);
    else if (style.spectrogram)
        PaintSpectrogram(painter, area, picture, style);
    else
        PaintWaterfallPlot(painter, area, picture, style);
    painter.restore();
    return !silent;
}

void PaintWaterfallNote(QPainter& painter, const QRectF& area, int colors, const QString& text)
{
    painter.save();
    useWaterfallFont(painter, area);
    painter.setPen(waterfallForeground(colors));
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, text);
    painter.restore();
}

QFontMetricsF useWaterfallFont(QPainter& painter, const QRectF& area)
{
    QFont font = painter.font();
    font.setPixelSize(int(std::clamp(std::round(std::min(area.width(), area.height()) / 42.0), 9.0, 14.0)));
    painter.setFont(font);
    return QFontMetricsF(font, painter.device());
}

void paintWaterfallTitle(QPainter& painter, const QRectF& area, const WaterfallPicture& picture,
                         const WaterfallStyle& style)
{
    const QString mode = picture.settings.mode == dsp::DecayMode::Cumulative
                             ? QStringLiteral("Cumulative Spectral Decay")
                             : QStringLiteral("Time Shifted Spectra");
    const double line = QFontMetricsF(painter.font(), painter.device()).height();
    painter.drawText(QRectF(area.left() + line * 0.5, area.top() + line * 0.3, area.width() - line, line),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("%1 - Channel %2").arg(mode).arg(style.channel + 1));
}

ResampledSlices resampleSlices(const WaterfallPicture& picture, const dsp::FrequencyAxis& axis, int cells)
{
    ResampledSlices out;
    out.cells = std::max(cells, 1);
    const double binWidth = picture.settings.fs_Hz / double(picture.settings.fftSize());
    const dsp::SpectrumResampler resampler(axis, out.cells, picture.settings.bins(), binWidth);
    out.values.resize(picture.slices.size() * std::size_t(out.cells));
    float top = -std::numeric_limits<float>::infinity();
    for (std::size_t i = 0; i < picture.slices.size(); ++i) {
        const std::span<float> row(out.values.data() + i * std::size_t(out.cells), std::size_t(out.cells));
        resampler.resample(picture.slices[i], row);
        top = std::max(top, *std::max_element(row.begin(), row.end()));
    }
    out.top_dB = picture.slices.empty() ? 0.0f : top;
    return out;
}

double plannedEnd_s(const dsp::WaterfallSettings& settings)
{
    return dsp::sliceTime_s(settings, settings.slices - 1);
}

} // namespace vemra
