#include "library/dsp/ModulationTransfer.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace vemra::dsp {
namespace {

// The phasor is recomputed exactly at the start of every block, so the rounding of the running rotation never
// accumulates over a long response.
constexpr std::int64_t kPhasorBlock = 4096;

// STITEL (IEC 60268-16): one modulation frequency per octave, 125 Hz .. 8 kHz, spread over the range so that
// neighbouring bands test different rates.
constexpr std::array<double, 7> kStitelFrequencies_Hz = {1.12, 11.33, 0.71, 2.83, 6.97, 1.78, 4.53};

} // namespace

double stitelModulationFrequency_Hz(int band)
{
    return band >= 3 && band <= 9 ? kStitelFrequencies_Hz[static_cast<std::size_t>(band - 3)] : 0.0;
}

std::span<const double> rastiModulationFrequencies_Hz(int band)
{
    if (band == 5)
        return kRasti500ModulationFrequencies_Hz;
    if (band == 7)
        return kRasti2000ModulationFrequencies_Hz;
    return {};
}

double noiseModulationFactor(double snr_dB)
{
    if (!std::isfinite(snr_dB))
        return snr_dB > 0 ? 1.0 : 0.0;
    return 1.0 / (1.0 + std::pow(10.0, -snr_dB / 10.0));
}

std::vector<double> modulationTransfer(const ModulationSource& source, std::span<const double> frequencies_Hz)
{
    std::vector<double> m(frequencies_Hz.size(), 0.0);
    const auto length = static_cast<std::int64_t>(source.band.size());
    const std::int64_t from = std::clamp<std::int64_t>(source.from, 0, length);
    const std::int64_t to = std::clamp<std::int64_t>(source.to, from, length);
    if (!(source.fs_Hz > 0) || to <= from)
        return m;

    std::vector<double> e(static_cast<std::size_t>(to - from));
    double total = 0;
    for (std::int64_t n = from; n < to; ++n) {
        const double h = source.band[static_cast<std::size_t>(n)];
        e[static_cast<std::size_t>(n - from)] = h * h - source.noiseEnergy;
        total += e[static_cast<std::size_t>(n - from)];
    }
    const double r = source.tailRatio;
    const bool tail = source.tailEnergy > 0 && r >= 0 && r < 1;
    if (tail)
        total += source.tailEnergy / (1.0 - r);
    if (!(total > 0) || !std::isfinite(total))
        return m;

    const double noise = noiseModulationFactor(source.snr_dB);
    const auto count = static_cast<std::int64_t>(e.size());
    for (std::size_t k = 0; k < frequencies_Hz.size(); ++k) {
        const double omega = 2.0 * std::numbers::pi * frequencies_Hz[k] / source.fs_Hz;
        const std::complex<double> step = std::polar(1.0, -omega);
        std::complex<double> sum = 0;
        for (std::int64_t block = 0; block < count; block += kPhasorBlock) {
            std::complex<double> z = std::polar(1.0, -omega * static_cast<double>(block));
            const std::int64_t end = std::min(count, block + kPhasorBlock);
            for (std::int64_t n = block; n < end; ++n) {
                sum += e[static_cast<std::size_t>(n)] * z;
                z *= step;
            }
        }
        if (tail) // sum over j >= 0 of q r^j z^(count + j) = q z^count / (1 - r z)
            sum += source.tailEnergy * std::polar(1.0, -omega * static_cast<double>(count)) / (1.0 - r * step);
        const double value = std::abs(sum) / total * noise;
        m[k] = std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
    }
    return m;
}

std::array<float, 21> modulationTransferEntries(int band, const ModulationSource& source)
{
    std::vector<double> frequencies(kStiModulationFrequencies_Hz.begin(), kStiModulationFrequencies_Hz.end());
    const double stitel = stitelModulationFrequency_Hz(band);
    if (stitel > 0)
        frequencies.push_back(stitel);
    const auto rasti = rastiModulationFrequencies_Hz(band);
    frequencies.insert(frequencies.end(), rasti.begin(), rasti.end());

    const std::vector<double> m = modulationTransfer(source, frequencies);
    std::array<float, 21> entries{};
    for (std::size_t i = 0; i < kStiModulationFrequencies_Hz.size(); ++i)
        entries[i] = static_cast<float>(m[i]);
    std::size_t next = kStiModulationFrequencies_Hz.size();
    if (stitel > 0)
        entries[14] = static_cast<float>(m[next++]);
    for (std::size_t i = 0; i < rasti.size(); ++i)
        entries[15 + i] = static_cast<float>(m[next + i]);
    return entries;
}

} // namespace vemra::dsp
