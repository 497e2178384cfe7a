// A pass over the samples that may end early (at a position the bands are needed up to) must hand every band
// the samples up to that position bit for bit as a pass that runs through does: the rate changes look ahead, and
// a pass cut too close to the position would give its last samples as if the response ended there.
#include "library/dsp/BandFilter.h"
#include "library/dsp/BandPass.h"
#include "support/ResponseGenerator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

using namespace vemra::dsp;
namespace ts = vemra::testsupport;

namespace {

// Every sample a band receives, by position, as its bits.
class RecordingSink final : public BandSink {
public:
    void take(const BandSamples& s) override
    {
        for (std::int64_t k = 0; k < s.count; ++k) {
            std::uint32_t bits;
            std::memcpy(&bits, s.values + k * s.stride, sizeof bits);
            samples[s.first + k * s.step] = bits;
        }
    }
    std::map<std::int64_t, std::uint32_t> samples;
};

std::vector<RecordingSink> pass(const std::vector<float>& x, const std::vector<const BandFilter*>& filters,
                                FilterDirection direction, std::int64_t anchor, std::int64_t until)
{
    std::vector<RecordingSink> sinks(filters.size());
    std::vector<BandSink*> pointers;
    for (auto& s : sinks)
        pointers.push_back(&s);
    BandPassInput input;
    input.samples = std::span<const float>(x);
    input.direction = direction;
    input.anchor = anchor;
    input.until = until;
    runBandPass(input, filters, pointers);
    return sinks;
}

} // namespace

// Bands at the full rate and at the deepest reduced rate side by side, forward and reversed, with positions to
// stop at that lie on and off each rate's grid.
TEST(BandPass, APassEndingEarlyGivesWhatAWholePassGivesUpToItsEnd)
{
    const double fs = 96000;
    ts::ResponseShape shape;
    shape.fs_Hz = fs;
    shape.length_s = 1.0;
    shape.delay = 480;
    shape.energy = ts::singleDecay(0.6, 1e8);
    shape.noiseEnergy = 1e2;
    const auto x = ts::makeResponse(shape);
    const auto n = static_cast<std::int64_t>(x.size());
    std::vector<BandFilter> designs;
    for (int band : {41, 30, 14, 6, 0})
        designs.push_back(*BandFilter::design(band, fs));
    std::vector<const BandFilter*> filters;
    for (const auto& d : designs)
        filters.push_back(&d);
    const std::int64_t anchor = 480;

    for (FilterDirection direction : {FilterDirection::Forward, FilterDirection::Reversed}) {
        const auto whole = pass(x, filters, direction, anchor, -1);
        for (std::int64_t until : {std::int64_t(30001), std::int64_t(48000), n / 2 + 37}) {
            const bool forward = direction == FilterDirection::Forward;
            SCOPED_TRACE(std::string(forward ? "forward" : "reversed") + " until " + std::to_string(until));
            const auto early = pass(x, filters, direction, anchor, until);
            for (std::size_t f = 0; f < filters.size(); ++f) {
                SCOPED_TRACE("band " + std::to_string(filters[f]->band()) + " rate / " +
                             std::to_string(filters[f]->decimation()));
                const auto& all = whole[f].samples;
                const auto& some = early[f].samples;
                EXPECT_LT(some.size(), all.size() * 3 / 4); // it did end early
                std::size_t compared = 0;
                for (const auto& [p, bits] : all) {
                    if (forward ? p > until : p < until)
                        continue;
                    const auto it = some.find(p);
                    ASSERT_NE(it, some.end()) << "position " << p;
                    ASSERT_EQ(it->second, bits) << "position " << p;
                    ++compared;
                }
                EXPECT_GT(compared, 0u);
            }
        }
    }
}
