// The speech and spatial values of a 3 s stereo response at 48 kHz through the library contract: the modulation
// transfer values of the seven speech bands of one channel, and the lateral fractions and IACC of every octave
// band, starting each time from an empty analysis cache.
#include "library/AnalysisStore.h"
#include "library/WaveStore.h"
#include "library/api.h"
#include "support/ResponseGenerator.h"

#include <benchmark/benchmark.h>

using namespace vemra;

namespace {

WaveHeader& response()
{
    static WaveHeader header = [] {
        WaveHeader h;
        h.format.SampleFrequency = 48000;
        h.info.ProbeDist = 20;
        WaveStore::adopt(h, {testsupport::toPcm16(testsupport::exponentialDecay(1.2, 48000, 3.0, 10000, 60, 240, 11)),
                             testsupport::toPcm16(testsupport::exponentialDecay(1.2, 48000, 3.0, 10000, 60, 240, 12))});
        return h;
    }();
    return header;
}

void SpeechBands(benchmark::State& state)
{
    WaveHeader& h = response();
    for (auto _ : state) {
        AnalysisStore::clear();
        for (std::int16_t band = 3; band <= 9; ++band) {
            RTResult rt;
            CalcRT(0, h, band, rt);
            float m[21];
            benchmark::DoNotOptimize(CalcMTF(0, h, band, isTrue(rt.decayEndValid) ? rt.decayEnd : h.SampleCount - 1, m));
            benchmark::DoNotOptimize(m);
        }
    }
}

void SpatialOctaveBands(benchmark::State& state)
{
    WaveHeader& h = response();
    for (auto _ : state) {
        AnalysisStore::clear();
        for (std::int16_t band = 0; band <= 10; ++band) {
            benchmark::DoNotOptimize(CalcLF(h, band));
            benchmark::DoNotOptimize(CalcLF2(h, band, 1.0f));
            benchmark::DoNotOptimize(CalcLFC(h, band, 1.0f));
            IACCResult iacc;
            CalcIACC(h, band, iacc);
            benchmark::DoNotOptimize(iacc);
        }
    }
}

} // namespace

BENCHMARK(SpeechBands)->Unit(benchmark::kMillisecond);
BENCHMARK(SpatialOctaveBands)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
