// Every window of the document window's family (its menus and the dialogs it opens, the help, About, progress and
// splash windows) has mnemonics that are unique where Alt+letter looks for them: among a window's controls and
// menu titles, and among the items of each menu.
#include "core/HelpWindow.h"
#include "core/frmAbout.h"
#include "core/frmProgress.h"
#include "core/frmStartup.h"
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

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>

#include <map>
#include <memory>

using namespace vemra;

namespace {

// The mnemonic letter of a text ("&&" is an ampersand, not a mnemonic), upper case; none when it has none.
QChar mnemonicOf(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text[i + 1].toUpper();
    }
    return {};
}

// Letter -> the texts that claim it within one scope.
using Scope = std::map<QChar, QStringList>;

void claim(Scope& scope, const QString& text)
{
    if (const QChar letter = mnemonicOf(text); !letter.isNull())
        scope[letter] << text;
}

// Letters the documented captions themselves give twice: in the View menu "&Filter..." and "Zoom &Full", "Full
// &Octave spectrum" and "Zoom &Out". A menu moves between such items in turn.
bool sharedByDesign(const QString& where, QChar letter)
{
    return where == QLatin1String("frmView > &View") && (letter == QLatin1Char('F') || letter == QLatin1Char('O'));
}

void expectUnique(const Scope& scope, const QString& where)
{
    for (const auto& [letter, texts] : scope)
        if (!sharedByDesign(where, letter))
            EXPECT_EQ(texts.size(), 1) << where.toStdString() << ": Alt+" << QString(letter).toStdString() << " for "
                                   << texts.join(QStringLiteral(", ")).toStdString();
}

// Each menu's own items, its submenus' in turn.
void checkMenu(const QMenu* menu, const QString& where)
{
    Scope items;
    for (const QAction* action : menu->actions()) {
        if (!action->isVisible() || action->isSeparator())
            continue;
        claim(items, action->text());
        if (const QMenu* sub = action->menu())
            checkMenu(sub, where + QStringLiteral(" > ") + sub->title());
    }
    expectUnique(items, where);
}

// The window's controls that show and its menu bar's titles.
void checkWindow(const QWidget* window)
{
    SCOPED_TRACE(window->objectName().toStdString());
    Scope controls;
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window)
            continue;
        if (!w->isVisibleTo(window))
            continue; // a hidden control does not answer its letter
        if (const auto* button = qobject_cast<const QAbstractButton*>(w))
            claim(controls, button->text());
        else if (const auto* label = qobject_cast<const QLabel*>(w); label && label->buddy())
            claim(controls, label->text());
        else if (const auto* box = qobject_cast<const QGroupBox*>(w))
            claim(controls, box->title());
        else if (const auto* tabs = qobject_cast<const QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                claim(controls, tabs->tabText(i));
    }
    if (const auto* main = qobject_cast<const QMainWindow*>(window); main && main->menuWidget()) {
        for (const QAction* action : main->menuBar()->actions()) {
            if (!action->isVisible())
                continue;
            claim(controls, action->text());
            if (const QMenu* menu = action->menu())
                checkMenu(menu, window->objectName() + QStringLiteral(" > ") + menu->title());
        }
    }
    expectUnique(controls, window->objectName());
}

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
