// The response document's spatial parameters: lateral fractions and interaural cross-correlations, each asked of
// the library once per band and cached until ResetFlags.
#include "document/clsWave.h"

#include "library/Codes.h"
#include "library/api_analysis.h"

#include <cmath>

namespace vemra {
namespace {

bool calibratedBand(int band) { return band >= 2 && band <= 8; }

// The amplitude ratio that brings channel 1 to channel 0's gain (with channel 1's band calibration when
// calibrated), for LF2 and LFC.
float channelRatio(const clsWave& wave, int band)
{
    double y = double(wave.TotalGain(0)) - wave.TotalGain(1);
    if (wave.Calibrated() && calibratedBand(band))
        y -= wave.GainCalCh2(band);
    return static_cast<float>(std::pow(10.0, y / 20.0));
}

// A value of a band's cache: asked of the library while its flag is clear.
template <class Calculate>
float cached(float& value, bool& computed, Calculate calculate)
{
    if (!computed) {
        value = calculate();
        computed = true;
    }
    return value;
}

} // namespace

float clsWave::LF(int band) { return Receiver() == ReceiverOmniOmniProbe ? LF2(band) : LF1(band); }

float clsWave::LF1(int band)
{
    checkBand(band);
    const float v = cached(lf1_[band], lf1Computed_[band], [&] { return CalcLF(header_, static_cast<std::int16_t>(band)); });
    if (v < 0)
        return v; // "no value" stays -1 instead of becoming a number through the gain correction
    const double g0 = TotalGain(0), g1 = TotalGain(1);
    // The figure-of-eight channel's energy is corrected by the channels' gain difference, and when calibrated by
    // its band calibration and the 6 dB the figure-of-eight's sensitivity lies below the omni's.
    const double x = Calibrated() && calibratedBand(band) ? (GainCalCh2(band) + 6.0 + g1 - g0) / 10.0
                                                          : (g1 - g0) / 10.0;
    return static_cast<float>(v / std::pow(10.0, x));
}

float clsWave::LF2(int band)
{
    checkBand(band);
    return cached(lf2_[band], lf2Computed_[band], [&] {
        return CalcLF2(header_, static_cast<std::int16_t>(band), channelRatio(*this, band));
    });
}

float clsWave::LFC(int band)
{
    checkBand(band);
    return cached(lfc_[band], lfcComputed_[band], [&] {
        return CalcLFC(header_, static_cast<std::int16_t>(band), channelRatio(*this, band));
    });
}

const IACCResult& clsWave::iaccRecord(int band)
{
    checkBand(band);
    IACCResult& r = iacc_[band];
    if (!isTrue(r.computed)) {
        CalcIACC(header_, static_cast<std::int16_t>(band), r);
        r.computed = True16;
    }
    return r;
}

float clsWave::IACC1(int band) { return iaccRecord(band).IACC1; }
float clsWave::IACC2(int band) { return iaccRecord(band).IACC2; }
float clsWave::IACC3(int band) { return iaccRecord(band).IACC3; }

} // namespace vemra
