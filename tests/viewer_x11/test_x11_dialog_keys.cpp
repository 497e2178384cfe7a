// Return on a focused button under a window manager: the dB range dialog, which has no default button, opened with
// a click on the document window's dB scale; the range typed and OK reached with Tab, all through the X server.
#include "core/DialogKeys.h"
#include "viewer/frmdBRange.h"
#include "viewer/viewer_fixture.h"
#include "x11/X11Session.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <cmath>

using namespace vemra;

namespace {

class X11DialogKeys : public viewertest::ViewerWindow {
protected:
    void SetUp() override
    {
        ViewerWindow::SetUp();
        InstallDialogKeys(); // as the program's start does
    }
};

// What the user saw in the dialog: whether OK had the focus when Return was pressed, and whether that closed it.
struct Seen {
    bool opened = false;
    bool okFocused = false;
    bool closedByReturn = false;
};

} // namespace

TEST_F(X11DialogKeys, ReturnOnTheFocusedOkOfTheDbRangeDialogClosesIt)
{
    frmView* w = open(viewertest::writeResponse(QStringLiteral("range.wav"), 4800, 48000, [](int i) {
        return 20000.0 * std::exp(-i / 800.0) * std::sin(i * 0.3);
    }));
    w->mnViewItem_Click(2); // a dB view: its scale opens the dialog
    ASSERT_TRUE(x11test::activate(w));

    Seen seen;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&poll, &seen] {
        QPointer<frmdBRange> dialog = qobject_cast<frmdBRange*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        seen.opened = true;
        if (x11test::activate(dialog) && x11test::pressKeys(QStringLiteral("4")) &&
            x11test::pressKeys(QStringLiteral("5")) && x11test::pressKeys(QStringLiteral("Tab"))) {
            x11test::waitUntil([&] { return !dialog || dialog->cmdOK()->hasFocus(); }, 5000);
            seen.okFocused = dialog && dialog->cmdOK()->hasFocus();
            x11test::pressKeys(QStringLiteral("Return"));
            seen.closedByReturn = x11test::waitUntil([&] { return !dialog || !dialog->isVisible(); }, 5000);
        }
        // Never left open: a dialog that ignored the keys is closed the other way.
        if (dialog && dialog->isVisible())
            dialog->reject();
    });
    poll.start();
    ASSERT_TRUE(x11test::click(w->imgYscale(0)));
    x11test::waitUntil([&] { return seen.opened && !QApplication::activeModalWidget(); });

    ASSERT_TRUE(seen.opened) << "the click on the scale opened no dialog";
    EXPECT_TRUE(seen.okFocused);
    EXPECT_TRUE(seen.closedByReturn);
    EXPECT_FLOAT_EQ(w->WaveFile()->dBRange(), 45.0f);
}
