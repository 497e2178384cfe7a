#pragma once
// Shared pieces of the document tests: headless documents loaded from response files (test::ResponseFile writes
// them), and a fixture that lets every document die after each test.
#include "core/UiServices.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/dsp/BandFilter.h"
#include "library/dsp/Bands.h"
#include "support/ResponseFile.h"
#include "support/ResponseGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace vemra::test {

using HeaderPreparation = std::function<void(WaveHeader&)>;

// A headless document holding the file.
inline clsWave* openDocument(const std::string& path)
{
    clsWave* w = WaveByKey(NewWave(false));
    w->setFileName(QString::fromStdString(path));
    EXPECT_TRUE(w->Valid());
    return w;
}

// A loaded document of one or two channels in 16-bit units (as the response generator makes them).
inline clsWave* loadedDocument(const std::string& name, std::int32_t fs,
                               const std::vector<std::vector<float>>& channels, const HeaderPreparation& prepare = {})
{
    return openDocument(ResponseFile(name).rate(fs).perChannel(channels).header(prepare).write());
}

// A single decay of reverberation time T already under way at its time zero: the stored impulse start lies kLead
// samples into the response, and the sound - one tone per octave band from 4 to 16 kHz, decaying from the first
// sample on - falls at the same rate across it. A band filter passes such a decay whole: from time zero on the
// band's energy follows the decay exactly, with no rise of its own, so the band's clarity, definition and centre
// time are the closed forms of the decay with the time limits moved by the filter's energy delay, as the program
// moves them. (A decay that starts at time zero loses its first milliseconds to the filter's rise instead.)
struct DecayUnderWay {
    static constexpr std::int32_t kFs = 48000;
    static constexpr std::int32_t kLead = 4800;
    static constexpr int kBands[] = {8, 9, 10, 36, 39}; // octaves 4, 8, 16 kHz; third octaves 4, 8 kHz
    double T_s = 0.5;

    std::string write(const std::string& name) const
    {
        testsupport::ResponseShape shape;
        shape.fs_Hz = kFs;
        shape.length_s = 1.6 * T_s + 0.3;
        const double lead_s = double(kLead) / kFs;
        shape.energy = [T = T_s, lead_s](double t) {
            return 1e8 * std::exp(-testsupport::kDecay60 * (t - lead_s) / T);
        };
        std::vector<double> tones;
        for (int band = 8; band <= 10; ++band)
            tones.push_back(dsp::bandCentre_Hz(band));
        return ResponseFile(name)
            .rate(kFs)
            .perChannel({testsupport::makeTonalResponse(shape, tones)})
            .header([](WaveHeader& h) { h.info.IRStart[0] = kLead; })
            .write();
    }
    static double energyDelay_s(int band) { return dsp::BandFilter::design(band, kFs)->energyDelay_s(); }
    double clarity_dB(int band, double te_s) const { return testsupport::clarity_dB(T_s, te_s + energyDelay_s(band)); }
    double definition(int band) const { return 1 / (1 + std::pow(10.0, -clarity_dB(band, 0.050) / 10)); }
    double centreTime_s(int band) const { return testsupport::centreTime_s(T_s) - energyDelay_s(band); }
};

inline ScriptedUiServices& scriptedUi() { return static_cast<ScriptedUiServices&>(UiServices::get()); }

// Clears the scripted prompts before each test and lets every document die after it.
class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override { scriptedUi().clear(); }
    void TearDown() override
    {
        for (clsWave* w : WavesSnapshot())
            w->Die();
    }
};

} // namespace vemra::test
