#include "library/dsp/DecayAnalysis.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

namespace vemra::dsp {
namespace {

constexpr int kLundebyIterations = 8;
constexpr double kIntervalsPer10dB = 5;   // averaging intervals per 10 dB of decay (Lundeby: 3..10)
constexpr double kNoiseDistance_dB = 10;  // noise is taken from this far below the crossing point on
constexpr double kLateTop_dB = 25;        // late line fitted between these levels above the noise
constexpr double kLateBottom_dB = 5;
constexpr std::int64_t kMinimumSamples = 16;
constexpr double kSlowestDecay_dBps = -0.01; // T = 6000 s: anything slower is no decay (and no finite tail)
constexpr int kMaxFitPoints = 4096;       // the Schroeder curve is smooth; this many points fit it exactly

struct Line {
    double slope = 0, intercept = 0, r = 0;
    int n = 0;
    double meanX = 0, meanY = 0; // the centroid of the fitted points, where the line is best known
};

class Regression {
public:
    void add(double x, double y)
    {
        ++n_;
        sx_ += x;
        sy_ += y;
        sxx_ += x * x;
        syy_ += y * y;
        sxy_ += x * y;
    }
    Line line() const
    {
        Line l;
        l.n = n_;
        if (n_ < 2)
            return l;
        const double vx = n_ * sxx_ - sx_ * sx_, vy = n_ * syy_ - sy_ * sy_, cxy = n_ * sxy_ - sx_ * sy_;
        if (!(vx > 0))
            return l;
        l.slope = cxy / vx;
        l.intercept = (sy_ - l.slope * sx_) / n_;
        l.meanX = sx_ / n_;
        l.meanY = sy_ / n_;
        l.r = vy > 0 ? std::clamp(cxy / std::sqrt(vx * vy), -1.0, 1.0) : 0.0;
        return l;
    }

private:
    int n_ = 0;
    double sx_ = 0, sy_ = 0, sxx_ = 0, syy_ = 0, sxy_ = 0;
};

// Squared response from time zero on, as running sums (any interval's energy in one subtraction), with the
// floor that keeps every level finite.
struct Energy {
    std::vector<double>& prefix; // prefix[i] = energy of samples [0, i)
    double fs = 0;
    double peak = 0; // largest energy of one sample
    double floor = DBL_MIN;

    Energy(std::span<const float> x, double fs_Hz, std::vector<double>& memory) : prefix(memory), fs(fs_Hz)
    {
        prefix.resize(x.size() + 1);
        double s = 0;
        prefix[0] = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            const double v = double(x[i]) * x[i];
            peak = std::max(peak, v);
            s += v;
            prefix[i + 1] = s;
        }
    }
    std::int64_t size() const { return static_cast<std::int64_t>(prefix.size()) - 1; }
    double sum(std::int64_t from, std::int64_t to) const { return std::max(prefix[to] - prefix[from], 0.0); }
    double mean(std::int64_t from, std::int64_t to) const { return to > from ? sum(from, to) / (to - from) : 0.0; }
    double level(double e) const { return 10.0 * std::log10(std::max(e, floor)); }
};

struct Blocks {
    std::vector<double> t, level;
};

// Mean levels over consecutive intervals of m samples (the last one may be shorter), times at their centres,
// with the noise energy per sample taken off (so that the noise does not bend the late decay line).
Blocks blockLevels(const Energy& e, std::int64_t m, double noise = 0)
{
    Blocks b;
    for (std::int64_t from = 0; from < e.size(); from += m) {
        const std::int64_t to = std::min(e.size(), from + m);
        b.t.push_back((from + to - 1) / 2.0 / e.fs);
        b.level.push_back(e.level(e.mean(from, to) - noise));
    }
    return b;
}

// Fits the blocks from the first at or below `top` (not before the loudest) to the last before the first
// below `bottom`.
Line fitBlocks(const Blocks& b, double top, double bottom)
{
    const auto peak = static_cast<std::size_t>(std::max_element(b.level.begin(), b.level.end()) - b.level.begin());
    std::size_t first = peak;
    while (first < b.level.size() && b.level[first] > top)
        ++first;
    Regression reg;
    for (std::size_t k = first; k < b.level.size() && b.level[k] >= bottom; ++k)
        reg.add(b.t[k], b.level[k]);
    return reg.line();
}

struct FitRange {
    double hi, lo;
    LineFit DecayAnalysis::*result;
};
constexpr FitRange kFits[] = {{0, -10, &DecayAnalysis::edt},
                              {-5, -15, &DecayAnalysis::t10},
                              {-5, -25, &DecayAnalysis::t20},
                              {-5, -35, &DecayAnalysis::t30}};

} // namespace

double DecayAnalysis::lineEnergy(std::int64_t n, double fs_Hz) const
{
    return std::pow(10.0, (lineLevel_dB + lineSlope_dBps * (n - start) / fs_Hz) / 10.0);
}

double DecayAnalysis::lineEnergySum(std::int64_t from, std::int64_t to, double fs_Hz) const
{
    const double r = std::pow(10.0, lineSlope_dBps / (10.0 * fs_Hz));
    const double first = lineEnergy(from, fs_Hz);
    const double rest = to < 0 ? 0.0 : std::pow(r, static_cast<double>(to - from));
    return first * (1.0 - rest) / (1.0 - r);
}

double DecayAnalysis::lineMomentSum(std::int64_t from, double origin, double fs_Hz) const
{
    // sum_j (from + j - origin) q r^j = q ((from - origin) / (1 - r) + r / (1 - r)^2)
    const double r = std::pow(10.0, lineSlope_dBps / (10.0 * fs_Hz));
    const double q = lineEnergy(from, fs_Hz);
    return q * ((from - origin) / (1.0 - r) + r / ((1.0 - r) * (1.0 - r)));
}

DecayAnalysis analyseDecay(std::span<const float> band, double fs_Hz, std::int64_t start,
                           std::vector<double>* workspace)
{
    DecayAnalysis result;
    result.start = start;
    result.decayEnd = start;
    const auto total = static_cast<std::int64_t>(band.size());
    if (!(fs_Hz > 0) || start < 0 || total - start < kMinimumSamples)
        return result;

    // Digital silence at the end (a tail the user silenced, or samples below half a step) is no noise floor:
    // the response ends at its last sound, so that the noise is found where there is some and the late line
    // carries the decay past a cut.
    std::size_t end = band.size();
    while (end > static_cast<std::size_t>(start) && band[end - 1] == 0.0f)
        --end;
    if (static_cast<std::int64_t>(end) - start < kMinimumSamples)
        return result;
    const std::span<const float> x = band.subspan(static_cast<std::size_t>(start), end - static_cast<std::size_t>(start));
    std::vector<double> own;
    Energy e(x, fs_Hz, workspace ? *workspace : own);
    const double peak = e.peak;
    if (!(peak > 0) || !std::isfinite(peak) || !std::isfinite(e.prefix.back()))
        return result;
    const std::int64_t length = e.size();
    e.floor = std::max(peak * 1e-25, DBL_MIN); // 250 dB below the peak: digital silence stays finite
    const double duration = length / fs_Hz;
    const std::int64_t lastTenth = length - std::max<std::int64_t>(1, length / 10);

    // Preliminary: 10 ms intervals, noise from the last tenth, line from the peak down to 10 dB above noise.
    double noise = e.level(e.mean(lastTenth, length));
    const std::int64_t m0 = std::clamp<std::int64_t>(std::llround(0.010 * fs_Hz), 1, std::max<std::int64_t>(1, length / 10));
    Line line = fitBlocks(blockLevels(e, m0), 1e300, noise + 10);
    if (line.n < 2 || !(line.slope < kSlowestDecay_dBps))
        return result;
    double cross = std::clamp((noise - line.intercept) / line.slope, 0.0, duration);

    for (int iteration = 0; iteration < kLundebyIterations; ++iteration) {
        const double interval_s = 10.0 / (kIntervalsPer10dB * -line.slope);
        const double m_samples = std::clamp(interval_s * fs_Hz, 1.0, std::max(1.0, length / 4.0));
        const auto m = static_cast<std::int64_t>(std::llround(m_samples));
        const double noiseFrom_samples = (cross + kNoiseDistance_dB / -line.slope) * fs_Hz;
        const std::int64_t noiseFrom =
            noiseFrom_samples >= lastTenth ? lastTenth : static_cast<std::int64_t>(noiseFrom_samples);
        const double noiseEnergy = e.mean(noiseFrom, length);
        noise = e.level(noiseEnergy);
        const Blocks blocks = blockLevels(e, m, noiseEnergy);
        const Line late = fitBlocks(blocks, noise + kLateTop_dB, noise + kLateBottom_dB);
        if (late.n < 2 || !(late.slope < kSlowestDecay_dBps))
            break;
        line = late;
        const double next = std::clamp((noise - line.intercept) / line.slope, 0.0, duration);
        const bool settled = std::abs(next - cross) < std::max(1.0 / fs_Hz, 1e-3 * cross);
        cross = next;
        if (settled)
            break;
    }

    result.valid = true;
    result.lineSlope_dBps = line.slope;
    result.lineLevel_dB = line.intercept;
    result.noiseEnergy = std::pow(10.0, noise / 10.0);
    result.INR_dB = line.intercept - noise;
    result.decayEnd = start + std::clamp<std::int64_t>(std::llround(cross * fs_Hz), 1, length);
    result.tailEnergy = result.lineEnergySum(result.decayEnd, -1, fs_Hz);

    // Schroeder curve from time zero to the decay end plus the compensation, read on a grid of at most
    // kMaxFitPoints points, and the four fits on it.
    const std::int64_t decaySamples = result.decayEnd - start;
    // The noise that lies under the decay up to its end is taken off as well, so the curve does not flatten as
    // it approaches the noise.
    const double noiseUnder = result.noiseEnergy;
    auto decayEnergy = [&](std::int64_t from) {
        return std::max(e.sum(from, decaySamples) - noiseUnder * static_cast<double>(decaySamples - from), 0.0);
    };
    const double integral = decayEnergy(0) + result.tailEnergy;
    if (!(integral > 0) || !std::isfinite(integral))
        return result; // valid line, but nothing left to integrate: no fits
    const std::int64_t stride = std::max<std::int64_t>(1, decaySamples / kMaxFitPoints);
    Regression regressions[std::size(kFits)];
    bool reached[std::size(kFits)] = {};
    for (std::int64_t i = 0; i <= decaySamples; i += stride) {
        const double remaining = decayEnergy(i) + result.tailEnergy;
        const double level = 10.0 * std::log10(std::max(remaining, DBL_MIN) / integral);
        const double t = i / fs_Hz;
        for (std::size_t f = 0; f < std::size(kFits); ++f) {
            if (level <= kFits[f].hi && level >= kFits[f].lo)
                regressions[f].add(t, level);
            if (level <= kFits[f].lo)
                reached[f] = true;
        }
        if (level < kFits[std::size(kFits) - 1].lo)
            break; // below every range
        if (i < decaySamples && i + stride > decaySamples)
            i = decaySamples - stride; // also read the curve at the decay end
    }
    // The INR: the late line's level at time zero. Its own slope, fitted over 20 dB of a narrow band whose blocks
    // scatter by several dB, is too uncertain to carry it back there (10 dB and more off, mostly low, so that T30
    // of a clean response went missing); the line is taken where it was measured, at its centroid, and carried
    // back at the decay rate of the T20 range of the Schroeder curve, which integration has smoothed. Only when
    // the two rates agree within a factor of 3: otherwise the late line did not find a decay like the one before
    // it (a second slope, a faded tail) and it stands as it is.
    const Line middle = regressions[2].line();
    if (middle.n >= 3 && middle.slope < 0 && line.slope < middle.slope / 3 && line.slope > middle.slope * 3)
        result.INR_dB = line.meanY - middle.slope * line.meanX - noise;
    for (std::size_t f = 0; f < std::size(kFits); ++f) {
        const Line fit = regressions[f].line();
        LineFit& out = result.*kFits[f].result;
        out.valid = reached[f] && fit.n >= 3 && fit.slope < 0 && result.INR_dB >= -kFits[f].lo + kNoiseMargin_dB;
        if (out.valid) {
            out.decayTime_s = -60.0 / fit.slope;
            out.correlation = fit.r;
        }
    }
    const double noiseOverDecay = result.noiseEnergy * static_cast<double>(decaySamples);
    result.SNR_dB = 10.0 * std::log10(integral / std::max(noiseOverDecay, integral * 1e-25));
    return result;
}

} // namespace vemra::dsp
