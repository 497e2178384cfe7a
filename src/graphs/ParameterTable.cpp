#include "graphs/ParameterTable.h"

#include "core/BandsAndParameters.h"
#include "core/NumberFormat.h"
#include "core/Wait.h"

#include <algorithm>

namespace vemra::graphs {

bool OneValuePerBand(int parameter) { return parameter >= 12 && parameter <= 16; }

QString ParameterTableText(const TableInput& in)
{
    const QString crlf = QStringLiteral("\r\n");
    const QChar tab = QLatin1Char('\t');
    const QString pattern = ParameterFormat(in.parameter);
    int w = 0;
    for (const QString& name : in.fileNames)
        w = std::max(w, int(name.size()));

    QString out = ParameterShortName(in.parameter) + QLatin1Char(' ') + ParameterUnit(in.parameter) + tab +
                  (in.octaves ? QStringLiteral("(Full Octave)") : QStringLiteral("(Third Octave)")) + crlf;

    const int blocks = in.hasTwoChannels && !OneValuePerBand(in.parameter) ? 2 : 1;
    for (int ch = 0; ch < blocks; ++ch) {
        out += QString(w, QLatin1Char(' '));
        for (int b = in.firstBand; b <= in.lastBand; ++b)
            out += tab + BandName(b);
        out += crlf + crlf;

        for (int f = 0; f < int(in.fileNames.size()); ++f) {
            out += PadRight(in.fileNames[f], w);
            for (int b = in.firstBand; b <= in.lastBand; ++b) {
                out += tab;
                if (const std::optional<float> v = in.value(f, ch, b))
                    out += FormatNumber(*v, pattern);
            }
            out += crlf;
        }
        out += crlf;

        if (in.fileNames.size() > 1 && in.statistics) {
            auto line = [&](const char* label, auto cell) {
                out += QString::fromLatin1(label).rightJustified(w);
                for (int b = in.firstBand; b <= in.lastBand; ++b)
                    out += tab + cell(in.statistics->at(in.parameter, ch, b));
                out += crlf;
            };
            auto number = [&](double BandStatistic::*field) {
                return [&, field](const BandStatistic& s) {
                    return s.count > 0 ? FormatNumber(s.*field, pattern) : QString();
                };
            };
            line("Number of Measurements", [](const BandStatistic& s) { return QString::number(s.count); });
            line("Standard Deviation", number(&BandStatistic::stdDev));
            line("Minimum", number(&BandStatistic::minimum));
            line("Maximum", number(&BandStatistic::maximum));
            out += crlf;
            line("Average", number(&BandStatistic::mean));
            out += crlf;
        }
        out += crlf + crlf;
    }
    return out;
}

} // namespace vemra::graphs
