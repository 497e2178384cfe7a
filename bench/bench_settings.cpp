// The settings store with the longest sound-card calibration it takes: four gain curves of the volume control's
// whole table (32,768 steps each). Reading the record as the mixer loads it (the entries decoded from the file's
// text and the curves parsed), and parsing the file's text into its entries as at start-up.
#include "audio/CalibrationRecord.h"
#include "audio/clsVolume.h"
#include "core/Settings.h"
#include "core/SettingsIni.h"
#include "support/private_dirs.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QString>

#include <cstdlib>

using namespace vemra;

namespace {

const QString kSection = QStringLiteral("SoundSys\\Longest - 48000");
constexpr int kSteps = clsVolume::kMaxStep + 1;

// The store holding the record, written to the file and read back from it once per process.
void storeLongestRecord()
{
    static const bool stored = [] {
        test::usePrivateDirs();
        QString curve = QStringLiteral(" 126260128;");
        for (int i = 0; i < kSteps; ++i)
            curve += QStringLiteral(" %1=%2;").arg(65535 - i).arg(-i / 100.0, 0, 'f', 2);
        for (const char* key : {"Pm", "Rm", "Ps", "Rs"})
            SaveSetting(kSection, QLatin1String(key), curve);
        if (!FlushSettings())
            std::abort();
        ReloadSettings();
        return true;
    }();
    (void)stored;
}

void readRecord(benchmark::State& state)
{
    storeLongestRecord();
    for (auto _ : state) {
        const CalibrationRecord r = ReadCalibrationRecord(kSection);
        if (r.curves[0].steps.size() != std::size_t(kSteps))
            state.SkipWithError("the curve was not read whole");
        benchmark::DoNotOptimize(r);
    }
    state.counters["steps_per_curve"] = kSteps;
}

void parseFile(benchmark::State& state)
{
    storeLongestRecord();
    QFile f(SettingsFilePath());
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray file = f.readAll();
    for (auto _ : state) {
        const QSettings::SettingsMap entries = ReadIniText(file);
        benchmark::DoNotOptimize(entries);
    }
    state.counters["bytes"] = double(file.size());
}

} // namespace

BENCHMARK(readRecord)->Name("LongestGainCurves/read_record")->Unit(benchmark::kMillisecond);
BENCHMARK(parseFile)->Name("LongestGainCurves/parse_file")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
