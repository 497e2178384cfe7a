// The response document's sample edits, reflection index and selection statistics: each is one library call;
// the document keeps its caches in step with the samples.
#include "core/NativePath.h"
#include "document/clsWave.h"

#include "core/BandsAndParameters.h"
#include "core/ErrorGuard.h"
#include "library/api_edit.h"

namespace vemra {

std::int16_t clsWave::afterEdit(std::int16_t result)
{
    // The caches are emptied also after a refusal (a recomputation costs less than a stale value), but only a
    // change of the samples marks the document changed: a refused edit changes nothing.
    ResetFlags();
    if (result == 0)
        setChanged(true);
    return result;
}

std::int16_t clsWave::Rotate(std::int32_t samples) { return afterEdit(EditRotate(header_, samples)); }

std::int16_t clsWave::Copy(std::int32_t start, std::int32_t length) { return EditCopy(header_, start, length); }

std::int16_t clsWave::Delete(std::int32_t start, std::int32_t length)
{
    return afterEdit(EditDelete(header_, start, length));
}

std::int16_t clsWave::Clip2File(QString& fileName)
{
    std::string name;
    const std::int16_t r = EditClip2File(name);
    fileName = QString::fromStdString(name);
    return r;
}

std::int16_t clsWave::InsertFile(std::int32_t position, const QString& fileName)
{
    return afterEdit(EditInsertFile(header_, position, NativePath(fileName)));
}

std::int16_t clsWave::Window(std::int32_t start, std::int32_t length, std::int16_t windowType)
{
    return afterEdit(EditWindow(header_, start, length, windowType));
}

std::int16_t clsWave::Silence(std::int32_t start, std::int32_t length)
{
    return afterEdit(EditSilence(header_, start, length));
}

float clsWave::RI(int band)
{
    return guarded("clsWave::RI", 0.0f, [&] {
        checkBand(band);
        if (!riComputed_) {
            CalcRI(header_, ri_); // bands without a value come back as -1; the code adds nothing to that
            riComputed_ = true;
        }
        return ri_.ri[band];
    });
}

float clsWave::Alpha(int band)
{
    return guarded("clsWave::Alpha", 0.0f, [&] {
        checkBand(band);
        const float ri = RI(band);
        // 1 - (-1) would pass for an absorption of 2: a band without a reflection index has no absorption either.
        return ri < 0 ? -1.0f : 1.0f - ri;
    });
}

std::int16_t clsWave::GetSinfo(int channel, std::int32_t start, std::int32_t length)
{
    sinfo_.first = start;
    sinfo_.length = length;
    return CalcSinfo(header_, static_cast<std::int16_t>(channel), view_.FilterType, sinfo_);
}

bool clsWave::ValidFilter(int band) const
{
    return BandBelowNyquist(band, static_cast<float>(header_.format.SampleFrequency));
}

} // namespace vemra
