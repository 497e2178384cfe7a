// Painting views into pictures: the geometry's inverse, wide graphs, tiny responses, bars and selection marks.
#include "library/draw/DeviceContext.h"
#include "library/draw/GraphGeometry.h"
#include "library/draw/MonoView.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <vector>

using namespace vemra;

namespace {

const QRgb kCurve = qRgb(0, 255, 0);

QImage blackPicture(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::black);
    return img;
}

GraphGeometry geometry(int w, int h, int first, int count, int view, double range = 60)
{
    GraphGeometry g;
    g.width = w;
    g.height = h;
    g.firstPoint = first;
    g.pointCount = count;
    g.viewType = view;
    g.dBRange = range;
    return g;
}

void paint(QImage& img, const GraphGeometry& g, const std::vector<float>& values)
{
    QPainter p(&img);
    p.setPen(QColor(kCurve));
    PaintView(p, g, values);
}

// Rows of column x that hold the curve colour.
std::vector<int> curveRows(const QImage& img, int x)
{
    std::vector<int> rows;
    for (int y = 0; y < img.height(); ++y)
        if (img.pixel(x, y) == kCurve)
            rows.push_back(y);
    return rows;
}

} // namespace

TEST(GraphGeometry, ReadOutIsTheInverseOfTheDrawing)
{
    struct Row {
        const char* name;
        int width, first, count;
    };
    for (const Row& r : {Row{"fewer points than pixels", 800, 10, 37}, Row{"more points than pixels", 1000, 5000, 480000},
                         Row{"wide window", 2600, 0, 4194304}, Row{"one point", 300, 0, 1}}) {
        SCOPED_TRACE(r.name);
        const GraphGeometry g = geometry(r.width, 400, r.first, r.count, 0);
        for (std::int64_t p = r.first; p < std::int64_t(r.first) + r.count; p += 1 + r.count / 500)
            ASSERT_EQ(g.pointAt(g.xOfPoint(double(p))), p);
        EXPECT_EQ(g.pointAt(0), r.first);
        EXPECT_EQ(g.cellAt(0), 0);
        EXPECT_EQ(g.cellAt(r.width - 1e-6), r.count - 1);
    }
    for (int view : {0, 1, 2, 7}) {
        SCOPED_TRACE(view);
        const GraphGeometry g = geometry(500, 301, 0, 10, view, 65);
        for (double v : {-100.0, -65.0, -12.5, 0.0, 50.0, 100.0})
            EXPECT_NEAR(g.valueAt(g.yOfValue(v)), v, 1e-9);
    }
    // The edges read as the Parts' read-outs say: Pressure +100 % at the top and -100 % at the bottom row,
    // the dB views 0 dB at the top and -dBRange at the bottom.
    EXPECT_DOUBLE_EQ(geometry(10, 300, 0, 10, 0).valueAt(0), 100.0);
    EXPECT_DOUBLE_EQ(geometry(10, 300, 0, 10, 0).valueAt(299), -100.0);
    EXPECT_DOUBLE_EQ(geometry(10, 300, 0, 10, 3, 60).valueAt(300), -60.0);
}

TEST(GraphPainting, WideGraphsDrawToTheRightEdge)
{
    // 480,000 points of a constant +50 % over 3000 pixels: every column, the last one included, shows the curve
    // on the same row.
    const std::vector<float> values(480000, 50.0f);
    QImage img = blackPicture(3000, 200);
    const GraphGeometry g = geometry(3000, 200, 0, 480000, 0);
    paint(img, g, values);
    const int row = int(std::floor(g.yOfValue(50)));
    for (int x : {0, 1, 1500, 2222, 2998, 2999}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(curveRows(img, x), std::vector<int>{row});
    }
    // Zoomed into the middle, far fewer points than pixels: still drawn edge to edge.
    QImage zoomed = blackPicture(2400, 200);
    paint(zoomed, geometry(2400, 200, 240000, 100, 0), values);
    EXPECT_FALSE(curveRows(zoomed, 0).empty());
    EXPECT_FALSE(curveRows(zoomed, 2399).empty());
}

TEST(GraphPainting, ColumnsShowTheRangeOfTheirPoints)
{
    // An alternating +-100 % signal compressed 100:1 fills each column from top row to bottom row.
    std::vector<float> values(100000);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = (i % 2) ? 100.0f : -100.0f;
    QImage img = blackPicture(1000, 101);
    paint(img, geometry(1000, 101, 0, 100000, 0), values);
    EXPECT_EQ(curveRows(img, 500).size(), 101u);
}

TEST(GraphPainting, TinyResponsesAndOversizedWindowsDrawWithoutFaults)
{
    for (int view : {0, 3, 5, 7}) {
        SCOPED_TRACE(view);
        QImage img = blackPicture(640, 200);
        paint(img, geometry(640, 200, 0, 1, view), std::vector<float>{-10.0f}); // one sample
        paint(img, geometry(640, 200, 0, 48000, view), std::vector<float>(300, -10.0f)); // window longer
        paint(img, geometry(640, 200, 500, 10, view), std::vector<float>(300, -10.0f)); // window past the end
        paint(img, geometry(640, 200, 0, 10, view), std::vector<float>{});
    }
    QImage img = blackPicture(640, 200);
    paint(img, geometry(640, 200, 0, 1, 0), std::vector<float>{0.0f});
    EXPECT_FALSE(curveRows(img, 320).empty());
}

TEST(GraphPainting, BandBarsReachFromTheirLevelToTheBottom)
{
    // Ten bands at -15 dB in a 60 dB range on 200 rows: bars start at row 50.
    const std::vector<float> levels(10, -15.0f);
    QImage img = blackPicture(500, 200);
    paint(img, geometry(500, 200, 0, 10, 4, 60), levels);
    for (int band = 0; band < 10; ++band) {
        SCOPED_TRACE(band);
        const int middle = band * 50 + 25;
        EXPECT_EQ(img.pixel(middle, 50), kCurve);
        EXPECT_EQ(img.pixel(middle, 49), qRgb(0, 0, 0));
        EXPECT_NE(img.pixel(middle, 150), qRgb(0, 0, 0));
    }
}

TEST(GraphPainting, InvertingASelectionTwiceRestoresThePicture)
{
    QImage img = blackPicture(400, 100);
    paint(img, geometry(400, 100, 0, 1000, 0), std::vector<float>(1000, 25.0f));
    const QImage before = img.copy();
    QPainter p(&img);
    const DeviceContext dc(p);
    DrawRequest r;
    r.height = 100;
    r.width = 400;
    r.firstPoint = 0;
    r.pointCount = 1000;
    r.deviceContext = dc.handle();
    ASSERT_EQ(InvertGraph(r, 250, 100), 0); // points 250..349: columns 100..139
    p.end();
    EXPECT_EQ(img.pixel(99, 10), before.pixel(99, 10));
    EXPECT_EQ(img.pixel(100, 10), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(139, 10), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(140, 10), before.pixel(140, 10));

    p.begin(&img);
    const DeviceContext dc2(p);
    r.deviceContext = dc2.handle();
    ASSERT_EQ(InvertGraph(r, 350, -100), 0); // the same range dragged leftwards
    p.end();
    EXPECT_EQ(img, before);

    r.deviceContext = 0;
    EXPECT_NE(InvertGraph(r, 0, 10), 0); // no painter behind the handle
}
