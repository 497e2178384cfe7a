#include "library/dsp/ReflectionIndex.h"

#include "library/dsp/Bands.h"
#include "library/dsp/Editing.h"
#include "library/dsp/Fft.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <optional>
#include <vector>

namespace vemra::dsp {

namespace {

constexpr int kBlackmanHarris = 3;

// The windowed samples' band energies, 0 where the band has no bins; nothing when the window misses the samples.
std::optional<std::vector<double>> windowedBandEnergies(std::span<const float> x, double fs, double flatStart_s,
                                                         std::size_t fftSize)
{
    const double begin_s = flatStart_s - kReflectionWindowRise_s;
    const double end_s = flatStart_s + kReflectionWindowFlat_s + kReflectionWindowFall_s;
    const std::int64_t first = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::ceil(begin_s * fs)));
    const std::int64_t last =
        std::min<std::int64_t>(static_cast<std::int64_t>(x.size()) - 1, static_cast<std::int64_t>(end_s * fs));
    if (last < first)
        return std::nullopt;
    std::vector<double> frame(fftSize, 0.0);
    for (std::int64_t i = first; i <= last && std::size_t(i - first) < fftSize; ++i)
        frame[std::size_t(i - first)] = x[std::size_t(i)] * reflectionWindowGain(double(i) / fs, flatStart_s);
    const RealFftD fft(fftSize);
    std::vector<std::complex<double>> spectrum(fft.bins());
    fft.forward(frame, spectrum);
    std::vector<double> energies(kBandCount, 0.0);
    const double df = fs / double(fftSize);
    for (int band = 0; band < kBandCount; ++band) {
        const auto k0 = static_cast<std::size_t>(std::ceil(bandLower_Hz(band) / df));
        const auto k1 = std::min(spectrum.size(), static_cast<std::size_t>(std::ceil(bandUpper_Hz(band) / df)));
        for (std::size_t k = k0; k < k1; ++k)
            energies[std::size_t(band)] += std::norm(spectrum[k]);
    }
    return energies;
}

} // namespace

double reflectionWindowGain(double t_s, double flatStart_s)
{
    const double u = t_s - flatStart_s;
    if (u < -kReflectionWindowRise_s || u > kReflectionWindowFlat_s + kReflectionWindowFall_s)
        return 0.0;
    if (u < 0)
        return windowFamilyValue(kBlackmanHarris, 0.5 * (u + kReflectionWindowRise_s) / kReflectionWindowRise_s);
    if (u <= kReflectionWindowFlat_s)
        return 1.0;
    return windowFamilyValue(kBlackmanHarris,
                             0.5 + 0.5 * (u - kReflectionWindowFlat_s) / kReflectionWindowFall_s);
}

std::array<double, 44> reflectionIndex(std::span<const float> reflected, std::span<const float> incident,
                                       const ReflectionSetup& setup)
{
    std::array<double, 44> ri;
    ri.fill(-1.0);
    const double fs = setup.fs_Hz;
    if (!(fs > 0) || setup.incidentStart < 0 || !std::isfinite(setup.probeDistance_m) ||
        setup.probeDistance_m < 0 || !(setup.soundSpeed_mps > 0) || !std::isfinite(setup.soundSpeed_mps) ||
        !(setup.sourceDistance_m > 0))
        return ri;

    // Fine enough for the lowest third-octave bands (a few hertz wide) however short the window is.
    const double window_s = kReflectionWindowRise_s + kReflectionWindowFlat_s + kReflectionWindowFall_s;
    std::size_t fftSize = 1;
    while (double(fftSize) < std::max(fs / 2, 2 * window_s * fs))
        fftSize *= 2;

    const double incidentFlat_s = double(setup.incidentStart) / fs - kReflectionWindowLead_s;
    const double reflectedFlat_s = incidentFlat_s + 2 * setup.probeDistance_m / setup.soundSpeed_mps;
    const auto ei = windowedBandEnergies(incident, fs, incidentFlat_s, fftSize);
    const auto er = windowedBandEnergies(reflected, fs, reflectedFlat_s, fftSize);
    if (!ei || !er)
        return ri;
    const double spread = (setup.sourceDistance_m + 2 * setup.probeDistance_m) / setup.sourceDistance_m;
    const double geometry = spread * spread;
    for (int band = 0; band < kBandCount; ++band) {
        const double incidentEnergy = (*ei)[std::size_t(band)];
        if (!bandBelowNyquist(band, fs) || !(incidentEnergy > 0))
            continue;
        ri[std::size_t(band)] = geometry * (*er)[std::size_t(band)] / incidentEnergy;
    }
    return ri;
}

} // namespace vemra::dsp
