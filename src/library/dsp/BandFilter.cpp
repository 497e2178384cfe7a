#include "library/dsp/BandFilter.h"

#include "library/dsp/Bands.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace vemra::dsp {
namespace {

using cd = std::complex<double>;
constexpr int kOrder = 3;    // Butterworth order per side of most bands (three sections)
constexpr int kMaxOrder = 6; // bands close to Nyquist need steeper skirts against the bilinear warping

// Analog frequency (rad/s) that the bilinear transform maps onto f_Hz.
double prewarp(double f_Hz, double fs_Hz) { return 2.0 * fs_Hz * std::tan(std::numbers::pi * f_Hz / fs_Hz); }

cd bilinear(cd s, double fs_Hz) { return (2.0 * fs_Hz + s) / (2.0 * fs_Hz - s); }

// Poles of the normalised Butterworth low-pass prototype, left half-plane.
std::vector<cd> prototypePoles(int order)
{
    std::vector<cd> p;
    for (int k = 0; k < order; ++k)
        p.push_back(std::polar(1.0, std::numbers::pi * (2.0 * k + order + 1) / (2.0 * order)));
    return p;
}

// Splits digital poles into conjugate pairs (one per section, upper half-plane member kept) and real poles.
void splitPoles(const std::vector<cd>& poles, std::vector<cd>& complexUpper, std::vector<double>& reals)
{
    for (const cd& p : poles) {
        const double tol = 1e-12 * std::max(1.0, std::abs(p));
        if (p.imag() > tol)
            complexUpper.push_back(p);
        else if (std::abs(p.imag()) <= tol)
            reals.push_back(p.real());
    }
    std::sort(reals.begin(), reals.end());
}

Biquad sectionFromPair(cd p, double b0, double b1, double b2)
{
    return Biquad{b0, b1, b2, -2.0 * p.real(), std::norm(p)};
}

Biquad sectionFromReals(double r1, double r2, double b0, double b1, double b2)
{
    return Biquad{b0, b1, b2, -(r1 + r2), r1 * r2};
}

cd sectionResponse(const Biquad& s, cd zInv)
{
    const cd zInv2 = zInv * zInv;
    return (s.b0 + s.b1 * zInv + s.b2 * zInv2) / (1.0 + s.a1 * zInv + s.a2 * zInv2);
}

// Scales each section to unit gain at the reference frequency, so that no section amplifies strongly.
void normalise(std::vector<Biquad>& sections, double f_Hz, double fs_Hz)
{
    const cd zInv = std::polar(1.0, -2.0 * std::numbers::pi * f_Hz / fs_Hz);
    for (Biquad& s : sections) {
        const double g = 1.0 / std::abs(sectionResponse(s, zInv));
        s.b0 *= g;
        s.b1 *= g;
        s.b2 *= g;
    }
}

std::vector<Biquad> designBandPass(double f1, double f2, double fs, int order)
{
    const double w1 = prewarp(f1, fs), w2 = prewarp(f2, fs);
    const double w0sq = w1 * w2, bw = w2 - w1;
    std::vector<cd> poles;
    for (const cd& p : prototypePoles(order)) {
        const cd a = p * bw / 2.0;
        const cd d = std::sqrt(a * a - w0sq);
        poles.push_back(bilinear(a + d, fs));
        poles.push_back(bilinear(a - d, fs));
    }
    std::vector<cd> upper;
    std::vector<double> reals;
    splitPoles(poles, upper, reals);
    std::vector<Biquad> sections;
    for (const cd& p : upper)
        sections.push_back(sectionFromPair(p, 1, 0, -1)); // one zero at DC, one at Nyquist
    for (std::size_t i = 0; i + 1 < reals.size(); i += 2)
        sections.push_back(sectionFromReals(reals[i], reals[i + 1], 1, 0, -1));
    if (sections.size() != static_cast<std::size_t>(order))
        throw std::logic_error("band-pass design: unexpected pole layout");
    return sections;
}

std::vector<Biquad> designWideBand(double fLow, double fHigh, double fs)
{
    const double wl = prewarp(fLow, fs), wh = prewarp(fHigh, fs);
    std::vector<cd> highPass, lowPass;
    for (const cd& p : prototypePoles(kOrder)) {
        highPass.push_back(bilinear(wl / p, fs));
        lowPass.push_back(bilinear(wh * p, fs));
    }
    std::vector<cd> hpUpper, lpUpper;
    std::vector<double> hpReal, lpReal;
    splitPoles(highPass, hpUpper, hpReal);
    splitPoles(lowPass, lpUpper, lpReal);
    if (hpUpper.size() != 1 || lpUpper.size() != 1 || hpReal.size() != 1 || lpReal.size() != 1)
        throw std::logic_error("wide-band design: unexpected pole layout");
    return {sectionFromPair(hpUpper[0], 1, -2, 1), sectionFromPair(lpUpper[0], 1, 2, 1),
            sectionFromReals(hpReal[0], lpReal[0], 1, 0, -1)};
}

// Denormal numbers appear when a narrow filter rings down into digital silence; they are far below any level
// of interest and very slow, so the kernel flushes them to zero.
class FlushDenormals {
public:
#if defined(__SSE2__)
    FlushDenormals() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | 0x8040); }
    ~FlushDenormals() { _mm_setcsr(saved_); }

private:
    unsigned saved_;
#endif
};

using v4d = double __attribute__((vector_size(32)));
constexpr int kLanes = 4;

// Up to four filters of S sections each side by side: every lane holds one filter, so the recursions of the
// lanes (and of the sections) overlap instead of waiting for each other. Missing sections are identities.
template <int S>
void runLanes(const float* x, std::int64_t n, bool reversed, const BandFilter* const* filters, int count,
              float* const* outputs)
{
    v4d b0[S], b1[S], b2[S], a1[S], a2[S], z1[S], z2[S];
    for (int s = 0; s < S; ++s) {
        for (int l = 0; l < kLanes; ++l) {
            Biquad q;
            if (l < count && s < static_cast<int>(filters[l]->sections().size()))
                q = filters[l]->sections()[s];
            b0[s][l] = q.b0;
            b1[s][l] = q.b1;
            b2[s][l] = q.b2;
            a1[s][l] = q.a1;
            a2[s][l] = q.a2;
            z1[s][l] = 0;
            z2[s][l] = 0;
        }
    }
    float* out[kLanes] = {};
    for (int l = 0; l < count; ++l)
        out[l] = outputs[l];
    for (std::int64_t i = 0; i < n; ++i) {
        const std::int64_t k = reversed ? n - 1 - i : i;
        const double xi = x[k];
        v4d v = {xi, xi, xi, xi};
        for (int s = 0; s < S; ++s) {
            const v4d y = b0[s] * v + z1[s];
            z1[s] = b1[s] * v - a1[s] * y + z2[s];
            z2[s] = b2[s] * v - a2[s] * y;
            v = y;
        }
        for (int l = 0; l < count; ++l)
            out[l][k] = static_cast<float>(v[l]);
    }
}

void runLanes(int sections, const float* x, std::int64_t n, bool reversed, const BandFilter* const* filters,
              int count, float* const* outputs)
{
    switch (sections) {
    case 1:
    case 2:
    case 3: runLanes<3>(x, n, reversed, filters, count, outputs); break;
    case 4: runLanes<4>(x, n, reversed, filters, count, outputs); break;
    case 5: runLanes<5>(x, n, reversed, filters, count, outputs); break;
    case 6: runLanes<6>(x, n, reversed, filters, count, outputs); break;
    default: throw std::logic_error("band filter with more sections than the kernel holds");
    }
}

// The class 1 acceptance limits of IEC 61260-1 at the octave breakpoints x (normalised frequency G^x for
// octaves, mapped for fractional octaves), high side; the low side mirrors it.
struct MaskPoint {
    double x, minAttenuation_dB, maxAttenuation_dB;
};
constexpr MaskPoint kClassOne[] = {{0.0, -0.4, 0.4},  {0.125, -0.4, 0.5}, {0.25, -0.4, 0.7}, {0.375, -0.4, 1.4},
                                   {0.5, -0.4, 5.3},  {1.0, 16.6, 1e9},   {2.0, 40.5, 1e9},  {3.0, 60.0, 1e9},
                                   {4.0, 70.0, 1e9},  {5.0, 70.0, 1e9},   {6.0, 70.0, 1e9}};

double maskOmega(double x, int bandsPerOctave)
{
    const double omega1 = std::pow(kOctaveRatio, x);
    const double b = bandsPerOctave;
    return 1.0 + (std::pow(kOctaveRatio, 1.0 / (2 * b)) - 1.0) / (std::pow(kOctaveRatio, 0.5) - 1.0) * (omega1 - 1.0);
}

// True when the sections meet the class 1 mask on both sides, up to Nyquist, with a small margin. Between two
// breakpoints the pass band is held to the outer breakpoint's limit and the stop band to the inner one's.
bool meetsClassOne(const std::vector<Biquad>& sections, double fm, double fs, int bandsPerOctave)
{
    auto gain = [&](double f) {
        const cd zInv = std::polar(1.0, -2.0 * std::numbers::pi * f / fs);
        cd h = 1.0;
        for (const Biquad& s : sections)
            h *= sectionResponse(s, zInv);
        return 20.0 * std::log10(std::max(std::abs(h), 1e-30));
    };
    constexpr double margin = 0.05;
    const double ref = gain(fm);
    for (std::size_t i = 0; i + 1 < std::size(kClassOne); ++i) {
        const MaskPoint& inner = kClassOne[i];
        const MaskPoint& outer = kClassOne[i + 1];
        const bool passBand = outer.x <= 0.5;
        const double lo = passBand ? -0.4 : inner.minAttenuation_dB;
        const double hi = passBand ? outer.maxAttenuation_dB : 1e9;
        constexpr int steps = 16;
        for (int k = 0; k <= steps; ++k) {
            const double omega = maskOmega(inner.x + (outer.x - inner.x) * k / steps, bandsPerOctave);
            for (double f : {fm * omega, fm / omega}) {
                if (f >= fs / 2)
                    continue;
                const double a = ref - gain(f);
                if (a < lo + margin || a > hi - margin)
                    return false;
            }
        }
    }
    return true;
}

} // namespace

std::optional<BandFilter> BandFilter::design(int band, double fs_Hz)
{
    if (!(fs_Hz > 0) || !bandBelowNyquist(band, fs_Hz))
        return std::nullopt;
    BandFilter f;
    f.band_ = band;
    f.fs_ = fs_Hz;
    if (band == kAllPass)
        return f;
    if (band == kWideBand) {
        const double lo = wideBandLower_Hz(), hi = wideBandUpper_Hz(fs_Hz);
        f.reference_ = std::sqrt(lo * hi);
        f.sections_ = designWideBand(lo, hi, fs_Hz);
    } else {
        f.reference_ = bandCentre_Hz(band);
        // The lowest order that keeps the mask; only bands close to Nyquist need more than three.
        for (int order = kOrder; order <= kMaxOrder; ++order) {
            f.sections_ = designBandPass(bandLower_Hz(band), bandUpper_Hz(band), fs_Hz, order);
            if (meetsClassOne(f.sections_, f.reference_, fs_Hz, bandsPerOctave(band)))
                break;
        }
    }
    normalise(f.sections_, f.reference_, fs_Hz);
    return f;
}

std::complex<double> BandFilter::response(double f_Hz) const
{
    const cd zInv = std::polar(1.0, -2.0 * std::numbers::pi * f_Hz / fs_);
    cd h = 1.0;
    for (const Biquad& s : sections_)
        h *= sectionResponse(s, zInv);
    return h;
}

double BandFilter::gain_dB(double f_Hz) const
{
    const double m = std::abs(response(f_Hz));
    return m > 1e-20 ? 20.0 * std::log10(m) : -400.0;
}

double BandFilter::groupDelay_s(double f_Hz) const
{
    if (sections_.empty())
        return 0.0;
    // Phase difference across a small interval, taken as the argument of a ratio so that it never wraps.
    const double df = std::max(1e-6 * f_Hz, 1e-6);
    const cd ratio = response(f_Hz + df) / response(std::max(f_Hz - df, 0.0));
    const double dw = 2.0 * std::numbers::pi * (f_Hz + df - std::max(f_Hz - df, 0.0));
    return -std::arg(ratio) / dw;
}

void BandFilter::apply(std::span<const float> in, std::span<float> out, FilterDirection direction) const
{
    if (out.size() != in.size())
        throw std::invalid_argument("BandFilter::apply: output length differs from input length");
    const BandFilter* self = this;
    const std::span<float> outs[1] = {out};
    applyBandFilters(in, std::span<const BandFilter* const>(&self, 1), direction, outs);
}

std::vector<float> BandFilter::apply(std::span<const float> in, FilterDirection direction) const
{
    std::vector<float> out(in.size());
    apply(in, out, direction);
    return out;
}

void applyBandFilters(std::span<const float> in, std::span<const BandFilter* const> filters,
                      FilterDirection direction, std::span<const std::span<float>> outputs)
{
    if (outputs.size() != filters.size())
        throw std::invalid_argument("applyBandFilters: one output per filter expected");
    for (const auto& o : outputs)
        if (o.size() != in.size())
            throw std::invalid_argument("applyBandFilters: output length differs from input length");

    FlushDenormals flush;
    // Filters with the same number of sections share lanes, so that no lane runs identity sections for long.
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < filters.size(); ++i) {
        if (filters[i]->isAllPass()) {
            if (outputs[i].data() != in.data())
                std::copy(in.begin(), in.end(), outputs[i].begin());
        } else {
            order.push_back(i);
        }
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return filters[a]->sections().size() < filters[b]->sections().size();
    });
    const bool reversed = direction == FilterDirection::Reversed;
    const auto n = static_cast<std::int64_t>(in.size());
    for (std::size_t g = 0; g < order.size(); g += kLanes) {
        const BandFilter* group[kLanes] = {};
        float* groupOut[kLanes] = {};
        int count = 0, sections = 0;
        for (std::size_t j = g; j < std::min(order.size(), g + kLanes); ++j, ++count) {
            group[count] = filters[order[j]];
            groupOut[count] = outputs[order[j]].data();
            sections = std::max(sections, static_cast<int>(group[count]->sections().size()));
        }
        runLanes(sections, in.data(), n, reversed, group, count, groupOut);
    }
}

} // namespace vemra::dsp
