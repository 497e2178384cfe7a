// The atomic save, and the removal of what killed saves left behind.
//
// A save's temporary file is ".<name>.vemra-XXXXXX" (mkstemp's six characters) and carries an exclusive flock(2) from
// the moment it is made until it has been renamed or deleted. The kernel drops the lock with the last descriptor,
// so a save that was killed leaves a file whose lock anyone can take: that is what "stale" means, and only a
// stale file of exactly this name, a regular file of our own user, is removed. The lock is taken right after
// mkstemp; if a cleaner takes it in that instant, the save gives the name up and makes another.
#include "library/Messages.h"
#include "library/files/FileIo.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vemra::files {

// glibc's mkstemp and mkdtemp fill the six with ASCII letters and digits alike (unlike Qt's names, which hold no
// digit), so a dead save's file may end in digits or in a word. What keeps a user's copy out is the hidden name with
// the program's mark around the six, which nobody gives a copy of his own.
bool isMkstempEnding(std::string_view ending)
{
    if (ending.size() != 6)
        return false;
    for (const char c : ending)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

namespace {

constexpr std::string_view kSaveMark = ".vemra-";
constexpr std::size_t kUniqueLetters = 6; // mkstemp's XXXXXX

bool isSaveFileName(std::string_view name)
{
    const std::size_t tail = kSaveMark.size() + kUniqueLetters;
    if (name.size() < tail || name.front() != '.')
        return false;
    const std::string_view end = name.substr(name.size() - tail);
    return end.substr(0, kSaveMark.size()) == kSaveMark && isMkstempEnding(end.substr(kSaveMark.size()));
}

// Stale: its lock can be taken, so the save that made it is gone.
bool isUnlocked(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

VResult writeError(int err) { return err == ENOSPC || err == EDQUOT ? msg::DiskFull : msg::CannotWrite; }

// A new temporary file beside the target, locked; -1 when none can be made.
int createSaveFile(const std::string& folderPrefix, const std::string& base, std::string& temp)
{
    // The name must fit NAME_MAX with our mark; the target's own name is only a hint to whoever finds the file.
    const std::size_t room = NAME_MAX - 1 - kSaveMark.size() - kUniqueLetters;
    for (int attempt = 0; attempt < 4; ++attempt) {
        temp = folderPrefix + "." + base.substr(0, room) + std::string(kSaveMark) + std::string(kUniqueLetters, 'X');
        const int fd = ::mkstemp(temp.data());
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return fd;
        // Another save's cleaner took the fresh file for stale before we could lock it; it removes the file.
        ::close(fd);
        ::unlink(temp.c_str());
    }
    return -1;
}

// Makes the rename itself durable; some file systems refuse to sync a folder, which costs only that.
void syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// The folder a path lies in, as open(2) takes it.
std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

void removeLeftOverFiles(const std::string& folder, const std::function<bool(std::string_view name)>& leftOver,
                         const std::function<bool(int fd)>& stale)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    const uid_t me = ::geteuid();
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (!leftOver(name))
            continue;
        const int fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat opened {};
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == me && stale(fd)) {
            // A live save may have renamed its file over its target since we opened it: only the very file
            // judged stale goes, and only while it still has this name.
            struct stat named {};
            if (::fstatat(dirFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev &&
                named.st_ino == opened.st_ino)
                ::unlinkat(dirFd, name, 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

VResult writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    const auto slash = path.rfind('/');
    const std::string folderPrefix = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string folder = folderPrefix.empty() ? std::string(".") : folderPrefix;
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty())
        return msg::CannotCreateFile;

    removeLeftOverFiles(folder, isSaveFileName, isUnlocked);
    std::string temp;
    const int fd = createSaveFile(folderPrefix, base, temp);
    if (fd < 0)
        return msg::CannotCreateFile;

    auto fail = [&](VResult r) {
        ::unlink(temp.c_str());
        ::close(fd);
        return r;
    };

    // mkstemp makes the file private; give it the target's mode, or what a new file would get.
    struct stat st {};
    mode_t mode;
    if (::stat(path.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(writeError(errno));
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0)
        return fail(writeError(errno));
    // Renamed while still locked, so no cleaner can take the file for stale until it has its final name.
    if (::rename(temp.c_str(), path.c_str()) != 0)
        return fail(msg::CannotWrite);
    ::close(fd);
    syncFolder(folder);
    return Ok;
}

VResult replaceFileAtomically(const std::string& from, const std::string& to)
{
    // The data first: a rename that reaches the disk before them would leave an empty file under the name.
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
    if (fd < 0)
        return msg::CannotWrite;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced || ::rename(from.c_str(), to.c_str()) != 0)
        return msg::CannotWrite;
    syncFolder(folderOf(to));
    if (const std::string source = folderOf(from); source != folderOf(to))
        syncFolder(source);
    return Ok;
}

} // namespace vemra::files
