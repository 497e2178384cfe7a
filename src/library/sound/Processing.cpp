#include "library/sound/Processing.h"

#include "library/Codes.h"
#include "library/dsp/Deconvolution.h"
#include "library/dsp/Mls.h"
#include "library/dsp/Sweep.h"
#include "library/sound/SourceFilter.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace vemra::sound {

namespace {

dsp::MlsDeconvolver& mlsDeconvolver(int order)
{
    // Building the permutations costs more than a deconvolution: keep them per order.
    static std::map<int, std::unique_ptr<dsp::MlsDeconvolver>> cache;
    auto& d = cache[order];
    if (!d)
        d = std::make_unique<dsp::MlsDeconvolver>(order);
    return *d;
}

} // namespace

VResult deconvolveCapture(const CaptureResult& capture, const ProcessRequest& r, std::vector<std::vector<double>>& out)
{
    out.clear();
    if (capture.channels < 1 || capture.average.size() != static_cast<std::size_t>(capture.channels))
        return msg::BadArgument;
    if (r.filter < 0 || r.filter >= SourceFilterCodeCount)
        return msg::BadArgument;
    const double sign = r.sign < 0 ? -1.0 : 1.0;

    switch (r.stimulus) {
    case StimulusExternalImpulse:
        for (const auto& ch : capture.average) {
            out.push_back(ch);
            for (double& v : out.back())
                v *= sign;
        }
        return Ok;
    case StimulusExternalNoise: {
        if (capture.channels < 2)
            return msg::BadChannelCount;
        out.emplace_back(capture.average[0].size());
        dsp::transferResponse(capture.average[1], capture.average[0], out[0]);
        for (double& v : out[0])
            v *= sign;
        return Ok;
    }
    case StimulusInternalMls:
    case StimulusExternalMls:
    case StimulusInternalSweep:
    case StimulusExternalSweep:
        break;
    default:
        return msg::BadArgument;
    }

    const bool mls = isMlsStimulus(r.stimulus);
    const StimulusKind kind = mls ? StimulusKind::Mls : StimulusKind::Sweep;
    const int minOrder = mls ? dsp::MlsMinOrder : dsp::SweepMinOrder;
    const int maxOrder = mls ? dsp::MlsMaxOrder : dsp::SweepMaxOrder;
    if (r.order < minOrder || r.order > maxOrder)
        return msg::BadArgument;
    const std::int64_t period = mls ? (std::int64_t{1} << r.order) - 1 : std::int64_t{1} << r.order;
    if (capture.period != period)
        return msg::BadArgument;

    double gain = 1.0;
    std::vector<double> reference;
    const StimulusPeriod* own = capture.stimulus.get();
    const bool internal = isInternalStimulus(r.stimulus);
    if (internal && own && own->kind == kind && own->order == r.order && own->filter == r.filter) {
        gain = own->gain * own->correctionGain;
        reference = own->reference;
    } else {
        reference = referencePeriod(kind, r.order, r.rate_Hz, r.filter);
    }
    for (const auto& y : capture.average) {
        std::vector<double> h(static_cast<std::size_t>(period));
        if (mls && r.filter == SourceFilterNone)
            mlsDeconvolver(r.order).deconvolve(y, h);
        else
            dsp::SpectralDeconvolver(reference).deconvolve(y, h);
        const double scale = sign / gain;
        for (double& v : h)
            v *= scale;
        out.push_back(std::move(h));
    }
    return Ok;
}

bool holdsAnImpulse(std::span<const double> response)
{
    // Below this many samples a block's RMS says too little about the noise to judge by.
    constexpr std::size_t kMinBlock = 64;
    const std::size_t n = response.size();
    const std::size_t block = n / kNoiseBlocks;
    if (block < kMinBlock)
        return true;
    double peak = 0;
    for (double v : response)
        peak = std::max(peak, std::abs(v));
    if (!(peak > 0))
        return false;
    std::vector<double> blockRms;
    blockRms.reserve(kNoiseBlocks);
    for (std::size_t b = 0; b < kNoiseBlocks; ++b) {
        double sum = 0;
        for (double v : response.subspan(b * block, block))
            sum += v * v;
        blockRms.push_back(std::sqrt(sum / static_cast<double>(block)));
    }
    const auto middle = blockRms.begin() + static_cast<std::ptrdiff_t>(kNoiseBlocks / 2);
    std::nth_element(blockRms.begin(), middle, blockRms.end());
    const double noiseMax = *middle * std::sqrt(2 * std::log(static_cast<double>(n)));
    return peak >= kImpulseOverNoise * noiseMax;
}

} // namespace vemra::sound
