// Writes the seed corpus of the reader fuzz targets with the program's own writers:
//   make_fuzz_seeds <folder>   ->  <folder>/wav, <folder>/tim, <folder>/txt
#include "library/files/Formats.h"
#include "library/files/ResponseFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace vemra;

namespace {

WaveHeader header(int channels, int rate)
{
    WaveHeader h;
    h.format.Channels = static_cast<std::int16_t>(channels);
    h.format.SampleFrequency = rate;
    h.info.time = 1000;
    h.info.AvgCount = 4;
    h.info.Stimulus = 1;
    h.info.IRStart[0] = 3;
    h.gains.channelFactor[0] = 0.5f;
    writeTextField(h.Project, 256, "Seed");
    writeTextField(h.gains.CalID, 256, "Not Calibrated");
    return h;
}

std::vector<std::int16_t> samples(int channels, int frames)
{
    std::vector<std::int16_t> s(static_cast<std::size_t>(channels * frames));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>((static_cast<int>(i) * 7919) % 65536 - 32768);
    return s;
}

bool save(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    bool ok = true;
    const std::vector<std::uint8_t> setup(files::detail::kTimTemplateBytes, 0);
    for (const char* kind : {"wav", "tim", "txt"})
        std::filesystem::create_directories(root / kind);
    int n = 0;
    for (int channels : {1, 2}) {
        for (int frames : {0, 1, 16}) {
            const WaveHeader h = header(channels, channels == 1 ? 8000 : 48000);
            const auto s = samples(channels, frames);
            std::vector<std::uint8_t> bytes;
            const std::string name = "seed" + std::to_string(n++);
            ok &= files::encodeResponse(files::FileKind::Wav, h, s, bytes) == Ok && save(root / "wav" / name, bytes);
            ok &= files::encodeResponse(files::FileKind::Txt, h, s, bytes) == Ok && save(root / "txt" / name, bytes);
            if (channels == 1)
                ok &= files::detail::encodeTim(h, s, setup, bytes) == Ok && save(root / "tim" / name, bytes);
        }
    }
    return ok ? 0 : 1;
}
