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
