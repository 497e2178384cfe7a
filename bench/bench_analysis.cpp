// Every decay and energy parameter of one channel, in every octave band or every third-octave band, through the
// library contract:
//   Hall96k   a 9.8 s hall response at 96 kHz (T = 1.8 s, noise 65 dB below the decay's start);
//   Rumble96k the same hall as a loudspeaker measures it: its sound high-passed at 45 Hz (eighth order) and rumble
//             in the 20 Hz third octave over it, so that the 25 Hz third octave holds no decay, as in most measured
//             rooms (that band then has no decay end and is read to the end of the response);
//   Longest   the longest response the program accepts, 4,194,304 frames at 96 kHz (43.7 s);
//   Short48k  a 3 s response at 48 kHz;
//   Second96k a 1 s response at 96 kHz (T = 0.5 s), where starting threads costs about what they save.
// "warm" repeats the analysis in this process from an empty analysis cache (filter designs and the allocator's
// memory already at hand); "cold" runs each analysis in a fresh process of this program, which is what a user
// waits for when a file is first analysed. Both run the bands on one core unless the name says "cores"; the time
// is then the processor time of the analysis (user and system, page faults included), which a loaded machine does
// not stretch; wall_ms gives the wall time. With "cores" the time is the wall time.
// The counters give the largest heap in use during the analysis (the response's samples included) as a multiple
// of the response's samples as floats (peak_x_floats), and in MB.
//
// Run as any Google Benchmark program: bench_analysis [--benchmark_filter=...]. The cold runs start this program
// again (fresh_process.h).
#include "library/AnalysisStore.h"
#include "library/WaveStore.h"
#include "library/api.h"
#include "library/dsp/BandFilter.h"
#include "library/dsp/ChannelAnalysis.h"
#include "support/ResponseGenerator.h"

#include "band_parameters.h"
#include "fresh_process.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <new>
#include <string>
#include <unistd.h>

using namespace vemra;
using vemra::bench::BandSet;

// Heap accounting of this program: every C++ allocation counts with its usable size.
namespace {
std::atomic<std::int64_t> g_inUse{0}, g_peak{0};

void noteAllocated(void* p)
{
    if (!p)
        return;
    const auto now = g_inUse.fetch_add(static_cast<std::int64_t>(malloc_usable_size(p))) +
                     static_cast<std::int64_t>(malloc_usable_size(p));
    std::int64_t peak = g_peak.load(std::memory_order_relaxed);
    while (now > peak && !g_peak.compare_exchange_weak(peak, now))
        ;
}
} // namespace

void* operator new(std::size_t n)
{
    void* p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    noteAllocated(p);
    return p;
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, std::align_val_t a)
{
    void* p = std::aligned_alloc(static_cast<std::size_t>(a), (n + static_cast<std::size_t>(a) - 1) /
                                                                   static_cast<std::size_t>(a) * static_cast<std::size_t>(a));
    if (!p)
        throw std::bad_alloc();
    noteAllocated(p);
    return p;
}
void* operator new[](std::size_t n, std::align_val_t a) { return operator new(n, a); }
void operator delete(void* p) noexcept
{
    if (p)
        g_inUse.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(p)));
    std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }
void operator delete(void* p, std::align_val_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::align_val_t) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { operator delete(p); }

namespace {

enum class Response { Short48k, Hall96k, Longest, Second96k, Rumble96k };
constexpr int kResponses = 5;

const char* responseName(Response r)
{
    switch (r) {
    case Response::Short48k: return "Short48k";
    case Response::Hall96k: return "Hall96k";
    case Response::Longest: return "Longest";
    case Response::Second96k: return "Second96k";
    case Response::Rumble96k: return "Rumble96k";
    }
    return "";
}

// What a loudspeaker leaves of the hall's lowest sound, and the room's rumble: x through an eighth-order Butterworth
// high-pass at 45 Hz (four second-order sections), plus noise in the 20 Hz third octave.
void addRumble(std::vector<float>& x, double fs)
{
    const double k = std::tan(3.141592653589793 * 45.0 / fs), q = 0.7071067811865476;
    const double norm = 1 / (1 + k / q + k * k);
    const double b0 = norm, b1 = -2 * norm, b2 = norm, a1 = 2 * (k * k - 1) * norm, a2 = (1 - k / q + k * k) * norm;
    for (int section = 0; section < 4; ++section) {
        double z1 = 0, z2 = 0;
        for (float& v : x) {
            const double in = v, y = b0 * in + z1;
            z1 = b1 * in - a1 * y + z2;
            z2 = b2 * in - a2 * y;
            v = static_cast<float>(y);
        }
    }
    testsupport::Random random(5);
    std::vector<float> noise(x.size());
    for (float& v : noise)
        v = static_cast<float>(1000 * random.gaussian());
    const auto rumble = dsp::BandFilter::design(13, fs)->apply(noise, dsp::FilterDirection::Forward);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] += rumble[i];
}

// The response, opened once per process (the document holds its samples before any analysis); the others are
// closed, so that the heap holds this one alone.
WaveHeader& response(Response which)
{
    static WaveHeader headers[kResponses];
    for (int other = 0; other < kResponses; ++other)
        if (other != static_cast<int>(which))
            WaveStore::release(headers[other]);
    WaveHeader& h = headers[static_cast<int>(which)];
    if (!WaveStore::isOpen(h)) {
        double fs = 96000, T = 1.8, length_s = 9.8;
        if (which == Response::Short48k)
            fs = 48000, T = 1.2, length_s = 3.0;
        else if (which == Response::Longest)
            length_s = 4194304 / 96000.0;
        else if (which == Response::Second96k)
            T = 0.5, length_s = 1.0;
        h.format.SampleFrequency = static_cast<std::int32_t>(fs);
        auto x = testsupport::exponentialDecay(T, fs, length_s, 16000, 65, 480, 11);
        if (which == Response::Rumble96k)
            addRumble(x, fs);
        WaveStore::adopt(h, {testsupport::toPcm16(x)});
    }
    return h;
}

struct Measured {
    double seconds = 0; // processor time of the process (user and system), or wall time with several threads
    double wallSeconds = 0;
    double peakBytes = 0;
};

double processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// On one core the processor time is the figure (a loaded machine stretches the wall time, not the work); with
// several threads it is the wall time.
Measured measureOnce(Response which, BandSet set, int threads)
{
    WaveHeader& h = response(which);
    AnalysisStore::clear();
    g_peak.store(g_inUse.load()); // the response's own samples count
    const double c0 = processSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    bench::analyseBands(h, set);
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = processSeconds();
    const double wall = std::chrono::duration<double>(t1 - t0).count();
    return {threads == 1 ? c1 - c0 : wall, wall, static_cast<double>(g_peak.load())};
}

void report(benchmark::State& state, Response which, double peakBytes, double wallSeconds)
{
    state.counters["wall_ms"] = benchmark::Counter(wallSeconds * 1e3, benchmark::Counter::kAvgIterations);
    const double floats = static_cast<double>(WaveStore::frames(response(which))) * sizeof(float);
    state.counters["peak_MB"] = peakBytes / 1e6;
    state.counters["peak_x_floats"] = peakBytes / floats;
}

void warm(benchmark::State& state, Response which, BandSet set, int threads)
{
    dsp::ChannelAnalysis::setThreads(threads);
    double peak = 0, wall = 0;
    for (auto _ : state) {
        const Measured m = measureOnce(which, set, threads);
        state.SetIterationTime(m.seconds);
        peak = std::max(peak, m.peakBytes);
        wall += m.wallSeconds;
    }
    report(state, which, peak, wall);
}

// One analysis in a fresh process of this program: its time and peak heap come back on a pipe.
Measured coldRun(Response which, BandSet set, int threads)
{
    const std::vector<double> v = bench::runFresh(std::to_string(static_cast<int>(which)) + "," +
                                                  std::to_string(static_cast<int>(set)) + "," + std::to_string(threads));
    return v.size() == 3 ? Measured{v[0], v[1], v[2]} : Measured{};
}

void cold(benchmark::State& state, Response which, BandSet set, int threads)
{
    double peak = 0, wall = 0;
    for (auto _ : state) {
        const Measured m = coldRun(which, set, threads);
        if (!(m.seconds > 0)) {
            state.SkipWithError("the fresh process gave no measurement");
            return;
        }
        state.SetIterationTime(m.seconds);
        peak = std::max(peak, m.peakBytes);
        wall += m.wallSeconds;
    }
    report(state, which, peak, wall);
}

int coldChild(const char* childArgs)
{
    int which = 0, set = 0, threads = 1;
    if (std::sscanf(childArgs, "%d,%d,%d", &which, &set, &threads) != 3)
        return 2;
    dsp::ChannelAnalysis::setThreads(threads);
    response(static_cast<Response>(which)); // the document's samples, before the clock starts
    const Measured m = measureOnce(static_cast<Response>(which), static_cast<BandSet>(set), threads);
    std::printf("%.9f %.9f %.0f\n", m.seconds, m.wallSeconds, m.peakBytes);
    return 0;
}

void registerAll()
{
    const int cores = static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
    for (Response r : {Response::Short48k, Response::Hall96k, Response::Longest, Response::Second96k, Response::Rumble96k})
        for (BandSet s : {BandSet::Octave, BandSet::ThirdOctave})
            for (int threads : {1, cores}) {
                if (threads == cores && cores == 1)
                    continue;
                const std::string name = std::string(responseName(r)) +
                                         (s == BandSet::Octave ? "/octave" : "/third_octave") +
                                         (threads == 1 ? "" : "/cores");
                const int iterations = r == Response::Longest ? 3 : 10;
                benchmark::RegisterBenchmark((name + "/cold").c_str(), cold, r, s, threads)
                    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(iterations);
                benchmark::RegisterBenchmark((name + "/warm").c_str(), warm, r, s, threads)
                    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(iterations);
            }
}

} // namespace

int main(int argc, char** argv)
{
    if (const char* child = bench::freshArgument(argc, argv))
        return coldChild(child);
    registerAll();
    return bench::RunRegisteredBenchmarks(argc, argv);
}
