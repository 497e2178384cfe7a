// The printed and copied figure of a view: title, one plot per channel with its curve, the scales' labels and
// the axes' names; on a PDF page, on the clipboard as an image and as SVG.
#include "library/WaveStore.h"
#include "library/api_view.h"
#include "library/draw/DeviceContext.h"
#include "library/draw/GraphFigure.h"
#include "library/draw/PrintGraph.h"
#include "support/gui_figure.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

using namespace vemra;
using vemra::test::curvePixels;
using vemra::test::pdfText;

namespace {

// An open two-channel response named "room.wav": a decaying noise-like tone.
class Figure : public testing::Test {
protected:
    void SetUp() override
    {
        h.format.SampleFrequency = 48000;
        writeFileNameField(h, "/data/room.wav");
        std::vector<std::int16_t> x(9600, 0);
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = std::int16_t(12000.0 * std::exp(-double(i) / 800.0) * ((i * 7919) % 13 < 6 ? 1 : -1));
        ASSERT_TRUE(WaveStore::adopt(h, {x, x}));
    }
    void TearDown() override { WaveStore::release(h); }

    DrawRequest process(std::int16_t viewType)
    {
        view.ViewType = viewType;
        EXPECT_EQ(ProcessWave(h, view), 0);
        DrawRequest r;
        r.height = 200;
        r.width = 800;
        r.firstPoint = 0;
        r.pointCount = h.ProcCount;
        return r;
    }

    WaveHeader h;
    ViewBlock view;
};

} // namespace

TEST_F(Figure, APrintedPageShowsTitleAxesAndBothChannels)
{
    struct Row {
        std::int16_t view;
        std::int16_t filter;
        QStringList texts;
    };
    const Row rows[] = {
        {0, -1, {"room.wav", "Pressure", "Time [s]", "Pressure [%]", "-50", "50", "0.10", "Channel 1", "Channel 2"}},
        {2, 6, {"Decay curve", "1000 Hz octave", "Level [dB]", "-20"}},
        {4, -1, {"Full Octave spectrum", "Band [Hz]", "Band level [dB]", "125", "1000", "8000"}},
        {7, -1, {"Log Spectrum", "Frequency [Hz]", "1000"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.view);
        view.FilterType = row.filter;
        DrawRequest r = process(row.view);
        const QString pdf = QString::fromStdString(test::privateRoot()) + QStringLiteral("/page%1.pdf").arg(row.view);
        {
            QPdfWriter writer(pdf);
            writer.setResolution(600);
            QPainter painter(&writer);
            const DeviceContext dc(painter);
            r.deviceContext = dc.handle();
            ASSERT_EQ(PrintGraph(h, r, view), 0);
        }
        const QString text = pdfText(pdf);
        for (const QString& t : row.texts)
            EXPECT_TRUE(text.contains(t)) << t.toStdString() << " not in\n" << text.toStdString();
    }
}

TEST_F(Figure, TheFigureDrawsTheCurveInsideEachPlot)
{
    const DrawRequest r = process(0);
    QImage img(1200, 900, QImage::Format_RGB32);
    {
        QPainter p(&img);
        ASSERT_EQ(PaintFigure(p, QRectF(img.rect()), h, r, view), 0);
    }
    // Two plots, one above the other: curve pixels in the upper and in the lower half, none in the title.
    EXPECT_GT(curvePixels(img, QRect(100, 80, 1000, 300)), 500);
    EXPECT_GT(curvePixels(img, QRect(100, 500, 1000, 300)), 500);
    EXPECT_EQ(curvePixels(img, QRect(0, 0, 1200, 30)), 0);
    // A zoomed request draws the first tenth only: the decay's loud start fills the plot.
    DrawRequest zoomed = r;
    zoomed.pointCount = r.pointCount / 10;
    QImage part(1200, 900, QImage::Format_RGB32);
    {
        QPainter p(&part);
        ASSERT_EQ(PaintFigure(p, QRectF(part.rect()), h, zoomed, view), 0);
    }
    EXPECT_GT(curvePixels(part, QRect(100, 80, 1000, 300)), curvePixels(img, QRect(100, 80, 1000, 300)));
}

TEST_F(Figure, ACopyIsAnImageAndAnSvgOfTheFigure)
{
    const DrawRequest r = process(3);
    QGuiApplication::clipboard()->clear();
    ASSERT_EQ(ClipSaveGraph(h, r, view), 0);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data->hasImage());
    const QImage img = qvariant_cast<QImage>(data->imageData());
    EXPECT_EQ(img.size(), QSize(kClipWidth, kClipHeight));
    EXPECT_GT(curvePixels(img, img.rect()), 1000);
    const QByteArray svg = data->data(QStringLiteral("image/svg+xml"));
    EXPECT_TRUE(svg.contains("<svg"));
    EXPECT_TRUE(svg.contains("room.wav"));
}

TEST_F(Figure, NothingIsDrawnWithoutAProcessedViewOrAPainter)
{
    DrawRequest r = process(0);
    r.deviceContext = 12345; // no such painter
    EXPECT_EQ(PrintGraph(h, r, view), msg::NoWaveData);
    ViewBlock other = view;
    other.ViewType = 5; // not the processed view
    QImage img(400, 300, QImage::Format_RGB32);
    QPainter p(&img);
    EXPECT_EQ(PaintFigure(p, QRectF(img.rect()), h, r, other), msg::NoWaveData);
    EXPECT_EQ(ClipSaveGraph(h, r, other), msg::NoWaveData);
}

namespace {

// The middles of the runs of neighbouring rows (or columns) of `area` in which more than `share` of the pixels
// are dark.
std::vector<double> darkLines(const QImage& img, const QRect& area, bool rows, double share)
{
    std::vector<double> middles;
    int runStart = -1;
    const int outer = rows ? area.height() : area.width(), inner = rows ? area.width() : area.height();
    for (int a = 0; a <= outer; ++a) {
        int dark = 0;
        for (int b = 0; a < outer && b < inner; ++b) {
            const QRgb c = rows ? img.pixel(area.left() + b, area.top() + a) : img.pixel(area.left() + a, area.top() + b);
            dark += qGray(c) < 100;
        }
        const bool line = a < outer && dark > share * inner;
        if (line && runStart < 0)
            runStart = a;
        if (!line && runStart >= 0) {
            middles.push_back((rows ? area.top() : area.left()) + (runStart + a - 1) / 2.0);
            runStart = -1;
        }
    }
    return middles;
}

} // namespace

// The level scale of the energy view stands where the dB range puts it: in each plot 0 dB on the top of the
// frame, -range on its bottom, and every tick between (one each 2 dB) on the row of its level; none beyond.
TEST_F(Figure, TheEnergyViewsTicksRunFromTheTopOfEachPlotToItsBottomOverTheDbRange)
{
    for (const float range : {20.0f, 45.0f, 60.0f}) {
        SCOPED_TRACE(range);
        view.dBRange = range;
        const DrawRequest r = process(2);
        QImage img(1200, 900, QImage::Format_RGB32);
        {
            QPainter p(&img);
            ASSERT_EQ(PaintFigure(p, QRectF(img.rect()), h, r, view), 0);
        }
        // The frames of the two plots: their tops and bottoms, and the left side.
        const std::vector<double> frameRows = darkLines(img, img.rect(), true, 0.6);
        ASSERT_EQ(frameRows.size(), 4u);
        const QRect firstPlot(0, int(frameRows[0]) + 3, img.width(), int(frameRows[1] - frameRows[0]) - 6);
        const std::vector<double> frameColumns = darkLines(img, firstPlot, false, 0.9);
        ASSERT_FALSE(frameColumns.empty());
        // Major and minor ticks both reach from the left of the frame to it.
        const int tickColumn = int(frameColumns.front()) - 3;
        const std::vector<double> ticks = darkLines(img, QRect(tickColumn, 0, 1, img.height()), true, 0.5);
        std::vector<double> expected;
        for (std::size_t plot = 0; plot < 2; ++plot) {
            const double top = frameRows[2 * plot], bottom = frameRows[2 * plot + 1];
            for (int v = 0; v >= -range; v -= 2)
                expected.push_back(top + (bottom - top) * -v / range);
        }
        ASSERT_EQ(ticks.size(), expected.size());
        for (std::size_t i = 0; i < ticks.size(); ++i)
            EXPECT_NEAR(ticks[i], expected[i], 1.5) << "tick " << i;
        // The extremes of the first plot, and its lowest tick: on the bottom of the frame when the range is even.
        EXPECT_NEAR(ticks.front(), frameRows[0], 1.5);
        EXPECT_NEAR(ticks[expected.size() / 2 - 1],
                    frameRows[0] + (frameRows[1] - frameRows[0]) * std::floor(range / 2) * 2 / range, 1.5);
    }
}
