#include "calibration/SystemCalStore.h"

#include "audio/SoundSysNames.h"
#include "core/NumberFormat.h"
#include "core/Settings.h"
#include "core/VemraError.h"

#include <QRegularExpression>
#include <QStringList>

#include <limits>
#include <set>

namespace vemra {

namespace {

const QString kCount = QStringLiteral("Count");
const char* const kFields[] = {"CalDesc", "CalData", "CalOrder"};
constexpr int kHighestOrder = 30; // no stimulus period is longer than 2^30 frames

QString key(int n, const char* field) { return QString::number(n) + QLatin1String(field); }

// The numbers that hold at least one key of a calibration.
std::set<int> numbersWithKeys()
{
    static const QRegularExpression entryKey(QStringLiteral("^(0|[1-9][0-9]{0,8})(CalDesc|CalData|CalOrder)$"));
    std::set<int> numbers;
    for (const QString& k : SettingKeys(kCalibrationSection)) {
        const QRegularExpressionMatch m = entryKey.match(k);
        if (!m.hasMatch())
            continue;
        const int n = m.captured(1).toInt();
        if (n < kMaxSystemCalibrations)
            numbers.insert(n);
    }
    return numbers;
}

int storedOrder(int n)
{
    return int(ReadInteger(kCalibrationSection, key(n, "CalOrder"), 1, kHighestOrder).value_or(0));
}

} // namespace

std::optional<SystemCalCodes> SystemCalRecordCodes(const QString& data)
{
    auto digit = [&](qsizetype i) -> std::optional<std::int16_t> {
        if (i >= data.size() || data[i] < QLatin1Char('0') || data[i] > QLatin1Char('9'))
            return std::nullopt;
        return std::int16_t(data[i].unicode() - '0');
    };
    const auto stimulus = digit(0), receiver = digit(2);
    if (!stimulus || !receiver)
        return std::nullopt;
    return SystemCalCodes{*stimulus, *receiver};
}

std::optional<std::array<float, 14>> SystemCalRecordGains(const QString& data)
{
    std::array<float, 14> gains{};
    qsizetype p = 3; // the second ';', after the two codes
    if (data.size() <= p || data[p] != QLatin1Char(';'))
        return std::nullopt;
    constexpr double kLargest = std::numeric_limits<float>::max();
    for (float& gain : gains) {
        const qsizetype q = data.indexOf(QLatin1Char(';'), p + 1);
        const std::optional<double> value =
            q < 0 ? std::nullopt : ParseNumber(data.mid(p + 1, q - p - 1), -kLargest, kLargest);
        if (!value)
            return std::nullopt;
        gain = float(*value);
        p = q;
    }
    return gains;
}

int SystemCalibrationSlots()
{
    int inUse = int(ReadInteger(kCalibrationSection, kCount, 0, kMaxSystemCalibrations).value_or(0));
    const std::set<int> numbers = numbersWithKeys();
    if (!numbers.empty())
        inUse = std::max(inUse, *numbers.rbegin() + 1);
    return inUse;
}

std::map<int, StoredSystemCal> StoredSystemCalibrations()
{
    std::map<int, StoredSystemCal> entries;
    for (const int n : numbersWithKeys())
        entries[n] = {GetSetting(kCalibrationSection, key(n, "CalDesc")),
                      GetSetting(kCalibrationSection, key(n, "CalData")), storedOrder(n)};
    return entries;
}

void SaveSystemCalibrationEntry(int n, const QString& description, const QString& data, int order)
{
    // A number past the last would be written where no reader looks: the calibration would be lost unseen.
    if (n < 0 || n >= kMaxSystemCalibrations)
        throw VemraError(9, QStringLiteral("Subscript out of range"));
    const int inUse = std::max(SystemCalibrationSlots(), n + 1);
    // Count is written whenever it does not say what is in use, so a garbled one mends itself.
    if (ReadInteger(kCalibrationSection, kCount, 0, kMaxSystemCalibrations) != std::optional<std::int64_t>(inUse))
        SaveSetting(kCalibrationSection, kCount, SignedBlank(inUse));
    SaveSetting(kCalibrationSection, key(n, "CalDesc"), description);
    SaveSetting(kCalibrationSection, key(n, "CalData"), data);
    if (order > 0)
        SaveSetting(kCalibrationSection, key(n, "CalOrder"), QString::number(order));
    else
        DeleteSetting(kCalibrationSection, key(n, "CalOrder"));
}

void DeleteSystemCalibration(int d)
{
    const int inUse = SystemCalibrationSlots();
    if (d < 0 || d >= inUse)
        return;
    for (int i = d + 1; i < inUse; ++i)
        for (const char* field : kFields) {
            if (HasSetting(kCalibrationSection, key(i, field)))
                SaveSetting(kCalibrationSection, key(i - 1, field), GetSetting(kCalibrationSection, key(i, field)));
            else
                DeleteSetting(kCalibrationSection, key(i - 1, field));
        }
    for (const char* field : kFields)
        DeleteSetting(kCalibrationSection, key(inUse - 1, field));
    SaveSetting(kCalibrationSection, kCount, SignedBlank(inUse - 1));
}

std::map<int, QString> SystemCalibrationsFor(std::int16_t stimulus, std::int16_t receiver, int order)
{
    std::map<int, QString> atOrder, everyOrder;
    for (const auto& [n, entry] : StoredSystemCalibrations()) {
        const std::optional<SystemCalCodes> codes = SystemCalRecordCodes(entry.data);
        if (!codes || codes->stimulus != stimulus || codes->receiver != receiver)
            continue;
        if (order > 0 && entry.order == order)
            atOrder[n] = entry.description;
        else if (order <= 0 || entry.order == 0)
            everyOrder[n] = entry.description;
    }
    // A response of unknown order may take any of them, as before calibrations knew their order.
    if (order <= 0)
        return everyOrder;
    return atOrder.empty() ? everyOrder : atOrder;
}

int StimulusOrderOfLength(std::int64_t frames)
{
    for (int n = 2; n <= kHighestOrder; ++n) {
        const std::int64_t period = std::int64_t{1} << n;
        if (frames == period || frames == period - 1)
            return n;
    }
    return 0;
}

} // namespace vemra
