#pragma once
// Synthetic room impulse responses with known parameters, for tests, benchmarks and examples. No Qt.
//
// A response is built from an energy envelope e(t) (energy per sample, squared sample units, t in seconds from
// the impulse start): sample n after the start is s[n] * sqrt(e(n / fs)) with deterministic random signs
// s[n] = +-1. Broadband, the energy of every sample is exactly the envelope, so energy parameters (C50, C80, Ts,
// support, strength) and Schroeder decays reproduce their closed forms; the signs make the response white, so
// band-filtered copies carry the same envelope within the statistics of the band.
//
// Closed forms of the single decay e(t) = E0 exp(-13.8155 t / T) (tau = T / 13.8155):
//   C_te = 10 lg(exp(te / tau) - 1), D50 = 1 - exp(-0.05 / tau), Ts = tau.
// Diffuse-field strength: G = 10 lg(T / (0.16 V)) + 37 dB relative to the free-field energy at 10 m.
//
// Samples are in 16-bit units (full scale 32768); the same seed always gives the same response.
#include <cstdint>
#include <functional>
#include <vector>

namespace vemra::testsupport {

// 13.8155 = ln(10^6): a decay of 60 dB in T seconds has e(t) = exp(-kDecay60 t / T).
inline constexpr double kDecay60 = 13.815510557964274;

// Deterministic pseudo-random numbers (xorshift64*), identical on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    std::uint64_t next();
    double uniform();  // [0, 1)
    double sign();     // +1 or -1
    double gaussian(); // zero mean, unit variance

private:
    std::uint64_t state_;
};

struct ResponseShape {
    double fs_Hz = 48000;
    double length_s = 2;            // whole response, delay included
    std::int64_t delay = 0;         // samples of silence (or noise) before the impulse start
    std::uint64_t seed = 1;
    // Energy per sample of the response at time t seconds after the start; t >= 0.
    std::function<double(double t)> energy;
    // Stationary Gaussian noise over the whole response (delay included), energy per sample; 0 = none.
    double noiseEnergy = 0;
};

// The samples of a shape.
std::vector<float> makeResponse(const ResponseShape& shape);

// A sum of tones instead of random signs: sample n after the start is
// sqrt(2 e(t) / K) * sum_k cos(2 pi f_k t + phi_k) for K frequencies (phases from the seed). A band filter centred
// on one of the tones passes it whole and little of the others, so the band's energy follows the envelope (times
// 1 / K) exactly, without the scatter a noise-like response shows in a narrow band. For band values that must
// match a closed form in a single response.
std::vector<float> makeTonalResponse(const ResponseShape& shape, const std::vector<double>& frequencies_Hz);

// Envelopes (energy per sample at t seconds).
// Single exponential decay of reverberation time T with energy e0 at t = 0.
std::function<double(double)> singleDecay(double T_s, double e0);
// T1 from 0 dB down to kneeLevel_dB (negative), then T2 from there on.
std::function<double(double)> doubleSlope(double T1_s, double T2_s, double kneeLevel_dB, double e0);
// Stage-support fixture: one sample of energy eDirect at t = 0 (the direct sound), nothing until tailStart_s,
// then a decay of reverberation time T whose energy per sample starts at eDirect / (0.010 s * fs) (equal to the
// direct sound's energy per 10 ms).
std::function<double(double)> directAndTail(double eDirect, double tailStart_s, double T_s, double fs_Hz);

// The samples rounded to 16-bit values (clipped at full scale), as a response file or the sample store holds them.
std::vector<std::int16_t> toPcm16(const std::vector<float>& x);

// Response helpers.
// Single decay starting at amplitude sqrt(e0) = startAmplitude, with noise at an impulse-to-noise ratio INR_dB
// (the decay line at the start minus the noise level; +inf or <= 0 noise disabled by passing noINR).
inline constexpr double noINR = 1e9;
std::vector<float> exponentialDecay(double T_s, double fs_Hz, double length_s, double startAmplitude = 10000,
                                    double INR_dB = noINR, std::int64_t delay = 0, std::uint64_t seed = 1);

// Closed forms.
double clarity_dB(double T_s, double te_s);      // C_te of a single decay
double definition(double T_s);                   // D50 of a single decay
double centreTime_s(double T_s);                 // Ts of a single decay
double diffuseStrength_dB(double T_s, double V_m3); // G = 10 lg(T / (0.16 V)) + 37
// Start energy e0 of a single decay whose whole energy is that of a diffuse field of strength
// diffuseStrength_dB(T, V) over a free-field reference energy (the direct sound's at 10 m): a reverberation room's
// response for strength and calibration tests.
double diffuseStartEnergy(double T_s, double V_m3, double fs_Hz, double freeField10mEnergy);
// Energy of a sampled single decay e0 * exp(-kDecay60 n / (T fs)) summed over n from n0 to infinity.
double decayEnergy(double T_s, double fs_Hz, double e0, double n0 = 0);

// Schroeder curve (dB re its value at t = 0) of an envelope, integrated numerically from t to `until_s` on a
// fine grid; for reference values of decays without a closed form (double slopes).
double schroederLevel_dB(const std::function<double(double)>& energy, double t_s, double until_s);
// Decay time of the least-squares line through the exact Schroeder curve of an envelope between levels
// hi_dB and lo_dB (e.g. -5, -25): the reference value of a T20 of that envelope.
double referenceDecayTime_s(const std::function<double(double)>& energy, double hi_dB, double lo_dB,
                            double until_s);

} // namespace vemra::testsupport
