#pragma once
// The samples of the open responses, held from OpenWave until CloseWave and addressed through the response's
// WaveHeader (its first reserved pair holds the handle). Library code (parameters, views, edits, playback) reads
// and changes samples only here.
//
// Units: samples are 16-bit values; floatSamples gives the same values as float (not normalised). The true
// amplitude is a sample times header.gains.channelFactor[channel].
// Lifetime: spans stay valid until the next edit, adopt or release of that response.
// Calling thread: the user-interface thread.
#include "library/records.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vemra {

class WaveStore {
public:
    using Channels = std::vector<std::vector<std::int16_t>>; // one vector per channel, equal lengths

    // Gives the header these samples (releasing what it held). Channels 1 or 2 of equal length; the header's
    // sample fields (format block, SampleCount, DataBytes, Max/MinDataValue) follow them, the rate is
    // header.format.SampleFrequency. False (nothing changed) for another channel count or unequal lengths.
    static bool adopt(WaveHeader& header, Channels channels);
    // The same from interleaved frames of `channels` channels.
    static bool adoptInterleaved(WaveHeader& header, int channels, std::span<const std::int16_t> frames);
    // Releases the samples; the header's handle is cleared.
    static void release(WaveHeader& header);

    static bool isOpen(const WaveHeader& header);
    // How many responses are open.
    static std::size_t size();
    static int channels(const WaveHeader& header);      // 0 when not open
    static std::int64_t frames(const WaveHeader& header); // 0 when not open
    // Empty when not open or the channel does not exist.
    static std::span<const std::int16_t> samples(const WaveHeader& header, int channel);
    static std::span<const float> floatSamples(const WaveHeader& header, int channel);
    static std::vector<std::int16_t> interleaved(const WaveHeader& header);
    // Identifies the current samples: a new value at every adopt and edit, never reused within a run and never
    // shared between responses (0 when not open), so a cache may key on it alone.
    static std::uint64_t revision(const WaveHeader& header);

    // Changes the samples: `change` works on a copy, which replaces the samples when it still holds 1 or 2
    // channels of equal length (else nothing changes and the result is false). The header's sample fields are
    // brought up to date and the revision advances.
    static bool edit(WaveHeader& header, const std::function<void(Channels&)>& change);
};

} // namespace vemra
