#pragma once
// The three response file formats over bytes in memory (a WAV over any source of bytes, read where it is asked
// for), and what they share. Internal to the files module.
#include "library/api_common.h"
#include "library/files/FileIo.h"
#include "library/files/ResponseFile.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace vemra::files::detail {

static_assert(std::endian::native == std::endian::little, "the records and file layouts are little-endian");

inline std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void put16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Fills the sample fields of the header for 16-bit PCM: format block, SampleCount, DataBytes, Max/MinDataValue.
void setSampleFields(WaveHeader& header, int channels, std::int32_t rate, std::span<const std::int16_t> samples);

// The information, texts and gains of a file that carries none: the record defaults (IRStart -1, 20 degrees C,
// channel factors 1, blank texts).
void setDefaultInformation(WaveHeader& header);

// Values read from a file that later code divides by or indexes with: non-finite floats and impossible impulse
// starts go back to their defaults.
void sanitiseInformation(WaveHeader& header);

// Our chunk: u32 version, u32 length of the whole payload, then header bytes 312..1971.
inline constexpr std::uint32_t kChunkVersion = 1;
inline constexpr std::size_t kChunkHeaderFirst = 312;
inline constexpr std::size_t kChunkHeaderBytes = sizeof(WaveHeader) - kChunkHeaderFirst; // 1660
inline constexpr std::size_t kChunkLength = 8 + kChunkHeaderBytes;
std::vector<std::uint8_t> encodeInfoChunk(const WaveHeader& header);
// False when the payload is not a chunk of ours that this version can read.
bool decodeInfoChunk(std::span<const std::uint8_t> payload, WaveHeader& header);

// Without `channels` only the header is read: the samples are not decoded and Max/MinDataValue are 0. The source
// is read where the chunks and samples lie, never whole.
VResult readWav(ByteSource& source, WaveHeader& header, PlanarSamples* channels);
VResult encodeWav(const WaveHeader& header, std::span<const std::int16_t> samples, std::vector<std::uint8_t>& out);

// The set-up template is the acquisition-algorithm word followed by the analyser's set-up record.
inline constexpr std::size_t kTimSetupBytes = 104;
inline constexpr std::size_t kTimTemplateBytes = 2 + kTimSetupBytes;
VResult readTim(std::span<const std::uint8_t> bytes, WaveHeader& header, std::vector<std::int16_t>* samples);
VResult encodeTim(const WaveHeader& header, std::span<const std::int16_t> samples,
                  std::span<const std::uint8_t> setupTemplate, std::vector<std::uint8_t>& out);

// readResponsePlanar over a file already opened: a file that cannot be opened, or that shrinks or changes while it
// is read, gives msg::CannotRead.
VResult readResponseFromFile(InputFile& file, FileKind kind, WaveHeader& header, PlanarSamples* channels);

VResult readTxt(std::span<const std::uint8_t> bytes, WaveHeader& header, std::vector<std::int16_t>* samples);
VResult encodeTxt(const WaveHeader& header, std::span<const std::int16_t> samples, std::vector<std::uint8_t>& out);

} // namespace vemra::files::detail
