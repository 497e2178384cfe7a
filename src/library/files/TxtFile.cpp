// Plain text responses: optional "# rate=<Hz>" and "# channels=<n>" lines, then one line per frame holding one
// or two numbers separated by blanks, tabs or ';' with '.' as the decimal point. When every value lies within
// +-1 the file holds fractions of full scale, otherwise 16-bit units: the decision is taken for the whole file,
// so a file in 16-bit units whose values happen to be 0, 1 and -1 stays in units only if a larger value occurs.
// We write fractions (sample / 32768), which read back exactly.
#include "library/Codes.h"
#include "library/Messages.h"
#include "library/files/Formats.h"
#include "library/files/ResponseFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace vemra::files::detail {

namespace {

// Without a rate line the file is taken to be at the program's usual measuring rate.
constexpr std::int32_t kDefaultRate = 48000;

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ';'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (isSeparator(s.front()) || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (isSeparator(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// A finite decimal number making up the whole token.
bool parseNumber(std::string_view token, double& value)
{
    if (!token.empty() && token.front() == '+')
        token.remove_prefix(1);
    if (token.empty() || token.front() == '+')
        return false;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value,
                                           std::chars_format::general);
    return ec == std::errc() && end == token.data() + token.size() && std::isfinite(value);
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

VResult readTxt(std::span<const std::uint8_t> bytes, WaveHeader& header, std::vector<std::int16_t>* samples)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.find('\0') != std::string_view::npos)
        return msg::BadTxt;

    std::int32_t rate = kDefaultRate;
    int channels = 0;          // from the "# channels" line or the first data line
    bool channelsGiven = false;
    std::vector<float> values; // kept as float: every 16-bit value and every k/kFullScale is exact
    std::int64_t frames = 0;
    double peak = 0, lowest = 0, highest = 0;

    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = text.size();
        const std::string_view line = trim(text.substr(pos, eol - pos));
        pos = eol + 1;
        if (line.empty())
            continue;
        if (line.front() == '#') {
            const std::string_view body = trim(line.substr(1));
            const auto eq = body.find('=');
            if (eq == std::string_view::npos || frames > 0)
                continue; // a remark
            const std::string_view key = trim(body.substr(0, eq));
            double v = 0;
            if (equalsNoCase(key, "rate")) {
                if (!parseNumber(trim(body.substr(eq + 1)), v) || v < 1 || v > 10'000'000 || v != std::floor(v))
                    return msg::BadTxt;
                rate = static_cast<std::int32_t>(v);
            } else if (equalsNoCase(key, "channels")) {
                if (!parseNumber(trim(body.substr(eq + 1)), v) || v != std::floor(v))
                    return msg::BadTxt;
                if (v < 1 || v > 2)
                    return msg::BadChannelCount;
                channels = static_cast<int>(v);
                channelsGiven = true;
            }
            continue;
        }
        int count = 0;
        double frame[2] = {0, 0};
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && isSeparator(line[i]))
                ++i;
            if (i >= line.size())
                break;
            std::size_t j = i;
            while (j < line.size() && !isSeparator(line[j]))
                ++j;
            double v = 0;
            if (!parseNumber(line.substr(i, j - i), v))
                return msg::BadTxt;
            if (count == 2)
                return channelsGiven || frames > 0 ? msg::BadTxt : msg::BadChannelCount;
            frame[count++] = v;
            i = j;
        }
        if (channels == 0)
            channels = count;
        if (count != channels)
            return msg::BadTxt;
        ++frames;
        for (int c = 0; c < count; ++c) {
            peak = std::max(peak, std::fabs(frame[c]));
            lowest = std::min(lowest, frame[c]);
            highest = std::max(highest, frame[c]);
            // Beyond the accepted length only the count matters (the document refuses the file by it).
            if (frames <= kMaxFrames)
                values.push_back(static_cast<float>(frame[c]));
        }
    }
    if (frames == 0)
        return msg::TooFewSamples;

    const bool fractions = peak <= 1.0;
    if (!fractions && (highest > kMaxSample + 0.5 || lowest < kMinSample - 0.5))
        return msg::BadTxt; // beyond the 16-bit range, whose lowest value lies one further out than its highest
    std::vector<std::int16_t> data(values.size());
    for (std::size_t k = 0; k < values.size(); ++k) {
        const double s = std::round(fractions ? values[k] * kFullScale : values[k]);
        data[k] = static_cast<std::int16_t>(std::clamp(s, double(kMinSample), double(kMaxSample)));
    }

    setDefaultInformation(header);
    setSampleFields(header, channels, rate, data);
    if (frames > kMaxFrames) {
        header.SampleCount = static_cast<std::int32_t>(std::min<std::int64_t>(frames, INT32_MAX));
        header.DataBytes = static_cast<std::int32_t>(std::min<std::int64_t>(frames * 2 * channels, INT32_MAX));
        if (samples)
            return msg::FileTooLong;
    }
    if (samples)
        *samples = std::move(data);
    return Ok;
}

VResult encodeTxt(const WaveHeader& header, std::span<const std::int16_t> samples, std::vector<std::uint8_t>& out)
{
    const int channels = header.format.Channels;
    if (channels < 1 || channels > 2)
        return msg::BadChannelCount;
    if (header.format.SampleFrequency <= 0 || samples.size() % static_cast<std::size_t>(channels) != 0)
        return msg::BadFormat;
    std::string s = "# rate=" + std::to_string(header.format.SampleFrequency) + "\n# channels=" +
                    std::to_string(channels) + "\n";
    s.reserve(s.size() + samples.size() * 12);
    char buf[32];
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto r = std::to_chars(buf, buf + sizeof buf, samples[i] / kFullScale);
        s.append(buf, r.ptr);
        s.push_back((i + 1) % static_cast<std::size_t>(channels) == 0 ? '\n' : '\t');
    }
    out.assign(s.begin(), s.end());
    return Ok;
}

} // namespace vemra::files::detail
