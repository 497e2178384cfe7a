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

// ends: one per filter.
std::vector<RecordingSink> pass(const std::vector<float>& x, const std::vector<const BandFilter*>& filters,
                                FilterDirection direction, std::int64_t anchor, const std::vector<std::int64_t>& ends)
{
    std::vector<RecordingSink> sinks(filters.size());
    std::vector<BandSink*> pointers;
    for (auto& s : sinks)
        pointers.push_back(&s);
    BandPassInput input;
    input.samples = std::span<const float>(x);
    input.direction = direction;
    input.anchor = anchor;
    input.until = ends;
    runBandPass(input, filters, pointers);
    return sinks;
}

std::vector<RecordingSink> pass(const std::vector<float>& x, const std::vector<const BandFilter*>& filters,
                                FilterDirection direction, std::int64_t anchor, std::int64_t until)
{
    return pass(x, filters, direction, anchor, std::vector<std::int64_t>(filters.size(), until));
}

// A decay over a noise floor 60 dB down, behind `delay` samples of noise (none: the decay starts at the first sample).
std::vector<float> noisyDecay(double fs, std::int64_t delay, double noiseEnergy = 1e2)
{
    ts::ResponseShape shape;
    shape.fs_Hz = fs;
    shape.length_s = noiseEnergy > 0 ? 1.0 : 0.5;
    shape.delay = delay;
    shape.energy = ts::singleDecay(noiseEnergy > 0 ? 0.6 : 0.4, 1e8);
    shape.noiseEnergy = noiseEnergy;
    return ts::makeResponse(shape);
}

// The designs of some bands at a rate, and pointers to them as a pass takes them.
struct Bank {
    Bank(double fs, std::initializer_list<int> bands)
    {
        for (int band : bands)
            designs.push_back(*BandFilter::design(band, fs));
        for (const auto& d : designs)
            filters.push_back(&d);
    }
    std::vector<BandFilter> designs;
    std::vector<const BandFilter*> filters;
};

} // namespace

// Bands at the full rate and at the deepest reduced rate side by side, forward and reversed, with positions to
// stop at that lie on and off each rate's grid.
TEST(BandPass, APassEndingEarlyGivesWhatAWholePassGivesUpToItsEnd)
{
    const auto x = noisyDecay(96000, 480);
    const auto n = static_cast<std::int64_t>(x.size());
    const Bank bank(96000, {41, 30, 14, 6, 0});
    const auto& filters = bank.filters;
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

// Zeros before or after the signal (the anchor moving with it) change no band's samples, bit for bit, forward and
// reversed: the rate changes start as far before the first sample and end as far after the last as their taps
// reach, so the lowest rates see the first samples whole wherever the signal begins.
TEST(BandPass, ZerosAroundTheSignalChangeNoBandSample)
{
    const auto x = noisyDecay(48000, 0, 0); // the direct sound is the first sample
    const Bank bank(48000, {41, 29, 14, 3, 0}); // full rate down to the deepest
    const auto& filters = bank.filters;

    for (FilterDirection direction : {FilterDirection::Forward, FilterDirection::Reversed}) {
        const auto plain = pass(x, filters, direction, 0, -1);
        for (auto [before, after] : {std::pair{1, 0}, {2, 0}, {13, 5}, {333, 0}, {0, 1}, {0, 77}}) {
            SCOPED_TRACE(std::string(direction == FilterDirection::Forward ? "forward" : "reversed") + ", " +
                         std::to_string(before) + " zeros before, " + std::to_string(after) + " after");
            std::vector<float> y(static_cast<std::size_t>(before), 0.0f);
            y.insert(y.end(), x.begin(), x.end());
            y.resize(y.size() + static_cast<std::size_t>(after), 0.0f);
            const auto padded = pass(y, filters, direction, before, -1);
            for (std::size_t f = 0; f < filters.size(); ++f) {
                SCOPED_TRACE("band " + std::to_string(filters[f]->band()));
                for (const auto& [p, bits] : plain[f].samples) {
                    const auto it = padded[f].samples.find(p + before);
                    ASSERT_NE(it, padded[f].samples.end()) << "position " << p;
                    ASSERT_EQ(it->second, bits) << "position " << p;
                }
            }
        }
    }
}

// Each band ends at its own end: one band run through (as a band without a decay end is) keeps no other band
// running, and each gets exactly what a whole pass gives it up to its end. One band per rate, so that no two share
// lanes.
TEST(BandPass, EachBandStopsAtItsOwnEnd)
{
    const auto x = noisyDecay(48000, 100);
    const auto n = static_cast<std::int64_t>(x.size());
    const Bank bank(48000, {41, 6, 27, 0});
    const auto& filters = bank.filters;
    for (std::size_t i = 0; i < filters.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            ASSERT_NE(filters[i]->decimationLevels(), filters[j]->decimationLevels());
    for (FilterDirection direction : {FilterDirection::Forward, FilterDirection::Reversed}) {
        const bool forward = direction == FilterDirection::Forward;
        SCOPED_TRACE(forward ? "forward" : "reversed");
        const auto whole = pass(x, filters, direction, 100, -1);
        const std::vector<std::int64_t> ends = forward ? std::vector<std::int64_t>{9000, -1, 20001, n / 2 + 37}
                                                       : std::vector<std::int64_t>{n - 9000, -1, n - 20001, n / 2 + 37};
        const auto some = pass(x, filters, direction, 100, ends);
        for (std::size_t f = 0; f < filters.size(); ++f) {
            SCOPED_TRACE("band " + std::to_string(filters[f]->band()) + " rate / " +
                         std::to_string(filters[f]->decimation()));
            const std::int64_t end = ends[f];
            for (const auto& [p, bits] : whole[f].samples) {
                const bool needed = end < 0 || (forward ? p <= end : p >= end);
                const auto it = some[f].samples.find(p);
                if (needed) {
                    ASSERT_NE(it, some[f].samples.end()) << "position " << p;
                    ASSERT_EQ(it->second, bits) << "position " << p;
                } else {
                    ASSERT_EQ(it, some[f].samples.end()) << "position " << p << " lies past the band's end";
                }
            }
        }
    }
}
