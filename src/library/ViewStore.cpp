#include "library/ViewStore.h"

#include "library/WaveStore.h"

#include <map>

namespace vemra {
namespace {

struct Entry {
    WaveHeader header; // a copy, so the store can ask whether that response is still open and unchanged
    ProcessedView view;
};

// Keyed by the samples' revision, which is unique within a run: a view found under the current revision of a
// response was made from exactly its present samples.
std::map<std::uint64_t, Entry>& entries()
{
    static std::map<std::uint64_t, Entry> views;
    return views;
}

} // namespace

const ProcessedView* ProcessedViewOf(const WaveHeader& header)
{
    const std::uint64_t revision = WaveStore::revision(header);
    if (revision == 0)
        return nullptr;
    const auto it = entries().find(revision);
    return it == entries().end() ? nullptr : &it->second.view;
}

void StoreProcessedView(const WaveHeader& header, ProcessedView view)
{
    auto& all = entries();
    for (auto it = all.begin(); it != all.end();) {
        if (WaveStore::revision(it->second.header) != it->first)
            it = all.erase(it);
        else
            ++it;
    }
    const std::uint64_t revision = WaveStore::revision(header);
    if (revision == 0)
        return;
    Entry& e = all[revision];
    e.header = header;
    e.view = std::move(view);
}

void ReleaseProcessedView(const WaveHeader& header)
{
    if (const std::uint64_t revision = WaveStore::revision(header))
        entries().erase(revision);
}

std::size_t ProcessedViewCount() { return entries().size(); }

} // namespace vemra
