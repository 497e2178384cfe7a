#include "support/ResponseGenerator.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace vemra::testsupport {

std::uint64_t Random::next()
{
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
}

double Random::uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

double Random::sign() { return (next() >> 63) ? 1.0 : -1.0; }

double Random::gaussian()
{
    // Box-Muller; 1 - uniform() lies in (0, 1], so the logarithm is finite.
    const double u1 = 1.0 - uniform();
    const double u2 = uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

namespace {
void addNoise(std::vector<float>& x, const ResponseShape& shape)
{
    if (!(shape.noiseEnergy > 0))
        return;
    Random noise(shape.seed * 0x9E3779B97F4A7C15ull + 7);
    const double sigma = std::sqrt(shape.noiseEnergy);
    for (float& v : x)
        v = static_cast<float>(v + sigma * noise.gaussian());
}
} // namespace

std::vector<float> makeResponse(const ResponseShape& shape)
{
    if (!(shape.fs_Hz > 0) || !(shape.length_s > 0) || !shape.energy)
        throw std::invalid_argument("makeResponse: rate, length and envelope needed");
    const auto n = static_cast<std::int64_t>(std::llround(shape.length_s * shape.fs_Hz));
    std::vector<float> x(static_cast<std::size_t>(n), 0.0f);
    Random signs(shape.seed);
    for (std::int64_t i = std::max<std::int64_t>(shape.delay, 0); i < n; ++i) {
        const double t = static_cast<double>(i - shape.delay) / shape.fs_Hz;
        x[static_cast<std::size_t>(i)] = static_cast<float>(signs.sign() * std::sqrt(shape.energy(t)));
    }
    addNoise(x, shape);
    return x;
}

std::vector<float> makeTonalResponse(const ResponseShape& shape, const std::vector<double>& frequencies_Hz)
{
    if (!(shape.fs_Hz > 0) || !(shape.length_s > 0) || !shape.energy || frequencies_Hz.empty())
        throw std::invalid_argument("makeTonalResponse: rate, length, envelope and tones needed");
    const auto n = static_cast<std::int64_t>(std::llround(shape.length_s * shape.fs_Hz));
    std::vector<float> x(static_cast<std::size_t>(n), 0.0f);
    Random random(shape.seed);
    std::vector<double> phases;
    for (std::size_t k = 0; k < frequencies_Hz.size(); ++k)
        phases.push_back(2 * std::numbers::pi * random.uniform());
    const double scale = std::sqrt(2.0 / static_cast<double>(frequencies_Hz.size()));
    for (std::int64_t i = std::max<std::int64_t>(shape.delay, 0); i < n; ++i) {
        const double t = static_cast<double>(i - shape.delay) / shape.fs_Hz;
        double sum = 0;
        for (std::size_t k = 0; k < frequencies_Hz.size(); ++k)
            sum += std::cos(2 * std::numbers::pi * frequencies_Hz[k] * t + phases[k]);
        x[static_cast<std::size_t>(i)] = static_cast<float>(scale * std::sqrt(shape.energy(t)) * sum);
    }
    addNoise(x, shape);
    return x;
}

std::vector<std::int16_t> toPcm16(const std::vector<float>& x)
{
    std::vector<std::int16_t> pcm(x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        pcm[i] = static_cast<std::int16_t>(std::clamp<long>(std::lround(x[i]), -32768, 32767));
    return pcm;
}

std::function<double(double)> singleDecay(double T_s, double e0)
{
    return [=](double t) { return e0 * std::exp(-kDecay60 * t / T_s); };
}

std::function<double(double)> doubleSlope(double T1_s, double T2_s, double kneeLevel_dB, double e0)
{
    const double tKnee = -kneeLevel_dB / 60.0 * T1_s;
    return [=](double t) {
        if (t <= tKnee)
            return e0 * std::exp(-kDecay60 * t / T1_s);
        return e0 * std::pow(10.0, kneeLevel_dB / 10) * std::exp(-kDecay60 * (t - tKnee) / T2_s);
    };
}

std::function<double(double)> directAndTail(double eDirect, double tailStart_s, double T_s, double fs_Hz)
{
    const double eTail = eDirect / (0.010 * fs_Hz);
    const double dt = 0.5 / fs_Hz;
    return [=](double t) {
        if (t < dt)
            return eDirect;
        if (t < tailStart_s - dt)
            return 0.0;
        return eTail * std::exp(-kDecay60 * (t - tailStart_s) / T_s);
    };
}

std::vector<float> exponentialDecay(double T_s, double fs_Hz, double length_s, double startAmplitude,
                                    double INR_dB, std::int64_t delay, std::uint64_t seed)
{
    ResponseShape shape;
    shape.fs_Hz = fs_Hz;
    shape.length_s = length_s;
    shape.delay = delay;
    shape.seed = seed;
    const double e0 = startAmplitude * startAmplitude;
    shape.energy = singleDecay(T_s, e0);
    if (INR_dB < noINR)
        shape.noiseEnergy = e0 * std::pow(10.0, -INR_dB / 10);
    return makeResponse(shape);
}

double clarity_dB(double T_s, double te_s) { return 10 * std::log10(std::exp(te_s * kDecay60 / T_s) - 1); }

double definition(double T_s) { return 1 - std::exp(-0.05 * kDecay60 / T_s); }

double centreTime_s(double T_s) { return T_s / kDecay60; }

double diffuseStrength_dB(double T_s, double V_m3) { return 10 * std::log10(T_s / (0.16 * V_m3)) + 37; }

double diffuseStartEnergy(double T_s, double V_m3, double fs_Hz, double freeField10mEnergy)
{
    const double total = freeField10mEnergy * std::pow(10.0, diffuseStrength_dB(T_s, V_m3) / 10);
    return total / decayEnergy(T_s, fs_Hz, 1.0);
}

double decayEnergy(double T_s, double fs_Hz, double e0, double n0)
{
    const double k = kDecay60 / (T_s * fs_Hz);
    return e0 * std::exp(-k * n0) / (1 - std::exp(-k));
}

namespace {
constexpr double kGrid_s = 1e-5;

// Backward integral of the envelope on the grid from each grid point to until_s.
std::vector<double> backwardIntegral(const std::function<double(double)>& energy, double until_s)
{
    const auto n = static_cast<std::size_t>(until_s / kGrid_s) + 1;
    std::vector<double> s(n + 1, 0.0);
    for (std::size_t i = n; i-- > 0;)
        s[i] = s[i + 1] + energy((i + 0.5) * kGrid_s) * kGrid_s;
    return s;
}
} // namespace

double schroederLevel_dB(const std::function<double(double)>& energy, double t_s, double until_s)
{
    const auto s = backwardIntegral(energy, until_s);
    const auto i = std::min(s.size() - 1, static_cast<std::size_t>(t_s / kGrid_s));
    return 10 * std::log10(s[i] / s[0]);
}

double referenceDecayTime_s(const std::function<double(double)>& energy, double hi_dB, double lo_dB,
                            double until_s)
{
    const auto s = backwardIntegral(energy, until_s);
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
        const double level = 10 * std::log10(s[i] / s[0]);
        if (level > hi_dB)
            continue;
        if (level < lo_dB)
            break;
        const double t = i * kGrid_s;
        n += 1;
        sx += t;
        sy += level;
        sxx += t * t;
        sxy += t * level;
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    return -60.0 / slope;
}

} // namespace vemra::testsupport
