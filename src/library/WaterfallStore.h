#pragma once
// The waterfalls the library holds between CreateWaterfall and DestroyWaterfall: each one's copy of the response
// and the slices computed so far, addressed by the handle in WaterfallParams::LibraryData (never 0, never reused
// within a run, so a stale handle finds nothing). Every slice remembers the settings and channel it was computed
// with; the picture of a record shows only the slices that match the record as it is now.
// Calling thread: the user-interface thread (as every library call).
#include "library/dsp/Waterfall.h"
#include "library/records.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace vemra {

// The slice settings and channel a record asks for.
struct WaterfallRecipe {
    dsp::WaterfallSettings settings;
    int channel = 0;
    bool operator==(const WaterfallRecipe&) const = default;
};

// The slices a drawing shows, in time order: those computed with the record's present recipe.
struct WaterfallPicture {
    dsp::WaterfallSettings settings;
    std::vector<int> numbers;                   // slice numbers, 0 .. settings.slices - 1
    std::vector<double> times_s;
    std::vector<std::span<const float>> slices; // settings.bins() levels each, dB re full scale

    // True when slices are shown and every level of them lies on the floor (kWaterfallFloor_dB): the channel is
    // silent in the analysed stretch, or holds samples only where the analysis window gives them no weight.
    // Levels are drawn below the highest one, so such a picture would show nothing as full level; it is none.
    bool silent() const;
};

class WaterfallStore {
public:
    struct Entry {
        std::vector<std::vector<float>> channels; // the response, 16-bit units
        double fs_Hz = 0;
        int sliceCount = 0;
        int logN = 0;
        std::vector<float> levels;                          // sliceCount rows of bins
        std::vector<std::optional<WaterfallRecipe>> madeWith; // per slice; empty until computed
        std::unique_ptr<dsp::WaterfallSlicer> slicer;
    };

    // Takes the response and returns its handle.
    static std::int32_t add(Entry entry);
    static Entry* find(std::int32_t handle);
    static void remove(std::int32_t handle);
    // How many waterfalls are held.
    static std::size_t size();

    // Sizes the slice table for the record's Slices and LogN and forgets every slice. False when either is out of
    // range (the table is then unchanged).
    static bool dimension(Entry& entry, const WaterfallParams& params);
    // The recipe of the record for this response; nullopt when a field is out of range or the stretch does not
    // lie in the response.
    static std::optional<WaterfallRecipe> recipeOf(const Entry& entry, const WaterfallParams& params);
};

// The slices of the record's waterfall that match its present settings; nullopt when it holds no waterfall or
// its settings are out of range.
std::optional<WaterfallPicture> WaterfallPictureOf(const WaterfallParams& params);

} // namespace vemra
