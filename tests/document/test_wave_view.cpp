// The document's view members: processing on demand, painting, marking and the logarithmic point map.
#include "document/clsWave.h"
#include "library/draw/DeviceContext.h"
#include "support/ResponseFile.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>

using namespace vemra;

namespace {

// A decaying two-channel response, channel 2 at minus half the level.
QString savedDecay(const std::string& name, int frames)
{
    return QString::fromStdString(test::ResponseFile(name)
                                      .channels(2)
                                      .frames(frames)
                                      .sample([](std::int64_t i, int c) {
                                          const double a = 20000.0 * std::exp(-double(i) / 2000.0) *
                                                           ((i * 7919) % 11 < 5 ? 1 : -1);
                                          return std::trunc(c ? -a / 2 : a);
                                      })
                                      .write());
}

int litPixels(const QImage& img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) != qRgb(0, 0, 0);
    return n;
}

} // namespace

TEST(WaveView, PaintsEveryViewAndProcessesOnlyWhenDirty)
{
    clsWave wave;
    wave.setFileName(savedDecay("decay.wav", 9600));
    ASSERT_TRUE(wave.Valid());
    for (std::int16_t view = 0; view <= 7; ++view) {
        SCOPED_TRACE(view);
        wave.setViewType(view);
        EXPECT_TRUE(wave.viewDirty()); // loaded, or a new view type
        QImage img(800, 200, QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        p.setPen(Qt::green);
        const DeviceContext dc(p);
        wave.PaintWave(1, 200, 800, 0, view < 4 ? 9600 : 1 << 30, dc.handle());
        EXPECT_FALSE(wave.viewDirty());
        p.end();
        EXPECT_GT(litPixels(img), 0);
        if (view < 4) {
            EXPECT_EQ(wave.ProcCount(), 9600);
        }
    }
    // Log view: the point map runs from the first bin to the last.
    EXPECT_EQ(wave.GetLogSample(0), 0);
    EXPECT_EQ(wave.GetLogSample(wave.ProcCount()), wave.ProcCount() - 1);

    wave.setSmooth(wave.Smooth());
    EXPECT_FALSE(wave.viewDirty());
    wave.setSmooth(!wave.Smooth());
    EXPECT_TRUE(wave.viewDirty());
}

TEST(WaveView, InvertTwiceRestoresAndAnEmptyDocumentDrawsNothing)
{
    clsWave wave;
    wave.setFileName(savedDecay("mark.wav", 4800));
    QImage img(400, 100, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        p.setPen(Qt::green);
        const DeviceContext dc(p);
        wave.PaintWave(0, 100, 400, 0, 4800, dc.handle());
    }
    const QImage drawn = img.copy();
    {
        QPainter p(&img);
        const DeviceContext dc(p);
        wave.Invert(100, 400, 0, 4800, dc.handle(), 1200, 600);
        wave.Invert(100, 400, 0, 4800, dc.handle(), 1200, 600);
    }
    EXPECT_EQ(img, drawn);

    clsWave empty;
    QImage blank(200, 50, QImage::Format_RGB32);
    blank.fill(Qt::black);
    QPainter p(&blank);
    p.setPen(Qt::green);
    const DeviceContext dc(p);
    empty.PaintWave(0, 50, 200, 0, 100, dc.handle());
    empty.Invert(50, 200, 0, 100, dc.handle(), 0, 50);
    p.end();
    EXPECT_EQ(litPixels(blank), 0);
}

TEST(WaveView, TheDecayViewIsDrawnForTheBestReverberationTime)
{
    // A white exponential decay of T = 1 s after 10 ms of silence.
    std::vector<std::int16_t> s(96000, 0);
    unsigned state = 12345;
    for (std::size_t i = 480; i < s.size(); ++i) {
        state = state * 1103515245u + 12345u;
        const double sign = (state >> 16) & 1 ? 1.0 : -1.0;
        s[i] = std::int16_t(sign * 20000.0 * std::exp(-double(i - 480) / 48000.0 * 6.9078));
    }
    const std::string path = test::ResponseFile("decay1s.wav").samples(s).write();
    clsWave wave;
    wave.setFileName(QString::fromStdString(path));
    ASSERT_TRUE(wave.Valid());
    for (std::int16_t band : {std::int16_t(-1), std::int16_t(-2), std::int16_t(6), std::int16_t(30)}) {
        SCOPED_TRACE(band);
        wave.setFilterType(band);
        EXPECT_NEAR(wave.BestRevTime(0), 1.0, 0.05);
    }
    wave.setViewType(2);
    wave.ReProcess();
    EXPECT_NEAR(wave.viewBlock().bestRevTime[0], 1.0, 0.05);
    EXPECT_NEAR(wave.IRStart(0), 0.01, 0.0005);
}
