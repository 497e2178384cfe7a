#include "library/dsp/ChannelAnalysis.h"

#include "library/dsp/BandFilter.h"
#include "library/dsp/Bands.h"

#include <algorithm>

namespace vemra::dsp {
namespace {

// Bands filtered side by side in one pass; bounds the temporary memory of a batch.
constexpr std::size_t kBatch = 8;

} // namespace

ChannelAnalysis::ChannelAnalysis(std::vector<float> samples, double fs_Hz, std::int64_t timeZero)
    : samples_(std::move(samples)), fs_(fs_Hz), zero_(timeZero)
{
}

bool ChannelAnalysis::bandUsable(int band) const { return isBand(band) && bandBelowNyquist(band, fs_); }

// The usable bands that tables read together with `band`: the octaves 31.5 Hz..16 kHz or the third octaves
// 25 Hz..20 kHz, nearest first; other bands alone.
std::vector<int> ChannelAnalysis::batchOf(int band) const
{
    int first = band, last = band;
    if (band >= 1 && band <= kLastOctaveBand) {
        first = 1;
        last = kLastOctaveBand;
    } else if (band >= 14 && band <= kLastThirdOctaveBand) {
        first = 14;
        last = kLastThirdOctaveBand;
    }
    std::vector<int> bands;
    for (int b = first; b <= last; ++b)
        if (bandUsable(b))
            bands.push_back(b);
    std::stable_sort(bands.begin(), bands.end(), [&](int a, int b) { return std::abs(a - band) < std::abs(b - band); });
    return bands;
}

const BandFilter& ChannelAnalysis::filter(int band)
{
    if (!filters_[band])
        filters_[band] = BandFilter::design(band, fs_);
    return *filters_[band];
}

// Filters the samples through the bands' filters side by side into out[0..] (resized to the samples' length).
void ChannelAnalysis::filterBatch(const std::vector<int>& bands, FilterDirection direction,
                                  std::vector<std::vector<float>>& out)
{
    std::vector<const BandFilter*> filters;
    std::vector<std::span<float>> spans;
    for (std::size_t i = 0; i < bands.size(); ++i) {
        filters.push_back(&filter(bands[i]));
        out[i].assign(samples_.size(), 0.0f);
        spans.push_back(out[i]);
    }
    if (zero_ >= 0)
        applyBandFilters(samples_, filters, direction, spans);
}

void ChannelAnalysis::analyseDecays(int band)
{
    std::vector<int> todo;
    for (int b : batchOf(band))
        if (!bands_[b].decayDone)
            todo.push_back(b);
    todo.resize(std::min(todo.size(), kBatch));
    if (scratch_.size() < todo.size())
        scratch_.resize(todo.size());
    filterBatch(todo, FilterDirection::Reversed, scratch_);
    for (std::size_t i = 0; i < todo.size(); ++i) {
        BandCache& c = bands_[todo[i]];
        c.decay = analyseDecay(scratch_[i], fs_, zero_, &workspace_);
        c.decayDone = true;
    }
}

void ChannelAnalysis::filterForward(int band)
{
    const std::size_t bytesPerBand = samples_.size() * sizeof(float) + 1;
    const std::size_t room = std::max<std::size_t>(1, kEnergyBudgetBytes / bytesPerBand);
    std::vector<int> todo;
    for (int b : batchOf(band))
        if (!bands_[b].energy)
            todo.push_back(b);
    todo.resize(std::min({todo.size(), kBatch, room}));
    while (!energyOrder_.empty() && energyOrder_.size() + todo.size() > room) {
        bands_[energyOrder_.front()].energy.reset();
        energyOrder_.erase(energyOrder_.begin());
    }
    for (int b : todo)
        decay(b); // the compensation of the energies comes from the decay analysis
    std::vector<std::vector<float>> out(todo.size());
    filterBatch(todo, FilterDirection::Forward, out);
    for (std::size_t i = 0; i < todo.size(); ++i) {
        BandCache& c = bands_[todo[i]];
        const double delay_s = filter(todo[i]).energyDelay_s();
        c.energy.emplace(std::move(out[i]), fs_, zero_, delay_s, c.decay);
        energyOrder_.push_back(todo[i]);
    }
}

const DecayAnalysis* ChannelAnalysis::decay(int band)
{
    if (!bandUsable(band))
        return nullptr;
    if (!bands_[band].decayDone)
        analyseDecays(band);
    return &bands_[band].decay;
}

const BandEnergy* ChannelAnalysis::energy(int band)
{
    if (!bandUsable(band))
        return nullptr;
    if (!bands_[band].energy)
        filterForward(band);
    return &*bands_[band].energy;
}

} // namespace vemra::dsp
