#pragma once
// The library's cache of channel analyses (band filters, decay analyses and band energies) of the open waves,
// keyed by the samples' revision in WaveStore: an edit or a new OpenWave gives new samples a new revision, so a
// cached analysis never outlives the samples it was made of. A few recent channels are kept.
// Library-internal; the user-interface thread only.
#include "library/dsp/ChannelAnalysis.h"
#include "library/records.h"

#include <cstddef>

namespace vemra {

class AnalysisStore {
public:
    // The analysis of a channel of the open wave, made on first use; nullptr when the wave is not open or has no
    // such channel. Valid until the next call.
    static dsp::ChannelAnalysis* channel(const WaveHeader& header, int channel);
    // Time zero of a channel: the header's IRStart when it lies within the samples, else the ISO start of the
    // samples (-1: silent, or no such channel).
    static std::int64_t timeZero(const WaveHeader& header, int channel);
    // Drops the analyses of the samples this header holds: a closed response's analyses are never asked for again.
    static void release(const WaveHeader& header);
    // Drops every cached analysis.
    static void clear();
    // How many channel analyses are held (a few at most).
    static std::size_t size();
};

} // namespace vemra
