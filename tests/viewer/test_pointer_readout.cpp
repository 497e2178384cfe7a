// The pointer on the document window's graphs: position and value read-outs (the inverse of what is drawn),
// the selection dragged, marked, cleared and selected whole, its length in the status bar, and the Edit menu's
// enabling by the selection and the clipboard.
#include "viewer_fixture.h"

#include "core/Globals.h"
#include "core/clsOptions.h"

#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>

#include <cmath>

using namespace viewertest;

namespace {

class PointerReadout : public ViewerWindow {};

// The numbers of a read-out text, in order.
std::vector<double> numbersIn(const QString& text)
{
    std::vector<double> out;
    static const QRegularExpression number(QStringLiteral("-?[0-9]+(\\.[0-9]+)?"));
    for (auto it = number.globalMatch(text); it.hasNext();)
        out.push_back(it.next().captured().toDouble());
    return out;
}

bool litNear(const QImage& img, int x, int y, QRgb colour)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (img.valid(x + dx, y + dy) && img.pixel(x + dx, y + dy) == colour)
                return true;
    return false;
}

// The graph without the rows of the band indicator, which clearing a selection writes again.
QImage belowIndicator(const QImage& img)
{
    return img.copy(0, 30, img.width(), img.height() - 30);
}

// Edit > Window is shown in debug mode only; the selection tests look at it there.
struct DebugModeOn {
    DebugModeOn() { DebugMode = true; }
    ~DebugModeOn() { DebugMode = false; }
};

const char* const kSelectionItems[] = {"mnViewInfo", "mnEditCopy", "mnEditCut", "mnEditDelete", "mnEditSilence"};

void expectEditItems(const frmView& w, bool copyAndFriends, bool rotateAndWindow, bool shapes)
{
    for (const char* name : kSelectionItems)
        EXPECT_EQ(w.menuItem(name)->isEnabled(), copyAndFriends) << name;
    EXPECT_EQ(w.menuItem("mnEditRotate")->isEnabled(), rotateAndWindow);
    EXPECT_EQ(w.menuItem("mnEditWindow")->isEnabled(), rotateAndWindow);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(w.menuItem(QStringLiteral("mnEditWindowItem(%1)").arg(i))->isEnabled(), shapes) << i;
}

} // namespace

TEST_F(PointerReadout, TheReadOutsOfARampAreTheSamplesDrawnUnderThePointer)
{
    struct Case {
        const char* name;
        QSize window;
        int frames;
        int zoomIns;
        int view;
    };
    for (const Case& c : {Case{"pressure, normal window, zoomed twice", QSize(900, 600), 1000, 2, 0},
                          Case{"pressure, wide window, whole response", QSize(2600, 700), 1000, 0, 0},
                          Case{"reflectogram, wide window, zoomed once", QSize(2600, 700), 1000, 1, 1},
                          Case{"pressure, shortest response, deepest zoom", QSize(900, 600), 256, 9, 0}}) {
        SCOPED_TRACE(c.name);
        frmView* w = open(writeRamp("ramp.wav", c.frames, 1000), c.window);
        w->mnViewItem_Click(c.view);
        for (int i = 0; i < c.zoomIns; ++i)
            w->mnViewZoomIn_Click();
        w->scrPan()->setValue(w->scrPan()->maximum() / 2);
        const GraphGeometry g = geometryOf(*w);
        ASSERT_GT(g.width, c.window.width() > 2000 ? 2200 : 0);
        ASSERT_GT(double(g.width) / g.pointCount, 2.0) << "each point has a cell of its own";
        const QImage& img = w->imgGraph(0)->image();
        // The options' speed of sound, at 20 °C when no options are loaded.
        const double vsound = Options ? double(Options->Vsound()) : 20.1 * std::sqrt(293.0);
        for (int offset : {1, g.pointCount / 2, g.pointCount - 2}) {
            const int p = g.firstPoint + offset;
            SCOPED_TRACE(testing::Message() << "point " << p);
            const double sample = std::lround(-32000.0 + 64000.0 * p / c.frames);
            const double percent = (c.view == 1 ? std::abs(sample) : sample) / 32768.0 * 100.0;
            const int x = int(std::floor(g.xOfPoint(p)));
            const int y = int(std::lround(g.yOfValue(percent)));
            ASSERT_TRUE(litNear(img, x, y, qRgb(0, 255, 0))) << "the curve passes there";
            moveTo(*w, QPoint(x, y));
            const std::vector<double> position = numbersIn(panel(*w, 1));
            ASSERT_EQ(position.size(), 3u) << panel(*w, 1).toStdString();
            EXPECT_TRUE(panel(*w, 1).startsWith("Position: ")) << panel(*w, 1).toStdString();
            EXPECT_EQ(position[0], p);
            // The time of the pointer lies within the sample's period, and the distance is that time at the speed
            // of sound.
            EXPECT_GE(position[1], p / 1000.0 - 0.0005);
            EXPECT_LE(position[1], (p + 1) / 1000.0 + 0.0005);
            EXPECT_NEAR(position[2], g.positionAt(x) / 1000.0 * vsound, 0.005);
            ASSERT_TRUE(panel(*w, 2).endsWith("%")) << panel(*w, 2).toStdString();
            // One pixel row is at most 200 / (height - 1) percent, and the text rounds to whole percent.
            EXPECT_NEAR(numbersIn(panel(*w, 2)).at(0), percent, 200.0 / (g.height - 1) + 0.5);
        }
        w->WaveFile()->Die();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(PointerReadout, TheValueReadsTheScaleOfEveryView)
{
    frmView* w = open(writeRamp("values.wav", 48000, 48000));
    struct Case {
        int view;
        double dBRange;
        const char* top;
        const char* middle;
        const char* bottom;
    };
    for (const Case& c : {Case{0, 60, "100%", "0%", "-100%"}, Case{1, 60, "100%", "50%", "0%"},
                          Case{2, 60, "0.0 dB", "-30.0 dB", "-60.0 dB"}, Case{3, 65, "0.0 dB", "-32.5 dB", "-65.0 dB"},
                          Case{4, 60, "0.0 dB", "-30.0 dB", "-60.0 dB"}, Case{5, 60, "0.0 dB", "-30.0 dB", "-60.0 dB"},
                          Case{6, 60, "0.0 dB", "-30.0 dB", "-60.0 dB"}, Case{7, 80, "0.0 dB", "-40.0 dB", "-80.0 dB"}}) {
        SCOPED_TRACE(testing::Message() << "view " << c.view);
        w->WaveFile()->setdBRange(float(c.dBRange));
        w->mnViewItem_Click(c.view);
        const int h = w->graphHeight();
        moveTo(*w, QPoint(40, 0));
        EXPECT_EQ(panel(*w, 2), c.top);
        moveTo(*w, QPoint(40, h / 2));
        EXPECT_EQ(panel(*w, 2), c.middle);
        moveTo(*w, QPoint(40, h), 0);
        EXPECT_EQ(panel(*w, 2), c.bottom);
    }
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(PointerReadout, FrequencyReadOutsOfTheSpectraAndBands)
{
    frmView* w = open(writeRamp("freq.wav", 48000, 48000));
    clsWave* wave = w->WaveFile();
    struct Case {
        int view;
        int cell; // the band cell under the pointer; the count of cells stands for a pointer right of the graph
        const char* hertz;
    };
    for (const Case& c : {Case{4, 1, "63 Hz"}, Case{4, 9, "16000 Hz"}, Case{4, 10, "16000 Hz"}, Case{5, 0, "25 Hz"},
                          Case{5, 16, "1000 Hz"}, Case{5, 29, "20000 Hz"}, Case{5, 30, "20000 Hz"}}) {
        SCOPED_TRACE(testing::Message() << "view " << c.view << " cell " << c.cell);
        w->mnViewItem_Click(c.view);
        const GraphGeometry g = geometryOf(*w);
        ASSERT_EQ(g.pointCount, c.view == 4 ? 10 : 30);
        const int x = int(std::lround((c.cell + 0.5) * g.width / g.pointCount));
        // Beyond the graph the pointer is only followed while a button holds it: the handler is called directly.
        if (x < g.width)
            moveTo(*w, QPoint(x, 20));
        else
            w->imgGraph_MouseMove(0, 1, 0, x, 20);
        EXPECT_EQ(panel(*w, 1), QStringLiteral("Position: %1 / %2").arg(g.pointAt(std::min(x, g.width))).arg(c.hertz));
    }

    // The Lin spectrum: point i lies at (i + 1) df, so the graph spans df .. fs / 2; the Log spectrum the same.
    for (int view : {6, 7}) {
        SCOPED_TRACE(testing::Message() << "view " << view);
        w->mnViewItem_Click(view);
        const double df = 48000.0 / (2.0 * wave->ProcCount() + 1.0);
        moveTo(*w, QPoint(0, 20));
        EXPECT_NEAR(numbersIn(panel(*w, 1)).at(1), df, 0.5 + (view == 6 ? 0.0 : df));
        w->imgGraph_MouseMove(0, 0, 0, w->graphWidth() + 200, 20);
        EXPECT_NEAR(numbersIn(panel(*w, 1)).at(1), 24000.0, df + 0.5) << "right of the graph reads its right edge";
        // Zoomed into the Lin spectrum, the pointer reads the frequency of the x scale under it.
        if (view == 6) {
            w->mnViewZoomIn_Click();
            w->mnViewZoomIn_Click();
            w->scrPan()->setValue(w->scrPan()->maximum() / 3);
            const GraphGeometry g = geometryOf(*w);
            moveTo(*w, QPoint(g.width / 2, 20));
            EXPECT_NEAR(numbersIn(panel(*w, 1)).at(1), (g.positionAt(g.width / 2) + 1) * df, 0.5);
            w->mnViewZoomFull_Click();
        }
    }
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(PointerReadout, ASelectionIsMarkedByInversionAndClearedWithoutATrace)
{
    DebugModeOn debug;
    frmView* w = open(writeRamp("select.wav", 1000, 1000));
    ASSERT_TRUE(w->menuItem("mnEditWindow")->isVisible());
    const QImage before = w->imgGraph(0)->image().copy();
    const GraphGeometry g = geometryOf(*w);
    const int y = w->graphHeight() / 2;
    press(*w, QPoint(100, y));
    EXPECT_TRUE(w->dragging());
    EXPECT_EQ(panel(*w, 3), "Length: 0 / 0.000s / 0.00m");
    moveTo(*w, QPoint(200, y));
    moveTo(*w, QPoint(300, y));
    release(*w, QPoint(300, y));
    EXPECT_FALSE(w->dragging());
    ASSERT_TRUE(w->selectionActive());
    EXPECT_EQ(w->selStart(), g.pointAt(100));
    const int length = g.pointAt(300) - g.pointAt(100);
    EXPECT_EQ(w->selLength(), length);
    const std::vector<double> status = numbersIn(panel(*w, 3));
    ASSERT_EQ(status.size(), 3u);
    EXPECT_EQ(status[0], length);
    EXPECT_NEAR(status[1], length / 1000.0, 0.0005);

    // Exactly the columns of the selected points are inverted, over the whole graph height.
    const QImage marked = w->imgGraph(0)->image().copy();
    const int left = int(std::floor(g.cellLeft(w->selStart())));
    const int right = int(std::floor(g.cellLeft(w->selStart() + length)));
    int wrong = 0;
    for (int x = 0; x < marked.width(); ++x)
        for (int row = 0; row < g.height; ++row) {
            const QRgb was = before.pixel(x, row) & 0xFFFFFF;
            const QRgb now = marked.pixel(x, row) & 0xFFFFFF;
            wrong += (x >= left && x < right) ? now != (~was & 0xFFFFFF) : now != was;
        }
    EXPECT_EQ(wrong, 0);
    expectEditItems(*w, true, true, true);

    // A redraw keeps the mark; the right button clears it and the picture is as before.
    w->UpdateView();
    EXPECT_EQ(w->imgGraph(0)->image(), marked);
    press(*w, QPoint(10, y), Qt::RightButton);
    release(*w, QPoint(10, y), Qt::RightButton);
    EXPECT_FALSE(w->selectionActive());
    EXPECT_EQ(belowIndicator(w->imgGraph(0)->image()), belowIndicator(before));
    EXPECT_TRUE(panel(*w, 3).isEmpty());
    expectEditItems(*w, false, false, false);

    // Select All takes the whole visible count from point 0.
    w->menuItem("mnEditSelectAll")->trigger();
    EXPECT_TRUE(w->selectionActive());
    EXPECT_EQ(w->selStart(), 0);
    EXPECT_EQ(w->selLength(), 1000);
    EXPECT_TRUE(panel(*w, 3).startsWith("Length: 1000 / 1.000s / ")) << panel(*w, 3).toStdString();
    expectEditItems(*w, true, true, true);
    EXPECT_TRUE(w->menuItem("mnEditSelectAll")->isEnabled());

    // A click without dragging: Rotate and Window only.
    press(*w, QPoint(400, y));
    release(*w, QPoint(400, y));
    EXPECT_EQ(w->selLength(), 0);
    expectEditItems(*w, false, true, false);
    // Zoom Full clears any selection.
    w->mnViewZoomFull_Click();
    EXPECT_FALSE(w->selectionActive());
    EXPECT_EQ(belowIndicator(w->imgGraph(0)->image()), belowIndicator(before));
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(PointerReadout, ALeftwardDragInTheLinSpectrumCountsNegativeUntilReleased)
{
    DebugModeOn debug;
    frmView* w = open(writeRamp("left.wav", 48000, 48000));
    w->mnViewItem_Click(6);
    const GraphGeometry g = geometryOf(*w);
    const double df = 48000.0 / (2.0 * w->WaveFile()->ProcCount() + 1.0);
    const int y = 30;
    press(*w, QPoint(500, y));
    EXPECT_EQ(panel(*w, 3), "Length: 0 / 0 Hz");
    moveTo(*w, QPoint(300, y));
    moveTo(*w, QPoint(200, y));
    const int n = g.pointAt(200) - g.pointAt(500);
    ASSERT_LT(n, 0);
    const QString dragged = QStringLiteral("Length: %1 / %2 Hz").arg(n).arg(std::lround(-n * df));
    EXPECT_EQ(panel(*w, 3), dragged);
    release(*w, QPoint(200, y));
    EXPECT_EQ(panel(*w, 3), dragged) << "the panel keeps the dragged count";
    EXPECT_EQ(w->selStart(), g.pointAt(200));
    EXPECT_EQ(w->selLength(), -n);
    // Not a time view: only the window shapes follow the selection.
    expectEditItems(*w, false, false, true);
}

TEST_F(PointerReadout, TheLogSpectrumSelectionCountsBins)
{
    frmView* w = open(writeRamp("log.wav", 48000, 48000));
    clsWave* wave = w->WaveFile();
    w->mnViewItem_Click(7);
    const GraphGeometry g = geometryOf(*w);
    drag(*w, g.width / 2, g.width * 3 / 4);
    const int k1 = wave->GetLogSample(w->selStart());
    const int k2 = wave->GetLogSample(w->selStart() + w->selLength());
    const double df = 48000.0 / (2.0 * wave->ProcCount() + 1.0);
    ASSERT_NE(k2 - k1, w->selLength()) << "the length counts bins, not points";
    EXPECT_EQ(panel(*w, 3), QStringLiteral("Length: %1 / %2 Hz").arg(k2 - k1).arg(std::lround((k2 - k1) * df)));
}

TEST_F(PointerReadout, PasteFollowsWaveDataOnTheClipboardInTimeViews)
{
    // The clipboard's own change moves Paste, so its shortcut is right before any menu was opened.
    frmView* w = open(writeRamp("paste.wav", 1000, 1000));
    QGuiApplication::clipboard()->setText("not a wave");
    EXPECT_FALSE(w->menuItem("mnEditPaste")->isEnabled());
    auto* data = new QMimeData;
    data->setData("audio/wav", QByteArray("RIFF"));
    QGuiApplication::clipboard()->setMimeData(data);
    EXPECT_TRUE(w->menuItem("mnEditPaste")->isEnabled());
    QGuiApplication::clipboard()->setText("text in its place");
    EXPECT_FALSE(w->menuItem("mnEditPaste")->isEnabled());
    data = new QMimeData;
    data->setData("audio/wav", QByteArray("RIFF"));
    QGuiApplication::clipboard()->setMimeData(data);
    w->mnViewItem_Click(6);
    emit w->menu("mnEdit")->aboutToShow();
    EXPECT_FALSE(w->menuItem("mnEditPaste")->isEnabled());
    QGuiApplication::clipboard()->clear();
}

TEST_F(PointerReadout, AnEditUnderAStillPointerReadsOutAfresh)
{
    frmView* w = open(writeRamp("shrinking.wav", 1000, 1000));
    const GraphGeometry g = geometryOf(*w);
    moveTo(*w, QPoint(int(std::floor(g.xOfPoint(990))), g.height / 2));
    ASSERT_GE(numbersIn(panel(*w, 1)).at(0), 989);
    w->mnEditSelectAll_Click();
    w->menuItem("mnEditDelete")->trigger();
    const std::int32_t left = w->WaveFile()->SampleCount();
    ASSERT_LT(left, 990);
    // The panel names a point of what is drawn now, or nothing while the pointer is elsewhere.
    const QString position = panel(*w, 1);
    if (!position.isEmpty()) {
        EXPECT_LT(numbersIn(position).at(0), left) << position.toStdString();
    }
    w->WaveFile()->setChanged(false);
}

TEST_F(PointerReadout, ADragOnTheSecondGraphMarksBothChannels)
{
    frmView* w = open(writeResponse("two.wav", 4800, 48000, [](int i) { return 20000.0 * std::sin(i * 0.01); }, 2));
    ASSERT_TRUE(w->imgGraph(1)->isVisible());
    const QImage before0 = w->imgGraph(0)->image().copy();
    const QImage before1 = w->imgGraph(1)->image().copy();
    const int y = w->graphHeight() / 2;
    QTest::mousePress(w->imgGraph(1), Qt::LeftButton, {}, QPoint(300, y));
    QTest::mouseMove(w->imgGraph(1), QPoint(350, y));
    QTest::mouseRelease(w->imgGraph(1), Qt::LeftButton, {}, QPoint(350, y));
    const GraphGeometry g = geometryOf(*w);
    EXPECT_EQ(w->selStart(), g.pointAt(300));
    EXPECT_EQ(w->selLength(), g.pointAt(350) - g.pointAt(300));
    for (const auto& [graph, before] : {std::pair{0, &before0}, std::pair{1, &before1}}) {
        SCOPED_TRACE(graph);
        const QImage& now = w->imgGraph(graph)->image();
        const int inside = int(std::floor(g.cellLeft(w->selStart() + w->selLength() / 2)));
        EXPECT_EQ(now.pixel(inside, y) & 0xFFFFFF, ~before->pixel(inside, y) & 0xFFFFFF);
        EXPECT_EQ(now.pixel(200, y), before->pixel(200, y));
    }
    w->mnViewZoomIn_Click();
    EXPECT_EQ(w->firstPoint(), int(std::nearbyint(double(g.pointAt(300)) / w->panStep())) * w->panStep());
    EXPECT_TRUE(scripted().messages.empty());
}
