#include "library/api_analysis.h"

#include "library/AnalysisStore.h"
#include "library/WaveStore.h"
#include "library/dsp/Bands.h"
#include "library/dsp/ImpulseStart.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <optional>

namespace vemra {
namespace {

float toFloat(std::optional<double> v)
{
    if (!v || !std::isfinite(*v) || std::abs(*v) >= FLT_MAX)
        return NoValue;
    return static_cast<float>(*v);
}

// The band's energies; `boundary` names a window boundary the call needs besides the standard ones.
template <class Boundary>
const dsp::BandEnergy* bandEnergy(const WaveHeader& header, std::int16_t channel, std::int16_t band,
                                  Boundary boundary)
{
    dsp::ChannelAnalysis* a = AnalysisStore::channel(header, channel);
    const dsp::BandEnergy* e = a ? a->energy(band) : nullptr;
    if (!e)
        return nullptr;
    const std::int64_t n = boundary(*e);
    if (n >= 0 && !e->covers(n))
        e = a->energy(band, std::span<const std::int64_t>(&n, 1));
    return e;
}

const dsp::BandEnergy* bandEnergy(const WaveHeader& header, std::int16_t channel, std::int16_t band)
{
    return bandEnergy(header, channel, band, [](const dsp::BandEnergy&) { return std::int64_t(-1); });
}

// Energy per sample of the rounding noise of 16-bit samples (a uniform error of one step), in the samples' units.
constexpr double kRoundingNoise = 1.0 / 12.0;

// The part of white noise that a band passes: its width over half the sample rate (1 for no band filter).
double bandFraction(int band, double fs_Hz)
{
    double lower = 0, upper = fs_Hz / 2;
    if (dsp::isBand(band)) {
        lower = dsp::bandLower_Hz(band);
        upper = dsp::bandUpper_Hz(band);
    } else if (band == dsp::kWideBand) {
        lower = dsp::wideBandLower_Hz();
        upper = dsp::wideBandUpper_Hz(fs_Hz);
    }
    return std::clamp(2.0 * (upper - lower) / fs_Hz, 1e-12, 1.0);
}

} // namespace

std::int32_t CalcIRStartISO(std::int16_t channel, WaveHeader& header)
{
    return guardedValue<std::int32_t>(-1, [&]() -> std::int32_t {
        if (channel < 0 || channel > 1)
            return -1;
        const auto samples = WaveStore::floatSamples(header, channel);
        return static_cast<std::int32_t>(dsp::impulseStartIso(samples));
    });
}

void CalcRT(std::int16_t channel, WaveHeader& header, std::int16_t band, RTResult& result)
{
    RTResult r;
    r.computed = True16;
    r.INR = r.SNR = NoValue; // no decay, no ratios
    guardedVoid([&] {
        dsp::ChannelAnalysis* a = AnalysisStore::channel(header, channel);
        const dsp::DecayAnalysis* d = a ? a->decay(band) : nullptr;
        if (!d || !d->valid)
            return;
        // Without a noise floor the INR is the range the decay shows, a lower bound (negative, as tables read
        // it), and the SNR has no value. So it is when the "noise" lies below what 16-bit samples resolve in the
        // band (their rounding noise): that is digital silence, and the INR is at least the decay line's height
        // above the samples' resolution, and never more than the band's loudest part shows above it. A band
        // whose loudest part lies below that resolution holds nothing but rounding: no decay (its bound would
        // read as a measured INR).
        const double resolution_dB = 10.0 * std::log10(kRoundingNoise * bandFraction(band, a->sampleRate_Hz()));
        const double resolved_dB = std::min(d->lineLevel_dB, d->peak_dB) - resolution_dB;
        if (!(resolved_dB > 0))
            return;
        r.level = static_cast<float>(d->lineLevel_dB);
        const bool bounded = d->noiseBounded() && d->INR_dB <= resolved_dB;
        r.INR = static_cast<float>(bounded ? d->INR_dB : -std::min(d->INR_dB, resolved_dB));
        r.SNR = bounded ? static_cast<float>(d->SNR_dB) : NoValue;
        struct Fit {
            const dsp::LineFit& fit;
            float& time;
            float& corr;
            Bool16& valid;
        };
        const Fit fits[] = {{d->edt, r.EDT, r.EDTcorr, r.EDTvalid},
                            {d->t10, r.T10, r.T10corr, r.T10valid},
                            {d->t20, r.T20, r.T20corr, r.T20valid},
                            {d->t30, r.T30, r.T30corr, r.T30valid}};
        for (const Fit& f : fits) {
            if (!f.fit.valid)
                continue;
            f.time = static_cast<float>(f.fit.decayTime_s);
            f.corr = static_cast<float>(f.fit.correlation);
            f.valid = True16;
        }
        r.decayEnd = static_cast<std::int32_t>(d->decayEnd);
        r.decayEndValid = True16;
    });
    result = r;
}

float CalcCx(std::int16_t channel, WaveHeader& header, std::int16_t band, float timeLimit_s)
{
    return guardedValue(NoValue, [&] {
        const dsp::BandEnergy* e = bandEnergy(header, channel, band, [&](const dsp::BandEnergy& b) {
            return b.boundary(timeLimit_s);
        });
        return e ? toFloat(e->clarity_dB(timeLimit_s)) : NoValue;
    });
}

float CalcSupport(std::int16_t channel, WaveHeader& header, std::int16_t band, std::int16_t kind)
{
    return guardedValue(NoValue, [&] {
        if (kind < 0 || kind > 2)
            return NoValue;
        const dsp::BandEnergy* e = bandEnergy(header, channel, band);
        return e ? toFloat(e->support_dB(static_cast<dsp::SupportKind>(kind))) : NoValue;
    });
}

float CalcTs(std::int16_t channel, WaveHeader& header, std::int16_t band)
{
    return guardedValue(NoValue, [&] {
        const dsp::BandEnergy* e = bandEnergy(header, channel, band);
        return e ? toFloat(e->centreTime_s()) : NoValue;
    });
}

float CalcG(WaveHeader& header, std::int16_t channel, std::int16_t band, std::int32_t endSample)
{
    return guardedValue(NoValue, [&] {
        const dsp::BandEnergy* e = bandEnergy(header, channel, band, [&](const dsp::BandEnergy&) {
            return static_cast<std::int64_t>(endSample);
        });
        const std::optional<double> energy = e ? e->strengthEnergy(endSample) : std::nullopt;
        if (!energy)
            return NoValue;
        const double f = sampleFactor(header.gains, channel);
        return toFloat(10.0 * std::log10(*energy * f * f));
    });
}

float CalcLE(WaveHeader& header, std::int16_t channel, std::int16_t band, std::int32_t endSample, float gain)
{
    const float level = CalcG(header, channel, band, endSample);
    if (level == NoValue || !std::isfinite(gain))
        return 0.0f;
    const double e = std::pow(10.0, (static_cast<double>(level) - gain) / 10.0);
    return static_cast<float>(std::min(e, static_cast<double>(FLT_MAX)));
}

} // namespace vemra
