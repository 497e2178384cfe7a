// Every window of the document window's family (its menus and the dialogs it opens, the help, About, progress and
// splash windows) has mnemonics that are unique where Alt+letter looks for them: among a window's controls and
// menu titles, and among the items of each menu.
#include "core/HelpWindow.h"
#include "core/frmAbout.h"
#include "core/frmProgress.h"
#include "core/frmStartup.h"
#include "support/gui_mnemonics.h"
#include "viewer/frmAdrienne.h"
#include "viewer/frmClose.h"
#include "viewer/frmCustomizeToolbar.h"
#include "viewer/frmEditInfo.h"
#include "viewer/frmFileInfo.h"
#include "viewer/frmFilter.h"
#include "viewer/frmScale.h"
#include "viewer/frmWaterProp.h"
#include "viewer/frmWaterfall.h"
#include "viewer/frmdBRange.h"
#include "viewer_fixture.h"

#include <QLineEdit>
#include <QPushButton>

#include <memory>

using namespace vemra;

namespace {

// Letters the documented captions themselves give twice: in the View menu "&Filter..." and "Zoom &Full", "Full
// &Octave spectrum" and "Zoom &Out". A menu moves between such items in turn.
bool sharedByDesign(const QString& where, QChar letter)
{
    return where == QLatin1String("frmView > &View") && (letter == QLatin1Char('F') || letter == QLatin1Char('O'));
}

void checkWindow(const QWidget* window) { test::ExpectUniqueMnemonics(window, sharedByDesign); }

class Mnemonics : public viewertest::ViewerWindow {};

} // namespace

TEST_F(Mnemonics, AreUniqueInEveryWindowOfTheDocumentWindowsFamily)
{
    frmView* view = open(viewertest::writeRamp(QStringLiteral("letters.wav"), 3000, 48000));
    checkWindow(view);
    const QString key = view->WaveFile()->Key();

    std::vector<std::unique_ptr<QWidget>> windows;
    windows.emplace_back(new frmAdrienne);
    windows.emplace_back(new frmClose);
    windows.emplace_back(new frmCustomizeToolbar({}, {}, {}, [](const QStringList&) {}, nullptr));
    windows.emplace_back(new frmEditInfo(key, 0, 100));
    windows.emplace_back(new frmFileInfo(key));
    windows.emplace_back(new frmFilter);
    windows.emplace_back(new frmScale);
    windows.emplace_back(new frmdBRange);
    auto* waterfall = new frmWaterfall;
    windows.emplace_back(waterfall);
    auto* properties = new frmWaterProp(waterfall);
    windows.emplace_back(new frmProgress);
    windows.emplace_back(new HelpWindow);
    for (const auto& w : windows)
        checkWindow(w.get());
    checkWindow(properties);
    delete properties;
    // The shared About window and the splash delete themselves when they close.
    frmAbout* about = frmAbout::instance();
    checkWindow(about);
    about->close();
    frmStartup* splash = frmStartup::instance();
    checkWindow(splash);
    splash->close();
}

// The reflection-index window: its file box has a label, and Alt with a letter reaches the box and every button.
TEST_F(Mnemonics, TheReflectionIndexWindowReachesItsFileBoxAndEveryButtonByKey)
{
    frmAdrienne w;
    EXPECT_EQ(test::ButtonsWithoutMnemonic(&w), QStringList());
    auto* label = w.findChild<QLabel*>(QStringLiteral("lblReference"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->buddy(), w.txtReference());
    const QChar boxKey = test::mnemonicOf(label->text());
    const QChar buttonKey = test::mnemonicOf(w.cmdReference()->text());
    ASSERT_FALSE(boxKey.isNull());
    ASSERT_FALSE(buttonKey.isNull());

    w.show();
    QApplication::setActiveWindow(&w);
    w.txtDist()->setFocus();
    QTest::keyClick(&w, Qt::Key(boxKey.unicode()), Qt::AltModifier);
    EXPECT_TRUE(w.txtReference()->hasFocus());
    // A button's access key presses it at once and clicks it when the press has shown.
    const std::size_t dialogs = viewertest::scripted().fileDialogs.size();
    viewertest::scripted().openAnswers.push_back(QString());
    QTest::keyClick(&w, Qt::Key(buttonKey.unicode()), Qt::AltModifier);
    EXPECT_TRUE(w.cmdReference()->isDown());
    for (int i = 0; i < 200 && viewertest::scripted().fileDialogs.size() == dialogs; ++i)
        QTest::qWait(10);
    EXPECT_EQ(viewertest::scripted().fileDialogs.size(), dialogs + 1) << "the reference file is asked for";
}
