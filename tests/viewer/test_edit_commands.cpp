// The Edit commands of the document window on a response: what each leaves of the samples, the selection and the
// document's Changed flag, for one table of cases; a refused edit shows its message and leaves everything as it was.
#include "library/WaveStore.h"
#include "library/api_edit.h"
#include "library/files/ResponseFile.h"
#include "viewer/WaveClipboard.h"
#include "viewer_fixture.h"

#include <QClipboard>
#include <QMenu>
#include <QMimeData>

#include <optional>

using namespace vemra;
using viewertest::scripted;
using viewertest::written;

namespace {

// Sample i of every test response: a ramp that names its own position (i mod 30000).
std::int16_t rampAt(std::int64_t i) { return std::int16_t(i % 30000); }

std::vector<std::int16_t> samplesOf(const clsWave& wave)
{
    const auto s = WaveStore::samples(wave.header(), 0);
    return {s.begin(), s.end()};
}

// Puts a WAV of `frames` samples of value `value` at `rate` on the system clipboard, as another program would.
void putWaveOnClipboard(int frames, std::int16_t value, std::int32_t rate = 48000)
{
    WaveHeader h;
    std::vector<std::int16_t> s(std::size_t(frames), value);
    files::setPcm16Format(h, 1, rate, frames);
    std::vector<std::uint8_t> wav;
    ASSERT_EQ(files::encodeResponse(files::FileKind::Wav, h, s, wav), Ok);
    auto* data = new QMimeData;
    data->setData("audio/wav", QByteArray(reinterpret_cast<const char*>(wav.data()), qsizetype(wav.size())));
    QGuiApplication::clipboard()->setMimeData(data);
}

// The frame count of the WAV on the clipboard, -1 when it holds none.
std::int64_t clipboardFrames()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!HoldsWave(data))
        return -1;
    const QByteArray bytes = data->data("audio/wav");
    WaveHeader h;
    std::vector<std::int16_t> s;
    const std::span<const std::uint8_t> raw(reinterpret_cast<const std::uint8_t*>(bytes.data()), std::size_t(bytes.size()));
    if (files::readResponseBytes(files::FileKind::Wav, raw, h, &s) != Ok)
        return -1;
    return std::int64_t(s.size());
}

struct Selection {
    std::int32_t start;
    std::int32_t length;
};

struct EditCase {
    const char* name;
    int frames;                       // of the response
    std::optional<Selection> select;  // none: no selection
    std::function<void()> clipboard;  // what the clipboard holds first (optional)
    const char* command;
    int framesAfter;
    bool changed;
    std::optional<Selection> selectionAfter; // none: no selection afterwards
    std::function<void(const std::vector<std::int16_t>& before, const std::vector<std::int16_t>& after)> samples;
    int message = 0;                  // the message shown, 0 none
    std::int64_t clipboardAfter = -2; // frames of the WAV on the clipboard afterwards (-2: not looked at)
};

class EditCommands : public viewertest::ViewerWindow {};

} // namespace

TEST_F(EditCommands, EachCommandOnTheSelection)
{
    using Samples = std::vector<std::int16_t>;
    const EditCase cases[] = {
        {"copy takes the selection and changes nothing", 1000, Selection{100, 200}, {}, "mnEditCopy", 1000, false,
         Selection{100, 200}, [](const Samples& b, const Samples& a) { EXPECT_EQ(a, b); }, 0, 200},
        {"delete removes the selection", 1000, Selection{100, 200}, {}, "mnEditDelete", 800, true, std::nullopt,
         [](const Samples& b, const Samples& a) {
             EXPECT_EQ(a[99], b[99]);
             EXPECT_EQ(a[100], b[300]);
         }},
        {"cut removes and copies the selection", 1000, Selection{100, 200}, {}, "mnEditCut", 800, true, std::nullopt,
         [](const Samples& b, const Samples& a) { EXPECT_EQ(a[100], b[300]); }, 0, 200},
        {"deleting everything leaves 256 samples", 1000, Selection{0, 1000}, {}, "mnEditDelete", 256, true,
         std::nullopt, [](const Samples& b, const Samples& a) { EXPECT_EQ(a.front(), b[744]); }},
        {"cutting everything copies what goes", 1000, Selection{0, 1000}, {}, "mnEditCut", 256, true, std::nullopt,
         {}, 0, 744},
        {"a response of 256 samples keeps them", 256, Selection{0, 100}, {}, "mnEditDelete", 256, false,
         Selection{0, 100}, [](const Samples& b, const Samples& a) { EXPECT_EQ(a, b); }},
        {"paste replaces the selection", 1000, Selection{100, 200}, [] { putWaveOnClipboard(50, -7); }, "mnEditPaste",
         850, true, std::nullopt,
         [](const Samples& b, const Samples& a) {
             EXPECT_EQ(a[99], b[99]);
             EXPECT_EQ(a[100], -7);
             EXPECT_EQ(a[149], -7);
             EXPECT_EQ(a[150], b[300]);
         }},
        {"paste without a selection inserts at the start", 1000, std::nullopt, [] { putWaveOnClipboard(50, -7); },
         "mnEditPaste", 1050, true, std::nullopt,
         [](const Samples& b, const Samples& a) {
             EXPECT_EQ(a[49], -7);
             EXPECT_EQ(a[50], b[0]);
         }},
        {"rotate starts the response at the selection", 1000, Selection{100, 0}, {}, "mnEditRotate", 1000, true,
         Selection{100, 0},
         [](const Samples& b, const Samples& a) {
             EXPECT_EQ(a[0], b[100]);
             EXPECT_EQ(a[900], b[0]);
         }},
        {"silence zeroes the selection", 1000, Selection{100, 200}, {}, "mnEditSilence", 1000, true,
         Selection{100, 200},
         [](const Samples& b, const Samples& a) {
             EXPECT_EQ(a[99], b[99]);
             EXPECT_EQ(a[100], 0);
             EXPECT_EQ(a[299], 0);
             EXPECT_EQ(a[300], b[300]);
         }},
        {"a Hanning window tapers both ends of the selection", 1000, Selection{100, 201}, {},
         "mnEditWindowItem(0)", 1000, true, Selection{100, 201},
         [](const Samples& b, const Samples& a) {
             EXPECT_EQ(a[99], b[99]);
             EXPECT_EQ(a[100], 0);
             EXPECT_NEAR(a[200], b[200], 1);
             EXPECT_EQ(a[301], b[301]);
         }},
        {"a right-half window keeps the left of the selection", 1000, Selection{100, 200}, {},
         "mnEditWindowItem(2)", 1000, true, Selection{100, 200},
         [](const Samples& b, const Samples& a) {
             EXPECT_EQ(a[100], b[100]);
             EXPECT_LT(std::abs(a[299]), std::abs(b[299]) / 10);
         }},
        // Refused edits: the message, and nothing else.
        {"a paste of another rate is refused", 1000, Selection{100, 200},
         [] { putWaveOnClipboard(50, -7, 44100); }, "mnEditPaste", 1000, false, Selection{100, 200},
         [](const Samples& b, const Samples& a) { EXPECT_EQ(a, b); }, 304},
        {"a paste that would leave too few samples is refused", 1000, Selection{0, 1000},
         [] { putWaveOnClipboard(100, -7); }, "mnEditPaste", 1000, false, Selection{0, 1000},
         [](const Samples& b, const Samples& a) { EXPECT_EQ(a, b); }, 904},
        {"a paste of no wave is refused", 1000, Selection{100, 200},
         [] {
             auto* data = new QMimeData;
             data->setData("audio/wav", "RIFF but no wave");
             QGuiApplication::clipboard()->setMimeData(data);
         },
         "mnEditPaste", 1000, false, Selection{100, 200}, {}, 403},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        scripted().clear();
        QGuiApplication::clipboard()->clear();
        frmView* w = open(written(test::ResponseFile(std::string(c.name) + ".wav").frames(c.frames).sample(
            [](std::int64_t i, int) { return double(rampAt(i)); })));
        clsWave* wave = w->WaveFile();
        if (c.clipboard)
            c.clipboard();
        if (c.select)
            w->SelectRange(c.select->start, c.select->length);
        const Samples before = samplesOf(*wave);
        const QImage graphBefore = w->imgGraph(0)->image().copy();
        emit w->menu("mnEdit")->aboutToShow(); // as the user opens the menu
        QAction* item = w->menuItem(c.command);
        ASSERT_TRUE(item->isEnabled());
        item->trigger();

        EXPECT_EQ(wave->SampleCount(), c.framesAfter);
        EXPECT_EQ(wave->Changed(), c.changed);
        EXPECT_EQ(w->menuItem("mnFileSave")->isEnabled(), c.changed);
        EXPECT_EQ(w->selectionActive(), c.selectionAfter.has_value());
        if (c.selectionAfter) {
            EXPECT_EQ(w->selStart(), c.selectionAfter->start);
            EXPECT_EQ(w->selLength(), c.selectionAfter->length);
        }
        EXPECT_EQ(w->pointCount(), wave->SampleCount()) << "the whole response is shown";
        if (c.samples)
            c.samples(before, samplesOf(*wave));
        if (c.message) {
            ASSERT_EQ(scripted().messages.size(), 1u);
            EXPECT_EQ(scripted().messages[0].title, QStringLiteral("Vemra - error (%1)").arg(c.message));
            EXPECT_EQ(w->imgGraph(0)->image(), graphBefore) << "the graph stays as it was";
        } else {
            EXPECT_TRUE(scripted().messages.empty());
        }
        if (c.clipboardAfter != -2) {
            EXPECT_EQ(clipboardFrames(), c.clipboardAfter);
        }
        wave->setChanged(false);
        wave->Die();
    }
}

TEST_F(EditCommands, DeletingFromAResponseShorterThan256SamplesDoesNothing)
{
    frmView* w = open(written(test::ResponseFile("short.wav").frames(300).sample([](std::int64_t i, int) {
        return double(rampAt(i));
    })));
    clsWave* wave = w->WaveFile();
    // Shortened behind the window's back: a response the program itself never makes.
    ASSERT_TRUE(WaveStore::edit(wave->header(), [](WaveStore::Channels& c) { c[0].resize(200); }));
    ASSERT_EQ(wave->SampleCount(), 200);
    w->SelectRange(0, 100);
    for (const char* command : {"mnEditDelete", "mnEditCut"}) {
        SCOPED_TRACE(command);
        w->menuItem(command)->trigger();
        EXPECT_EQ(wave->SampleCount(), 200);
        EXPECT_FALSE(wave->Changed());
        EXPECT_TRUE(w->selectionActive());
    }
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(EditCommands, PasteIntoAnEmptyWindowMakesItARecording)
{
    putWaveOnClipboard(300, 1234);
    frmView* w = open(QString());
    clsWave* wave = w->WaveFile();
    ASSERT_FALSE(wave->Valid());
    // Offered from the start, with no menu opened first.
    ASSERT_TRUE(w->menuItem("mnEditPaste")->isEnabled());
    w->menuItem("mnEditPaste")->trigger();
    ASSERT_TRUE(wave->Valid());
    EXPECT_EQ(wave->SampleCount(), 300);
    EXPECT_TRUE(wave->Changed());
    EXPECT_TRUE(wave->NewRecording());
    EXPECT_TRUE(w->dataValid());
    EXPECT_TRUE(w->imgGraph(0)->isVisible());
    EXPECT_TRUE(w->menuItem("mnView")->isEnabled());
    EXPECT_TRUE(wave->FileName().startsWith("Untitled-")) << "the clipboard's temporary file is the program's own";
    wave->setChanged(false);
}

TEST_F(EditCommands, ACopyIsAWaveAnotherProgramReads)
{
    frmView* w = open(written(test::ResponseFile("copy.wav").frames(1000).rate(44100).sample([](std::int64_t i, int) {
        return double(rampAt(i));
    })));
    w->SelectRange(10, 20);
    w->menuItem("mnEditCopy")->trigger();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data->hasFormat("audio/wav"));
    const QByteArray bytes = data->data("audio/wav");
    WaveHeader h;
    std::vector<std::int16_t> s;
    const std::span<const std::uint8_t> raw(reinterpret_cast<const std::uint8_t*>(bytes.data()), std::size_t(bytes.size()));
    ASSERT_EQ(files::readResponseBytes(files::FileKind::Wav, raw, h, &s), Ok);
    EXPECT_EQ(h.format.SampleFrequency, 44100);
    EXPECT_EQ(s, (std::vector<std::int16_t>{10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29}));
}
