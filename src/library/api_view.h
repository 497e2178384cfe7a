#pragma once
// View processing: ProcessWave (the drawing calls live in library/draw).
#include "library/api_common.h"

namespace vemra {

// Prepares the view `view.ViewType` of the open response for drawing (MonoView) and sets header.ProcCount to
// its number of points: the sample count in the time views (0 Pressure, 1 Reflectogram, 2 Decay curve,
// 3 Schroeder), the number of bands below Nyquist in the band views (4: octaves from 31.5 Hz, index 1; 5: third
// octaves from 25 Hz, index 14), N in the spectrum views (6, 7: the (2N + 1)-point frequency grid, df =
// fs / (2N + 1)). The time views go through the band filter view.FilterType (-1 none, -2 wide band, a band
// index); the decay and Schroeder views filter time-reversed, as the decay analysis does. view.bestRevTime sets
// the decay view's averaging window, view.featureValue (when > 0) the Schroeder view's 0 dB; view.AutoScale and
// view.Smooth act as dsp/ViewProcessing.h says. The header and view block are not otherwise changed.
// 0; msg::NoWaveData when the header holds no samples; msg::BadArgument for a view type outside 0..7 or a band filter
// that does not exist below Nyquist at the response's rate (the window offers neither); msg::NotEnoughMemory when
// memory runs out.
VResult ProcessWave(WaveHeader& header, ViewBlock& view);

} // namespace vemra
