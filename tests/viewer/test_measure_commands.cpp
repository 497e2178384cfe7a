// The document window's measurement commands on the virtual sound card: File > Measure shows the measurement
// window, whose meters follow the input, and an empty window gives way to it.
#include "audio/AudioGlobals.h"
#include "audio/VUMeter.h"
#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "audio/frmMeasure.h"
#include "core/Globals.h"
#include "core/clsOptions.h"
#include "library/sound/BackendFactory.h"
#include "library/sound/Engine.h"
#include "library/sound/Mixer.h"
#include "viewer_fixture.h"

#include <QPushButton>

#include <cstdlib>

using namespace vemra;

namespace {

class MeasureCommands : public viewertest::ViewerWindow {
protected:
    sound::VirtualCard* card = nullptr;

    void SetUp() override
    {
        setenv("VEMRA_SOUND_BACKEND", "virtual", 1);
        ViewerWindow::SetUp();
        auto c = std::make_unique<sound::VirtualCard>(sound::virtualRoom());
        card = c.get();
        sound::Engine::instance().setBackend(std::move(c));
        sound::setMixerBackend(sound::makeVirtualMixer(card->gains()));
        Options = new clsOptions(nullptr, [](std::int32_t, float) {});
        CreateMixer();
    }
    void TearDown() override
    {
        ReleaseMixer();
        ViewerWindow::TearDown();
        delete Options;
        Options = nullptr;
        sound::Engine::instance().setBackend(nullptr);
        sound::setMixerBackend(nullptr);
    }
};

TEST_F(MeasureCommands, MeasureShowsTheMeasurementWindowWithMovingMeters)
{
    frmView* w = open(viewertest::writeRamp(QStringLiteral("ramp.wav"), 3000, 48000));
    QAction* measure = w->menuItem(QStringLiteral("mnFileMeasure"));
    ASSERT_TRUE(measure->isEnabled());
    ASSERT_TRUE(w->button(QStringLiteral("Measure"))->isEnabled());
    measure->trigger();
    ASSERT_TRUE(frmMeasure::loaded());
    frmMeasure* m = frmMeasure::instance();
    EXPECT_TRUE(m->isVisible());
    EXPECT_EQ(WaveCount(), 1) << "a window with data stays";

    m->cmdTest()->click();
    for (int k = 0; k < 10; ++k) {
        card->step(960);
        Recorder->Timer();
    }
    EXPECT_GE(m->shVU(0)->rememberedLevel(), 8);
    m->cmdTest()->click();
}

TEST_F(MeasureCommands, AnEmptyWindowGivesWayWhenOtherDocumentsAreOpen)
{
    open(viewertest::writeRamp(QStringLiteral("ramp.wav"), 3000, 48000));
    frmView* empty = open(QString());
    const QString key = empty->WaveFile()->Key();
    empty->button(QStringLiteral("Measure"))->trigger();
    EXPECT_EQ(FindWaveByKey(key), 0);
    EXPECT_EQ(WaveCount(), 1);
    EXPECT_TRUE(frmMeasure::loaded());
}

} // namespace
