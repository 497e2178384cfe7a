#pragma once
// A band's energy from time zero on, summed into cells as a band pass hands the band's samples over (the decay
// analysis keeps no filtered band, only this): a sample v at full-rate position p >= zero, standing for R
// full-rate samples (its rate reduction), adds R v^2 to cells[(p - zero) >> shift]. Samples before time zero
// count nowhere. The cells must reach every position from time zero to the end of the pass; the caller zeroes
// them before the pass.
// Bands filtered side by side hand their samples over together (takeLanes): when every lane is a cell sink with
// the same time zero and cell size, all lanes are summed in one sweep, each exactly as take() alone would.
// No Qt; a sink belongs to one pass, on one thread.
#include "library/dsp/BandPass.h"

#include <cstdint>
#include <span>

namespace vemra::dsp {

class DecayCellSink final : public BandSink {
public:
    // Cells of 2^shift full-rate samples, the first starting at `zero`.
    DecayCellSink(std::span<float> cells, std::int64_t zero, int shift) : cells_(cells), zero_(zero), shift_(shift) {}
    void take(const BandSamples& samples) override;
    void takeLanes(const BandSamples& samples, std::span<BandSink* const> lanes) override;

private:
    template <int W>
    void takeSideBySide(const BandSamples& samples, std::span<BandSink* const> lanes);
    std::span<float> cells_;
    std::int64_t zero_;
    int shift_;
};

} // namespace vemra::dsp
