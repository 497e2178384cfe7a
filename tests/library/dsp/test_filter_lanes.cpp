// Band filters side by side: a lane must compute exactly what it computes alone, whichever lanes run beside it,
// at whichever lane it runs, and however the signal is cut into pieces (the state carries from one piece to the
// next; a piece may be shorter than the filter's cascade). Groups of one to eight lanes take different kernels
// (few lanes run their sections side by side), so every group size is compared with the lane alone.
#include "library/dsp/BandFilter.h"
#include "library/dsp/Bands.h"
#include "library/dsp/FilterLanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace vemra::dsp;

namespace {

std::vector<float> noise(std::size_t n, unsigned seed)
{
    std::vector<float> x(n);
    for (float& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<float>(static_cast<int>(seed >> 8) % 20001 - 10000);
    }
    return x;
}

// Each lane's output of x, fed in pieces of the given lengths (cycled).
std::vector<std::vector<float>> runInPieces(const std::vector<std::span<const Biquad>>& lanes,
                                            const std::vector<float>& x, const std::vector<std::size_t>& pieces)
{
    FilterLanes filter(lanes);
    std::vector<std::vector<float>> out(lanes.size(), std::vector<float>(x.size()));
    std::vector<float> block;
    for (std::size_t first = 0, p = 0; first < x.size(); ++p) {
        const std::size_t k = std::min(pieces[p % pieces.size()], x.size() - first);
        block.assign(k * FilterLanes::kLanes, 0.0f);
        filter.run(x.data() + first, static_cast<std::int64_t>(k), block.data());
        for (std::size_t j = 0; j < k; ++j)
            for (std::size_t l = 0; l < lanes.size(); ++l)
                out[l][first + j] = block[j * FilterLanes::kLanes + l];
        first += k;
    }
    return out;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

} // namespace

// Cascades of three to six sections (a kernel per length), some lanes shorter than the others (they run with
// identities after their own), at every lane position, whole and in pieces, in both kernels.
TEST(FilterLanes, EveryLaneGivesWhatItGivesAloneWhateverRunsBesideIt)
{
    const double fs = 48000;
    std::vector<BandFilter> designs;
    for (int band : {43, 6, kWideBand, 30, 2, 38, 41, 9, 22})
        designs.push_back(*BandFilter::design(band, fs));
    const auto x = noise(2000, 3);
    const std::vector<std::size_t> whole = {x.size()};
    const std::vector<std::size_t> pieces = {1, 2, 3, 700, 5, 4, 64, 1, 13};
    for (bool portable : {false, true})
        for (std::size_t longest = 3; longest <= 6; ++longest) {
            usePortableFilterKernel(portable);
            // Lane d: design d's first sections, every third one a section short.
            std::vector<std::span<const Biquad>> cascades;
            for (std::size_t d = 0; d < designs.size(); ++d)
                cascades.push_back(designs[d].sections().first(std::min(designs[d].sections().size(), longest - (d % 3 == 1))));
            std::vector<std::vector<float>> alone;
            for (const auto& c : cascades)
                alone.push_back(runInPieces({c}, x, whole).front());
            for (std::size_t count = 1; count <= FilterLanes::kLanes; ++count)
                for (std::size_t rotation = 0; rotation < designs.size(); rotation += 4) {
                    SCOPED_TRACE(std::string(portable ? "portable" : "fast") + " kernel, up to " +
                                 std::to_string(longest) + " sections, " + std::to_string(count) +
                                 " lanes from design " + std::to_string(rotation));
                    std::vector<std::span<const Biquad>> lanes;
                    std::vector<std::size_t> which;
                    for (std::size_t l = 0; l < count; ++l) {
                        which.push_back((rotation + l) % designs.size());
                        lanes.push_back(cascades[which.back()]);
                    }
                    for (const auto* cut : {&whole, &pieces}) {
                        const auto out = runInPieces(lanes, x, *cut);
                        for (std::size_t l = 0; l < count; ++l)
                            EXPECT_TRUE(sameBits(out[l], alone[which[l]]))
                                << "lane " << l << (cut == &whole ? " in one piece" : " in pieces");
                    }
                }
        }
    usePortableFilterKernel(false);
}
