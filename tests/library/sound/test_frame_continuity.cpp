// Lost input told from an audio server's frame clock: the cycles a stream's callback serves must follow each other
// on the clock, and the clock must not move on while the callback runs.
#include "library/sound/FrameContinuity.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using vemra::sound::FrameContinuity;

namespace {

// One callback: its cycle's first frame and length, and the clock read after its output was written (the first frame
// again when the server was still on that cycle).
struct Cycle {
    std::uint32_t first;
    std::uint32_t frames;
    std::uint32_t clockAtEnd;
};

struct Row {
    const char* name;
    std::vector<Cycle> cycles;
    std::vector<bool> lost; // what startCycle says of each
};

} // namespace

TEST(FrameContinuity, InputIsLostWhereTheCyclesDoNotFollowEachOther)
{
    constexpr std::uint32_t top = 0xFFFFFFFFu;
    const std::vector<Row> rows = {
        {"cycles that follow each other, the first following nothing",
         {{1000, 256, 1000}, {1256, 256, 1256}, {1512, 256, 1512}},
         {false, false, false}},
        {"a cycle the server ran without the stream", {{0, 256, 0}, {512, 256, 512}, {768, 256, 768}}, {false, true, false}},
        {"a clock that stepped back after an overrun", {{1000, 256, 1000}, {600, 256, 600}}, {false, true}},
        {"a clock that wraps", {{top - 255, 256, top - 255}, {0, 256, 0}}, {false, false}},
        {"a period that changes", {{0, 256, 0}, {256, 512, 256}, {768, 512, 768}}, {false, false, false}},
        {"output written after the clock moved on", {{0, 256, 256}, {256, 256, 256}, {512, 256, 512}}, {false, true, false}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FrameContinuity c;
        c.reset();
        std::vector<bool> lost;
        for (const Cycle& k : row.cycles) {
            lost.push_back(c.startCycle(k.first, k.frames));
            c.endCycle(k.clockAtEnd);
        }
        EXPECT_EQ(lost, row.lost);
    }
}

TEST(FrameContinuity, TheClockMovedOnOnceItLeftTheCycle)
{
    FrameContinuity c;
    c.reset();
    EXPECT_FALSE(c.movedOn(5000)) << "no cycle yet";
    c.startCycle(4096, 1024);
    EXPECT_FALSE(c.movedOn(4096));
    EXPECT_TRUE(c.movedOn(5120));
}

// A stream opened anew follows nothing of the previous one: neither its last cycle nor its late output.
TEST(FrameContinuity, ANewStreamFollowsNothing)
{
    FrameContinuity c;
    c.reset();
    c.startCycle(0, 256);
    c.endCycle(256);
    c.reset();
    EXPECT_FALSE(c.startCycle(90000, 256));
}
