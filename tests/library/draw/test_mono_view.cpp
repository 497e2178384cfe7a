// MonoView draws what ProcessWave made, into the painter behind the request's device context.
#include "library/WaveStore.h"
#include "library/api_view.h"
#include "library/draw/DeviceContext.h"
#include "library/draw/MonoView.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

using namespace vemra;

namespace {

int greenPixels(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == qRgb(0, 255, 0);
    return n;
}

} // namespace

TEST(MonoView, DrawsEveryViewOfAProcessedResponse)
{
    WaveHeader h;
    h.format.SampleFrequency = 48000;
    std::vector<std::int16_t> x(9600, 0);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = std::int16_t(12000.0 * std::exp(-double(i) / 800.0) * ((i * 7919) % 13 < 6 ? 1 : -1));
    ASSERT_TRUE(WaveStore::adopt(h, {x, x}));

    for (std::int16_t view = 0; view <= 7; ++view) {
        SCOPED_TRACE(view);
        ViewBlock v;
        v.ViewType = view;
        ASSERT_EQ(ProcessWave(h, v), 0);
        for (int width : {1, 640, 2600}) {
            QImage img(width, 240, QImage::Format_RGB32);
            img.fill(Qt::black);
            QPainter p(&img);
            p.setPen(QColor(0, 255, 0));
            const DeviceContext dc(p);
            DrawRequest r;
            r.height = 240;
            r.width = width;
            r.firstPoint = 0;
            r.pointCount = h.ProcCount;
            r.deviceContext = dc.handle();
            r.channel = 1;
            EXPECT_EQ(MonoView(h, r, view), 0);
            p.end();
            EXPECT_GT(greenPixels(img), 0);
        }
    }
    // The view asked for is not the one processed: nothing is drawn.
    QImage img(100, 100, QImage::Format_RGB32);
    QPainter p(&img);
    const DeviceContext dc(p);
    DrawRequest r;
    r.height = r.width = 100;
    r.pointCount = 10;
    r.deviceContext = dc.handle();
    EXPECT_EQ(MonoView(h, r, 0), 212);
    WaveStore::release(h);
    r.channel = 0;
    EXPECT_EQ(MonoView(h, r, 7), 212);
}
