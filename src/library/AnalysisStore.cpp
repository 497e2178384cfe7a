#include "library/AnalysisStore.h"

#include "library/WaveStore.h"
#include "library/dsp/ImpulseStart.h"

#include <list>
#include <memory>

namespace vemra {
namespace {

constexpr std::size_t kKept = 4; // two stereo responses, e.g. a table and a graph on different files

struct Entry {
    std::uint64_t revision;
    int channel;
    double fs;
    std::int64_t zero;
    std::unique_ptr<dsp::ChannelAnalysis> analysis;
};

std::list<Entry>& entries()
{
    static std::list<Entry> list; // most recent first
    return list;
}

} // namespace

std::int64_t AnalysisStore::timeZero(const WaveHeader& header, int channel)
{
    const auto samples = WaveStore::floatSamples(header, channel);
    if (samples.empty())
        return -1;
    const std::int32_t stored = header.info.IRStart[channel];
    if (stored >= 0 && stored < static_cast<std::int64_t>(samples.size()))
        return stored;
    return dsp::impulseStartIso(samples);
}

dsp::ChannelAnalysis* AnalysisStore::channel(const WaveHeader& header, int channel)
{
    if (channel < 0 || channel > 1 || channel >= WaveStore::channels(header))
        return nullptr;
    const double fs = header.format.SampleFrequency;
    if (!(fs > 0))
        return nullptr;
    const std::uint64_t revision = WaveStore::revision(header);
    const std::int64_t zero = timeZero(header, channel);
    auto& list = entries();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->revision == revision && it->channel == channel && it->fs == fs && it->zero == zero) {
            list.splice(list.begin(), list, it);
            return list.front().analysis.get();
        }
    }
    const auto samples = WaveStore::floatSamples(header, channel);
    list.push_front(Entry{revision, channel, fs, zero,
                          std::make_unique<dsp::ChannelAnalysis>(std::vector<float>(samples.begin(), samples.end()),
                                                                 fs, zero)});
    while (list.size() > kKept)
        list.pop_back();
    return list.front().analysis.get();
}

void AnalysisStore::clear() { entries().clear(); }

} // namespace vemra
