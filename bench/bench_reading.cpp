// Reading the longest response the program opens (4,194,304 frames, stereo, 96 kHz, 33.5 MB as floats) from a file,
// and what its analysis leaves in memory:
//   LongestFile/header        GetWaveHeader of the file (wall time; the file is in the page cache);
//   LongestFile/open          OpenWave and CloseWave of it, in this process;
//   LongestFile/read_octave   a fresh process, on one core: GetWaveHeader, OpenWave and every octave parameter of
//                             channel 0, as a user waits for them (processor time, page faults included). Counters:
//                             rss_MB, the peak resident memory above the process's before the read, and
//                             rss_x_floats, that over the response's samples as floats;
//   LongestFile/cycles        a fresh process: five cycles of OpenWave, every octave parameter of channel 0 and
//                             CloseWave. Counters: rss_1_MB and rss_5_MB, the resident memory above the process's
//                             before the first cycle, after the first and the fifth; rss_5_over_1 (total resident
//                             memory after the fifth over that after the first); first_over_repeat (processor time
//                             of the first analysis over the mean of the others). "threads" runs the bands on the
//                             default threads, else on one.
//
// Run as any Google Benchmark program: bench_reading [--benchmark_filter=...].
#include "library/AnalysisStore.h"
#include "library/api.h"
#include "library/dsp/ChannelAnalysis.h"
#include "library/files/ResponseFile.h"
#include "support/ResponseGenerator.h"
#include "support/private_dirs.h"

#include "band_parameters.h"
#include "fresh_process.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

using namespace vemra;

namespace {

constexpr std::int64_t kFrames = 4194304;
constexpr int kChannels = 2;
constexpr double kFloatBytes = double(kFrames) * kChannels * sizeof(float);

// The file, written once per process of the benchmark.
const std::string& longestFile()
{
    static const std::string path = [] {
        test::usePrivateDirs();
        const std::string p = test::privateRoot() + "/longest.wav";
        const double fs = 96000, length_s = double(kFrames) / fs;
        std::vector<float> left = testsupport::exponentialDecay(1.8, fs, length_s, 16000, 65, 480, 11);
        std::vector<float> right = testsupport::exponentialDecay(2.1, fs, length_s, 12000, 65, 480, 12);
        std::vector<std::int16_t> frames(static_cast<std::size_t>(kFrames) * kChannels);
        const std::vector<std::int16_t> l = testsupport::toPcm16(left), r = testsupport::toPcm16(right);
        for (std::size_t i = 0; i < static_cast<std::size_t>(kFrames); ++i) {
            frames[2 * i] = l[i];
            frames[2 * i + 1] = r[i];
        }
        WaveHeader h;
        files::setPcm16Format(h, kChannels, 96000, kFrames);
        if (files::writeResponseWav(p, h, frames) != Ok)
            std::fprintf(stderr, "cannot write %s\n", p.c_str());
        return p;
    }();
    return path;
}

WaveHeader headerNaming(const std::string& path)
{
    WaveHeader h;
    writeFileNameField(h, path);
    return h;
}

double processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Resident memory of this process now ("VmRSS") or at its peak ("VmHWM"), in bytes.
double residentBytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return 1024.0 * std::stod(line.substr(key.size()));
    return 0;
}

void header(benchmark::State& state)
{
    WaveHeader h = headerNaming(longestFile());
    for (auto _ : state) {
        if (GetWaveHeader(h) != Ok) {
            state.SkipWithError("the header cannot be read");
            return;
        }
        benchmark::DoNotOptimize(h);
    }
}

void open(benchmark::State& state)
{
    WaveHeader h = headerNaming(longestFile());
    for (auto _ : state) {
        if (OpenWave(h) != Ok) {
            state.SkipWithError("the file cannot be opened");
            return;
        }
        CloseWave(h);
    }
}

// In the child: processor time, wall time and resident memory of one read and analysis.
int readOctaveChild(const std::string& path)
{
    dsp::ChannelAnalysis::setThreads(1);
    const double before = residentBytes("VmRSS");
    const double c0 = processSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    WaveHeader h = headerNaming(path);
    if (GetWaveHeader(h) != Ok || OpenWave(h) != Ok)
        return 1;
    bench::analyseBands(h, bench::BandSet::Octave);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = processSeconds() - c0;
    std::printf("%.9f %.9f %.0f\n", cpu, wall, residentBytes("VmHWM") - before);
    return 0;
}

// In the child: five cycles; resident memory after the first and the fifth, times of the analyses.
int cyclesChild(const std::string& path, int threads)
{
    dsp::ChannelAnalysis::setThreads(threads);
    const double before = residentBytes("VmRSS");
    double after[5] = {}, seconds[5] = {};
    for (int cycle = 0; cycle < 5; ++cycle) {
        WaveHeader h = headerNaming(path);
        if (OpenWave(h) != Ok)
            return 1;
        const double c0 = processSeconds();
        bench::analyseBands(h, bench::BandSet::Octave);
        seconds[cycle] = processSeconds() - c0;
        CloseWave(h);
        after[cycle] = residentBytes("VmRSS");
    }
    const double repeated = (seconds[1] + seconds[2] + seconds[3] + seconds[4]) / 4;
    std::printf("%.0f %.0f %.0f %.9f %.9f\n", before, after[0], after[4], seconds[0], repeated);
    return 0;
}

void readOctave(benchmark::State& state)
{
    double peak = 0, wall = 0;
    for (auto _ : state) {
        const std::vector<double> v = bench::runFresh("read " + longestFile());
        if (v.size() != 3) {
            state.SkipWithError("the fresh process gave no measurement");
            return;
        }
        state.SetIterationTime(v[0]);
        wall += v[1];
        peak = std::max(peak, v[2]);
    }
    state.counters["wall_ms"] = benchmark::Counter(wall * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["rss_MB"] = peak / 1e6;
    state.counters["rss_x_floats"] = peak / kFloatBytes;
}

void cycles(benchmark::State& state, int threads)
{
    std::vector<double> v;
    for (auto _ : state) {
        v = bench::runFresh("cycles" + std::to_string(threads) + " " + longestFile());
        if (v.size() != 5) {
            state.SkipWithError("the fresh process gave no measurement");
            return;
        }
        state.SetIterationTime(v[3] + 4 * v[4]);
    }
    state.counters["rss_1_MB"] = (v[1] - v[0]) / 1e6;
    state.counters["rss_5_MB"] = (v[2] - v[0]) / 1e6;
    state.counters["rss_5_over_1"] = v[2] / v[1];
    state.counters["first_over_repeat"] = v[3] / v[4];
}

} // namespace

BENCHMARK(header)->Name("LongestFile/header")->Unit(benchmark::kMillisecond);
BENCHMARK(open)->Name("LongestFile/open")->Unit(benchmark::kMillisecond);
BENCHMARK(readOctave)->Name("LongestFile/read_octave")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(cycles, one, 1)->Name("LongestFile/cycles")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(cycles, threads, 0)->Name("LongestFile/cycles/threads")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    if (const char* child = bench::freshArgument(argc, argv)) {
        const std::string arg = child;
        const auto space = arg.find(' ');
        const std::string what = arg.substr(0, space), path = arg.substr(space + 1);
        if (what == "read")
            return readOctaveChild(path);
        if (what.rfind("cycles", 0) == 0)
            return cyclesChild(path, std::stoi(what.substr(6)));
        return 2;
    }
    return bench::RunRegisteredBenchmarks(argc, argv);
}
