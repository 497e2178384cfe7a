#include "library/api_view.h"

#include "library/AnalysisStore.h"
#include "library/ViewStore.h"
#include "library/WaveStore.h"
#include "library/dsp/BandFilter.h"
#include "library/dsp/Bands.h"
#include "library/dsp/ViewProcessing.h"

#include <optional>
#include <vector>

namespace vemra {
namespace {

// The bands of a band view that lie below Nyquist, lowest first.
std::vector<dsp::BandRange> bandsOfView(int viewType, double fs)
{
    std::vector<dsp::BandRange> bands;
    const int last = dsp::lastBandOfView(viewType);
    for (int b = dsp::firstBandOfView(viewType); b <= last && dsp::bandBelowNyquist(b, fs); ++b)
        bands.push_back({dsp::bandLower_Hz(b), dsp::bandUpper_Hz(b)});
    return bands;
}

} // namespace

VResult ProcessWave(WaveHeader& header, ViewBlock& view)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        if (!WaveStore::isOpen(header))
            return msg::NoWaveData;
        if (view.ViewType < dsp::ViewPressure || view.ViewType > dsp::ViewLogSpectrum)
            return msg::BadArgument;
        const double fs = header.format.SampleFrequency;
        if (!(fs > 0))
            return msg::NoWaveData;
        const int channels = WaveStore::channels(header);

        dsp::ViewSettings s;
        s.viewType = view.ViewType;
        s.autoScale = isTrue(view.AutoScale);
        s.smooth = isTrue(view.Smooth);
        for (int c = 0; c < 2; ++c) {
            s.bestRevTime_s[c] = view.bestRevTime[c];
            s.featureValue[c] = view.featureValue[c];
        }

        // The time views show the response through the band filter; the spectra always show it whole.
        std::vector<std::vector<float>> filtered;
        std::vector<std::span<const float>> input;
        const bool timeView = dsp::isTimeView(view.ViewType);
        if (timeView && view.FilterType != dsp::kAllPass) {
            const std::optional<dsp::BandFilter> filter = dsp::BandFilter::design(view.FilterType, fs);
            if (!filter)
                return msg::BadArgument;
            const auto direction = view.ViewType >= dsp::ViewDecay ? dsp::FilterDirection::Reversed
                                                                    : dsp::FilterDirection::Forward;
            for (int c = 0; c < channels; ++c)
                filtered.push_back(filter->apply(WaveStore::floatSamples(header, c), direction));
            for (const auto& f : filtered)
                input.emplace_back(f);
        } else {
            for (int c = 0; c < channels; ++c)
                input.push_back(WaveStore::floatSamples(header, c));
        }

        // The Schroeder view ends where the decay meets the noise, as the decay analysis of the same band finds it
        // (the analysis the parameter tables read).
        if (view.ViewType == dsp::ViewSchroeder) {
            for (int c = 0; c < channels && c < 2; ++c) {
                dsp::ChannelAnalysis* analysis = AnalysisStore::channel(header, c);
                const dsp::DecayAnalysis* decay = analysis ? analysis->decay(view.FilterType) : nullptr;
                if (decay && decay->valid) {
                    s.integrationEnd[c] = decay->decayEnd;
                    s.noiseEnergy[c] = decay->noiseEnergy;
                    s.tailEnergy[c] = decay->tailEnergy;
                }
            }
        }

        std::vector<dsp::BandRange> bands;
        if (dsp::isBandView(view.ViewType))
            bands = bandsOfView(view.ViewType, fs);

        ProcessedView processed;
        processed.settings = view;
        processed.fs_Hz = fs;
        processed.data = dsp::processView(input, fs, s, bands);
        header.ProcCount = processed.data.pointCount;
        StoreProcessedView(header, std::move(processed));
        return Ok;
    });
}

} // namespace vemra
