#pragma once
// Response files: reading and writing a response (header record and 16-bit samples) in the three file kinds the
// program knows, without Qt.
//   WAV  16-bit PCM through libsndfile, with our "vmra" chunk holding header bytes 312..1971; a WAV without the
//        chunk reads with the defaults of MeasurementInfo/MeasurementGains (IRStart -1, 20 degrees C, factors 1).
//   TIM  the analyser's time-domain file (single channel, float samples); written only with the set-up template.
//   TXT  optional "# rate=<Hz>" and "# channels=<n>" lines, then one line per frame with one or two numbers.
// Results are 0 or a message id (the file messages msg::CannotCreateFile..msg::BadTxt, msg::BadChannelCount,
// msg::TooFewSamples, msg::BadBitsPerSample). Readers never read outside their input and write nothing; writers replace
// the target atomically, so a failed save leaves an existing file as it was. Samples are interleaved frames. Calling
// thread: any (no shared state besides the temp-name registry).
#include "library/api_common.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vemra::files {

// Frame limits of a response the program opens (both bounds accepted).
inline constexpr std::int64_t kMaxFrames = 4194304; // 2^22
inline constexpr std::int64_t kMinFrames = 256;     // 2^8
// Sampling rates of a response the program opens (both bounds accepted): the rates it makes itself, the sound
// engine's 8 kHz to 96 kHz taken through a scale-model conversion of 1:100 to 100:1, with a margin. A file that
// claims 1 Hz or 2 GHz is no response of a room or a model: it would have no band to analyse, or take minutes.
inline constexpr std::int32_t kMinRate = 80;
inline constexpr std::int32_t kMaxRate = 10'000'000;

enum class FileKind { Wav, Tim, Txt };

// A response's samples one vector per channel (1 or 2 channels of equal length), as the open responses hold them.
using PlanarSamples = std::vector<std::vector<std::int16_t>>;

// By the name's extension, case-insensitive: ".tim", ".txt", anything else WAV.
FileKind kindOfPath(const std::string& path);

// Reads the file at `path`. On success the header's sample fields (DataBytes, SampleCount, format block, Max/Min
// data values), MeasurementInfo, the five texts and MeasurementGains hold the file's values; FileName, the
// reserved fields and ProcCount are left as they were. With `samples` the frames are returned as well (16-bit
// files only: other widths give their header and msg::BadBitsPerSample when samples are asked for). Without them
// the samples of a WAV are not decoded (its Max/MinDataValue are 0). On failure the header is unchanged. A file
// that shrinks or changes while it is read (a recorder or a copy still writing it) gives msg::CannotRead.
VResult readResponse(const std::string& path, WaveHeader& header, std::vector<std::int16_t>* samples);

// The same reader over the whole content of a file held in memory (the tests and fuzz targets use it).
VResult readResponseBytes(FileKind kind, std::span<const std::uint8_t> bytes, WaveHeader& header,
                          std::vector<std::int16_t>* samples);

// The same with the samples per channel. A WAV is read from the file piece by piece straight into the channels,
// so the samples are held once, not beside the file's bytes (nor beside interleaved frames). Without `channels` this is the header read: no sample is decoded, and the
// header's Max/MinDataValue are 0 for a WAV.
VResult readResponsePlanar(const std::string& path, WaveHeader& header, PlanarSamples* channels);
VResult readResponseBytesPlanar(FileKind kind, std::span<const std::uint8_t> bytes, WaveHeader& header,
                                PlanarSamples* channels);

// The smallest and the largest sample, widened from `lo` and `hi` (which a caller starts at a sample, or at
// the extremes the other way round).
void widenSampleRange(std::span<const std::int16_t> samples, std::int16_t& lo, std::int16_t& hi);

// Interleaved frames of `channels` channels (1 or 2) to one vector per channel, and back.
PlanarSamples deinterleave(std::span<const std::int16_t> frames, int channels);
std::vector<std::int16_t> interleave(const PlanarSamples& channels);

// Writes a response: header.format.Channels (1 or 2) and header.format.SampleFrequency describe the
// interleaved samples; the information, texts and gains of the header go into the file where the kind has room.
// The kind follows the path's extension. TIM needs the set-up template (else msg::TimCannotSave) and one channel (else
// msg::TimSingleChannel).
VResult writeResponse(const std::string& path, const WaveHeader& header, std::span<const std::int16_t> samples);

// Writes a 16-bit WAV with our chunk, whatever the extension (recordings go to temporary names).
VResult writeResponseWav(const std::string& path, const WaveHeader& header, std::span<const std::int16_t> samples);

// Sets the format block, SampleCount and DataBytes of a 16-bit PCM response (Max/MinDataValue untouched).
void setPcm16Format(WaveHeader& header, int channels, std::int32_t rate, std::int64_t frames);

// The file's bytes as writeResponse would write them (no file is touched).
VResult encodeResponse(FileKind kind, const WaveHeader& header, std::span<const std::int16_t> samples,
                       std::vector<std::uint8_t>& bytes);

} // namespace vemra::files
