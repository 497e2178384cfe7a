// The document window's output: File > Print and the toolbar's Print (to a PDF file here), Ctrl+C's copy of the
// graph, and Play and Stop through the sound engine on a stepped virtual card.
#include "audio/frmMeasure.h"
#include "core/Print.h"
#include "core/ProgramHooks.h"
#include "library/WaveStore.h"
#include "library/sound/Engine.h"
#include "library/sound/VirtualCard.h"
#include "viewer/WaveClipboard.h"
#include "support/gui_figure.h"
#include "support/private_dirs.h"
#include "viewer_fixture.h"

#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>

using namespace vemra;
using viewertest::scripted;
using viewertest::written;
using vemra::test::curvePixels;
using vemra::test::pdfFirstPage;
using vemra::test::pdfText;

namespace {

// A decaying tone of 4800 samples at 48 kHz, peaks well inside the card's linear range.
QString toneFile(const char* name)
{
    return written(test::ResponseFile(name).frames(4800).sample([](std::int64_t i, int) {
        return 16000.0 * std::exp(-double(i) / 1500.0) * std::sin(double(i) * 0.05);
    }));
}

class OutputCommands : public viewertest::ViewerWindow {
protected:
    void SetUp() override
    {
        ViewerWindow::SetUp();
        pdf = QString::fromStdString(test::privateRoot()) + QStringLiteral("/print.pdf");
        QFile::remove(pdf);
        QPrinter& printer = CurrentPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    }
    void TearDown() override
    {
        LockPlayerHook = {};
        UnlockPlayerHook = {};
        if (cardInstalled_)
            sound::Engine::instance().setBackend(nullptr);
        ViewerWindow::TearDown();
    }

    // A stepped virtual card whose input is its own output 1, `latency` frames later.
    sound::VirtualCard* installCard(sound::VirtualCardConfig config = {})
    {
        qputenv("VEMRA_SOUND_BACKEND", "virtual");
        auto card = std::make_unique<sound::VirtualCard>(std::move(config));
        sound::VirtualCard* raw = card.get();
        sound::Engine::instance().setBackend(std::move(card));
        cardInstalled_ = true;
        return raw;
    }

    // The card's input over the next `frames` frames (its output, `latency` frames late), as fractions of full
    // scale.
    static std::vector<double> playedBack(sound::VirtualCard& card, std::int64_t frames)
    {
        auto& engine = sound::Engine::instance();
        EXPECT_EQ(engine.startCapture(48000, frames, 1, 1), Ok);
        card.step(frames + 1024);
        sound::CaptureResult captured;
        EXPECT_EQ(engine.finishCapture(captured), Ok);
        return captured.average.empty() ? std::vector<double>() : captured.average[0];
    }

    QString pdf;

private:
    bool cardInstalled_ = false;
};

} // namespace

TEST_F(OutputCommands, FilePrintPutsTheGraphWithItsAxesAndTitleOnThePrinterChosen)
{
    frmView* w = open(toneFile("printed.wav"));
    scripted().printAnswers = {false};
    w->menuItem("mnFilePrint")->trigger();
    EXPECT_EQ(scripted().printDialogs, 1);
    EXPECT_FALSE(QFile::exists(pdf)) << "a cancelled dialog prints nothing";

    w->menuItem("mnFilePrint")->trigger();
    EXPECT_EQ(scripted().printDialogs, 2);
    ASSERT_TRUE(QFile::exists(pdf));
    const QString text = pdfText(pdf);
    for (const char* t : {"printed.wav", "Pressure", "Time [s]", "Pressure [%]", "0.08", "50"})
        EXPECT_TRUE(text.contains(QLatin1String(t))) << t << " not in\n" << text.toStdString();
    EXPECT_GT(curvePixels(pdfFirstPage(pdf)), 200);
}

TEST_F(OutputCommands, TheToolbarsPrintUsesTheCurrentPrinterWithoutADialog)
{
    frmView* w = open(toneFile("quick.wav"));
    w->mnViewItem_Click(3); // Schroeder
    w->button("Print")->trigger();
    EXPECT_EQ(scripted().printDialogs, 0);
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_TRUE(pdfText(pdf).contains("Schroeder"));
    // An empty window prints nothing.
    QFile::remove(pdf);
    frmView* empty = open(QString());
    empty->PrintGraphOn(CurrentPrinter());
    EXPECT_FALSE(QFile::exists(pdf));
}

// With no printer chosen and none installed, the toolbar's Print says so in message 917, not in the program-error
// box, and prints nothing when the user goes no further. The file chosen in File > Print's dialog is where the
// toolbar's Print goes from then on, without asking.
TEST_F(OutputCommands, TheToolbarsPrintWithoutAPrinterSaysSoAndAfterFilePrintUsesItsChoice)
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "this machine has a printer installed";
    frmView* w = open(toneFile("no-printer.wav"));
    CurrentPrinter().setOutputFileName(QString());
    scripted().messageAnswers = {MsgResult::Cancel};
    w->button("Print")->trigger();
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_EQ(scripted().messages[0].title, QStringLiteral("Vemra - error (917)"));
    EXPECT_EQ(scripted().printDialogs, 0);

    const QString chosen = QString::fromStdString(test::privateRoot()) + QStringLiteral("/chosen in File Print.pdf");
    QFile::remove(chosen);
    scripted().clear();
    scripted().printFiles = {chosen};
    w->menuItem("mnFilePrint")->trigger();
    ASSERT_TRUE(QFile::exists(chosen));
    QFile::remove(chosen);
    w->button("Print")->trigger();
    EXPECT_TRUE(QFile::exists(chosen));
    EXPECT_EQ(scripted().printDialogs, 1);
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(OutputCommands, APrinterThatCannotStartAJobSaysSo)
{
    frmView* w = open(toneFile("unprinted.wav"));
    CurrentPrinter().setOutputFileName(QString::fromStdString(test::privateRoot()) + "/no such folder/print.pdf");
    w->button("Print")->trigger();
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_TRUE(scripted().messages[0].text.contains("Printer error")) << scripted().messages[0].text.toStdString();
}

TEST_F(OutputCommands, CtrlCCopiesTheGraphUnlessASelectionIsCopied)
{
    frmView* w = open(toneFile("copied.wav"));
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(w->imgGraph(0), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data && data->hasImage());
    EXPECT_GT(curvePixels(qvariant_cast<QImage>(data->imageData())), 200);
    EXPECT_TRUE(data->hasFormat("image/svg+xml"));
    EXPECT_FALSE(HoldsWave(data));

    // With a selection in a time view Ctrl+C is Edit > Copy: the samples go, also while a menu is open (which
    // passes the key on to the window).
    w->SelectRange(100, 50);
    QGuiApplication::clipboard()->clear();
    w->menuItem("mnEditCopy")->trigger();
    EXPECT_TRUE(HoldsWave(QGuiApplication::clipboard()->mimeData()));
    QMenu* view = w->menu("mnView");
    w->menuBar()->setActiveAction(view->menuAction());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    view->close();
    EXPECT_TRUE(HoldsWave(QGuiApplication::clipboard()->mimeData()));
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasImage());
    // An empty window copies nothing.
    QGuiApplication::clipboard()->clear();
    frmView* empty = open(QString());
    QTest::keyClick(empty, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* none = QGuiApplication::clipboard()->mimeData();
    EXPECT_FALSE(none && none->hasImage());
}

TEST_F(OutputCommands, PlayPlaysTheSelectionThroughTheCardAndStopStopsIt)
{
    sound::VirtualCardConfig config;
    config.latencyFrames = 512;
    sound::VirtualCard* card = installCard(config);
    frmMeasure::instance(); // loaded, as when the user measured before
    frmView* w = open(toneFile("played.wav"));
    clsWave* wave = w->WaveFile();
    w->SelectRange(1000, 2000);
    ASSERT_TRUE(w->button("Play")->isEnabled());
    w->button("Play")->trigger();
    EXPECT_FALSE(frmMeasure::loaded()) << "the measurement window goes first";
    ASSERT_TRUE(wave->Playing());
    EXPECT_TRUE(w->button("Play")->isChecked());
    ASSERT_TRUE(sound::Engine::instance().playbackRunning());

    // What the card plays comes back at its input: capture it and find the selection's samples in it.
    auto& engine = sound::Engine::instance();
    const std::vector<double> in = playedBack(*card, 4096);
    std::size_t start = 0;
    while (start < in.size() && in[start] == 0)
        ++start;
    const auto samples = WaveStore::samples(wave->header(), 0);
    ASSERT_LT(start + 2000, in.size());
    for (std::size_t i = 0; i < 2000; ++i)
        ASSERT_NEAR(in[start + i] * 32768.0, samples[1000 + i], 0.01) << i;
    EXPECT_NEAR(in[start + 2000], 0.0, 1e-9) << "the selection only";

    // Stop: the engine stops, the document lets go.
    wave->Play(-1, 0, 4800); // again, the whole response
    w->button("Stop")->trigger();
    EXPECT_FALSE(wave->Playing());
    EXPECT_FALSE(engine.playbackRunning());
    EXPECT_TRUE(w->button("Stop")->isChecked());
}

TEST_F(OutputCommands, PlayWithASelectionOfOneSamplePlaysTheWholeResponse)
{
    sound::VirtualCard* card = installCard();
    frmView* w = open(toneFile("whole.wav"));
    w->SelectRange(10, 1);
    w->button("Play")->trigger();
    ASSERT_TRUE(w->WaveFile()->Playing());
    const std::vector<double> in = playedBack(*card, 8192);
    // From the first sound to the last: the whole response (its tail is below one 16-bit step).
    std::size_t first = 0, last = 0;
    for (std::size_t i = 0; i < in.size(); ++i)
        if (std::abs(in[i]) * 32768.0 >= 0.5) {
            if (!first)
                first = i;
            last = i;
        }
    EXPECT_GT(last - first, 4000u);
    w->button("Stop")->trigger();
}

TEST_F(OutputCommands, ABusyPlayerOrAFailingCardShowsItsMessageAndTheStoppedState)
{
    struct Row {
        const char* name;
        std::int16_t lock;     // what the player answers
        int devices;           // of the card
        int message;
        int unlocks;
    };
    for (const Row& r : {Row{"another user plays", msg::BusyPlaying, 1, msg::BusyPlaying, 0},
                         Row{"the card has no device", 0, 0, msg::TooFewWaveDevices, 1}}) {
        SCOPED_TRACE(r.name);
        scripted().clear();
        sound::VirtualCardConfig config;
        config.devices = r.devices;
        installCard(config);
        int unlocks = 0;
        LockPlayerHook = [&] { return r.lock; };
        UnlockPlayerHook = [&] { ++unlocks; };
        frmView* w = open(toneFile("busy.wav"));
        w->button("Play")->trigger();
        EXPECT_FALSE(w->WaveFile()->Playing());
        EXPECT_FALSE(sound::Engine::instance().playbackRunning());
        ASSERT_EQ(scripted().messages.size(), 1u);
        EXPECT_EQ(scripted().messages[0].title, QStringLiteral("Vemra - error (%1)").arg(r.message));
        EXPECT_TRUE(w->button("Stop")->isChecked());
        EXPECT_EQ(unlocks, r.unlocks);
        w->WaveFile()->Die();
    }
}
