#pragma once
// The room-acoustic analysis of one channel, band by band, with its filtered bands cached: each band is filtered
// at most once per direction (time-reversed for the decay analysis, forward for the energy parameters), and
// neighbouring bands of the same kind are filtered together in one pass over the samples, because a table that
// asks for one band asks for the others next.
//
// Band indices 0..43 (Bands.h); a band that is not below Nyquist has no analysis. Time zero is given by the
// owner (the stored impulse start, or the ISO 3382-1 start of the samples); a negative time zero means the
// channel has no response (silence), and every band then has an invalid decay and no energies.
// Not thread-safe: one owner uses it from one thread.
#include "library/dsp/BandFilter.h"
#include "library/dsp/DecayAnalysis.h"
#include "library/dsp/EnergyParameters.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vemra::dsp {

class ChannelAnalysis {
public:
    ChannelAnalysis(std::vector<float> samples, double fs_Hz, std::int64_t timeZero);

    double sampleRate_Hz() const { return fs_; }
    std::int64_t timeZero() const { return zero_; }
    std::span<const float> samples() const { return samples_; }
    bool bandUsable(int band) const;

    // Decay analysis of a band; nothing for a band that is not usable.
    const DecayAnalysis* decay(int band);
    // Energy parameters of a band; nothing for a band that is not usable. The pointer stays valid until the next
    // call of energy() (older bands may be dropped to keep within the memory budget).
    const BandEnergy* energy(int band);

    // Bytes of band energies kept at most; the oldest are dropped and filtered again when needed.
    static constexpr std::size_t kEnergyBudgetBytes = std::size_t(256) << 20;

private:
    struct BandCache {
        bool decayDone = false;
        DecayAnalysis decay;
        std::optional<BandEnergy> energy; // empty until filtered (or when dropped)
    };
    std::vector<int> batchOf(int band) const;
    const BandFilter& filter(int band);
    void filterBatch(const std::vector<int>& bands, FilterDirection direction, std::vector<std::vector<float>>& out);
    void analyseDecays(int band);
    void filterForward(int band);

    std::vector<float> samples_;
    double fs_;
    std::int64_t zero_;
    std::array<BandCache, 44> bands_;
    std::array<std::optional<BandFilter>, 44> filters_;
    std::vector<int> energyOrder_; // bands holding energies, oldest first
    std::vector<std::vector<float>> scratch_; // filter outputs of the time-reversed batches
    std::vector<double> workspace_;
};

} // namespace vemra::dsp
