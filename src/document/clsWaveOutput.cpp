// The response document's output: the current view printed and copied as a figure, playback through the player,
// and the Debug menu's processing.
#include "core/NativePath.h"
#include "document/clsWave.h"

#include "core/Errors.h"
#include "core/ProgramHooks.h"
#include "library/api_filters.h"
#include "library/api_sound.h"
#include "library/draw/PrintGraph.h"

namespace vemra {

void clsWave::PrintWave(std::int32_t dc)
{
    if (!valid_)
        return;
    ReProcess();
    DrawRequest request = drawRequest_;
    request.deviceContext = dc;
    PrintGraph(header_, request, view_);
}

void clsWave::ClipSaveWave()
{
    if (!valid_)
        return;
    ReProcess();
    const DrawRequest request = drawRequest_;
    ClipSaveGraph(header_, request, view_);
}

std::int16_t clsWave::Play(std::int32_t filter, std::int32_t first, std::int32_t count)
{
    // Without a player (no sound part in this build, or tests of the document alone) the library plays alone.
    std::int16_t r = LockPlayerHook ? LockPlayerHook() : std::int16_t(0);
    if (r != 0) {
        HandleError(r);
        return r;
    }
    r = PlayWave(header_, filter, first, count);
    if (r == 0) {
        playing_ = true;
        return 0;
    }
    if (UnlockPlayerHook)
        UnlockPlayerHook();
    HandleError(r);
    return r;
}

void clsWave::StopPlay()
{
    // Another document's playback and the player it holds are not this document's to stop.
    if (!playing_)
        return;
    StopWave();
    if (UnlockPlayerHook)
        UnlockPlayerHook();
    playing_ = false;
}

void clsWave::DebugProcess(const QString& fileName)
{
    if (const VResult r = FilterTest(header_, NativePath(fileName)); r != 0)
        HandleError(r, fileName);
}

} // namespace vemra
