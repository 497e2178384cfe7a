#pragma once
// Spectral shapes of the stimulus (SourceFilterCode, Codes.h): 0 none, 1 pink and blue, 2 female speech, 3 male speech,
// 4 RASTI. Each shape is a zero-phase magnitude applied circularly to one stimulus period, so the processing can
// divide it out exactly. Shapes (levels in dB, interpolated linearly over log frequency, held beyond the ends):
// - pink and blue: -3 dB per octave below 1 kHz and +3 dB per octave above (more energy at both ends, where
//   background noise and loudspeakers limit a measurement);
// - male speech (octaves 125 Hz .. 8 kHz): 2.9, 2.9, -0.8, -6.8, -12.8, -18.8, -24.8;
// - female speech: -6.7, 5.3, -1.9, -9.1, -15.8, -16.7, -18.0;
// - RASTI: the 500 Hz octave at 0 dB and the 2 kHz octave at -9 dB, half-octave ramps down to a -40 dB floor.
// A filtered period is rescaled to the RMS of the unfiltered one.
#include "library/Codes.h"

#include <span>

namespace vemra::sound {

// Gain in dB of shape code at f_Hz (code 0: 0 dB).
double sourceFilterGain_dB(int code, double f_Hz);

// Applies the shape to one period in place (code 0: unchanged).
void applySourceFilter(int code, double rate_Hz, std::span<double> period);

} // namespace vemra::sound
