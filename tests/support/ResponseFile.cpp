#include "support/ResponseFile.h"

#include "library/Codes.h"
#include "library/files/Formats.h"
#include "library/files/ResponseFile.h"
#include "support/ResponseGenerator.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vemra::test {

ResponseFile::ResponseFile(std::string name)
    : path_(name.starts_with('/') ? std::move(name) : privateRoot() + "/" + name)
{}

ResponseFile& ResponseFile::channels(int count)
{
    channels_ = count;
    return *this;
}

ResponseFile& ResponseFile::rate(std::int32_t fs_Hz)
{
    rate_ = fs_Hz;
    return *this;
}

ResponseFile& ResponseFile::frames(std::int64_t count)
{
    frames_ = count;
    return *this;
}

ResponseFile& ResponseFile::samples(std::vector<std::int16_t> interleaved)
{
    samples_ = std::move(interleaved);
    haveSamples_ = true;
    return *this;
}

ResponseFile& ResponseFile::perChannel(const std::vector<std::vector<float>>& channels)
{
    channels_ = static_cast<int>(channels.size());
    const std::size_t n = channels.empty() ? 0 : channels.front().size();
    std::vector<std::int16_t> interleaved(n * channels.size());
    for (std::size_t c = 0; c < channels.size(); ++c) {
        const auto pcm = testsupport::toPcm16(channels[c]);
        for (std::size_t i = 0; i < n; ++i)
            interleaved[i * channels.size() + c] = pcm[i];
    }
    return samples(std::move(interleaved));
}

ResponseFile& ResponseFile::sample(Generator generator)
{
    generator_ = std::move(generator);
    return *this;
}

ResponseFile& ResponseFile::header(HeaderEdit edit)
{
    if (edit)
        edits_.push_back(std::move(edit));
    return *this;
}

ResponseFile& ResponseFile::receiver(std::int16_t code)
{
    return header([code](WaveHeader& h) { h.info.Receiver = code; });
}

ResponseFile& ResponseFile::stimulus(std::int16_t code)
{
    return header([code](WaveHeader& h) { h.info.Stimulus = code; });
}

ResponseFile& ResponseFile::probeDistance(float distance)
{
    return header([distance](WaveHeader& h) { h.info.ProbeDist = distance; });
}

ResponseFile& ResponseFile::averages(std::int16_t count)
{
    return header([count](WaveHeader& h) { h.info.AvgCount = count; });
}

ResponseFile& ResponseFile::temperature(float celsius)
{
    return header([celsius](WaveHeader& h) { h.info.Temperature = celsius; });
}

ResponseFile& ResponseFile::project(const std::string& text)
{
    return header([text](WaveHeader& h) { writeTextField(h.Project, sizeof h.Project, text); });
}

ResponseFile& ResponseFile::engineer(const std::string& text)
{
    return header([text](WaveHeader& h) { writeTextField(h.Engineer, sizeof h.Engineer, text); });
}

std::vector<std::int16_t> ResponseFile::interleaved() const
{
    if (haveSamples_)
        return samples_;
    std::vector<std::int16_t> s(static_cast<std::size_t>(std::max<std::int64_t>(frames_, 0) * channels_), 0);
    if (!generator_)
        return s;
    for (std::int64_t i = 0; i < frames_; ++i)
        for (int c = 0; c < channels_; ++c) {
            const double v = std::clamp(std::round(generator_(i, c)), double(kMinSample), double(kMaxSample));
            s[static_cast<std::size_t>(i * channels_ + c)] = static_cast<std::int16_t>(v);
        }
    return s;
}

std::string ResponseFile::write() const
{
    const std::vector<std::int16_t> s = interleaved();
    WaveHeader h;
    for (const HeaderEdit& edit : edits_)
        edit(h);
    files::detail::setSampleFields(h, channels_, rate_, s);
    EXPECT_EQ(files::writeResponse(path_, h, s), Ok) << path_;
    return path_;
}

} // namespace vemra::test
