// The program's exit on a desktop with a window manager, driven from the keyboard: with a waterfall, a table and a
// parameter graph open beside the document window, File > Exit (Alt+F, X) ends the program, and the settings
// file then holds what each of those windows stores when it closes.
#include "app/VemraGlobal.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "core/frmStartup.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "graphs/frmParameters.h"
#include "support/ResponseFile.h"
#include "viewer/frmView.h"
#include "x11/X11Session.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace vemra;

namespace {

ScriptedUiServices& scripted() { return static_cast<ScriptedUiServices&>(UiServices::get()); }

// Found by title among the program's windows, once shown and framed.
QWidget* framedWindow(const QString& name)
{
    QWidget* found = nullptr;
    x11test::waitUntil([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == name && w->isVisible())
                found = w;
        return found != nullptr;
    });
    return found && x11test::waitFramed(found) ? found : nullptr;
}

} // namespace

TEST(X11Exit, FileExitStoresWhatTheOpenWindowsStoreOnClose)
{
    const QString file = QString::fromStdString(
        test::ResponseFile("decay.wav")
            .rate(48000)
            .frames(24000)
            .sample([](std::int64_t i, int) {
                return 20000.0 * std::exp(-double(i) / 2400.0) * ((i * 7919) % 11 < 5 ? 1 : -1);
            })
            .write());
    setenv("VEMRA_SOUND_BACKEND", "virtual", 1); // whatever sound cards the machine has
    ASSERT_TRUE(Main({file}));
    if (frmStartup::loaded())
        frmStartup::instance()->close();
    clsWave* wave = WaveAt(1);
    ASSERT_TRUE(wave && wave->Valid());
    auto* view = qobject_cast<frmView*>(wave->viewer()->widget());
    ASSERT_TRUE(x11test::activate(view));

    // View > Waterfall: its properties come first (on the new window's first timer tick, after it is shown),
    // confirmed with Return.
    const auto propertiesAnswered = x11test::answerModal(QStringLiteral("frmWaterProp"), QStringLiteral("Return"));
    ASSERT_TRUE(x11test::pressKeys("alt+v"));
    ASSERT_TRUE(x11test::waitMenuShown(QStringLiteral("mnView")));
    ASSERT_TRUE(x11test::pressKeys("w"));
    ASSERT_NE(framedWindow(QStringLiteral("frmWaterfall")), nullptr);
    ASSERT_TRUE(x11test::waitUntil(
        [&] { return *propertiesAnswered && QApplication::activeModalWidget() == nullptr; }));

    // Parameters > ISO 3382.
    ASSERT_TRUE(x11test::activate(view));
    ASSERT_TRUE(x11test::pressKeys("alt+p"));
    ASSERT_TRUE(x11test::waitMenuShown(QStringLiteral("mnPar")));
    ASSERT_TRUE(x11test::pressKeys("i"));
    ASSERT_NE(framedWindow(QStringLiteral("frmTableISO")), nullptr);

    // A parameter graph with no files yet, showing a parameter of its own choice.
    frmParameters* graph = OpenParameterGraph(QString());
    graph->setCurrentParam(5);
    ASSERT_TRUE(x11test::waitFramed(graph));

    for (const char* section : {"Graph", "Waterfall"})
        DeleteSetting(QString::fromLatin1(section));
    ASSERT_TRUE(x11test::activate(view));
    scripted().messageAnswers = {MsgResult::Yes}; // "Close all windows and exit?"
    ASSERT_TRUE(x11test::pressKeys("alt+f"));
    ASSERT_TRUE(x11test::waitMenuShown(QStringLiteral("mnFile")));
    ASSERT_TRUE(x11test::pressKeys("x"));
    ASSERT_TRUE(x11test::waitUntil([] { return Options == nullptr; }));
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_EQ(scripted().messages[0].text, QStringLiteral("Close all windows and exit?"));

    const QSettings stored(SettingsFilePath(), QSettings::IniFormat);
    EXPECT_EQ(stored.value(QStringLiteral("Graph/Param")).toString(), QStringLiteral("5"));
    for (const char* key : {"Waterfall/Type", "Waterfall/Slices", "Waterfall/Range"})
        EXPECT_TRUE(stored.contains(QString::fromLatin1(key))) << key;
    ReleaseInstanceLock();
}
