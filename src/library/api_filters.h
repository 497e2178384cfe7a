#pragma once
// Inverse filters and the tests of the Debug menu: CreateInversFilter, FilterTest, TestHadamard.
#include "library/api_common.h"

#include <string>

namespace vemra {

// Replaces the response file `fileName` by the inverse filter of the response it holds (dsp/InverseFilter.h,
// default settings: the band 20 Hz .. 20 kHz): a one-channel 16-bit WAV of the same rate and length that a
// document loads and the player takes as a correction filter (sound/CorrectionFile.h). The first channel is
// inverted; the filter is scaled to 90 % of full scale and its channel factor holds the scale, so sample times
// factor is the filter's true value (the inverse of the response's true amplitude). The file is replaced
// atomically: on failure it stays as it was. 0; the reading and writing messages; 301 for fewer than 2 samples;
// 306 for a silent response.
VResult CreateInversFilter(const std::string& fileName);

// Writes the band filters' test of the open response into `fileName`: its first channel filtered forward through
// each octave band from 31.5 Hz up to the highest below Nyquist, one after another in that order, each as long as
// the response, as a one-channel 16-bit WAV at the response's rate (one common scale, so the bands keep their
// relative levels; the channel factor keeps the true amplitude). 0; 212 (no samples); 903 when the result would be
// longer than a response may be; the writing messages.
VResult FilterTest(WaveHeader& header, const std::string& fileName);

// The Hadamard test: for MLS orders 2..18, a known response is convolved circularly with the sequence and taken
// back by the fast Hadamard transform and by FFT cross-correlation; 0 when both give it back to within 1e-9 of its
// peak, 302 otherwise.
VResult TestHadamard();

} // namespace vemra
