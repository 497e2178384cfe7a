#pragma once
// The power spectrum of a response on the frequency grid of the spectrum views, and the mean of a power spectrum
// between two frequencies (the building block of band levels and fractional-octave smoothing).
//
// Grid: a response of n samples is zero padded to an odd transform length M = 2N + 1 >= n (M has only the
// factors 3, 5 and 7, so the transform stays fast at any n). The view has N points; point i is bin i + 1, at
// (i + 1) * fs / M hertz: the DC bin is not shown. Power is |X(k)|^2 in squared sample units, so a unit impulse
// has power 1 in every bin and white noise of variance s^2 has mean power n * s^2.
// No Qt; any thread (plan creation is serialised by Fft.h).
#include <cstdint>
#include <span>
#include <vector>

namespace vemra::dsp {

// Number of spectrum points N for a response of sampleCount samples (at least 1).
std::int32_t spectrumPointCount(std::int64_t sampleCount);

// Frequency resolution of the view: fs / (2N + 1) hertz per point.
double spectrumPointSpacing_Hz(double fs_Hz, std::int32_t pointCount);

// |X(k)|^2 for bins k = 1..N of the (2N + 1)-point transform of x (zero padded; x longer than 2N + 1 is cut).
std::vector<double> powerSpectrum(std::span<const float> x, std::int32_t pointCount);

// The bin of the linear spectrum that point `point` of the logarithmic view shows, for a view of pointCount
// points: 2^(point / k) - 1 with k = N ln 2 / ln N in single precision, rounded to nearest, ties to even.
// Point 0 gives 0 and point N gives N - 1. pointCount must be at least 2.
std::int32_t logSamplePoint(std::int32_t point, std::int32_t pointCount);

// Mean of a power spectrum over a continuous range of bins. The spectrum is taken as constant over each bin
// (bin k covers k - 0.5 .. k + 0.5); bins are numbered as on the view's grid, 1..N.
class PowerIntegral {
public:
    explicit PowerIntegral(std::span<const double> powerOfBins1toN);
    std::int32_t binCount() const { return std::int32_t(prefix_.size()) - 1; }
    // Mean power between bin coordinates a < b, clamped to the covered range; a range narrower than 1e-9 bins
    // (also after clamping) gives the power of the bin that holds it.
    double mean(double a, double b) const;

private:
    double cumulative(double x) const;
    std::vector<double> power_;
    std::vector<double> prefix_; // prefix_[j] = sum of bins 1..j
};

} // namespace vemra::dsp
