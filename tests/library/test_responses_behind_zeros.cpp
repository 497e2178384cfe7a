// The same sound gives the same answer: a response and the same response behind any number of zeros (its time
// zero moving with it) give every band the same decay times, clarities, centre time and modulation transfer.
// The decay pass runs back from the end and never sees the zeros; the forward pass, the modulation transfer's
// filtering and the rate changes of the low bands start at the first sample, so a band whose rate changes began
// only there lost the first samples' share of its lowest rates (0.2 dB of C50, 3 % of Ts, 0.05 of m(12.5 Hz)).
#include "library/WaveStore.h"
#include "library/api.h"
#include "library/dsp/Bands.h"
#include "support/ResponseGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

using namespace vemra;
namespace ts = vemra::testsupport;

namespace {

// A mono response in the store, its time zero found by the ISO rule, released at the end of the test.
struct OpenResponse {
    WaveHeader header;
    OpenResponse(double fs, const std::vector<float>& x)
    {
        header.format.SampleFrequency = static_cast<std::int32_t>(fs);
        header.info.IRStart[0] = -1;
        WaveStore::Channels pcm;
        pcm.push_back(ts::toPcm16(x));
        EXPECT_TRUE(WaveStore::adopt(header, std::move(pcm)));
    }
    ~OpenResponse() { WaveStore::release(header); }
};

struct BandValues {
    RTResult rt;
    float c50 = 0, c80 = 0, ts = 0;
    float mtf[21] = {};
};

BandValues bandValues(WaveHeader& h, int band)
{
    const auto b = static_cast<std::int16_t>(band);
    BandValues v;
    CalcRT(0, h, b, v.rt);
    v.c50 = CalcCx(0, h, b, 0.050f);
    v.c80 = CalcCx(0, h, b, 0.080f);
    v.ts = CalcTs(0, h, b);
    CalcMTF(0, h, b, std::numeric_limits<std::int32_t>::max(), v.mtf);
    return v;
}

// Both values or neither, and within the tolerance (relative when `relative`).
void expectSame(const char* what, float a, float b, double tolerance, bool relative = false)
{
    SCOPED_TRACE(what);
    ASSERT_EQ(a == NoValue, b == NoValue) << a << " " << b;
    if (a != NoValue) {
        EXPECT_NEAR(b, a, relative ? tolerance * std::abs(a) : tolerance);
    }
}

void expectSameFit(const char* what, float a, Bool16 aValid, float b, Bool16 bValid)
{
    SCOPED_TRACE(what);
    ASSERT_EQ(isTrue(aValid), isTrue(bValid));
    if (isTrue(aValid)) {
        EXPECT_NEAR(b, a, 0.001 * a);
    }
}

class ResponsesBehindZeros : public testing::TestWithParam<double> {};

} // namespace

// Octaves and third octaves of a noise-like decay whose direct sound is its first sample, read as it is and
// behind 1, 2, 13, 64, 333 and 480 zeros.
TEST_P(ResponsesBehindZeros, GiveEveryBandTheSameValues)
{
    const double fs = GetParam();
    auto x = ts::exponentialDecay(1.0, fs, 1.6, 8000, 60, 0, 3);
    x[0] = 30000; // the direct sound: the peak, so that time zero is the first sample
    const int families[2][2] = {{dsp::kFirstOctaveBand, dsp::kLastOctaveBand},
                                {dsp::kFirstUsedThirdOctaveBand, dsp::kLastThirdOctaveBand}};
    std::vector<BandValues> original;
    {
        OpenResponse r(fs, x);
        for (const auto& family : families)
            for (int band = family[0]; band <= family[1]; ++band)
                original.push_back(dsp::bandBelowNyquist(band, fs) ? bandValues(r.header, band) : BandValues{});
    }
    for (int zeros : {1, 2, 13, 64, 333, 480}) {
        std::vector<float> shifted(static_cast<std::size_t>(zeros), 0.0f);
        shifted.insert(shifted.end(), x.begin(), x.end());
        OpenResponse r(fs, shifted);
        std::size_t i = 0;
        for (const auto& family : families)
            for (int band = family[0]; band <= family[1]; ++band, ++i) {
                if (!dsp::bandBelowNyquist(band, fs))
                    continue;
                SCOPED_TRACE(std::to_string(zeros) + " zeros, band " + dsp::bandLabel(band) +
                             (dsp::isOctaveBand(band) ? " octave" : " third octave"));
                const BandValues v = bandValues(r.header, band);
                const BandValues& o = original[i];
                EXPECT_EQ(v.rt.decayEnd, isTrue(o.rt.decayEndValid) ? o.rt.decayEnd + zeros : o.rt.decayEnd);
                expectSameFit("EDT", o.rt.EDT, o.rt.EDTvalid, v.rt.EDT, v.rt.EDTvalid);
                expectSameFit("T20", o.rt.T20, o.rt.T20valid, v.rt.T20, v.rt.T20valid);
                expectSameFit("T30", o.rt.T30, o.rt.T30valid, v.rt.T30, v.rt.T30valid);
                expectSame("C50", o.c50, v.c50, 0.05);
                expectSame("C80", o.c80, v.c80, 0.05);
                expectSame("Ts", o.ts, v.ts, 0.005, true);
                for (int k = 0; k < 21; ++k)
                    EXPECT_NEAR(v.mtf[k], o.mtf[k], 0.005) << "m entry " << k;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, ResponsesBehindZeros, testing::Values(44100.0, 48000.0, 96000.0),
                         [](const auto& info) { return std::to_string(static_cast<int>(info.param)); });
