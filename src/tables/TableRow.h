#pragma once
// What the text file and the printed page of a table share: its band columns with their sampling-rate limit, and
// its parameter rows, each a pair of labels and the cell of a channel and band. Calling thread: the
// user-interface thread (the cells read the document).
#include "tables/TableFormat.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace vemra {
class clsWave;
}

namespace vemra::tables {

// A table's band columns: `count` columns, column k showing octave BandIndex k + `offset`; `last` is the highest
// column the latest calculation filled (-1: none).
struct BandColumns {
    int count = 7;
    int offset = 2;
    int last = 6;
    int band(int column) const { return column + offset; }
};

// The frame's band limit: the highest column (at most count - 1) whose nominal centre 1000 x 10^(0.3 (b - 6)) Hz
// is no more than 0.35 times the sample rate, and 0 when none is (column 0 is always shown).
int LastBandColumn(int count, int offset, double sampleRate_Hz);
// The per-column test of the speech and modulation tables: the band's centre (BandCentre) is at most 0.35 times
// the sample rate; the highest such column, -1 when there is none.
bool ColumnWithinLimit(int column, int offset, double sampleRate_Hz);
int LastColumnWithinLimit(int count, int offset, double sampleRate_Hz);

// The headings of `count` octave columns from band `firstBand` on ("31.5", "63", ... "16000").
QStringList BandHeadings(int firstBand, int count);

// One parameter row as the file and the page write it.
struct TableRow {
    QString fileLabel;
    QString printLabel;
    // The cell of (channel, band); channel 0 for the tables without one.
    std::function<Cell(clsWave& wave, int channel, int band)> cell;
};

} // namespace vemra::tables
