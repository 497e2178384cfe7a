#pragma once
// The speed of sound as the program uses it everywhere: 20.1 sqrt(273 + T) m/s at T degrees C. No Qt; any thread.
#include <cmath>

namespace vemra::dsp {

inline double speedOfSound(double temperature_C)
{
    return 20.1 * std::sqrt(273.0 + temperature_C);
}

} // namespace vemra::dsp
