// The waterfall window's properties: what each let asks of the slices and the picture.
#include "viewer/frmWaterfall.h"

#include "core/Errors.h"
#include "library/api_waterfall.h"

#include <cmath>

namespace vemra {

void frmWaterfall::invalidateSlices()
{
    slicesValid_ = false;
    ++generation_;
}

void frmWaterfall::rebuild()
{
    if (const VResult r = RebuildWaterfall(rec_); r != Ok)
        HandleError(r);
}

int frmWaterfall::Range() const { return int(std::lround(rec_.Range)); }

void frmWaterfall::setSlices(int slices)
{
    if (slices == rec_.Slices)
        return;
    rec_.Slices = std::int16_t(slices);
    invalidateSlices();
    rebuild();
}

void frmWaterfall::setLogN(int logN)
{
    if (logN == rec_.LogN)
        return;
    rec_.LogN = logN;
    invalidateSlices();
    rebuild();
}

void frmWaterfall::setWaterfallType(int type)
{
    if (type == rec_.WaterfallType)
        return;
    rec_.WaterfallType = std::int16_t(type);
    invalidateSlices();
}

void frmWaterfall::setRange(int range_dB)
{
    if (float(range_dB) == rec_.Range)
        return;
    rec_.Range = float(range_dB);
    invalidateSlices();
}

void frmWaterfall::setWindowType(int type)
{
    if (type == rec_.WindowType)
        return;
    rec_.WindowType = std::int16_t(type);
    invalidateSlices();
}

void frmWaterfall::setCSDRise(float rise_ms)
{
    if (rise_ms == rec_.CSDRise)
        return;
    rec_.CSDRise = rise_ms;
    invalidateSlices();
}

void frmWaterfall::setCSDShift(int shift)
{
    if (shift == rec_.CSDShift)
        return;
    rec_.CSDShift = std::int16_t(shift);
    invalidateSlices();
}

void frmWaterfall::setSmooth(bool on)
{
    if (on == Smooth())
        return;
    rec_.Smooth = toBool16(on);
    invalidateSlices();
}

void frmWaterfall::setMaxFreqRange(bool on)
{
    if (on == maxFreqRange_)
        return;
    maxFreqRange_ = on;
    invalidateSlices();
}

void frmWaterfall::setMinFreqBand(int band)
{
    if (band == rec_.MinFreqBand)
        return;
    rec_.MinFreqBand = std::int16_t(band);
    redrawNeeded_ = true;
}

void frmWaterfall::setMaxFreqBand(int band)
{
    if (band == rec_.MaxFreqBand)
        return;
    rec_.MaxFreqBand = std::int16_t(band);
    redrawNeeded_ = true;
}

void frmWaterfall::setColors(int colors)
{
    if (colors == rec_.Colors)
        return;
    rec_.Colors = std::int16_t(colors);
    redrawNeeded_ = true;
}

void frmWaterfall::setLinScale(bool on)
{
    if (on == LinScale())
        return;
    rec_.LinScale = toBool16(on);
    redrawNeeded_ = true;
}

} // namespace vemra
