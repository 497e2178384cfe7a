#include "library/files/FileIo.h"
#include "library/Messages.h"
#include "library/files/ResponseFile.h"
#include "library/files/TempFiles.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vemra;
namespace fs = std::filesystem;

namespace {

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::span<const std::uint8_t> bytesOf(const std::string& s)
{
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::size_t filesIn(const std::string& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

} // namespace

TEST(AtomicSave, ReplacesTheTargetAndKeepsItsMode)
{
    const std::string folder = test::privateRoot() + "/atomic1";
    fs::create_directories(folder);
    const std::string path = folder + "/r.wav";
    ASSERT_EQ(files::writeFileAtomically(path, bytesOf("first")), Ok);
    ::chmod(path.c_str(), 0640);
    ASSERT_EQ(files::writeFileAtomically(path, bytesOf("second")), Ok);
    EXPECT_EQ(contents(path), "second");
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(filesIn(folder), 1u) << "no temporary file is left beside the target";
}

TEST(AtomicSave, FailureLeavesTheExistingFile)
{
    const std::string folder = test::privateRoot() + "/atomic2";
    fs::create_directories(folder + "/target.wav"); // a folder where the file should go: the rename fails
    EXPECT_EQ(files::writeFileAtomically(folder + "/target.wav", bytesOf("data")), msg::CannotWrite);
    EXPECT_TRUE(fs::is_directory(folder + "/target.wav"));
    EXPECT_EQ(filesIn(folder), 1u);

    EXPECT_EQ(files::writeFileAtomically(folder + "/missing/x.wav", bytesOf("data")), msg::CannotCreateFile);

    // A save the writer refuses never touches the existing file.
    const std::string path = folder + "/keep.wav";
    ASSERT_EQ(files::writeFileAtomically(path, bytesOf("precious")), Ok);
    WaveHeader h;
    h.format.Channels = 3;
    h.format.SampleFrequency = 8000;
    EXPECT_NE(files::writeResponse(path, h, std::vector<std::int16_t>(3, 0)), Ok);
    EXPECT_EQ(contents(path), "precious");
}

// A save killed in its write leaves its temporary file; the next save into the folder removes it, but neither a
// file a live save is still writing nor a user's file whose name only resembles it.
TEST(AtomicSave, TheNextSaveRemovesWhatAKilledSaveLeftAndNothingElse)
{
    const std::string folder = test::privateRoot() + "/killed";
    fs::create_directories(folder);
    const std::string target = folder + "/r.wav";
    ASSERT_EQ(files::writeFileAtomically(target, bytesOf("old")), Ok);

    // The file-size limit stops the child inside its write, as a kill would: its lock dies with it.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::prctl(PR_SET_DUMPABLE, 0);
        const rlimit none{0, 0}, small{4096, 4096};
        ::setrlimit(RLIMIT_CORE, &none);
        ::setrlimit(RLIMIT_FSIZE, &small);
        const std::string big(65536, 'x');
        files::writeFileAtomically(target, bytesOf(big));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "the child's save was not cut off";
    std::string left;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename() != "r.wav")
            left = e.path().filename().string();
    ASSERT_FALSE(left.empty()) << "the killed save left nothing to clean";
    ASSERT_EQ(filesIn(folder), 2u);
    // mkstemp's six hold digits as well as letters: a dead save's file with digits is as stale.
    const std::string withDigits = ".r.wav.vemra-0a1B2c";
    ASSERT_NE(left, withDigits);
    std::ofstream(folder + "/" + withDigits) << "left";

    // Names a user may give a file of his own, each one step from the left-over's.
    std::string otherLetter = left;
    otherLetter.back() = otherLetter.back() == 'a' ? 'b' : 'a';
    std::string notALetter = left;
    notALetter.back() = '-';
    // The last: the name ".r.wav.XXXXXX" without the program's mark, as other programs' saves make them.
    const std::string withoutMark = left.substr(0, left.size() - 13) + "." + left.substr(left.size() - 6);
    const std::vector<std::string> users = {left.substr(1), left.substr(0, left.size() - 1), left + ".txt",
                                            notALetter, withoutMark};
    for (const std::string& name : users)
        std::ofstream(folder + "/" + name) << "mine";
    // A link of the program's name is no file of a save: neither it nor what it points at goes.
    std::string linkName = left;
    linkName.back() = linkName.back() == 'c' ? 'd' : 'c';
    const std::string victim = folder + "/victim";
    std::ofstream(victim) << "mine";
    fs::create_symlink(victim, folder + "/" + linkName);
    // A live save: another descriptor holds the lock on a file of the program's name.
    const std::string live = folder + "/" + otherLetter;
    std::ofstream(live) << "being written";
    const int liveFd = ::open(live.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(liveFd, 0);
    ASSERT_EQ(::flock(liveFd, LOCK_EX | LOCK_NB), 0);

    ASSERT_EQ(files::writeFileAtomically(target, bytesOf("new")), Ok);
    EXPECT_EQ(contents(target), "new");
    EXPECT_FALSE(fs::exists(folder + "/" + left)) << "the killed save's file stays";
    EXPECT_FALSE(fs::exists(folder + "/" + withDigits)) << "a stale file whose name holds digits stays";
    for (const std::string& name : users) {
        SCOPED_TRACE(name);
        EXPECT_EQ(contents(folder + "/" + name), "mine");
    }
    EXPECT_TRUE(fs::is_symlink(folder + "/" + linkName));
    EXPECT_EQ(contents(victim), "mine");
    EXPECT_EQ(contents(live), "being written") << "a live save's file went";

    // Once its writer is gone, that file is stale as well.
    ::close(liveFd);
    ASSERT_EQ(files::writeFileAtomically(target, bytesOf("newer")), Ok);
    EXPECT_FALSE(fs::exists(live));
    EXPECT_EQ(filesIn(folder), 1u + users.size() + 2u);
}

TEST(TempNames, OnlyIssuedNamesAreDeleted)
{
    const std::string name = files::issueTempName();
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.rfind(files::tempFolder() + "/", 0), 0u);
    EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
    EXPECT_TRUE(fs::exists(name)) << "the name is taken at once";
    EXPECT_NE(files::issueTempName(), name);

    const std::string users = test::privateRoot() + "/x.tmp";
    std::ofstream(users) << "mine";
    EXPECT_FALSE(files::isIssuedTempName(users));
    EXPECT_FALSE(files::removeTempFile(users));
    EXPECT_TRUE(fs::exists(users));

    EXPECT_TRUE(files::isIssuedTempName(name));
    EXPECT_TRUE(files::removeTempFile(name));
    EXPECT_FALSE(fs::exists(name));
    EXPECT_FALSE(files::isIssuedTempName(name));
}

TEST(TempNames, DataFolderFollowsTheSettingOrTheDefault)
{
    files::setDataFolder("/some/where/");
    EXPECT_EQ(files::dataFolder(), "/some/where");
    EXPECT_EQ(files::timTemplatePath(), "/some/where/timsetup.dat");
    files::setDataFolder("");
    EXPECT_EQ(files::dataFolder().substr(files::dataFolder().size() - 12), "/Vemra/Vemra");
}

TEST(ResponseReading, OnlyRegularFilesAreReadAndOthersAreRefusedAtOnce)
{
    const std::string folder = test::privateRoot() + "/special";
    fs::create_directories(folder);
    const std::string fifo = folder + "/pipe.wav";
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, folder, std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        WaveHeader h;
        std::vector<std::int16_t> samples;
        auto read = std::async(std::launch::async, [&] { return files::readResponse(path, h, &samples); });
        if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "the reader waits on the file";
            // A writer lets the waiting open return, so the test ends.
            const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
            read.wait();
            ::close(writer);
        }
        EXPECT_EQ(read.get(), msg::CannotRead);
    }
}
