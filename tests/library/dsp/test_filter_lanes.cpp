// Band filters side by side: a lane must compute exactly what it computes alone, whichever lanes run beside it,
// at whichever lane it runs, and however the signal is cut into pieces (the state carries from one piece to the
// next; a piece may be shorter than the filter's cascade). Groups of one to eight lanes take different kernels
// (few lanes run their sections side by side), so every group size is compared with the lane alone; and the
// kernels of the processor are compared with the portable one for every count of sections and lanes.
#include "library/dsp/BandFilter.h"
#include "library/dsp/Bands.h"
#include "library/dsp/FilterLanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// x through a cascade as designed (transposed direct form II with b0), in long double.
std::vector<long double> designedCascade(std::span<const Biquad> sections, const std::vector<float>& x)
{
    std::vector<long double> z1(sections.size(), 0.0L), z2(sections.size(), 0.0L), y(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        long double v = x[i];
        for (std::size_t s = 0; s < sections.size(); ++s) {
            const Biquad& q = sections[s];
            const long double out = q.b0 * v + z1[s];
            z1[s] = q.b1 * v - q.a1 * out + z2[s];
            z2[s] = q.b2 * v - q.a2 * out;
            v = out;
        }
        y[i] = v;
    }
    return y;
}

// The root-mean-square difference of a lane from a reference, relative to the reference's.
template <class Reference>
double relativeError(const std::vector<float>& lane, const std::vector<Reference>& reference)
{
    double error = 0, power = 0;
    for (std::size_t i = 0; i < lane.size(); ++i) {
        const double r = static_cast<double>(reference[i]);
        error += (lane[i] - r) * (lane[i] - r);
        power += r * r;
    }
    return std::sqrt(error / power);
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

// The narrowest bands (the lowest ones at 96 kHz, filtered at 1.5 kHz: poles about 0.003 from the unit circle)
// follow their cascade as designed, run here in long double, to the float precision of the output all down the
// ringing after a noise burst, block by block to more than 120 dB below the loudest: alone (one or two lanes fold
// into three vectors) and three side by side (passes of three sections), in both kernels.
TEST(FilterLanes, NarrowBandsKeepFloatPrecisionDownTheirDecay)
{
    const double fs = 96000;
    std::vector<BandFilter> designs;
    for (int band : {14, 11, 0})
        designs.push_back(*BandFilter::design(band, fs));
    const std::size_t burst = 1500, length = 40000, block = 100;
    std::vector<float> x = noise(length, 11);
    for (float& v : x)
        v /= 3; // every bit of the floats in use, as in a signal whose rate was halved
    std::fill(x.begin() + burst, x.end(), 0.0f);
    for (bool portable : {false, true}) {
        usePortableFilterKernel(portable);
        for (bool together : {false, true})
            for (std::size_t d = 0; d < designs.size(); ++d) {
                SCOPED_TRACE(std::string(portable ? "portable" : "fast") + " kernel, band " +
                             std::to_string(designs[d].band()) + (together ? " beside two others" : " alone"));
                ASSERT_EQ(designs[d].sectionRate_Hz(), 1500.0);
                std::vector<std::span<const Biquad>> lanes = {designs[d].sections()};
                if (together)
                    for (std::size_t other = 0; other < designs.size(); ++other)
                        if (other != d)
                            lanes.push_back(designs[other].sections());
                const auto out = runInPieces(lanes, x, {512}).front();
                const auto designed = designedCascade(designs[d].sections(), x);
                double peak = 0, worst = 0, lowest = 0;
                for (std::size_t first = 0; first < length; first += block) {
                    double error = 0, power = 0;
                    for (std::size_t i = first; i < first + block; ++i) {
                        const long double v = designed[i];
                        error += std::pow(static_cast<double>(out[i] - v), 2);
                        power += static_cast<double>(v * v);
                    }
                    peak = std::max(peak, power);
                    if (power < 1e-14 * peak)
                        break;
                    worst = std::max(worst, std::sqrt(error / power));
                    lowest = 10 * std::log10(power / peak);
                }
                EXPECT_LT(lowest, -120.0);
                EXPECT_LT(worst, 1e-7);
            }
    }
    usePortableFilterKernel(false);
}

// Every number of sections a lane may have (1 to 6, though the bands use only some) and every number of lanes side
// by side (1 to 8), band-pass lanes, lanes run as designed and the two mixed: the fast kernels take a path of their
// own for each (a numerator and all-pole sections in passes, or folded, or the sections as designed), and each
// must give the portable kernel's lanes to the float precision of the output. The portable kernel in turn follows
// the cascade as designed.
TEST(FilterLanes, FastKernelsGiveWhatThePortableKernelGivesForEveryCount)
{
    if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma"))
        GTEST_SKIP() << "no processor kernel of its own here";
    const double fs = 48000;
    std::vector<BandFilter> bands;
    for (int band : {6, 30, 9, 22, 38, 2, 43, 41})
        bands.push_back(*BandFilter::design(band, fs));
    const BandFilter wideBand = *BandFilter::design(kWideBand, fs);
    const auto wide = wideBand.sections();
    const auto x = noise(3000, 5);
    enum class Kind { BandPass, Designed, Mixed };
    for (Kind kind : {Kind::BandPass, Kind::Designed, Kind::Mixed})
        for (std::size_t sections = 1; sections <= FilterLanes::kMaxSections; ++sections) {
            // Lane l: band l's first sections (each a band-pass one), or the wide band's followed by band l's (as
            // designed), or the two in turn.
            std::vector<std::vector<Biquad>> cascades;
            for (std::size_t l = 0; l < bands.size(); ++l) {
                std::vector<Biquad> c;
                if (kind == Kind::Designed || (kind == Kind::Mixed && l % 2 == 1))
                    c.assign(wide.begin(), wide.end());
                const auto own = bands[l].sections();
                c.insert(c.end(), own.begin(), own.end());
                c.resize(sections);
                cascades.push_back(std::move(c));
            }
            for (std::size_t count = 1; count <= FilterLanes::kLanes; ++count) {
                const char* name = kind == Kind::BandPass ? "band-pass" : kind == Kind::Designed ? "designed" : "mixed";
                SCOPED_TRACE(std::string(name) + " lanes of " + std::to_string(sections) + " sections, " +
                             std::to_string(count) + " side by side");
                const std::vector<std::span<const Biquad>> lanes(cascades.begin(), cascades.begin() + count);
                usePortableFilterKernel(true);
                const auto portable = runInPieces(lanes, x, {x.size()});
                usePortableFilterKernel(false);
                const auto fast = runInPieces(lanes, x, {x.size()});
                for (std::size_t l = 0; l < count; ++l) {
                    EXPECT_LT(relativeError(fast[l], portable[l]), 1e-6) << "lane " << l;
                    EXPECT_LT(relativeError(portable[l], designedCascade(lanes[l], x)), 1e-6) << "lane " << l;
                }
            }
        }
}
