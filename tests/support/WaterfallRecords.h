#pragma once
// The waterfall record a new window starts with when nothing is stored (a TSS waterfall, FFT size 2048, 100
// slices, Hanning, shift 20, rise time 0.2 ms, 40 dB, octaves 31.5 Hz to 16 kHz, smoothed, logarithmic axis),
// over samples 0 .. sampleCount - 1. Shared by the waterfall tests and benchmarks.
#include "library/records.h"

namespace vemra::testsupport {

inline WaterfallParams defaultWaterfall(std::int32_t sampleCount)
{
    WaterfallParams p{};
    p.WaterfallType = 0;
    p.Slices = 100;
    p.LogN = 11;
    p.WindowType = 1;
    p.CSDShift = 20;
    p.CSDRise = 0.2f;
    p.Range = 40;
    p.MinFreqBand = 1;
    p.MaxFreqBand = 10;
    p.Smooth = True16;
    p.LinScale = False16;
    p.StartSample = 0;
    p.SampleCount = sampleCount;
    return p;
}

} // namespace vemra::testsupport
