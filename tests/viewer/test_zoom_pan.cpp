// Zoom, pan and Auto Scale of the document window: the visible range at each zoom level, zooming to a selection
// and around a clicked point, the pan bar's limits and acceleration, and the commands' enabling.
#include "viewer_fixture.h"

#include <QAction>

#include <cmath>

using namespace viewertest;

namespace {

class ZoomPan : public ViewerWindow {};

struct Range {
    int level;
    int first;
    int count;
};

void expectRange(const frmView& w, const Range& r)
{
    EXPECT_EQ(w.zoomLevel(), r.level);
    EXPECT_EQ(w.firstPoint(), r.first);
    EXPECT_EQ(w.pointCount(), r.count);
}

bool zoomInEnabled(const frmView& w)
{
    return w.menuItem("mnViewZoomIn")->isEnabled() && w.button("ZoomIn")->isEnabled();
}

bool zoomOutEnabled(const frmView& w)
{
    const bool all = w.menuItem("mnViewZoomOut")->isEnabled() && w.button("ZoomOut")->isEnabled()
                     && w.menuItem("mnViewZoomFull")->isEnabled() && w.button("ZoomFull")->isEnabled();
    const bool any = w.menuItem("mnViewZoomOut")->isEnabled() || w.button("ZoomOut")->isEnabled()
                     || w.menuItem("mnViewZoomFull")->isEnabled() || w.button("ZoomFull")->isEnabled();
    EXPECT_EQ(all, any) << "menu items and buttons disagree";
    return all;
}

} // namespace

TEST_F(ZoomPan, EachLevelHalvesTheRangeAndZoomOutCentresTheOldRange)
{
    frmView* w = open(writeRamp("zoom.wav", 65536, 48000));
    ASSERT_EQ(w->panStep(), 4);
    ASSERT_EQ(w->maxZoomLevel(), 13);
    expectRange(*w, {0, 0, 65536});
    EXPECT_FALSE(zoomOutEnabled(*w));

    w->button("ZoomIn")->trigger();
    expectRange(*w, {1, 0, 32768});
    EXPECT_TRUE(zoomOutEnabled(*w));
    w->menuItem("mnViewZoomIn")->trigger();
    w->mnViewZoomIn_Click();
    expectRange(*w, {3, 0, 8192});
    EXPECT_EQ(w->scrPan()->pageStep(), 2048);
    EXPECT_EQ(w->scrPan()->maximum(), 16384 - 2048);

    w->scrPan()->setValue(3000);
    expectRange(*w, {3, 12000, 8192});
    // The old range 12000 .. 20191 lies in the middle of the new one.
    w->button("ZoomOut")->trigger();
    expectRange(*w, {2, 12000 - 4096, 16384});
    w->mnViewZoomOut_Click();
    expectRange(*w, {1, 0, 32768}); // the start of the response stops it
    w->menuItem("mnViewZoomOut")->trigger();
    expectRange(*w, {0, 0, 65536});
    EXPECT_EQ(w->scrPan()->value(), 0);
    EXPECT_EQ(w->scrPan()->maximum(), 0);
    EXPECT_FALSE(zoomOutEnabled(*w));
    EXPECT_TRUE(zoomInEnabled(*w));
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(ZoomPan, PanningStopsAtBothEndsOfTheResponse)
{
    struct Case {
        const char* name;
        int frames;
        int level;
        int panStep;
    };
    for (const Case& c : {Case{"65536 samples, level 3", 65536, 3, 4}, Case{"100000 samples, level 1", 100000, 1, 6},
                          Case{"100000 samples, level 13", 100000, 13, 6}, Case{"3000 samples, level 2", 3000, 2, 1}}) {
        SCOPED_TRACE(c.name);
        frmView* w = open(writeRamp(QStringLiteral("pan%1.wav").arg(c.frames), c.frames, 48000));
        ASSERT_EQ(w->panStep(), c.panStep);
        for (int i = 0; i < c.level; ++i)
            w->mnViewZoomIn_Click();
        ASSERT_EQ(w->zoomLevel(), std::min<int>(c.level, w->maxZoomLevel()));
        const int count = int(std::nearbyint(double(c.frames) / (1 << w->zoomLevel())));
        ASSERT_EQ(w->pointCount(), count);
        // The keys pressed on the graph move the pan bar.
        QTest::keyClick(w->imgGraph(0), Qt::Key_End);
        EXPECT_EQ(w->scrPan()->value(), w->scrPan()->maximum());
        EXPECT_EQ(w->firstPoint() + w->pointCount(), c.frames) << "the last sample is the last visible point";
        QTest::keyClick(w->imgGraph(0), Qt::Key_PageUp);
        EXPECT_EQ(w->scrPan()->value(), w->scrPan()->maximum() - w->scrPan()->pageStep());
        QTest::keyClick(w->imgGraph(0), Qt::Key_Home);
        EXPECT_EQ(w->firstPoint(), 0);
        QTest::keyClick(w->imgGraph(0), Qt::Key_Left);
        EXPECT_EQ(w->firstPoint(), 0);
        QTest::keyClick(w->imgGraph(0), Qt::Key_Right);
        EXPECT_EQ(w->firstPoint(), w->scrPan()->singleStep() * c.panStep);
        // One arrow step is about one pixel of the graph, and at least one unit of the bar.
        const double perPixel = double(count) / w->graphWidth();
        EXPECT_EQ(w->scrPan()->singleStep(), std::max<long>(1, std::lround(std::max(1.0, perPixel) / c.panStep)));
        EXPECT_TRUE(w->imgGraph(0)->hasFocus() || !QApplication::activeWindow());
        w->WaveFile()->Die();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(ZoomPan, ASelectionZoomsToItsOwnLevelAndStart)
{
    frmView* w = open(writeRamp("sel.wav", 65536, 48000));
    // About one hundredth of the response: log2(100) = 6.64 makes level 7 for anything from 581 to 729 points.
    const double perPixel = 65536.0 / w->graphWidth();
    const int from = w->graphWidth() / 3;
    drag(*w, from, from + int(std::lround(655 / perPixel)));
    ASSERT_TRUE(w->selectionActive());
    ASSERT_GT(w->selLength(), 580);
    ASSERT_LT(w->selLength(), 730);
    const int start = w->selStart();
    w->mnViewZoomIn_Click();
    EXPECT_FALSE(w->selectionActive()) << "zooming to a selection clears it";
    expectRange(*w, {7, int(std::nearbyint(start / 4.0)) * 4, 512});
    EXPECT_TRUE(zoomOutEnabled(*w));
    EXPECT_TRUE(zoomInEnabled(*w));

    // A selection narrower than the deepest zoom zooms to the deepest level, which ends zooming in.
    w->mnViewZoomIn_Click();
    w->mnViewZoomIn_Click();
    drag(*w, 100, 103);
    ASSERT_GT(w->selLength(), 0);
    w->mnViewZoomIn_Click();
    EXPECT_EQ(w->zoomLevel(), 13);
    EXPECT_EQ(w->pointCount(), 8);
    EXPECT_FALSE(zoomInEnabled(*w));
    w->mnViewZoomIn_Click(); // from the menu regardless: stays at the deepest level
    EXPECT_EQ(w->zoomLevel(), 13);

    // A leftward drag selects the same points as the rightward one.
    w->mnViewZoomFull_Click();
    drag(*w, from + int(std::lround(655 / perPixel)), from);
    EXPECT_EQ(w->selStart(), start);
    EXPECT_GT(w->selLength(), 580);
    w->mnViewZoomIn_Click();
    expectRange(*w, {7, int(std::nearbyint(start / 4.0)) * 4, 512});
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(ZoomPan, AClickThenZoomInCentresTheClickedPoint)
{
    frmView* w = open(writeRamp("click.wav", 65536, 48000));
    struct Case {
        const char* name;
        double at; // fraction of the graph width
        bool centred;
    };
    for (const Case& c : {Case{"middle", 0.4, true}, Case{"near the start", 0.02, false},
                          Case{"near the end", 0.99, false}}) {
        SCOPED_TRACE(c.name);
        w->mnViewZoomFull_Click();
        const int x = int(c.at * w->graphWidth());
        press(*w, QPoint(x, 10));
        release(*w, QPoint(x, 10));
        ASSERT_TRUE(w->selectionActive());
        ASSERT_EQ(w->selLength(), 0);
        EXPECT_TRUE(zoomInEnabled(*w));
        const int clicked = w->selStart();
        w->mnViewZoomIn_Click();
        EXPECT_EQ(w->zoomLevel(), 1);
        EXPECT_TRUE(w->selectionActive()) << "a zero-length selection stays";
        if (c.centred) {
            EXPECT_NEAR(w->firstPoint() + w->pointCount() / 2, clicked, w->panStep());
        } else {
            EXPECT_TRUE(w->firstPoint() == 0 || w->firstPoint() + w->pointCount() == 65536);
            EXPECT_GE(clicked, w->firstPoint());
            EXPECT_LT(clicked, w->firstPoint() + w->pointCount());
        }
    }
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(ZoomPan, HoldingAnArrowSpeedsUpAfterTwelveQuickRepeats)
{
    frmView* w = open(writeRamp("fast.wav", 65536, 48000));
    double now = 1000;
    w->setPanClock([&now] { return now; });
    w->mnViewZoomIn_Click();
    w->mnViewZoomIn_Click();
    now += 1;
    const int normal = w->scrPan()->singleStep();
    ASSERT_GT(normal, 0);
    std::vector<int> moves;
    auto arrow = [&] {
        const int before = w->scrPan()->value();
        QTest::keyClick(w->imgGraph(0), Qt::Key_Right);
        moves.push_back(w->scrPan()->value() - before);
    };
    arrow(); // the press itself, after a pause
    for (int repeat = 1; repeat <= 14; ++repeat) {
        now += 0.05;
        arrow();
    }
    // The press and quick repeats 1 to 12 move by the normal step; repeat 13 on move by eight times it.
    for (std::size_t i = 0; i < moves.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "change " << i);
        EXPECT_EQ(moves[i], i <= 12 ? normal : 8 * normal);
    }
    EXPECT_TRUE(w->fastPan());
    // A pause of a quarter second ends it: the change after the pause switches the step back to normal.
    now += 0.25;
    moves.clear();
    arrow();
    EXPECT_FALSE(w->fastPan());
    now += 0.05;
    arrow();
    EXPECT_EQ(moves[1], normal);
}

TEST_F(ZoomPan, BandSpectraIgnoreClicksAndCannotZoom)
{
    frmView* w = open(writeRamp("bands.wav", 48000, 48000));
    w->mnViewZoomIn_Click();
    w->mnViewItem_Click(4);
    EXPECT_EQ(w->zoomLevel(), 0);
    EXPECT_FALSE(zoomInEnabled(*w));
    EXPECT_FALSE(zoomOutEnabled(*w));
    w->mnViewZoomFull_Click();
    EXPECT_FALSE(zoomInEnabled(*w));
    const QImage before = w->imgGraph(0)->image().copy();
    press(*w, QPoint(50, 50));
    release(*w, QPoint(50, 50));
    press(*w, QPoint(50, 50), Qt::RightButton);
    EXPECT_FALSE(w->selectionActive());
    EXPECT_FALSE(zoomInEnabled(*w)) << "a click in a band spectrum enables nothing";
    EXPECT_EQ(w->imgGraph(0)->image(), before);
}

TEST_F(ZoomPan, AutoScaleTogglesTheDocumentMenuAndButton)
{
    // A quarter of full scale: without auto scale the curve keeps to the middle half of the pressure graph.
    frmView* w = open(writeResponse("auto.wav", 4000, 48000, [](int i) { return -8000.0 + 16000.0 * i / 4000; }));
    clsWave* wave = w->WaveFile();
    auto topRow = [&] {
        const QImage& img = w->imgGraph(0)->image();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == qRgb(0, 255, 0))
                    return y;
        return -1;
    };
    ASSERT_FALSE(wave->AutoScale());
    const int h = w->graphHeight();
    EXPECT_NEAR(topRow(), h * 3 / 8, 3);
    w->menuItem("mnViewAuto")->trigger();
    EXPECT_TRUE(wave->AutoScale());
    EXPECT_TRUE(w->menuItem("mnViewAuto")->isChecked());
    EXPECT_TRUE(w->button("Autoscale")->isChecked());
    EXPECT_LE(topRow(), 2);
    w->button("Autoscale")->trigger();
    EXPECT_FALSE(wave->AutoScale());
    EXPECT_FALSE(w->menuItem("mnViewAuto")->isChecked());
    EXPECT_FALSE(w->button("Autoscale")->isChecked());
    EXPECT_NEAR(topRow(), h * 3 / 8, 3);
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(ZoomPan, TheShortestResponseZoomsToEightSamples)
{
    frmView* w = open(writeRamp("short.wav", 256, 48000));
    ASSERT_TRUE(w->dataValid());
    EXPECT_EQ(w->maxZoomLevel(), 5);
    for (int i = 0; i < 7; ++i)
        w->mnViewZoomIn_Click();
    expectRange(*w, {5, 0, 8});
    EXPECT_FALSE(zoomInEnabled(*w));
    QTest::keyClick(w->imgGraph(0), Qt::Key_End);
    expectRange(*w, {5, 248, 8});
    // A drag over the whole graph selects the eight points; zooming to it keeps the deepest level.
    drag(*w, 1, w->graphWidth() - 1);
    EXPECT_EQ(w->selStart(), 248);
    EXPECT_EQ(w->selLength(), 7);
    w->mnViewZoomIn_Click();
    expectRange(*w, {5, 248, 8});
    w->mnViewZoomFull_Click();
    expectRange(*w, {0, 0, 256});
    EXPECT_TRUE(zoomInEnabled(*w));
    EXPECT_TRUE(scripted().messages.empty());
}
