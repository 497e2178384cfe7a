#include "library/dsp/BandFilter.h"

#include "library/dsp/Bands.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
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

constexpr int kLanes = 8;     // filters run side by side in one pass
constexpr int kBlock = 512;   // samples per block of the interleaved lane output

struct LaneSet {
    int sections = 0;
    int count = 0;
    // coefficient[k][section][lane], k = b0, b1, b2, a1, a2; unused lanes and sections are identities
    double coef[5][kMaxOrder][kLanes];
};

LaneSet laneSet(const BandFilter* const* filters, int count, int sections)
{
    LaneSet set;
    set.sections = sections;
    set.count = count;
    for (int s = 0; s < kMaxOrder; ++s)
        for (int l = 0; l < kLanes; ++l) {
            Biquad q;
            if (l < count && s < static_cast<int>(filters[l]->sections().size()))
                q = filters[l]->sections()[s];
            set.coef[0][s][l] = q.b0;
            set.coef[1][s][l] = q.b1;
            set.coef[2][s][l] = q.b2;
            set.coef[3][s][l] = q.a1;
            set.coef[4][s][l] = q.a2;
        }
    return set;
}

// Copies one block of interleaved lane output (kLanes values per sample) to the lanes' outputs.
template <bool Reversed>
void scatter(const float* block, std::int64_t first, int m, std::int64_t n, int count, float* const* outputs)
{
    for (int l = 0; l < count; ++l) {
        float* out = outputs[l];
        for (int j = 0; j < m; ++j) {
            const std::int64_t k = Reversed ? n - 1 - (first + j) : first + j;
            out[k] = block[j * kLanes + l];
        }
    }
}

// Portable kernel (GCC vector extension: two vectors of four lanes). The recursions of the lanes and of the
// sections are independent chains, so the processor overlaps them instead of waiting for each other.
using v4d = double __attribute__((vector_size(32)));
using v4f = float __attribute__((vector_size(16)));

template <int S, bool Reversed>
void runPortable(const float* x, std::int64_t n, const LaneSet& set, float* const* outputs)
{
    v4d c[5][S][2], z1[S][2] = {}, z2[S][2] = {};
    for (int k = 0; k < 5; ++k)
        for (int s = 0; s < S; ++s)
            for (int h = 0; h < 2; ++h)
                for (int l = 0; l < 4; ++l)
                    c[k][s][h][l] = set.coef[k][s][4 * h + l];
    alignas(32) float block[kBlock * kLanes];
    for (std::int64_t first = 0; first < n; first += kBlock) {
        const int m = static_cast<int>(std::min<std::int64_t>(kBlock, n - first));
        for (int j = 0; j < m; ++j) {
            const std::int64_t k = Reversed ? n - 1 - (first + j) : first + j;
            const double xi = x[k];
            for (int h = 0; h < 2; ++h) {
                v4d v = {xi, xi, xi, xi};
                for (int s = 0; s < S; ++s) {
                    const v4d y = c[0][s][h] * v + z1[s][h];
                    z1[s][h] = c[1][s][h] * v - c[3][s][h] * y + z2[s][h];
                    z2[s][h] = c[2][s][h] * v - c[4][s][h] * y;
                    v = y;
                }
                const v4f f = {float(v[0]), float(v[1]), float(v[2]), float(v[3])};
                std::memcpy(block + j * kLanes + 4 * h, &f, sizeof f);
            }
        }
        scatter<Reversed>(block, first, m, n, set.count, outputs);
    }
}

#if defined(__x86_64__) || defined(__i386__)
// The same with AVX2 and fused multiply-adds, chosen at run time on processors that have them; G vectors of four
// lanes (G = 1 when no more than four filters are left, so that no empty lanes are computed).
template <int S, int G, bool Reversed>
__attribute__((target("avx2,fma"))) void runAvx2(const float* x, std::int64_t n, const LaneSet& set,
                                                   float* const* outputs)
{
    __m256d c[5][S][G], z1[S][G], z2[S][G];
    for (int k = 0; k < 5; ++k)
        for (int s = 0; s < S; ++s)
            for (int h = 0; h < G; ++h)
                c[k][s][h] = _mm256_loadu_pd(&set.coef[k][s][4 * h]);
    for (int s = 0; s < S; ++s)
        for (int h = 0; h < G; ++h)
            z1[s][h] = z2[s][h] = _mm256_setzero_pd();
    alignas(32) float block[kBlock * kLanes];
    for (std::int64_t first = 0; first < n; first += kBlock) {
        const int m = static_cast<int>(std::min<std::int64_t>(kBlock, n - first));
        for (int j = 0; j < m; ++j) {
            const std::int64_t k = Reversed ? n - 1 - (first + j) : first + j;
            __m256d v[G];
            for (int h = 0; h < G; ++h)
                v[h] = _mm256_set1_pd(x[k]);
            for (int s = 0; s < S; ++s)
                for (int h = 0; h < G; ++h) {
                    const __m256d y = _mm256_fmadd_pd(c[0][s][h], v[h], z1[s][h]);
                    z1[s][h] = _mm256_fnmadd_pd(c[3][s][h], y, _mm256_fmadd_pd(c[1][s][h], v[h], z2[s][h]));
                    z2[s][h] = _mm256_fnmadd_pd(c[4][s][h], y, _mm256_mul_pd(c[2][s][h], v[h]));
                    v[h] = y;
                }
            for (int h = 0; h < G; ++h)
                _mm_store_ps(block + j * kLanes + 4 * h, _mm256_cvtpd_ps(v[h]));
        }
        scatter<Reversed>(block, first, m, n, set.count, outputs);
    }
}

#endif

std::atomic<bool> g_portableOnly{false};

bool haveAvx2()
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool have = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return have && !g_portableOnly.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

template <int S>
void runLanes(const float* x, std::int64_t n, bool reversed, const LaneSet& set, float* const* outputs)
{
#if defined(__x86_64__) || defined(__i386__)
    if (haveAvx2()) {
        if (set.count <= 4)
            reversed ? runAvx2<S, 1, true>(x, n, set, outputs) : runAvx2<S, 1, false>(x, n, set, outputs);
        else
            reversed ? runAvx2<S, 2, true>(x, n, set, outputs) : runAvx2<S, 2, false>(x, n, set, outputs);
        return;
    }
#endif
    reversed ? runPortable<S, true>(x, n, set, outputs) : runPortable<S, false>(x, n, set, outputs);
}

void runLanes(const float* x, std::int64_t n, bool reversed, const BandFilter* const* filters, int count,
              float* const* outputs)
{
    int sections = 0;
    for (int l = 0; l < count; ++l)
        sections = std::max(sections, static_cast<int>(filters[l]->sections().size()));
    const LaneSet set = laneSet(filters, count, sections);
    switch (sections) {
    case 1:
    case 2:
    case 3: runLanes<3>(x, n, reversed, set, outputs); break;
    case 4: runLanes<4>(x, n, reversed, set, outputs); break;
    case 5: runLanes<5>(x, n, reversed, set, outputs); break;
    case 6: runLanes<6>(x, n, reversed, set, outputs); break;
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
    // A design depends on nothing but band and rate; the few used in a session are made once.
    static std::mutex mutex;
    static std::map<std::pair<int, double>, BandFilter> designs;
    std::lock_guard lock(mutex);
    const auto key = std::make_pair(band, fs_Hz);
    if (const auto it = designs.find(key); it != designs.end())
        return it->second;
    BandFilter f = makeDesign(band, fs_Hz);
    designs.emplace(key, f);
    return f;
}

BandFilter BandFilter::makeDesign(int band, double fs_Hz)
{
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
    f.energyDelay_s_ = f.simulateEnergyDelay();
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

double BandFilter::simulateEnergyDelay() const
{
    if (sections_.empty())
        return 0.0;
    // Run the impulse through the sections until the response has died away (-150 dB re its energy so far).
    std::vector<double> z1(sections_.size(), 0.0), z2(sections_.size(), 0.0);
    double energy = 0, moment = 0, recent = 0;
    const auto limit = static_cast<std::int64_t>(60 * fs_);
    const std::int64_t block = std::max<std::int64_t>(64, static_cast<std::int64_t>(fs_ / 100));
    for (std::int64_t n = 0; n < limit; ++n) {
        double v = n == 0 ? 1.0 : 0.0;
        for (std::size_t s = 0; s < sections_.size(); ++s) {
            const Biquad& q = sections_[s];
            const double y = q.b0 * v + z1[s];
            z1[s] = q.b1 * v - q.a1 * y + z2[s];
            z2[s] = q.b2 * v - q.a2 * y;
            v = y;
        }
        energy += v * v;
        moment += static_cast<double>(n) * v * v;
        recent += v * v;
        if ((n + 1) % block == 0) {
            if (recent < 1e-15 * energy)
                break;
            recent = 0;
        }
    }
    return energy > 0 ? moment / energy / fs_ : 0.0;
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

void usePortableFilterKernel(bool on) { g_portableOnly.store(on, std::memory_order_relaxed); }

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
        int count = 0;
        for (std::size_t j = g; j < std::min(order.size(), g + kLanes); ++j, ++count) {
            group[count] = filters[order[j]];
            groupOut[count] = outputs[order[j]].data();
        }
        runLanes(in.data(), n, reversed, group, count, groupOut);
    }
}

} // namespace vemra::dsp
