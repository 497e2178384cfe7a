#pragma once
// The room-acoustic analysis of one channel, band by band, with its filtered bands cached: each band is filtered
// at most once per direction (time-reversed for the decay analysis, forward for the energy parameters), and
// neighbouring bands of the same kind are filtered together in one pass over the samples, because a table that
// asks for one band asks for the others next.
//
// Band indices 0..43 (Bands.h), and -2 for the wide band and -1 for the unfiltered (broadband) response; a band
// that is not below Nyquist has no analysis. Time zero is given by the
// owner (the stored impulse start, or the ISO 3382-1 start of the samples); a negative time zero means the
// channel has no response (silence), and every band then has an invalid decay and no energies.
// Not thread-safe: one owner uses it from one thread.
#include "library/dsp/BandFilter.h"
#include "library/dsp/Bands.h"
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
    // Energy parameters of a band; nothing for a band that is not usable. They hold the running energy at the
    // standard window limits; boundarySamples adds other window boundaries (sample indices, see
    // BandEnergy::boundary), for which the band is filtered again once. The pointer stays valid while this object
    // lives and no other boundaries are asked for that band.
    const BandEnergy* energy(int band, std::span<const std::int64_t> boundarySamples = {});

    // How many band filterings this analysis has run in a direction (each band once, unless other window
    // boundaries were asked for).
    std::size_t filterings(FilterDirection direction) const
    {
        return direction == FilterDirection::Reversed ? reversedFilterings_ : forwardFilterings_;
    }

private:
    struct BandCache {
        bool decayDone = false;
        DecayAnalysis decay;
        std::optional<BandEnergy> energy; // empty until filtered
    };
    std::vector<int> batchOf(int band) const;
    std::size_t batchSize() const;
    void releaseLargeScratch();
    static constexpr std::size_t kKeptScratchBytes = std::size_t(32) << 20;
    const BandFilter& filter(int band);
    void filterBatch(const std::vector<int>& bands, FilterDirection direction, std::vector<std::vector<float>>& out);
    void analyseDecays(int band);
    void filterForward(int band, std::span<const std::int64_t> boundarySamples);

    std::vector<float> samples_;
    double fs_;
    std::int64_t zero_;
    // Slots of band indices -2..43 (index band + 2).
    static constexpr int kSlots = kBandCount + 2;
    BandCache& slot(int band) { return bands_[static_cast<std::size_t>(band + 2)]; }
    std::array<BandCache, kSlots> bands_;
    std::array<std::optional<BandFilter>, kSlots> filters_;
    std::vector<std::vector<float>> scratch_; // filter outputs of the time-reversed batches
    std::vector<double> workspace_;
    std::size_t reversedFilterings_ = 0, forwardFilterings_ = 0;
};

} // namespace vemra::dsp
