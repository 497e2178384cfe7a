// The analyser's time-domain files. Layout: u16 0xABCD, u16 0xFFFF, i16 acquisition algorithm, f32 sample
// interval (ms), u32 point count, f32 samples, char[80] title, char[60] comment, 104-byte set-up record.
// Files of either byte order are read; ours are written little-endian.
#include "library/Codes.h"
#include "library/Messages.h"
#include "library/files/Formats.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace vemra::files::detail {

namespace {

// The value of the acquisition-algorithm word that marks synchronous cross-correlation. It is not published;
// this is the value our writer stores, and the only one the reader accepts (other acquisitions are not impulse
// responses the program can analyse).
constexpr std::int16_t kSyncCrossCorrelation = 1;

constexpr std::size_t kHeadBytes = 14;
constexpr std::size_t kTitleBytes = 80;
constexpr std::size_t kCommentBytes = 60;
constexpr std::size_t kTrailBytes = kTitleBytes + kCommentBytes + kTimSetupBytes;
constexpr std::size_t kSetupRateOffset = 6; // f32 sample rate inside the set-up record

struct Reader {
    const std::uint8_t* p;
    bool swap;
    std::uint16_t u16(std::size_t at) const
    {
        const std::uint16_t v = le16(p + at);
        return swap ? static_cast<std::uint16_t>((v >> 8) | (v << 8)) : v;
    }
    std::uint32_t u32(std::size_t at) const
    {
        const std::uint32_t v = le32(p + at);
        return swap ? ((v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24)) : v;
    }
    float f32(std::size_t at) const { return std::bit_cast<float>(u32(at)); }
};

std::string fixedText(const std::uint8_t* p, std::size_t size)
{
    return readTextField(reinterpret_cast<const char*>(p), size);
}

void putText(std::vector<std::uint8_t>& out, const std::string& text, std::size_t size)
{
    const std::size_t n = std::min(size, text.size());
    out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    out.insert(out.end(), size - n, 0);
}

} // namespace

VResult readTim(std::span<const std::uint8_t> bytes, WaveHeader& header, std::vector<std::int16_t>* samples)
{
    if (bytes.size() < kHeadBytes + kTrailBytes)
        return msg::BadTim;
    const std::uint16_t first = le16(bytes.data());
    if (first != 0xABCD && first != 0xCDAB)
        return msg::BadTim;
    const Reader in{bytes.data(), first == 0xCDAB};
    if (in.u16(2) != 0xFFFF)
        return msg::BadTim;
    const float interval_ms = in.f32(6);
    const std::uint64_t count = in.u32(10);
    if (!(interval_ms > 0) || !std::isfinite(interval_ms))
        return msg::BadTim;
    if (count > (bytes.size() - kHeadBytes - kTrailBytes) / 4)
        return msg::BadTim;
    const double rate = std::round(1000.0 / interval_ms);
    if (!(rate >= 1) || rate > std::numeric_limits<std::int32_t>::max())
        return msg::BadTim;
    if (static_cast<std::int16_t>(in.u16(4)) != kSyncCrossCorrelation)
        return msg::TimNotSyncCorrelation;

    float peak = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        const float v = in.f32(kHeadBytes + 4 * i);
        if (!std::isfinite(v))
            return msg::BadTim;
        peak = std::max(peak, std::fabs(v));
    }
    // The samples are true amplitudes; they become 16-bit values with the factor that restores them.
    // (A peak near the smallest float would give a factor of 0.)
    const float factor = peak > 0 ? std::max(peak / float(kMaxSample), std::numeric_limits<float>::denorm_min()) : 1.0f;
    std::vector<std::int16_t> data(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        const double s = std::round(in.f32(kHeadBytes + 4 * i) / static_cast<double>(factor));
        data[i] = static_cast<std::int16_t>(std::clamp(s, double(kMinSample), double(kMaxSample)));
    }

    setDefaultInformation(header);
    const std::size_t trail = kHeadBytes + 4 * static_cast<std::size_t>(count);
    writeTextField(header.Project, 256, fixedText(bytes.data() + trail, kTitleBytes));
    writeTextField(header.Comments, 256, fixedText(bytes.data() + trail + kTitleBytes, kCommentBytes));
    header.gains.channelFactor[0] = factor;
    setSampleFields(header, 1, static_cast<std::int32_t>(rate), data);
    if (samples)
        *samples = std::move(data);
    return Ok;
}

VResult encodeTim(const WaveHeader& header, std::span<const std::int16_t> samples,
                  std::span<const std::uint8_t> setupTemplate, std::vector<std::uint8_t>& out)
{
    if (setupTemplate.size() != kTimTemplateBytes)
        return msg::TimCannotSave;
    if (header.format.Channels != 1)
        return msg::TimSingleChannel;
    if (header.format.SampleFrequency <= 0)
        return msg::BadFormat;
    if (samples.size() > std::numeric_limits<std::uint32_t>::max())
        return msg::CannotWrite;
    const float factor = header.gains.channelFactor[0];
    const float rate = static_cast<float>(header.format.SampleFrequency);

    out.clear();
    out.reserve(kHeadBytes + samples.size() * 4 + kTrailBytes);
    put16(out, 0xABCD);
    put16(out, 0xFFFF);
    put16(out, static_cast<std::uint16_t>(kSyncCrossCorrelation));
    put32(out, std::bit_cast<std::uint32_t>(1000.0f / rate));
    put32(out, static_cast<std::uint32_t>(samples.size()));
    for (const std::int16_t s : samples)
        put32(out, std::bit_cast<std::uint32_t>(static_cast<float>(s) * factor));
    putText(out, readTextField(header.Project, 256), kTitleBytes);
    putText(out, readTextField(header.Comments, 256), kCommentBytes);
    const std::size_t setup = out.size();
    out.insert(out.end(), setupTemplate.begin() + 2, setupTemplate.end());
    const auto rateBits = std::bit_cast<std::uint32_t>(rate);
    for (int i = 0; i < 4; ++i)
        out[setup + kSetupRateOffset + i] = static_cast<std::uint8_t>(rateBits >> (8 * i));
    return Ok;
}

} // namespace vemra::files::detail
