#include "ApiRig.h"

#include "library/sound/CorrectionFile.h"

#include <algorithm>
#include <fstream>

using namespace vemra;
using namespace vemra::sound;
using namespace vemra::sound::test;

namespace {

class BadInput : public ApiRig {};

} // namespace

TEST_F(BadInput, OrdersLevelsAndAveragesOutOfRangeAre302)
{
    install({});
    std::string none;
    struct Row {
        const char* name;
        std::int16_t order;
        std::int32_t rate;
        std::int16_t level;
        std::int16_t filter;
    };
    const Row rows[] = {{"below the rate's orders", 13, 48000, 16384, 0},
                        {"above the long order", 22, 48000, 16384, 0},
                        {"order 0", 0, 32000, 16384, 0},
                        {"level 0", 14, 48000, 0, 0},
                        {"negative level", 14, 48000, -5, 0},
                        {"filter 5", 14, 48000, 16384, 5}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(StartMLS(1, r.order, r.rate, r.level, none, r.filter, 1.0f), 302);
        EXPECT_EQ(StartSweep(1, r.order, r.rate, r.level, none, r.filter, 1.0f), 302);
    }
    EXPECT_EQ(StartMLS(3, 14, 48000, 16384, none, 0, 1.0f), 300);
    EXPECT_EQ(StartRecording(48000, 16383, 0), 302);
    EXPECT_EQ(StartRecording(48000, 16383, 1001), 302);
    EXPECT_EQ(StartRecording(48000, 1, 1), 302);
    EXPECT_FALSE(Engine::instance().streamOpen());
}

TEST_F(BadInput, DevicesAndRates)
{
    std::string none;
    {
        SCOPED_TRACE("refused rate");
        VirtualCardConfig c;
        c.rates = {48000};
        install(c);
        EXPECT_EQ(StartContRecording(44100, 1), 152);
        EXPECT_EQ(CheckFullduplex(44100), 0);
        EXPECT_EQ(CheckFullduplex(48000), -1);
    }
    {
        SCOPED_TRACE("no device");
        VirtualCardConfig c;
        c.devices = 0;
        install(c);
        EXPECT_EQ(SelectWaveDevices("", 0, 0), 150);
        EXPECT_EQ(StartContRecording(48000, 1), 150);
    }
    {
        SCOPED_TRACE("no output");
        VirtualCardConfig c;
        c.outputs = 0;
        install(c);
        EXPECT_EQ(StartMLS(1, 14, 48000, 16384, none, 0, 1.0f), 153);
        EXPECT_EQ(CheckFullduplex(48000), 0);
    }
    {
        SCOPED_TRACE("no input");
        VirtualCardConfig c;
        c.inputs = 0;
        install(c);
        EXPECT_EQ(StartContRecording(48000, 1), 154);
    }
    {
        SCOPED_TRACE("no backend");
        Engine::instance().setBackend(nullptr);
        EXPECT_EQ(SelectWaveDevices("", 0, 0), 151);
        EXPECT_EQ(StartVU(48000, 1), 151);
    }
}

TEST_F(BadInput, InputLostDuringTheCaptureIs158AndLeavesNoFile)
{
    VirtualCardConfig c;
    c.response = knownRoom();
    c.overflowAtFrame = 40000;
    install(c);
    const auto before = tempFiles();
    std::string file;
    EXPECT_EQ(measure(1, 14, 32000, 2, file), 158);
    EXPECT_TRUE(file.empty());
    EXPECT_EQ(tempFiles(), before);
}

// The card stalls, at once or after its blocks came late for longer than the capture's own length plus 2 s: the wait
// gives up 2 s after the last frame, on the engine's clock (which moves only when slept on, so no real time passes).
TEST_F(BadInput, CaptureThatStopsReceivingFramesTimesOut2sAfterTheLastOne)
{
    struct Row {
        const char* name;
        std::int64_t blockEvery_ms;
        int blocks;
    };
    const Row rows[] = {{"no frame after the start", 0, 0}, {"late blocks, then none", 1000, 20}};
    const std::int32_t period = (1 << 14) - 1;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        install({});
        LateCardClock clock;
        clock.card = card;
        clock.blockEvery_ms = row.blockEvery_ms;
        clock.blocks = row.blocks;
        Engine::instance().setClock(&clock);
        const auto before = tempFiles();
        ASSERT_EQ(StartContRecording(32000, 1), 0);
        ASSERT_EQ(StartRecording(32000, period, 4), 0);
        card->step(1000);
        MeasurementInfo info;
        info.Stimulus = 2;
        MeasurementGains gains;
        std::string file;
        EXPECT_EQ(ProcessRecording(file, 32000, 14, info, gains, 1, 0), 161);
        const std::int64_t lastFrame_ms = std::max<std::int64_t>(clock.lastBlock_ms, 0);
        EXPECT_EQ(clock.blocks, 0) << "every late block was waited for";
        EXPECT_GE(clock.now, lastFrame_ms + 2000);
        EXPECT_LE(clock.now, lastFrame_ms + 2000 + 10);
        EXPECT_TRUE(file.empty());
        EXPECT_EQ(tempFiles(), before);
        // The capture is gone: processing again reports the lost recording instead of waiting.
        EXPECT_EQ(ProcessRecording(file, 32000, 14, info, gains, 1, 0), 158);
        StopContRecording();
        Engine::instance().setClock(nullptr); // the row's clock goes with it
    }
}

TEST_F(BadInput, CorruptCorrectionFilesAreRefused)
{
    install({});
    const std::string folder = files::tempFolder();
    const std::int64_t period = (1 << 14) - 1;
    CorrectedStimulus good{StimulusKind::Mls, 14, 48000, std::vector<float>(static_cast<std::size_t>(period), 0.5f)};
    const std::string goodName = folder + "/card 48000 14_mls.pcm";
    ASSERT_EQ(writeCorrectedStimulus(goodName, good), 0);

    auto variant = [&](const char* name, auto&& spoil) {
        std::ifstream in(goodName, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        spoil(bytes);
        const std::string path = folder + "/" + name + " 48000 14_mls.pcm";
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    };
    // Damaged or missing: the file cannot be read (207); readable but not a correction for this: 907.
    struct Case {
        const char* name;
        std::string path;
        VResult expected;
    };
    std::vector<Case> cases = {
        {"truncated", variant("truncated", [](std::vector<char>& b) { b.resize(b.size() - 4); }), msg::CannotRead},
        {"flipped sample", variant("flipped", [](std::vector<char>& b) { b[100] ^= 0x10; }), msg::CannotRead},
        {"wrong magic", variant("magic", [](std::vector<char>& b) { b[0] = 'X'; }), msg::CannotRead},
        {"header only", variant("short", [](std::vector<char>& b) { b.resize(20); }), msg::CannotRead},
        {"missing", folder + "/absent 48000 14_mls.pcm", msg::CannotRead},
        {"wrong ending", folder + "/card 48000 14.bin", msg::CalibrationFilesDiffer},
        {"filter not a wave", variant("notwave", [](std::vector<char>& b) { b.resize(64); }) + ".mls_flt.wav",
         msg::CannotRead},
    };
    const auto before = tempFiles();
    for (auto& [name, path, expected] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(StartMLS(1, 14, 48000, 16384, path, 0, 1.0f), expected);
    }
    // A correction for another rate, order or stimulus does not match.
    std::string good14 = goodName;
    EXPECT_EQ(StartMLS(1, 14, 44100, 16384, good14, 0, 1.0f), msg::CalibrationFilesDiffer);
    EXPECT_EQ(StartMLS(1, 15, 48000, 16384, good14, 0, 1.0f), msg::CalibrationFilesDiffer);
    EXPECT_EQ(StartSweep(1, 14, 48000, 16384, good14, 0, 1.0f), msg::CalibrationFilesDiffer);
    EXPECT_EQ(tempFiles(), before);
    EXPECT_EQ(StartMLS(1, 14, 48000, 16384, good14, 0, 1.0f), 0);
    StopPlaying();
}
