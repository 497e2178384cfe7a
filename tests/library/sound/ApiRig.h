#pragma once
// The library's sound functions over a stepped virtual card and the virtual mixer, installed in the program's
// engine for one test.
#include "SoundFixtures.h"

#include "library/api_sound.h"
#include "library/files/ResponseFile.h"
#include "library/files/TempFiles.h"
#include "library/sound/Mixer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

namespace vemra::sound::test {

class ApiRig : public ::testing::Test {
protected:
    VirtualCard* card = nullptr;

    void install(VirtualCardConfig config)
    {
        // The program's engine is made on first use: let it start on the virtual card, not the host's devices.
        setenv("VEMRA_SOUND_BACKEND", "virtual", 1);
        auto c = std::make_unique<VirtualCard>(std::move(config));
        card = c.get();
        Engine::instance().setBackend(std::move(c));
        Engine::instance().setClock(nullptr);
        setMixerBackend(makeVirtualMixer(card->gains()));
    }
    void TearDown() override
    {
        Engine::instance().setClock(nullptr);
        Engine::instance().setBackend(nullptr);
    }

    static std::set<std::string> tempFiles()
    {
        std::set<std::string> names;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(files::tempFolder(), ec))
            names.insert(e.path().string());
        return names;
    }

    // One measurement through the library: stimulus, build-up, capture, deferred stop, processing.
    VResult measure(int stimulusCode, int order, std::int32_t rate, int averages, std::string& file, int filter = 0,
                    int channels = 1, std::string correction = "")
    {
        const bool mls = stimulusCode == 1;
        const std::int32_t period = mls ? (1 << order) - 1 : 1 << order;
        if (VResult rc = StartContRecording(rate, static_cast<std::int16_t>(channels)))
            return rc;
        // Shaped stimuli play at the level ScaleSpeech gives them, below the converters' soft clipping.
        float mlsScale = 16384, sweepScale = 16384;
        std::string prefix;
        ScaleSpeech(rate, prefix, mlsScale, sweepScale);
        VResult rc = mls ? StartMLS(1, order, rate, 16384, correction, filter, mlsScale)
                         : StartSweep(1, order, rate, 16384, correction, filter, sweepScale);
        if (rc)
            return rc;
        card->step(period + 4096);
        if ((rc = StartRecording(rate, period, static_cast<std::int16_t>(averages))))
            return rc;
        card->step(std::int64_t{period} * averages + 1024);
        StopPlaying();
        MeasurementInfo info;
        info.Stimulus = static_cast<std::int16_t>(stimulusCode);
        info.AvgCount = static_cast<std::int16_t>(averages);
        MeasurementGains gains;
        rc = ProcessRecording(file, rate, static_cast<std::int16_t>(order), info, gains, 1, static_cast<std::int16_t>(filter));
        StopContRecording();
        return rc;
    }

    // Channel c of a response file in true amplitude.
    static std::vector<double> responseOf(const std::string& file, int channel = 0, WaveHeader* headerOut = nullptr)
    {
        WaveHeader header;
        std::vector<std::int16_t> samples;
        EXPECT_EQ(files::readResponse(file, header, &samples), 0);
        const int channels = header.format.Channels;
        std::vector<double> r;
        for (std::size_t i = static_cast<std::size_t>(channel); i < samples.size(); i += static_cast<std::size_t>(channels))
            r.push_back(samples[i] * static_cast<double>(header.gains.channelFactor[channel]));
        if (headerOut)
            *headerOut = header;
        return r;
    }
};

} // namespace vemra::sound::test
