#pragma once
// The parameter graph's table export: the current parameter's value of each file per band, and for several files
// the statistics over the set, as tab-separated text with CR LF line ends.
//
// Layout: a title line ("T30 [s]", a tab, "(Full Octave)" or "(Third Octave)"); then one block per channel
// (channel 2 only for two-channel sets and parameters other than LF, LFC and IACC): the band header (blanks as
// wide as the longest file name, then a tab and the band name per band), an empty line, one line per file (the
// name padded to that width, then a tab and the value per band, empty where the file has none), an empty line,
// for several files five statistics lines (labels right-aligned to that width: number of measurements, standard
// deviation, minimum, maximum with an empty line after it, average with an empty line after it), and two empty
// lines. Numbers use the parameter's pattern and the user's decimal symbol.
#include "graphs/ParameterStatistics.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vemra::graphs {

struct TableInput {
    int parameter = 0;
    bool octaves = true;
    int firstBand = 0, lastBand = -1;
    QStringList fileNames;
    bool hasTwoChannels = false;
    // A file's value in a channel and band, std::nullopt when it has none.
    std::function<std::optional<float>(int file, int channel, int band)> value;
    const ParameterStatistics* statistics = nullptr;
};

// Parameters with one value per band (both channels carry it): LF, LFC and the three IACC.
bool OneValuePerBand(int parameter);

QString ParameterTableText(const TableInput& input);

} // namespace vemra::graphs
