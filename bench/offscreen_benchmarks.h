#pragma once
// The body of main for the benchmarks that open windows: private folders, the offscreen platform, and every prompt
// answered by the scripted user-interface services, so nothing waits for a user. Returns how many prompts the
// benchmarks showed (a benchmark that must show none fails on more).
#include "core/UiServices.h"
#include "support/private_dirs.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstddef>

namespace vemra::bench {

inline std::size_t RunOffscreenBenchmarks(int argc, char** argv)
{
    test::usePrivateDirs();
    // Offscreen unless the caller names a platform (QT_QPA_PLATFORM=xcb under Xvfb measures the X11 paths).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ScriptedUiServices scripted;
    UiServices::install(&scripted);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    UiServices::install(nullptr);
    return scripted.messages.size();
}

} // namespace vemra::bench
