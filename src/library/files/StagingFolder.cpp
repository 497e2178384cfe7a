// The staging folder, its lock, the all-or-none replacement and the removal of what killed makers left behind.
#include "library/files/StagingFolder.h"

#include "library/api_common.h"
#include "library/files/FileIo.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vemra::files {

namespace {

constexpr std::string_view kMark = ".staging-";
constexpr std::string_view kLockName = ".lock";
constexpr int kCreateAttempts = 4;

bool isStagingName(std::string_view name)
{
    return name.size() > kMark.size() && name.substr(0, kMark.size()) == kMark
           && isMkstempEnding(name.substr(kMark.size()));
}

// The descriptor's file still has this name: a cleaner did not remove it before the lock was taken.
bool stillNamed(int fd, const std::string& path)
{
    struct stat opened {}, named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev
           && opened.st_ino == named.st_ino;
}

void removeTree(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored); // never follows a link inside
}

bool copyBytes(const std::string& from, const std::string& to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (in < 0)
        return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    bool ok = out >= 0;
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            ok = errno == EINTR;
            continue;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
            if (w >= 0)
                done += w;
            else
                ok = errno == EINTR;
        }
    }
    ok = ok && ::fsync(out) == 0;
    if (out >= 0)
        ::close(out);
    ::close(in);
    if (!ok)
        ::unlink(to.c_str());
    return ok;
}

// The earlier file kept under another name; a hard link costs nothing and keeps the very file.
bool keep(const std::string& target, const std::string& kept)
{
    return ::link(target.c_str(), kept.c_str()) == 0 || copyBytes(target, kept);
}

bool defaultStep(const std::string& from, const std::string& to) { return replaceFileAtomically(from, to) == Ok; }

} // namespace

StagingFolder::StagingFolder(const std::string& parent)
{
    removeStale(parent);
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        std::string folder = parent + "/" + std::string(kMark) + "XXXXXX";
        if (!::mkdtemp(folder.data()))
            return;
        const std::string lock = folder + "/" + std::string(kLockName);
        const int fd = ::open(lock.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(fd, lock)) {
            path_ = std::move(folder);
            lockFd_ = fd;
            return;
        }
        // A cleaner took the fresh folder for stale before it was held, and removes it; or the lock file could not
        // be made, and the empty folder goes here.
        if (fd >= 0)
            ::close(fd);
        else
            ::rmdir(folder.c_str());
    }
}

StagingFolder::~StagingFolder()
{
    if (lockFd_ < 0)
        return;
    // Removed while still held, so that no cleaner works on it at the same time.
    removeTree(path_);
    ::close(lockFd_);
}

std::string StagingFolder::filePath(std::string_view name) const { return path_ + "/" + std::string(name); }

StagingFolder::Outcome StagingFolder::replaceTargets(std::span<const Move> moves, const RenameStep& step)
{
    const RenameStep put = step ? step : RenameStep(defaultStep);
    struct Earlier {
        std::string kept;
        bool existed = false;
    };
    std::vector<Earlier> earlier(moves.size());
    // Every earlier file kept before the first is replaced, so that a failure here changes nothing.
    for (std::size_t i = 0; i < moves.size(); ++i) {
        struct stat st {};
        earlier[i].kept = filePath(".kept-" + std::to_string(i));
        if (::lstat(moves[i].target.c_str(), &st) == 0)
            earlier[i].existed = true;
        else if (errno != ENOENT)
            return {false, i, true};
        if (earlier[i].existed && !keep(moves[i].target, earlier[i].kept))
            return {false, i, true};
    }
    for (std::size_t i = 0; i < moves.size(); ++i) {
        if (put(moves[i].staged, moves[i].target))
            continue;
        bool restored = true;
        for (std::size_t j = i; j-- > 0;) {
            const std::string& target = moves[j].target;
            if (earlier[j].existed)
                restored = put(earlier[j].kept, target) && restored;
            else
                restored = (::unlink(target.c_str()) == 0 || errno == ENOENT) && restored;
        }
        return {false, i, restored};
    }
    return {true, moves.size(), true};
}

void StagingFolder::removeStale(const std::string& parent)
{
    DIR* dir = ::opendir(parent.c_str());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    const uid_t me = ::geteuid();
    std::vector<std::string> folders;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat st {};
        if (isStagingName(name) && ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISDIR(st.st_mode) && st.st_uid == me)
            folders.push_back(parent + "/" + name);
    }
    ::closedir(dir);
    for (const std::string& folder : folders) {
        const std::string lock = folder + "/" + std::string(kLockName);
        // A folder without its lock file lost its maker before the maker held it; the lock file made here keeps a
        // maker in that very instant from taking the folder while it goes.
        int fd = ::open(lock.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno == EEXIST)
            fd = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(fd, lock))
            removeTree(folder);
        ::close(fd);
    }
}

} // namespace vemra::files
