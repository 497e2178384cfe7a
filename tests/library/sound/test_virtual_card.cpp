// The program's virtual card as the sound-card calibration hears it through its line input: the converter pair
// alone, flat through the audio band like a pair as sold.
#include "library/dsp/Fft.h"
#include "library/sound/BackendFactory.h"
#include "library/sound/VirtualCard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>

using namespace vemra;
using namespace vemra::sound;

namespace {

// Plays one impulse and keeps what input 1 records.
class ImpulseRecorder final : public AudioCallback {
public:
    static constexpr std::int64_t kAt = 1000;
    static constexpr double kAmplitude = 0.5;
    std::vector<double> recorded;

    void process(const float* in, float* out, int frames, bool) noexcept override
    {
        for (int i = 0; i < frames; ++i, ++frame_) {
            out[2 * i] = out[2 * i + 1] = frame_ == kAt ? float(kAmplitude) : 0.0f;
            if (recorded.size() < recorded.capacity())
                recorded.push_back(in[2 * i]);
        }
    }

private:
    std::int64_t frame_ = 0;
};

} // namespace

TEST(VirtualLine, ThePairIsFlatWithinATenthOfADecibelThroughTheAudioBand)
{
    VirtualCardConfig config = virtualRoom();
    config.line.noiseRms = 0;
    auto gains = std::make_shared<VirtualGains>();
    gains->lineIn = true;
    VirtualCard card(config, VirtualCard::Pacing::Stepped, gains);
    ImpulseRecorder recorder;
    constexpr std::size_t n = 8192;
    recorder.recorded.reserve(n);
    ASSERT_EQ(card.open(48000, 2, 2, &recorder), 0);
    card.step(std::int64_t(n));
    card.close();
    ASSERT_EQ(recorder.recorded.size(), n);

    dsp::RealFftD fft(n);
    std::vector<std::complex<double>> spectrum(fft.bins());
    fft.forward(recorder.recorded, spectrum);
    const auto gain_dB = [&](double f) {
        const auto k = std::size_t(std::lround(f * double(n) / 48000.0));
        return 20 * std::log10(std::abs(spectrum[k]) / ImpulseRecorder::kAmplitude);
    };
    const double reference = gain_dB(1000);
    for (double f = 63; f <= 20000; f *= std::pow(2.0, 1.0 / 12)) {
        SCOPED_TRACE(f);
        EXPECT_NEAR(gain_dB(f), reference, 0.1);
    }
}
