#pragma once
// Hand-made RIFF files for the reader tests: a file is a list of chunks, so each malformed case changes one.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vemra::test {

struct Chunk {
    std::string id;
    std::vector<std::uint8_t> body;
    std::int64_t declaredSize = -1; // -1: the body's size
};

inline void putLe(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline std::vector<std::uint8_t> fmtBody(int tag, int channels, int rate, int bits, int blockAlign = -1)
{
    if (blockAlign < 0)
        blockAlign = channels * ((bits + 7) / 8);
    std::vector<std::uint8_t> b;
    putLe(b, static_cast<std::uint16_t>(tag), 2);
    putLe(b, static_cast<std::uint16_t>(channels), 2);
    putLe(b, static_cast<std::uint32_t>(rate), 4);
    putLe(b, static_cast<std::uint32_t>(rate * blockAlign), 4);
    putLe(b, static_cast<std::uint16_t>(blockAlign), 2);
    putLe(b, static_cast<std::uint16_t>(bits), 2);
    return b;
}

inline std::vector<std::uint8_t> riff(const std::vector<Chunk>& chunks, const char* form = "WAVE",
                                      const char* tag = "RIFF")
{
    std::vector<std::uint8_t> body(form, form + 4);
    for (const Chunk& c : chunks) {
        body.insert(body.end(), c.id.begin(), c.id.end());
        putLe(body, static_cast<std::uint32_t>(c.declaredSize < 0 ? c.body.size() : c.declaredSize), 4);
        body.insert(body.end(), c.body.begin(), c.body.end());
        if (c.body.size() % 2)
            body.push_back(0);
    }
    std::vector<std::uint8_t> out(tag, tag + 4);
    putLe(out, body.size(), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// 16-bit PCM samples as a data chunk body.
inline std::vector<std::uint8_t> pcm16(const std::vector<std::int16_t>& samples)
{
    std::vector<std::uint8_t> b;
    for (std::int16_t s : samples)
        putLe(b, static_cast<std::uint16_t>(s), 2);
    return b;
}

} // namespace vemra::test
