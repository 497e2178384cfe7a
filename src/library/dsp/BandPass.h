#pragma once
// One pass over a channel's samples through several band filters, each at its own rate (BandFilter's multirate
// chain without the way back to the full rate): the signal is halved in rate as deep as the lowest band needs,
// in pieces, and each band's samples go to its sink as they come, with the position of each in the full-rate
// signal. Nothing of the length of the signal is held, so a pass over a long response needs little memory.
//
// Positions: a band at a reduced rate has a sample at every full-rate index that differs from `anchor` by a
// multiple of its rate reduction R; that sample stands for the R full-rate samples around it (its energy counts
// R times). Forward passes give positions in increasing order from the start, reversed passes in decreasing order
// from the end. Each band's samples are exactly those of the same band in any other pass over the same samples
// with the same anchor, whatever other bands run beside it.
// No Qt; a pass runs on the calling thread and touches nothing but its arguments.
#include "library/dsp/BandFilter.h"

#include <cstdint>
#include <span>

namespace vemra::dsp {

// Samples of one band: values[k * stride] is the sample at position first + k * step.
struct BandSamples {
    const float* values = nullptr;
    std::int64_t stride = 1;
    std::int64_t count = 0;
    std::int64_t first = 0;
    std::int64_t step = 1;
    std::int64_t decimation = 1;
};

class BandSink {
public:
    virtual ~BandSink() = default;
    virtual void take(const BandSamples& samples) = 0;
    // The samples of bands filtered side by side, for the sinks lanes[0..] (this one first): lane l's samples
    // start at samples.values + l. Each lane's sink takes its own, unless the kind of sink takes several at once.
    virtual void takeLanes(const BandSamples& samples, std::span<BandSink* const> lanes);
};

// The samples of a channel, read as floats: float samples, or 16-bit samples as the response holds them (an
// analysis then needs no float copy of a long response). A view: the samples belong to the caller.
class ChannelSamples {
public:
    ChannelSamples() = default;
    ChannelSamples(std::span<const float> samples) : floats_(samples) {}
    ChannelSamples(std::span<const std::int16_t> samples) : pcm_(samples) {}
    std::int64_t size() const { return static_cast<std::int64_t>(pcm_.empty() ? floats_.size() : pcm_.size()); }
    float operator[](std::int64_t i) const
    {
        return pcm_.empty() ? floats_[static_cast<std::size_t>(i)] : static_cast<float>(pcm_[static_cast<std::size_t>(i)]);
    }
    // The float samples, if that is what they are (else empty).
    std::span<const float> floats() const { return floats_; }

private:
    std::span<const float> floats_;
    std::span<const std::int16_t> pcm_;
};

struct BandPassInput {
    ChannelSamples samples;
    FilterDirection direction = FilterDirection::Forward;
    std::int64_t anchor = 0; // a full-rate index on the grid of every reduced rate (time zero)
    // until[i]: filter i may stop once it has passed this position (the band is needed up to here only: a forward
    // pass's from the start, a reversed pass's from the end); -1, or no entries at all: run through. The samples
    // up to the position are exactly those of a pass that runs through, and the pass reads the samples only as far
    // as its bands need.
    std::span<const std::int64_t> until;
};

// Runs the pass: sinks[i] receives filters[i]'s samples (no all-pass filters), those that lie inside the signal.
// The rate changes start before the first sample and end after the last (Halfband.h), so a band's samples are the
// same whatever number of zeros stands before or after the signal, the anchor moving with it.
void runBandPass(const BandPassInput& input, std::span<const BandFilter* const> filters,
                 std::span<BandSink* const> sinks);

} // namespace vemra::dsp
