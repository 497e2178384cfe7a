// The gain control: its step table, the level of a volume, muting and the take-over and give-back of a control.
#include "AudioFixture.h"

#include "core/VemraError.h"

using namespace audiotest;

namespace {

class Volume : public AudioTest {};

TEST_F(Volume, ANewControlHasOneStepAndGrowsOnlyForward)
{
    clsVolume v;
    EXPECT_EQ(v.Steps(), 0);
    EXPECT_EQ(v.VolStepVolume(0), 0);
    EXPECT_EQ(v.VolumedB(), 0.0f);
    EXPECT_EQ(v.Volume(), -1);
    EXPECT_EQ(v.Channels(), 2);
    EXPECT_FALSE(v.Mute());

    v.setVolStepVolume(5, 100);
    EXPECT_EQ(v.Steps(), 5);
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(v.VolStepVolume(i), 0) << i;
    EXPECT_EQ(v.VolStepVolume(5), 100);
    v.setVolStepRms(-1, 3.0f); // ignored
    v.setVolStepVolume(2, 7);  // a lower index never shrinks the table
    EXPECT_EQ(v.Steps(), 5);
    try {
        (void)v.VolStepRms(6);
        FAIL() << "an entry beyond the table must be a range error";
    } catch (const VemraError& e) {
        EXPECT_EQ(e.number(), 9);
    }
}

TEST_F(Volume, TheLevelIsThatOfTheLastStepAtOrAboveTheVolume)
{
    clsVolume v;
    const std::int32_t positions[] = {65535, 50000, 40000};
    const float levels[] = {0, -3, -6};
    for (int i = 0; i < 3; ++i) {
        v.setVolStepVolume(i, positions[i]);
        v.setVolStepRms(i, levels[i]);
    }
    const struct {
        std::int32_t volume;
        float level;
    } rows[] = {{45000, -3}, {50000, -3}, {70000, 0}, {100, -6}, {40000, -6}, {50001, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.volume);
        v.setVolume(row.volume);
        EXPECT_EQ(v.VolumedB(), row.level);
        v.setVolume2(row.volume);
        EXPECT_EQ(v.VolumedB2(), row.level);
    }
}

TEST_F(Volume, VolumesSetWhileMutedReachTheMixerOnUnmute)
{
    const std::int32_t id = virtualControl("Capture");
    clsVolume v;
    v.setMixerID(0);
    v.setControlID(id); // takes over: saves and mutes
    ASSERT_TRUE(v.Mute());
    spy->log.clear();
    v.setVolume(1000);
    EXPECT_TRUE(spy->log.empty()) << "a muted control is not touched";
    EXPECT_EQ(v.Volume(), 1000);
    v.setMute(false);
    ASSERT_EQ(spy->log.size(), 1u);
    EXPECT_EQ(spy->log[0], "set " + std::to_string(id) + " 1000 1000");
    v.setVolume1(2000);
    v.setVolume2(3000);
    EXPECT_EQ(spy->log.back(), "set " + std::to_string(id) + " 2000 3000");
    std::int32_t left = 0, right = 0;
    GetVolume(0, id, 2, left, right);
    EXPECT_EQ(left, 2000);
    EXPECT_EQ(right, 3000);
}

TEST_F(Volume, ATakenOverControlIsGivenBackItsVolume)
{
    const std::int32_t capture = virtualControl("Capture");
    const std::int32_t mic = virtualControl("Mic");
    SetVolume(0, capture, 2, 40000, 41000);
    SetVolume(0, mic, 2, 30000, 31000);
    {
        clsVolume v;
        v.setMixerID(0);
        v.setControlID(capture);
        EXPECT_EQ(v.Volume1(), 40000);
        EXPECT_EQ(v.Volume2(), 41000);
        spy->log.clear();
        v.setControlID(capture); // its own id: nothing at all
        EXPECT_TRUE(spy->log.empty());

        v.setControlID(mic); // the old control gets its volume back, the new one is saved and muted
        std::int32_t left = 0, right = 0;
        GetVolume(0, capture, 2, left, right);
        EXPECT_EQ(left, 40000);
        EXPECT_EQ(right, 41000);
        GetVolume(0, mic, 2, left, right);
        EXPECT_EQ(left, 0) << "muted";
        v.setMute(false);
        v.setVolume(5000);

        spy->log.clear();
        v.setControlID(-1); // gives the mic back, then mutes with no control
        EXPECT_EQ(spy->log.front(), "set " + std::to_string(mic) + " 30000 31000");
        EXPECT_TRUE(v.Mute());
        v.setControlID(mic);
        v.setMute(false);
        v.setVolume(7000);
    }
    std::int32_t left = 0, right = 0;
    GetVolume(0, mic, 2, left, right);
    EXPECT_EQ(left, 30000) << "the released control has the volume it had when it was taken over";
    EXPECT_EQ(right, 31000);
}

} // namespace
