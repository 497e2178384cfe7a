#pragma once
// Sound engine: devices and stream, stimuli, capture and processing, meters, playback, mixer, test signals.
// All on the user-interface thread; the audio runs on the engine's own thread (sound/Engine.h). The backend is
// chosen by VEMRA_SOUND_BACKEND ("virtual": the virtual sound card and mixer; unset or "portaudio": the real
// devices and the ALSA mixer). Returned file names come back in a std::string (empty when none was made).
// Tests of the program's windows install their own card and mixer instead (sound/Engine.h, sound/VirtualCard.h,
// sound/Mixer.h): sound::Engine::instance().setBackend(...) and sound::setMixerBackend(...).
#include "library/api_common.h"

#include <cstdint>
#include <string>

namespace vemra {

#pragma pack(push, 1)
// The library's description of a sound card's mixer (92 bytes as exchanged).
struct MixerControlRecord {
    char MixerName[32] = {};         // NUL-terminated inside the field
    std::int16_t Device1 = 0;        // first device number (card index)
    std::int16_t Device2 = 0;        // second device number (PCM device of the card)
    std::int16_t Device3 = 0;        // third device number (PCM subdevice)
    std::int16_t MixerID = 0;        // index of the mixer: 0, 1, 2 ... (set by the program)
    std::int32_t RmControlID = -1;   // recording master; -1 = none
    std::int32_t PmControlID = -1;   // playback master
    std::int32_t RsControlID = -1;   // recording secondary (the chosen source)
    std::int32_t PsControlID = -1;   // playback secondary
    std::int32_t moreControlIDs[4] = {-1, -1, -1, -1}; // reserved for the library
    std::int32_t RSeq = -1;          // chosen recording line; -1 = not chosen (set by the program)
    std::int32_t PSeq = -1;          // chosen playback line (set by the program)
    std::int16_t RmChannels = 0;
    std::int16_t PmChannels = 0;
    std::int16_t RsChannels = 0;
    std::int16_t PsChannels = 0;
    std::int16_t PlanB = 0;          // 1: the chosen recording source is the only one switched on
    std::int16_t reserved = 0;
};
#pragma pack(pop)
static_assert(sizeof(MixerControlRecord) == 92);
static_assert(offsetof(MixerControlRecord, RmControlID) == 40);
static_assert(offsetof(MixerControlRecord, RSeq) == 72);
static_assert(offsetof(MixerControlRecord, PlanB) == 88);

// --- Devices and the continuous input -------------------------------------------------------------------------
// Selects the input and output devices: by name (a device whose name contains mixerName), else ("" ) the
// defaults. 0, msg::TooFewWaveDevices (no device), msg::NoUsableWaveDevice (no device of that name).
VResult SelectWaveDevices(const std::string& mixerName, std::int16_t device1, std::int16_t device2);
// -1 when the selected devices play and record at once at rate_Hz, else 0.
std::int16_t CheckFullduplex(std::int32_t rate_Hz);
// Keeps the stream recording (channels 1 or 2) while the measurement window is open. 0, msg::BadChannelCount,
// msg::TooFewWaveDevices..msg::CannotStartInput.
VResult StartContRecording(std::int32_t rate_Hz, std::int16_t channels);
// Drops the continuous input's hold on the stream (other users keep it). Always 0.
VResult StopContRecording();

// --- Stimuli ----------------------------------------------------------------------------------------------------
// Plays an MLS (period 2^order - 1) or a sweep (2^order) continuously on output 1 (channels 2: on both) at level
// (1..32767 on the 16-bit scale), shaped by filter (0 none, 1 pink and blue, 2 female, 3 male, 4 RASTI) whose
// level is further multiplied by speechScale (from ScaleSpeech), through the correction file when one is named:
// "<stem>_mls.pcm"/"<stem>_swp.pcm" read as they are, "<stem>.mls_flt.wav"/"<stem>.swp_flt.wav" applied as an
// inverse filter, which also leaves "<stem>_mls.pcm"/"<stem>_swp.pcm" beside it (format: sound/CorrectionFile.h).
// Orders: 13..20 at 22050 Hz, 14..21 at 44100 and 48000 Hz, 15..22 at 96000 Hz, 13..22 otherwise.
// 0, msg::BadChannelCount (channels), msg::BadArgument (order, level or filter), msg::CannotRead (correction file
// missing or damaged), msg::CalibrationFilesDiffer (correction file for another stimulus, order or rate),
// msg::TooFewWaveDevices..msg::CannotStartInput (devices).
VResult StartMLS(std::int16_t channels, std::int16_t order, std::int32_t rate_Hz, std::int16_t level,
                 std::string& correctionFile, std::int16_t filter, float speechScale);
VResult StartSweep(std::int16_t channels, std::int16_t order, std::int32_t rate_Hz, std::int16_t level,
                   std::string& correctionFile, std::int16_t filter, float speechScale);
// Stops the stimulus once no running capture depends on it (at once when none runs).
void StopPlaying();
// In: the DAC levels of the two stimuli. Out: the factor (0, 1] by which a shaped stimulus (filter != 0) is
// played so that none of the shapes, at the RMS of the plain stimulus, peaks above that level; the corrected
// stimulus of order 14 under prefix ("<prefix> 14_mls.pcm", "..._swp.pcm") is taken when it exists.
void ScaleSpeech(std::int32_t rate_Hz, std::string& prefix, float& mlsScale, float& sweepScale);

// --- Capture and processing -------------------------------------------------------------------------------------
// Records count x preAverages frames on the channels of the continuous input (1 when none runs), averaged onto
// one period of count frames. 0, msg::BadArgument (count outside 2..2^24, preAverages outside 1..1000),
// msg::TooFewWaveDevices..msg::CannotStartInput.
VResult StartRecording(std::int32_t rate_Hz, std::int32_t count, std::int16_t preAverages);
// Abandons the capture.
void StopRecording();
// Waits for the capture (as long as frames keep coming; msg::SoundDeviceTimeout when none came for 2 s), turns it into the
// impulse response of info.Stimulus (sound/Processing.h), and writes it as a response file under a new temporary name
// returned in fileName, with info and gains in its header (channel factors: gains' factors times the scale of the
// samples). 0, msg::CannotGetRecording (input lost), msg::SoundDeviceTimeout, msg::SilentInput (every captured sample
// exactly 0), msg::NoSignalReturned (no channel's response holds an impulse above its noise), msg::BadArgument, msg::BadChannelCount, or a file message; on failure no file is left.
VResult ProcessRecording(std::string& fileName, std::int32_t rate_Hz, std::int16_t order, MeasurementInfo& info,
                         MeasurementGains& gains, std::int16_t sign, std::int16_t filter);
// Turns a recording made elsewhere (.wav, .tim, .txt) into a response file of ours (temporary name in
// resultName): stimulus codes 1, 2, 5, 6 deconvolve the recording's first whole period(s) of the order's length
// (averaging all whole periods), 3 takes channel 2 as the source, 4 keeps the recording. 0, a file message,
// msg::TooFewSamples (shorter than one period), msg::BadArgument.
VResult ImportRecording(const std::string& importFile, std::string& resultName, std::int16_t order,
                        MeasurementInfo& info, std::int16_t filter);
// Joins the first channels of two response files into one two-channel response (the first file's header;
// Receiver 1) under a new temporary name in output; the two inputs, when they are temporary files of ours, are
// deleted afterwards. An empty or unreadable input leaves output empty.
void CombineFiles(std::string& output, const std::string& first, const std::string& second);

// --- Meters and playback ----------------------------------------------------------------------------------------
// Level meter on the stream. 0 or msg::TooFewWaveDevices..msg::CannotStartInput.
VResult StartVU(std::int32_t rate_Hz, std::int16_t channels);
// Segments (-1 none, 0..15) of the peak level since the last call, 3 dB per segment, segment 15 from -3 dB of
// the input full scale adcMax_dB (0 = the converter's full scale). mode is 1 (peak).
void GetVU(std::int16_t& left, std::int16_t& right, std::int16_t mode, float adcMax_dB);
void StopVU();
// Plays frames first..first+count-1 of the open response through the band filter (-1 none, -2 wide band,
// 0..43). 0, msg::NoWaveData (no samples), msg::BadArgument (range or band),
// msg::TooFewWaveDevices..msg::CannotStartInput.
VResult PlayWave(WaveHeader& header, std::int32_t filter, std::int32_t first, std::int32_t count);
void StopWave();

// --- Mixer ------------------------------------------------------------------------------------------------------
// Given MixerID, PSeq, RSeq and PlanB, fills the name (sanitised), device numbers, control ids (stable hashes of
// the controls' identities; -1 where there is none) and channel counts. 0, or msg::NoUsableWaveDevice when no mixer has
// that index.
VResult GetMixerControlIDs(MixerControlRecord& record);
// Puts the chosen lines in use (save -1: first remembers the mixer's state for RestoreMixerControls). 0 or
// msg::NoUsableWaveDevice.
VResult SetMixerControls(MixerControlRecord& record, std::int32_t save);
VResult RestoreMixerControls(MixerControlRecord& record);
// Volumes are positions 0..65535 mapped linearly onto the control's range. Unknown controls are ignored (GetVolume
// then gives 0, 0).
void SetVolume(std::int16_t mixerId, std::int32_t controlId, std::int16_t channels, std::int32_t left,
               std::int32_t right);
void GetVolume(std::int16_t mixerId, std::int32_t controlId, std::int16_t channels, std::int32_t& left,
               std::int32_t& right);

// --- Test signals -----------------------------------------------------------------------------------------------
// Write the stimuli as 16-bit wave files (level 16384) into the folder "TestSignals" of the data folder, for
// playing from another device: "mls <order>.wav" for orders 13..22 at 48000 Hz, "sweep <rate> <order>.wav" for
// the orders of that rate. 0 or a file message.
VResult WriteMLS();
VResult WriteSweep(std::int32_t rate_Hz);

} // namespace vemra
