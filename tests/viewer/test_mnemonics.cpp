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
