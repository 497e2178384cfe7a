#pragma once
// The waterfall window's settings, section "Waterfall" of the settings store. Every value is range-checked when
// read: a missing entry, a text that is no number, or a value outside its range gives the default.
//   "Type" 0..3 (0), "LogN" 8..16 (11), "Slices" 1..1000 (100), "Window" 0, 1, 4, 7 or 10 (1), "Shift" 0..32767
//   (20), "RiseTime" 0..100 ms (0.2), "Range" whole dB 1..120 (40), "MinBand" 1..10 (1), "MaxBand" -1 or 1..10
//   (-1: the highest octave usable at the rate), "Smooth" (true), "Lin" (false); flags read "True"/"False" or a
//   number, non-zero true.
// A lower band above the upper one falls back to the whole range (1 and the automatic upper band).
// Colors is not stored: every window starts with colour on black.
// Calling thread: the user-interface thread.
#include "library/records.h"

#include <cstdint>

namespace vemra {

// Fills the stored fields of the record (Type, LogN, Slices, Window, Shift, RiseTime, Range, bands, Smooth, Lin;
// Colors becomes 0); maxFreqRange tells whether the upper band follows the rate (MaxFreqBand then holds the
// highest usable octave at sampleRate_Hz).
void ReadWaterfallSettings(WaterfallParams& record, bool& maxFreqRange, std::int32_t sampleRate_Hz);
// Writes the eleven settings; MaxBand is "-1" while maxFreqRange holds.
void WriteWaterfallSettings(const WaterfallParams& record, bool maxFreqRange);

} // namespace vemra
