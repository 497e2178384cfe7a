// WAV: the RIFF structure is checked here, because every malformed file must get its own message before
// libsndfile (which forgives a lot) reads the samples; libsndfile reads and writes the audio itself. Samples are
// read from the file a piece at a time straight into the channels, so a long file is never held twice, and a file
// cut short while it is read is a failed read rather than a fault.
#include "library/Messages.h"
#include "library/files/Formats.h"
#include "library/files/ResponseFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace vemra::files::detail {

namespace {

// libsndfile's virtual I/O: reading from a source of bytes, writing into memory.
struct SoundIo {
    ByteSource* source = nullptr;             // reading
    std::vector<std::uint8_t>* out = nullptr; // writing
    sf_count_t pos = 0;

    sf_count_t length() const
    {
        return out ? static_cast<sf_count_t>(out->size()) : static_cast<sf_count_t>(source->size());
    }
};

sf_count_t ioLength(void* user) { return static_cast<SoundIo*>(user)->length(); }

sf_count_t ioSeek(sf_count_t offset, int whence, void* user)
{
    auto* io = static_cast<SoundIo*>(user);
    sf_count_t base = 0;
    switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = io->pos; break;
    case SEEK_END: base = io->length(); break;
    default: return -1;
    }
    const sf_count_t target = base + offset;
    if (target < 0)
        return -1;
    io->pos = target;
    return io->pos;
}

sf_count_t ioRead(void* ptr, sf_count_t count, void* user)
{
    auto* io = static_cast<SoundIo*>(user);
    const sf_count_t len = io->length();
    if (count <= 0 || io->pos >= len)
        return 0;
    const sf_count_t n = std::min(count, len - io->pos);
    if (io->out)
        std::memcpy(ptr, io->out->data() + io->pos, static_cast<std::size_t>(n));
    else if (!io->source->read(static_cast<std::uint64_t>(io->pos),
                               std::span(static_cast<std::uint8_t*>(ptr), static_cast<std::size_t>(n))))
        return 0; // the source knows it failed; the reader's result is then void
    io->pos += n;
    return n;
}

sf_count_t ioWrite(const void* ptr, sf_count_t count, void* user)
{
    auto* io = static_cast<SoundIo*>(user);
    if (!io->out || count <= 0)
        return 0;
    const auto end = static_cast<std::size_t>(io->pos + count);
    if (io->out->size() < end)
        io->out->resize(end);
    std::memcpy(io->out->data() + io->pos, ptr, static_cast<std::size_t>(count));
    io->pos += count;
    return count;
}

sf_count_t ioTell(void* user) { return static_cast<SoundIo*>(user)->pos; }

SF_VIRTUAL_IO soundIo() { return SF_VIRTUAL_IO{ioLength, ioSeek, ioRead, ioWrite, ioTell}; }

bool tagIs(const std::uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// The PCM sub-format of WAVE_FORMAT_EXTENSIBLE: 00000001-0000-0010-8000-00aa00389b71.
constexpr std::uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

struct RiffLayout {
    std::vector<std::uint8_t> fmt;  // the format chunk's first kFmtBytes bytes
    std::uint64_t fmtSize = 0;
    std::vector<std::uint8_t> info; // our chunk's payload
    bool hasFmt = false, hasInfo = false, hasData = false;
    std::uint64_t dataSize = 0;
};

// The most of a format chunk any check looks at: WAVE_FORMAT_EXTENSIBLE's sub-format ends at byte 40.
constexpr std::size_t kFmtBytes = 40;

// A failed read ends the walk as a malformed file would; the caller asks the source whether it was the file's
// fault or the reading's.
VResult walkChunks(ByteSource& source, RiffLayout& layout)
{
    const std::uint64_t fileSize = source.size();
    std::uint8_t head[12];
    if (!source.read(0, std::span(head, std::min<std::uint64_t>(fileSize, 12))))
        return msg::BadRiff;
    if (fileSize < 12)
        return fileSize >= 4 && (tagIs(head, "RIFX") || tagIs(head, "RF64")) ? msg::UnsupportedWave : msg::BadRiff;
    if (tagIs(head, "RIFX") || tagIs(head, "RF64"))
        return msg::UnsupportedWave;
    if (!tagIs(head, "RIFF"))
        return msg::BadRiff;
    if (!tagIs(head + 8, "WAVE"))
        return msg::BadWave;
    const std::uint64_t riffEnd = std::uint64_t{le32(head + 4)} + 8;
    if (riffEnd < 12)
        return msg::BadRiff;
    // Some writers leave the RIFF size too large (unfinished streams); trailing bytes after a correct RIFF
    // size (tags appended by other tools) are not ours to read.
    const std::uint64_t end = std::min<std::uint64_t>(riffEnd, fileSize);
    std::uint64_t pos = 12;
    while (pos < end) {
        if (end - pos < 8)
            return msg::BadWave; // a chunk header cut off
        std::uint8_t p[8];
        if (!source.read(pos, p))
            return msg::BadWave;
        const std::uint64_t size = le32(p + 4);
        const std::uint64_t body = pos + 8;
        if (tagIs(p, "data")) {
            if (size > end - body)
                return msg::BadDataChunk;
            if (!layout.hasData) {
                layout.hasData = true;
                layout.dataSize = size;
            }
        } else {
            if (size > end - body)
                return msg::BadWave;
            if (tagIs(p, "fmt ") && !layout.hasFmt) {
                layout.hasFmt = true;
                layout.fmtSize = size;
                layout.fmt.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, kFmtBytes)));
                if (!source.read(body, layout.fmt))
                    return msg::BadWave;
            } else if (tagIs(p, "vmra") && !layout.hasInfo) {
                layout.hasInfo = true;
                layout.info.resize(static_cast<std::size_t>(size));
                if (!source.read(body, layout.info))
                    return msg::BadWave;
            }
        }
        pos = body + size + (size & 1);
    }
    return Ok;
}

// Frames converted at a time: large enough that libsndfile's calls cost nothing, small enough to stay in cache.
constexpr sf_count_t kPieceFrames = 16384;

// Reads `frames` frames from libsndfile into one vector per channel, and their extremes into the header.
VResult readChannels(SNDFILE* sf, int channels, std::uint64_t frames, PlanarSamples& out, WaveHeader& header)
{
    const auto total = static_cast<std::size_t>(frames);
    const auto pieceFrames = static_cast<std::size_t>(std::min<std::uint64_t>(frames, kPieceFrames));
    std::vector<std::int16_t> piece(pieceFrames * static_cast<std::size_t>(channels));
    std::vector<std::int16_t> lane(pieceFrames);
    out.assign(static_cast<std::size_t>(channels), {});
    for (auto& c : out)
        c.reserve(total);
    std::int16_t hi[2] = {std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::min()};
    std::int16_t lo[2] = {std::numeric_limits<std::int16_t>::max(), std::numeric_limits<std::int16_t>::max()};
    for (std::size_t done = 0; done < total;) {
        const std::size_t n = std::min(pieceFrames, total - done);
        if (sf_readf_short(sf, piece.data(), static_cast<sf_count_t>(n)) != static_cast<sf_count_t>(n))
            return msg::BadDataChunk;
        for (int c = 0; c < channels; ++c) {
            for (std::size_t i = 0; i < n; ++i)
                lane[i] = piece[i * static_cast<std::size_t>(channels) + c];
            widenSampleRange(std::span<const std::int16_t>(lane).first(n), lo[c], hi[c]);
            out[static_cast<std::size_t>(c)].insert(out[static_cast<std::size_t>(c)].end(), lane.begin(),
                                                    lane.begin() + static_cast<std::ptrdiff_t>(n));
        }
        done += n;
    }
    for (int c = 0; c < 2; ++c) {
        header.MaxDataValue[c] = c < channels ? hi[c] : std::int16_t(0);
        header.MinDataValue[c] = c < channels ? lo[c] : std::int16_t(0);
    }
    return Ok;
}

} // namespace

VResult readWav(ByteSource& source, WaveHeader& header, PlanarSamples* samples)
{
    RiffLayout layout;
    if (const VResult r = walkChunks(source, layout); r != Ok)
        return r;
    if (!layout.hasFmt || layout.fmtSize < 16)
        return msg::BadFormat;
    const std::uint8_t* f = layout.fmt.data();
    const std::uint16_t tag = le16(f);
    const std::uint16_t channels = le16(f + 2);
    const std::uint32_t rate = le32(f + 4);
    const std::uint16_t blockAlign = le16(f + 12);
    const std::uint16_t bits = le16(f + 14);
    if (tag == 0xFFFE) {
        if (layout.fmtSize < kFmtBytes || std::memcmp(f + 24, kPcmSubFormat, 16) != 0)
            return msg::UnsupportedWave;
    } else if (tag != 1) {
        return msg::UnsupportedWave;
    }
    if (channels == 0 || channels > 2)
        return msg::BadChannelCount;
    if (blockAlign == 0 || bits == 0 || bits > 32 || rate == 0 ||
        rate > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()) ||
        blockAlign != channels * ((bits + 7) / 8))
        return msg::BadFormat;
    if (!layout.hasData)
        return msg::NoWaveData;

    setDefaultInformation(header);
    if (layout.hasInfo && !decodeInfoChunk(layout.info, header))
        return msg::BadFormat;

    const std::uint64_t frames = layout.dataSize / blockAlign;
    header.format.formatTag = 1;
    header.format.Channels = static_cast<std::int16_t>(channels);
    header.format.SampleFrequency = static_cast<std::int32_t>(rate);
    header.format.avgBytesPerSec = static_cast<std::int32_t>(
        std::min<std::uint64_t>(std::uint64_t{rate} * blockAlign, std::numeric_limits<std::int32_t>::max()));
    header.format.blockAlign = static_cast<std::int16_t>(blockAlign);
    header.format.bitsPerSample = static_cast<std::int16_t>(bits);
    header.DataBytes = static_cast<std::int32_t>(
        std::min<std::uint64_t>(layout.dataSize, std::numeric_limits<std::int32_t>::max()));
    header.SampleCount =
        static_cast<std::int32_t>(std::min<std::uint64_t>(frames, std::numeric_limits<std::int32_t>::max()));
    for (int c = 0; c < 2; ++c)
        header.MaxDataValue[c] = header.MinDataValue[c] = 0;

    // Other widths are described, not read: the document refuses them by their header.
    if (bits != 16) {
        if (samples)
            return msg::BadBitsPerSample;
        return Ok;
    }
    // A response longer than the program accepts is described only; the document refuses it by its length.
    if (frames > static_cast<std::uint64_t>(kMaxFrames)) {
        if (samples)
            return msg::FileTooLong;
        return Ok;
    }

    if (!samples)
        return Ok; // the header read: the samples are the open's business
    if (frames == 0) {
        // Nothing to read (libsndfile refuses to open such a file); the document refuses it by its length.
        samples->assign(channels, {});
        return Ok;
    }

    SoundIo io{&source, nullptr, 0};
    SF_VIRTUAL_IO vio = soundIo();
    SF_INFO info{};
    SNDFILE* sf = sf_open_virtual(&vio, SFM_READ, &info, &io);
    if (!sf)
        return msg::BadWave;
    PlanarSamples data;
    VResult r = Ok;
    if (info.channels != channels || info.frames < static_cast<sf_count_t>(frames))
        r = msg::BadDataChunk;
    else
        r = readChannels(sf, channels, frames, data, header);
    sf_close(sf);
    if (r != Ok)
        return r;
    setPcm16Format(header, channels, static_cast<std::int32_t>(rate), static_cast<std::int64_t>(frames));
    *samples = std::move(data);
    return Ok;
}

VResult encodeWav(const WaveHeader& header, std::span<const std::int16_t> samples, std::vector<std::uint8_t>& out)
{
    const int channels = header.format.Channels;
    if (channels < 1 || channels > 2)
        return msg::BadChannelCount;
    if (header.format.SampleFrequency <= 0 || samples.size() % static_cast<std::size_t>(channels) != 0)
        return msg::BadFormat;
    const auto frames = static_cast<sf_count_t>(samples.size() / static_cast<std::size_t>(channels));

    out.clear();
    out.reserve(samples.size() * 2 + 2048);
    SoundIo io{nullptr, &out, 0};
    SF_VIRTUAL_IO vio = soundIo();
    SF_INFO info{};
    info.samplerate = header.format.SampleFrequency;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open_virtual(&vio, SFM_WRITE, &info, &io);
    if (!sf)
        return msg::CannotCreateFile;

    std::vector<std::uint8_t> chunk = encodeInfoChunk(header);
    SF_CHUNK_INFO ci{};
    std::memcpy(ci.id, "vmra", 4);
    ci.id_size = 4;
    ci.datalen = static_cast<unsigned>(chunk.size());
    ci.data = chunk.data();
    VResult r = Ok;
    if (sf_set_chunk(sf, &ci) != SF_ERR_NO_ERROR)
        r = msg::CannotCreateChunk;
    else if (frames > 0 && sf_writef_short(sf, samples.data(), frames) != frames)
        r = msg::CannotWrite;
    if (sf_close(sf) != 0 && r == Ok)
        r = msg::CannotWrite;
    if (r != Ok) {
        out.clear();
        return r;
    }
    // libsndfile leaves the RIFF size of a file without frames short of our chunk; the size is the whole file.
    if (out.size() >= 8 && out.size() - 8 <= std::numeric_limits<std::uint32_t>::max()) {
        const auto riffSize = static_cast<std::uint32_t>(out.size() - 8);
        for (int i = 0; i < 4; ++i)
            out[4 + i] = static_cast<std::uint8_t>(riffSize >> (8 * i));
    }
    return Ok;
}

} // namespace vemra::files::detail
