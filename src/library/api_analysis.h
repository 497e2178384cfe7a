#pragma once
// Room-acoustic parameters of one channel in one band: CalcIRStartISO, CalcRT, CalcCx, CalcTs, CalcSupport, CalcG,
// CalcLE, CalcLF, CalcLF2, CalcLFC, CalcIACC and CalcMTF.
//
// The response is the open wave the header holds (OpenWave). Channels are 0 and 1; bands 0..43 (0..10 octave,
// 11..43 third-octave bands of the exact base-ten table), -2 the wide band (22.4 Hz to the upper edge of the
// highest third octave below Nyquist) and -1 the unfiltered response. A band above Nyquist, a channel the wave
// does not have, a wave that is not open, a silent channel or a response too short for a window give the "no
// value" result of each call, never NaN or infinity. Time zero of a channel is the header's IRStart when it is 0
// or more, else the ISO 3382-1 start of its samples. The decay calls filter each band time-reversed, the energy
// calls forward; each band of a channel is filtered once per direction while the samples stay unchanged (edits
// and a new OpenWave start afresh). Calls come from one thread at a time.
#include "library/api_common.h"

#include <cstdint>

namespace vemra {

// ISO 3382-1 start of the channel's samples (first sample within 20 dB of the peak, searched up to the peak),
// whatever the header stores; -1 when the channel is silent or does not exist.
std::int32_t CalcIRStartISO(std::int16_t channel, WaveHeader& header);

// Decay analysis of the band (Schroeder integration with Lundeby's noise truncation, noise subtraction and
// compensation) into result, computed flag set:
//   level: the late decay line at time zero, dB re one squared sample per sample (10^(level/10) is its energy
//   per sample); INR: that line minus the noise level, dB; SNR: compensated decay energy over the noise energy of
//   the same duration, dB; EDT (0..-10 dB), T10 (-5..-15), T20 (-5..-25), T30 (-5..-35) in seconds with the signed
//   correlation coefficients of their line fits and their valid flags (a fit that reaches into the noise, or
//   cannot be made, is invalid and its time and coefficient are 0); decayEnd: the sample where the decay meets the
//   noise, with its valid flag. Without a decay (silence, band above Nyquist, too short) every flag is clear and
//   the numbers are 0.
void CalcRT(std::int16_t channel, WaveHeader& header, std::int16_t band, RTResult& result);

// Clarity 10 lg(E(0, t) / E(t, inf)) in dB for the time limit t in seconds (0.05: C50, 0.08: C80); NoValue when
// it cannot be computed.
float CalcCx(std::int16_t channel, WaveHeader& header, std::int16_t band, float timeLimit_s);

// Stage support in dB against the first 10 ms: kind 0 early (20-100 ms), 1 late (100-1000 ms), 2 total
// (20-1000 ms); NoValue when it cannot be computed (also for another kind).
float CalcSupport(std::int16_t channel, WaveHeader& header, std::int16_t band, std::int16_t kind);

// Centre time in seconds; NoValue when it cannot be computed.
float CalcTs(std::int16_t channel, WaveHeader& header, std::int16_t band);

// Raw band level for the strength: 10 lg of the band energy from time zero to endSample (exclusive) in squared
// true amplitudes (samples times the header's channel factor); an end at or past the band's decay end gives the
// whole compensated energy, without the noise. NoValue when there is no energy. The program subtracts its gains
// and 10 lg(fs / 22050).
float CalcG(WaveHeader& header, std::int16_t channel, std::int16_t band, std::int32_t endSample);

// The band energy the strength is made of, with the gain (dB) taken off: 10^((CalcG(...) - gain) / 10), so that
// 10 lg(CalcLE(..., TotalGain)) + TotalGain equals CalcG of the same end (the system calibration and the strength
// agree). 0 when CalcG has no value; limited to the largest single.
float CalcLE(WaveHeader& header, std::int16_t channel, std::int16_t band, std::int32_t endSample, float gain);

// --- spatial and speech parameters ---
// Both channels of the open wave are filtered forward by the band's filter; time zero is channel 0's (the
// omnidirectional microphone, the probe's first capsule). Samples count as true amplitudes (times the header's
// channel factors). A mono wave, a band that is not 0..43 or not below Nyquist, a silent channel or a response
// shorter than 80 ms after time zero give -1 (never NoValue).

// Lateral energy fraction of a figure-of-eight in channel 1: E1(5..80 ms) / E0(0..80 ms), uncorrected for the
// channels' gains (the program divides by their energy ratio).
float CalcLF(WaveHeader& header, std::int16_t band);

// Lateral fraction of an omni-omni probe (capsules header.info.ProbeDist mm apart, speed of sound from
// header.info.Temperature); channel 1 is multiplied by gainRatio (an amplitude ratio) to match channel 0.
float CalcLF2(WaveHeader& header, std::int16_t band, float gainRatio);

// Lateral fraction with the |cos| weighting: sum |p0 p1 gainRatio| (5..80 ms) / E0(0..80 ms).
float CalcLFC(WaveHeader& header, std::int16_t band, float gainRatio);

// Interaural cross-correlation coefficients of the band (channel 0 left ear, channel 1 right ear), max |IACF|
// over lags of +-1 ms, from the earlier of the two channels' time zeros: IACC1 the whole response, IACC2 0..80 ms,
// IACC3 80 ms to the end, the end being where the later of the two band decays meets the noise (the end of the
// response without a decay); computed flag set. A value that cannot be computed is -1.
void CalcIACC(WaveHeader& header, std::int16_t band, IACCResult& result);

// Modulation transfer values of the channel in the band into mtf[0..20] (IEC 60268-16 by Schroeder's method, with
// the band's noise term; see dsp/ModulationTransfer.h for the entries), each in [0, 1]. The response is taken from
// time zero to endSample (exclusive; the last sample or beyond: the whole response), continued by the band's late
// decay line from its decay end when endSample lies at or past it. 0, or msg::NoWaveData (nothing to analyse: no such
// channel or band, band above Nyquist, silence; all entries 0) or msg::NotEnoughMemory (out of memory, entries 0).
VResult CalcMTF(std::int16_t channel, WaveHeader& header, std::int16_t band, std::int32_t endSample, float* mtf);

} // namespace vemra
