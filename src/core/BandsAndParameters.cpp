#include "core/BandsAndParameters.h"

#include "library/dsp/Bands.h"

#include <cmath>

namespace vemra {
namespace {

struct Parameter {
    const char* shortName;
    const char* unit;
    const char* format;
    const char* longName;
};

constexpr Parameter kParameters[ParameterCount] = {
    {"EDT", "[s]", "0.000", "Early decay time (EDT)"},
    {"T10", "[s]", "0.000", "Reverberation time (T10)"},
    {"T20", "[s]", "0.000", "Reverberation time (T20)"},
    {"T30", "[s]", "0.000", "Reverberation time (T30)"},
    {"INR", "[dB]", "0", "Impulse noise ratio (INR)"},
    {"G", "[dB]", "0.00", "Strength (G)"},
    {"Ts", "[ms]", "0.0", "Center time (Ts)"},
    {"C80", "[dB]", "0.00", "Clarity (C80)"},
    {"D50", "[-]", "0.00", "Definition (D50)"},
    {"ST early", "[dB]", "0.00", "Early support (ST early)"},
    {"ST late", "[dB]", "0.00", "Late support (ST late)"},
    {"ST total", "[dB]", "0.00", "Total support (ST total)"},
    {"LF", "[-]", "0.00", "Lateral energy fraction (LF)"},
    {"LFC", "[-]", "0.00", "Lateral energy fraction (LFC)"},
    {"IACC 0,+", "[-]", "0.00", "Interaural cross correlation coefficient (IACC 0,+)"},
    {"IACC 0,80", "[-]", "0.00", "Interaural cross correlation coefficient (IACC 0,80)"},
    {"IACC 80,+", "[-]", "0.00", "Interaural cross correlation coefficient (IACC 80,+)"},
    {"RI", "[-]", "0.00", "Reflection index (RI)"},
    {"$Alpha", "[-]", "0.00", "Absorption coefficient (1-RI)"},
};

const Parameter* parameter(int i) { return (i >= 0 && i < ParameterCount) ? &kParameters[i] : nullptr; }

} // namespace

QString BandName(int band)
{
    if (band == dsp::kWideBand)
        return QStringLiteral("WideBand");
    if (band == dsp::kAllPass)
        return QStringLiteral("AllPass");
    if (const char* label = dsp::bandLabel(band))
        return QString::fromLatin1(label);
    return {};
}

float BandCentre(int band)
{
    // The ratio is taken as a float first, as the centres have always been computed; the powers in double.
    const double b = double(float(std::pow(10.0, 0.3)));
    const double exponent = band < dsp::kFirstUsedThirdOctaveBand ? double(band - 6) : double(band - 30) / 3.0;
    return float(1000.0 * std::pow(b, exponent));
}

bool BandBelowNyquist(int band, float sampleRate_Hz)
{
    const double factor = band < dsp::kFirstUsedThirdOctaveBand ? std::pow(10.0, 0.3 / 2.0) : std::pow(10.0, 0.3 / 6.0);
    const float upperEdge = float(double(BandCentre(band)) * factor);
    const float nyquist = float(double(sampleRate_Hz) / 2.0);
    return nyquist >= upperEdge;
}

std::int16_t OctaveBandCount(float sampleRate_Hz)
{
    if (!BandBelowNyquist(1, sampleRate_Hz))
        return 0;
    for (std::int16_t band = 2; band <= dsp::kLastOctaveBand; ++band) {
        if (!BandBelowNyquist(band, sampleRate_Hz))
            return std::int16_t(band - 1);
    }
    return dsp::kLastOctaveBand;
}

QString ParameterShortName(int p)
{
    const Parameter* x = parameter(p);
    return QString::fromLatin1(x ? x->shortName : "???");
}

QString ParameterUnit(int p)
{
    const Parameter* x = parameter(p);
    return QString::fromLatin1(x ? x->unit : "[?]");
}

QString ParameterFormat(int p)
{
    const Parameter* x = parameter(p);
    return x ? QString::fromLatin1(x->format) : QString();
}

QString ParameterLongName(int p)
{
    const Parameter* x = parameter(p);
    return QString::fromLatin1(x ? x->longName : "???");
}

} // namespace vemra
