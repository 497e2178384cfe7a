#pragma once
// What every reader fuzz target checks on one input: the reader's in-memory entry never reads out of bounds or
// crashes, a failure leaves the header untouched, and whatever it accepts our writer can write and read back to
// the same samples and information.
#include "library/files/ResponseFile.h"

#include <cstdlib>
#include <cstring>

namespace vemra::fuzz {

inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

inline void readAndRoundTrip(files::FileKind kind, const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    WaveHeader header;
    const WaveHeader before = header;
    std::vector<std::int16_t> samples;
    const VResult r = files::readResponseBytes(kind, bytes, header, &samples);
    if (r != Ok) {
        check(std::memcmp(&header, &before, sizeof header) == 0);
        WaveHeader described;
        files::readResponseBytes(kind, bytes, described, nullptr);
        return;
    }
    check(header.format.Channels >= 1 && header.format.Channels <= 2);
    check(samples.size() == static_cast<std::size_t>(header.SampleCount) * header.format.Channels);

    std::vector<std::uint8_t> written;
    check(files::encodeResponse(files::FileKind::Wav, header, samples, written) == Ok);
    WaveHeader again;
    std::vector<std::int16_t> back;
    check(files::readResponseBytes(files::FileKind::Wav, written, again, &back) == Ok);
    check(back == samples);
    check(std::memcmp(reinterpret_cast<const char*>(&again) + 312, reinterpret_cast<const char*>(&header) + 312,
                      sizeof(WaveHeader) - 312) == 0);
}

} // namespace vemra::fuzz
