#pragma once
// From a finished capture to impulse responses.
// Stimulus codes: 1 internal MLS, 2 external MLS, 5 internal sweep, 6 external sweep (deconvolved circularly by
// the stimulus of the given order, rate and source filter; the engine's own stimulus, when the capture was locked
// to it, also gives the level and the gain of its correction, both divided out); 3 external noise (channel 2 records
// the source: the response is the transfer from channel 2 to channel 1, one channel); 4 external impulse (the
// averaged capture itself).
// Internal stimuli come out with sample 0 at the moment the stimulus left the converter; external ones start at
// the capture's first frame. Responses are in input full scale per unit of stimulus amplitude, times sign.
#include "library/api_common.h"
#include "library/sound/Engine.h"

#include <cstddef>
#include <span>
#include <vector>

namespace vemra::sound {

struct ProcessRequest {
    int stimulus = 1;
    int order = 14;
    double rate_Hz = 48000;
    int filter = 0;
    int sign = 1;
};

// 0, msg::BadArgument (stimulus code, order or filter that does not fit the capture), msg::BadChannelCount (noise needs
// two channels).
VResult deconvolveCapture(const CaptureResult& capture, const ProcessRequest& request,
                          std::vector<std::vector<double>>& responses);

// Whether a response holds an impulse above its noise, as every response of a signal that came back does and a
// deconvolved recording of noise alone (a muted output, a cable out) does not. Its largest sample must stand at
// least kImpulseOverNoise times above sigma sqrt(2 ln N), which is where the largest of N samples of Gaussian noise
// of RMS sigma lies; sigma is the median RMS of kNoiseBlocks equal blocks of the response, the level it stays at
// over most of its length: the noise, also beside a reverberant tail that fills up to half of the period, and the
// RMS itself for a deconvolved noise of any colour. Responses too short for such blocks are not judged (true).
inline constexpr double kImpulseOverNoise = 2.0; // 6 dB
inline constexpr std::size_t kNoiseBlocks = 16;
bool holdsAnImpulse(std::span<const double> response);

} // namespace vemra::sound
