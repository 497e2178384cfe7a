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

// Squared response from time zero on in cells of `cell` samples, with the floor that keeps every level finite.
// Indices count cells. Every pass of the analysis sums stretches of cells (a block, the noise, the Schroeder
// curve), several for each Lundeby iteration: the energy behind each cell, summed once from the end, makes each
// such sum a difference. Summed from the end, each difference is exact to the energy that follows it, which in a
// decay is never far above the stretch itself (a sum from the start would lose a late stretch against the
// early energy), and a stretch of digital silence sums to exactly 0.
struct Energy {
    std::span<const float> cells;
    std::span<const double> behind; // behind[k]: energy of cells [k, end of the response); behind.size() > size()
    double fs = 0;
    std::int64_t cell = 1;     // samples per cell
    std::int64_t lastCell = 1; // samples in the last cell
    double peak = 0;           // largest energy per sample of one cell
    double total = 0;
    double floor = DBL_MIN;

    // behindStore: room for energies.size() + 1 values.
    Energy(std::span<const float> energies, std::span<double> behindStore, std::int64_t cellSamples,
           std::int64_t lastCellSamples, double fs_Hz)
        : cells(energies), behind(behindStore), fs(fs_Hz), cell(cellSamples), lastCell(lastCellSamples)
    {
        const std::size_t n = cells.size();
        double sum = 0;
        float loudest = 0; // of the full cells: one division for all of them
        behindStore[n] = 0;
        for (std::size_t k = n; k-- > 0;) {
            sum += cells[k];
            behindStore[k] = sum;
            if (k + 1 < n)
                loudest = std::max(loudest, cells[k]);
        }
        if (n > 0)
            peak = std::max(static_cast<double>(loudest) / static_cast<double>(cell),
                            static_cast<double>(cells[n - 1]) / static_cast<double>(lastCell));
        total = sum;
    }
    std::int64_t size() const { return static_cast<std::int64_t>(cells.size()); }
    // Samples in cells [from, to).
    std::int64_t samples(std::int64_t from, std::int64_t to) const
    {
        return to <= from ? 0 : (to - from) * cell - (to == size() ? cell - lastCell : 0);
    }
    std::int64_t samples() const { return samples(0, size()); }
    double sum(std::int64_t from, std::int64_t to) const
    {
        return to > from ? behind[static_cast<std::size_t>(from)] - behind[static_cast<std::size_t>(to)] : 0.0;
    }
    // Mean energy per sample of cells [from, to).
    double mean(std::int64_t from, std::int64_t to) const
    {
        return to > from ? sum(from, to) / static_cast<double>(samples(from, to)) : 0.0;
    }
    // Time of the centre of cells [from, to) in seconds from time zero.
    double centre(std::int64_t from, std::int64_t to) const
    {
        return (static_cast<double>(from * cell) + static_cast<double>(from * cell + samples(from, to)) - 1) / 2.0 / fs;
    }
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
        b.t.push_back(e.centre(from, to));
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

// Fits the blocks (not before the loudest) between the times where the previous line crosses `top` and
// `bottom`. A narrow band's blocks scatter by several decibels about the decay: one dip below `bottom`, or a
// plateau of reflections near `top`, must not end or start the fit, which a walk along the levels would let them
// do. Blocks below the noise (those the noise subtraction took to nothing) are left out.
Line fitBetween(const Blocks& b, const Line& previous, double top, double bottom, double noise)
{
    const auto peak = static_cast<std::size_t>(std::max_element(b.level.begin(), b.level.end()) - b.level.begin());
    const double from = (top - previous.intercept) / previous.slope;
    const double to = (bottom - previous.intercept) / previous.slope;
    Regression reg;
    for (std::size_t k = peak; k < b.level.size(); ++k)
        if (b.t[k] >= from && b.t[k] <= to && b.level[k] >= noise)
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

bool DecayAnalysis::holdsDecay() const
{
    return valid && edt.valid && INR_dB >= -kFits[0].lo + (noiseFloor ? kNoiseMargin_dB : 0.0);
}

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

namespace {

// What the Schroeder curve and its fits need besides the energy.
struct CurveInput {
    std::int64_t decayCells = 0; // the measured decay: cells [0, decayCells)
    double noiseUnder = 0;       // noise energy per sample taken off under the decay
    bool noiseFloor = true;      // the fits' ranges must stay kNoiseMargin_dB clear of the noise
    double shortestDecay_s = 0;  // decay times below this are the filter's, not the room's
};

// Schroeder curve from time zero to the decay end plus the compensation, read at no more than kMaxFitPoints
// points, the four fits on it, the INR carried back from the late line's centroid (floor only) and the SNR.
void fitCurve(const Energy& e, const CurveInput& in, const Line& line, double noise_dB, DecayAnalysis& result)
{
    const double fs_Hz = e.fs;
    const std::int64_t decayCells = in.decayCells;
    const std::int64_t stride = std::max<std::int64_t>(1, decayCells / kMaxFitPoints);
    // The energy from a cell to the decay end, with the noise that lies under the decay up to its end taken off,
    // so the curve does not flatten as it approaches the noise.
    auto decayEnergy = [&](std::int64_t from) {
        return std::max(e.sum(from, decayCells) - in.noiseUnder * static_cast<double>(e.samples(from, decayCells)), 0.0);
    };
    const double integral = decayEnergy(0) + result.tailEnergy;
    if (!(integral > 0) || !std::isfinite(integral))
        return; // valid line, but nothing left to integrate: no fits
    Regression regressions[std::size(kFits)];
    bool reached[std::size(kFits)] = {};
    for (std::int64_t i = 0; i <= decayCells; i += stride) {
        const double remaining = decayEnergy(i) + result.tailEnergy;
        const double level = 10.0 * std::log10(std::max(remaining, DBL_MIN) / integral);
        const double t = static_cast<double>(i * e.cell) / fs_Hz;
        for (std::size_t f = 0; f < std::size(kFits); ++f) {
            if (level <= kFits[f].hi && level >= kFits[f].lo)
                regressions[f].add(t, level);
            if (level <= kFits[f].lo)
                reached[f] = true;
        }
        if (level < kFits[std::size(kFits) - 1].lo)
            break; // below every range
        if (i < decayCells && i + stride > decayCells)
            i = decayCells - stride; // also read the curve at the decay end
    }
    // The INR: the late line's level at time zero. Its own slope, fitted over 20 dB of a narrow band whose blocks
    // scatter by several dB, is too uncertain to carry it back there (10 dB and more off, mostly low, so that T30
    // of a clean response went missing); the line is taken where it was measured, at its centroid, and carried
    // back at the decay rate of the T20 range of the Schroeder curve, which integration has smoothed. Only when
    // the two rates agree within a factor of 3: otherwise the late line did not find a decay like the one before
    // it (a second slope, a faded tail) and it stands as it is.
    const Line middle = regressions[2].line();
    if (in.noiseFloor && middle.n >= 3 && middle.slope < 0 && line.slope < middle.slope / 3 &&
        line.slope > middle.slope * 3)
        result.INR_dB = line.meanY - middle.slope * line.meanX - noise_dB;
    for (std::size_t f = 0; f < std::size(kFits); ++f) {
        const Line fit = regressions[f].line();
        LineFit& out = result.*kFits[f].result;
        const bool clear = !in.noiseFloor || result.INR_dB >= -kFits[f].lo + kNoiseMargin_dB;
        out.valid = reached[f] && fit.n >= 3 && fit.slope < 0 && clear && -60.0 / fit.slope >= in.shortestDecay_s;
        if (out.valid) {
            out.decayTime_s = -60.0 / fit.slope;
            out.correlation = fit.r;
        }
    }
    const double noiseOverDecay = in.noiseUnder * static_cast<double>(e.samples(0, decayCells));
    result.SNR_dB = 10.0 * std::log10(integral / std::max(noiseOverDecay, integral * 1e-25));
}

// Mean energy per sample of a line (level a + b t dB re 1 per sample, t in seconds) over [t1, t2].
double lineMean(const Line& line, double t1, double t2)
{
    const double k = std::log(10.0) / 10.0;
    const double e1 = std::exp(k * (line.intercept + line.slope * t1));
    const double e2 = std::exp(k * (line.intercept + line.slope * t2));
    return t2 > t1 && line.slope != 0 ? (e2 - e1) / (k * line.slope * (t2 - t1)) : e1;
}

double lineAt(const Line& line, double t) { return line.intercept + line.slope * t; }

// The cells of e up to `cells` (a cell boundary inside the response), as a response that ends there.
Energy firstCells(const Energy& e, std::int64_t cells)
{
    Energy cut = e;
    if (cells < e.size()) {
        cut.cells = e.cells.first(static_cast<std::size_t>(cells));
        cut.lastCell = e.cell;
        cut.total = e.sum(0, cells);
    }
    return cut;
}

// Block levels of cells [0, end) in blocks of m cells, without noise taken off.
Blocks rawLevels(const Energy& e, std::int64_t m, std::int64_t end)
{
    return blockLevels(firstCells(e, end), m);
}

// Where a response ends that the window edit faded out: a fade takes the level down ever further below where the
// stretch before it leads (a noise floor stays level, a decay falls along a line). The response is cut into
// twenty blocks and a line drawn through the blocks from 40 to 70 % of it; when the last block lies more than
// 10 dB below that line, the response ends after the last block that lies no more than 3 dB below it, where the
// fade has only begun. So the fade is taken neither for the noise (it would come out lower) nor for the decay
// (it would come out faster).
std::int64_t fadedEnd(const Energy& e)
{
    constexpr std::size_t kBlocks = 20;
    const std::int64_t m = e.size() / static_cast<std::int64_t>(kBlocks);
    if (m < 1)
        return e.size();
    const Blocks b = rawLevels(e, m, m * static_cast<std::int64_t>(kBlocks));
    Regression reg;
    for (std::size_t k = 8; k < 14; ++k)
        reg.add(b.t[k], b.level[k]);
    const Line before = reg.line();
    if (before.n < 3 || b.level[kBlocks - 1] >= lineAt(before, b.t[kBlocks - 1]) - 10)
        return e.size();
    std::size_t last = kBlocks;
    while (last > 14 && b.level[last - 1] < lineAt(before, b.t[last - 1]) - 3)
        --last;
    return m * static_cast<std::int64_t>(last);
}

// A response that ends before its decay meets any noise: cut, or faded out (the fade already taken off). The
// decay is what there is up to the end; no noise is measured or taken off; the late line, fitted over the last
// 20 dB of the decay, carries the curve past the end; the INR is the range the decay shows.
DecayAnalysis analyseCut(const Energy& e, std::int64_t start, Line line, double shortestDecay_s)
{
    DecayAnalysis result;
    result.start = result.decayEnd = start;
    const double cellRate = e.fs / static_cast<double>(e.cell);
    const double interval_s = 10.0 / (kIntervalsPer10dB * -line.slope);
    const auto m = static_cast<std::int64_t>(std::llround(std::clamp(interval_s * cellRate, 1.0, std::max(1.0, e.size() / 8.0))));
    const double end_s = static_cast<double>(e.samples()) / e.fs;
    const Blocks b = blockLevels(e, m);
    const Line decay = fitBlocks(b, lineAt(line, 0) - 5, -1e300);
    if (decay.n >= 3 && decay.slope < kSlowestDecay_dBps)
        line = decay;
    // The range shown is that of the decay from the top, not of the late line: where the response stops, the
    // band's filter takes the last blocks down far faster than the room did (and a late line fitted there would
    // claim hundreds of decibels).
    const double shown_dB = -line.slope * end_s;
    const Line late = fitBetween(b, line, lineAt(line, end_s) + 20, lineAt(line, end_s), -1e300);
    if (late.n >= 3 && late.slope < kSlowestDecay_dBps)
        line = late;
    result.valid = true;
    result.noiseFloor = false;
    result.peak_dB = e.level(e.peak);
    result.lineSlope_dBps = line.slope;
    result.lineLevel_dB = line.intercept;
    result.INR_dB = shown_dB;
    result.decayEnd = start + e.samples();
    result.tailEnergy = result.lineEnergySum(result.decayEnd, -1, e.fs);
    CurveInput in;
    in.decayCells = e.size();
    in.noiseFloor = false;
    in.shortestDecay_s = shortestDecay_s;
    fitCurve(e, in, line, 0, result);
    return result;
}

// The analysis of the energy from time zero on (digital silence at its end already taken off).
DecayAnalysis analyse(const Energy& whole, std::int64_t start, double shortestDecay_s)
{
    DecayAnalysis result;
    result.start = start;
    result.decayEnd = start;
    const Energy e = firstCells(whole, fadedEnd(whole));
    const double peak = e.peak;
    if (!(peak > 0) || !std::isfinite(peak) || !std::isfinite(e.total))
        return result;
    const std::int64_t length = e.size(); // cells
    const double fs_Hz = e.fs;
    const double cellRate = fs_Hz / static_cast<double>(e.cell);
    const double duration = static_cast<double>(e.samples()) / fs_Hz;
    const std::int64_t lastTenth = length - std::max<std::int64_t>(1, length / 10);

    // Preliminary: 10 ms intervals, noise from the last tenth, line from the peak down to 10 dB above noise.
    double noise = e.level(e.mean(lastTenth, length));
    const std::int64_t m0 =
        std::clamp<std::int64_t>(std::llround(kRiseInterval_s * cellRate), 1, std::max<std::int64_t>(1, length / 10));
    Line line = fitBlocks(blockLevels(e, m0), 1e300, noise + kRiseAboveNoise_dB);
    if (line.n < 2 || !(line.slope < kSlowestDecay_dBps))
        return result;
    double cross = std::clamp((noise - line.intercept) / line.slope, 0.0, duration);

    auto noiseStart = [&](const Line& l, double crossing) {
        const double from_cells = (crossing + kNoiseDistance_dB / -l.slope) * cellRate;
        return from_cells >= lastTenth ? lastTenth : static_cast<std::int64_t>(from_cells);
    };
    std::int64_t m = 1;
    for (int iteration = 0; iteration < kLundebyIterations; ++iteration) {
        const double interval_s = 10.0 / (kIntervalsPer10dB * -line.slope);
        const double m_cells = std::clamp(interval_s * cellRate, 1.0, std::max(1.0, length / 4.0));
        m = static_cast<std::int64_t>(std::llround(m_cells));
        const std::int64_t noiseFrom = noiseStart(line, cross);
        const double noiseEnergy = e.mean(noiseFrom, length);
        noise = e.level(noiseEnergy);
        const Blocks blocks = blockLevels(e, m, noiseEnergy);
        const Line late = fitBetween(blocks, line, noise + kLateTop_dB, noise + kLateBottom_dB, noise);
        if (late.n < 3 || !(late.slope < kSlowestDecay_dBps))
            break;
        line = late;
        const double next = std::clamp((noise - line.intercept) / line.slope, 0.0, duration);
        const bool settled = std::abs(next - cross) < std::max(1.0 / cellRate, 1e-3 * cross);
        cross = next;
        if (settled)
            break;
    }

    const std::int64_t noiseFrom = noiseStart(line, cross);
    if (noiseFrom >= lastTenth) {
        // No stretch of noise 10 dB past the crossing: the "noise" came from the last tenth. A floor reached late
        // lies above where the decay above it leads; a response cut while it still decays lies on that line, and
        // one faded out lies below it. The decay, measured without the noise taken off, tells them apart.
        const Line raw = fitBetween(blockLevels(e, m), line, noise + kLateTop_dB, noise + kLateBottom_dB, -1e300);
        const Line decay = raw.n >= 3 && raw.slope < kSlowestDecay_dBps ? raw : line;
        const double t1 = static_cast<double>(e.samples(0, lastTenth)) / fs_Hz;
        const double above_dB = noise - e.level(lineMean(decay, t1, duration));
        if (above_dB < 3)
            return analyseCut(e, start, decay, shortestDecay_s);
    }

    result.valid = true;
    result.noiseFloor = true;
    result.peak_dB = e.level(e.peak);
    result.lineSlope_dBps = line.slope;
    result.lineLevel_dB = line.intercept;
    result.noiseEnergy = std::pow(10.0, noise / 10.0);
    result.INR_dB = line.intercept - noise;
    const std::int64_t decayCells = std::clamp<std::int64_t>(std::llround(cross * cellRate), 1, length);
    result.decayEnd = start + e.samples(0, decayCells);
    result.tailEnergy = result.lineEnergySum(result.decayEnd, -1, fs_Hz);
    CurveInput in;
    in.decayCells = decayCells;
    in.noiseUnder = result.noiseEnergy;
    in.shortestDecay_s = shortestDecay_s;
    fitCurve(e, in, line, noise, result);
    return result;
}

} // namespace

DecayAnalysis analyseDecay(std::span<const float> band, double fs_Hz, std::int64_t start, DecayWorkspace* workspace)
{
    DecayAnalysis none;
    none.start = none.decayEnd = start;
    if (!(fs_Hz > 0) || start < 0 || static_cast<std::int64_t>(band.size()) - start < kMinimumSamples)
        return none;
    std::vector<float> squares(band.size() - static_cast<std::size_t>(start));
    for (std::size_t i = 0; i < squares.size(); ++i)
        squares[i] = band[static_cast<std::size_t>(start) + i] * band[static_cast<std::size_t>(start) + i];
    DecayCells cells;
    cells.cells = squares;
    cells.start = start;
    cells.fs_Hz = fs_Hz;
    return analyseDecay(cells, workspace);
}

DecayAnalysis analyseDecay(const DecayCells& energy, DecayWorkspace* workspace)
{
    DecayAnalysis none;
    none.start = none.decayEnd = energy.start;
    if (!(energy.fs_Hz > 0) || energy.start < 0 || energy.cellSamples < 1 || energy.cells.empty())
        return none;
    // Digital silence at the end (a tail the user silenced, or samples below half a step) is no noise floor:
    // the response ends at its last sound, so that the noise is found where there is some and the late line
    // carries the decay past a cut.
    std::size_t cells = energy.cells.size();
    while (cells > 0 && energy.cells[cells - 1] == 0.0f)
        --cells;
    const std::int64_t lastCell = cells == energy.cells.size() ? energy.lastCellSamples : energy.cellSamples;
    const std::int64_t sounding = cells == 0 ? 0 : static_cast<std::int64_t>(cells - 1) * energy.cellSamples + lastCell;
    // Sound that digital silence ends sooner than the band's filter could show a decay: an impulse.
    none.impulse = sounding > 0 && cells < energy.cells.size() && sounding < energy.shortestDecay_s * energy.fs_Hz;
    if (none.impulse || sounding < kMinimumSamples)
        return none;
    DecayWorkspace own;
    DecayWorkspace& behind = workspace ? *workspace : own;
    if (behind.size() < cells + 1)
        behind.resize(cells + 1);
    Energy e(energy.cells.first(cells), std::span<double>(behind).first(cells + 1), energy.cellSamples, lastCell,
             energy.fs_Hz);
    e.floor = std::max(e.peak * 1e-25, DBL_MIN); // 250 dB below the peak: digital silence stays finite
    return analyse(e, energy.start, energy.shortestDecay_s);
}

} // namespace vemra::dsp
