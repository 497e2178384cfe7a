#include "library/dsp/ChannelAnalysis.h"

#include "library/dsp/BandFilter.h"
#include "library/dsp/Bands.h"

#include <algorithm>

namespace vemra::dsp {
namespace {

// Bands filtered in one call (a whole family of octaves; third octaves in two calls), within a bound on the
// temporary memory of long responses.
constexpr std::size_t kBatch = 16;
constexpr std::size_t kBatchBytes = std::size_t(64) << 20;

} // namespace

ChannelAnalysis::ChannelAnalysis(std::vector<float> samples, double fs_Hz, std::int64_t timeZero)
    : samples_(std::move(samples)), fs_(fs_Hz), zero_(timeZero)
{
}

bool ChannelAnalysis::bandUsable(int band) const
{
    return (isBand(band) || band == kWideBand || band == kAllPass) && bandBelowNyquist(band, fs_);
}

// The usable bands that tables read together with `band`: the octaves 16 Hz..16 kHz or the third octaves
// 25 Hz..20 kHz, nearest first; other bands (the labels-only third octaves 11..13, the wide band, the unfiltered
// response) alone.
std::vector<int> ChannelAnalysis::batchOf(int band) const
{
    int first = band, last = band;
    if (isOctaveBand(band)) {
        first = kFirstOctaveBand;
        last = kLastOctaveBand;
    } else if (band >= kFirstUsedThirdOctaveBand && band <= kLastThirdOctaveBand) {
        first = kFirstUsedThirdOctaveBand;
        last = kLastThirdOctaveBand;
    }
    std::vector<int> bands;
    for (int b = first; b <= last; ++b)
        if (bandUsable(b))
            bands.push_back(b);
    std::stable_sort(bands.begin(), bands.end(), [&](int a, int b) { return std::abs(a - band) < std::abs(b - band); });
    return bands;
}

std::size_t ChannelAnalysis::batchSize() const
{
    return std::clamp<std::size_t>(kBatchBytes / std::max<std::size_t>(1, samples_.size() * sizeof(float)), 1, kBatch);
}

const BandFilter& ChannelAnalysis::filter(int band)
{
    auto& f = filters_[static_cast<std::size_t>(band + 2)];
    if (!f)
        f = BandFilter::design(band, fs_);
    return *f;
}

// Filters the samples through the bands' filters side by side into out[0..] (resized to the samples' length).
void ChannelAnalysis::filterBatch(const std::vector<int>& bands, FilterDirection direction,
                                  std::vector<std::vector<float>>& out)
{
    std::vector<const BandFilter*> filters;
    std::vector<std::span<float>> spans;
    for (std::size_t i = 0; i < bands.size(); ++i) {
        filters.push_back(&filter(bands[i]));
        out[i].resize(samples_.size());
        if (zero_ < 0)
            std::fill(out[i].begin(), out[i].end(), 0.0f);
        spans.push_back(out[i]);
    }
    if (zero_ >= 0)
        applyBandFilters(samples_, filters, direction, spans);
    (direction == FilterDirection::Reversed ? reversedFilterings_ : forwardFilterings_) += bands.size();
}

void ChannelAnalysis::analyseDecays(int band)
{
    std::vector<int> todo;
    for (int b : batchOf(band))
        if (!slot(b).decayDone)
            todo.push_back(b);
    todo.resize(std::min(todo.size(), batchSize()));
    if (scratch_.size() < todo.size())
        scratch_.resize(todo.size());
    filterBatch(todo, FilterDirection::Reversed, scratch_);
    for (std::size_t i = 0; i < todo.size(); ++i) {
        BandCache& c = slot(todo[i]);
        c.decay = analyseDecay(scratch_[i], fs_, zero_, &workspace_);
        c.decayDone = true;
    }
    releaseLargeScratch();
}

void ChannelAnalysis::filterForward(int band, std::span<const std::int64_t> boundarySamples)
{
    // With extra boundaries only this band is filtered again; otherwise its whole batch is.
    std::vector<int> todo;
    if (boundarySamples.empty()) {
        for (int b : batchOf(band))
            if (!slot(b).energy)
                todo.push_back(b);
        todo.resize(std::min(todo.size(), batchSize()));
    } else {
        todo.push_back(band);
    }
    for (int b : todo)
        decay(b); // the compensation of the energies comes from the decay analysis
    if (scratch_.size() < todo.size())
        scratch_.resize(todo.size());
    filterBatch(todo, FilterDirection::Forward, scratch_);
    for (std::size_t i = 0; i < todo.size(); ++i) {
        BandCache& c = slot(todo[i]);
        std::vector<std::int64_t> extra(boundarySamples.begin(), boundarySamples.end());
        if (c.energy) {
            const auto kept = c.energy->keptSamples();
            extra.insert(extra.end(), kept.begin(), kept.end());
        }
        const double delay_s = filter(todo[i]).energyDelay_s();
        c.energy.emplace(scratch_[i], fs_, zero_, delay_s, c.decay, extra);
    }
    releaseLargeScratch();
}

// Scratch memory is kept for the next batch (allocating it again costs more than filtering a short response)
// unless it is large: a long response must not hold tens of megabytes while it is merely open.
void ChannelAnalysis::releaseLargeScratch()
{
    std::size_t bytes = workspace_.capacity() * sizeof(double);
    for (const auto& s : scratch_)
        bytes += s.capacity() * sizeof(float);
    if (bytes > kKeptScratchBytes) {
        scratch_ = {};
        workspace_ = {};
    }
}

const DecayAnalysis* ChannelAnalysis::decay(int band)
{
    if (!bandUsable(band))
        return nullptr;
    if (!slot(band).decayDone)
        analyseDecays(band);
    return &slot(band).decay;
}

const BandEnergy* ChannelAnalysis::energy(int band, std::span<const std::int64_t> boundarySamples)
{
    if (!bandUsable(band))
        return nullptr;
    if (!slot(band).energy)
        filterForward(band, {});
    const BandEnergy& e = *slot(band).energy;
    if (!std::all_of(boundarySamples.begin(), boundarySamples.end(), [&](std::int64_t n) { return e.covers(n); }))
        filterForward(band, boundarySamples);
    return &*slot(band).energy;
}

} // namespace vemra::dsp
