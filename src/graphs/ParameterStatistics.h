#pragma once
// The statistics of the parameter graph over its file set, per parameter 0..19, channel 0..1 and band 0..43:
// number of valid values, mean, sample standard deviation (n - 1), minimum and maximum. Only valid values count;
// an empty entry has count 0, mean and deviation 0, minimum 1E+38 and maximum -1E+38. The values are single
// precision as the parameter cache holds them; sums are kept in double precision. Indexes outside the ranges
// throw the range failure (VemraError 9). No Qt; any thread.
#include "library/dsp/Bands.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vemra::graphs {

struct BandStatistic {
    int count = 0;
    double mean = 0;
    double stdDev = 0;
    double minimum = 1E+38;
    double maximum = -1E+38;
};

class ParameterStatistics {
public:
    static constexpr int kParameters = 20;
    static constexpr int kChannels = 2;
    static constexpr int kBands = dsp::kBandCount;
    static constexpr int kScales = 2; // 0 full octaves, 1 third octaves

    ParameterStatistics();

    // Every entry empty and nothing done.
    void clear();

    const BandStatistic& at(int parameter, int channel, int band) const;
    // Whether the statistics of the parameter at that band width are complete.
    bool done(int parameter, int scale) const;

    // A file's value of the parameter in a channel and band, std::nullopt when it has none.
    using Lookup = std::function<std::optional<float>(int file, int channel, int band)>;

    // The statistics of one parameter over files 0..fileCount-1, bands first..last and channels
    // 0..channels-1, replacing what those entries held; then marks (parameter, scale) done.
    void calculate(int parameter, int scale, int fileCount, int firstBand, int lastBand, int channels,
                   const Lookup& value);

private:
    BandStatistic& entry(int parameter, int channel, int band);
    std::vector<BandStatistic> entries_;
    bool done_[kParameters][kScales] = {};
};

} // namespace vemra::graphs
