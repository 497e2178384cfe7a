#include "graphs/GraphAxes.h"

#include "core/NumberFormat.h"
#include "core/VemraError.h"
#include "library/dsp/Bands.h"

#include <QLocale>

#include <cmath>

namespace vemra::graphs {
namespace {

// Mantissas that differ from a table row by rounding alone count as that row, so 0.3 / 0.1 is 3, not 3.0000001.
constexpr double kTolerance = 1e-9;

struct Split {
    double mantissa; // in [1, 10]
    int exponent;
};

// x > 0 and finite. The logarithm alone can land one decade off (log10 of 1000 may come out just below 3), so the
// mantissa is brought back into [1, 10] afterwards.
Split split(double x, double logOffset = 0)
{
    int e = int(std::floor(std::log10(x) + logOffset));
    double m = x / std::pow(10.0, e);
    if (m < 1 - kTolerance) {
        m *= 10;
        --e;
    } else if (m > 10 * (1 + kTolerance)) {
        m /= 10;
        ++e;
    }
    return {m, e};
}

int ceilingRow(double m)
{
    for (int i = 0; i < int(kStepTable.size()); ++i)
        if (kStepTable[std::size_t(i)].mantissa >= m * (1 - kTolerance))
            return i;
    return int(kStepTable.size()) - 1;
}

int floorRow(double m)
{
    for (int i = int(kStepTable.size()) - 1; i >= 0; --i)
        if (kStepTable[std::size_t(i)].mantissa <= m * (1 + kTolerance))
            return i;
    return 0;
}

void checkFinite(double x)
{
    if (!std::isfinite(x))
        throw VemraError::overflow(QStringLiteral("Overflow: no scale reaches %1").arg(x));
}

int divisionsOf(int row) { return kStepTable[std::size_t(row)].divisions; }

} // namespace

namespace {

NiceNumber nice(double x, int (*row)(double))
{
    checkFinite(x);
    if (x < 0)
        throw VemraError::range();
    if (x == 0)
        return {};
    const Split s = split(x);
    const int r = row(s.mantissa);
    return {kStepTable[std::size_t(r)].mantissa * std::pow(10.0, s.exponent), r};
}

} // namespace

NiceNumber NiceCeiling(double x) { return nice(x, ceilingRow); }

NiceNumber NiceFloor(double x) { return nice(x, floorRow); }

ScaleStep AdjustScale(double low, double high)
{
    const double r = high - low;
    checkFinite(r);
    if (r <= 0)
        return {1, 1};
    // The small offset on the logarithm keeps ranges a hair below a power of ten in the decade above; split()
    // then normalises the mantissa, so the row always matches the power of ten it is scaled with.
    const Split s = split(r, 0.001);
    const int row = ceilingRow(s.mantissa);
    const int n = divisionsOf(row);
    return {n, std::pow(10.0, s.exponent) * kStepTable[std::size_t(row)].mantissa / n};
}

AxisRange AutoScaleY(double lo, double hi, bool autoMin)
{
    checkFinite(lo);
    checkFinite(hi);
    if (lo + 0.001 >= hi)
        hi = lo + 0.1;

    int ilo = 0;
    if (lo < 0) {
        const NiceNumber n = NiceCeiling(-lo);
        lo = -n.value;
        ilo = n.row;
    } else if (autoMin) {
        lo = 0;
    } else {
        const NiceNumber n = NiceFloor(lo);
        lo = n.value;
        ilo = n.row;
    }

    int ihi = 0;
    if (hi > 0) {
        const NiceNumber n = NiceCeiling(hi);
        hi = n.value;
        ihi = n.row;
    } else if (hi < 0) {
        const NiceNumber n = NiceFloor(-hi);
        hi = -n.value;
        ihi = n.row;
    }

    int n = 0;
    if (lo == 0) {
        n = divisionsOf(ihi);
    } else if (hi == 0) {
        n = divisionsOf(ilo);
    } else if ((lo > 0) == (hi > 0)) {
        const ScaleStep s = AdjustScale(lo, hi);
        n = s.divisions;
        if (hi > 0)
            lo = hi - n * s.step;
        else
            hi = lo + n * s.step;
    } else if (-lo > hi) {
        // Zero on a division: the divisions of the larger (negative) end, continued upwards past hi.
        n = divisionsOf(ilo);
        const double step = -lo / n;
        int k = 0;
        do {
            ++k;
            ++n;
        } while (k * step < hi * (1 - kTolerance));
        hi = k * step;
    } else {
        n = divisionsOf(ihi);
        const double step = hi / n;
        int k = 0;
        do {
            ++k;
            ++n;
        } while (-k * step > lo * (1 - kTolerance));
        lo = -k * step;
    }

    if (hi - lo == 0)
        hi = lo + 1;
    if (n == 0)
        n = 1;
    return {lo, hi, n};
}

QString OctaveLabel(int band)
{
    static const char* const labels[] = {"16", "31.5", "63", "125", "250", "500", "1k", "2k", "4k", "8k", "16k"};
    if (!dsp::isOctaveBand(band))
        return QStringLiteral("???");
    return QString::fromLatin1(labels[band]);
}

QString ThirdOctaveLabel(int band)
{
    static const char* const labels[] = {"12.5", "16",  "20",  "25",  "31.5", "40",  "50",  "63",  "80",
                                         "100",  "125", "160", "200", "250",  "315", "400", "500", "630",
                                         "800",  "1k",  "1k25", "1k6", "2k",  "2k5", "3k15", "4k", "5k",
                                         "6k3",  "8k",  "10k", "12k5", "16k", "20k"};
    if (!dsp::isThirdOctaveBand(band))
        return QStringLiteral("???");
    return QString::fromLatin1(labels[band - dsp::kThirdOctaveTableStart]);
}

QString AxisLabel(double value)
{
    QString text = FormatNumber(value, QStringLiteral("0.00"));
    const QString point = QLocale().decimalPoint();
    if (text.contains(point)) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(point))
            text.chop(point.size());
    }
    return text;
}

} // namespace vemra::graphs
