// The document window: its no-data state, layout, enabling, the eight views on wide windows, band stepping, the
// band indicator and the dB range dialog.
#include "core/DialogKeys.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "viewer_fixture.h"
#include "viewer/PictureBox.h"
#include "viewer/frmView.h"
#include "viewer/frmFilter.h"
#include "viewer/frmdBRange.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <cmath>

using namespace vemra;

namespace {

ScriptedUiServices& scripted()
{
    return static_cast<ScriptedUiServices&>(UiServices::get());
}

struct FileSpec {
    int channels = 2;
    int fs = 48000;
    int frames = 24000;
    std::int16_t receiver = 1;
    float probeDist = 0;
};

QString writeResponse(const QString& name, const FileSpec& fileSpec)
{
    return viewertest::written(test::ResponseFile(name.toStdString())
                                   .channels(fileSpec.channels)
                                   .rate(fileSpec.fs)
                                   .frames(fileSpec.frames)
                                   .sample(viewertest::decayingNoise)
                                   .receiver(fileSpec.receiver)
                                   .probeDistance(fileSpec.probeDist));
}

class DocumentWindow : public viewertest::ViewerWindow {};

int pixelsOf(const QImage& img, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == colour;
    return n;
}

QSet<QString> usableButtons(const frmView& w)
{
    QSet<QString> keys;
    for (QAction* a : w.buttonsInOrder())
        if (!a->isSeparator() && a->isEnabled())
            keys.insert(a->objectName());
    return keys;
}

} // namespace

TEST_F(DocumentWindow, AnEmptyDocumentShowsTheNoDataState)
{
    frmView* w = open(QString());
    EXPECT_EQ(w->windowTitle(), "Vemra");
    EXPECT_FALSE(w->imgGraph(0)->isVisible());
    EXPECT_FALSE(w->scrPan()->isVisible());
    // Graph and Measure too, once their windows stand behind them.
    QSet<QString> usable{"New", "Open"};
    for (const QString key : {"Graph", "Measure"})
        if (w->hasCommand(frmView::commandOfButton(key)))
            usable.insert(key);
    EXPECT_EQ(usableButtons(*w), usable);
    EXPECT_FALSE(w->menuItem("mnView")->isEnabled());
    EXPECT_FALSE(w->dataValid());
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(DocumentWindow, TwoChannelsStackGraphXscaleGraph)
{
    const QString path = writeResponse("two.wav", {});
    frmView* w = open(path);
    EXPECT_EQ(w->windowTitle(), "Vemra - " + path);
    for (QSize size : {QSize(900, 600), QSize(1300, 901), QSize(700, 480)}) {
        SCOPED_TRACE(size.width());
        w->resize(size);
        QCoreApplication::processEvents();
        ASSERT_TRUE(w->imgGraph(1)->isVisible());
        EXPECT_EQ(w->imgGraph(0)->height(), w->imgGraph(1)->height());
        EXPECT_EQ(w->imgXscale()->y(), w->imgGraph(0)->geometry().bottom() + 1);
        EXPECT_EQ(w->imgGraph(1)->y(), w->imgXscale()->geometry().bottom() + 1);
        EXPECT_EQ(w->imgYscale(1)->y(), w->imgGraph(1)->y());
        EXPECT_GT(w->scrPan()->y(), w->imgGraph(1)->geometry().bottom());
        EXPECT_EQ(w->graphHeight() % 2, 0);
        EXPECT_EQ(w->graphWidth(), w->imgGraph(0)->width());
    }
    // The usable data commands of a response.
    EXPECT_TRUE(w->button("Pressure")->isChecked());
    EXPECT_TRUE(w->button("Filter")->isEnabled());
    EXPECT_FALSE(w->button("ZoomOut")->isEnabled());
    EXPECT_FALSE(w->button("Save")->isEnabled());
    EXPECT_TRUE(w->menuItem("mnView")->isEnabled());
}

TEST_F(DocumentWindow, OneChannelShowsOneGraph)
{
    frmView* w = open(writeResponse("one.wav", {1, 48000, 3000}));
    EXPECT_TRUE(w->imgGraph(0)->isVisible());
    EXPECT_FALSE(w->imgGraph(1)->isVisible());
    EXPECT_FALSE(w->imgYscale(1)->isVisible());
    EXPECT_EQ(w->pointCount(), 3000);
    EXPECT_EQ(w->panStep(), 1);
    EXPECT_EQ(w->maxZoomLevel(), 8); // log2(300) = 8.2
}

TEST_F(DocumentWindow, ReceiverDecidesTheParameterItems)
{
    struct Row {
        std::int16_t receiver;
        bool tables, spaciousness, process;
    };
    for (const Row& r : {Row{0, true, false, true}, Row{2, true, false, true}, Row{1, true, true, true},
                         Row{5, true, true, true}, Row{6, false, false, false}}) {
        SCOPED_TRACE(r.receiver);
        frmView* w = open(writeResponse(QStringLiteral("rec%1.wav").arg(r.receiver), {1, 48000, 1000, r.receiver}));
        // The rule decides among the items whose windows exist: here all of them stand in.
        for (const char* item : {"mnParIso", "mnParRev", "mnParSpa", "mnParEne", "mnParLev", "mnParSpe", "mnParSta"})
            if (!w->hasCommand(item))
                w->setCommand(item, [] {});
        w->DisableAll();
        w->EnableAll();
        EXPECT_EQ(w->menuItem("mnParIso")->isEnabled(), r.tables);
        EXPECT_EQ(w->menuItem("mnParSpa")->isEnabled(), r.spaciousness);
        EXPECT_EQ(w->menuItem("mnProc")->isEnabled(), r.process);
        EXPECT_TRUE(w->menuItem("mnPar")->isEnabled());
        EXPECT_EQ(w->menuItem("mnParGraph")->isEnabled(), w->hasCommand("mnParGraph")); // whatever the receiver
    }
}

// The energy view's level scale and curve stand where the dB range puts them: 0 dB on the top row, -range just
// below the bottom row, every tick on the row of its level (the graph's own geometry), and a steady level on its
// row. One dB too many or too few in the scale or the curve moves the lower ticks or the curve by several rows.
TEST_F(DocumentWindow, TheEnergyViewsScaleAndCurveStandWhereTheDbRangePutsThem)
{
    for (const int range : {20, 45, 60, 90}) {
        SCOPED_TRACE(range);
        // A steady square wave about six dB above the bottom of the range (whole 16-bit units): its energy envelope
        // is flat at that level.
        const double amplitude = std::round(32768.0 * std::pow(10.0, -(range - 6) / 20.0));
        const double level_dB = 20.0 * std::log10(amplitude / 32768.0);
        frmView* w = open(viewertest::writeResponse(QStringLiteral("steady-%1.wav").arg(range), 9600, 48000,
                                                    [amplitude](int i) { return i % 2 ? amplitude : -amplitude; }),
                          QSize(900, 700));
        clsWave* wave = w->WaveFile();
        wave->setAutoScale(false);
        wave->setdBRange(float(range));
        w->mnViewItem_Click(dsp::ViewDecay);
        w->UpdateView();
        const GraphGeometry g = geometryOf(*w);
        ASSERT_EQ(g.dBRange, range);
        // The scale spans its own box, which is a row taller than the drawing when that is kept even.
        const PictureBox* scale = w->imgYscale(0);
        GraphGeometry s = g;
        s.height = scale->image().height();
        ASSERT_LE(s.height - g.height, 1);

        // The extremes of the scale.
        EXPECT_DOUBLE_EQ(scale->toPixelY(0), 0.0);
        EXPECT_DOUBLE_EQ(scale->toPixelY(-range), double(s.height));

        // Every tick reaches the right edge: the rows lit in a column right of the labels are the ticks.
        const QImage& img = scale->image();
        const int column = int(scale->toPixelX(54));
        std::vector<int> tickRows;
        for (int y = 0; y < img.height(); ++y)
            if (img.pixel(column, y) == qRgb(255, 255, 255) && (y == 0 || img.pixel(column, y - 1) != qRgb(255, 255, 255)))
                tickRows.push_back(y);
        // On a graph this tall the scale is not thinned: a tick every 2 dB from 0 dB to the last one on the graph.
        std::vector<double> expected;
        for (int v = 0; s.yOfValue(v) < s.height; v -= 2)
            expected.push_back(s.yOfValue(v));
        ASSERT_EQ(tickRows.size(), expected.size());
        EXPECT_EQ(tickRows.front(), 0);
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_NEAR(tickRows[i], expected[i], 1.0) << "tick " << -2 * int(i) << " dB";
        EXPECT_NEAR(tickRows.back(), s.yOfValue(-2 * std::floor((range - 1) / 2.0)), 1.0) << "the lowest tick";

        // The curve, in the middle of the graph where the envelope's window lies wholly inside the response.
        const QImage& graph = w->imgGraph(0)->image();
        const int x = graph.width() / 2;
        int curveRow = -1;
        for (int y = 0; y < graph.height() && curveRow < 0; ++y)
            if (graph.pixel(x, y) == qRgb(0, 255, 0))
                curveRow = y;
        EXPECT_NEAR(curveRow, g.yOfValue(level_dB), 1.0);
        wave->Die();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(DocumentWindow, EveryViewDrawsOnAWideWindow)
{
    frmView* w = open(writeResponse("wide.wav", {}), QSize(2600, 900));
    clsWave* wave = w->WaveFile();
    ASSERT_GT(w->graphWidth(), 2200);
    const QString shots = qEnvironmentVariable("VEMRA_VIEW_SHOTS");
    for (int view = 0; view <= 7; ++view) {
        SCOPED_TRACE(view);
        w->mnViewItem_Click(view);
        EXPECT_EQ(wave->ViewType(), view);
        EXPECT_EQ(w->timeView(), view < 4);
        const QRgb curve = view < 4 ? qRgb(0, 255, 0) : qRgb(0, 255, 255);
        for (int ch = 0; ch < 2; ++ch) {
            const QImage& img = w->imgGraph(ch)->image();
            EXPECT_GT(pixelsOf(img, curve), 0);
            // The curve reaches the right half of the graph (no overflow folding it back to the left).
            EXPECT_GT(pixelsOf(img.copy(img.width() / 2, 0, img.width() / 2, img.height()), curve), 0);
        }
        EXPECT_GT(pixelsOf(w->imgXscale()->image(), qRgb(255, 255, 255)), 0);
        EXPECT_GT(pixelsOf(w->imgYscale(0)->image(), qRgb(255, 255, 255)), 0);
        EXPECT_EQ(w->button("Filter")->isEnabled(), view < 4);
        EXPECT_EQ(w->menuItem("mnViewSmooth")->isEnabled(), view >= 6);
        if (!shots.isEmpty())
            w->grab().save(QStringLiteral("%1/view-%2.png").arg(shots).arg(view));
    }
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(DocumentWindow, SwitchingBetweenTimeViewsKeepsTheRangeAndSpectraReprocess)
{
    frmView* w = open(writeResponse("switch.wav", {1, 48000, 20000}));
    clsWave* wave = w->WaveFile();
    w->mnViewItem_Click(3);
    EXPECT_EQ(w->pointCount(), 20000);
    w->mnViewItem_Click(3); // the same view: nothing happens
    EXPECT_FALSE(wave->viewDirty());
    w->mnViewItem_Click(5);
    EXPECT_EQ(wave->ProcCount(), 30);
    EXPECT_EQ(w->pointCount(), 30);
    EXPECT_FALSE(w->button("ZoomIn")->isEnabled());
    w->mnViewItem_Click(0);
    EXPECT_EQ(w->pointCount(), 20000);
    EXPECT_TRUE(w->menuItem("mnViewFilter")->isEnabled());
}

TEST_F(DocumentWindow, BandSteppingFollowsTheRows)
{
    struct Step {
        int fs;
        std::int16_t from;
        bool up;
        std::int16_t to;
    };
    frmView* w48 = open(writeResponse("s48.wav", {1, 48000, 1000}));
    frmView* w32 = open(writeResponse("s32.wav", {1, 32000, 1000}));
    for (const Step& s : {Step{48000, -2, true, 1}, Step{48000, 1, false, -1}, Step{48000, 14, false, -1},
                          Step{48000, 29, false, 28}, Step{48000, 10, true, -1}, Step{48000, 43, true, -1},
                          Step{48000, 30, true, 31}, Step{48000, 0, false, 0}, Step{32000, 9, true, -1},
                          Step{32000, 41, true, -1}, Step{48000, -1, false, 10}}) {
        SCOPED_TRACE(testing::Message() << s.fs << " Hz from " << s.from << (s.up ? " up" : " down"));
        frmView* w = s.fs == 48000 ? w48 : w32;
        w->WaveFile()->setFilterType(s.from);
        s.up ? w->FilterUp() : w->FilterDown();
        EXPECT_EQ(w->WaveFile()->FilterType(), s.to);
    }
    // After a third-octave band was shown, the wrap goes to the highest usable third octave: 12.5 kHz at 32 kHz.
    w32->WaveFile()->setFilterType(35);
    w32->UpdateView();
    EXPECT_EQ(w32->lastBand(), 35);
    w32->WaveFile()->setFilterType(-1);
    w32->FilterDown();
    EXPECT_EQ(w32->WaveFile()->FilterType(), 41);
    w32->WaveFile()->setFilterType(-2);
    w32->FilterUp();
    EXPECT_EQ(w32->WaveFile()->FilterType(), 14);
}

TEST_F(DocumentWindow, TheBandIndicatorLightsTheThirdOfItsOctave)
{
    frmView* w = open(writeResponse("marks.wav", {1, 48000, 1000}));
    const QRgb cyan = qRgb(0, 255, 255);
    const QRgb olive = qRgb(128, 128, 0);
    struct Row {
        std::int16_t band;
        int lit; // 0 left, 1 middle, 2 right, 3 all
    };
    for (const Row& r : {Row{14, 0}, Row{23, 0}, Row{32, 0}, Row{15, 1}, Row{24, 1}, Row{33, 1}, Row{16, 2},
                         Row{25, 2}, Row{34, 2}, Row{6, 3}, Row{-1, 3}, Row{-2, 3}}) {
        SCOPED_TRACE(r.band);
        w->WaveFile()->setFilterType(r.band);
        w->UpdateView();
        const QImage& img = w->imgGraph(0)->image();
        const int width = img.width();
        const int middles[3] = {width - 25, width - 19, width - 13};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(img.pixel(middles[i], 16), (r.lit == 3 || r.lit == i) ? cyan : olive) << "mark " << i;
    }
}

TEST_F(DocumentWindow, TheDbRangeDialogAcceptsTwoTo150)
{
    struct Row {
        const char* text;
        bool accepted;
        int range;
    };
    for (const Row& r : {Row{"1", false, 60}, Row{"151", false, 60}, Row{"200", false, 60}, Row{"2", true, 2},
                         Row{"150", true, 150}, Row{"12.4", true, 12}, Row{"050", true, 50}}) {
        SCOPED_TRACE(r.text);
        frmdBRange dialog;
        dialog.dBRange = 60;
        dialog.show();
        dialog.txtRange()->setText(QString::fromLatin1(r.text));
        QTest::keyClick(dialog.txtRange(), Qt::Key_Return);
        EXPECT_EQ(dialog.result() == QDialog::Accepted, r.accepted);
        EXPECT_EQ(dialog.dBRange, r.range);
        if (!r.accepted) {
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.txtRange()->selectedText(), QString::fromLatin1(r.text));
            QTest::mouseClick(dialog.cmdCancel(), Qt::LeftButton);
            EXPECT_EQ(dialog.dBRange, 60);
        } else {
            EXPECT_EQ(dialog.txtRange()->text(), QString::number(r.range));
        }
    }
}

// The dialog has no default button (Return in the text box is the box's own), yet Return on a focused button
// presses it, as on every desktop: OK takes the typed range, Cancel keeps the one the dialog came with.
TEST_F(DocumentWindow, ReturnOnAFocusedButtonOfTheDbRangeDialogPressesIt)
{
    InstallDialogKeys();
    const struct {
        const char* button;
        bool accepted;
        int range;
    } cases[] = {{"cmdOK", true, 45}, {"cmdCancel", false, 60}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        frmdBRange dialog;
        dialog.dBRange = 60;
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        dialog.txtRange()->setText(QStringLiteral("45"));
        QPushButton* button = dialog.findChild<QPushButton*>(QString::fromLatin1(c.button));
        ASSERT_NE(button, nullptr);
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(dialog.dBRange, c.range);
    }
}

TEST_F(DocumentWindow, ChangeRangeAsksOnlyInTheDbViews)
{
    frmView* w = open(writeResponse("range.wav", {1, 48000, 2000}));
    int dialogs = 0;
    auto answer = [&](const char* text) {
        QTimer::singleShot(0, [&, text] {
            if (auto* d = qobject_cast<frmdBRange*>(QApplication::activeModalWidget())) {
                ++dialogs;
                d->txtRange()->setText(QString::fromLatin1(text));
                QTest::keyClick(d->txtRange(), Qt::Key_Return);
            }
        });
    };
    answer("40");
    w->ChangeRange(); // Pressure: no dialog
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs, 0);
    w->mnViewItem_Click(2);
    answer("40");
    w->ChangeRange();
    EXPECT_EQ(dialogs, 1);
    EXPECT_FLOAT_EQ(w->WaveFile()->dBRange(), 40.0f);
}

TEST_F(DocumentWindow, TheShortestResponseDrawsInEveryView)
{
    frmView* w = open(writeResponse("short.wav", {2, 44100, 256}));
    for (int view = 7; view >= 0; --view) {
        SCOPED_TRACE(view);
        w->mnViewItem_Click(view);
        EXPECT_GT(pixelsOf(w->imgGraph(0)->image(), view < 4 ? qRgb(0, 255, 0) : qRgb(0, 255, 255)), 0);
    }
    EXPECT_EQ(w->maxZoomLevel(), 5);
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(DocumentWindow, ClosingAChangedDocumentAsksAndCancelKeepsIt)
{
    frmView* w = open(writeResponse("close.wav", {1, 48000, 1000}));
    const QString key = w->WaveFile()->Key();
    w->WaveFile()->setChanged(true);
    scripted().messageAnswers.push_back(MsgResult::Cancel);
    EXPECT_FALSE(w->close());
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_EQ(scripted().messages[0].text, "The current data has not been saved.\rSave file now?");
    EXPECT_NE(WaveByKey(key), nullptr);
    scripted().messageAnswers.push_back(MsgResult::No);
    open(QString()); // another document keeps the program running
    EXPECT_TRUE(w->close());
    EXPECT_EQ(WaveByKey(key), nullptr);
}

TEST_F(DocumentWindow, TooSmallSizesChangeNoControl)
{
    frmView* w = open(writeResponse("small.wav", {2, 48000, 2000}));
    const QRect graph = w->imgGraph(0)->geometry();
    const QRect pan = w->scrPan()->geometry();
    w->resize(200, 600); // at or below half the pan bar's initial width
    QCoreApplication::processEvents();
    EXPECT_EQ(w->imgGraph(0)->geometry(), graph);
    EXPECT_EQ(w->scrPan()->geometry(), pan);
    w->resize(900, 120); // below twice the fixed height
    QCoreApplication::processEvents();
    EXPECT_EQ(w->imgGraph(0)->geometry(), graph);
    w->resize(1000, 700); // back to a usable size: laid out from it
    QCoreApplication::processEvents();
    EXPECT_GT(w->imgGraph(0)->width(), graph.width());
}

TEST_F(DocumentWindow, ItsPlaceComesFromViewStateAndViewLeftTop)
{
    clsWave* wave = WaveByKey(NewWave());
    auto* w = qobject_cast<frmView*>(wave->viewer()->widget());
    w->setProperty("ViewState", 0);
    w->setProperty("ViewLeft", 1500); // twips: 100 pixels at 96 dpi
    w->setProperty("ViewTop", 3000);
    w->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(w->ViewLeft(), 1500);
    EXPECT_EQ(w->x(), w->logicalDpiX() * 1500 / 1440);
    EXPECT_EQ(w->y(), w->logicalDpiY() * 3000 / 1440);
    EXPECT_EQ(ActiveWaveKey, wave->Key());
}

TEST_F(DocumentWindow, ThePaletteOffersTheBandsBelowNyquistAndChoosesInOneClick)
{
    frmView* w = open(writeResponse("palette.wav", {1, 32000, 1000}));
    clsWave* wave = w->WaveFile();
    frmFilter palette(w);
    palette.Key = wave->Key();
    palette.show();
    EXPECT_TRUE(palette.cmdFilter(9)->isEnabled());
    EXPECT_FALSE(palette.cmdFilter(10)->isEnabled()); // 16 kHz octave reaches past 16 kHz
    EXPECT_TRUE(palette.cmdFilter(41)->isEnabled());  // 12.5 kHz third octave
    EXPECT_FALSE(palette.cmdFilter(42)->isEnabled());
    EXPECT_TRUE(palette.cmdFilter(98)->isEnabled());
    EXPECT_TRUE(palette.cmdFilter(99)->isChecked()); // all-pass is the current band
    EXPECT_EQ(palette.cmdFilter(12), nullptr);       // labels only: no button

    QTest::mouseClick(palette.cmdFilter(30), Qt::LeftButton);
    EXPECT_EQ(wave->FilterType(), 30);
    EXPECT_FALSE(palette.isVisible());
    EXPECT_EQ(w->lastBand(), 30); // the window was redrawn with the new band

    frmFilter again(w);
    again.Key = wave->Key();
    again.show();
    EXPECT_TRUE(again.cmdFilter(30)->isChecked());
    QTest::keyClick(&again, Qt::Key_Escape);
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(wave->FilterType(), 30);
}

TEST_F(DocumentWindow, MaximisingIsRememberedForTheNextWindow)
{
    frmView* w = open(writeResponse("max.wav", {1, 48000, 1000}));
    w->showMaximized();
    QCoreApplication::processEvents();
    EXPECT_EQ(ViewWindowState, 2);
    EXPECT_EQ(ReadInteger("General", "WindowState", -10, 10).value_or(-1), 2);
    w->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_EQ(ViewWindowState, 2); // minimising stores nothing
    frmView* next = open(QString());
    EXPECT_TRUE(next->isMaximized());
    ViewWindowState = 0;
    SaveSetting("General", "WindowState", "0");
}

TEST_F(DocumentWindow, TheImpulseStartIsMarkedInTheTimeViewsOnly)
{
    frmView* w = open(writeResponse("marker.wav", {1, 48000, 24000}), QSize(1300, 700));
    clsWave* wave = w->WaveFile();
    const double start = wave->IRStart(0);
    EXPECT_NEAR(start, 100.0 / 48000, 1e-6); // silence before sample 100
    const int x = int(std::floor(w->graphWidth() * start / (24000.0 / 48000)));
    const QRgb red = qRgb(255, 0, 0);
    for (int view : {0, 1, 2, 3}) {
        SCOPED_TRACE(view);
        w->mnViewItem_Click(view);
        const QImage& img = w->imgGraph(0)->image();
        EXPECT_GT(pixelsOf(img.copy(x, 0, 1, img.height()), red), img.height() / 4); // the curve hides a part
        EXPECT_EQ(pixelsOf(img.copy(x + 2, 0, img.width() - x - 2, img.height()), red), 0);
    }
    w->mnViewItem_Click(6);
    EXPECT_EQ(pixelsOf(w->imgGraph(0)->image(), red), 0);
}

TEST_F(DocumentWindow, AReflectionIndexResultShowsItsTimeWindow)
{
    // Receiver 6 with the reference plane 1 m away: channel 0's window lies 2 m / Vsound later than channel 1's.
    FileSpec fileSpec;
    fileSpec.receiver = 6;
    fileSpec.probeDist = 1.0f;
    fileSpec.frames = 4800;
    frmView* w = open(writeResponse("ri.wav", fileSpec), QSize(1300, 700));
    const QRgb red = qRgb(255, 0, 0);
    auto firstRedColumn = [&](int ch) {
        const QImage& img = w->imgGraph(ch)->image();
        const int top = int(std::nearbyint(w->graphHeight() * 0.025));
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, top) == red)
                return x;
        return -1;
    };
    for (int view : {0, 2}) {
        SCOPED_TRACE(view);
        w->mnViewItem_Click(view);
        const int c0 = firstRedColumn(0);
        const int c1 = firstRedColumn(1);
        ASSERT_GE(c1, 0);
        const double perSecond = w->graphWidth() / (4800.0 / 48000);
        const double vsound = 20.1 * std::sqrt(20.0 + 273.0);
        EXPECT_NEAR(c0 - c1, 2.0 / vsound * perSecond, 2.0);
    }
}

TEST_F(DocumentWindow, ShowCascadesFromTheLastWindowPlaced)
{
    auto showNew = [&](bool reuse) {
        clsWave* wave = WaveByKey(NewWave());
        wave->Show(reuse);
        QCoreApplication::processEvents();
        return qobject_cast<frmView*>(wave->viewer()->widget());
    };
    auto twipsX = [](const QWidget* w, int px) { return int(std::lround(px * 1440.0 / w->logicalDpiX())); };

    LastViewLeft = LastViewTop = ViewWidth = ViewHeight = 0;
    frmView* first = showNew(false); // nothing placed yet: centred
    const QRect screen = first->screen()->availableGeometry();
    EXPECT_NEAR(first->frameGeometry().center().x(), screen.center().x(), 2);
    EXPECT_EQ(LastViewLeft, twipsX(first, first->x()));

    LastViewLeft = LastViewTop = 1500;
    ViewWidth = ViewHeight = 1000;
    frmView* second = showNew(false); // 300 twips right of and below the last one
    EXPECT_EQ(second->ViewState(), ViewWindowState);
    EXPECT_EQ(second->ViewLeft(), 1800);
    EXPECT_EQ(second->ViewTop(), 1800);
    EXPECT_EQ(LastViewLeft, twipsX(second, second->x()));

    frmView* reused = showNew(true); // at the last one's place
    EXPECT_EQ(reused->ViewLeft(), LastViewLeft);
    EXPECT_EQ(reused->pos(), second->pos());

    ViewWidth = 1000000; // would reach past the screen
    frmView* wrapped = showNew(false);
    EXPECT_EQ(wrapped->ViewLeft(), 600);
    EXPECT_EQ(wrapped->ViewTop(), 600);
    LastViewLeft = LastViewTop = ViewWidth = ViewHeight = 0;
}
