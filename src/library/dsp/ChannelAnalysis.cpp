#include "library/dsp/ChannelAnalysis.h"

#include "library/dsp/BandFilter.h"
#include "library/dsp/BandPass.h"
#include "library/dsp/Bands.h"
#include "library/dsp/DecayCellSink.h"
#include "library/dsp/Parallel.h"

#include <algorithm>
#include <atomic>
#include <map>

namespace vemra::dsp {
namespace {

constexpr int kMaxThreads = 8;
std::atomic<int> g_threads{0};

// The passes over the samples a family of bands is split into, at most (see runPasses): more threads than that
// would wait.
constexpr int kPassGroups = 3;
// Below this many samples to filter a channel is analysed on one thread: a response of some seconds is filtered
// in a few milliseconds, less than what separate passes (each decimates the samples again) and waking threads
// cost. A 1 s response at 96 kHz took 4.6 ms on one thread and 10 ms on eight; a 43 s one gains from threads.
constexpr std::int64_t kThreadedSamples = std::int64_t(1) << 20;

int threadCount()
{
    const int t = g_threads.load(std::memory_order_relaxed);
    return t > 0 ? t : std::min(kMaxThreads, hardwareThreads());
}

// The threads that analyse `samples` samples of a channel.
int threadsFor(std::int64_t samples)
{
    return samples < kThreadedSamples ? 1 : std::min(threadCount(), kPassGroups);
}

// The decay energies of the bands filtered together stay within this, or kBatchBytesPerSample per sample when
// that is more. Every pass reads the samples and halves their rate again, and bands of one rate filtered side by
// side cost hardly more than one: a family split over several passes pays that several times over. Four bytes a
// sample hold the cells of every third octave of a 96 kHz response (about three), so that they go in one pass.
constexpr std::size_t kSmallBatchBytes = std::size_t(1) << 20;
constexpr std::size_t kBatchBytesPerSample = 4;
// The decay energy is kept in cells of at most this duration (or of one sample of a band's reduced rate, if that
// is longer): finer than any decay analysis needs, coarse enough to take a small part of the samples' memory.
constexpr double kCellDuration_s = 0.5e-3;

// The shortest decay time a band's filter lets through without shaping it. ISO 3382-2 asks B T > 16 (B the
// band's width in hertz, T the decay time) of a filter run forward in time, whose own decay would otherwise add
// to the room's; filtering the time-reversed response puts the filter's ringing before the decay instead, and
// the standard then relaxes the limit to B T > 4. A fit faster than 4 / B (45 ms in the 125 Hz octave, 0.17 s in
// the 100 Hz third octave) reads the filter, not the room: it is invalid. The wide band and the unfiltered
// response have no such limit.
double shortestDecay_s(int band)
{
    return isBand(band) ? 4.0 / (bandUpper_Hz(band) - bandLower_Hz(band)) : 0.0;
}

// A band's running energies (energy parameters; positions come in increasing order).
class EnergySink final : public BandSink {
public:
    explicit EnergySink(BandEnergy& energy) : energy_(energy) {}
    void take(const BandSamples& s) override
    {
        energy_.addSquares(s.first, s.step, s.values, s.stride, s.count, static_cast<double>(s.decimation));
    }

private:
    BandEnergy& energy_;
};

} // namespace

void ChannelAnalysis::setThreads(int threads) { g_threads.store(std::max(0, threads), std::memory_order_relaxed); }

ChannelAnalysis::ChannelAnalysis(std::vector<float> samples, double fs_Hz, std::int64_t timeZero)
    : owned_(std::move(samples)), samples_(std::span<const float>(owned_)), fs_(fs_Hz), zero_(timeZero)
{
}

ChannelAnalysis::ChannelAnalysis(ChannelSamples samples, double fs_Hz, std::int64_t timeZero)
    : samples_(samples), fs_(fs_Hz), zero_(timeZero)
{
}

void ChannelAnalysis::attach(ChannelSamples samples)
{
    if (owned_.empty())
        samples_ = samples;
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

const BandFilter& ChannelAnalysis::filter(int band)
{
    auto& f = filters_[static_cast<std::size_t>(band + 2)];
    if (!f)
        f = BandFilter::design(band, fs_);
    return *f;
}

std::int64_t ChannelAnalysis::cellSamples(int band)
{
    std::int64_t finest = 1;
    while (2 * finest <= kCellDuration_s * fs_)
        finest *= 2;
    return std::max<std::int64_t>(finest, band == kAllPass ? 1 : filter(band).decimation());
}

void ChannelAnalysis::runPasses(FilterDirection direction, const std::vector<int>& bands,
                                std::span<BandSink* const> sinks, std::span<const std::int64_t> until)
{
    // One pass for all on one thread. With more, the bands at the full rate take about as long as all the others
    // together (each halving of the rate halves the work), so they get a pass of their own, and with three
    // threads so do those at half the rate; each pass halves the rate as far as its own bands need.
    const std::int64_t n = samples_.size();
    std::int64_t work = 0;
    for (std::int64_t u : until)
        work = std::max(work, direction == FilterDirection::Reversed ? n - std::max<std::int64_t>(u, 0)
                                                                     : (u < 0 ? n : u));
    const int threads = threadsFor(work);
    std::map<int, std::vector<std::size_t>> byLevel;
    for (std::size_t i = 0; i < bands.size(); ++i)
        byLevel[std::min(filter(bands[i]).decimationLevels(), threads - 1)].push_back(i);
    std::vector<std::vector<std::size_t>> tasks;
    for (auto& [level, members] : byLevel)
        tasks.push_back(std::move(members));
    std::vector<const BandFilter*> filters;
    for (int b : bands)
        filters.push_back(&filter(b));
    runTasks(static_cast<int>(tasks.size()), threads, [&](int task, int) {
        std::vector<const BandFilter*> f;
        std::vector<BandSink*> s;
        std::vector<std::int64_t> u;
        for (std::size_t i : tasks[static_cast<std::size_t>(task)]) {
            f.push_back(filters[i]);
            s.push_back(sinks[i]);
            u.push_back(until[i]);
        }
        BandPassInput input;
        input.samples = samples_;
        input.direction = direction;
        input.anchor = zero_;
        input.until = u;
        runBandPass(input, f, s);
    });
}

void ChannelAnalysis::analyseDecays(int band)
{
    // The bands of the batch whose decay energies fit the memory bound (at least the one asked for).
    const std::int64_t n = samples_.size();
    const bool sound = zero_ >= 0 && zero_ < n;
    const std::size_t budget = std::max(kSmallBatchBytes, kBatchBytesPerSample * static_cast<std::size_t>(n));
    std::vector<int> todo;
    std::vector<std::int64_t> cellSize;
    std::size_t cells = 0;
    const std::vector<int> family = batchOf(band);
    for (int b : family) {
        if (slot(b).decayDone)
            continue;
        const std::int64_t cell = cellSamples(b);
        const std::size_t need = sound ? static_cast<std::size_t>((n - zero_ + cell - 1) / cell) : 0;
        if (!todo.empty() && (cells + need) * sizeof(float) > budget)
            continue;
        todo.push_back(b);
        cellSize.push_back(cell);
        cells += need;
    }
    reversedFilterings_ += todo.size();
    for (int b : todo)
        slot(b).decayDone = true;
    if (!sound) {
        for (int b : todo)
            slot(b).decay = analyseDecay(std::span<const float>(), fs_, zero_); // silence: no decay
        return;
    }

    // Each band's energies in cells from time zero; the unfiltered response's straight from the samples.
    if (cellPool_.size() < cells) {
        cellPool_.clear();
        cellPool_.resize(cells); // zeroed as it grows
    } else {
        std::fill(cellPool_.begin(), cellPool_.begin() + static_cast<std::ptrdiff_t>(cells), 0.0f);
    }
    std::vector<std::span<float>> energy;
    std::vector<DecayCellSink> sinks;
    std::vector<int> filtered;
    sinks.reserve(todo.size());
    for (std::size_t i = 0, used = 0; i < todo.size(); ++i) {
        const auto count = static_cast<std::size_t>((n - zero_ + cellSize[i] - 1) / cellSize[i]);
        energy.push_back(std::span<float>(cellPool_).subspan(used, count));
        used += count;
        int shift = 0;
        while ((std::int64_t(1) << shift) < cellSize[i])
            ++shift;
        DecayCellSink sink(energy[i], zero_, shift);
        if (todo[i] == kAllPass) {
            for (std::int64_t first = zero_; first < n; first += 4096) {
                float block[4096];
                const std::int64_t k = std::min<std::int64_t>(4096, n - first);
                for (std::int64_t j = 0; j < k; ++j)
                    block[j] = samples_[first + j];
                sink.take(BandSamples{block, 1, k, first, 1, 1});
            }
            continue;
        }
        filtered.push_back(static_cast<int>(i));
        sinks.push_back(sink);
    }
    std::vector<int> bands;
    std::vector<BandSink*> sinkPointers;
    for (std::size_t j = 0; j < filtered.size(); ++j) {
        bands.push_back(todo[static_cast<std::size_t>(filtered[j])]);
        sinkPointers.push_back(&sinks[j]);
    }
    runPasses(FilterDirection::Reversed, bands, sinkPointers, std::vector<std::int64_t>(bands.size(), zero_));

    const int threads = threadsFor(n - zero_);
    if (workspaces_.size() < static_cast<std::size_t>(threads))
        workspaces_.resize(static_cast<std::size_t>(threads));
    runTasks(static_cast<int>(todo.size()), threads, [&](int i, int worker) {
        DecayCells e;
        e.cells = energy[static_cast<std::size_t>(i)];
        e.cellSamples = cellSize[static_cast<std::size_t>(i)];
        e.lastCellSamples = (n - zero_) - static_cast<std::int64_t>(e.cells.size() - 1) * e.cellSamples;
        e.start = zero_;
        e.fs_Hz = fs_;
        e.shortestDecay_s = shortestDecay_s(todo[static_cast<std::size_t>(i)]);
        slot(todo[static_cast<std::size_t>(i)]).decay = analyseDecay(e, &workspaces_[static_cast<std::size_t>(worker)]);
    });
    // A family done, its cells and the fits' workspaces are given back: a cached analysis holds none.
    if (std::all_of(family.begin(), family.end(), [&](int b) { return slot(b).decayDone; })) {
        cellPool_ = {};
        workspaces_.clear();
    }
}

void ChannelAnalysis::filterForward(int band, std::span<const std::int64_t> boundarySamples)
{
    // With extra boundaries only this band is filtered again; otherwise its whole batch is.
    std::vector<int> todo;
    if (boundarySamples.empty()) {
        for (int b : batchOf(band))
            if (!slot(b).energy)
                todo.push_back(b);
    } else {
        todo.push_back(band);
    }
    for (int b : todo)
        decay(b); // the compensation of the energies comes from the decay analysis
    forwardFilterings_ += todo.size();

    const std::int64_t n = samples_.size();
    std::vector<BandEnergy> energies;
    energies.reserve(todo.size());
    for (int b : todo) {
        BandCache& c = slot(b);
        std::vector<std::int64_t> extra(boundarySamples.begin(), boundarySamples.end());
        if (c.energy) {
            const auto kept = c.energy->keptSamples();
            extra.insert(extra.end(), kept.begin(), kept.end());
        }
        energies.emplace_back(n, fs_, zero_, b == kAllPass ? 0.0 : filter(b).energyDelay_s(), c.decay, extra);
    }
    std::vector<int> filtered;
    std::vector<EnergySink> sinks;
    sinks.reserve(todo.size());
    for (std::size_t i = 0; i < todo.size(); ++i) {
        if (zero_ < 0)
            continue; // no response: no energies to add
        if (todo[i] == kAllPass) {
            for (std::int64_t k = 0; k < n; ++k)
                energies[i].add(k, double(samples_[k]) * samples_[k]);
            continue;
        }
        filtered.push_back(todo[i]);
        sinks.emplace_back(energies[i]);
    }
    std::vector<BandSink*> sinkPointers;
    std::vector<std::int64_t> until;
    for (std::size_t i = 0; i < todo.size(); ++i)
        if (todo[i] != kAllPass && zero_ >= 0)
            until.push_back(energies[i].measuredEnd());
    for (auto& s : sinks)
        sinkPointers.push_back(&s);
    // Past the decay end the late line stands for the band: each band is filtered only as far as its own decay
    // reaches, so that one band without a decay end (often the lowest) does not keep the others running to the end
    // of a long response.
    runPasses(FilterDirection::Forward, filtered, sinkPointers, until);
    for (std::size_t i = 0; i < todo.size(); ++i) {
        energies[i].finish();
        slot(todo[i]).energy.emplace(std::move(energies[i]));
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
