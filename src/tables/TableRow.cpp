#include "tables/TableRow.h"

#include "core/Bands.h"

#include <cmath>

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
        centre = float(1000.0 * std::pow(10.0, 0.3 * (last + offset - 6)));
    } while (double(centre) / sampleRate_Hz > kHighestCentre && last >= 1);
    return last;
}

QStringList BandHeadings(int firstBand, int count)
{
    static const QStringList nominal{"16", "31.5", "63", "125", "250", "500", "1000", "2000", "4000", "8000", "16000"};
    return nominal.mid(firstBand, count);
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
