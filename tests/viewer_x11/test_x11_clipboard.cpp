// The system clipboard as other programs see it: the document window on a real X server (xvfb-run, platform xcb),
// with xclip in the part of the other program. A copied selection is read back by xclip as a WAV; a WAV that
// xclip offers pastes into a window.
#include "library/WaveStore.h"
#include "library/files/ResponseFile.h"
#include "viewer/WaveClipboard.h"
#include "viewer/viewer_fixture.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QMenu>
#include <QMimeData>
#include <QProcess>

using namespace vemra;
using viewertest::written;

namespace {

// Sample i of the test response: its own position.
double rampAt(std::int64_t i) { return double(i % 30000); }

// Runs the event loop until `done` or 20 s have passed: the clipboard's owner must answer while xclip asks.
bool waitUntil(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 20000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class X11Clipboard : public viewertest::ViewerWindow {
protected:
    void TearDown() override
    {
        if (xclip_.state() != QProcess::NotRunning) {
            xclip_.kill();
            xclip_.waitForFinished(5000);
        }
        ViewerWindow::TearDown();
    }
    QProcess xclip_;
};

} // namespace

TEST_F(X11Clipboard, ACopiedSelectionIsAWaveForXclip)
{
    frmView* w = open(written(test::ResponseFile("copied.wav").frames(1000).rate(44100).sample(
        [](std::int64_t i, int) { return rampAt(i); })));
    w->SelectRange(100, 50);
    w->menuItem("mnEditCopy")->trigger();

    xclip_.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", "audio/wav", "-o"});
    ASSERT_TRUE(xclip_.waitForStarted(10000));
    ASSERT_TRUE(waitUntil([&] { return xclip_.state() == QProcess::NotRunning; }));
    ASSERT_EQ(xclip_.exitCode(), 0) << xclip_.readAllStandardError().toStdString();
    const QByteArray bytes = xclip_.readAllStandardOutput();
    WaveHeader h;
    std::vector<std::int16_t> s;
    const std::span<const std::uint8_t> raw(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                            std::size_t(bytes.size()));
    ASSERT_EQ(files::readResponseBytes(files::FileKind::Wav, raw, h, &s), Ok);
    EXPECT_EQ(h.format.SampleFrequency, 44100);
    ASSERT_EQ(s.size(), 50u);
    for (std::size_t i = 0; i < s.size(); ++i)
        EXPECT_EQ(s[i], std::int16_t(100 + i)) << "sample " << i;
}

TEST_F(X11Clipboard, AWaveXclipOffersPastesIn)
{
    // The other program's WAV: 400 samples of 777 at the response's rate.
    const QString offered = written(test::ResponseFile("offered.wav").frames(400).rate(48000).sample(
        [](std::int64_t, int) { return 777.0; }));
    xclip_.start(QStringLiteral("xclip"), {"-quiet", "-selection", "clipboard", "-t", "audio/wav", "-i", offered});
    ASSERT_TRUE(xclip_.waitForStarted(10000));
    ASSERT_TRUE(waitUntil([] { return HoldsWave(QGuiApplication::clipboard()->mimeData()); }));

    frmView* w = open(written(test::ResponseFile("target.wav").frames(1000).sample(
        [](std::int64_t i, int) { return rampAt(i); })));
    clsWave* wave = w->WaveFile();
    w->SelectRange(10, 20);
    emit w->menu("mnEdit")->aboutToShow();
    ASSERT_TRUE(w->menuItem("mnEditPaste")->isEnabled());
    w->menuItem("mnEditPaste")->trigger();
    for (const MessageRequest& m : viewertest::scripted().messages)
        ADD_FAILURE() << m.title.toStdString() << ": " << m.text.toStdString();
    // The 20 selected samples are replaced by the 400 offered ones.
    EXPECT_EQ(wave->SampleCount(), 1000 - 20 + 400);
    const auto samples = WaveStore::samples(wave->header(), 0);
    EXPECT_EQ(samples[9], 9);
    EXPECT_EQ(samples[10], 777);
    EXPECT_EQ(samples[409], 777);
    EXPECT_EQ(samples[410], 30);
    EXPECT_TRUE(wave->Changed());
    wave->setChanged(false);
}
