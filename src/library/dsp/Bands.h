#pragma once
// The exact band table of the filters (IEC 61260-1 base-ten mid-band frequencies), by band index:
//   -2 wide band: the range of the bands, from the lower edge of the 31.5 Hz octave (22.4 Hz) to the upper edge
//      of the highest third-octave band below Nyquist;
//   -1 all-pass: no filter;
//   0..10 octave bands, fm = 1000 * 10^(0.3 (i - 6)) Hz (6 = 1 kHz);
//   11..43 third-octave bands, fm = 1000 * 10^((i - 30) / 10) Hz (30 = 1 kHz). The table starts at 11 (12.5 Hz),
//      but band lists, the analysis batches, the band views and the wide band start at 14 (25 Hz): 11..13 carry
//      labels and are filtered only when asked for alone.
// Band edges lie at fm * G^(+-1/(2b)) with G = 10^0.3 and b = 1 (octave) or 3 (third octave).
// The user interface rounds these to single precision (core/BandsAndParameters.h); the filters keep double precision.
// No Qt; pure functions, any thread.

namespace vemra::dsp {

inline constexpr int kWideBand = -2;
inline constexpr int kAllPass = -1;
inline constexpr int kFirstOctaveBand = 0;
inline constexpr int kLastOctaveBand = 10;
inline constexpr int kThirdOctaveTableStart = 11;     // 12.5 Hz: the first index of the third-octave table
inline constexpr int kFirstUsedThirdOctaveBand = 14;  // 25 Hz: the first third-octave band anything lists or shows
inline constexpr int kLastThirdOctaveBand = 43;
inline constexpr int kBandCount = 44;   // band indices 0..43

// The octave ratio G of the base-ten system.
inline constexpr double kOctaveRatio = 1.9952623149688795; // 10^0.3

inline constexpr bool isOctaveBand(int band) { return band >= kFirstOctaveBand && band <= kLastOctaveBand; }
// Any index of the third-octave table, 11..43.
inline constexpr bool isThirdOctaveBand(int band)
{
    return band >= kThirdOctaveTableStart && band <= kLastThirdOctaveBand;
}
// A real band 0..43 (not the wide band or all-pass).
inline constexpr bool isBand(int band) { return band >= 0 && band < kBandCount; }

// 1 for octave bands, 3 for third-octave bands, 0 for anything else.
int bandsPerOctave(int band);
// The band's label as the program shows it: its nominal mid-band frequency in Hz ("31.5", "1000", "12500");
// nullptr for an index that is not a band 0..43.
const char* bandLabel(int band);
// Mid-band frequency in Hz; 0 for an index that is not a band 0..43.
double bandCentre_Hz(int band);
// Lower and upper band edges in Hz (0 for an index that is not a band 0..43).
double bandLower_Hz(int band);
double bandUpper_Hz(int band);
// True when the band's upper edge lies at or below half the sample rate. The wide band and all-pass are usable at
// every rate above 0; other indices outside 0..43 never are.
bool bandBelowNyquist(int band, double fs_Hz);

// Edges of the wide band at a sample rate: lower edge of the 31.5 Hz octave, upper edge of the highest
// third-octave band below Nyquist (both 0 when the rate allows no third-octave band).
double wideBandLower_Hz();
double wideBandUpper_Hz(double fs_Hz);

} // namespace vemra::dsp
