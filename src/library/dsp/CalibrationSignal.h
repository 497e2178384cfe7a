#pragma once
// The analyses behind the sound-card calibration: the calibration tone and its THD+N, and the impulse-to-noise
// ratio and polarity of a looped-back MLS or sweep response. No Qt, no state; any thread.
//
// The tone: one period of N samples (N a power of two, at least a sixth of a second: 4096 at 22050 Hz, 8192 at
// 44100 and 48000 Hz, 16384 at 96000 Hz) holding a whole, odd number of cycles near 1 kHz. Played continuously
// and recorded for exactly N frames, it falls on one FFT bin without a window and without leakage, so whatever
// else the recording holds (harmonics, noise, hum) is what the card added.
//
// THD+N (dB): 10 lg(residual power / fundamental power), the residual being every bin from 20 Hz up to 20 kHz
// (at most 0.45 times the rate) except the fundamental's; DC and what lies outside that band do not count. A
// recording without any fundamental power reads 0 dB (not a tone); a perfect tone is floored at -200 dB.
//
// INR (dB) of a response h of N samples (one period of a circular deconvolution): the peak's power over the mean
// power of the half of the period farthest from the peak (N/4 .. 3N/4 samples after it, circularly), minus the
// ratio that noise alone shows: the expected largest of N squared Gaussian samples over their mean,
// 2 ln N - ln ln N - ln pi + 2 gamma. Noise alone therefore reads about 0 dB (within a few dB), a clean loop-back
// its true peak-to-noise ratio less that allowance. A silent response reads -100 dB.
// Polarity: the sign of the peak sample, 1 or -1 (1 for a silent response).
#include <cstddef>
#include <span>
#include <vector>

namespace vemra::dsp {

struct CalTone {
    std::size_t period = 0; // samples of one period
    int cycles = 0;         // whole cycles in one period
    double frequency_Hz = 0;
};

// The tone of a rate (rate_Hz > 0).
CalTone calToneFor(double rate_Hz);
// One period of the tone, peak `amplitude` (fraction of full scale), starting at phase 0.
std::vector<float> calTonePeriod(const CalTone& tone, double amplitude);

struct ToneAnalysis {
    double peak = 0;        // largest magnitude, fraction of full scale
    double rms_dB = -200;   // RMS level, dB re full scale (a full-scale sine reads -3.01 dB), floored at -200
    double thdn_dB = 0;     // see above
};

// x: exactly one tone period as recorded (x.size() == tone.period).
ToneAnalysis analyseTone(std::span<const double> x, const CalTone& tone, double rate_Hz);

struct LoopbackAnalysis {
    double inr_dB = -100;
    int polarity = 1;
    std::size_t peakIndex = 0;
};

LoopbackAnalysis analyseLoopback(std::span<const double> h);
// The allowance of the INR for n samples, in dB.
double noisePeakAllowance_dB(std::size_t n);

} // namespace vemra::dsp
