#include "tables/ParameterRows.h"

#include "document/clsWave.h"
#include "library/Codes.h"

namespace vemra::tables {

TableRow ChannelRow(const QString& fileLabel, const QString& printLabel, ChannelMember member, ChannelTest valid,
                    const QString& format, const QString& printFormat)
{
    return {fileLabel, printLabel, [=](clsWave& w, int ch, int b) {
                const double v = (w.*member)(ch, b);
                return ValueCell(valid(w, ch, b, v), v, format, printFormat);
            }};
}

TableRow BandRow(const QString& label, BandMember member, std::function<bool(int receiver)> receiverFits)
{
    return {label, label, [=](clsWave& w, int, int b) {
                if (!receiverFits(w.Receiver()))
                    return NoValueCell();
                const double v = (w.*member)(b);
                return ValueCell(v >= 0, v, QStringLiteral("0.00"), QStringLiteral("0.00 "));
            }};
}

TableRow LFCRow()
{
    return BandRow(QStringLiteral("LFC  [-]:"), &clsWave::LFC, [](int r) { return r == ReceiverOmniOmniProbe; });
}

TableRow IACCRow(int which)
{
    static constexpr BandMember members[] = {&clsWave::IACC1, &clsWave::IACC2, &clsWave::IACC3};
    return BandRow(QStringLiteral("IACC%1  [-]:").arg(which), members[which - 1],
                   [](int r) { return r == ReceiverHead; });
}

TableRow CentreTimeRow()
{
    return {QStringLiteral("Ts  [ms]:"), QStringLiteral("Ts [ms]:"), [](clsWave& w, int ch, int b) {
                const double v = w.ts(ch, b);
                return ValueCell(Below100(v), v * 1000, QStringLiteral("0.0"), QStringLiteral("0.0  "));
            }};
}

TableRow C80Row()
{
    return ChannelRow(QStringLiteral("C80 [dB]:"), QStringLiteral("C80 [dB]:"), &clsWave::C80,
                      [](clsWave&, int, int, double v) { return Below100(v); });
}

TableRow D50Row()
{
    return ChannelRow(QStringLiteral("D50  [-]:"), QStringLiteral("D50  [-]:"), &clsWave::D50,
                      [](clsWave&, int, int, double) { return true; });
}

} // namespace vemra::tables
