#include "ApiRig.h"

#include "library/Codes.h"
#include "library/api_calibration.h"
#include "library/api_filters.h"

#include <filesystem>

using namespace vemra;
using namespace vemra::sound;
using namespace vemra::sound::test;

namespace {

class CalibratedLevel : public ApiRig {
protected:
    static constexpr std::int32_t kRate = 48000;

    // Energy of the response within the octaves 125 Hz to 8 kHz (band edges 88 Hz and 11.3 kHz), in dB.
    static double inBandLevel_dB(const std::vector<double>& r)
    {
        dsp::RealFftD fft(r.size());
        std::vector<std::complex<double>> R(fft.bins());
        fft.forward(r, R);
        const double n = static_cast<double>(r.size());
        double e = 0;
        for (std::size_t k = 0; k < R.size(); ++k) {
            const double f = static_cast<double>(k) * kRate / n;
            if (f >= 125 / std::sqrt(2.0) && f < 8000 * std::sqrt(2.0))
                e += 2 * std::norm(R[k]) / n;
        }
        return 10 * std::log10(e);
    }

    double measuredLevel(int stimulus, int order, const std::string& correction = "", int filter = 0)
    {
        std::string file;
        EXPECT_EQ(measure(stimulus, order, kRate, 1, file, filter, 1, correction), 0);
        const double level = inBandLevel_dB(responseOf(file));
        files::removeTempFile(file);
        return level;
    }

    // The wizard's correction of one order: the loop-back response measured once, extended with silence to the
    // stimulus period and turned into its inverse, named as the player looks for it.
    static std::string correctionFor(const std::string& loopback, bool mls, int order)
    {
        const std::string folder = files::tempFolder() + "/Calibration";
        std::filesystem::create_directories(folder);
        const std::string name
            = folder + "/card " + std::to_string(kRate) + " " + std::to_string(order) + (mls ? ".mls_flt.wav" : ".swp_flt.wav");
        std::filesystem::copy_file(loopback, name, std::filesystem::copy_options::overwrite_existing);
        EXPECT_EQ(ZeroPad(name, mls ? (1 << order) - 1 : 1 << order), 0);
        EXPECT_EQ(CreateInversFilter(name), 0);
        return name;
    }
};

} // namespace

// The correction takes the card's frequency response out, not its level: a calibrated MLS or sweep of any order
// reads the level an uncalibrated measurement reads, whatever scale the pre-filtered stimulus was given to fit the
// converter. On a flat card that is the card's gain over the band; on a card with an uneven response the
// calibrated measurement of the card itself keeps the card's energy in the band.
TEST_F(CalibratedLevel, CalibratedStimuliOfEveryOrderReadTheUncalibratedLevel)
{
    struct Card {
        const char* name;
        std::vector<double> response;
        std::vector<int> orders;
    };
    std::vector<double> uneven(411, 0.0);
    uneven[0] = 0.5;
    uneven[37] = 0.25;
    uneven[113] = -0.15;
    uneven[410] = 0.1;
    const double bandShare_dB = 10 * std::log10((8000 * std::sqrt(2.0) - 125 / std::sqrt(2.0)) / (kRate / 2.0));
    for (const Card& card : {Card{"flat", {0.5}, {14, 17, 20}}, Card{"uneven", uneven, {14, 17}}}) {
        SCOPED_TRACE(card.name);
        VirtualCardConfig config;
        config.response = card.response;
        install(config);
        std::string loopback;
        ASSERT_EQ(measure(1, 14, kRate, 1, loopback), 0);
        const double reference = measuredLevel(1, 14);
        if (card.response.size() == 1) {
            EXPECT_NEAR(reference, 20 * std::log10(card.response[0]) + bandShare_dB, 0.05);
        }
        EXPECT_NEAR(measuredLevel(5, 14), reference, 0.05);
        for (const int stimulus : {1, 5}) {
            for (const int order : card.orders) {
                SCOPED_TRACE(testing::Message() << "stimulus " << stimulus << ", order " << order);
                const std::string correction = correctionFor(loopback, stimulus == 1, order);
                const double calibrated = measuredLevel(stimulus, order, correction);
                EXPECT_NEAR(calibrated, reference, 0.2);
            }
        }
        // A source filter on top of the correction rescales the period again; that is divided out too.
        EXPECT_NEAR(measuredLevel(5, 14, correctionFor(loopback, false, 14), SourceFilterPinkBlue), reference, 0.2);
        files::removeTempFile(loopback);
    }
}
