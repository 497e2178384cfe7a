#pragma once
// Conversion of a response measured in an acoustic scale model (built at 1:N) into the response of the
// full-size hall, and the air absorption it needs (ISO 9613-1).
//
// Time axis: the samples stay as they are and the sample rate is divided by N, so every time is N times longer
// and every frequency N times lower.
// Air absorption: a component heard at full-size frequency f was measured at f_m = N f. At model time t_m it had
// travelled c_m t_m through the model's air and lost alpha_m(f_m) c_m t_m dB; in the hall it would have travelled
// c_a N t_m and lost alpha_a(f) c_a N t_m dB. The conversion applies the difference as a gain that varies with
// time and frequency (short-time Fourier transform, Hann frames overlapping by half, which add up to one), so
// the excess absorption of the model air is taken out and that of the hall's air put in. Time is counted from
// the first sample (the moment the sound left the source). A boost is limited to kMaxAbsorptionBoost_dB: late
// high-frequency parts of a model response are mostly noise, and an unlimited boost would turn them into a
// roar far above the response.
// No Qt; any thread.
#include "library/dsp/SoundSpeed.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vemra::dsp {

inline constexpr double kReferencePressure_kPa = 101.325;
inline constexpr double kMaxAbsorptionBoost_dB = 60.0;

// Attenuation coefficient of pure-tone sound in air after ISO 9613-1, in dB per metre, at frequency f (Hz),
// temperature (degrees C), relative humidity (percent) and ambient pressure (kPa).
double airAbsorption_dBpm(double f_Hz, double temperature_C, double humidity_pct,
                          double pressure_kPa = kReferencePressure_kPa);

struct AirCondition {
    double temperature_C = 20;
    double humidity_pct = 50;
};

struct ScaleModelSetup {
    double fs_Hz = 0;        // the model measurement's rate
    double scale = 10;       // N of 1:N
    AirCondition model;
    AirCondition actual;
};

// The gain in dB the absorption correction applies at model time t_m (s) to model frequency f_m (Hz), before
// the boost limit.
double absorptionCorrection_dB(double fModel_Hz, double tModel_s, const ScaleModelSetup& setup);

// Applies the absorption correction to one channel in place. `progress(fraction 0..1)` is called now and then;
// when it returns true the work stops and the function returns false (x is then partly processed).
bool correctAirAbsorption(std::vector<double>& x, const ScaleModelSetup& setup,
                          const std::function<bool(double)>& progress = {});

} // namespace vemra::dsp
