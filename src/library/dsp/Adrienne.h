#pragma once
// Separation of the incident and the reflected sound of a device under test (the subtraction technique of the
// time-windowed reflection-index method).
//
// Two impulse responses are measured with the same source and microphone: the measurement in front of the device
// (incident sound, then its reflection from the device) and a reference in free field (the incident sound only).
// The reference is moved in time so that its direct sound lines up with the measurement's (the ISO 3382-1 starts
// of both, then the lag within +-kAlignSearch samples that correlates best over the first millisecond of the
// direct sound). What is left after subtracting the aligned reference from the measurement is the reflected
// sound; the aligned reference is the incident sound. Both come back on the measurement's time axis, in the
// measurement's length, so the reflection arrives 2 d / c after the incident start.
// No Qt; any thread.
#include <cstdint>
#include <span>
#include <vector>

namespace vemra::dsp {

inline constexpr std::int64_t kAlignSearch = 8;

struct ReflectionSeparation {
    std::vector<double> incident;     // the aligned reference
    std::vector<double> reflected;    // measurement minus the aligned reference
    std::int64_t incidentStart = -1;  // first sample of the incident sound (the measurement's start)
    std::int64_t shift = 0;           // reference sample i lies at measurement sample i + shift
};

// False when either response has no start (empty or silent); `out` is then unchanged.
bool separateReflection(std::span<const double> measured, std::span<const double> reference, double fs_Hz,
                        ReflectionSeparation& out);

} // namespace vemra::dsp
