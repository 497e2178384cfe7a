#pragma once
// The room-acoustic analysis of one channel, band by band, with its results cached: each band is filtered at
// most once per direction (time-reversed for the decay analysis, forward for the energy parameters), and the bands
// of a family (the octaves, or the third octaves) are filtered together in passes over the samples, because a
// table that asks for one band asks for the others next. No filtered band is kept: a pass hands each band's
// samples to its decay energy (in cells of a fraction of a millisecond) or its running energies as they come, and
// the bands of a pass may run on several threads (results identical to one thread's).
//
// Band indices 0..43 (Bands.h), and -2 for the wide band and -1 for the unfiltered (broadband) response; a band
// that is not below Nyquist has no analysis. Time zero is given by the owner (the stored impulse start, or the
// ISO 3382-1 start of the samples); a negative time zero means the channel has no response (silence), and every
// band then has an invalid decay and no energies.
// Not thread-safe: one owner uses it from one thread.
#include "library/dsp/BandFilter.h"
#include "library/dsp/BandPass.h"
#include "library/dsp/Bands.h"
#include "library/dsp/DecayAnalysis.h"
#include "library/dsp/EnergyParameters.h"
#include "library/dsp/LargeBuffer.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vemra::dsp {

class ChannelAnalysis {
public:
    // Takes the samples.
    ChannelAnalysis(std::vector<float> samples, double fs_Hz, std::int64_t timeZero);
    // Reads samples it does not own (floats or 16-bit values): they must stay valid, unchanged, while the analysis
    // is used (attach() gives it the same samples at another address).
    ChannelAnalysis(ChannelSamples samples, double fs_Hz, std::int64_t timeZero);
    void attach(ChannelSamples samples);

    // How many threads may analyse the bands of a channel: 1 the calling thread alone, 0 (the default) one per
    // core (at most 8). The analysis takes fewer where the work is less: one for a response of less than about
    // a million samples, and never more than the groups its bands are filtered in (three). Set from the thread
    // that makes the calls.
    static void setThreads(int threads);

    double sampleRate_Hz() const { return fs_; }
    std::int64_t timeZero() const { return zero_; }
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
    const BandFilter& filter(int band);
    std::int64_t cellSamples(int band);
    void analyseDecays(int band);
    void filterForward(int band, std::span<const std::int64_t> boundarySamples);
    // Runs passes over the samples with the bands' filters (the unfiltered response excluded), split into tasks
    // for the threads; each band's sink receives its samples, exactly up to its `until` (BandPassInput::until).
    void runPasses(FilterDirection direction, const std::vector<int>& bands, std::span<BandSink* const> sinks,
                   std::span<const std::int64_t> until);

    std::vector<float> owned_;
    ChannelSamples samples_;
    double fs_;
    std::int64_t zero_;
    // Slots of band indices -2..43 (index band + 2).
    static constexpr int kSlots = kBandCount + 2;
    BandCache& slot(int band) { return bands_[static_cast<std::size_t>(band + 2)]; }
    std::array<BandCache, kSlots> bands_;
    std::array<std::optional<BandFilter>, kSlots> filters_;
    std::vector<DecayWorkspace> workspaces_; // per thread, for the decay analyses of a family
    // The decay energies of a batch, reused by the next batch of its family (fresh memory is slow to come by);
    // at most four bytes a sample, or the small batch bound; empty once the family is done.
    std::vector<float, LargeBufferAllocator<float>> cellPool_;
    std::size_t reversedFilterings_ = 0, forwardFilterings_ = 0;
};

} // namespace vemra::dsp
