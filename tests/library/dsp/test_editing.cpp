#include "library/dsp/Editing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vemra::dsp;

namespace {

// Two channels of eight frames: channel 1 is channel 0 negated, so a frame that wandered between channels shows.
PlanarSamples eightFrames()
{
    return {{1, 2, 3, 4, 5, 6, 7, 8}, {-1, -2, -3, -4, -5, -6, -7, -8}};
}

PlanarSamples negatedPair(std::vector<std::int16_t> c0)
{
    std::vector<std::int16_t> c1;
    for (const std::int16_t v : c0)
        c1.push_back(static_cast<std::int16_t>(-v));
    return {c0, c1};
}

} // namespace

TEST(Editing, RangesInsideTheResponse)
{
    struct Row {
        const char* name;
        std::int64_t frames, start, length;
        bool valid;
    };
    const Row rows[] = {
        {"whole", 8, 0, 8, true},       {"empty at end", 8, 8, 0, true}, {"last frame", 8, 7, 1, true},
        {"one past end", 8, 7, 2, false}, {"start past end", 8, 9, 0, false}, {"negative start", 8, -1, 1, false},
        {"negative length", 8, 2, -1, false}, {"huge length", 8, 1, INT64_MAX, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(validRange(r.frames, r.start, r.length), r.valid);
    }
}

TEST(Editing, EachEditMovesTheFramesOfBothChannelsAlike)
{
    struct Row {
        const char* name;
        void (*edit)(PlanarSamples&);
        std::vector<std::int16_t> channel0;
    };
    const Row rows[] = {
        {"rotate by 3", [](PlanarSamples& c) { rotateFrames(c, 3); }, {4, 5, 6, 7, 8, 1, 2, 3}},
        {"rotate by 0", [](PlanarSamples& c) { rotateFrames(c, 0); }, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"delete 2..4", [](PlanarSamples& c) { deleteFrames(c, 2, 3); }, {1, 2, 6, 7, 8}},
        {"delete the end", [](PlanarSamples& c) { deleteFrames(c, 6, 2); }, {1, 2, 3, 4, 5, 6}},
        {"insert at 2", [](PlanarSamples& c) { insertFrames(c, 2, negatedPair({90, 91})); },
         {1, 2, 90, 91, 3, 4, 5, 6, 7, 8}},
        {"insert at the end", [](PlanarSamples& c) { insertFrames(c, 8, negatedPair({90})); },
         {1, 2, 3, 4, 5, 6, 7, 8, 90}},
        {"silence 1..2", [](PlanarSamples& c) { silenceFrames(c, 1, 2); }, {1, 0, 0, 4, 5, 6, 7, 8}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        PlanarSamples c = eightFrames();
        r.edit(c);
        EXPECT_EQ(c, negatedPair(r.channel0));
    }
}

TEST(Editing, WindowShapesHaveTheirClosedFormGains)
{
    struct Row {
        const char* name;
        int shape;
        std::int64_t length;
        std::vector<double> gains;
    };
    const Row rows[] = {
        {"Hanning", 1, 5, {0, 0.5, 1, 0.5, 0}},
        {"LH-Hanning", 2, 3, {0, 0.5, 1}},
        {"RH-Hanning", 3, 3, {1, 0.5, 0}},
        {"Hamming", 4, 3, {0.08, 1, 0.08}},
        {"LH-Hamming", 5, 2, {0.08, 1}},
        {"RH-Hamming", 6, 2, {1, 0.08}},
        {"Blackman", 7, 5, {0, 0.34, 1, 0.34, 0}},
        {"LH-Blackman", 8, 3, {0, 0.34, 1}},
        {"RH-Blackman", 9, 3, {1, 0.34, 0}},
        {"Blackman-Harris", 10, 3, {0.00006, 1, 0.00006}},
        {"LH-Blackman-Harris", 11, 3, {0.00006, 0.21747, 1}},
        {"RH-Blackman-Harris", 12, 3, {1, 0.21747, 0.00006}},
        {"one point", 1, 1, {1}},
        {"one point, falling half", 12, 1, {1}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (std::int64_t i = 0; i < r.length; ++i)
            EXPECT_NEAR(windowGain(r.shape, i, r.length), r.gains[std::size_t(i)], 1e-5) << "point " << i;
    }
    for (int shape = 0; shape <= 13; ++shape)
        EXPECT_EQ(validWindowShape(shape), shape >= 1 && shape <= 12) << shape;
}

TEST(Editing, AWindowScalesOnlyItsRangeAndRoundsToTheNearestValue)
{
    PlanarSamples c = {{1000, 1000, 1000, 1000, 1000, 1000, 1000}, {-4, -4, -4, -4, -4, -4, -4}};
    applyWindow(c, 1, 5, 1); // Hanning over frames 1..5: 0, 0.5, 1, 0.5, 0
    EXPECT_EQ(c[0], (std::vector<std::int16_t>{1000, 0, 500, 1000, 500, 0, 1000}));
    EXPECT_EQ(c[1], (std::vector<std::int16_t>{-4, 0, -2, -4, -2, 0, -4}));
}
