#pragma once
// Every decay and energy parameter of one channel in every octave band or every third-octave band, through the
// library contract, as a parameter table asks for them.
#include "library/api.h"
#include "library/dsp/Bands.h"

#include <benchmark/benchmark.h>

namespace vemra::bench {

enum class BandSet { Octave, ThirdOctave };

inline void analyseBands(WaveHeader& h, BandSet set, std::int16_t channel = 0)
{
    const int first = set == BandSet::Octave ? dsp::kFirstOctaveBand : dsp::kFirstUsedThirdOctaveBand;
    const int last = set == BandSet::Octave ? dsp::kLastOctaveBand : dsp::kLastThirdOctaveBand;
    for (int b = first; b <= last; ++b) {
        const auto band = static_cast<std::int16_t>(b);
        RTResult rt;
        CalcRT(channel, h, band, rt);
        benchmark::DoNotOptimize(rt);
        benchmark::DoNotOptimize(CalcCx(channel, h, band, 0.05f));
        benchmark::DoNotOptimize(CalcCx(channel, h, band, 0.08f));
        benchmark::DoNotOptimize(CalcTs(channel, h, band));
        for (std::int16_t kind = 0; kind <= 2; ++kind)
            benchmark::DoNotOptimize(CalcSupport(channel, h, band, kind));
        const std::int32_t end = isTrue(rt.decayEndValid) ? rt.decayEnd : h.SampleCount;
        benchmark::DoNotOptimize(CalcG(h, channel, band, end));
        benchmark::DoNotOptimize(CalcLE(h, channel, band, end, 0.0f));
    }
}

} // namespace vemra::bench
