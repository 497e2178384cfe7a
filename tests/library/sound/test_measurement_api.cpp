#include "ApiRig.h"

#include "library/api_settings.h"

#include <chrono>
#include <thread>

using namespace vemra;
using namespace vemra::sound;
using namespace vemra::sound::test;

namespace {

class MeasurementApi : public ApiRig {};

} // namespace

TEST_F(MeasurementApi, MlsMeasurementWritesTheResponseWithItsRecord)
{
    VirtualCardConfig config;
    config.response = knownRoom();
    install(config);
    std::string file;
    ASSERT_EQ(measure(1, 14, 32000, 2, file), 0);
    ASSERT_FALSE(file.empty());
    EXPECT_TRUE(files::isIssuedTempName(file));
    WaveHeader header;
    const auto r = responseOf(file, 0, &header);
    EXPECT_EQ(header.format.SampleFrequency, 32000);
    EXPECT_EQ(header.SampleCount, (1 << 14) - 1);
    EXPECT_EQ(header.info.Stimulus, 1);
    EXPECT_EQ(header.info.AvgCount, 2);
    EXPECT_EQ(header.info.IRStart[0], -1);
    // 16-bit samples limit the accuracy to about -90 dB of the peak.
    EXPECT_LT(responseError_dB(r, config.response), -60.0);
    files::removeTempFile(file);
}

TEST_F(MeasurementApi, SweepRecoversTheRoomInTheSpeechBand)
{
    for (int order : {14, 16}) {
        SCOPED_TRACE(order);
        VirtualCardConfig config;
        config.response = knownRoom();
        install(config);
        std::string file;
        ASSERT_EQ(measure(5, order, 32000, 1, file), 0);
        const auto r = responseOf(file);
        EXPECT_LT(bandError_dB(r, config.response, 32000, 125, 4000), -55.0);
        const auto peak = std::max_element(r.begin(), r.end(), [](double a, double b) { return std::abs(a) < std::abs(b); });
        EXPECT_EQ(peak - r.begin(), 40);
        files::removeTempFile(file);
    }
}

TEST_F(MeasurementApi, AveragingLowersUncorrelatedNoiseByTenLgN)
{
    auto residual = [&](int averages) {
        VirtualCardConfig config;
        config.response = knownRoom();
        config.noiseRms = 0.01;
        config.seed = 17;
        install(config);
        std::string file;
        EXPECT_EQ(measure(1, 14, 32000, averages, file), 0);
        const auto r = responseOf(file);
        files::removeTempFile(file);
        // Noise energy over the lags beyond the room's response.
        double e = 0;
        for (std::size_t k = 4096; k < r.size(); ++k)
            e += r[k] * r[k];
        return 10 * std::log10(e);
    };
    const double one = residual(1);
    for (int n : {4, 16}) {
        SCOPED_TRACE(n);
        EXPECT_NEAR(one - residual(n), 10 * std::log10(n), 1.0);
    }
}

TEST_F(MeasurementApi, LatencyTheCardDoesNotReportIsTakenFromTheAudioDelaySetting)
{
    VirtualCardConfig config;
    config.response = knownRoom();
    config.latencyFrames = 999;
    config.reportLatency = false;
    install(config);
    PushSetting(1, 999);
    std::string file;
    ASSERT_EQ(measure(1, 13, 32000, 1, file), 0);
    PushSetting(1, 0);
    const auto r = responseOf(file);
    EXPECT_LT(responseError_dB(r, config.response), -60.0);
    files::removeTempFile(file);
}

TEST_F(MeasurementApi, StopPlayingBeforeTheCaptureEndsStillGivesTheResponse)
{
    VirtualCardConfig config;
    config.response = knownRoom();
    install(config);
    const int order = 13;
    const std::int32_t period = (1 << order) - 1;
    std::string none;
    ASSERT_EQ(StartContRecording(32000, 1), 0);
    ASSERT_EQ(StartMLS(1, order, 32000, 16384, none, 0, 1.0f), 0);
    card->step(period + 4096);
    ASSERT_EQ(StartRecording(32000, period, 3), 0);
    card->step(period / 2);
    StopPlaying(); // deferred: the capture still needs the stimulus
    card->step(3 * period);
    MeasurementInfo info;
    info.Stimulus = 1;
    MeasurementGains gains;
    std::string file;
    ASSERT_EQ(ProcessRecording(file, 32000, order, info, gains, 1, 0), 0);
    EXPECT_LT(responseError_dB(responseOf(file), config.response), -60.0);
    // And the stimulus did stop once the capture was done.
    card->step(1024);
    EXPECT_FALSE(Engine::instance().stimulusPlaying());
    StopContRecording();
    files::removeTempFile(file);
}

TEST_F(MeasurementApi, SourceFiltersAreDividedOut)
{
    for (int filter = 0; filter <= 4; ++filter) {
        SCOPED_TRACE(filter);
        VirtualCardConfig config;
        config.response = knownRoom();
        install(config);
        std::string file;
        ASSERT_EQ(measure(1, 14, 32000, 1, file, filter), 0);
        const auto r = responseOf(file);
        // The RASTI shape leaves most of the spectrum 40 dB down: judge it in its two octaves.
        if (filter == 4)
            EXPECT_LT(bandError_dB(r, config.response, 32000, 400, 2500), -40.0);
        else
            EXPECT_LT(bandError_dB(r, config.response, 32000, 125, 4000), -55.0);
        files::removeTempFile(file);
    }
}

TEST_F(MeasurementApi, MixerGainsActOnTheVirtualCardByTheirLaw)
{
    VirtualCardConfig config;
    config.response = knownRoom();
    install(config);
    MixerControlRecord record;
    ASSERT_EQ(GetMixerControlIDs(record), 0);
    // Master at -6 dB by the law -60 + 60 p / 65535 dB.
    const std::int32_t p = static_cast<std::int32_t>(std::lround(65535.0 * 54.0 / 60.0));
    SetVolume(0, record.PmControlID, 2, p, p);
    std::string file;
    ASSERT_EQ(measure(1, 13, 32000, 1, file), 0);
    const auto r = responseOf(file);
    EXPECT_NEAR(20 * std::log10(std::abs(r[40]) / 0.3), -6.0, 0.01);
    files::removeTempFile(file);
}

TEST_F(MeasurementApi, NoiseSourceRecordedOnChannelTwoGivesTheTransfer)
{
    VirtualCardConfig config;
    config.response = knownRoom();
    config.response2 = {0.5}; // channel 2 listens to the source directly
    install(config);
    const int order = 14;
    const std::int32_t block = 1 << order;
    std::string none;
    ASSERT_EQ(StartContRecording(32000, 2), 0);
    // Any signal that repeats with the block will do as the source; here the sweep.
    ASSERT_EQ(StartSweep(1, order, 32000, 16384, none, 0, 1.0f), 0);
    card->step(block + 4096);
    ASSERT_EQ(StartRecording(32000, block, 1), 0);
    card->step(block + 1024);
    StopPlaying();
    MeasurementInfo info;
    info.Stimulus = 3;
    MeasurementGains gains;
    std::string file;
    ASSERT_EQ(ProcessRecording(file, 32000, order, info, gains, 1, 0), 0);
    WaveHeader header;
    auto r = responseOf(file, 0, &header);
    EXPECT_EQ(header.format.Channels, 1);
    for (double& v : r)
        v *= 0.5;
    EXPECT_LT(bandError_dB(r, config.response, 32000, 125, 4000), -50.0);
    StopContRecording();
    files::removeTempFile(file);
}

TEST_F(MeasurementApi, CardPacedInRealTimeMeasuresWhileTheCallerWaits)
{
    VirtualCardConfig config;
    config.response = knownRoom();
    config.latencyFrames = 1024;
    auto c = std::make_unique<VirtualCard>(config, VirtualCard::Pacing::RealTime);
    setMixerBackend(makeVirtualMixer(c->gains()));
    Engine::instance().setBackend(std::move(c));
    const int order = 13;
    const std::int32_t period = (1 << order) - 1;
    std::string none;
    ASSERT_EQ(StartContRecording(32000, 1), 0);
    ASSERT_EQ(StartMLS(1, order, 32000, 16384, none, 0, 1.0f), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(400)); // build-up: a period and the latency
    ASSERT_EQ(StartRecording(32000, period, 2), 0);
    StopPlaying(); // deferred until the capture is complete
    MeasurementInfo info;
    info.Stimulus = 1;
    MeasurementGains gains;
    std::string file;
    ASSERT_EQ(ProcessRecording(file, 32000, order, info, gains, 1, 0), 0); // waits about half a second
    StopContRecording();
    EXPECT_LT(responseError_dB(responseOf(file), config.response), -60.0);
    EXPECT_FALSE(Engine::instance().streamOpen());
    files::removeTempFile(file);
}
