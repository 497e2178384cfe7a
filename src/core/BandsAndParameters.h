#pragma once
// The two vocabularies every window that lists bands or parameters shares.
//
// Band index (its constants are those of library/dsp/Bands.h): -2 wide band, -1 all-pass (no filter), 0..10
// octave bands 16 Hz..16 kHz (6 = 1 kHz), 14..43 third-octave bands 25 Hz..20 kHz (30 = 1 kHz). 11..13 carry
// labels only ("12.5", "16", "20"); below dsp::kFirstUsedThirdOctaveBand the centre and the Nyquist test follow
// the octave rule. These are the nominal/base-10 values the user interface shows; the band filters use their
// own exact IEC table.
//
// Parameter index 0..18: EDT, T10, T20, T30, INR, G, Ts, C80, D50, ST early, ST late, ST total, LF, LFC,
// IACC 0,+, IACC 0,80, IACC 80,+, RI, 1-RI.
#include "library/dsp/Bands.h"

#include <QString>
#include <cstdint>

namespace vemra {

inline constexpr int ParameterCount = 19;

// Label of the nominal frequency in Hz ("WideBand", "AllPass"; "" outside -2..43).
QString BandName(int band);
// Exact mid-band frequency in Hz.
float BandCentre(int band);
// True when the band's upper edge lies at or below half the sample rate.
bool BandBelowNyquist(int band, float sampleRate_Hz);
// Highest octave band index usable at that rate (0 when not even the 31.5 Hz octave is).
std::int16_t OctaveBandCount(float sampleRate_Hz);

// "EDT", "T10", ...; "???" outside 0..18. Index 18 is "$Alpha" (the graph turns the "$" into a Greek letter).
QString ParameterShortName(int parameter);
// "[s]", "[dB]", "[ms]", "[-]"; "[?]" outside 0..18.
QString ParameterUnit(int parameter);
// Number pattern "0.000", "0.00", "0.0" or "0"; "" outside 0..18.
QString ParameterFormat(int parameter);
// "Early decay time (EDT)", ...; "???" outside 0..18.
QString ParameterLongName(int parameter);

} // namespace vemra
