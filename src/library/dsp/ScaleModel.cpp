#include "library/dsp/ScaleModel.h"

#include "library/dsp/Fft.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace vemra::dsp {

namespace {

constexpr double kTriplePointK = 273.16;
constexpr double kReferenceK = 293.15;
constexpr double kZeroCelsiusK = 273.15;

// Frames of the time-varying correction: short enough that the gain moves by a few dB at most from one frame to
// the next, long enough to resolve the lowest bands after the conversion.
constexpr std::size_t kFrame = 256;
constexpr std::size_t kHop = kFrame / 2;

} // namespace

double airAbsorption_dBpm(double f, double temperature_C, double humidity_pct, double pressure_kPa)
{
    const double T = temperature_C + kZeroCelsiusK;
    const double pr = pressure_kPa / kReferencePressure_kPa;
    // Molar concentration of water vapour (percent) from the relative humidity.
    const double C = -6.8346 * std::pow(kTriplePointK / T, 1.261) + 4.6151;
    const double h = humidity_pct * std::pow(10.0, C) / pr;
    const double tr = T / kReferenceK;
    const double frO = pr * (24.0 + 4.04e4 * h * (0.02 + h) / (0.391 + h));
    const double frN = pr * std::pow(tr, -0.5) * (9.0 + 280.0 * h * std::exp(-4.170 * (std::pow(tr, -1.0 / 3.0) - 1.0)));
    const double f2 = f * f;
    return 8.686 * f2 *
           (1.84e-11 / pr * std::sqrt(tr) +
            std::pow(tr, -2.5) * (0.01275 * std::exp(-2239.1 / T) / (frO + f2 / frO) +
                                  0.1068 * std::exp(-3352.0 / T) / (frN + f2 / frN)));
}

namespace {

// dB per second of model time at model frequency f_m.
double correctionRate(double fModel, const ScaleModelSetup& s)
{
    const double lossModel = airAbsorption_dBpm(fModel, s.model.temperature_C, s.model.humidity_pct) *
                             speedOfSound(s.model.temperature_C);
    const double lossActual = airAbsorption_dBpm(fModel / s.scale, s.actual.temperature_C, s.actual.humidity_pct) *
                              speedOfSound(s.actual.temperature_C) * s.scale;
    return lossModel - lossActual;
}

} // namespace

double absorptionCorrection_dB(double fModel_Hz, double tModel_s, const ScaleModelSetup& setup)
{
    return correctionRate(fModel_Hz, setup) * tModel_s;
}

bool correctAirAbsorption(std::vector<double>& x, const ScaleModelSetup& setup,
                          const std::function<bool(double)>& progress)
{
    const std::size_t n = x.size();
    if (n == 0)
        return true;
    // Padding of one hop in front and enough behind: every sample then lies under two frames whose windows add
    // up to one.
    const std::size_t frames = (n + kHop - 1) / kHop + 1;
    std::vector<double> padded(frames * kHop + kHop, 0.0);
    std::copy(x.begin(), x.end(), padded.begin() + kHop);
    std::vector<double> out(padded.size(), 0.0);

    std::vector<double> window(kFrame);
    for (std::size_t i = 0; i < kFrame; ++i)
        window[i] = 0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * double(i) / double(kFrame)));

    const RealFftD fft(kFrame);
    std::vector<double> rate(fft.bins());
    for (std::size_t k = 0; k < rate.size(); ++k)
        rate[k] = correctionRate(double(k) * setup.fs_Hz / double(kFrame), setup);

    std::vector<double> frame(kFrame);
    std::vector<std::complex<double>> spectrum(fft.bins());
    for (std::size_t j = 0; j < frames; ++j) {
        if (progress && j % 64 == 0 && progress(double(j) / double(frames)))
            return false;
        const std::size_t first = j * kHop;
        for (std::size_t i = 0; i < kFrame; ++i)
            frame[i] = padded[first + i] * window[i];
        fft.forward(frame, spectrum);
        // The frame's centre lies at original sample j * kHop.
        const double t = double(j * kHop) / setup.fs_Hz;
        for (std::size_t k = 0; k < spectrum.size(); ++k) {
            const double gain_dB = std::min(rate[k] * t, kMaxAbsorptionBoost_dB);
            spectrum[k] *= std::pow(10.0, gain_dB / 20.0);
        }
        fft.inverse(spectrum, frame);
        for (std::size_t i = 0; i < kFrame; ++i)
            out[first + i] += frame[i] / double(kFrame);
    }
    std::copy(out.begin() + kHop, out.begin() + kHop + std::ptrdiff_t(n), x.begin());
    if (progress)
        progress(1.0);
    return true;
}

} // namespace vemra::dsp
