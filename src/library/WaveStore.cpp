#include "library/WaveStore.h"

#include "library/files/ResponseFile.h"

#include <algorithm>
#include <map>
#include <memory>

namespace vemra {

namespace {

struct Entry {
    WaveStore::Channels channels;
    std::vector<std::vector<float>> floats; // filled on first use, dropped on change
    std::uint64_t revision = 0;
};

// Handles are never reused within a run, so a stale copy of a header never reaches another response's samples.
struct Registry {
    std::map<std::int32_t, std::unique_ptr<Entry>> entries;
    std::int32_t next = 1;
    std::uint64_t nextRevision = 1;
};

Registry& registry()
{
    static Registry r;
    return r;
}

// The handle and its complement, so that a header with stray bytes in the reserved pair holds no handle.
std::int32_t handleOf(const WaveHeader& header)
{
    const std::int32_t h = header.reserved1[0];
    return h > 0 && header.reserved1[1] == ~h ? h : 0;
}

Entry* entryOf(const WaveHeader& header)
{
    const std::int32_t h = handleOf(header);
    if (!h)
        return nullptr;
    auto& entries = registry().entries;
    const auto it = entries.find(h);
    return it == entries.end() ? nullptr : it->second.get();
}

bool acceptable(const WaveStore::Channels& channels)
{
    if (channels.empty() || channels.size() > 2)
        return false;
    return std::all_of(channels.begin(), channels.end(),
                       [&](const auto& c) { return c.size() == channels.front().size(); });
}

void describe(WaveHeader& header, const WaveStore::Channels& channels)
{
    const int n = static_cast<int>(channels.size());
    files::setPcm16Format(header, n, header.format.SampleFrequency,
                          static_cast<std::int64_t>(channels.front().size()));
    for (int c = 0; c < 2; ++c) {
        std::int16_t hi = 0, lo = 0;
        if (c < n && !channels[c].empty()) {
            hi = lo = channels[c].front();
            files::widenSampleRange(channels[c], lo, hi);
        }
        header.MaxDataValue[c] = hi;
        header.MinDataValue[c] = lo;
    }
}

} // namespace

bool WaveStore::adopt(WaveHeader& header, Channels channels)
{
    if (!acceptable(channels))
        return false;
    release(header);
    Registry& r = registry();
    const std::int32_t h = r.next++;
    auto entry = std::make_unique<Entry>();
    entry->channels = std::move(channels);
    entry->revision = r.nextRevision++;
    describe(header, entry->channels);
    r.entries.emplace(h, std::move(entry));
    header.reserved1[0] = h;
    header.reserved1[1] = ~h;
    return true;
}

bool WaveStore::adoptInterleaved(WaveHeader& header, int channels, std::span<const std::int16_t> frames)
{
    if (channels < 1 || channels > 2 || frames.size() % static_cast<std::size_t>(channels) != 0)
        return false;
    return adopt(header, files::deinterleave(frames, channels));
}

void WaveStore::release(WaveHeader& header)
{
    if (const std::int32_t h = handleOf(header))
        registry().entries.erase(h);
    header.reserved1[0] = 0;
    header.reserved1[1] = 0;
}

bool WaveStore::isOpen(const WaveHeader& header) { return entryOf(header) != nullptr; }

std::size_t WaveStore::size() { return registry().entries.size(); }

int WaveStore::channels(const WaveHeader& header)
{
    const Entry* e = entryOf(header);
    return e ? static_cast<int>(e->channels.size()) : 0;
}

std::int64_t WaveStore::frames(const WaveHeader& header)
{
    const Entry* e = entryOf(header);
    return e ? static_cast<std::int64_t>(e->channels.front().size()) : 0;
}

std::span<const std::int16_t> WaveStore::samples(const WaveHeader& header, int channel)
{
    const Entry* e = entryOf(header);
    if (!e || channel < 0 || channel >= static_cast<int>(e->channels.size()))
        return {};
    return e->channels[channel];
}

std::span<const float> WaveStore::floatSamples(const WaveHeader& header, int channel)
{
    Entry* e = entryOf(header);
    if (!e || channel < 0 || channel >= static_cast<int>(e->channels.size()))
        return {};
    if (e->floats.size() != e->channels.size())
        e->floats.assign(e->channels.size(), {});
    auto& f = e->floats[channel];
    if (f.size() != e->channels[channel].size())
        f.assign(e->channels[channel].begin(), e->channels[channel].end());
    return f;
}

std::vector<std::int16_t> WaveStore::interleaved(const WaveHeader& header)
{
    const Entry* e = entryOf(header);
    return e ? files::interleave(e->channels) : std::vector<std::int16_t>();
}

std::uint64_t WaveStore::revision(const WaveHeader& header)
{
    const Entry* e = entryOf(header);
    return e ? e->revision : 0;
}

bool WaveStore::edit(WaveHeader& header, const std::function<void(Channels&)>& change)
{
    Entry* e = entryOf(header);
    if (!e)
        return false;
    Channels copy = e->channels;
    change(copy);
    if (!acceptable(copy))
        return false;
    e->channels = std::move(copy);
    e->floats.clear();
    e->revision = registry().nextRevision++;
    describe(header, e->channels);
    return true;
}

} // namespace vemra
