#include "library/dsp/Bands.h"

#include <cmath>

namespace vemra::dsp {

int bandsPerOctave(int band)
{
    if (isOctaveBand(band))
        return 1;
    if (isThirdOctaveBand(band))
        return 3;
    return 0;
}

const char* bandLabel(int band)
{
    static constexpr const char* kLabels[kBandCount] = {
        "16",   "31.5", "63",   "125",  "250",  "500",  "1000", "2000", "4000", "8000",  "16000",
        "12.5", "16",   "20",   "25",   "31.5", "40",   "50",   "63",   "80",   "100",   "125",
        "160",  "200",  "250",  "315",  "400",  "500",  "630",  "800",  "1000", "1250",  "1600",
        "2000", "2500", "3150", "4000", "5000", "6300", "8000", "10000", "12500", "16000", "20000",
    };
    return isBand(band) ? kLabels[band] : nullptr;
}

double bandCentre_Hz(int band)
{
    if (isOctaveBand(band))
        return 1000.0 * std::pow(10.0, 0.3 * (band - 6));
    if (isThirdOctaveBand(band))
        return 1000.0 * std::pow(10.0, (band - 30) / 10.0);
    return 0.0;
}

double bandLower_Hz(int band)
{
    const int b = bandsPerOctave(band);
    return b == 0 ? 0.0 : bandCentre_Hz(band) * std::pow(kOctaveRatio, -0.5 / b);
}

double bandUpper_Hz(int band)
{
    const int b = bandsPerOctave(band);
    return b == 0 ? 0.0 : bandCentre_Hz(band) * std::pow(kOctaveRatio, 0.5 / b);
}

bool bandBelowNyquist(int band, double fs_Hz)
{
    if (!(fs_Hz > 0))
        return false;
    if (band == kWideBand)
        return wideBandUpper_Hz(fs_Hz) > 0;
    if (band == kAllPass)
        return true;
    if (!isBand(band))
        return false;
    return bandUpper_Hz(band) <= fs_Hz / 2;
}

double wideBandLower_Hz() { return bandLower_Hz(1); }

double wideBandUpper_Hz(double fs_Hz)
{
    for (int band = kLastThirdOctaveBand; band >= kFirstUsedThirdOctaveBand; --band)
        if (bandUpper_Hz(band) <= fs_Hz / 2)
            return bandUpper_Hz(band);
    return 0.0;
}

} // namespace vemra::dsp
