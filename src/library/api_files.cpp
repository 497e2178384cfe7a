#include "library/api_files.h"

#include "library/AnalysisStore.h"
#include "library/Messages.h"
#include "library/ViewStore.h"
#include "library/WaveStore.h"
#include "library/files/ResponseFile.h"
#include "library/files/TempFiles.h"

#include <sys/stat.h>

namespace vemra {

VResult GetWaveHeader(WaveHeader& header)
{
    return guardedResult(msg::CannotRead,
                         [&] { return files::readResponse(readFileNameField(header), header, nullptr); });
}

VResult OpenWave(WaveHeader& header)
{
    return guardedResult(msg::CannotRead, [&]() -> VResult {
        WaveHeader fresh = header;
        files::PlanarSamples channels;
        if (const VResult r = files::readResponsePlanar(readFileNameField(header), fresh, &channels); r != Ok)
            return r;
        if (channels.empty() || channels.size() > 2)
            return msg::BadChannelCount;
        // The caller's information, texts and gains stand; the file gives the samples and their description.
        header.format.SampleFrequency = fresh.format.SampleFrequency;
        if (!WaveStore::adopt(header, std::move(channels)))
            return msg::BadDataChunk;
        return Ok;
    });
}

VResult CloseWave(WaveHeader& header)
{
    guardedVoid([&] {
        // What was made of the samples goes with them.
        AnalysisStore::release(header);
        ReleaseProcessedView(header);
        WaveStore::release(header);
    });
    return Ok;
}

VResult SaveWaveAs(WaveHeader& header, const std::string& fileName)
{
    return guardedResult(msg::CannotWrite, [&]() -> VResult {
        if (!WaveStore::isOpen(header))
            return msg::NoWaveData;
        WaveHeader out = header;
        out.format.Channels = static_cast<std::int16_t>(WaveStore::channels(header));
        return files::writeResponse(fileName, out, WaveStore::interleaved(header));
    });
}

VResult GetTempName(std::string& buffer)
{
    return guardedResult(msg::CannotCreateFile, [&]() -> VResult {
        buffer = files::issueTempName();
        return buffer.empty() ? msg::CannotCreateFile : Ok;
    });
}

bool IsTempName(const std::string& path)
{
    return guardedValue(false, [&] { return files::isIssuedTempName(path); });
}

bool DeleteTempFile(const std::string& path)
{
    return guardedValue(false, [&] { return files::removeTempFile(path); });
}

void SetDataFolder(const std::string& folder)
{
    guardedVoid([&] { files::setDataFolder(folder); });
}

std::string DataFolder()
{
    return guardedValue(std::string(), [] { return files::dataFolder(); });
}

bool TimTemplateAvailable()
{
    return guardedValue(false, [] {
        struct stat st {};
        return ::stat(files::timTemplatePath().c_str(), &st) == 0 && S_ISREG(st.st_mode);
    });
}

} // namespace vemra
