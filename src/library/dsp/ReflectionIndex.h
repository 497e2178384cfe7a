#pragma once
// Reflection index per band of a reflection-index result (the sound reflection of a device under test in front
// of a microphone, by the time-windowed impulse method):
//   RI(band) = C_geo * E_r(band) / E_i(band)
// E_i is the band energy of the incident sound in its time window, E_r that of the reflected sound in the same
// window delayed by the extra path 2 d / c (d the distance between microphone and reference plane, c the speed
// of sound). The window rises over 0.5 ms (left half of a Blackman-Harris window), stays flat for 5.18 ms and
// falls over 2.22 ms (right half); it starts to be flat 0.2 ms before the incident sound's start.
// C_geo = ((d_s + 2 d) / d_s)^2 corrects the longer spreading path of the reflection, d_s the distance from the
// source to the microphone (1.25 m in the standard set-up). Band energies sum the squared spectrum over the
// FFT bins whose frequency lies within the band's edges (Bands.h).
// No Qt; any thread.
#include <array>
#include <cstdint>
#include <span>

namespace vemra::dsp {

inline constexpr double kReflectionSourceDistance_m = 1.25;
inline constexpr double kReflectionWindowRise_s = 0.0005;
inline constexpr double kReflectionWindowFlat_s = 0.00518;
inline constexpr double kReflectionWindowFall_s = 0.00222;
inline constexpr double kReflectionWindowLead_s = 0.0002; // flat part begins this much before the start

// The window's gain at time t (seconds) for a window whose flat part begins at flatStart_s.
double reflectionWindowGain(double t_s, double flatStart_s);

struct ReflectionSetup {
    double fs_Hz = 0;
    std::int64_t incidentStart = -1; // first sample of the incident sound
    double probeDistance_m = 0;      // microphone to reference plane, >= 0
    double soundSpeed_mps = 343;
    double sourceDistance_m = kReflectionSourceDistance_m;
};

// One value per band index 0..43; -1 where it cannot be computed (band not below Nyquist, no incident energy in
// the band, a window outside the samples, an invalid set-up).
std::array<double, 44> reflectionIndex(std::span<const float> reflected, std::span<const float> incident,
                                       const ReflectionSetup& setup);

} // namespace vemra::dsp
