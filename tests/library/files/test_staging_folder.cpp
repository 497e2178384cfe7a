// The staging folder: a set of files put in place all or none, and the folders of makers that died removed while
// a held one, and everything that is no such folder, stays.
#include "library/files/FileIo.h"
#include "library/files/StagingFolder.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace vemra;
using files::StagingFolder;
namespace fs = std::filesystem;

namespace {

std::string freshFolder(const std::string& name)
{
    const std::string f = test::privateRoot() + "/staging/" + name;
    fs::remove_all(f);
    fs::create_directories(f);
    return f;
}

void put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The folder a maker leaves when it dies after holding its folder: made in a child process that ends without
// removing it, so the kernel drops its lock as it would for a killed program.
std::string folderOfAMakerThatDied(const std::string& parent)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        auto* staging = new StagingFolder(parent); // never destroyed: the process ends as a killed one would
        put(staging->filePath("made.pcm"), "half a set");
        const std::string& path = staging->path();
        const bool told = ::write(pipeFds[1], path.data(), path.size()) == ssize_t(path.size());
        ::_exit(staging->ok() && told ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string path;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        path.append(buffer, std::size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? path : std::string();
}

} // namespace

// A set of three files, the middle one new: a failure at any of them leaves the earlier set byte for byte (the new
// one absent again), and says which; without one, every file is the new one. A put-back that fails is told.
TEST(StagingFolder, AFailureAtAnyFileOfTheSetLeavesTheEarlierSetWhole)
{
    struct Case {
        const char* name;
        std::optional<std::size_t> failAt;
        bool putBackFails;
    };
    const Case cases[] = {
        {"first", 0, false}, {"middle", 1, false}, {"last", 2, false}, {"none", std::nullopt, false},
        {"last, and the put-back of the first", 2, true},
    };
    const char* const names[] = {"a_mls.pcm", "b_mls.pcm", "c_swp.pcm"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string parent = freshFolder("set");
        put(parent + "/a_mls.pcm", "earlier a");
        put(parent + "/c_swp.pcm", "earlier c");
        put(parent + "/other.pcm", "not in the set");
        std::optional<StagingFolder> staging(std::in_place, parent);
        ASSERT_TRUE(staging->ok());
        std::vector<StagingFolder::Move> moves;
        for (const char* name : names) {
            put(staging->filePath(name), std::string("new ") + name);
            moves.push_back({staging->filePath(name), parent + "/" + name});
        }
        auto step = [&](const std::string& from, const std::string& to) {
            const bool putBack = fs::path(from).filename() != fs::path(to).filename();
            if (c.failAt && !putBack && to == moves[*c.failAt].target)
                return false;
            if (c.putBackFails && putBack && to == moves[0].target)
                return false;
            return files::replaceFileAtomically(from, to) == Ok;
        };

        const StagingFolder::Outcome outcome = staging->replaceTargets(moves, step);
        staging.reset();
        EXPECT_EQ(outcome.replaced, !c.failAt);
        EXPECT_EQ(contents(parent + "/other.pcm"), "not in the set");
        for (const auto& e : fs::directory_iterator(parent))
            EXPECT_NE(e.path().filename().string().rfind(".staging-", 0), 0u) << "left behind: " << e.path();
        if (!c.failAt) {
            for (const char* name : names)
                EXPECT_EQ(contents(parent + "/" + name), std::string("new ") + name);
            continue;
        }
        EXPECT_EQ(outcome.failed, *c.failAt);
        EXPECT_EQ(outcome.restored, !c.putBackFails);
        EXPECT_EQ(contents(parent + "/a_mls.pcm"), c.putBackFails ? "new a_mls.pcm" : "earlier a");
        EXPECT_EQ(contents(parent + "/c_swp.pcm"), "earlier c");
        EXPECT_FALSE(fs::exists(parent + "/b_mls.pcm")) << "a file the earlier set did not have";
    }
}

// Each new staging folder removes the folders of makers that died, with or without their lock file, and nothing
// else: a folder still held, a name that is not exactly a staging folder's, a file, and a link (nor what it points
// at) all stay.
TEST(StagingFolder, FoldersOfMakersThatDiedGoAndEverythingElseStays)
{
    const std::string parent = freshFolder("stale");
    const std::string elsewhere = freshFolder("elsewhere");
    put(elsewhere + "/precious", "keep");

    const std::string died = folderOfAMakerThatDied(parent);
    ASSERT_FALSE(died.empty());
    ASSERT_TRUE(fs::exists(died + "/made.pcm"));
    const std::string diedUnheld = parent + "/.staging-Ab12Cd"; // died before it held its folder
    fs::create_directories(diedUnheld);
    put(diedUnheld + "/made.pcm", "half");

    auto held = std::make_unique<StagingFolder>(parent);
    ASSERT_TRUE(held->ok());
    put(held->filePath("made.pcm"), "in the making");
    const std::string heldPath = held->path();

    const std::vector<std::string> others = {parent + "/.staging-abc", parent + "/staging-ABCDEF",
                                             parent + "/.staging-ABCDEFG"};
    for (const std::string& f : others) {
        fs::create_directories(f);
        put(f + "/inside", "keep");
    }
    put(parent + "/.staging-QWERTY", "a file of that name");
    fs::create_directory_symlink(elsewhere, parent + "/.staging-Zz9Zz9");

    StagingFolder next(parent);
    ASSERT_TRUE(next.ok());
    EXPECT_FALSE(fs::exists(died)) << "its maker died holding it";
    EXPECT_FALSE(fs::exists(diedUnheld)) << "its maker died before holding it";
    EXPECT_EQ(contents(heldPath + "/made.pcm"), "in the making");
    for (const std::string& f : others)
        EXPECT_EQ(contents(f + "/inside"), "keep") << f;
    EXPECT_EQ(contents(parent + "/.staging-QWERTY"), "a file of that name");
    EXPECT_TRUE(fs::is_symlink(parent + "/.staging-Zz9Zz9"));
    EXPECT_EQ(contents(elsewhere + "/precious"), "keep");

    held.reset();
    EXPECT_FALSE(fs::exists(heldPath)) << "a maker removes its own folder";
    EXPECT_TRUE(fs::exists(next.path()));
}
