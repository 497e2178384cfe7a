// The decay analysis reads a band only through its energy in cells: a sample summed into the neighbouring cell
// moves energy by a cell in time, which the decay fits barely notice but the early and late energies do. So the
// cells are checked exactly, against a sample-by-sample assignment, with small whole-number samples whose
// squares add up without rounding.
#include "library/dsp/DecayCellSink.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace vemra::dsp;

namespace {

constexpr std::int64_t kStride = 8; // the samples of a band pass come interleaved, eight lanes wide

struct Case {
    const char* name;
    int shift;               // cells of 2^shift samples
    std::int64_t step;       // the rate reduction, negative for a time-reversed pass
    std::int64_t zero;       // time zero
    std::int64_t first;      // position of the first sample
    std::int64_t count;      // samples handed over
    std::int64_t chunk;      // handed over this many at a time
};

// What each cell must hold: every sample at or after time zero, squared and counted |step| times, in the cell
// its position lies in.
std::vector<float> expectedCells(const Case& c, const std::vector<float>& lane, std::size_t cells)
{
    std::vector<float> e(cells, 0.0f);
    const std::int64_t r = c.step > 0 ? c.step : -c.step;
    for (std::int64_t k = 0; k < c.count; ++k) {
        const std::int64_t p = c.first + k * c.step;
        if (p >= c.zero)
            e[static_cast<std::size_t>((p - c.zero) >> c.shift)] += static_cast<float>(r) * lane[k] * lane[k];
    }
    return e;
}

std::size_t cellsFor(const Case& c)
{
    std::int64_t last = c.first;
    for (std::int64_t k = 0; k < c.count; ++k)
        last = std::max(last, c.first + k * c.step);
    return static_cast<std::size_t>(((last - c.zero) >> c.shift) + 2);
}

// Hands lanes interleaved (values[k * kStride + l]) to one sink per lane, chunk by chunk, through takeLanes (or
// take, lane by lane).
void feed(const Case& c, const std::vector<float>& interleaved, std::vector<DecayCellSink>& sinks, bool together)
{
    std::vector<BandSink*> lanes;
    for (auto& s : sinks)
        lanes.push_back(&s);
    for (std::int64_t from = 0; from < c.count; from += c.chunk) {
        BandSamples s;
        s.values = interleaved.data() + from * kStride;
        s.stride = kStride;
        s.count = std::min(c.chunk, c.count - from);
        s.first = c.first + from * c.step;
        s.step = c.step;
        s.decimation = c.step > 0 ? c.step : -c.step;
        if (together) {
            lanes.front()->takeLanes(s, lanes);
        } else {
            for (std::size_t l = 0; l < lanes.size(); ++l) {
                BandSamples one = s;
                one.values += l;
                lanes[l]->take(one);
            }
        }
    }
}

const Case kCases[] = {
    // name                              shift step  zero  first count chunk
    {"full rate, forward", 5, 1, 480, 0, 2000, 512},
    {"full rate, reversed", 5, -1, 480, 2999, 3000, 512},
    {"full rate, chunks off the cells", 5, 1, 100, 37, 1000, 37},
    {"half rate, forward", 5, 2, 480, 0, 1000, 512},
    {"quarter rate, reversed", 5, -4, 480, 2960, 800, 300},
    {"rate / 32, one cell a sample", 5, 32, 480, 480 - 32 * 5, 100, 512},
    {"rate / 64, cells of 64, reversed", 6, -64, 96, 96 + 64 * 90, 95, 7},
    {"positions off the rate's grid", 5, 4, 481, 3, 700, 100},
    {"time zero at 0", 5, -8, 0, 8 * 300, 301, 64},
};

} // namespace

// One lane and all eight, fed together and lane by lane: every cell exactly as the assignment sample by sample.
TEST(DecayCellSink, EverySampleLandsInTheCellOfItsPosition)
{
    for (const Case& c : kCases) {
        for (std::size_t lanes : {std::size_t(1), std::size_t(3), std::size_t(8)}) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(lanes) + " lanes");
            std::vector<float> interleaved(static_cast<std::size_t>(c.count * kStride));
            for (std::size_t i = 0; i < interleaved.size(); ++i)
                interleaved[i] = static_cast<float>(1 + (i * 7 + i / kStride) % 5);
            const std::size_t cells = cellsFor(c);
            for (bool together : {false, true}) {
                SCOPED_TRACE(together ? "together" : "lane by lane");
                std::vector<std::vector<float>> store(lanes, std::vector<float>(cells, 0.0f));
                std::vector<DecayCellSink> sinks;
                for (auto& s : store)
                    sinks.emplace_back(s, c.zero, c.shift);
                feed(c, interleaved, sinks, together);
                for (std::size_t l = 0; l < lanes; ++l) {
                    std::vector<float> lane(static_cast<std::size_t>(c.count));
                    for (std::int64_t k = 0; k < c.count; ++k)
                        lane[static_cast<std::size_t>(k)] = interleaved[static_cast<std::size_t>(k * kStride) + l];
                    EXPECT_EQ(store[l], expectedCells(c, lane, cells)) << "lane " << l;
                }
            }
        }
    }
}

// The decay analysis must not depend on which bands were filtered beside a band: lanes summed together give the
// bits each lane gives alone, for any samples, and lanes that differ in time zero or cell size are each summed
// their own way.
TEST(DecayCellSink, LanesTogetherGiveTheBitsOfEachLaneAlone)
{
    std::mt19937 random(7);
    std::normal_distribution<float> gauss(0.0f, 1000.0f);
    const Case c{"", 5, -2, 480, 5001, 2400, 512};
    std::vector<float> interleaved(static_cast<std::size_t>(c.count * kStride));
    for (float& v : interleaved)
        v = gauss(random);
    const std::size_t cells = cellsFor(c);
    for (int lanes = 1; lanes <= 8; ++lanes) {
        for (bool mixed : {false, true}) {
            SCOPED_TRACE(std::to_string(lanes) + (mixed ? " lanes, one with larger cells" : " lanes"));
            std::vector<std::vector<float>> alone(static_cast<std::size_t>(lanes), std::vector<float>(cells, 0.0f));
            auto together = alone;
            std::vector<DecayCellSink> a, t;
            for (int l = 0; l < lanes; ++l) {
                const int shift = mixed && l == lanes - 1 ? c.shift + 1 : c.shift;
                a.emplace_back(alone[static_cast<std::size_t>(l)], c.zero, shift);
                t.emplace_back(together[static_cast<std::size_t>(l)], c.zero, shift);
            }
            feed(c, interleaved, a, false);
            feed(c, interleaved, t, true);
            for (int l = 0; l < lanes; ++l)
                EXPECT_EQ(0, std::memcmp(alone[static_cast<std::size_t>(l)].data(),
                                         together[static_cast<std::size_t>(l)].data(), cells * sizeof(float)))
                    << "lane " << l;
        }
    }
}
