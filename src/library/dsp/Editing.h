#pragma once
// Sample edits of a response held as planar 16-bit channels (one vector per channel, equal lengths): rotate,
// delete, insert, silence and the twelve window shapes. The kernels check nothing but what they need to stay in
// bounds; callers validate ranges first (validRange). No Qt; pure functions, any thread.
#include <cstdint>
#include <vector>

namespace vemra::dsp {

using PlanarSamples = std::vector<std::vector<std::int16_t>>;

// True when start .. start + length - 1 lies inside a response of `frames` frames (length 0 allowed at any
// start 0..frames).
bool validRange(std::int64_t frames, std::int64_t start, std::int64_t length);

// Circular rotation: frame `first` becomes frame 0 and the frames before it move to the end (0 <= first < n).
void rotateFrames(PlanarSamples& channels, std::int64_t first);
// Removes the range (valid range required).
void deleteFrames(PlanarSamples& channels, std::int64_t start, std::int64_t length);
// Inserts `insert` (same channel count) before frame `position` (0 .. n).
void insertFrames(PlanarSamples& channels, std::int64_t position, const PlanarSamples& insert);
// Sets the range to 0.
void silenceFrames(PlanarSamples& channels, std::int64_t start, std::int64_t length);

// Window shapes 1..12: 1 Hanning, 2 LH-Hanning, 3 RH-Hanning, 4 Hamming, 5 LH-Hamming, 6 RH-Hamming,
// 7 Blackman, 8 LH-Blackman, 9 RH-Blackman, 10 Blackman-Harris, 11 LH-Blackman-Harris, 12 RH-Blackman-Harris.
// LH is the rising half (its last point is the window's peak, 1), RH the falling half (its first point is 1).
inline constexpr int kFirstWindowShape = 1;
inline constexpr int kLastWindowShape = 12;
bool validWindowShape(int shape);
// The symmetric window family (0 Hanning, 1 Hamming, 2 Blackman, 3 Blackman-Harris) at x in [0, 1], the peak
// at x = 0.5.
double windowFamilyValue(int family, double x);
// The gain of point i (0 .. length - 1) of a window shape stretched over `length` points.
double windowGain(int shape, std::int64_t i, std::int64_t length);
// Multiplies the range by the window shape, rounding to the nearest sample value. Frames outside the range stay.
void applyWindow(PlanarSamples& channels, std::int64_t start, std::int64_t length, int shape);

} // namespace vemra::dsp
