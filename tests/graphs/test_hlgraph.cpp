#include "graphs_fixture.h"
#include "recording_device.h"

#include "core/VemraError.h"
#include "graphs/HLGraph.h"
#include "support/gui_figure.h"

#include <QClipboard>
#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTest>

#include <cmath>

using namespace vemra;
using namespace graphstest;

namespace {

constexpr double kW = 9000, kH = 6000; // twips of the recorded drawings

// A graph filled through the cursor with one series of values (NAN leaves a gap).
void fill(HLGraph& g, int xScaleType, double xMin, const std::vector<double>& values, bool grid = false)
{
    g.Init();
    g.setXScaleType(xScaleType);
    g.setXCount(int(values.size()));
    g.setXMin(xMin);
    g.setShowGrid(grid);
    g.setYCount(1);
    g.Home();
    g.setYColor(0, 0xFF0000);
    g.setYWidth(0, 2);
    for (double v : values) {
        if (std::isnan(v))
            g.setCurrentX(g.CurrentX() + 1);
        else
            g.setYValue(v);
    }
    g.EndLine();
}

// The graph drawn on a recording device at kW x kH twips.
void record(HLGraph& g, RecordingDevice& device)
{
    QPainter p(&device);
    g.render(p, kW, kH);
}

bool isGrid(const DrawnLine& l, const HLGraph& g) { return l.pen.color() == g.gridColour(HLGraph::Surface::Screen); }

class Graph : public GraphTest {};

// What a rendered graph shows, read back from its pixels: the plot box (the black frame), the grid lines across it
// (grey lines, told apart from the black axes and the coloured curves), the curve pixels in each point's slot and
// the pixels of a grey background around the box.
struct Reading {
    QRect box;
    int verticalGrid = 0, horizontalGrid = 0;
    std::vector<int> slotCurve;
    double greyBackground = 0; // share of the pixels around the box
};

bool neutral(QRgb c) { return std::max({qRed(c), qGreen(c), qBlue(c)}) - std::min({qRed(c), qGreen(c), qBlue(c)}) < 25; }
bool dark(QRgb c) { return neutral(c) && qGray(c) < 80; }
bool gridGrey(QRgb c) { return neutral(c) && qGray(c) >= 80 && qGray(c) <= 225; }

// The lines (runs of neighbouring columns, or rows) of which more than `share` of the pixels pass `test`.
int countLines(const QImage& img, const QRect& area, bool columns, double share, bool (*test)(QRgb),
               std::vector<int>* at = nullptr)
{
    int lines = 0;
    bool inLine = false;
    const int outer = columns ? area.width() : area.height(), inner = columns ? area.height() : area.width();
    for (int a = 0; a < outer; ++a) {
        int n = 0;
        for (int b = 0; b < inner; ++b)
            n += test(columns ? img.pixel(area.left() + a, area.top() + b) : img.pixel(area.left() + b, area.top() + a));
        const bool line = n > share * inner;
        if (line && !inLine) {
            ++lines;
            if (at)
                at->push_back(a);
        }
        inLine = line;
    }
    return lines;
}

Reading readGraph(const QImage& img, int points)
{
    Reading r;
    std::vector<int> cols, rows;
    countLines(img, img.rect(), true, 0.15, dark, &cols);
    countLines(img, img.rect(), false, 0.15, dark, &rows);
    if (cols.size() < 2 || rows.size() < 2)
        return r;
    r.box = QRect(QPoint(cols.front(), rows.front()), QPoint(cols.back(), rows.back()));
    const QRect inside = r.box.adjusted(3, 3, -3, -3);
    r.verticalGrid = countLines(img, inside, true, 0.6, gridGrey);
    r.horizontalGrid = countLines(img, inside, false, 0.6, gridGrey);
    const double slot = double(r.box.width()) / points;
    for (int i = 0; i < points; ++i) {
        const int x = int(r.box.left() + (i + 0.5) * slot);
        r.slotCurve.push_back(test::curvePixels(img, QRect(x - int(slot / 4), r.box.top(), int(slot / 2), r.box.height())));
    }
    int around = 0, grey = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!r.box.adjusted(-2, -2, 2, 2).contains(x, y)) {
                ++around;
                const QRgb c = img.pixel(x, y);
                grey += neutral(c) && qGray(c) > 200 && qGray(c) < 250;
            }
    r.greyBackground = double(grey) / around;
    return r;
}

} // namespace

TEST_F(Graph, CursorFillsSeriesInOrder)
{
    HLGraph g;
    g.Init();
    g.setXCount(4);
    g.setYCount(2);
    g.Home();
    for (int i = 0; i < 8; ++i)
        g.setYValue(10 * i);
    EXPECT_EQ(g.CurrentX(), 0);
    EXPECT_EQ(g.CurrentY(), 0);
    EXPECT_EQ(g.value(1, 3), 70);
    EXPECT_TRUE(g.isSet(1, 0));

    // Out-of-range cursor writes are ignored.
    g.setCurrentY(7);
    EXPECT_EQ(g.CurrentY(), 0);
    g.setCurrentX(4);
    EXPECT_EQ(g.CurrentX(), 0);

    // Reading gives back the value last written at the cursor.
    g.setCurrentX(2);
    g.setCurrentY(1);
    EXPECT_EQ(g.YValue(), 60);
}

TEST_F(Graph, EndLineMovesPastASkippedLastPointOnly)
{
    HLGraph g;
    g.Init();
    g.setXCount(4);
    g.setYCount(2);
    g.Home();
    for (int i = 0; i < 3; ++i)
        g.setYValue(i);
    g.setCurrentX(4); // refused: the cursor stays on the last point
    EXPECT_EQ(g.CurrentX(), 3);
    g.EndLine();
    EXPECT_EQ(g.CurrentX(), 0);
    EXPECT_EQ(g.CurrentY(), 1);
    EXPECT_FALSE(g.isSet(0, 3));

    // After the last point of a series the cursor has wrapped already: EndLine changes nothing.
    for (int i = 0; i < 4; ++i)
        g.setYValue(i);
    EXPECT_EQ(g.CurrentY(), 0);
    g.EndLine();
    EXPECT_EQ(g.CurrentX(), 0);
    EXPECT_EQ(g.CurrentY(), 0);

    // Without stepping the cursor stays and EndLine does nothing.
    g.setAutoStep(false);
    g.setCurrentX(2);
    g.setYValue(5);
    g.EndLine();
    EXPECT_EQ(g.CurrentX(), 2);
    EXPECT_EQ(g.CurrentY(), 0);
}

TEST_F(Graph, PointCountKeepsTheRemainingPoints)
{
    HLGraph g;
    g.Init();
    g.setXCount(3);
    g.setYCount(1);
    g.Home();
    for (int i = 0; i < 3; ++i)
        g.setYValue(i + 1);
    g.setXCount(5);
    EXPECT_EQ(g.value(0, 2), 3);
    EXPECT_TRUE(g.isSet(0, 2));
    EXPECT_FALSE(g.isSet(0, 3));
    EXPECT_FALSE(g.isSet(0, 4));
    g.setXCount(2);
    g.setXCount(3);
    EXPECT_FALSE(g.isSet(0, 2)) << "a dropped point does not come back";
    g.setXCount(0);
    EXPECT_FALSE(g.isSet(0, 0));
    EXPECT_THROW(g.isSet(0, 1), VemraError);
}

TEST_F(Graph, IndexesOutsideTheArraysAreRangeErrors)
{
    HLGraph g;
    g.Init();
    g.setXCount(3);
    g.setYCount(2);
    EXPECT_THROW(g.setYColor(3, 0), VemraError);
    EXPECT_THROW(g.YStyle(-1), VemraError);
    EXPECT_NO_THROW(g.setYWidth(2, 1)); // colours, styles and widths hold YCount + 1 entries
    EXPECT_THROW(g.setYCount(7), VemraError);
    EXPECT_EQ(g.YCount(), 2);
    g.setXCount(1);
    g.setCurrentX(0);
    g.setXCount(0);
    EXPECT_NO_THROW(g.setXValue(1.5)); // point 0 exists whatever the count
}

TEST_F(Graph, SavedPropertiesHoldOnlyWhatDiffersFromTheDefaults)
{
    HLGraph fresh;
    EXPECT_TRUE(fresh.YAutoMin());
    EXPECT_TRUE(fresh.YAutoMax());
    EXPECT_TRUE(fresh.AutoStep());
    EXPECT_EQ(fresh.XScaleType(), 0);
    EXPECT_TRUE(fresh.WriteProperties().isEmpty());

    HLGraph g;
    g.setTitle1(QStringLiteral("T30 [s]"));
    g.setXlabel(QStringLiteral("f"));
    g.setXScaleType(2);
    g.setYAutoMin(false);
    const QVariantMap bag = g.WriteProperties();
    EXPECT_EQ(bag.size(), 4);
    HLGraph back;
    back.ReadProperties(bag);
    EXPECT_EQ(back.Title1(), "T30 [s]");
    EXPECT_EQ(back.Xlabel(), "f");
    EXPECT_EQ(back.XScaleType(), 2);
    EXPECT_FALSE(back.YAutoMin());
    EXPECT_TRUE(back.YAutoMax());

    // Init empties the graph but keeps the axis titles, scale type and fixed ends.
    back.setYMin(3);
    back.Init();
    EXPECT_TRUE(back.Title1().isEmpty());
    EXPECT_EQ(back.Xlabel(), "f");
    EXPECT_EQ(back.XScaleType(), 2);
    EXPECT_EQ(back.YMin(), 3);
    EXPECT_TRUE(back.YAutoMin());
    EXPECT_TRUE(back.ShowGrid());
}

TEST_F(Graph, OctaveLabelsTicksAndUnit)
{
    HLGraph g;
    fill(g, 1, 3, {1, 2, 3, 4, 5, 6});
    RecordingDevice d;
    record(g, d);
    const std::vector<QString> labels{"125", "250", "500", "1k", "2k", "4k"};
    const double left = 600, right = kW - 400, bottomY = kH - 500;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        SCOPED_TRACE(labels[i].toStdString());
        const DrawnText* t = d.find(labels[i]);
        ASSERT_TRUE(t);
        const double slot = left + (double(i) + 0.5) * (right - left) / 6;
        // A 75-twip tick under the slot's centre, and the label centred on it below the axis.
        bool tick = false;
        for (const DrawnLine& l : d.engine().lines)
            tick |= std::abs(l.line.x1() - slot) < 0.5 && std::abs(l.line.x2() - slot) < 0.5 &&
                    std::abs(std::abs(l.line.dy()) - 75) < 0.5;
        EXPECT_TRUE(tick);
        EXPECT_GT(t->baseline.y(), bottomY + 100);
        EXPECT_LT(t->baseline.x(), slot);
    }
    // The unit right of the plot box, and whole on the surface.
    const DrawnText* unit = d.find(QStringLiteral("[Hz]"));
    ASSERT_TRUE(unit);
    EXPECT_GT(unit->baseline.x(), right);
    EXPECT_LE(unit->baseline.x(), right + 75);
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(160);
    EXPECT_LE(unit->baseline.x() + QFontMetricsF(font).horizontalAdvance(QStringLiteral("[Hz]")), kW + 0.5);

    // No scale type: the plot box edges only.
    g.setXScaleType(0);
    RecordingDevice none;
    record(g, none);
    EXPECT_FALSE(none.find(QStringLiteral("[Hz]")));
    EXPECT_FALSE(none.find(QStringLiteral("125")));
}

TEST_F(Graph, ThirdOctavesLabelOnlyTheOctaveCentres)
{
    HLGraph g;
    fill(g, 2, 14, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    RecordingDevice d;
    record(g, d);
    for (const char* label : {"31.5", "63", "125"})
        EXPECT_TRUE(d.find(QString::fromLatin1(label))) << label;
    for (const char* label : {"25", "40", "50", "80", "100"})
        EXPECT_FALSE(d.find(QString::fromLatin1(label))) << label;
    int ticks30 = 0, ticks50 = 0;
    for (const DrawnLine& l : d.engine().lines) {
        if (l.line.dx() != 0)
            continue;
        const double length = std::abs(l.line.dy());
        ticks30 += std::abs(length - 30) < 0.5;
        ticks50 += std::abs(length - 50) < 0.5;
    }
    EXPECT_EQ(ticks30, 9);
    EXPECT_EQ(ticks50, 3);
}

TEST_F(Graph, GridLinesOnlyWhenAskedFor)
{
    HLGraph g;
    fill(g, 1, 3, {1, 2, 3, 4, 5, 6});
    RecordingDevice off;
    record(g, off);
    for (const DrawnLine& l : off.engine().lines)
        EXPECT_FALSE(isGrid(l, g));

    fill(g, 1, 3, {1, 2, 3, 4, 5, 6}, true);
    RecordingDevice on;
    record(g, on);
    int vertical = 0, horizontal = 0;
    for (const DrawnLine& l : on.engine().lines)
        if (isGrid(l, g))
            (l.line.dx() == 0 ? vertical : horizontal) += 1;
    EXPECT_EQ(vertical, 6);
    EXPECT_EQ(horizontal, g.axis().divisions - 1);
}

TEST_F(Graph, YLabelsAreNiceNumbersWithoutTrailingSeparator)
{
    HLGraph g;
    fill(g, 1, 3, {0.8, 5, 19, 37});
    RecordingDevice d;
    record(g, d);
    EXPECT_EQ(g.axis().maximum, 40);
    for (const char* label : {"0", "10", "20", "30", "40"})
        EXPECT_TRUE(d.find(QString::fromLatin1(label))) << label;
    EXPECT_FALSE(d.find(QStringLiteral("20.")));
}

TEST_F(Graph, SegmentsAreCutAtThePlotBoxKeepingTheirSlope)
{
    HLGraph g;
    // Fixed axis 0 .. 10: the second point lies far above it, the last two below it.
    fill(g, 1, 3, {5, 25, std::nan(""), -3, -4});
    g.setYAutoMin(false);
    g.setYAutoMax(false);
    g.setYMin(0);
    g.setYMax(10);
    RecordingDevice d;
    record(g, d);
    std::vector<QLineF> curve;
    for (const DrawnLine& l : d.engine().lines)
        if (l.pen.color() == QColor(0, 0, 0xFF) && !isGrid(l, g))
            curve.push_back(l.line);
    ASSERT_EQ(curve.size(), 1u) << "the gap and the segment below the axis draw nothing";
    const double top = 600, bottom = kH - 500, left = 600, slotWidth = (kW - 400 - left) / 5;
    const QLineF& l = curve.front();
    EXPECT_NEAR(l.y2(), top, 1e-6);
    // From 5 to 25 over one slot, cut where the line reaches 10: a quarter of the way.
    EXPECT_NEAR(l.x2() - l.x1(), slotWidth / 4, 1e-6);
    EXPECT_NEAR(l.y1(), (top + bottom) / 2, 1e-6);
}

TEST_F(Graph, SymbolTitleIsDrawnAsText)
{
    HLGraph g;
    fill(g, 1, 3, {0.2, 0.4});
    g.setTitle1(QStringLiteral("$Alpha [-]"));
    RecordingDevice d;
    record(g, d);
    EXPECT_TRUE(d.find(QStringLiteral("\u03B1 [-]")));
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(Graph, ADrawingErrorIsReportedOnce)
{
    HLGraph g;
    g.resize(400, 300);
    fill(g, 1, 3, {1, 2});
    g.setTitle1(QStringLiteral("$Beta"));
    g.Refresh();
    g.Refresh();
    g.resize(500, 300);
    EXPECT_EQ(scripted().messages.size(), 1u);
    g.setTitle1(QStringLiteral("T30 [s]"));
    g.Refresh();
    g.setTitle1(QStringLiteral("$Beta"));
    g.Refresh();
    EXPECT_EQ(scripted().messages.size(), 2u) << "after a good drawing the failure is news again";
}

TEST_F(Graph, NothingToDrawLeavesThePictureAlone)
{
    HLGraph g;
    g.resize(400, 300);
    fill(g, 1, 3, {1, 2, 3});
    g.Refresh();
    const QImage before = g.picture();
    ASSERT_FALSE(before.isNull());
    g.setYCount(0);
    g.Refresh();
    EXPECT_EQ(g.picture(), before);
    g.setYCount(1);
    g.setXCount(0);
    g.Refresh();
    EXPECT_EQ(g.picture(), before);
}

TEST_F(Graph, CopyPutsThePictureOnTheClipboard)
{
    HLGraph g;
    g.resize(400, 300);
    fill(g, 1, 3, {1, 2, 3});
    g.Refresh();
    QGuiApplication::clipboard()->clear();
    g.ClipSavePicture();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), g.picture().size());

    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&g, Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(QGuiApplication::clipboard()->image().isNull());
}

TEST_F(Graph, PrintsAtItsOwnSizeOrScaledToThePage)
{
    // Fits: its own size, centred across, as far from the top as from the sides.
    const QRectF small = HLGraph::PrintArea(QSizeF(400, 300), QSizeF(600, 800));
    EXPECT_EQ(small, QRectF(100, 100, 400, 300));
    // Wider than the page: scaled down to its width.
    const QRectF wide = HLGraph::PrintArea(QSizeF(1200, 300), QSizeF(600, 800));
    EXPECT_EQ(wide, QRectF(0, 0, 600, 150));
    // Taller than the page after that: scaled to its height.
    const QRectF tall = HLGraph::PrintArea(QSizeF(500, 1600), QSizeF(600, 800));
    EXPECT_EQ(tall.size(), QSizeF(250, 800));
    EXPECT_EQ(tall.top(), 0);
}

TEST_F(Graph, PrintingToAFileGivesOnePageAndLeavesTheScreenAlone)
{
    HLGraph g;
    g.resize(2400, 300); // far wider than the page
    fill(g, 1, 3, {1, 2, 3});
    g.Refresh();
    const QImage screen = g.picture();
    const QString pdf = QString::fromStdString(test::privateRoot()) + QStringLiteral("/graph.pdf");
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    ASSERT_TRUE(g.PrintPicture(printer));
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(QString::fromLatin1(bytes).count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))), 1);
    EXPECT_EQ(g.picture(), screen);
}

// On screen, on paper and on the clipboard the grid stands out from the white plot box (a grey the reading
// below tells from white), and a value whose neighbours have none shows as a dot: every value can be read off
// the figure. Paper and clipboard put the graph on white.
TEST_F(Graph, ShownPrintedAndCopiedGraphsShowTheGridAndEveryValue)
{
    HLGraph g;
    g.resize(800, 500);
    // Values 0 and 2 stand alone; 4 and 5 form a line.
    const std::vector<double> values{2, std::nan(""), 6, std::nan(""), 3, 5};
    fill(g, 1, 3, values, true);
    g.Refresh();
    const int divisions = g.axis().divisions;

    const QString pdf = QString::fromStdString(test::privateRoot()) + QStringLiteral("/values.pdf");
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    ASSERT_TRUE(g.PrintPicture(printer));
    QGuiApplication::clipboard()->clear();
    ASSERT_TRUE(g.ClipSavePicture());
    const QImage copied = QGuiApplication::clipboard()->image();

    struct Surface {
        const char* name;
        QImage img;
        bool onWhite;
    };
    for (const Surface& surface : {Surface{"shown", g.picture(), false}, Surface{"printed", test::pdfFirstPage(pdf), true},
                                   Surface{"copied", copied, true}}) {
        SCOPED_TRACE(surface.name);
        const QImage& img = surface.img;
        ASSERT_FALSE(img.isNull());
        const Reading r = readGraph(img, int(values.size()));
        ASSERT_FALSE(r.box.isEmpty());
        EXPECT_EQ(r.verticalGrid, int(values.size()));
        EXPECT_EQ(r.horizontalGrid, divisions - 1);
        if (surface.onWhite) {
            EXPECT_LT(r.greyBackground, 0.01);
        }
        ASSERT_EQ(r.slotCurve.size(), values.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            EXPECT_EQ(r.slotCurve[i] > 0, !std::isnan(values[i])) << "point " << i;
    }
}

TEST_F(Graph, CopyWithNothingToShowLeavesTheClipboard)
{
    HLGraph g;
    g.resize(400, 300);
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    EXPECT_FALSE(g.ClipSavePicture());
    fill(g, 1, 3, {std::nan(""), std::nan("")});
    g.Refresh();
    EXPECT_FALSE(g.ShowsValues());
    EXPECT_FALSE(g.ClipSavePicture());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}
