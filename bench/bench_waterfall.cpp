// The default waterfall (100 slices, FFT size 2048, Hanning, smoothed) of a 3 s room response at 48 kHz: computing
// every slice, as the window's slice loop does, and drawing the picture into a window-sized plot, in each of the
// four types. Goals: computing under 150 ms, drawing under 50 ms.
#include "library/api_files.h"
#include "library/api_waterfall.h"
#include "library/draw/DeviceContext.h"
#include "library/draw/WaterfallAxes.h"
#include "library/draw/WaterfallDrawing.h"
#include "library/files/ResponseFile.h"
#include "support/ResponseGenerator.h"
#include "support/WaterfallRecords.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace vemra;

namespace {

constexpr std::int32_t kFs = 48000;
constexpr std::int32_t kFrames = 3 * kFs;

// A diffuse decay of 1.2 s after 5 ms of silence, with a noise floor 60 dB down.
std::string responseFile()
{
    static const std::string path = [] {
        testsupport::ResponseShape shape;
        shape.fs_Hz = kFs;
        shape.length_s = 3.0;
        shape.delay = 240;
        shape.energy = testsupport::singleDecay(1.2, 1e8);
        shape.noiseEnergy = 1e2;
        const std::vector<float> x = testsupport::makeResponse(shape);
        std::vector<std::int16_t> samples(static_cast<std::size_t>(kFrames));
        for (std::size_t i = 0; i < samples.size() && i < x.size(); ++i)
            samples[i] = std::int16_t(std::clamp(std::lround(x[i]), -32768L, 32767L));
        WaveHeader h;
        files::setPcm16Format(h, 1, kFs, kFrames);
        std::string name;
        GetTempName(name);
        files::writeResponseWav(name, h, samples);
        return name;
    }();
    return path;
}

WaterfallParams defaults(std::int16_t type)
{
    WaterfallParams p = testsupport::defaultWaterfall(kFrames);
    p.WaterfallType = type;
    return p;
}

void computeAll(WaterfallParams& p)
{
    RebuildWaterfall(p);
    for (std::int16_t i = 0; i < p.Slices; ++i)
        SliceWaterfall(p, i);
}

// Computing every slice of a waterfall, after the rebuild the properties dialog asks for.
void BM_ComputeWaterfall(benchmark::State& state)
{
    WaterfallParams p = defaults(std::int16_t(state.range(0)));
    CreateWaterfall(responseFile(), p);
    for (auto _ : state)
        computeAll(p);
    DestroyWaterfall(p);
}
BENCHMARK(BM_ComputeWaterfall)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Drawing the computed waterfall into a 900 x 600 plot, as the window does after computing.
void BM_DrawWaterfall(benchmark::State& state)
{
    WaterfallParams p = defaults(std::int16_t(state.range(0)));
    CreateWaterfall(responseFile(), p);
    computeAll(p);
    for (auto _ : state) {
        QImage image(900, 600, QImage::Format_RGB32);
        image.fill(waterfallBackground(0));
        QPainter painter(&image);
        painter.setPen(waterfallForeground(0));
        const DeviceContext dc(painter);
        p.hDC = dc.handle();
        p.PlotWidth = 900;
        p.PlotHeight = 600;
        DrawWaterfall(p);
    }
    DestroyWaterfall(p);
}
BENCHMARK(BM_DrawWaterfall)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // the labels need the font database
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    DeleteTempFile(responseFile());
    return 0;
}
