#pragma once
// Sample edits, selection statistics and the reflection index: EditRotate, EditCopy, EditDelete, EditClip2File,
// EditInsertFile, EditWindow, EditSilence, CalcSinfo, CalcRI.
//
// Edits change the open response the header holds (OpenWave) in place and bring its sample fields up to date
// (SampleCount, DataBytes, Max/MinDataValue); every change gives the samples a new revision, so cached analyses
// and views are made afresh. Edits that move samples (rotate, delete, insert) clear the stored impulse start of
// both channels (IRStart -1): where the response starts is found again. A refused edit changes nothing.
// Ranges are in frames: start 0 .. SampleCount, length 0 .. SampleCount - start (length 0 does nothing).
// Results: 0; msg::NoWaveData when the header holds no samples; msg::BadArgument for a range, position or window shape
// the response does not have (the document window offers none); msg::FileTooShort when fewer than 256 frames would
// remain; msg::FileTooLong when more than 4194304 would result; msg::NotEnoughMemory when memory runs out. Calls come
// from the user-interface thread.
#include "library/api_common.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vemra {

// The clipboard's wave, as the bytes of a 16-bit WAV file. The program registers hooks at start-up that put
// the bytes on the system clipboard (as audio/wav) and read them back; without hooks the library keeps the last
// copied wave itself (headless use, tests).
//   put(bytes): false when the clipboard could not be opened.
//   get(bytes): false when the clipboard could not be opened; true with empty bytes when it holds no wave.
struct ClipboardHooks {
    std::function<bool(const std::vector<std::uint8_t>& wav)> put;
    std::function<bool(std::vector<std::uint8_t>& wav)> get;
};
// Empty hooks go back to the library's own clipboard.
void SetClipboardHooks(ClipboardHooks hooks);

// Rotates the response: frame `samples` (0 .. SampleCount - 1) becomes the first, the frames before it go to
// the end (0 changes nothing).
VResult EditRotate(WaveHeader& header, std::int32_t samples);
// Puts the range on the clipboard as a WAV of the response's rate and channels (with the header's information,
// its impulse start cleared). The response does not change. An empty range is refused (msg::BadArgument);
// msg::ClipboardUnavailable when the clipboard cannot be opened.
VResult EditCopy(WaveHeader& header, std::int32_t start, std::int32_t length);
// Removes the range; at least 256 frames must remain (msg::FileTooShort).
VResult EditDelete(WaveHeader& header, std::int32_t start, std::int32_t length);
// Writes the clipboard's wave into a new temporary file (GetTempName) and returns its name in fileName ("" on
// failure). msg::ClipboardFormat when the clipboard holds no 16-bit wave, msg::ClipboardUnavailable when it cannot be
// opened, msg::CannotCreateFile when no temporary file can be made.
VResult EditClip2File(std::string& fileName);
// Inserts the samples of a response file before frame `position` (0 .. SampleCount). The file must have the
// response's channel count (msg::BadChannelCount) and sample rate (msg::RatesDiffer); its reading messages as
// OpenWave's.
VResult EditInsertFile(WaveHeader& header, std::int32_t position, const std::string& fileName);
// Multiplies the range by a window shape 1..12 (dsp/Editing.h); frames outside the range stay.
VResult EditWindow(WaveHeader& header, std::int32_t start, std::int32_t length, std::int16_t windowType);
// Sets the range to 0.
VResult EditSilence(WaveHeader& header, std::int32_t start, std::int32_t length);

// Statistics of block.first .. block.first + block.length - 1 of a channel, after the band filter filterType (-1 none,
// -2 wide band, 0..43 a band; run forward from the start of the response), in sample units: Min/Max/AvgSampleValue;
// Power, the RMS level in dB re full scale (kFullScale), SilenceLevel_dB for silence; Slope, dB per second of the
// least-squares line through the level (dsp/SelectionStatistics.h), 0 when none fits; DT60, -60 / Slope in seconds,
// NoDecayTime_s when the line does not fall or cannot be fitted; Decay, the line's change of level across the
// selection in dB (Slope times the selection's duration). The block's first two fields are not changed. 0;
// msg::NoWaveData (no samples); msg::BadChannelCount (no such channel); msg::BadArgument (range outside the response,
// empty range, or a band filter that does not exist below Nyquist). On failure the results are unchanged.
VResult CalcSinfo(WaveHeader& header, std::int16_t channel, std::int16_t filterType, SinfoBlock& block);
inline constexpr float SilenceLevel_dB = -200.0f; // Power of a silent selection
inline constexpr float NoDecayTime_s = 1000.0f;   // DT60 when no decay could be fitted

// Reflection index per band 0..43 of a reflection-index result (Receiver 6), dsp/ReflectionIndex.h:
// channel 1 holds the incident sound, channel 0 the reflected sound; ProbeDist is the distance between
// microphone and reference plane in metres; the speed of sound is 20.1 sqrt(Temperature + 273) m/s; the incident
// sound starts at channel 1's stored IRStart, else at its ISO 3382-1 start. Every band it cannot compute is -1.
// 0; msg::NoWaveData (no samples); msg::WrongReceiver (not a reflection-index result); msg::BadChannelCount (not two
// channels); msg::BadArgument (negative or invalid distance, or a temperature at or below -273 degrees C);
// msg::NoImpulse (channel 1 is silent).
VResult CalcRI(WaveHeader& header, RIResult& result);

} // namespace vemra
