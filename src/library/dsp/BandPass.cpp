#include "library/dsp/BandPass.h"

#include "library/dsp/FilterLanes.h"
#include "library/dsp/Halfband.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace vemra::dsp {
namespace {

constexpr std::int64_t kBlock = 4096; // full-rate samples read at a time
constexpr std::int64_t kChunk = 512;  // samples filtered at a time (the lanes' output: kChunk * 8 floats)

struct LaneGroup {
    FilterLanes lanes;
    std::vector<BandSink*> sinks; // the filters' sinks, lane by lane
    std::int64_t last;            // the last processing index any of them needs
};

// The filters of one rate (with their sinks) in groups of up to eight lanes; filters with the same number of
// sections share lanes, so that no lane runs identity sections for long, and filters needed about as far share them
// too, so that a group stops about where its members do.
std::vector<LaneGroup> laneGroups(std::span<const BandFilter* const> filters, std::span<BandSink* const> sinks,
                                  std::span<const std::int64_t> lastIndex, int level)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < filters.size(); ++i)
        if (filters[i]->decimationLevels() == level)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const auto sa = filters[a]->sections().size(), sb = filters[b]->sections().size();
        return sa != sb ? sa < sb : lastIndex[a] < lastIndex[b];
    });
    std::vector<LaneGroup> groups;
    for (std::size_t g = 0; g < order.size(); g += FilterLanes::kLanes) {
        const std::size_t count = std::min<std::size_t>(FilterLanes::kLanes, order.size() - g);
        std::vector<std::span<const Biquad>> sections;
        std::vector<BandSink*> members;
        std::int64_t last = 0;
        for (std::size_t j = 0; j < count; ++j) {
            sections.push_back(filters[order[g + j]]->sections());
            members.push_back(sinks[order[g + j]]);
            last = std::max(last, lastIndex[order[g + j]]);
        }
        groups.push_back({FilterLanes(sections), std::move(members), last});
    }
    return groups;
}

} // namespace

void BandSink::takeLanes(const BandSamples& samples, std::span<BandSink* const> lanes)
{
    BandSamples lane = samples;
    for (std::size_t l = 0; l < lanes.size(); ++l) {
        lane.values = samples.values + l;
        lanes[l]->take(lane);
    }
}

void runBandPass(const BandPassInput& input, std::span<const BandFilter* const> filters,
                 std::span<BandSink* const> sinks)
{
    if (sinks.size() != filters.size())
        throw std::invalid_argument("runBandPass: one sink per filter expected");
    if (!input.until.empty() && input.until.size() != filters.size())
        throw std::invalid_argument("runBandPass: one end per filter expected");
    for (const BandFilter* f : filters)
        if (f->isAllPass())
            throw std::invalid_argument("runBandPass: all-pass has no band to filter");
    const std::int64_t n = input.samples.size();
    if (n == 0 || filters.empty())
        return;
    FlushDenormals flush;
    const bool reversed = input.direction == FilterDirection::Reversed;
    // Processing index i (the order the samples are filtered in) is position i forward, n - 1 - i reversed.
    auto position = [&](std::int64_t i) { return reversed ? n - 1 - i : i; };
    const std::int64_t anchor = std::clamp<std::int64_t>(input.anchor, 0, n - 1);
    const std::int64_t anchorIndex = position(anchor);

    // The last processing index each filter needs.
    std::vector<std::int64_t> lastIndex(filters.size(), n - 1);
    for (std::size_t i = 0; i < input.until.size(); ++i)
        if (input.until[i] >= 0)
            lastIndex[i] = position(std::clamp<std::int64_t>(input.until[i], 0, n - 1));

    int deepest = 0;
    for (const BandFilter* f : filters)
        deepest = std::max(deepest, f->decimationLevels());
    std::vector<std::vector<LaneGroup>> groups;
    for (int level = 0; level <= deepest; ++level)
        groups.push_back(laneGroups(filters, sinks, lastIndex, level));

    // How far each rate is fed: as far as its own bands and those at lower rates need, and the look-ahead of the
    // rate changes down to the lowest of them beyond that. Samples fed further would be filtered for nothing.
    std::vector<std::int64_t> feed(static_cast<std::size_t>(deepest) + 2, 0);
    for (int level = deepest; level >= 0; --level) {
        std::int64_t need = feed[static_cast<std::size_t>(level) + 1];
        for (const LaneGroup& g : groups[static_cast<std::size_t>(level)])
            need = std::max(need, g.last + 1 + (halfband::kHalfLength + 2) * (std::int64_t(2) << level));
        feed[static_cast<std::size_t>(level)] = std::min(n, need);
    }

    // The decimator of level s keeps the samples of level s - 1 that lie on level s's grid through the anchor; it
    // starts before level s - 1's first sample, as far as its taps reach it.
    std::vector<HalfbandDecimator> decimators(static_cast<std::size_t>(deepest) + 1);
    std::vector<std::int64_t> produced(static_cast<std::size_t>(deepest) + 1, 0);
    for (int level = 1; level <= deepest; ++level) {
        const auto l = static_cast<std::size_t>(level);
        decimators[l].reset(static_cast<int>((anchorIndex >> (level - 1)) & 1), produced[l - 1]);
        produced[l] = decimators[l].firstOutput();
    }
    std::vector<float> lanesOut(static_cast<std::size_t>(kChunk * FilterLanes::kLanes));

    // Level `level`'s sample j lies at processing index phase + j r: sinks receive those inside the signal, up to
    // where their group is needed.
    auto deliver = [&](int level, const float* x, std::int64_t count) {
        const std::int64_t r = std::int64_t(1) << level;
        const std::int64_t phase = anchorIndex & (r - 1);
        std::int64_t& done = produced[static_cast<std::size_t>(level)];
        for (LaneGroup& g : groups[static_cast<std::size_t>(level)]) {
            // The samples of the group up to the last it needs.
            const std::int64_t lastSample = g.last >= phase ? (g.last - phase) / r : -1 - (phase - g.last - 1) / r;
            const std::int64_t end = std::min(count, lastSample - done + 1);
            for (std::int64_t off = 0; off < end; off += kChunk) {
                const std::int64_t k = std::min(kChunk, end - off);
                g.lanes.run(x + off, k, lanesOut.data());
                // Those before the signal (j < 0) only bring the sections to their state.
                const std::int64_t j0 = done + off;
                const std::int64_t skip = std::clamp<std::int64_t>(-j0, 0, k);
                if (skip == k)
                    continue;
                BandSamples s;
                s.stride = FilterLanes::kLanes;
                s.count = k - skip;
                s.first = position(phase + (j0 + skip) * r);
                s.step = reversed ? -r : r;
                s.decimation = r;
                s.values = lanesOut.data() + skip * FilterLanes::kLanes;
                g.sinks.front()->takeLanes(s, g.sinks);
            }
        }
        done += count;
    };

    std::vector<float> block(static_cast<std::size_t>(kBlock));
    std::vector<std::vector<float>> levelOut(static_cast<std::size_t>(deepest) + 1);
    for (std::int64_t first = 0; first < feed[0]; first += kBlock) {
        const std::int64_t k = std::min(kBlock, feed[0] - first);
        const float* x = block.data();
        if (reversed)
            for (std::int64_t j = 0; j < k; ++j)
                block[static_cast<std::size_t>(j)] = input.samples[n - 1 - (first + j)];
        else if (!input.samples.floats().empty())
            x = input.samples.floats().data() + first;
        else
            for (std::int64_t j = 0; j < k; ++j)
                block[static_cast<std::size_t>(j)] = input.samples[first + j];
        deliver(0, x, k);
        std::span<const float> from(x, static_cast<std::size_t>(k));
        for (int level = 1; level <= deepest && first < feed[static_cast<std::size_t>(level)]; ++level) {
            auto& out = levelOut[static_cast<std::size_t>(level)];
            out.clear();
            decimators[static_cast<std::size_t>(level)].push(from, out);
            deliver(level, out.data(), static_cast<std::int64_t>(out.size()));
            from = out;
        }
    }
    // The input ends: each rate completes its last samples and hands them down. A rate fed only part of the way
    // has given every sample its bands need already.
    std::vector<float> carry;
    for (int level = 1; level <= deepest && feed[static_cast<std::size_t>(level)] == n; ++level) {
        auto& out = levelOut[static_cast<std::size_t>(level)];
        out.clear();
        auto& d = decimators[static_cast<std::size_t>(level)];
        if (level > 1)
            d.push(carry, out);
        d.finish(out);
        deliver(level, out.data(), static_cast<std::int64_t>(out.size()));
        carry = out;
    }
}

} // namespace vemra::dsp
