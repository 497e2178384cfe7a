// Every decay and energy parameter of one channel of a 3 s response at 48 kHz, in every octave band and in every
// third-octave band, through the library contract, starting each time from an empty analysis cache.
#include "library/AnalysisStore.h"
#include "library/WaveStore.h"
#include "library/api.h"
#include "support/ResponseGenerator.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

using namespace vemra;

namespace {

WaveHeader& response()
{
    static WaveHeader header = [] {
        WaveHeader h;
        h.format.SampleFrequency = 48000;
        WaveStore::adopt(h, {testsupport::toPcm16(testsupport::exponentialDecay(1.2, 48000, 3.0, 10000, 60, 240, 11))});
        return h;
    }();
    return header;
}

void allParameters(benchmark::State& state, int firstBand, int lastBand)
{
    WaveHeader& h = response();
    for (auto _ : state) {
        AnalysisStore::clear();
        for (int b = firstBand; b <= lastBand; ++b) {
            const auto band = static_cast<std::int16_t>(b);
            RTResult rt;
            CalcRT(0, h, band, rt);
            benchmark::DoNotOptimize(rt);
            benchmark::DoNotOptimize(CalcCx(0, h, band, 0.05f));
            benchmark::DoNotOptimize(CalcCx(0, h, band, 0.08f));
            benchmark::DoNotOptimize(CalcTs(0, h, band));
            for (std::int16_t kind = 0; kind <= 2; ++kind)
                benchmark::DoNotOptimize(CalcSupport(0, h, band, kind));
            const std::int32_t end = isTrue(rt.decayEndValid) ? rt.decayEnd : h.SampleCount;
            benchmark::DoNotOptimize(CalcG(h, 0, band, end));
            benchmark::DoNotOptimize(CalcLE(h, 0, band, end, 0.0f));
        }
    }
}

void OctaveBands(benchmark::State& state) { allParameters(state, 0, 10); }
void ThirdOctaveBands(benchmark::State& state) { allParameters(state, 14, 43); }

} // namespace

BENCHMARK(OctaveBands)->Unit(benchmark::kMillisecond);
BENCHMARK(ThirdOctaveBands)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
