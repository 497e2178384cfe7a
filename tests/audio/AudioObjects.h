#pragma once
// The program's audio objects on whatever backend the sound engine holds: made as at start-up (options, then the
// mixer with its player and recorder) and released as at exit, with every document made meanwhile.
#include "audio/AudioGlobals.h"
#include "core/Globals.h"
#include "core/clsOptions.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/sound/Engine.h"

#include <QCoreApplication>

namespace audiotest {

inline void makeAudioObjects()
{
    vemra::Options = new vemra::clsOptions(nullptr, [](std::int32_t, float) {});
    vemra::CreateMixer();
}

inline void releaseAudioObjects()
{
    vemra::ReleaseMixer();
    for (vemra::clsWave* wave : vemra::WavesSnapshot())
        wave->Die();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete vemra::Options;
    vemra::Options = nullptr;
    vemra::sound::Engine::instance().setBackend(nullptr);
}

} // namespace audiotest
