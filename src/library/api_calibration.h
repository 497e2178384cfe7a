#pragma once
// The sound-card calibration's library functions: the calibration tone and its analysis, the loop-back
// measurements of the playing MLS or sweep, the zero extension of a response, and the mixer lists and test report.
// Definitions (dsp/CalibrationSignal.h has the formulas):
// - The tone is a sine near 1 kHz whose period of N samples (4096 at 22050 Hz, 8192 at 44100/48000 Hz, 16384 at
//   96000 Hz) holds a whole number of cycles; it plays on both outputs until StopCalSignal.
// - A tone measurement records exactly one period N on the continuous input's channels; THD+N is everything from
//   20 Hz to 20 kHz but the fundamental, relative to the fundamental (more negative is cleaner; a recording
//   without the tone reads 0 dB or more, so the program's "above -10 dB: not detected" holds).
// - INR: the response's peak over the mean noise of the half period opposite the peak, less the peak that noise
//   alone shows, so noise alone reads about 0 dB (the program's 15 dB detection and -10 dB "no signal" limits mean
//   what they say). Polarity: the sign of the peak.
// Calling thread: the user-interface thread (the measurements block until their recording is in, bounded by the
// engine's clock: 161 when the card delivers nothing).
#include "library/api_common.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vemra {

#pragma pack(push, 1)
// What MeasureCalSignal fills (20 bytes).
struct CalSignalResult {
    std::int16_t peak = 0;      // largest sample magnitude of the recorded tone, 16-bit units (32767 full scale)
    std::int16_t padding = 0;
    float rms_dB = 0;           // RMS level of input 1, dB re full scale (a full-scale sine reads -3.01 dB)
    float frequency_Hz = 0;     // the tone's frequency
    float thdn_dB = 0;          // THD+N, the worse of the recorded channels
    float rms2_dB = 0;          // RMS level of input 2 (input 1's with one channel)
};
#pragma pack(pop)
static_assert(sizeof(CalSignalResult) == 20);
static_assert(offsetof(CalSignalResult, thdn_dB) == 12);

// Mixer names, each followed by ';' ("Virtual sound card;"); the count. Position k of a name is mixer k.
std::int16_t GetMixList(std::string& names);
// The recording lines (sources) and playback lines (destinations) of a mixer, in the same form; position k is line
// number k. 0 for an unknown mixer.
std::int16_t GetSrcList(std::int32_t mixer, std::string& names);
std::int16_t GetDstList(std::int32_t mixer, std::string& names);
// Appends to logFile a report of every mixer: name, device numbers, lines, the four gain controls with their ids,
// channels and present positions. Nothing when the file cannot be opened.
void TestMixer(const std::string& logFile);

// Starts the tone at rate_Hz with converter levels 0..32767 (one signal feeds both outputs, so the two levels must
// be equal). 0, 302 (levels), 152..155 (devices).
VResult GenCalSignal(std::int32_t rate_Hz, std::int16_t level1, std::int16_t level2);
// Stops the tone (nothing when another stimulus has taken its place).
void StopCalSignal();
// Records one tone period on channels (1 or 2) and analyses it. 0, 300 (channels), 302, 158, 161, 152..155.
VResult MeasureCalSignal(std::int32_t rate_Hz, std::int16_t channels, CalSignalResult& result);
// Records one period of the playing MLS of this order (2^order - 1 frames) and deconvolves it: inr the lower of
// the channels' INR, polarity input 1's (+1 or -1, in the low 16 bits). 160 when no MLS of that order plays;
// 300, 302, 158, 161.
VResult MeasureMLSCalSignal(float& inr, std::int32_t& polarity, std::int16_t order, std::int16_t channels);
// The same for the playing sweep of this order (2^order frames) at rate_Hz; INR only.
VResult MeasureSweepCalSignal(float& inr, std::int16_t order, std::int16_t channels, std::int32_t rate_Hz);

// Extends the response in fileName with silence to length frames, in place (atomically). A response already of
// that length is left as it is. 0, 302 (length below the response's own), 903 (above the longest response), or
// the reading and writing messages.
VResult ZeroPad(const std::string& fileName, std::int32_t length);

// Makes the pre-filtered stimulus file "<stem>_mls.pcm" (stimulus 1) or "<stem>_swp.pcm" (stimulus 5) of this
// order and rate from the inverse-filter file "<stem>.mls_flt.wav" (".swp_flt.wav") beside it
// (sound/CorrectionFile.h), written atomically and read back before the call succeeds. 0, 302 (stimulus, order,
// rate), 207 (the filter file missing or damaged), 907 (the filter file refused or the stimulus file not written).
VResult MakeCorrectionFile(const std::string& filterFile, std::int16_t stimulus, std::int16_t order,
                           std::int32_t rate_Hz);

} // namespace vemra
