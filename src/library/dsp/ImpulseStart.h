#pragma once
// The start of an impulse response after ISO 3382-1: the first sample whose energy comes within 20 dB of the
// peak's, searched from the beginning up to the peak (the direct sound). Broadband, on the unfiltered samples.
// No Qt; any thread.
#include <cstdint>
#include <span>

namespace vemra::dsp {

// Sample index of the start; -1 when there is no start (empty or all-zero signal). Float samples, or the 16-bit
// samples of a response (the same start as their float values).
std::int64_t impulseStartIso(std::span<const float> x);
std::int64_t impulseStartIso(std::span<const std::int16_t> x);

} // namespace vemra::dsp
