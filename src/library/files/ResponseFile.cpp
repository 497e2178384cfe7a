#include "library/files/ResponseFile.h"

#include "library/files/FileIo.h"
#include "library/Messages.h"
#include "library/files/Formats.h"
#include "library/files/TempFiles.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vemra::files {

namespace detail {

void setSampleFields(WaveHeader& header, int channels, std::int32_t rate, std::span<const std::int16_t> samples)
{
    const std::int64_t frames = channels > 0 ? static_cast<std::int64_t>(samples.size()) / channels : 0;
    setPcm16Format(header, channels, rate, frames);
    for (int c = 0; c < 2; ++c) {
        std::int16_t hi = 0, lo = 0;
        if (c < channels && frames > 0) {
            hi = lo = samples[c];
            for (std::int64_t i = c; i < static_cast<std::int64_t>(samples.size()); i += channels) {
                hi = std::max(hi, samples[i]);
                lo = std::min(lo, samples[i]);
            }
        }
        header.MaxDataValue[c] = hi;
        header.MinDataValue[c] = lo;
    }
}

void setDefaultInformation(WaveHeader& header)
{
    header.info = MeasurementInfo{};
    for (char* t : {header.Project, header.Position, header.Engineer, header.Copyright, header.Comments})
        std::memset(t, ' ', 256);
    header.gains = MeasurementGains{};
}

void sanitiseInformation(WaveHeader& header)
{
    auto finiteOr = [](float& v, float fallback) {
        if (!std::isfinite(v))
            v = fallback;
    };
    MeasurementInfo& info = header.info;
    finiteOr(info.ProbeDist, 0);
    finiteOr(info.Temperature, 20);
    for (std::int32_t& start : info.IRStart)
        if (start >= header.SampleCount)
            start = -1;
    MeasurementGains& g = header.gains;
    for (float& f : g.channelFactor)
        if (!std::isfinite(f) || f <= 0)
            f = 1;
    finiteOr(g.GainIntOut, 0);
    finiteOr(g.GainExtOut, 0);
    for (float* arr : {g.GainIntCha, g.GainExtCha})
        for (int i = 0; i < 2; ++i)
            finiteOr(arr[i], 0);
    for (float* arr : {g.GainCalCh1, g.GainCalCh2})
        for (int i = 0; i < 7; ++i)
            finiteOr(arr[i], 0);
}

std::vector<std::uint8_t> encodeInfoChunk(const WaveHeader& header)
{
    std::vector<std::uint8_t> out;
    out.reserve(kChunkLength);
    put32(out, kChunkVersion);
    put32(out, static_cast<std::uint32_t>(kChunkLength));
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&header);
    out.insert(out.end(), raw + kChunkHeaderFirst, raw + sizeof(WaveHeader));
    return out;
}

bool decodeInfoChunk(std::span<const std::uint8_t> payload, WaveHeader& header)
{
    if (payload.size() < 8)
        return false;
    const std::uint32_t version = le32(payload.data());
    const std::uint32_t length = le32(payload.data() + 4);
    // A later version may append fields after ours; it keeps the layout of the bytes we know.
    if (version < 1 || length < kChunkLength || length > payload.size())
        return false;
    auto* raw = reinterpret_cast<std::uint8_t*>(&header);
    std::memcpy(raw + kChunkHeaderFirst, payload.data() + 8, kChunkHeaderBytes);
    return true;
}

} // namespace detail

void setPcm16Format(WaveHeader& header, int channels, std::int32_t rate, std::int64_t frames)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    header.format.formatTag = 1;
    header.format.Channels = static_cast<std::int16_t>(channels);
    header.format.SampleFrequency = rate;
    header.format.blockAlign = static_cast<std::int16_t>(2 * channels);
    header.format.bitsPerSample = 16;
    header.format.avgBytesPerSec = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{rate} * 2 * channels, kMax));
    header.SampleCount = static_cast<std::int32_t>(std::min<std::int64_t>(frames, kMax));
    header.DataBytes = static_cast<std::int32_t>(std::min<std::int64_t>(frames * 2 * channels, kMax));
}

FileKind kindOfPath(const std::string& path)
{
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return FileKind::Wav;
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".tim")
        return FileKind::Tim;
    if (ext == ".txt")
        return FileKind::Txt;
    return FileKind::Wav;
}

void widenSampleRange(std::span<const std::int16_t> samples, std::int16_t& lo, std::int16_t& hi)
{
    std::size_t i = 0;
#if defined(__SSE2__)
    // Eight at a time: the compiler does not vectorise this loop by itself at the optimisation we build with.
    if (samples.size() >= 8) {
        __m128i l = _mm_set1_epi16(lo), h = _mm_set1_epi16(hi);
        for (; i + 8 <= samples.size(); i += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples.data() + i));
            l = _mm_min_epi16(l, v);
            h = _mm_max_epi16(h, v);
        }
        alignas(16) std::int16_t ls[8], hs[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(ls), l);
        _mm_store_si128(reinterpret_cast<__m128i*>(hs), h);
        for (int k = 0; k < 8; ++k) {
            lo = std::min(lo, ls[k]);
            hi = std::max(hi, hs[k]);
        }
    }
#endif
    for (; i < samples.size(); ++i) {
        lo = std::min(lo, samples[i]);
        hi = std::max(hi, samples[i]);
    }
}

PlanarSamples deinterleave(std::span<const std::int16_t> frames, int channels)
{
    if (channels < 1)
        return {};
    const std::size_t n = frames.size() / static_cast<std::size_t>(channels);
    PlanarSamples planar(static_cast<std::size_t>(channels), std::vector<std::int16_t>(n));
    for (std::size_t i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c)
            planar[static_cast<std::size_t>(c)][i] = frames[i * static_cast<std::size_t>(channels) + c];
    return planar;
}

std::vector<std::int16_t> interleave(const PlanarSamples& channels)
{
    if (channels.empty())
        return {};
    const std::size_t n = channels.front().size();
    const std::size_t count = channels.size();
    std::vector<std::int16_t> out(n * count);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t c = 0; c < count; ++c)
            out[i * count + c] = channels[c][i];
    return out;
}

namespace {

VResult readAny(FileKind kind, ByteSource& source, WaveHeader& header, PlanarSamples* channels)
{
    // Work on a copy so that a failure leaves the caller's header as it was.
    WaveHeader h = header;
    PlanarSamples planar;
    std::vector<std::int16_t> frames;
    VResult r = msg::CannotRead;
    if (kind == FileKind::Wav) {
        r = detail::readWav(source, h, channels ? &planar : nullptr);
    } else {
        std::vector<std::uint8_t> buffer;
        const std::span<const std::uint8_t> bytes = source.whole(buffer);
        if (bytes.size() == source.size())
            r = kind == FileKind::Tim ? detail::readTim(bytes, h, channels ? &frames : nullptr)
                                      : detail::readTxt(bytes, h, channels ? &frames : nullptr);
    }
    // Bytes of a file that changed while they were read describe no file: neither the samples nor the message
    // a malformed file would get stand.
    if (!source.intact())
        return msg::CannotRead;
    if (r != Ok)
        return r;
    if (channels && kind != FileKind::Wav)
        planar = deinterleave(frames, h.format.Channels);
    detail::sanitiseInformation(h);
    header = h;
    if (channels)
        *channels = std::move(planar);
    return Ok;
}

} // namespace

VResult readResponseBytesPlanar(FileKind kind, std::span<const std::uint8_t> bytes, WaveHeader& header,
                                PlanarSamples* channels)
{
    MemoryBytes source(bytes);
    return readAny(kind, source, header, channels);
}

VResult detail::readResponseFromFile(InputFile& file, FileKind kind, WaveHeader& header, PlanarSamples* channels)
{
    if (!file.ok())
        return msg::CannotRead;
    return readAny(kind, file, header, channels);
}

VResult readResponsePlanar(const std::string& path, WaveHeader& header, PlanarSamples* channels)
{
    InputFile file(path);
    return detail::readResponseFromFile(file, kindOfPath(path), header, channels);
}

VResult readResponseBytes(FileKind kind, std::span<const std::uint8_t> bytes, WaveHeader& header,
                          std::vector<std::int16_t>* samples)
{
    PlanarSamples planar;
    if (const VResult r = readResponseBytesPlanar(kind, bytes, header, samples ? &planar : nullptr); r != Ok)
        return r;
    if (samples)
        *samples = interleave(planar);
    return Ok;
}

VResult readResponse(const std::string& path, WaveHeader& header, std::vector<std::int16_t>* samples)
{
    PlanarSamples planar;
    if (const VResult r = readResponsePlanar(path, header, samples ? &planar : nullptr); r != Ok)
        return r;
    if (samples)
        *samples = interleave(planar);
    return Ok;
}

VResult encodeResponse(FileKind kind, const WaveHeader& header, std::span<const std::int16_t> samples,
                       std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    switch (kind) {
    case FileKind::Wav: return detail::encodeWav(header, samples, bytes);
    case FileKind::Txt: return detail::encodeTxt(header, samples, bytes);
    case FileKind::Tim: {
        InputFile setup(timTemplatePath());
        std::uint8_t setupBytes[detail::kTimTemplateBytes];
        if (!setup.ok() || setup.size() != sizeof setupBytes || !setup.read(0, setupBytes) || !setup.intact())
            return msg::TimCannotSave;
        return detail::encodeTim(header, samples, setupBytes, bytes);
    }
    }
    return msg::CannotCreateFile;
}

VResult writeResponse(const std::string& path, const WaveHeader& header, std::span<const std::int16_t> samples)
{
    std::vector<std::uint8_t> bytes;
    if (const VResult r = encodeResponse(kindOfPath(path), header, samples, bytes); r != Ok)
        return r;
    return writeFileAtomically(path, bytes);
}

VResult writeResponseWav(const std::string& path, const WaveHeader& header, std::span<const std::int16_t> samples)
{
    std::vector<std::uint8_t> bytes;
    if (const VResult r = detail::encodeWav(header, samples, bytes); r != Ok)
        return r;
    return writeFileAtomically(path, bytes);
}

} // namespace vemra::files
