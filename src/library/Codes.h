#pragma once
// The codes a response carries in its header and that the windows, the document and the library share. Header
// only, no Qt.
#include <cstdint>

namespace vemra {

// Receiver codes (MeasurementInfo::Receiver): which microphones made the response, and so which parameters and
// channels it offers.
enum ReceiverCode : std::int16_t {
    ReceiverOmni = 0,            // one omnidirectional microphone
    ReceiverOmniFig8Switched = 1, // omni and figure-of-eight in two passes, combined into two channels
    ReceiverDualOmni = 2,        // two omnidirectional microphones
    ReceiverOmniFig8 = 3,        // omni plus figure-of-eight at once
    ReceiverHead = 4,            // measurement head (binaural)
    ReceiverOmniOmniProbe = 5,   // probe of two omnidirectional capsules
    ReceiverReflectionIndex = 6, // a reflection-index result, not a measurement
};
inline constexpr int ReceiverCodeCount = 7;
constexpr bool isReceiverCode(int code) { return code >= ReceiverOmni && code <= ReceiverReflectionIndex; }
// Receivers 1 and 3: channel 0 omnidirectional, channel 1 figure-of-eight (the lateral fraction's pair).
constexpr bool isFigureOfEightReceiver(int code)
{
    return code == ReceiverOmniFig8Switched || code == ReceiverOmniFig8;
}

// Stimulus codes (MeasurementInfo::Stimulus).
enum StimulusCode : std::int16_t {
    StimulusInternalMls = 1,
    StimulusExternalMls = 2,
    StimulusExternalNoise = 3,
    StimulusExternalImpulse = 4,
    StimulusInternalSweep = 5,
    StimulusExternalSweep = 6,
};
constexpr bool isStimulusCode(int code) { return code >= StimulusInternalMls && code <= StimulusExternalSweep; }
constexpr bool isMlsStimulus(int code) { return code == StimulusInternalMls || code == StimulusExternalMls; }
constexpr bool isSweepStimulus(int code) { return code == StimulusInternalSweep || code == StimulusExternalSweep; }
// The program played the stimulus itself (through the sound card's output).
constexpr bool isInternalStimulus(int code) { return code == StimulusInternalMls || code == StimulusInternalSweep; }

// Source-filter codes (MeasurementInfo::SourceFilter): the spectral shape of the stimulus.
enum SourceFilterCode : std::int16_t {
    SourceFilterNone = 0,
    SourceFilterPinkBlue = 1,
    SourceFilterFemale = 2,
    SourceFilterMale = 3,
    SourceFilterRasti = 4,
};
inline constexpr int SourceFilterCodeCount = 5;

// The 16-bit sample scale: a sample of kFullScale would be amplitude 1.0 (fractions of full scale are sample /
// kFullScale, which every 16-bit value turns into exactly); kMaxSample and kMinSample are the largest and smallest
// samples a response holds.
inline constexpr double kFullScale = 32768.0;
inline constexpr std::int16_t kMaxSample = 32767;
inline constexpr std::int16_t kMinSample = -32768;

} // namespace vemra
