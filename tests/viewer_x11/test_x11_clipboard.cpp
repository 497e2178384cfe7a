// The system clipboard as other programs see it: the document window on a real X server with a window manager
// (run_x11.sh, platform xcb), with xclip in the part of the other program and keys pressed through the server. A
// copied selection is read back by xclip as a WAV; a WAV that xclip offers pastes into a window, and text that
// replaces it turns Paste off.
#include "library/WaveStore.h"
#include "library/files/ResponseFile.h"
#include "support/private_dirs.h"
#include "viewer/WaveClipboard.h"
#include "viewer/viewer_fixture.h"
#include "x11/X11Session.h"

#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QProcess>

using namespace vemra;
using viewertest::written;

namespace {

// Sample i of the test response: its own position.
double rampAt(std::int64_t i) { return double(i % 30000); }

using x11test::waitUntil;

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
    // xclip offers the file under the MIME type (all it has when the type is empty) until it is killed; true once
    // the clipboard is xclip's (not what this program copied last) and holds a wave when `wave`.
    bool offer(const QString& file, const QString& type, bool wave)
    {
        QStringList arguments = {"-quiet", "-selection", "clipboard"};
        if (!type.isEmpty())
            arguments << "-t" << type;
        xclip_.start(QStringLiteral("xclip"), arguments << "-i" << file);
        return xclip_.waitForStarted(10000) && waitUntil([wave] {
                   const QClipboard* clipboard = QGuiApplication::clipboard();
                   return !clipboard->ownsClipboard() && HoldsWave(clipboard->mimeData()) == wave;
               });
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
    ASSERT_TRUE(offer(offered, QStringLiteral("audio/wav"), true));

    frmView* w = open(written(test::ResponseFile("target.wav").frames(1000).sample(
        [](std::int64_t i, int) { return rampAt(i); })));
    clsWave* wave = w->WaveFile();
    w->SelectRange(10, 20);
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

TEST_F(X11Clipboard, CtrlVInANewWindowPastesAWaveXclipOffersAndTextTurnsPasteOff)
{
    const QString offered = written(test::ResponseFile("offered.wav").frames(300).rate(48000).sample(
        [](std::int64_t, int) { return -555.0; }));
    ASSERT_TRUE(offer(offered, QStringLiteral("audio/wav"), true));

    // A new empty window, no menu opened: Ctrl+V takes the wave.
    frmView* w = open(QString());
    clsWave* wave = w->WaveFile();
    ASSERT_TRUE(x11test::activate(w));
    x11test::KeyWatch keys;
    ASSERT_TRUE(x11test::pressKeys("ctrl+v"));
    ASSERT_TRUE(waitUntil([&] { return keys.released(Qt::Key_V) > 0; }));
    ASSERT_TRUE(wave->Valid());
    EXPECT_EQ(wave->SampleCount(), 300);
    EXPECT_EQ(WaveStore::samples(wave->header(), 0)[150], -555);

    // Text from another program takes the wave's place: Paste goes off and Ctrl+V does nothing, without a word.
    xclip_.kill();
    xclip_.waitForFinished(5000);
    const QString text = QString::fromStdString(test::privateRoot()) + QStringLiteral("/text.txt");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("some words");
    }
    ASSERT_TRUE(offer(text, QString(), false));
    ASSERT_TRUE(waitUntil([&] { return !w->menuItem("mnEditPaste")->isEnabled(); })); // the change has arrived
    ASSERT_TRUE(x11test::pressKeys("ctrl+v"));
    ASSERT_TRUE(waitUntil([&] { return keys.released(Qt::Key_V) > 1; }));
    EXPECT_EQ(wave->SampleCount(), 300);
    for (const MessageRequest& m : viewertest::scripted().messages)
        ADD_FAILURE() << m.title.toStdString() << ": " << m.text.toStdString();
    wave->setChanged(false);
}
