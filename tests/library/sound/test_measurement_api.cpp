#include "ApiRig.h"

#include "library/api_settings.h"


using namespace vemra;
using namespace vemra::sound;
using namespace vemra::sound::test;

namespace {

class MeasurementApi : public ApiRig {
protected:
    // Two periods of the playing MLS of this order at 32 kHz, captured behind its deferred stop and processed into a
    // response file (file); the continuous input stopped after.
    static VResult captureTwoPeriods(int order, std::string& file)
    {
        if (VResult rc = StartRecording(32000, (1 << order) - 1, 2))
            return rc;
        StopPlaying(); // deferred until the capture is complete
        MeasurementInfo info;
        info.Stimulus = 1;
        MeasurementGains gains;
        const VResult rc = ProcessRecording(file, 32000, static_cast<std::int16_t>(order), info, gains, 1, 0);
        StopContRecording();
        return rc;
    }
    // The card with the known room (and this latency), run by the engine's clock: one block every blockEvery_ms of
    // the engine's waits.
    void installRunBy(LateCardClock& clock, std::int64_t blockEvery_ms, VirtualCardConfig& config)
    {
        config.response = knownRoom();
        install(config);
        clock.card = card;
        clock.blockEvery_ms = blockEvery_ms;
        Engine::instance().setClock(&clock);
    }
};

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
        // The 16-bit file limits this: rounding the slow baseline that the bins below the sweep leave.
        EXPECT_LT(bandError_dB(r, config.response, 32000, 125, 4000), -50.0);
        const auto peak = std::max_element(r.begin(), r.end(), [](double a, double b) { return std::abs(a) < std::abs(b); });
        EXPECT_EQ(peak - r.begin(), 40);
        files::removeTempFile(file);
    }
}

// Played at the same peak level, a sweep with a constant envelope carries nearly the MLS's energy (its crest
// factor, at most 4 dB, against the MLS's 0 dB), spread as 1/f over the log span it sweeps (10 Hz to 24 kHz): in
// the bin at f it holds rate / (2 ln(2400) f crest^2) of the MLS's energy, so the noise of the card after
// deconvolution, per octave, exceeds the MLS's by at most 10 lg(2 ln(2400) f crest^2 / rate) averaged over the
// octave's bins. A sweep scaled down to a spike in its fades would lose 15 dB or more here.
TEST_F(MeasurementApi, SweepNoiseFloorFollowsFromItsEnergyPerOctave)
{
    const std::int32_t rate = 48000;
    const int order = 15;
    auto noisePerOctave = [&](int stimulus) {
        VirtualCardConfig config;
        config.response = knownRoom(1024, 40, 0.02, rate);
        config.noiseRms = 0.003;
        config.seed = 5;
        install(config);
        std::string file;
        EXPECT_EQ(measure(stimulus, order, rate, 1, file), 0);
        auto e = responseOf(file);
        files::removeTempFile(file);
        for (std::size_t k = 0; k < config.response.size(); ++k)
            e[k] -= config.response[k];
        dsp::RealFftD fft(e.size());
        std::vector<std::complex<double>> E(fft.bins());
        fft.forward(e, E);
        const double df = double(rate) / double(e.size());
        std::vector<double> levels;
        for (double fc = 125; fc <= 8000; fc *= 2) {
            double sum = 0;
            for (std::size_t k = 0; k < E.size(); ++k)
                if (double(k) * df >= fc / std::sqrt(2.0) && double(k) * df < fc * std::sqrt(2.0))
                    sum += std::norm(E[k]);
            levels.push_back(10 * std::log10(sum));
        }
        return levels;
    };
    const auto mls = noisePerOctave(1);
    const auto sweep = noisePerOctave(5);
    const double crest_dB = 4.0;
    std::size_t band = 0;
    for (double fc = 125; fc <= 8000; fc *= 2, ++band) {
        SCOPED_TRACE(fc);
        const double meanF = fc * (std::sqrt(2.0) + 1 / std::sqrt(2.0)) / 2;
        const double bound = 10 * std::log10(2 * std::log(2400.0) * meanF / rate) + crest_dB;
        EXPECT_LT(sweep[band] - mls[band], bound + 0.5);
        EXPECT_GT(sweep[band] - mls[band], bound - 2.0);
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

// A loaded machine runs the card late: each block of 256 frames comes 1.99 s after the one before, so a capture of
// half a second takes two minutes on the engine's clock. The wait follows the frames, and the measurement is the
// card's room.
TEST_F(MeasurementApi, CardRunningLateIsWaitedForAsLongAsFramesKeepComing)
{
    VirtualCardConfig config;
    LateCardClock clock;
    installRunBy(clock, 1990, config);
    const int order = 13;
    const std::int32_t period = (1 << order) - 1;
    std::string none;
    ASSERT_EQ(StartContRecording(32000, 1), 0);
    ASSERT_EQ(StartMLS(1, order, 32000, 16384, none, 0, 1.0f), 0);
    card->step(period + 4096); // build-up
    std::string file;
    ASSERT_EQ(captureTwoPeriods(order, file), 0);
    EXPECT_GT(clock.now, 120000);
    EXPECT_LT(responseError_dB(responseOf(file), config.response), -60.0);
    files::removeTempFile(file);
}

// A capture asked for the moment the stimulus starts, before the stimulus has gone once round the loop (its period,
// the card's latency and the room): the stream is behind the caller, as a loaded machine or a long latency leaves it.
// The capture begins once the input carries the room's steady state, counted in the stream's own frames, and the
// measurement is the room.
TEST_F(MeasurementApi, ACaptureAskedForBeforeTheLoopIsFullBeginsWhenItIs)
{
    VirtualCardConfig config;
    config.latencyFrames = 3000;
    LateCardClock clock;
    installRunBy(clock, 1, config);
    const int order = 13;
    std::string none;
    ASSERT_EQ(StartContRecording(32000, 1), 0);
    ASSERT_EQ(StartMLS(1, order, 32000, 16384, none, 0, 1.0f), 0);
    std::string file;
    ASSERT_EQ(captureTwoPeriods(order, file), 0);
    EXPECT_LT(responseError_dB(responseOf(file), config.response), -60.0);
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
    // Build-up: a period, the latency and the room, however late the card's thread runs them.
    const auto buildUp = period + config.latencyFrames + static_cast<std::int64_t>(config.response.size());
    ASSERT_EQ(runFrames(Engine::instance(), 32000, buildUp), 0);
    std::string file;
    ASSERT_EQ(captureTwoPeriods(order, file), 0); // waits about half a second
    EXPECT_LT(responseError_dB(responseOf(file), config.response), -60.0);
    EXPECT_FALSE(Engine::instance().streamOpen());
    files::removeTempFile(file);
}
