#pragma once
// The arithmetic of IEC 60268-16 after the modulation transfer values: apparent signal-to-noise ratio,
// transmission index, and the band weightings of the speech transmission indices. The response document reads
// its values through these; pure functions, any thread.
#include <array>

namespace vemra::speech {

// Speech bands: the seven octave bands 125 Hz .. 8 kHz (BandIndex 3..9).
inline constexpr int kFirstSpeechBand = 3;
inline constexpr int kLastSpeechBand = 9;
inline constexpr int kSpeechBands = 7;

// The apparent signal-to-noise ratio of a modulation value, in dB within +-15: 10 lg(m / (1 - m)) clipped;
// m >= 1 (no loss of modulation, also when rounding carried it past 1) is +15, m <= 0 is -15. Single precision.
float apparentSnr_dB(float m);
// (apparentSnr_dB(m) + 15) / 30, 0..1.
float transmissionIndex(float m);

// The modulation transfer indices of bands 3..9 (index 0..6; negative: the band has none), and which of the bands
// the sample rate allows (a band whose centre lies above 0.35 times the rate is left out of every index).
struct SpeechBands {
    std::array<float, kSpeechBands> mti{};
    std::array<bool, kSpeechBands> allowed{};
};

// What every index rests on: each band the rate allows has its MTI (and the rate allows one at least). An index
// of the bands that happen to have one would read a response cut short, or one band clear of its noise, as
// speech heard whole; with a band missing there is no index, as for a silent channel.
bool complete(const SpeechBands& bands);

// A value of an index, 0..1; the marks of no index (-1, or NoValue of the weighted STI) are none. Whatever shows
// an index, its rating or its articulation loss asks this first.
bool isIndex(float value);

// The revised index with redundancy correction from the MTIs of bands 3..9 (index 0..6; negative: the band has
// none): male speech uses all seven bands, female the six from 250 Hz. -1 when a band it uses has no MTI.
float revisedIndex(const std::array<float, kSpeechBands>& mti, bool female);

} // namespace vemra::speech
