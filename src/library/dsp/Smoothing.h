#pragma once
// Fractional-octave smoothing of a power spectrum on the view's grid (see Spectrum.h): each bin becomes the mean
// power over the band of the given width centred on it geometrically, so a smoothed spectrum keeps the level of
// a flat spectrum and of a band of steady noise. No Qt; any thread.
#include <span>
#include <vector>

namespace vemra::dsp {

// Smooths the power of bins 1..N (element i is bin i + 1) over 1/fraction octave (3 = third octave): bin k
// becomes the mean over k * 10^(-0.15/fraction) .. k * 10^(0.15/fraction), the base-ten band edges.
std::vector<double> fractionalOctaveSmooth(std::span<const double> powerOfBins1toN, double fraction);

} // namespace vemra::dsp
