#pragma once
// Shared by the tests of the whole program: the scripted prompts, the document windows Main opened, and a fixture
// that leaves no window, document, option or lock behind for the next test.
#include "app/VemraGlobal.h"
#include "core/Globals.h"
#include "core/UiServices.h"
#include "core/clsMRUlist.h"
#include "core/clsOptions.h"
#include "core/frmStartup.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "viewer/frmView.h"

#include <QCoreApplication>
#include <QStringList>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>

namespace programtest {

using namespace vemra;

inline ScriptedUiServices& scripted() { return static_cast<ScriptedUiServices&>(UiServices::get()); }

inline void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

inline frmView* documentWindow(int position)
{
    clsWave* wave = WaveAt(position);
    return wave && wave->viewer() ? qobject_cast<frmView*>(wave->viewer()->widget()) : nullptr;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scripted().clear();
        ReleaseInstanceLock();
    }
    void TearDown() override
    {
        clsWave::setViewerFactory({});
        // Leave nothing behind for the next test: an orderly exit, answering Yes if asked.
        scripted().messageAnswers = {MsgResult::Yes};
        ExitVemra();
        for (clsWave* w : WavesSnapshot())
            w->Die();
        flushDeletes();
        delete Options;
        Options = nullptr;
        delete MRUlist;
        MRUlist = nullptr;
        ReleaseInstanceLock();
        scripted().clear();
        DebugMode = LongSignals = FeatureMode = false;
        unsetenv("VEMRA_SOUND_BACKEND");
    }
    // The program on the virtual sound card, so that the measurement window can open.
    void startOnTheVirtualCard(const QStringList& arguments = {})
    {
        setenv("VEMRA_SOUND_BACKEND", "virtual", 1);
        ASSERT_TRUE(Main(arguments));
        ASSERT_NE(documentWindow(1), nullptr);
        // The splash closes by itself a few seconds after start-up.
        if (frmStartup::loaded())
            frmStartup::instance()->close();
        flushDeletes();
    }
};

} // namespace programtest

// Texts in failure messages as text, not as bytes.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
