#pragma once
// What the two waterfall drawings share: the text size, the title, and the slices resampled onto the cells of
// the frequency axis with the level at the top of the range. Internal to library/draw.
#include "library/draw/WaterfallDrawing.h"
#include "library/dsp/WaterfallDisplay.h"

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <vector>

class QPainter;

namespace vemra {

// Gives the painter the labels' font for a picture of this size (pixel sized, so print and screen agree) and
// returns its metrics.
QFontMetricsF useWaterfallFont(QPainter& painter, const QRectF& area);

// The title ("Cumulative Spectral Decay - Channel 1" and the like) at the top left of the picture.
void paintWaterfallTitle(QPainter& painter, const QRectF& area, const WaterfallPicture& picture,
                         const WaterfallStyle& style);

struct ResampledSlices {
    int cells = 0;
    std::vector<float> values; // one row of `cells` levels per slice of the picture, in its order
    float top_dB = 0;          // the highest level of all rows (0 when there are none)
    const float* row(std::size_t slice) const { return values.data() + slice * std::size_t(cells); }
};
ResampledSlices resampleSlices(const WaterfallPicture& picture, const dsp::FrequencyAxis& axis, int cells);

// The time of the last slice the settings plan (0 for one slice).
double plannedEnd_s(const dsp::WaterfallSettings& settings);

} // namespace vemra
