#pragma once
// Drawing a waterfall: DrawWaterfall, and the two pictures it makes.
//   Waterfall (WaterfallType 0, 1): the slices stacked in depth in an oblique view, the first at the back and
//     each later one in front of it and lower on the page, every slice hiding what lies behind it; frequency
//     along the front edge, level up the front's left edge, time along the right-hand diagonal. A slice's line
//     takes the colour of its level.
//   Spectrogram (WaterfallType 2, 3): time across, frequency up, the level in colour (or grey), with a colour
//     scale at the right.
// Levels are shown in dB below the highest level of the slices shown within the frequency range; the range
// spans WaterfallParams::Range dB. Slices that are not computed with the record's present settings (a stopped
// slice loop) are left out; the axes always show the whole planned time span. Slices that are all silent
// (WaterfallPicture::silent) have no highest level to show the others below: in place of a picture the plot says
// that the channel holds no signal in the analysed stretch.
// The painter's background is the caller's: it clears the plot in the scheme's background colour first.
// Coordinates are floating point. Calling thread: the user-interface thread.
#include "library/WaterfallStore.h"
#include "library/api_common.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace vemra {

// Draws the record's waterfall into its device context (hDC, a painter handle of DeviceContext.h) over
// PlotWidth x PlotHeight pixels. 0; 212 when the record holds no waterfall or the device context is unknown, and
// when its slices are silent (the plot then says so, and there is no picture to copy or print); 302 when a field
// the drawing needs is out of range (type, colours, band limits, range, or the slice settings); 100 when memory
// runs out.
VResult DrawWaterfall(WaterfallParams& params);

struct WaterfallStyle {
    bool spectrogram = false;
    double range_dB = 40;
    double fLow_Hz = 22.4;
    double fHigh_Hz = 22400;
    bool linear = false;
    int colors = 0;
    int channel = 0;
};

// The style a record asks for at its response's rate; false when a field is out of range.
bool waterfallStyleOf(const WaterfallParams& params, double fs_Hz, WaterfallStyle& style);

// The picture over `area` of any painter (screen, printer, image); false when the picture is silent and only
// the reason was painted.
bool PaintWaterfall(QPainter& painter, const QRectF& area, const WaterfallPicture& picture,
                    const WaterfallStyle& style);
void PaintWaterfallPlot(QPainter& painter, const QRectF& area, const WaterfallPicture& picture,
                        const WaterfallStyle& style);
void PaintSpectrogram(QPainter& painter, const QRectF& area, const WaterfallPicture& picture,
                      const WaterfallStyle& style);
// One line in place of a picture, saying why there is none: centred over `area` in the waterfall's font and the
// foreground of colour scheme `colors` (WaterfallParams::Colors), wrapped when the plot is narrow.
void PaintWaterfallNote(QPainter& painter, const QRectF& area, int colors, const QString& text);

} // namespace vemra
