// The spatial parameters (lateral fractions, interaural cross-correlation) and the modulation transfer values of
// the open wave: band filtering, time zero and scaling here, the arithmetic in dsp/SpatialParameters and
// dsp/ModulationTransfer.
#include "library/api_analysis.h"

#include "library/AnalysisStore.h"
#include "library/WaveStore.h"
#include "library/dsp/BandFilter.h"
#include "library/dsp/Bands.h"
#include "library/dsp/ModulationTransfer.h"
#include "library/dsp/SoundSpeed.h"
#include "library/dsp/SpatialParameters.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vemra {
namespace {

constexpr float kNoSpatialValue = -1.0f;

float spatialValue(std::optional<double> v)
{
    return v && std::isfinite(*v) && std::abs(*v) < 1e30 ? static_cast<float>(*v) : kNoSpatialValue;
}

// How far a channel is filtered so that its filtered samples before `until` (and a little past it, where the
// correlation lags read) are exactly those of the whole channel filtered: the half-band chain looks a few taps
// ahead at every halving. Filtering a long response only as far as it sounds, not to its end, is what keeps the
// first run of a table short. until < 0: the whole channel.
std::int64_t filteredLength(const dsp::BandFilter& filter, double fs_Hz, std::int64_t until, std::int64_t length)
{
    const std::int64_t reach = (std::int64_t(64) << filter.decimationLevels()) +
                               static_cast<std::int64_t>(std::ceil((std::abs(filter.energyDelay_s()) + 0.005) * fs_Hz));
    return until < 0 || until >= length - reach ? length : until + reach;
}

// Both channels of a stereo wave, filtered forward by one band's filter with its rate changes anchored at time
// zero; exact before sample `exactTo`.
struct BandPair {
    dsp::BandFilter filter;
    std::vector<float> channel[2];
    double fs_Hz;
    std::uint64_t revision; // of the samples filtered
    std::int64_t zero;
    std::int64_t exactTo;
};

// The pair of the band, exact before sample `until` (< 0: everywhere); the last one made is kept, because a table
// asks LF, LF2, LFC and IACC of one band in turn. nullptr when the wave is not stereo or the band not usable.
// Valid until the next call.
const BandPair* bandPair(const WaveHeader& header, std::int16_t band, std::int64_t zero, std::int64_t until)
{
    static std::optional<BandPair> last;
    if (!dsp::isBand(band) || WaveStore::channels(header) != 2)
        return nullptr;
    const double fs = header.format.SampleFrequency;
    const std::uint64_t revision = WaveStore::revision(header);
    const auto length = static_cast<std::int64_t>(WaveStore::floatSamples(header, 0).size());
    const std::int64_t needed = until < 0 ? length : std::min(until, length);
    if (last && last->revision == revision && last->filter.band() == band && last->fs_Hz == fs &&
        last->zero == zero && last->exactTo >= needed)
        return &*last;
    last.reset(); // its memory goes before the next pair's is taken
    auto filter = dsp::BandFilter::design(band, fs);
    if (!filter)
        return nullptr;
    const std::int64_t filtered = filteredLength(*filter, fs, needed, length);
    BandPair pair{*filter, {}, fs, revision, zero, filtered == length ? length : needed};
    for (int ch = 0; ch < 2; ++ch)
        pair.channel[ch] = filter->apply(WaveStore::floatSamples(header, ch).first(static_cast<std::size_t>(filtered)),
                                         dsp::FilterDirection::Forward, std::max<std::int64_t>(zero, 0));
    last = std::move(pair);
    return &*last;
}

// Just past the end of the early window (80 ms after time zero, moved on by at most a band filter's delay, which
// filteredLength adds), where the lateral fractions stop reading; -1 without a time zero.
std::int64_t earlyEnd(std::int64_t timeZero, double fs_Hz)
{
    return timeZero < 0 ? -1 : timeZero + static_cast<std::int64_t>(std::ceil(0.080 * fs_Hz)) + 1;
}

// A channel whose samples are all 0 (or that the wave does not have).
bool silent(const WaveHeader& header, int channel)
{
    const auto samples = WaveStore::samples(header, channel);
    return std::all_of(samples.begin(), samples.end(), [](std::int16_t v) { return v == 0; });
}

// The lateral fractions share everything but their arithmetic. A silent channel 1 is no lateral measurement
// (the figure-of-eight or the second capsule was not connected): no value, not a fraction of 0.
template <class F>
float lateral(const WaveHeader& header, std::int16_t band, double lateralGain, F fraction)
{
    return guardedValue(kNoSpatialValue, [&] {
        if (!std::isfinite(lateralGain) || silent(header, 1))
            return kNoSpatialValue;
        const std::int64_t zero = AnalysisStore::timeZero(header, 0);
        const BandPair* pair = bandPair(header, band, zero, earlyEnd(zero, header.format.SampleFrequency));
        if (!pair)
            return kNoSpatialValue;
        dsp::SpatialInput in;
        in.omni = pair->channel[0];
        in.lateral = pair->channel[1];
        in.fs_Hz = pair->fs_Hz;
        in.timeZero = zero;
        in.delay_s = pair->filter.energyDelay_s();
        in.omniScale = sampleFactor(header.gains, 0);
        in.lateralScale = sampleFactor(header.gains, 1) * lateralGain;
        return spatialValue(fraction(in));
    });
}

// Where a channel's sound in a band ends, and where the band has sounded out. A decay that meets a noise floor
// ends there, and so do the windows: past it the ears hear only noise. A decay faded out ends where the fade
// begins. Sound followed by digital silence or cut short ends with the channel's last sample that is not 0, and
// the band sounds on as far as its filter rings: the filter spreads the energy of that last sound, a pulse's all
// of it, over its ringing, which a window must hold for the sound to count whole. A band without a decay whose
// channel sounds on to its end has nothing to tell its sound from its noise by: the windows run to the end, but
// no sound of its own is known after the early sound.
struct ChannelSound {
    std::int64_t end = 0;        // of the channel's own sound
    std::int64_t soundedOut = 0; // where the windows may end
    double noiseEnergy = 0;      // of the band's noise floor (0: none)
    bool ringsOut = false;       // soundedOut is found in the filtered band, from `end` on
};

ChannelSound channelSound(const WaveHeader& header, int channel, std::int16_t band)
{
    ChannelSound s;
    dsp::ChannelAnalysis* a = AnalysisStore::channel(header, channel);
    const dsp::DecayAnalysis* d = a ? a->decay(band) : nullptr;
    if (d && d->noiseBounded()) {
        s.end = s.soundedOut = d->decayEnd;
        s.noiseEnergy = d->noiseEnergy;
        return s;
    }
    const auto samples = WaveStore::samples(header, channel);
    const auto length = static_cast<std::int64_t>(samples.size());
    auto last = length;
    while (last > 0 && samples[static_cast<std::size_t>(last - 1)] == 0)
        --last;
    const bool decay = d && d->valid;
    if (decay && d->decayEnd < last) {
        s.end = s.soundedOut = d->decayEnd; // faded out
    } else if (decay || last < length) {
        s.end = s.soundedOut = last;
        s.ringsOut = true;
    } else {
        s.soundedOut = length;
    }
    return s;
}

// Whether the late window [split, length) holds sound of its own: the ears' sound goes on past 80 ms, and in each
// ear with a noise floor the window rises above it, as a decay must (elsewhere its correlation is the noise's). The
// filter ringing on after the early sound is no late sound, so the window's energy is asked of the band filtered
// time-reversed, whose ringing lies before the sound instead of after it: in the lowest bands the forward ringing
// of the early sound outlasts 80 ms and rises above a faint noise by itself.
bool lateSound(const WaveHeader& header, const BandPair& pair, const ChannelSound (&sound)[2], std::int64_t zero,
               std::int64_t split, std::int64_t length)
{
    const auto samples = static_cast<std::int64_t>(WaveStore::floatSamples(header, 0).size());
    if (std::max(sound[0].end, sound[1].end) <= dsp::spatialBoundary(zero, 0.080, 0.0, pair.fs_Hz, samples))
        return false;
    const std::int64_t until = filteredLength(pair.filter, pair.fs_Hz, length, samples);
    for (int ch = 0; ch < 2; ++ch) {
        if (!(sound[ch].noiseEnergy > 0))
            continue;
        const auto own = pair.filter.apply(WaveStore::floatSamples(header, ch)
                                               .subspan(static_cast<std::size_t>(split),
                                                        static_cast<std::size_t>(std::max<std::int64_t>(until - split, 0))),
                                           dsp::FilterDirection::Reversed);
        if (!dsp::risesAboveNoise(own, pair.fs_Hz, 0, length - split, sound[ch].noiseEnergy))
            return false;
    }
    return true;
}

} // namespace

float CalcLF(WaveHeader& header, std::int16_t band)
{
    return lateral(header, band, 1.0, [](const dsp::SpatialInput& in) { return dsp::lateralFraction(in); });
}

float CalcLF2(WaveHeader& header, std::int16_t band, float gainRatio)
{
    const double spacing_m = header.info.ProbeDist / 1000.0;
    const double c_mps = dsp::speedOfSound(header.info.Temperature);
    return lateral(header, band, gainRatio, [&](const dsp::SpatialInput& in) {
        return dsp::probeLateralFraction(in, spacing_m, c_mps);
    });
}

float CalcLFC(WaveHeader& header, std::int16_t band, float gainRatio)
{
    return lateral(header, band, gainRatio, [](const dsp::SpatialInput& in) { return dsp::lateralFractionCos(in); });
}

void CalcIACC(WaveHeader& header, std::int16_t band, IACCResult& result)
{
    IACCResult r;
    r.IACC1 = r.IACC2 = r.IACC3 = kNoSpatialValue;
    r.computed = True16;
    guardedVoid([&] {
        const std::int64_t z0 = AnalysisStore::timeZero(header, 0), z1 = AnalysisStore::timeZero(header, 1);
        // The direct sound reaches the nearer ear first: the window starts with whichever channel starts first.
        const std::int64_t zero = z0 < 0 ? z1 : z1 < 0 ? z0 : std::min(z0, z1);
        if (zero < 0 || !dsp::isBand(band) || WaveStore::channels(header) != 2)
            return;
        const auto samples = static_cast<std::int64_t>(WaveStore::floatSamples(header, 0).size());
        ChannelSound sound[2] = {channelSound(header, 0, band), channelSound(header, 1, band)};
        const bool ringing = sound[0].ringsOut || sound[1].ringsOut;
        const std::int64_t ends = std::max(sound[0].soundedOut, sound[1].soundedOut);
        // A channel that rings out is filtered whole: where its ringing ends is found in the band.
        const BandPair* pair =
            bandPair(header, band, zero, ringing ? -1 : std::max(ends, earlyEnd(zero, header.format.SampleFrequency)));
        if (!pair)
            return;
        const std::span<const float> ears[2] = {pair->channel[0], pair->channel[1]};
        for (int ch = 0; ch < 2; ++ch)
            if (sound[ch].ringsOut)
                sound[ch].soundedOut = dsp::rungOut(ears[ch], zero, sound[ch].end);
        // The windows end where the band has sounded out.
        const std::int64_t length =
            std::clamp<std::int64_t>(std::max(sound[0].soundedOut, sound[1].soundedOut), 0, samples);
        const double delay = pair->filter.energyDelay_s();
        // A response that ends before the early window does has no early and no whole value, and its late one
        // would be nothing but the filter's ringing: no value at all, as for the lateral fractions.
        const std::int64_t limit = dsp::spatialBoundary(zero, 0.080, delay, pair->fs_Hz, samples);
        if (limit > samples)
            return;
        const std::int64_t split = std::min(length, limit);
        const auto iacc = dsp::interauralCrossCorrelations(ears[0], ears[1], pair->fs_Hz, zero, split, length);
        // The early and whole windows hold the direct sound, which rises above any noise floor the decay found.
        r.IACC1 = spatialValue(iacc.whole);
        r.IACC2 = spatialValue(iacc.early);
        r.IACC3 = iacc.late && lateSound(header, *pair, sound, zero, split, length) ? spatialValue(iacc.late)
                                                                                    : kNoSpatialValue;
    });
    result = r;
}

VResult CalcMTF(std::int16_t channel, WaveHeader& header, std::int16_t band, std::int32_t endSample, float* mtf)
{
    if (!mtf)
        return msg::NoWaveData;
    // Entries are written only once all of them are known: a failure leaves them 0.
    std::fill(mtf, mtf + 21, 0.0f);
    return guardedResult(msg::NoWaveData, [&]() -> VResult {
        dsp::ChannelAnalysis* analysis = dsp::isBand(band) ? AnalysisStore::channel(header, channel) : nullptr;
        const dsp::DecayAnalysis* decay = analysis ? analysis->decay(band) : nullptr;
        // Like the other parameters, the modulation transfer needs a decay (or an impulse: a perfect channel).
        if (!decay || analysis->timeZero() < 0 || !(decay->holdsDecay() || decay->impulse))
            return msg::NoWaveData;
        const double fs = analysis->sampleRate_Hz();
        const std::span<const float> samples = WaveStore::floatSamples(header, channel);
        const auto length = static_cast<std::int64_t>(samples.size());

        dsp::ModulationSource source;
        source.fs_Hz = fs;
        source.from = analysis->timeZero();
        source.to = endSample >= length - 1 ? length : std::max<std::int64_t>(endSample, 0);
        if (decay->valid) {
            source.noiseEnergy = decay->noiseEnergy;
            source.snr_dB = decay->SNR_dB;
            if (source.to >= decay->decayEnd) {
                // Past the decay end lies noise: the late line stands in for it, to infinity.
                source.to = decay->decayEnd;
                source.tailEnergy = decay->lineEnergy(decay->decayEnd, fs);
                source.tailRatio = std::pow(10.0, decay->lineSlope_dBps / (10.0 * fs));
            }
        }
        const auto filter = dsp::BandFilter::design(band, fs);
        const std::vector<float> filtered =
            filter->apply(samples.first(static_cast<std::size_t>(filteredLength(*filter, fs, source.to, length))),
                          dsp::FilterDirection::Forward, source.from);
        source.band = filtered;
        const auto entries = dsp::modulationTransferEntries(band, source);
        std::copy(entries.begin(), entries.end(), mtf);
        return Ok;
    });
}

} // namespace vemra
