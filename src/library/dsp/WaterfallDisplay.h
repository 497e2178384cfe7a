#pragma once
// From the bins of a waterfall's slices to the pixels of its picture: the frequency axis (linear or logarithmic,
// between the edges of two octave bands) and the resampling of a spectrum onto the cells of that axis. A cell
// wider than a bin shows the highest level of the bins inside it, so a narrow resonance never drops out of the
// picture; a cell narrower than a bin shows the level interpolated (in dB) at the cell's centre.
// No Qt; pure values, any thread.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vemra::dsp {

// Positions run from 0 at fLow_Hz to `length` at fHigh_Hz.
struct FrequencyAxis {
    double fLow_Hz = 20;
    double fHigh_Hz = 20000;
    bool linear = false;
    double length = 1;

    double positionOf(double f_Hz) const;
    double frequencyAt(double position) const;
};

// The frequencies a waterfall shows for its octave-band limits (band indices 1..10) at a sample rate: from the
// lower edge of the lowest band to the upper edge of the highest, never beyond half the sample rate. False when
// the limits are not octave bands, are reversed, or leave nothing below Nyquist.
bool waterfallFrequencyRange(int minBand, int maxBand, double fs_Hz, double& fLow_Hz, double& fHigh_Hz);

class SpectrumResampler {
public:
    // `cells` cells of the axis (cell c covers positions c .. c + 1) from a spectrum of `bins` bins spaced
    // binWidth_Hz apart, bin 0 at 0 Hz.
    SpectrumResampler(const FrequencyAxis& axis, int cells, std::size_t bins, double binWidth_Hz);
    int cells() const { return int(cells_.size()); }
    // Levels (dB) of the cells; `levels` holds the bins, `out` cells() values.
    void resample(std::span<const float> levels, std::span<float> out) const;

private:
    struct Cell {
        std::uint32_t first = 0; // peak over bins first..last, or interpolation between first and first + 1
        std::uint32_t last = 0;
        float fraction = 0;
        bool interpolate = false;
    };
    std::vector<Cell> cells_;
};

} // namespace vemra::dsp
