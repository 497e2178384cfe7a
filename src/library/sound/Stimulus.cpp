#include "library/sound/Stimulus.h"

#include "library/Codes.h"
#include "library/dsp/Fft.h"
#include "library/dsp/InverseFilter.h"
#include "library/dsp/Mls.h"
#include "library/dsp/Sweep.h"
#include "library/sound/SourceFilter.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace vemra::sound {

namespace {

// The band whose level a correction keeps: the octaves 125 Hz to 8 kHz, edge to edge, and no higher than the
// correction filters reach (where the inverse filters' band ends).
constexpr double kLevelBandLow_Hz = 125 / 1.4142135623730951;
constexpr double kLevelBandHigh_Hz = 8000 * 1.4142135623730951;

// 1 / sqrt(mean |R / C|^2) over the band's bins (StimulusPeriod::correctionGain); 1 when no bin can tell.
double correctionGainOf(const std::vector<double>& reference, const std::vector<double>& corrected, double rate_Hz)
{
    const dsp::RealFftD fft(reference.size());
    std::vector<std::complex<double>> R(fft.bins()), C(fft.bins());
    fft.forward(reference, R);
    fft.forward(corrected, C);
    const double df = rate_Hz / static_cast<double>(reference.size());
    const double top_Hz = std::min(kLevelBandHigh_Hz, dsp::kInverseFilterTop * rate_Hz);
    double sum = 0;
    std::size_t bins = 0;
    for (std::size_t k = 1; k < R.size(); ++k) {
        const double f = static_cast<double>(k) * df;
        if (f < kLevelBandLow_Hz || f >= top_Hz || !(std::norm(C[k]) > 0))
            continue;
        sum += std::norm(R[k]) / std::norm(C[k]);
        ++bins;
    }
    const double meanPower = bins > 0 ? sum / static_cast<double>(bins) : 0.0;
    return meanPower > 0 && std::isfinite(meanPower) ? 1 / std::sqrt(meanPower) : 1.0;
}

} // namespace

int minOrderForRate(double rate_Hz)
{
    if (rate_Hz == 22050)
        return 13;
    if (rate_Hz == 44100 || rate_Hz == 48000)
        return 14;
    if (rate_Hz == 96000)
        return 15;
    return 13;
}

int maxOrderForRate(double rate_Hz)
{
    if (rate_Hz == 22050)
        return 20;
    if (rate_Hz == 44100 || rate_Hz == 48000)
        return 21;
    return 22;
}

std::vector<double> referencePeriod(StimulusKind kind, int order, double rate_Hz, int filter)
{
    std::vector<double> p = kind == StimulusKind::Mls ? dsp::mlsSignal(order) : dsp::periodicSweep(order, rate_Hz);
    applySourceFilter(filter, rate_Hz, p);
    return p;
}

VResult buildStimulus(StimulusKind kind, int order, double rate_Hz, int level, const std::string& correction,
                      int filter, float speechScale, StimulusPeriod& out)
{
    if (order < minOrderForRate(rate_Hz) || order > maxOrderForRate(rate_Hz) || level < 1 || level > kMaxSample
        || filter < 0 || filter >= SourceFilterCodeCount || !(rate_Hz > 0))
        return msg::BadArgument;
    out.kind = kind;
    out.order = order;
    out.rate_Hz = rate_Hz;
    out.filter = filter;
    out.reference = referencePeriod(kind, order, rate_Hz, filter);

    std::vector<double> shaped;
    if (!correction.empty()) {
        // The correction is made for the plain stimulus; the source filter is applied on top of it.
        std::vector<double> plain = kind == StimulusKind::Mls ? dsp::mlsSignal(order) : dsp::periodicSweep(order, rate_Hz);
        if (VResult rc = correctedPeriod(correction, kind, order, static_cast<std::int32_t>(std::lround(rate_Hz)),
                                         plain, shaped))
            return rc;
        applySourceFilter(filter, rate_Hz, shaped);
        out.corrected = true;
        // Taken after the source filter, so its rescaling of the corrected period is divided out as well.
        out.correctionGain = correctionGainOf(out.reference, shaped, rate_Hz);
    } else {
        shaped = out.reference;
        out.corrected = false;
        out.correctionGain = 1;
    }
    double gain = level / double(kMaxSample);
    if (filter != SourceFilterNone && speechScale > 0 && speechScale <= 1)
        gain *= speechScale;
    double peak = 0;
    for (double v : shaped)
        peak = std::max(peak, std::abs(v));
    if (peak * gain > 1.0)
        gain = 1.0 / peak;
    out.gain = gain;
    out.played.resize(shaped.size());
    for (std::size_t i = 0; i < shaped.size(); ++i)
        out.played[i] = static_cast<float>(shaped[i] * gain);
    return Ok;
}

} // namespace vemra::sound
