// Redrawing a document window's graphs: a 10 s two-channel response at 48 kHz, as the window does it when the
// view type changes (process, then draw both channels) and when it is resized (draw both channels again).
#include "library/WaveStore.h"
#include "library/api_view.h"
#include "library/draw/DeviceContext.h"
#include "library/draw/MonoView.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <random>

using namespace vemra;

namespace {

WaveHeader& response()
{
    static WaveHeader header = [] {
        WaveHeader h;
        h.format.SampleFrequency = 48000;
        const std::size_t n = 480000;
        std::mt19937 rng(1);
        std::normal_distribution<double> noise(0.0, 1.0);
        WaveStore::Channels ch(2, std::vector<std::int16_t>(n));
        for (auto& c : ch)
            for (std::size_t i = 0; i < n; ++i)
                c[i] = std::int16_t(std::clamp(8000.0 * std::exp(-double(i) / 48000.0 * 6.9) * noise(rng) + 3.0 * noise(rng),
                                               -32768.0, 32767.0));
        WaveStore::adopt(h, std::move(ch));
        return h;
    }();
    return header;
}

void drawBoth(WaveHeader& h, std::int16_t view, int width, int height)
{
    for (std::int16_t ch = 0; ch < 2; ++ch) {
        QImage img(width, height, QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        p.setPen(QColor(0, 255, 0));
        const DeviceContext dc(p);
        DrawRequest r;
        r.height = height;
        r.width = width;
        r.firstPoint = 0;
        r.pointCount = h.ProcCount;
        r.deviceContext = dc.handle();
        r.channel = ch;
        MonoView(h, r, view);
    }
}

// Switching to a view: the window's view switch reprocesses and redraws both graphs.
void BM_SwitchView(benchmark::State& state)
{
    WaveHeader& h = response();
    ViewBlock v;
    v.ViewType = std::int16_t(state.range(0));
    v.FilterType = state.range(1) ? 30 : -1; // the 1 kHz third-octave filter in the time views
    v.Smooth = True16;
    v.bestRevTime[0] = v.bestRevTime[1] = 1.0f;
    for (auto _ : state) {
        ProcessWave(h, v);
        drawBoth(h, v.ViewType, 1500, 400);
    }
}
BENCHMARK(BM_SwitchView)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// Resizing: the processed view stays, both graphs are drawn at the new size (up to a 2,600 pixel wide window).
void BM_Resize(benchmark::State& state)
{
    WaveHeader& h = response();
    ViewBlock v;
    v.ViewType = std::int16_t(state.range(0));
    ProcessWave(h, v);
    int width = 800;
    for (auto _ : state) {
        drawBoth(h, v.ViewType, width, 500);
        width = width >= 2600 ? 800 : width + 300;
    }
}
BENCHMARK(BM_Resize)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
