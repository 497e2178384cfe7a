#include "library/dsp/BandFilter.h"

#include "library/dsp/Bands.h"
#include "library/dsp/Halfband.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <stdexcept>

namespace vemra::dsp {
namespace {

using cd = std::complex<double>;
// Butterworth order per side of every band (six sections): steep enough that a neighbouring octave's longer decay
// hardly reaches into a band's decay analysis.
constexpr int kOrder = 6;
constexpr int kWideBandOrder = 3; // per side of the wide band (three sections in all)

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
    for (const cd& p : prototypePoles(kWideBandOrder)) {
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

// The rate of the sections stays at this or above (lower rates save nothing worth the coarser time grid).
constexpr double kLowestSectionRate_Hz = 1000;

// How many times the rate may be halved before a band with this upper edge is filtered: its upper edge stays
// below a quarter of the reduced rate, where the half-band filters are flat and keep everything they fold over
// out of it.
int maximumLevels(double upper_Hz, double fs_Hz)
{
    int levels = 0;
    while (fs_Hz / (1 << (levels + 1)) >= std::max(4.0 * upper_Hz, kLowestSectionRate_Hz))
        ++levels;
    return levels;
}

// The class 1 acceptance limits of IEC 61260-1 at the octave breakpoints x (normalised frequency G^x for
// octaves, mapped for fractional octaves), high side; the low side mirrors it. Inside the band the minimum is the
// pass band's -0.4 dB; the minimum at the edge (x = 0.5) is the stop band's just outside it, 1.2 dB (on the edge
// itself both apply).
struct MaskPoint {
    double x, minAttenuation_dB, maxAttenuation_dB;
};
constexpr MaskPoint kClassOne[] = {{0.0, -0.4, 0.4},  {0.125, -0.4, 0.5}, {0.25, -0.4, 0.7}, {0.375, -0.4, 1.4},
                                   {0.5, 1.2, 5.3},   {1.0, 16.6, 1e9},   {2.0, 40.5, 1e9},  {3.0, 60.0, 1e9},
                                   {4.0, 70.0, 1e9},  {5.0, 70.0, 1e9},   {6.0, 70.0, 1e9}};

double maskOmega(double x, int bandsPerOctave)
{
    const double omega1 = std::pow(kOctaveRatio, x);
    const double b = bandsPerOctave;
    return 1.0 + (std::pow(kOctaveRatio, 1.0 / (2 * b)) - 1.0) / (std::pow(kOctaveRatio, 0.5) - 1.0) * (omega1 - 1.0);
}

// True when a gain (dB at a frequency) meets the class 1 mask on both sides, up to Nyquist, with a small margin.
// Between two breakpoints the pass band is held to the outer breakpoint's limit and the stop band to the inner
// one's.
template <class Gain>
bool meetsClassOne(Gain gain, double fm, double fs, int bandsPerOctave)
{
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

bool meetsClassOneMask(const std::function<double(double)>& gain_dB, double fm_Hz, double fs_Hz, int bandsPerOctave)
{
    return meetsClassOne(gain_dB, fm_Hz, fs_Hz, bandsPerOctave);
}

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
    // Sections scaled to 0 dB at the reference frequency, the effective filter's power included.
    auto scale = [&f] {
        normalise(f.sections_, f.reference_, f.sectionRate_Hz());
        const double g = 1.0 / std::sqrt(f.powerGain(f.reference_));
        f.sections_.front().b0 *= g;
        f.sections_.front().b1 *= g;
        f.sections_.front().b2 *= g;
    };
    if (band == kWideBand) {
        const double lo = wideBandLower_Hz(), hi = wideBandUpper_Hz(fs_Hz);
        f.reference_ = std::sqrt(lo * hi);
        f.sections_ = designWideBand(lo, hi, fs_Hz);
        scale();
    } else {
        f.reference_ = bandCentre_Hz(band);
        // The lowest rate that keeps the mask (a band close to a quarter of a reduced rate may need a higher one).
        auto design = [&](int levels) {
            f.levels_ = levels;
            f.sections_ = designBandPass(bandLower_Hz(band), bandUpper_Hz(band), f.sectionRate_Hz(), kOrder);
            scale();
            return meetsClassOne([&f](double hz) { return f.gain_dB(hz); }, f.reference_, fs_Hz,
                                 bandsPerOctave(band));
        };
        int levels = maximumLevels(bandUpper_Hz(band), fs_Hz);
        while (!design(levels) && levels > 0)
            --levels;
    }
    f.energyDelay_s_ = f.simulateEnergyDelay();
    return f;
}

// A tone at f_Hz through the chain: each halving of the rate filters it and folds it below the new Nyquist, the
// sections filter it, and each doubling filters it and its image (the tone mirrored at the lower rate's
// Nyquist). The power of every tone that comes out, over the input tone's.
double BandFilter::powerGain(double f_Hz) const
{
    if (sections_.empty())
        return 1.0;
    // A tone 90 dB below the strongest changes the gain by less than 1e-8 dB: the images of the images of the
    // rate changes lie there and further down.
    constexpr double kNegligible = 1e-9;
    // The way back up meets the tone where it came down (the same frequency at the same rate) unless it folded:
    // the half-band's response there is taken from the way down. The mask checks of a design ask for the gain at
    // hundreds of frequencies.
    constexpr int kMaxLevels = 32;
    double downAt[kMaxLevels], downResponse[kMaxLevels];
    double power = 1, g = f_Hz, rate = fs_;
    for (int level = 0; level < levels_; ++level) {
        const double h = halfband::response(g / rate);
        if (level < kMaxLevels) {
            downAt[level] = g / rate;
            downResponse[level] = h;
        }
        power *= h * h;
        rate /= 2;
        if (g > rate / 2)
            g = rate - g;
    }
    const cd zInv = std::polar(1.0, -2.0 * std::numbers::pi * g / rate);
    cd b = 1.0;
    for (const Biquad& s : sections_)
        b *= sectionResponse(s, zInv);
    power *= std::norm(b);
    struct Tone {
        double f, power;
    };
    thread_local std::vector<Tone> tones, next;
    tones.assign(1, Tone{g, power});
    for (int level = 0; level < levels_; ++level) {
        next.clear();
        double strongest = 0;
        const int down = levels_ - 1 - level; // the level of the way down at this rate
        for (const Tone& t : tones)
            for (double image : {t.f, rate - t.f}) {
                const double at = image / (2 * rate);
                const double h = down < kMaxLevels && at == downAt[down] ? downResponse[down] : halfband::response(at);
                next.push_back({image, t.power * h * h});
                strongest = std::max(strongest, t.power * h * h);
            }
        tones.clear();
        for (const Tone& t : next)
            if (t.power >= kNegligible * strongest)
                tones.push_back(t);
        rate *= 2;
    }
    double total = 0;
    for (const Tone& t : tones)
        total += t.power;
    return total;
}

std::complex<double> BandFilter::response(double f_Hz) const
{
    if (sections_.empty())
        return 1.0;
    double chain = 1, g = f_Hz, rate = fs_;
    for (int level = 0; level < levels_; ++level) {
        chain *= halfband::response(f_Hz / rate) * halfband::response(f_Hz / rate); // down and up again
        rate /= 2;
        g = std::fmod(g, rate);
        if (g > rate / 2)
            g = rate - g;
    }
    const cd zInv = std::polar(1.0, -2.0 * std::numbers::pi * g / rate);
    cd h = chain;
    for (const Biquad& s : sections_)
        h *= sectionResponse(s, zInv);
    return h;
}

double BandFilter::gain_dB(double f_Hz) const
{
    const double p = powerGain(f_Hz);
    return p > 1e-40 ? 10.0 * std::log10(p) : -400.0;
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

// The impulse response as the band analysis sees it: an impulse on the grid of the reduced rate, halved in rate
// and filtered by the sections; each sample stands for `decimation` samples of the full rate.
double BandFilter::simulateEnergyDelay() const
{
    if (sections_.empty())
        return 0.0;
    const std::int64_t r = decimation();
    const std::int64_t lead = 2 * (halfband::kHalfLength + 1); // reduced-rate samples before the impulse
    halfband::Decimated d{std::vector<float>(static_cast<std::size_t>(2 * lead * r), 0.0f), 0};
    d.samples[static_cast<std::size_t>(lead * r)] = 1.0f;
    for (int level = 0; level < levels_; ++level)
        d = halfband::decimate(d.samples, 0, d.first);
    // x[n] lies at reduced-rate index d.first + n; the impulse at index lead.
    const std::vector<float>& x = d.samples;
    const std::int64_t impulse = lead - d.first;
    // Run it through the sections until the response has died away (-150 dB re its energy so far).
    std::vector<double> z1(sections_.size(), 0.0), z2(sections_.size(), 0.0);
    double energy = 0, moment = 0, recent = 0;
    const double rate = sectionRate_Hz();
    const auto limit = static_cast<std::int64_t>(60 * rate);
    const std::int64_t block = std::max<std::int64_t>(64, static_cast<std::int64_t>(rate / 100));
    for (std::int64_t n = 0; n < limit; ++n) {
        double v = n < static_cast<std::int64_t>(x.size()) ? x[static_cast<std::size_t>(n)] : 0.0;
        for (std::size_t s = 0; s < sections_.size(); ++s) {
            const Biquad& q = sections_[s];
            const double y = q.b0 * v + z1[s];
            z1[s] = q.b1 * v - q.a1 * y + z2[s];
            z2[s] = q.b2 * v - q.a2 * y;
            v = y;
        }
        energy += v * v;
        moment += static_cast<double>(n - impulse) * v * v;
        recent += v * v;
        if ((n + 1) % block == 0) {
            if (n > 2 * impulse && recent < 1e-15 * energy)
                break;
            recent = 0;
        }
    }
    return energy > 0 ? moment / energy / rate : 0.0;
}

void BandFilter::apply(std::span<const float> in, std::span<float> out, FilterDirection direction,
                       std::int64_t anchor) const
{
    if (out.size() != in.size())
        throw std::invalid_argument("BandFilter::apply: output length differs from input length");
    const BandFilter* self = this;
    const std::span<float> outs[1] = {out};
    applyBandFilters(in, std::span<const BandFilter* const>(&self, 1), direction, outs, anchor);
}

std::vector<float> BandFilter::apply(std::span<const float> in, FilterDirection direction, std::int64_t anchor) const
{
    std::vector<float> out(in.size());
    apply(in, out, direction, anchor);
    return out;
}

void applyBandFilters(std::span<const float> in, std::span<const BandFilter* const> filters,
                      FilterDirection direction, std::span<const std::span<float>> outputs, std::int64_t anchor)
{
    if (outputs.size() != filters.size())
        throw std::invalid_argument("applyBandFilters: one output per filter expected");
    for (const auto& o : outputs)
        if (o.size() != in.size())
            throw std::invalid_argument("applyBandFilters: output length differs from input length");

    FlushDenormals flush;
    const bool reversed = direction == FilterDirection::Reversed;
    const std::size_t n = in.size();
    // The signal in the order it is filtered (reversed: back to front); a copy when an output shares its memory.
    std::vector<float> copy;
    const bool shared = std::any_of(outputs.begin(), outputs.end(), [&](std::span<float> o) { return o.data() == in.data(); });
    std::span<const float> work = in;
    if (reversed || shared) {
        copy.assign(in.begin(), in.end());
        if (reversed)
            std::reverse(copy.begin(), copy.end());
        work = copy;
    }
    auto store = [&](std::size_t i, std::span<const float> result) {
        for (std::size_t k = 0; k < n; ++k)
            outputs[i][reversed ? n - 1 - k : k] = result[k];
    };
    if (n == 0)
        return;
    // The anchor in the order of filtering: every reduced rate keeps it.
    const std::int64_t last = static_cast<std::int64_t>(n) - 1;
    const std::int64_t anchored = std::clamp<std::int64_t>(reversed ? last - anchor : anchor, 0, last);

    // The signal at each rate some filter needs, halving from the full rate; level l's sample j lies at index
    // first + j of its rate, which keeps the anchor's full-rate index modulo 2^l.
    int deepest = 0;
    for (const BandFilter* f : filters)
        deepest = std::max(deepest, f->decimationLevels());
    std::vector<halfband::Decimated> levels(static_cast<std::size_t>(deepest) + 1);
    std::vector<int> phase(static_cast<std::size_t>(deepest) + 1, 0);
    for (int level = 1; level <= deepest; ++level) {
        const auto l = static_cast<std::size_t>(level);
        phase[l] = static_cast<int>((anchored >> (level - 1)) & 1);
        levels[l] = halfband::decimate(level == 1 ? work : std::span<const float>(levels[l - 1].samples), phase[l],
                                       levels[l - 1].first);
    }
    auto signalAt = [&](int level) {
        return level == 0 ? work : std::span<const float>(levels[static_cast<std::size_t>(level)].samples);
    };

    for (std::size_t i = 0; i < filters.size(); ++i)
        if (filters[i]->isAllPass())
            store(i, work);
    for (int level = 0; level <= deepest; ++level) {
        // Filters with the same number of sections share lanes, so that no lane runs identity sections for long.
        std::vector<std::size_t> order;
        for (std::size_t i = 0; i < filters.size(); ++i)
            if (!filters[i]->isAllPass() && filters[i]->decimationLevels() == level)
                order.push_back(i);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return filters[a]->sections().size() < filters[b]->sections().size();
        });
        const std::span<const float> signal = signalAt(level);
        const std::size_t m = signal.size();
        for (std::size_t g = 0; g < order.size(); g += FilterLanes::kLanes) {
            const std::size_t count = std::min<std::size_t>(FilterLanes::kLanes, order.size() - g);
            std::vector<std::span<const Biquad>> sections;
            for (std::size_t j = 0; j < count; ++j)
                sections.push_back(filters[order[g + j]]->sections());
            FilterLanes lanes(sections);
            std::vector<std::vector<float>> low(count, std::vector<float>(m));
            constexpr std::size_t kBlock = 512;
            std::vector<float> block(kBlock * FilterLanes::kLanes);
            for (std::size_t first = 0; first < m; first += kBlock) {
                const std::size_t k = std::min(kBlock, m - first);
                lanes.run(signal.data() + first, static_cast<std::int64_t>(k), block.data());
                for (std::size_t j = 0; j < count; ++j)
                    for (std::size_t s = 0; s < k; ++s)
                        low[j][first + s] = block[s * FilterLanes::kLanes + j];
            }
            // Back to the full rate, one doubling at a time.
            for (std::size_t j = 0; j < count; ++j) {
                std::vector<float> up = std::move(low[j]);
                for (int l = level; l > 0; --l) {
                    const auto& coarse = levels[static_cast<std::size_t>(l)];
                    const std::int64_t finerFirst = l == 1 ? 0 : levels[static_cast<std::size_t>(l) - 1].first;
                    std::vector<float> finer(signalAt(l - 1).size());
                    halfband::interpolate(up, phase[static_cast<std::size_t>(l)] + 2 * coarse.first - finerFirst,
                                          finer);
                    up = std::move(finer);
                }
                store(order[g + j], up);
            }
        }
    }
}

} // namespace vemra::dsp
