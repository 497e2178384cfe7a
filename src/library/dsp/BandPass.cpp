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
};

// The filters of one rate (with their sinks) in groups of up to eight lanes; filters with the same number of
// sections share lanes, so that no lane runs identity sections for long.
std::vector<LaneGroup> laneGroups(std::span<const BandFilter* const> filters, std::span<BandSink* const> sinks,
                                  int level)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < filters.size(); ++i)
        if (filters[i]->decimationLevels() == level)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return filters[a]->sections().size() < filters[b]->sections().size();
    });
    std::vector<LaneGroup> groups;
    for (std::size_t g = 0; g < order.size(); g += FilterLanes::kLanes) {
        const std::size_t count = std::min<std::size_t>(FilterLanes::kLanes, order.size() - g);
        std::vector<std::span<const Biquad>> sections;
        std::vector<BandSink*> members;
        for (std::size_t j = 0; j < count; ++j) {
            sections.push_back(filters[order[g + j]]->sections());
            members.push_back(sinks[order[g + j]]);
        }
        groups.push_back({FilterLanes(sections), std::move(members)});
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

    int deepest = 0;
    for (const BandFilter* f : filters)
        deepest = std::max(deepest, f->decimationLevels());
    std::vector<std::vector<LaneGroup>> groups;
    for (int level = 0; level <= deepest; ++level)
        groups.push_back(laneGroups(filters, sinks, level));

    // A pass that may end early needs the samples up to its last position and the look-ahead of the rate changes
    // after it.
    std::int64_t feed = n;
    if (input.until >= 0) {
        const std::int64_t last = position(std::clamp<std::int64_t>(input.until, 0, n - 1));
        feed = std::min(n, last + 1 + (halfband::kHalfLength + 2) * (std::int64_t(2) << deepest));
    }

    // The decimator of level s keeps the samples of level s - 1 that lie on level s's grid through the anchor.
    std::vector<HalfbandDecimator> decimators;
    for (int level = 0; level <= deepest; ++level)
        decimators.emplace_back(level == 0 ? 0 : static_cast<int>((anchorIndex >> (level - 1)) & 1));
    std::vector<std::int64_t> produced(static_cast<std::size_t>(deepest) + 1, 0);
    std::vector<float> lanesOut(static_cast<std::size_t>(kChunk * FilterLanes::kLanes));

    auto deliver = [&](int level, const float* x, std::int64_t count) {
        const std::int64_t r = std::int64_t(1) << level;
        const std::int64_t phase = anchorIndex & (r - 1);
        std::int64_t& done = produced[static_cast<std::size_t>(level)];
        for (LaneGroup& g : groups[static_cast<std::size_t>(level)])
            for (std::int64_t off = 0; off < count; off += kChunk) {
                const std::int64_t k = std::min(kChunk, count - off);
                g.lanes.run(x + off, k, lanesOut.data());
                BandSamples s;
                s.stride = FilterLanes::kLanes;
                s.count = k;
                s.first = position(phase + (done + off) * r);
                s.step = reversed ? -r : r;
                s.decimation = r;
                s.values = lanesOut.data();
                g.sinks.front()->takeLanes(s, g.sinks);
            }
        done += count;
    };

    std::vector<float> block(static_cast<std::size_t>(kBlock));
    std::vector<std::vector<float>> levelOut(static_cast<std::size_t>(deepest) + 1);
    for (std::int64_t first = 0; first < feed; first += kBlock) {
        const std::int64_t k = std::min(kBlock, feed - first);
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
        for (int level = 1; level <= deepest; ++level) {
            auto& out = levelOut[static_cast<std::size_t>(level)];
            out.clear();
            decimators[static_cast<std::size_t>(level)].push(from, out);
            deliver(level, out.data(), static_cast<std::int64_t>(out.size()));
            from = out;
        }
    }
    // The input ends: each rate completes its last samples and hands them down.
    std::vector<float> carry;
    for (int level = 1; level <= deepest; ++level) {
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
