#pragma once
// Runs a case of this benchmark program in a fresh process of it: the process starts this program again with
// "--vemra-fresh=<text>" and reads back up to eight numbers the child printed on one line. What a user waits for
// when a file is first read or analysed happens only once per process, so such cases cannot be repeated in one.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vemra::bench {

inline constexpr const char* kFreshSwitch = "--vemra-fresh=";

// The numbers the child printed (empty when it could not be run or printed none).
inline std::vector<double> runFresh(const std::string& childArgument)
{
    const std::string arg = kFreshSwitch + childArgument;
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    char self[] = "/proc/self/exe";
    char* argv[] = {self, const_cast<char*>(arg.c_str()), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::vector<double> numbers;
    if (rc == 0) {
        char buffer[512] = {};
        std::size_t got = 0;
        ssize_t r = 0;
        while (got + 1 < sizeof buffer && (r = read(fds[0], buffer + got, sizeof buffer - 1 - got)) > 0)
            got += static_cast<std::size_t>(r);
        double v[8];
        const int n = std::sscanf(buffer, "%lf %lf %lf %lf %lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3], &v[4],
                                  &v[5], &v[6], &v[7]);
        numbers.assign(v, v + std::max(0, n));
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            numbers.clear();
    }
    close(fds[0]);
    return numbers;
}

// The argument of a fresh child, or nullptr when this process is not one.
inline const char* freshArgument(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], kFreshSwitch, std::strlen(kFreshSwitch)) == 0)
            return argv[i] + std::strlen(kFreshSwitch);
    return nullptr;
}

// The main of a benchmark program whose children run in fresh processes: the registered benchmarks, 1 for an
// argument Google Benchmark does not know.
inline int RunRegisteredBenchmarks(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace vemra::bench
