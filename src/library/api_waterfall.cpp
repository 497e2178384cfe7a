#include "library/api_waterfall.h"

#include "library/WaterfallStore.h"
#include "library/files/ResponseFile.h"

#include <memory>
#include <vector>

namespace vemra {

VResult CreateWaterfall(const std::string& fileName, WaterfallParams& params)
{
    return guardedResult(msg::CannotRead, [&]() -> VResult {
        WaterfallStore::remove(params.LibraryData);
        params.LibraryData = 0;

        WaveHeader header;
        std::vector<std::int16_t> interleaved;
        if (const VResult r = files::readResponse(fileName, header, &interleaved); r != Ok)
            return r;
        const int channels = header.format.Channels;
        if (channels < 1 || channels > 2)
            return msg::BadChannelCount;
        if (!(header.format.SampleFrequency > 0))
            return msg::BadFormat;

        WaterfallStore::Entry entry;
        entry.fs_Hz = header.format.SampleFrequency;
        const std::size_t frames = interleaved.size() / std::size_t(channels);
        entry.channels.assign(std::size_t(channels), std::vector<float>(frames));
        for (std::size_t i = 0; i < frames; ++i)
            for (std::size_t c = 0; c < std::size_t(channels); ++c)
                entry.channels[c][i] = float(interleaved[i * std::size_t(channels) + c]);
        if (!WaterfallStore::dimension(entry, params))
            return msg::BadArgument;
        params.LibraryData = WaterfallStore::add(std::move(entry));
        return Ok;
    });
}

VResult RebuildWaterfall(WaterfallParams& params)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        WaterfallStore::Entry* entry = WaterfallStore::find(params.LibraryData);
        if (!entry)
            return msg::NoWaveData;
        return WaterfallStore::dimension(*entry, params) ? Ok : msg::BadArgument;
    });
}

VResult SliceWaterfall(WaterfallParams& params, std::int16_t slice)
{
    return guardedResult(msg::BadArgument, [&]() -> VResult {
        WaterfallStore::Entry* entry = WaterfallStore::find(params.LibraryData);
        if (!entry)
            return msg::NoWaveData;
        const std::optional<WaterfallRecipe> recipe = WaterfallStore::recipeOf(*entry, params);
        if (!recipe || slice < 0 || slice >= recipe->settings.slices)
            return msg::BadArgument;
        if ((entry->sliceCount != params.Slices || entry->logN != params.LogN)
            && !WaterfallStore::dimension(*entry, params))
            return msg::BadArgument;
        if (!entry->slicer || entry->slicer->settings() != recipe->settings)
            entry->slicer = std::make_unique<dsp::WaterfallSlicer>(recipe->settings);

        const std::size_t bins = recipe->settings.bins();
        const std::span<float> row(entry->levels.data() + std::size_t(slice) * bins, bins);
        entry->madeWith[std::size_t(slice)].reset();
        entry->slicer->slice(entry->channels[std::size_t(recipe->channel)], slice, row);
        entry->madeWith[std::size_t(slice)] = recipe;
        return Ok;
    });
}

VResult DestroyWaterfall(WaterfallParams& params)
{
    guardedVoid([&] { WaterfallStore::remove(params.LibraryData); });
    params.LibraryData = 0;
    return Ok;
}

} // namespace vemra
