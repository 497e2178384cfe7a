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
    std::int64_t isoStart; // of these samples, found once
    std::unique_ptr<dsp::ChannelAnalysis> analysis;
};

std::list<Entry>& entries()
{
    static std::list<Entry> list; // most recent first
    return list;
}

// The time zero the header asks for: its stored start when that lies within the samples.
std::int64_t chosenZero(const WaveHeader& header, int channel, std::int64_t frames, std::int64_t isoStart)
{
    const std::int32_t stored = header.info.IRStart[channel];
    return stored >= 0 && stored < frames ? stored : isoStart;
}

Entry* find(const WaveHeader& header, int channel)
{
    if (channel < 0 || channel > 1 || channel >= WaveStore::channels(header))
        return nullptr;
    const double fs = header.format.SampleFrequency;
    if (!(fs > 0))
        return nullptr;
    const std::uint64_t revision = WaveStore::revision(header);
    auto& list = entries();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->revision == revision && it->channel == channel && it->fs == fs) {
            list.splice(list.begin(), list, it);
            return &list.front();
        }
    }
    list.push_front(Entry{revision, channel, fs, dsp::impulseStartIso(WaveStore::samples(header, channel)), nullptr});
    while (list.size() > kKept)
        list.pop_back();
    return &list.front();
}

} // namespace

std::int64_t AnalysisStore::timeZero(const WaveHeader& header, int channel)
{
    const Entry* e = find(header, channel);
    return e ? chosenZero(header, channel, WaveStore::frames(header), e->isoStart) : -1;
}

dsp::ChannelAnalysis* AnalysisStore::channel(const WaveHeader& header, int channel)
{
    Entry* e = find(header, channel);
    if (!e)
        return nullptr;
    const std::int64_t zero = chosenZero(header, channel, WaveStore::frames(header), e->isoStart);
    // The analysis reads the store's 16-bit samples of this revision, which live as long as the revision; they are
    // handed over again on every use, in case the store has moved them.
    const dsp::ChannelSamples samples(WaveStore::samples(header, channel));
    if (!e->analysis || e->analysis->timeZero() != zero)
        e->analysis = std::make_unique<dsp::ChannelAnalysis>(samples, e->fs, zero);
    else
        e->analysis->attach(samples);
    return e->analysis.get();
}

void AnalysisStore::release(const WaveHeader& header)
{
    if (const std::uint64_t revision = WaveStore::revision(header))
        entries().remove_if([&](const Entry& e) { return e.revision == revision; });
}

void AnalysisStore::clear() { entries().clear(); }

std::size_t AnalysisStore::size() { return entries().size(); }

} // namespace vemra
