#pragma once
// The processed view of each open response: what ProcessWave made last, valid while the response's samples stay
// as they were (WaveStore's revision). MonoView draws from it.
// Calling thread: the user-interface thread (as every library call).
#include "library/dsp/ViewProcessing.h"
#include "library/records.h"

#include <cstddef>

namespace vemra {

struct ProcessedView {
    ViewBlock settings;     // the view block it was made with (dB range, view type, filter)
    double fs_Hz = 0;
    dsp::ViewData data;
};

// The processed view of the response held for this header; nullptr when the response is not open, has not been
// processed, or its samples changed since.
const ProcessedView* ProcessedViewOf(const WaveHeader& header);

// Keeps `view` as the processed view of the response held for this header (replacing its earlier one) and drops
// the views of responses that were closed or changed since they were processed.
void StoreProcessedView(const WaveHeader& header, ProcessedView view);

// Drops the processed view of the response held for this header (it is being closed).
void ReleaseProcessedView(const WaveHeader& header);

// How many processed views are held.
std::size_t ProcessedViewCount();

} // namespace vemra
