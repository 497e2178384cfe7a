#pragma once
// Whether a stream on an audio server's frame clock lost input, told from the clock alone, in the audio callback.
// Each callback serves one cycle of the server: its first frame on the server's clock and its length. Input was
// lost when a cycle does not begin where the previous one ended (the server ran a cycle without us, or its clock
// stepped over frames an overrun lost), when the clock moved on while the callback still read its input (the server
// may have written the next cycle over it), and in the cycle after one whose output was written after the clock
// moved on (that output missed its cycle, so what comes back of it is no continuation of the stimulus).
// A cycle that merely started late loses nothing: a server that waits for its clients runs its clock late with them.
//
// Callback-owned: every member is called on the audio thread only (reset() before the stream starts). The clock
// counts in 32 bits and wraps; differences are taken modulo 2^32.
#include <cstdint>

namespace vemra::sound {

class FrameContinuity {
public:
    // A new stream: its first cycle follows nothing.
    void reset()
    {
        known_ = false;
        outputLate_ = false;
    }
    // At the start of a callback: the first frame of its cycle and the cycle's length. True when input was lost
    // before this cycle.
    bool startCycle(std::uint32_t first, std::uint32_t frames)
    {
        const bool lost = outputLate_ || (known_ && first != next_);
        known_ = true;
        cycle_ = first;
        next_ = first + frames;
        outputLate_ = false;
        return lost;
    }
    // The clock read during the callback (now): true once the server has begun another cycle.
    bool movedOn(std::uint32_t now) const { return known_ && now != cycle_; }
    // At the end of the callback, with the clock read after the output was written.
    void endCycle(std::uint32_t now) { outputLate_ = movedOn(now); }

private:
    bool known_ = false;
    bool outputLate_ = false;
    std::uint32_t cycle_ = 0;
    std::uint32_t next_ = 0;
};

} // namespace vemra::sound
