// Deconvolution speed: an MLS of order 18 by the fast Hadamard transform (goal <= 5 ms) and a sweep of 2^19
// points by spectral division (goal <= 10 ms), one core, after the one-off preparation (permutations, plans and
// the inverse spectrum), as a measurement processes its capture.
#include "library/dsp/Deconvolution.h"
#include "library/dsp/Mls.h"
#include "library/dsp/Sweep.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

std::vector<double> noise(std::size_t n)
{
    std::mt19937 rng(3);
    std::normal_distribution<double> g;
    std::vector<double> v(n);
    for (double& x : v)
        x = g(rng);
    return v;
}

void BM_MlsDeconvolutionOrder18(benchmark::State& state)
{
    vemra::dsp::MlsDeconvolver d(18);
    const auto y = noise(static_cast<std::size_t>(d.period()));
    std::vector<double> h(y.size());
    for (auto _ : state) {
        d.deconvolve(y, h);
        benchmark::DoNotOptimize(h.data());
    }
}
BENCHMARK(BM_MlsDeconvolutionOrder18)->Unit(benchmark::kMillisecond);

void BM_SweepDeconvolution2e19(benchmark::State& state)
{
    const auto sweep = vemra::dsp::periodicSweep(19, 48000);
    vemra::dsp::SpectralDeconvolver d(sweep);
    const auto y = noise(sweep.size());
    std::vector<double> h(y.size());
    for (auto _ : state) {
        d.deconvolve(y, h);
        benchmark::DoNotOptimize(h.data());
    }
}
BENCHMARK(BM_SweepDeconvolution2e19)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
