#include "library/files/FileIo.h"

#include "library/Messages.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vemra::files {

MappedFile::MappedFile(const std::string& path)
{
    // Without O_NONBLOCK opening a FIFO waits for a writer, and a terminal may become ours: only a regular file
    // is read, and that is known only once it is open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    size_ = static_cast<std::size_t>(st.st_size);
    if (size_ > 0) {
        void* p = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            ::close(fd);
            size_ = 0;
            return;
        }
        data_ = static_cast<const std::uint8_t*>(p);
        mapped_ = true;
    }
    ::close(fd);
    ok_ = true;
}

void MappedFile::releaseBefore(std::size_t offset) const
{
    if (!mapped_)
        return;
    // In steps of 2 MB: each release flushes the processor's address cache, and the file may sit on huge pages.
    constexpr std::size_t kStep = std::size_t(2) << 20;
    const std::size_t end = std::min(offset, size_) / kStep * kStep;
    if (end <= released_)
        return;
    // The mapping is private and never written: dropped pages read the file again.
    ::madvise(const_cast<std::uint8_t*>(data_) + released_, end - released_, MADV_DONTNEED);
    released_ = end;
}

MappedFile::~MappedFile()
{
    if (mapped_)
        ::munmap(const_cast<std::uint8_t*>(data_), size_);
}

namespace {

VResult writeError(int err) { return err == ENOSPC || err == EDQUOT ? msg::DiskFull : msg::CannotWrite; }

} // namespace

VResult writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty())
        return msg::CannotCreateFile;
    std::string temp = (slash == std::string::npos ? std::string() : folder) + "." + base + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return msg::CannotCreateFile;

    auto fail = [&](VResult r) {
        ::close(fd);
        ::unlink(temp.c_str());
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
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return writeError(err);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return msg::CannotWrite;
    }
    return Ok;
}

} // namespace vemra::files
