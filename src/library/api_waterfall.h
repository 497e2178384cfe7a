#pragma once
// Waterfall: CreateWaterfall, RebuildWaterfall, SliceWaterfall, DestroyWaterfall (DrawWaterfall paints, so it
// lives with the drawing calls in library/draw/WaterfallDrawing.h).
// The window owns one WaterfallParams and passes it to every call; the library keeps its handle in LibraryData.
// What a slice holds is described in dsp/Waterfall.h: WaterfallType 0 and 2 are time-shifted spectra, 1 and 3
// cumulative spectral decay (the type's waterfall/spectrogram half only matters to the drawing).
// Results: 0 or a message id; 212 when the record holds no waterfall, 302 when a field the call needs is out of
// its range (the record's comments in records.h give the ranges; the stretch must lie in the response), 100
// when memory runs out.
#include "library/api_common.h"

#include <string>

namespace vemra {

// Reads the response file (any file OpenWave reads) and sizes the slice table for params.Slices and params.LogN;
// params.LibraryData receives the handle (a waterfall the record held before is destroyed first). On failure the
// file message, or 302 for Slices or LogN out of range; LibraryData is then 0.
VResult CreateWaterfall(const std::string& fileName, WaterfallParams& params);

// Sizes the slice table again for params.Slices and params.LogN; every slice computed so far is forgotten.
VResult RebuildWaterfall(WaterfallParams& params);

// Computes slice `slice` (0 .. Slices - 1) with the record's present settings and channel. A record whose Slices
// or LogN changed without RebuildWaterfall has its table sized again first.
VResult SliceWaterfall(WaterfallParams& params, std::int16_t slice);

// Releases the waterfall; LibraryData becomes 0. Always 0.
VResult DestroyWaterfall(WaterfallParams& params);

} // namespace vemra
