#include "library/sound/CorrectionFile.h"

#include "library/dsp/Fft.h"
#include "library/files/FileIo.h"
#include "library/files/ResponseFile.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <fstream>

namespace vemra::sound {

namespace {

constexpr char kMagic[8] = {'V', 'M', 'R', 'A', 'S', 'T', 'I', 'M'};

std::uint32_t fnv1a(const unsigned char* p, std::size_t n)
{
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 16777619u;
    }
    return h;
}

void putU32(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint32_t getU32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::int64_t periodOf(StimulusKind kind, int order)
{
    return kind == StimulusKind::Mls ? (std::int64_t{1} << order) - 1 : std::int64_t{1} << order;
}

bool endsWith(const std::string& s, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

} // namespace

VResult readCorrectedStimulus(const std::string& path, StimulusKind kind, int order, std::int32_t rate_Hz,
                              CorrectedStimulus& out)
{
    if (order < 2 || order > 24)
        return msg::CalibrationFilesDiffer;
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return msg::CannotRead;
    unsigned char head[32];
    if (!f.read(reinterpret_cast<char*>(head), sizeof head))
        return msg::CannotRead;
    if (std::memcmp(head, kMagic, 8) != 0 || getU32(head + 8) != 1)
        return msg::CannotRead;
    if (getU32(head + 12) != std::uint32_t(kind) || getU32(head + 16) != std::uint32_t(order)
        || getU32(head + 20) != std::uint32_t(rate_Hz))
        return msg::CalibrationFilesDiffer;
    const std::int64_t frames = periodOf(kind, order);
    if (getU32(head + 24) != std::uint32_t(frames))
        return msg::CannotRead;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(frames) * 4);
    if (!f.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return msg::CannotRead;
    if (f.peek() != std::char_traits<char>::eof())
        return msg::CannotRead;
    if (fnv1a(bytes.data(), bytes.size()) != getU32(head + 28))
        return msg::CannotRead;
    out.kind = kind;
    out.order = order;
    out.rate_Hz = rate_Hz;
    out.period.resize(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < out.period.size(); ++i) {
        const std::uint32_t u = getU32(bytes.data() + 4 * i);
        float v;
        std::memcpy(&v, &u, 4);
        if (!std::isfinite(v) || std::abs(v) > 1.0f)
            return msg::CannotRead;
        out.period[i] = v;
    }
    return Ok;
}

VResult writeCorrectedStimulus(const std::string& path, const CorrectedStimulus& s)
{
    std::vector<unsigned char> bytes(32 + s.period.size() * 4);
    std::memcpy(bytes.data(), kMagic, 8);
    putU32(&bytes[8], 1);
    putU32(&bytes[12], std::uint32_t(s.kind));
    putU32(&bytes[16], std::uint32_t(s.order));
    putU32(&bytes[20], std::uint32_t(s.rate_Hz));
    putU32(&bytes[24], std::uint32_t(s.period.size()));
    for (std::size_t i = 0; i < s.period.size(); ++i) {
        std::uint32_t u;
        std::memcpy(&u, &s.period[i], 4);
        putU32(&bytes[32 + 4 * i], u);
    }
    putU32(&bytes[28], fnv1a(bytes.data() + 32, bytes.size() - 32));
    return files::writeFileAtomically(path, bytes) == Ok ? Ok : msg::CalibrationFilesDiffer;
}

std::string preFilteredFileOf(const std::string& filterFile, StimulusKind kind)
{
    const char* filterEnding = kind == StimulusKind::Mls ? ".mls_flt.wav" : ".swp_flt.wav";
    if (filterFile.size() <= std::strlen(filterEnding) || !endsWith(filterFile, filterEnding))
        return {};
    return filterFile.substr(0, filterFile.size() - std::strlen(filterEnding))
           + (kind == StimulusKind::Mls ? "_mls.pcm" : "_swp.pcm");
}

VResult correctedPeriod(const std::string& file, StimulusKind kind, int order, std::int32_t rate_Hz,
                        std::span<const double> plain, std::vector<double>& out, VResult* written)
{
    if (endsWith(file, kind == StimulusKind::Mls ? "_mls.pcm" : "_swp.pcm")) {
        CorrectedStimulus s;
        if (VResult rc = readCorrectedStimulus(file, kind, order, rate_Hz, s))
            return rc;
        out.assign(s.period.begin(), s.period.end());
        return Ok;
    }
    const std::string pcm = preFilteredFileOf(file, kind);
    if (pcm.empty())
        return msg::CalibrationFilesDiffer;

    // Read by the response reader, which holds the data chunk's size against what the file has: a filter cut
    // short is refused, never folded from what is left of it into a correction that replaces a good one.
    WaveHeader header;
    files::PlanarSamples channels;
    if (files::readResponsePlanar(file, header, &channels) != Ok)
        return msg::CannotRead;
    const std::size_t n = plain.size();
    if (n == 0 || channels.empty() || channels.front().empty() || header.format.SampleFrequency != rate_Hz)
        return msg::CalibrationFilesDiffer;
    std::vector<double> filter(n, 0.0);
    const std::vector<std::int16_t>& taps = channels.front();
    for (std::size_t i = 0; i < taps.size(); ++i)
        filter[i % n] += taps[i];

    dsp::RealFftD fft(n);
    std::vector<std::complex<double>> P(fft.bins()), F(fft.bins());
    fft.forward(plain, P);
    fft.forward(filter, F);
    for (std::size_t k = 0; k < P.size(); ++k)
        P[k] *= F[k] / static_cast<double>(n);
    out.resize(n);
    fft.inverse(P, out);
    double peak = 0;
    for (double v : out)
        peak = std::max(peak, std::abs(v));
    if (!(peak > 0) || !std::isfinite(peak))
        return msg::CalibrationFilesDiffer;
    CorrectedStimulus s{kind, order, rate_Hz, {}};
    s.period.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] /= peak;
        s.period[i] = static_cast<float>(out[i]);
    }
    const VResult write = writeCorrectedStimulus(pcm, s);
    if (written)
        *written = write;
    return Ok;
}

} // namespace vemra::sound
