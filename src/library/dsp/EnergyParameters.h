#pragma once
// Energy parameters of one band-filtered channel after ISO 3382-1: clarity C50/C80 (any time limit), centre
// time Ts, stage support ST early/late/total and the band energy of the strength.
//
// Energies are sums of the squared forward-filtered band from the channel's time zero. The time limits are moved
// by the filter's energy delay (BandFilter::energyDelay_s), so that a band's limits fall where the broadband
// ones do. The decay analysis of the same band supplies the compensation: from its decay end on, the noise (or,
// in a response cut or faded out before its decay met any noise, the fade or the end) is replaced by the late
// decay line, which also carries the energy past the end of the response. Without a valid decay analysis the
// energy stops at the end of the response, and a window reaching past it has no value.
// A band that holds no decay (DecayAnalysis::holdsDecay) has no clarity, centre time or support: numbers
// made of the filter's response to a few samples, or of noise alone, would only look like values. Its energy
// (strength) it keeps.
// Results are plain numbers or nothing (std::nullopt) - never NaN or infinite.
// No Qt; any thread.
#include "library/dsp/DecayAnalysis.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vemra::dsp {

// Which stage support: 0 early (20-100 ms), 1 late (100-1000 ms), 2 total (20-1000 ms), each against the first
// 10 ms.
enum class SupportKind { Early = 0, Late = 1, Total = 2 };

class BandEnergy {
public:
    // Time limits (seconds after time zero) of the standard parameters: their boundaries are always kept.
    static constexpr double kStandardLimits_s[] = {0.010, 0.020, 0.050, 0.080, 0.100, 1.000};

    // band: the forward-filtered channel in time order, read here once (it need not outlive this object);
    // timeZero: the channel's time zero (sample index); delay_s: the band filter's energy delay (0 for no filter);
    // decay: the decay analysis of the same band (time-reversed filtering), whose decay end and late line
    // compensate. The running energy is kept exactly at the boundaries of the standard limits, at time zero, at the
    // decay end, at the end of the response and at extraSamples; a window with any other boundary has no value
    // here (covers() tells; build another BandEnergy with that boundary among extraSamples).
    BandEnergy(std::span<const float> band, double fs_Hz, std::int64_t timeZero, double delay_s,
               const DecayAnalysis& decay, std::span<const std::int64_t> extraSamples = {});
    // The same for a band of `length` samples that arrives piece by piece: add() each sample's energy (squared
    // band) at its sample index, in increasing order (a band filtered at a reduced rate adds each of its samples
    // once, with the energy of the full-rate samples it stands for), then finish() once.
    BandEnergy(std::int64_t length, double fs_Hz, std::int64_t timeZero, double delay_s, const DecayAnalysis& decay,
               std::span<const std::int64_t> extraSamples = {});
    void add(std::int64_t n, double energy)
    {
        while (nextMark_ < markAt_.size() && n >= markAt_[nextMark_])
            markSum_[nextMark_++] = running_;
        running_ += energy;
        if (n >= zero_ && n < end_)
            moment_ += static_cast<double>(n) * energy;
    }
    // The same for count samples at positions first, first + step, .. (step > 0): each adds scale * values[k *
    // stride]^2.
    void addSquares(std::int64_t first, std::int64_t step, const float* values, std::int64_t stride,
                    std::int64_t count, double scale);
    void finish();

    // Sample index of a time limit t seconds after time zero (t <= 0: time zero itself); -1 for an infinite t.
    std::int64_t boundary(double t_s) const;
    // True when the running energy at sample n (as a window boundary) is kept.
    bool covers(std::int64_t n) const;
    std::span<const std::int64_t> keptSamples() const { return markAt_; }
    // Where the measured energy stops (the decay end of a valid decay, else the end of the response): no energy
    // added past it changes a result.
    std::int64_t measuredEnd() const { return end_; }

    // Energy between from_s and to_s seconds after time zero (to_s may be +infinity); from_s == 0 starts at time
    // zero itself, so that the rise of the band through its filter counts as early. Nothing when the window
    // starts past the end of the response, or ends past it without a valid decay to continue it (an infinite
    // end then stops at the end of the response).
    std::optional<double> energy(double from_s, double to_s) const;

    // 10 lg(E(0, te) / E(te, inf)) in dB.
    std::optional<double> clarity_dB(double te_s) const;
    // First moment of the energy over its sum, in seconds after time zero.
    std::optional<double> centreTime_s() const;
    std::optional<double> support_dB(SupportKind kind) const;
    // Energy from time zero to endSample (exclusive), in squared sample units; an end at or past the decay end of a
    // valid decay gives the whole compensated energy (the late line to infinity).
    std::optional<double> strengthEnergy(std::int64_t endSample) const;

private:
    std::optional<double> sum(std::int64_t from, std::int64_t to) const; // compensated, [from, to), to < 0: infinity
    std::optional<double> prefix(std::int64_t n) const;                  // measured energy of [0, n) at a kept n

    std::vector<std::int64_t> markAt_; // sorted sample indices with their running energy
    std::vector<double> markSum_;
    std::int64_t length_;
    double fs_;
    std::int64_t zero_;
    double delay_s_;
    DecayAnalysis decay_;
    std::int64_t end_;  // where the measured energy stops: the decay end of a valid decay, else the response end
    bool holdsDecay_;
    double moment_ = 0; // sum of i * energy(i) over [zero_, end_)
    double running_ = 0;         // energy added so far
    std::size_t nextMark_ = 0;   // the first mark not yet passed
};

} // namespace vemra::dsp
