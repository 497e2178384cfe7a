#include "tables/TableRow.h"

#include "core/BandsAndParameters.h"

namespace vemra::tables {
namespace {

constexpr double kHighestCentre = 0.35; // of the sample rate

} // namespace

int LastBandColumn(int count, int offset, double sampleRate_Hz)
{
    // Counted down from the top, the centre taken as a single, as the tables always have.
    int last = count;
    float centre = 0;
    do {
        --last;
        centre = float(dsp::bandCentre_Hz(last + offset));
    } while (double(centre) / sampleRate_Hz > kHighestCentre && last >= 1);
    return last;
}

QStringList BandHeadings(int firstBand, int count)
{
    QStringList headings;
    for (int band = firstBand; band < firstBand + count && dsp::isOctaveBand(band); ++band)
        headings << BandName(band);
    return headings;
}

bool ColumnWithinLimit(int column, int offset, double sampleRate_Hz)
{
    return double(BandCentre(column + offset)) / sampleRate_Hz <= kHighestCentre;
}

int LastColumnWithinLimit(int count, int offset, double sampleRate_Hz)
{
    int last = -1;
    for (int k = 0; k < count; ++k)
        if (ColumnWithinLimit(k, offset, sampleRate_Hz))
            last = k;
    return last;
}

} // namespace vemra::tables
