// A race run by hand: a 16 MB stereo response is cut short by another thread at a random moment while it is
// opened, as a recorder or a copy still writing it would, through the library's open path (GetWaveHeader then
// OpenWave) and through the document layer as File > Open loads a file (a new document, setFileName). Each try runs
// in a process of its own, beside another open document, so a crash is counted rather than ending the run.
//   truncation_race [tries per path, default 40]
// Prints each try and a summary per path; exits 1 when a try crashed, when a read ended in anything but the
// whole file or message 207 although the cut came after the read had begun, or when the other document changed.
#include "core/UiServices.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/Messages.h"
#include "library/WaveStore.h"
#include "library/api.h"
#include "library/files/ResponseFile.h"
#include "support/private_dirs.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vemra;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::int64_t kFrames = 4194304;

std::int16_t sampleAt(std::int64_t i, int channel)
{
    return static_cast<std::int16_t>((i * (channel ? 7919 : 104729)) % 60001 - 30000);
}

std::vector<std::uint8_t> responseBytes(std::int64_t frames)
{
    std::vector<std::int16_t> s(static_cast<std::size_t>(frames) * 2);
    for (std::int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < 2; ++c)
            s[static_cast<std::size_t>(2 * i + c)] = sampleAt(i, c);
    WaveHeader h;
    files::setPcm16Format(h, 2, 48000, frames);
    std::vector<std::uint8_t> bytes;
    if (files::encodeResponse(files::FileKind::Wav, h, s, bytes) != Ok)
        std::abort();
    return bytes;
}

void save(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// True when the open samples are the file's, every one.
bool samplesWhole(const WaveHeader& h, std::int64_t frames)
{
    for (int c = 0; c < 2; ++c) {
        const auto s = WaveStore::samples(h, c);
        if (static_cast<std::int64_t>(s.size()) != frames)
            return false;
        for (std::int64_t i = 0; i < frames; ++i)
            if (s[static_cast<std::size_t>(i)] != sampleAt(i, c))
                return false;
    }
    return true;
}

double since(Clock::time_point t0, Clock::time_point t) { return std::chrono::duration<double, std::micro>(t - t0).count(); }

struct Try {
    double delay_us;
    off_t cutTo;
};

// One try, in the child: the outcome as a line "<kind> <detail>", kind one of whole, 207, early, wrong, other-changed.
std::string runTry(bool program, const std::string& path, const std::string& otherPath, const Try& t)
{
    const std::int64_t otherFrames = 4096;
    std::string outcome;
    auto cutter = [&](Clock::time_point& cutAt) {
        std::this_thread::sleep_for(std::chrono::duration<double, std::micro>(t.delay_us));
        if (::truncate(path.c_str(), t.cutTo) != 0)
            std::perror("truncate");
        cutAt = Clock::now();
    };
    Clock::time_point cutAt, readStart, t0;
    VResult r = Ok;
    bool whole = false, otherIntact = false;
    if (program) {
        auto& ui = static_cast<ScriptedUiServices&>(UiServices::get());
        clsWave* other = WaveByKey(NewWave(false));
        other->setFileName(QString::fromStdString(otherPath));
        clsWave* w = WaveByKey(NewWave(false));
        ui.clear();
        t0 = readStart = Clock::now();
        std::thread cut(cutter, std::ref(cutAt));
        w->setFileName(QString::fromStdString(path));
        cut.join();
        r = ui.messages.empty() ? Ok : ui.messages.front().helpContext;
        if (ui.messages.size() > 1)
            outcome = "wrong several messages ";
        whole = w->Valid() && samplesWhole(w->header(), kFrames);
        otherIntact = other->Valid() && samplesWhole(other->header(), otherFrames);
        w->Die();
        other->Die();
    } else {
        WaveHeader other;
        writeFileNameField(other, otherPath);
        OpenWave(other);
        WaveHeader h;
        writeFileNameField(h, path);
        t0 = Clock::now();
        std::thread cut(cutter, std::ref(cutAt));
        r = GetWaveHeader(h);
        readStart = Clock::now(); // the open read: what failed there was cut after this unless it was cut before
        if (r == Ok)
            r = OpenWave(h);
        cut.join();
        whole = r == Ok && samplesWhole(h, kFrames);
        otherIntact = samplesWhole(other, otherFrames);
        CloseWave(h);
        CloseWave(other);
    }
    char detail[160];
    std::snprintf(detail, sizeof detail, "message %d, cut to %lld bytes %.0f us after the start (read began at %.0f us)",
                  r, static_cast<long long>(t.cutTo), since(t0, cutAt), since(t0, readStart));
    if (!otherIntact)
        return "other-changed " + std::string(detail);
    if (!outcome.empty())
        return outcome + detail;
    if (r == Ok)
        return (whole ? "whole " : "wrong ") + std::string(detail);
    if (r == msg::CannotRead)
        return "207 " + std::string(detail);
    // The file's own message is right only for a file that was already short when the read that failed began.
    return (cutAt <= readStart ? "early " : "wrong ") + std::string(detail);
}

} // namespace

int main(int argc, char** argv)
{
    const int tries = argc > 1 ? std::atoi(argv[1]) : 40;
    test::usePrivateDirs();
    const std::string folder = test::privateRoot();
    const std::string path = folder + "/race.wav", otherPath = folder + "/other.wav";
    const std::vector<std::uint8_t> bytes = responseBytes(kFrames);
    save(otherPath, responseBytes(4096));

    // How long an undisturbed open takes: the cuts fall within one and a half of it.
    save(path, bytes);
    const auto t0 = Clock::now();
    {
        WaveHeader h;
        writeFileNameField(h, path);
        if (GetWaveHeader(h) != Ok || OpenWave(h) != Ok)
            return 2;
        CloseWave(h);
    }
    const double open_us = since(t0, Clock::now());
    std::printf("an undisturbed open takes %.0f us; %zu bytes\n", open_us, bytes.size());

    std::mt19937_64 random(20261211);
    int failures = 0;
    for (const bool program : {false, true}) {
        const char* name = program ? "document layer" : "library";
        std::map<std::string, int> tally;
        for (int i = 0; i < tries; ++i) {
            const Try t{std::uniform_real_distribution<double>(0, 1.5 * open_us)(random),
                        i % 2 ? 0 : static_cast<off_t>(std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(random))};
            save(path, bytes);
            int pipeFds[2];
            if (::pipe(pipeFds) != 0)
                return 2;
            std::fflush(stdout);
            const pid_t child = ::fork();
            if (child == 0) {
                ::close(pipeFds[0]);
                std::string line;
                if (program) {
                    qputenv("QT_QPA_PLATFORM", "offscreen");
                    int qargc = 1;
                    QApplication app(qargc, argv);
                    ScriptedUiServices ui;
                    UiServices::install(&ui);
                    line = runTry(true, path, otherPath, t);
                    UiServices::install(nullptr);
                } else {
                    line = runTry(false, path, otherPath, t);
                }
                if (::write(pipeFds[1], line.data(), line.size()) < 0)
                    ::_exit(3);
                ::_exit(0);
            }
            ::close(pipeFds[1]);
            std::string line;
            char buf[256];
            for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
                line.append(buf, static_cast<std::size_t>(n));
            ::close(pipeFds[0]);
            int status = 0;
            ::waitpid(child, &status, 0);
            if (WIFSIGNALED(status))
                line = "crash signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
            else if (line.empty())
                line = "crash exit " + std::to_string(WEXITSTATUS(status));
            const std::string kind = line.substr(0, line.find(' '));
            ++tally[kind];
            if (kind != "whole" && kind != "207" && kind != "early")
                ++failures;
            std::printf("%s %2d: %s\n", name, i + 1, line.c_str());
        }
        std::printf("== %s:", name);
        for (const auto& [kind, count] : tally)
            std::printf(" %s %d", kind.c_str(), count);
        std::printf("\n");
    }
    return failures ? 1 : 0;
}
