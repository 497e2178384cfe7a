#pragma once
// The reader of a stored sound-card calibration record (section "SoundSys\<description>"): the converter levels,
// the polarity, the four gain curves and the rate, each checked as it is read. A key that is missing gives its
// default; a value that is no number in its range (a curve that does not parse, a rate the program does not offer)
// throws VemraError 13 naming the key, and the caller uses none of the record.
// Calling thread: the user-interface thread (it reads the settings store).
#include <QString>

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace vemra {

// One gain curve "<control id>;<position>=<level dB>;...;": control -1 is no control and has no steps.
struct GainCurveRecord {
    std::int32_t controlId = -1;
    std::vector<std::pair<std::int32_t, float>> steps; // mixer position 0..65535, level in dB
    std::int16_t channels = 2;
};

struct CalibrationRecord {
    std::int32_t adcMax = 0;    // input full scale, 1..32767
    std::int32_t mlsDacMax = 0; // DAC levels of the stimuli, 1..32767
    std::int32_t swpDacMax = 0;
    std::int16_t sign = 1;      // loop-back polarity, -1 or 1
    std::array<GainCurveRecord, 4> curves; // Pm, Rm, Ps, Rs
};

CalibrationRecord ReadCalibrationRecord(const QString& section);
// "Frequency": one of the offered rates; a missing key gives defaultRate_Hz.
std::int32_t ReadCalibrationRate(const QString& section, std::int32_t defaultRate_Hz);

} // namespace vemra
