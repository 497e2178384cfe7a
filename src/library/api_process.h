#pragma once
// Processing of a response file into a new response: ScaleWave (scale-model conversion) and Adrienne (the
// reflection-index result). Both work on files: the program saves its document to a GetTempName file, the
// library leaves the result in that same file, and the program opens it as a new document.
#include "library/api_common.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vemra {

#pragma pack(push, 1)
// The conversion's parameters, passed by reference.
struct ScaleParams {
    float scale = 10;              // N of the model scale 1:N
    float modelTemperature = 20;   // degrees C
    float modelHumidity = 70;      // relative humidity, percent
    float actualTemperature = 20;  // degrees C
    float actualHumidity = 70;     // percent
    std::int16_t airAbsorption = 1; // 0: time axis only; otherwise correct the air absorption too
    std::int16_t padding = 0;
};
#pragma pack(pop)
static_assert(sizeof(ScaleParams) == 24);

// Progress of ScaleWave in percent (0..100); the answer 1 asks the library to stop, 0 to go on. Called on the
// calling thread, from within ScaleWave: the program's callback is where the message loop gets to run.
using ScaleProgressFn = std::function<std::int16_t(float percent)>;

// The result of ScaleWave when the progress callback asked it to stop: not a message (there is nothing to tell
// the user); the file is then left as it was.
inline constexpr VResult ScaleStopped = -1;

// Converts the response in `fileName` in place into the full-size hall's response (dsp/ScaleModel.h): the sample
// rate becomes the rate divided by the scale (rounded to whole hertz), the samples keep their number, and with
// airAbsorption the excess air absorption of the model is exchanged for that of the hall. The header's
// information and texts stay; stored impulse starts stay (they count samples). 0; ScaleStopped; msg::BadArgument for a
// scale outside 0.01..100, a resulting rate below 1 Hz, or (with airAbsorption) a temperature at or below -273 degrees
// C or a humidity outside 0..100 %; the file messages of reading and writing.
VResult ScaleWave(const std::string& fileName, ScaleParams& params, const ScaleProgressFn& progress = {});

// Makes a reflection-index result (Receiver 6) out of the response in `fileName` (measured in front of the
// device under test) and the free-field response in `referenceFile` (dsp/Adrienne.h), and leaves it in
// `fileName`: two channels, 1 the incident sound, 0 the reflected sound, both at the measurement's rate and
// length and on one amplitude scale; ProbeDist = `distance` (metres between microphone and reference plane);
// channel 1's IRStart = the incident start. The measurement's information, texts and temperature stay.
// 0; msg::WrongReceiver when a response was not measured with one omni-directional microphone (Receiver 0);
// msg::BadChannelCount when a response has more than one channel; msg::RatesDiffer when the rates differ;
// msg::BadArgument for a distance that is not above 0 or whose reflection (2 d / c later) would lie beyond the
// measurement; msg::NoImpulse when a response is silent; the file messages.
VResult Adrienne(const std::string& referenceFile, const std::string& fileName, float distance);

} // namespace vemra
