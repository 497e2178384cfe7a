#include "library/dsp/Adrienne.h"

#include "library/dsp/ImpulseStart.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vemra::dsp {

namespace {

std::int64_t startOf(std::span<const double> x)
{
    const std::vector<float> f(x.begin(), x.end());
    return impulseStartIso(f);
}

double at(std::span<const double> x, std::int64_t i)
{
    return i >= 0 && i < std::int64_t(x.size()) ? x[std::size_t(i)] : 0.0;
}

} // namespace

bool separateReflection(std::span<const double> measured, std::span<const double> reference, double fs_Hz,
                        ReflectionSeparation& out)
{
    const std::int64_t startM = startOf(measured);
    const std::int64_t startR = startOf(reference);
    if (startM < 0 || startR < 0 || fs_Hz <= 0)
        return false;

    // The reference's direct sound: from 0.2 ms before its start to 1 ms after (at least a few samples).
    const std::int64_t lead = std::max<std::int64_t>(1, std::llround(0.0002 * fs_Hz));
    const std::int64_t span = std::max<std::int64_t>(4, std::llround(0.001 * fs_Hz));
    const std::int64_t coarse = startM - startR;
    std::int64_t best = coarse;
    double bestScore = -std::numeric_limits<double>::infinity();
    // Lags nearest the starts' alignment first, so that a tie keeps the nearer one.
    for (std::int64_t step = 0; step <= 2 * kAlignSearch; ++step) {
        const std::int64_t lag = coarse + (step % 2 ? (step + 1) / 2 : -(step / 2));
        double score = 0;
        for (std::int64_t i = startR - lead; i < startR + span; ++i)
            score += at(reference, i) * at(measured, i + lag);
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }

    ReflectionSeparation r;
    r.shift = best;
    r.incidentStart = startM;
    r.incident.resize(measured.size());
    r.reflected.resize(measured.size());
    for (std::size_t i = 0; i < measured.size(); ++i) {
        const double inc = at(reference, std::int64_t(i) - best);
        r.incident[i] = inc;
        r.reflected[i] = measured[i] - inc;
    }
    out = std::move(r);
    return true;
}

} // namespace vemra::dsp
