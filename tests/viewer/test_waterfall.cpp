// The waterfall window: its settings, its timer and slice loop, closing it (or its document) while the loop
// runs, and the properties it passes on to the library.
#include "core/Print.h"
#include "core/Settings.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/WaterfallStore.h"
#include "viewer/PictureBox.h"
#include "viewer/frmWaterProp.h"
#include "viewer/frmWaterfall.h"
#include "viewer/frmView.h"
#include "viewer/frmWaterfallSettings.h"
#include "support/private_dirs.h"
#include "viewer_fixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QPrinter>
#include <QRegularExpression>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>

using namespace vemra;

namespace {

constexpr int kFs = 48000;
const QString kSection = QStringLiteral("Waterfall");

// Half a second of a decaying 1 kHz tone over a little noise-like ripple.
QString decayingTone(const QString& name, int channels = 1, int fs = kFs)
{
    return viewertest::writeResponse(
        name, fs / 2, fs,
        [fs](int i) {
            const double t = double(i) / fs;
            return 20000 * std::exp(-t / 0.05) * std::sin(2 * std::numbers::pi * 1000 * t) + 50 * std::sin(i * 0.7);
        },
        channels);
}

// Half a second of zeros but for one sample of `middle` (16-bit units) half-way through; none by default.
QString nearSilence(const QString& name, double middle = 0)
{
    return viewertest::writeResponse(name, kFs / 2, kFs, [middle](int i) { return i == kFs / 4 ? middle : 0.0; });
}

// The decaying tone of decayingTone on the first channel, zeros on the second.
QString silentSecondChannel(const QString& name)
{
    return viewertest::written(test::ResponseFile(name.toStdString())
                                   .channels(2)
                                   .rate(kFs)
                                   .frames(kFs / 2)
                                   .sample([](std::int64_t i, int c) {
                                       const double t = double(i) / kFs;
                                       return c == 1 ? 0.0
                                                     : 20000 * std::exp(-t / 0.05)
                                                           * std::sin(2 * std::numbers::pi * 1000 * t);
                                   }));
}

std::size_t slicesShown(const frmWaterfall& w)
{
    const std::optional<WaterfallPicture> picture = WaterfallPictureOf(w.record());
    return picture ? picture->slices.size() : 0;
}

// The smallest rectangle of the plot holding every pixel that is not its background.
QRect drawnBounds(const frmWaterfall& w)
{
    const QImage& image = w.picPlot()->image();
    const QRgb background = image.pixel(0, 0);
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// The plot says something in one line across its middle, and shows nothing else.
void expectOneLineAcrossTheMiddle(const frmWaterfall& w)
{
    const QRect text = drawnBounds(w);
    const QSize plot = w.picPlot()->image().size();
    ASSERT_FALSE(text.isEmpty()) << "the plot says nothing";
    EXPECT_LT(text.height(), 40);
    EXPECT_GT(text.width(), plot.width() / 4);
    EXPECT_NEAR(text.center().y(), plot.height() / 2, 10);
}

// Pixels of the plot that are not its background.
int drawnPixels(const frmWaterfall& w)
{
    const QImage& image = w.picPlot()->image();
    const QRgb background = image.pixel(0, 0);
    int count = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            count += image.pixel(x, y) != background;
    return count;
}

// Runs `act` on the window's properties dialog as soon as it is open (it runs its own event loop).
void whenDialogOpens(frmWaterfall* window, std::function<void(frmWaterProp&)> act)
{
    auto* poll = new QTimer;
    QPointer<frmWaterfall> watched(window);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, watched, act] {
        if (!watched) {
            poll->deleteLater();
            return;
        }
        frmWaterProp* dialog = watched->propertiesDialog();
        if (dialog && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            act(*dialog);
        }
    });
    poll->start(5);
}

// Once the loop has computed `slices` slices, runs `act` from inside its next yield to the event loop.
void duringTheLoop(frmWaterfall* window, int percent, std::function<void()> act)
{
    auto fired = std::make_shared<bool>(false);
    QObject::connect(window->prgProgress(), &QProgressBar::valueChanged, window, [fired, percent, act](int value) {
        if (*fired || value < percent)
            return;
        *fired = true;
        QTimer::singleShot(0, act);
    });
}

class WaterfallWindow : public testing::Test {
protected:
    void SetUp() override
    {
        viewertest::scripted().clear();
        DeleteSetting(kSection);
        // Small, quick slices unless a test asks for others.
        WriteInteger(kSection, QStringLiteral("LogN"), 9);
        WriteInteger(kSection, QStringLiteral("Slices"), 60);
    }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* waterfall = qobject_cast<frmWaterfall*>(w); waterfall && !waterfall->Busy())
                waterfall->close();
        for (clsWave* wave : WavesSnapshot())
            wave->Die();
        QTest::qWait(20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A document and a waterfall window on it, shown.
    QPointer<frmWaterfall> open(const QString& path, std::int32_t start = 0, std::int32_t count = -1)
    {
        key_ = NewWave(false);
        clsWave* wave = WaveByKey(key_);
        wave->setFileName(path);
        auto* w = new frmWaterfall;
        w->Key = key_;
        w->StartSample = start;
        w->SampleCount = count < 0 ? wave->SampleCount() : count;
        w->show();
        return w;
    }

    // Opens a window and answers its first dialog with OK; returns when the picture is drawn.
    QPointer<frmWaterfall> openComputed(const QString& path)
    {
        QPointer<frmWaterfall> w = open(path);
        whenDialogOpens(w, [](frmWaterProp& d) { d.cmdOK->click(); });
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return w && w->slicesValid() && w->statusPanel()->text() == "Ready"; }, 10000));
        return w;
    }

    clsWave* document() const { return WaveByKey(key_); }

    QString key_;
};

} // namespace

TEST(WaterfallSettings, ValuesAreRangeCheckedWhenRead)
{
    struct Case {
        const char* key;
        const char* stored;
        std::function<double(const WaterfallParams&, bool maxRange)> field;
        double expected;
    };
    auto type = [](const WaterfallParams& p, bool) { return double(p.WaterfallType); };
    auto logN = [](const WaterfallParams& p, bool) { return double(p.LogN); };
    auto slices = [](const WaterfallParams& p, bool) { return double(p.Slices); };
    auto window = [](const WaterfallParams& p, bool) { return double(p.WindowType); };
    auto shift = [](const WaterfallParams& p, bool) { return double(p.CSDShift); };
    auto rise = [](const WaterfallParams& p, bool) { return double(p.CSDRise); };
    auto range = [](const WaterfallParams& p, bool) { return double(p.Range); };
    auto minBand = [](const WaterfallParams& p, bool) { return double(p.MinFreqBand); };
    auto maxBand = [](const WaterfallParams& p, bool) { return double(p.MaxFreqBand); };
    auto maxRange = [](const WaterfallParams&, bool m) { return m ? 1.0 : 0.0; };
    auto smooth = [](const WaterfallParams& p, bool) { return double(p.Smooth); };
    auto lin = [](const WaterfallParams& p, bool) { return double(p.LinScale); };
    const Case cases[] = {
        {"Type", "3", type, 3},          {"Type", "4", type, 0},           {"Type", "-1", type, 0},
        {"LogN", "16", logN, 16},        {"LogN", "17", logN, 11},         {"LogN", "7", logN, 11},
        {"LogN", "x", logN, 11},         {"Slices", "1000", slices, 1000}, {"Slices", "1001", slices, 100},
        {"Slices", "0", slices, 100},    {"Window", "10", window, 10},     {"Window", "2", window, 1},
        {"Window", "11", window, 1},     {"Shift", "32767", shift, 32767}, {"Shift", "32768", shift, 20},
        {"Shift", "-1", shift, 20},      {"RiseTime", "100", rise, 100},   {"RiseTime", "100.5", rise, 0.2f},
        {"RiseTime", "-0.1", rise, 0.2f}, {"Range", "120", range, 120},    {"Range", "121", range, 40},
        {"Range", "0", range, 40},       {"MinBand", "10", minBand, 10},   {"MinBand", "11", minBand, 1},
        {"MaxBand", "5", maxBand, 5},    {"MaxBand", "5", maxRange, 0},    {"MaxBand", "-1", maxBand, 10},
        {"MaxBand", "-1", maxRange, 1},  {"MaxBand", "12", maxBand, 10},   {"Smooth", "False", smooth, 0},
        {"Smooth", "7", smooth, -1},     {"Smooth", "maybe", smooth, -1},  {"Lin", "True", lin, -1},
        {"Lin", "0", lin, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " = " + c.stored);
        DeleteSetting(kSection);
        SaveSetting(kSection, QString::fromLatin1(c.key), QString::fromLatin1(c.stored));
        WaterfallParams p{};
        bool maxRange = false;
        ReadWaterfallSettings(p, maxRange, 48000);
        EXPECT_FLOAT_EQ(float(c.field(p, maxRange)), float(c.expected));
    }
}

TEST(WaterfallSettings, BandsFollowTheRateAndAReversedPairFallsBackToTheWholeRange)
{
    DeleteSetting(kSection);
    WaterfallParams p{};
    bool maxRange = false;
    ReadWaterfallSettings(p, maxRange, 44100);
    EXPECT_EQ(p.MinFreqBand, 1);
    EXPECT_EQ(p.MaxFreqBand, 9); // 8 kHz: the 16 kHz octave reaches beyond 22.05 kHz
    EXPECT_TRUE(maxRange);

    SaveSetting(kSection, QStringLiteral("MinBand"), QStringLiteral("8"));
    SaveSetting(kSection, QStringLiteral("MaxBand"), QStringLiteral("5"));
    ReadWaterfallSettings(p, maxRange, 48000);
    EXPECT_EQ(p.MinFreqBand, 1);
    EXPECT_EQ(p.MaxFreqBand, 10);
    EXPECT_TRUE(maxRange);
}

TEST(WaterfallSettings, WrittenValuesReadBackAndTheAutomaticUpperBandStaysAutomatic)
{
    DeleteSetting(kSection);
    WaterfallParams written{};
    written.WaterfallType = 3;
    written.LogN = 13;
    written.Slices = 250;
    written.WindowType = 7;
    written.CSDShift = 35;
    written.CSDRise = 0.35f;
    written.Range = 55;
    written.MinFreqBand = 3;
    written.MaxFreqBand = 8;
    written.Smooth = False16;
    written.LinScale = True16;
    WriteWaterfallSettings(written, true);
    EXPECT_EQ(GetSetting(kSection, QStringLiteral("MaxBand")), QStringLiteral("-1"));
    EXPECT_EQ(GetSetting(kSection, QStringLiteral("Lin")), QStringLiteral("-1"));
    EXPECT_EQ(GetSetting(kSection, QStringLiteral("RiseTime")), QStringLiteral("0.35"));

    WaterfallParams read{};
    bool maxRange = false;
    ReadWaterfallSettings(read, maxRange, 48000);
    EXPECT_TRUE(maxRange);
    written.MaxFreqBand = 10;
    EXPECT_EQ(std::memcmp(&read, &written, sizeof read), 0);
}

// Escape on the first properties dialog leaves nothing computed and nothing to compute: the plot says in one line
// across its middle that no waterfall is drawn and how to draw one, and that way draws it.
TEST_F(WaterfallWindow, EscapeOnTheFirstDialogLeavesAPlotThatSaysHowToDrawTheWaterfall)
{
    const QString path = decayingTone(QStringLiteral("cancel.wav"));
    QPointer<frmWaterfall> w = open(path);
    bool shown = false;
    whenDialogOpens(w, [&](frmWaterProp& d) {
        shown = true;
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown && !w->propertiesDialog(); }, 5000));
    EXPECT_TRUE(w->cancelled());
    EXPECT_FALSE(w->slicesValid());
    EXPECT_FALSE(w->tmrUpdate()->isActive());
    EXPECT_FALSE(w->pictureDrawn());
    EXPECT_EQ(w->plotNote(), QStringLiteral("No waterfall drawn: click Properties on the toolbar, then OK"));
    EXPECT_EQ(w->button(QStringLiteral("Properties"))->text(), QStringLiteral("Properties"));
    expectOneLineAcrossTheMiddle(*w);
    const QSize plot = w->picPlot()->image().size();

    whenDialogOpens(w, [](frmWaterProp& d) { d.cmdOK->click(); });
    w->toolbarButtonClick(QStringLiteral("Properties"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->slicesValid() && w->statusPanel()->text() == "Ready"; }, 10000));
    EXPECT_TRUE(w->pictureDrawn());
    EXPECT_EQ(w->plotNote(), QString());
    EXPECT_GT(drawnBounds(*w).height(), plot.height() / 2);
}

TEST_F(WaterfallWindow, OkComputesTheSlicesAndDrawsThem)
{
    const QString path = decayingTone(QStringLiteral("ok.wav"));
    // The temporary copy must not make a new recording look saved.
    QPointer<frmWaterfall> w;
    {
        key_ = NewWave(false);
        document()->setFileName(path);
        document()->setNewRecording(true);
        w = new frmWaterfall;
        w->Key = key_;
        w->StartSample = 0;
        w->SampleCount = document()->SampleCount();
        w->show();
        whenDialogOpens(w, [](frmWaterProp& d) { d.cmdOK->click(); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->slicesValid() && w->statusPanel()->text() == "Ready"; }, 10000));
    }
    EXPECT_TRUE(document()->NewRecording());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Waterfall - ") + path);
    EXPECT_EQ(slicesShown(*w), 60u);
    // The picture outlasts the status bar settling after its texts changed.
    QTest::qWait(300);
    EXPECT_EQ(w->picPlot()->image().size(), w->picPlot()->size());
    EXPECT_GT(drawnPixels(*w), 1000);
    EXPECT_FALSE(w->cancelled());
    EXPECT_FALSE(w->button(QStringLiteral("Channel2"))->isEnabled());
    EXPECT_EQ(w->record().Channel, 0);
    EXPECT_FALSE(w->cancelPanel()->isEnabled());

    // Closing destroys the library's waterfall, writes the settings and deletes the copy.
    const QString temp = w->TempName();
    EXPECT_TRUE(QFileInfo::exists(temp));
    SaveSetting(kSection, QStringLiteral("Slices"), QStringLiteral("7"));
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_EQ(GetSetting(kSection, QStringLiteral("Slices")), QStringLiteral("60"));
    EXPECT_TRUE(document() != nullptr); // the document stays open
}

TEST_F(WaterfallWindow, PrintsThePictureOnOnePageAndCopiesIt)
{
    QPointer<frmWaterfall> w = openComputed(decayingTone(QStringLiteral("print.wav")));
    ASSERT_TRUE(w);
    const QString pdf = QString::fromStdString(test::privateRoot()) + QStringLiteral("/waterfall.pdf");
    // The file chosen in the window's printer dialog is the program's printer from then on.
    viewertest::scripted().printFiles = {pdf};
    w->toolbarButtonClick(QStringLiteral("Print"));
    EXPECT_EQ(viewertest::scripted().printDialogs, 1);
    EXPECT_EQ(CurrentPrinter().outputFileName(), pdf);
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(f.readAll());
    EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))), 1);
    f.close();

    // A cancelled printer dialog prints nothing.
    QFile::remove(pdf);
    viewertest::scripted().printAnswers.push_back(false);
    w->toolbarButtonClick(QStringLiteral("Print"));
    EXPECT_FALSE(QFile::exists(pdf));

    QGuiApplication::clipboard()->clear();
    w->toolbarButtonClick(QStringLiteral("Copy"));
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), w->picPlot()->image().size());
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32), w->picPlot()->image().convertToFormat(QImage::Format_RGB32));
}

// While the plot shows no picture, Copy leaves the clipboard as it was and Print prints nothing, not even the
// printer dialog: the user is told instead. Before the first picture, after a new size has cleared one, and when
// the response is silent.
TEST_F(WaterfallWindow, CopyAndPrintWithoutAPictureRefuse)
{
    const QString pdf = QString::fromStdString(test::privateRoot()) + QStringLiteral("/no-picture.pdf");
    const struct {
        const char* name;
        std::function<QPointer<frmWaterfall>()> open;
    } cases[] = {
        {"the first dialog cancelled",
         [&] {
             QPointer<frmWaterfall> w = open(decayingTone(QStringLiteral("never-drawn.wav")));
             bool answered = false;
             whenDialogOpens(w, [&](frmWaterProp& d) {
                 answered = true;
                 d.cmdCancel->click();
             });
             EXPECT_TRUE(QTest::qWaitFor([&] { return answered && w && !w->propertiesDialog(); }, 5000));
             return w;
         }},
        {"a new size after drawing",
         [&] {
             QPointer<frmWaterfall> w = openComputed(decayingTone(QStringLiteral("resized.wav")));
             if (w) {
                 EXPECT_TRUE(w->pictureDrawn());
                 w->picPlot()->resize(w->picPlot()->size() - QSize(40, 30));
             }
             return w;
         }},
        {"a file of zeros",
         [&] {
             QPointer<frmWaterfall> w = openComputed(nearSilence(QStringLiteral("zeros.wav")));
             if (w) {
                 EXPECT_FALSE(w->pictureDrawn());
             }
             return w;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QPointer<frmWaterfall> w = c.open();
        ASSERT_TRUE(w);
        viewertest::scripted().clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("from another program"));
        w->toolbarButtonClick(QStringLiteral("Copy"));
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("from another program"));
        ASSERT_EQ(viewertest::scripted().messages.size(), 1u);
        EXPECT_TRUE(viewertest::scripted().messages[0].text.contains("nothing to copy"))
            << viewertest::scripted().messages[0].text.toStdString();

        QFile::remove(pdf);
        viewertest::scripted().printFiles = {pdf};
        w->toolbarButtonClick(QStringLiteral("Print"));
        EXPECT_EQ(viewertest::scripted().printDialogs, 0);
        EXPECT_FALSE(QFile::exists(pdf));
        ASSERT_EQ(viewertest::scripted().messages.size(), 2u);
        EXPECT_TRUE(viewertest::scripted().messages[1].text.contains("nothing to print"))
            << viewertest::scripted().messages[1].text.toStdString();
        viewertest::scripted().clear();
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A channel that is silent in the analysed stretch has no level to draw the others below: the plot says why in
// one line in its middle, in place of a plane at the top of the scale. The other channel still draws.
TEST_F(WaterfallWindow, ASilentChannelShowsWhyItHasNoPicture)
{
    const struct {
        const char* name;
        QString file;
        const char* silentChannel;
    } cases[] = {
        {"a file of zeros", nearSilence(QStringLiteral("zeros.wav")), "Channel1"},
        {"the silent second channel", silentSecondChannel(QStringLiteral("half-silent.wav")), "Channel2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QPointer<frmWaterfall> w = openComputed(c.file);
        ASSERT_TRUE(w);
        if (QLatin1String(c.silentChannel) == QLatin1String("Channel2")) {
            EXPECT_TRUE(w->pictureDrawn());
            EXPECT_GT(drawnPixels(*w), 1000);
            w->toolbarButtonClick(QStringLiteral("Channel2"));
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return w->slicesValid() && !w->Busy() && w->statusPanel()->text() == "Ready"; }, 10000));
        }
        EXPECT_FALSE(w->pictureDrawn());
        expectOneLineAcrossTheMiddle(*w);
        const QSize plot = w->picPlot()->image().size();

        // Back on the sounding channel, the picture is drawn again.
        if (QLatin1String(c.silentChannel) == QLatin1String("Channel2")) {
            w->toolbarButtonClick(QStringLiteral("Channel1"));
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return w->slicesValid() && !w->Busy() && w->statusPanel()->text() == "Ready"; }, 10000));
            EXPECT_TRUE(w->pictureDrawn());
            EXPECT_GT(drawnBounds(*w).height(), plot.height() / 2);
        }
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// One sample of value 1 (90 dB below full scale) is quiet, not silent: it draws, and Copy takes the picture.
TEST_F(WaterfallWindow, AQuietResponseStillDraws)
{
    QPointer<frmWaterfall> w = openComputed(nearSilence(QStringLiteral("quiet.wav"), 1));
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->pictureDrawn());
    EXPECT_GT(drawnPixels(*w), 1000);
    EXPECT_GT(drawnBounds(*w).height(), w->picPlot()->image().height() / 2);
    viewertest::scripted().clear();
    QGuiApplication::clipboard()->clear();
    w->toolbarButtonClick(QStringLiteral("Copy"));
    EXPECT_TRUE(viewertest::scripted().messages.empty());
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), w->picPlot()->image().size());
}

TEST_F(WaterfallWindow, TheSecondChannelIsComputedOnRequest)
{
    QPointer<frmWaterfall> w = openComputed(decayingTone(QStringLiteral("stereo.wav"), 2));
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->button(QStringLiteral("Channel2"))->isEnabled());
    w->toolbarButtonClick(QStringLiteral("Channel2"));
    EXPECT_EQ(w->record().Channel, 1);
    EXPECT_FALSE(w->slicesValid());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->slicesValid() && !w->Busy(); }, 10000));
    EXPECT_EQ(slicesShown(*w), 60u);
    // The channel already shown does nothing.
    w->toolbarButtonClick(QStringLiteral("Channel2"));
    EXPECT_TRUE(w->slicesValid());
}

// Slices and LogN rebuild the library's table at once, and only when they change; band limits, colours and the
// axis only ask for a redraw.
TEST_F(WaterfallWindow, PropertyLetsRecomputeOrRedrawOnlyWhatChanged)
{
    QPointer<frmWaterfall> w = openComputed(decayingTone(QStringLiteral("lets.wav")));
    ASSERT_TRUE(w);
    w->setSlices(60);
    w->setLogN(9);
    EXPECT_TRUE(w->slicesValid());
    EXPECT_EQ(slicesShown(*w), 60u);

    w->setMinFreqBand(3);
    w->setColors(2);
    w->setLinScale(true);
    EXPECT_TRUE(w->slicesValid());
    EXPECT_TRUE(w->redrawNeeded());

    w->setSlices(40);
    EXPECT_FALSE(w->slicesValid());
    EXPECT_EQ(slicesShown(*w), 0u);
    EXPECT_EQ(w->record().Slices, 40);

    struct Let {
        const char* name;
        std::function<void(frmWaterfall&)> change;
    };
    const Let recomputing[] = {
        {"type", [](frmWaterfall& f) { f.setWaterfallType(3); }},
        {"window", [](frmWaterfall& f) { f.setWindowType(10); }},
        {"rise time", [](frmWaterfall& f) { f.setCSDRise(1.5f); }},
        {"shift", [](frmWaterfall& f) { f.setCSDShift(7); }},
        {"range", [](frmWaterfall& f) { f.setRange(70); }},
        {"smoothing", [](frmWaterfall& f) { f.setSmooth(false); }},
        {"automatic upper band", [](frmWaterfall& f) { f.setMaxFreqRange(false); }},
    };
    for (const Let& let : recomputing) {
        SCOPED_TRACE(let.name);
        w->tmrUpdate_Timer();
        ASSERT_TRUE(w->slicesValid());
        let.change(*w);
        EXPECT_FALSE(w->slicesValid());
    }
}

// Stopped with the "Cancel" panel, the loop counts what it computed as done: that much is drawn, and nothing is
// computed again until something changes.
TEST_F(WaterfallWindow, TheCancelPanelStopsTheLoopAndKeepsWhatIsDone)
{
    WriteInteger(kSection, QStringLiteral("Slices"), 400);
    QPointer<frmWaterfall> w = open(decayingTone(QStringLiteral("stop.wav")));
    duringTheLoop(w, 10, [w] {
        EXPECT_TRUE(w->Busy());
        EXPECT_TRUE(w->cancelPanel()->isEnabled());
        EXPECT_EQ(w->cancelPanel()->text(), QStringLiteral("Cancel"));
        EXPECT_FALSE(w->button(QStringLiteral("Properties"))->isEnabled());
        w->cancelPanel()->click();
    });
    whenDialogOpens(w, [](frmWaterProp& d) { d.cmdOK->click(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->statusPanel()->text() == "Ready"; }, 10000));
    EXPECT_TRUE(w->slicesValid());
    EXPECT_GT(slicesShown(*w), 30u);
    EXPECT_LT(slicesShown(*w), 100u);
    EXPECT_GT(drawnPixels(*w), 100);
    EXPECT_FALSE(w->Busy());
    EXPECT_TRUE(w->button(QStringLiteral("Properties"))->isEnabled());
    EXPECT_EQ(w->cancelPanel()->text(), QString());
    QTest::qWait(250);
    EXPECT_LT(slicesShown(*w), 100u);
}

// A close request while the loop runs stops the loop first; the window then closes, releasing the library's
// waterfall and its copy of the response.
TEST_F(WaterfallWindow, ClosingDuringTheLoopStopsItAndThenCloses)
{
    WriteInteger(kSection, QStringLiteral("Slices"), 400);
    QPointer<frmWaterfall> w = open(decayingTone(QStringLiteral("close.wav")));
    std::int32_t handle = 0;
    QString temp;
    duringTheLoop(w, 10, [&] {
        handle = w->record().LibraryData;
        temp = w->TempName();
        EXPECT_FALSE(w->close()); // refused while the loop runs
        EXPECT_TRUE(w->isVisible());
    });
    whenDialogOpens(w, [](frmWaterProp& d) { d.cmdOK->click(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.isNull(); }, 10000));
    EXPECT_NE(handle, 0);
    EXPECT_EQ(WaterfallStore::find(handle), nullptr);
    EXPECT_FALSE(QFileInfo::exists(temp));
}

// The document going away closes its waterfall windows; one in its slice loop stops the loop first.
TEST_F(WaterfallWindow, TheDocumentDyingDuringAYieldClosesTheWindowAfterItsLoop)
{
    WriteInteger(kSection, QStringLiteral("Slices"), 400);
    QPointer<frmWaterfall> w = open(decayingTone(QStringLiteral("die.wav")));
    duringTheLoop(w, 10, [this] { document()->Die(); });
    whenDialogOpens(w, [](frmWaterProp& d) { d.cmdOK->click(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.isNull(); }, 10000));
    EXPECT_EQ(document(), nullptr);

    // And one that is idle goes at once.
    QPointer<frmWaterfall> idle = openComputed(decayingTone(QStringLiteral("die-idle.wav")));
    ASSERT_TRUE(idle);
    document()->Die();
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle.isNull(); }, 5000));
}

// The program's exit deletes windows without asking them to close; one deleted in the middle of its loop must
// leave the loop without touching itself again.
TEST_F(WaterfallWindow, AWindowDeletedDuringAYieldLeavesItsLoopSafely)
{
    WriteInteger(kSection, QStringLiteral("Slices"), 400);
    QPointer<frmWaterfall> w = open(decayingTone(QStringLiteral("deleted.wav")));
    std::int32_t handle = 0;
    duringTheLoop(w, 10, [&] {
        handle = w->record().LibraryData;
        w->deleteLater();
    });
    whenDialogOpens(w, [](frmWaterProp& d) { d.cmdOK->click(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.isNull(); }, 10000));
    EXPECT_EQ(WaterfallStore::find(handle), nullptr);
}

// A resize during the loop is not lost: the loop stops, and the slices are computed again for the new size.
TEST_F(WaterfallWindow, AResizeDuringTheLoopIsComputedAfterIt)
{
    WriteInteger(kSection, QStringLiteral("Slices"), 400);
    QPointer<frmWaterfall> w = open(decayingTone(QStringLiteral("resize.wav")));
    // A pass starts when the progress leaves 0.
    int passes = 0;
    int last = 0;
    QObject::connect(w->prgProgress(), &QProgressBar::valueChanged, w, [&](int value) {
        if (last == 0 && value > 0)
            ++passes;
        last = value;
    });
    duringTheLoop(w, 10, [&] { w->resize(w->width() + 40, w->height() + 30); });
    whenDialogOpens(w, [](frmWaterProp& d) { d.cmdOK->click(); });
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return passes == 2 && w->slicesValid() && w->statusPanel()->text() == "Ready"; }, 20000));
    EXPECT_EQ(slicesShown(*w), 400u);
    EXPECT_EQ(w->picPlot()->image().size(), w->picPlot()->size());
}

// --- opened from the document window ---

class WaterfallCommand : public viewertest::ViewerWindow {
protected:
    // The waterfall window View > Waterfall opened, closed again before its first tick.
    static std::pair<std::int32_t, std::int32_t> openedStretch(frmView& w)
    {
        w.menuItem(QStringLiteral("mnViewWaterfall"))->trigger();
        frmWaterfall* opened = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<frmWaterfall*>(top); f && f->isVisible())
                opened = f;
        if (!opened)
            return {-1, -1};
        EXPECT_EQ(opened->Key, w.WaveFile()->Key());
        const std::pair stretch{opened->StartSample, opened->SampleCount};
        opened->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return stretch;
    }
};

// The selection in a time view, else the whole response; the points of a spectrum view are no samples.
TEST_F(WaterfallCommand, ViewWaterfallAnalysesTheSelectionOfATimeViewElseTheWholeResponse)
{
    frmView* w = open(decayingTone(QStringLiteral("command.wav")));
    ASSERT_TRUE(w->menuItem(QStringLiteral("mnViewWaterfall"))->isEnabled());
    ASSERT_TRUE(w->button(QStringLiteral("Waterfall"))->isEnabled());
    EXPECT_EQ(openedStretch(*w), std::make_pair(0, kFs / 2));

    drag(*w, w->graphWidth() * 3 / 4, w->graphWidth() / 4); // leftwards
    ASSERT_TRUE(w->selectionActive());
    const std::int32_t start = w->selStart() + std::min(0, w->selLength());
    const std::int32_t length = std::abs(w->selLength());
    EXPECT_GT(length, 1000);
    EXPECT_EQ(openedStretch(*w), std::make_pair(start, length));

    w->mnViewItem_Click(7);
    w->mnEditSelectAll_Click();
    EXPECT_EQ(openedStretch(*w), std::make_pair(0, kFs / 2));
}

TEST_F(WaterfallCommand, AnEmptyWindowOffersNoWaterfall)
{
    frmView* w = open(QString());
    w->menuItem(QStringLiteral("mnViewWaterfall"))->trigger();
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<frmWaterfall*>(top) && top->isVisible());
}

// --- the properties dialog ---

class WaterfallProperties : public WaterfallWindow {
protected:
    // A window whose first dialog was cancelled, ready for a dialog of the test's own.
    QPointer<frmWaterfall> idleWindow(int fs = kFs, int channels = 1)
    {
        QPointer<frmWaterfall> w = open(decayingTone(QStringLiteral("props.wav"), channels, fs));
        whenDialogOpens(w, [](frmWaterProp& d) { d.cmdCancel->click(); });
        EXPECT_TRUE(QTest::qWaitFor([&] { return w && !w->firstTick() && !w->propertiesDialog(); }, 5000));
        return w;
    }

    static QStringList entries(const QComboBox* box)
    {
        QStringList all;
        for (int i = 0; i < box->count(); ++i)
            all << box->itemText(i);
        return all;
    }

    static void leave(QLineEdit* field)
    {
        QFocusEvent out(QEvent::FocusOut);
        QCoreApplication::sendEvent(field, &out);
    }
};

// Leaving a field with an entry outside its range, or no number at all, shows the window's value again.
TEST_F(WaterfallProperties, FieldsOutOfRangeShowTheWindowsValueAgain)
{
    QPointer<frmWaterfall> w = idleWindow();
    w->setRange(45);
    w->setSlices(60);
    w->setCSDRise(0.25f);
    w->setCSDShift(20);
    struct Case {
        const char* field;
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {"txtRange", "0", "45"},        {"txtRange", "121", "45"},      {"txtRange", "1", "1"},
        {"txtRange", "120", "120"},     {"txtRange", "ten", "45"},      {"txtSlices", "1000", "1000"},
        {"txtSlices", "1001", "60"},    {"txtSlices", "0", "60"},       {"txtSlices", "1", "1"},
        {"txtRiseTime", "0", "0"},      {"txtRiseTime", "100", "100"},  {"txtRiseTime", "100.01", "0.25"},
        {"txtRiseTime", "-0.5", "0.25"}, {"txtRiseTime", "", "0.25"},   {"txtShift", "32767", "32767"},
        {"txtShift", "32768", "20"},    {"txtShift", "-1", "20"},       {"txtShift", "0", "0"},
    };
    frmWaterProp dialog(w);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " <- '" + c.typed + "'");
        auto* field = dialog.findChild<QLineEdit*>(QString::fromLatin1(c.field));
        ASSERT_TRUE(field);
        field->setText(QString::fromLatin1(c.typed));
        leave(field);
        EXPECT_EQ(field->text(), QString::fromLatin1(c.shown));
    }
}

// Return presses OK while the focus is still in a field: OK checks the fields itself, so no value outside its
// range reaches the window.
TEST_F(WaterfallProperties, OkNeverPassesAnEntryOutsideItsRange)
{
    QPointer<frmWaterfall> w = idleWindow();
    const int slices = w->Slices();
    frmWaterProp dialog(w);
    dialog.txtSlices->setText(QStringLiteral("5000"));
    dialog.txtRange->setText(QStringLiteral("80"));
    dialog.cmdOK_Click();
    EXPECT_EQ(w->Slices(), slices);
    EXPECT_EQ(w->Range(), 80);
    EXPECT_FALSE(w->cancelled());
}

TEST_F(WaterfallProperties, BandListsHoldTheOctavesBelowNyquistAndMax)
{
    for (const auto& [fs, last] : {std::pair{44100, "8000"}, std::pair{48000, "16000"}}) {
        SCOPED_TRACE(fs);
        QPointer<frmWaterfall> w = idleWindow(fs);
        frmWaterProp dialog(w);
        QStringList expected{"31.5", "63", "125", "250", "500", "1000", "2000", "4000", "8000"};
        if (fs == 48000)
            expected << "16000";
        EXPECT_EQ(entries(dialog.cmbMinX), expected);
        EXPECT_EQ(entries(dialog.cmbMaxX), expected + QStringList{"Max"});
        EXPECT_EQ(dialog.cmbMinX->itemText(dialog.cmbMinX->count() - 1), QString::fromLatin1(last));
        w->close();
    }
}

TEST_F(WaterfallProperties, BandChoicesKeepTheLowerAtOrBelowTheUpper)
{
    QPointer<frmWaterfall> w = idleWindow();
    // A stored lower band above the upper one: the first lower entry and "Max".
    w->setMaxFreqRange(false);
    w->setMinFreqBand(8);
    w->setMaxFreqBand(5);
    {
        frmWaterProp dialog(w);
        EXPECT_EQ(dialog.cmbMinX->currentIndex(), 0);
        EXPECT_EQ(dialog.cmbMaxX->currentText(), QStringLiteral("Max"));
    }
    w->setMinFreqBand(2);
    frmWaterProp dialog(w);
    EXPECT_EQ(dialog.cmbMinX->currentText(), QStringLiteral("63"));
    EXPECT_EQ(dialog.cmbMaxX->currentText(), QStringLiteral("500"));
    dialog.cmbMinX->setCurrentIndex(7);
    dialog.cmbMinX_Click();
    EXPECT_EQ(dialog.cmbMinX->currentText(), QStringLiteral("500"));
    dialog.cmbMinX->setCurrentIndex(2);
    dialog.cmbMaxX->setCurrentIndex(0);
    dialog.cmbMaxX_Click();
    EXPECT_EQ(dialog.cmbMaxX->currentText(), QStringLiteral("125"));

    // OK with "Max" makes the upper band follow the rate.
    dialog.cmbMaxX->setCurrentIndex(dialog.cmbMaxX->count() - 1);
    dialog.cmdOK_Click();
    EXPECT_TRUE(w->MaxFreqRange());
    EXPECT_EQ(w->MaxFreqBand(), 10);
    EXPECT_EQ(w->MinFreqBand(), 3);
}

TEST_F(WaterfallProperties, ModeButtonsEnableTheCsdParametersAndSetTheType)
{
    QPointer<frmWaterfall> w = idleWindow();
    w->setWaterfallType(0);
    frmWaterProp dialog(w);
    EXPECT_TRUE(dialog.optETF->isChecked());
    EXPECT_TRUE(dialog.optWF->isChecked());
    EXPECT_FALSE(dialog.fraCSD->isEnabled());
    dialog.optCSD->click();
    EXPECT_TRUE(dialog.fraCSD->isEnabled());
    EXPECT_TRUE(dialog.txtShift->isEnabled());
    dialog.optSG->click();
    dialog.optGrey->click();
    dialog.cmbWindowSize->setCurrentIndex(dialog.cmbWindowSize->findText(QStringLiteral("4096")));
    dialog.cmbWindowType->setCurrentIndex(dialog.cmbWindowType->findText(QStringLiteral("Blackman")));
    dialog.cmdOK_Click();
    EXPECT_EQ(w->WaterfallType(), 3);
    EXPECT_EQ(w->Colors(), 2);
    EXPECT_EQ(w->LogN(), 12);
    EXPECT_EQ(w->WindowType(), 7);

    frmWaterProp again(w);
    EXPECT_TRUE(again.optCSD->isChecked());
    EXPECT_TRUE(again.optSG->isChecked());
    again.optETF->click();
    EXPECT_FALSE(again.fraCSD->isEnabled());
    EXPECT_FALSE(again.lblProperties[2]->isEnabled());
}

// Cancel (or the frame) changes nothing; OK with unchanged values changes nothing but Cancel.
TEST_F(WaterfallProperties, CancelChangesNothingAndAnUnchangedOkOnlyClearsCancel)
{
    QPointer<frmWaterfall> w = openComputed(decayingTone(QStringLiteral("unchanged.wav")));
    ASSERT_TRUE(w);
    const WaterfallParams before = w->record();
    {
        frmWaterProp dialog(w);
        EXPECT_TRUE(w->cancelled());
        dialog.txtSlices->setText(QStringLiteral("12"));
        dialog.optGrey->click();
        dialog.cmdCancel_Click();
    }
    EXPECT_TRUE(w->cancelled());
    EXPECT_EQ(std::memcmp(&before, &w->record(), sizeof before), 0);

    frmWaterProp dialog(w);
    dialog.cmdOK_Click();
    EXPECT_FALSE(w->cancelled());
    EXPECT_TRUE(w->slicesValid());
    EXPECT_FALSE(w->redrawNeeded());
    EXPECT_EQ(std::memcmp(&before, &w->record(), sizeof before), 0);
}
