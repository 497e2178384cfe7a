#include "library/WaterfallStore.h"

#include <algorithm>
#include <map>

namespace vemra {
namespace {

std::map<std::int32_t, WaterfallStore::Entry>& entries()
{
    static std::map<std::int32_t, WaterfallStore::Entry> waterfalls;
    return waterfalls;
}

std::int32_t g_lastHandle = 0;

bool isCumulative(std::int16_t type) { return type == 1 || type == 3; }

} // namespace

std::int32_t WaterfallStore::add(Entry entry)
{
    do {
        g_lastHandle = g_lastHandle == INT32_MAX ? 1 : g_lastHandle + 1;
    } while (entries().count(g_lastHandle));
    entries().emplace(g_lastHandle, std::move(entry));
    return g_lastHandle;
}

WaterfallStore::Entry* WaterfallStore::find(std::int32_t handle)
{
    const auto it = entries().find(handle);
    return it == entries().end() ? nullptr : &it->second;
}

void WaterfallStore::remove(std::int32_t handle) { entries().erase(handle); }

std::size_t WaterfallStore::size() { return entries().size(); }

bool WaterfallStore::dimension(Entry& entry, const WaterfallParams& params)
{
    if (params.LogN < dsp::kMinWaterfallLogN || params.LogN > dsp::kMaxWaterfallLogN || params.Slices < 1
        || params.Slices > dsp::kMaxWaterfallSlices)
        return false;
    const std::size_t bins = (std::size_t(1) << params.LogN) / 2 + 1;
    std::vector<float> levels(std::size_t(params.Slices) * bins, dsp::kWaterfallFloor_dB);
    entry.levels = std::move(levels);
    entry.madeWith.assign(std::size_t(params.Slices), std::nullopt);
    entry.sliceCount = params.Slices;
    entry.logN = params.LogN;
    return true;
}

std::optional<WaterfallRecipe> WaterfallStore::recipeOf(const Entry& entry, const WaterfallParams& params)
{
    if (params.WaterfallType < 0 || params.WaterfallType > 3 || params.Channel < 0
        || params.Channel >= int(entry.channels.size()))
        return std::nullopt;
    const auto frames = std::int64_t(entry.channels[std::size_t(params.Channel)].size());
    if (params.StartSample < 0 || params.SampleCount < 1
        || std::int64_t(params.StartSample) + params.SampleCount > frames)
        return std::nullopt;
    WaterfallRecipe r;
    r.channel = params.Channel;
    dsp::WaterfallSettings& s = r.settings;
    s.mode = isCumulative(params.WaterfallType) ? dsp::DecayMode::Cumulative : dsp::DecayMode::TimeShifted;
    s.logN = params.LogN;
    s.windowType = params.WindowType;
    s.slices = params.Slices;
    s.start = params.StartSample;
    s.count = params.SampleCount;
    s.csdShift = params.CSDShift;
    s.csdRise_ms = params.CSDRise;
    s.smooth = isTrue(params.Smooth);
    s.fs_Hz = entry.fs_Hz;
    if (!s.valid())
        return std::nullopt;
    return r;
}

bool WaterfallPicture::silent() const
{
    return !slices.empty() && std::ranges::all_of(slices, [](std::span<const float> slice) {
        return std::ranges::all_of(slice, [](float level) { return !(level > dsp::kWaterfallFloor_dB); });
    });
}

std::optional<WaterfallPicture> WaterfallPictureOf(const WaterfallParams& params)
{
    const WaterfallStore::Entry* entry = WaterfallStore::find(params.LibraryData);
    if (!entry)
        return std::nullopt;
    const std::optional<WaterfallRecipe> recipe = WaterfallStore::recipeOf(*entry, params);
    if (!recipe || entry->sliceCount != recipe->settings.slices || entry->logN != recipe->settings.logN)
        return std::nullopt;
    WaterfallPicture picture;
    picture.settings = recipe->settings;
    const std::size_t bins = recipe->settings.bins();
    for (int i = 0; i < entry->sliceCount; ++i) {
        if (entry->madeWith[std::size_t(i)] != recipe)
            continue;
        picture.numbers.push_back(i);
        picture.times_s.push_back(dsp::sliceTime_s(recipe->settings, i));
        picture.slices.emplace_back(entry->levels.data() + std::size_t(i) * bins, bins);
    }
    return picture;
}

} // namespace vemra
