#include "library/files/FileIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vemra::files {

std::span<const std::uint8_t> ByteSource::whole(std::vector<std::uint8_t>& buffer)
{
    buffer.resize(static_cast<std::size_t>(size()));
    if (!read(0, buffer)) {
        buffer.clear();
        return {};
    }
    return buffer;
}

bool MemoryBytes::read(std::uint64_t offset, std::span<std::uint8_t> out)
{
    if (offset > bytes_.size() || out.size() > bytes_.size() - offset)
        return false;
    if (!out.empty())
        std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return true;
}

InputFile::InputFile(const std::string& path)
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
    fd_ = fd;
    size_ = static_cast<std::uint64_t>(st.st_size);
    modified_s_ = st.st_mtim.tv_sec;
    modified_ns_ = st.st_mtim.tv_nsec;
}

InputFile::~InputFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool InputFile::read(std::uint64_t offset, std::span<std::uint8_t> out)
{
    if (fd_ < 0 || offset > size_ || out.size() > size_ - offset)
        return false;
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // The end came before the size the file had when it was opened (or the read failed): the file is not
            // the one that was opened any more.
            failed_ = true;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool InputFile::intact()
{
    if (failed_ || fd_ < 0)
        return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || static_cast<std::uint64_t>(st.st_size) != size_ ||
        st.st_mtim.tv_sec != modified_s_ || st.st_mtim.tv_nsec != modified_ns_)
        failed_ = true;
    return !failed_;
}

} // namespace vemra::files
