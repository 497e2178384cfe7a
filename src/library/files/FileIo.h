#pragma once
// Plain file access for the response readers and writers.
#include "library/api_common.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vemra::files {

// The bytes a reader asks for by offset: bytes already in memory, or a file read as the reader goes.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Fills `out` with the bytes from `offset` on; false (out's content then unspecified) when any of them lies
    // beyond size() or cannot be read.
    virtual bool read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
    // Every byte: those in memory where they stand, a file's read into `buffer`. Empty when they cannot be read.
    virtual std::span<const std::uint8_t> whole(std::vector<std::uint8_t>& buffer);
    // False when what was read may not be the file as it stood: a read failed, or the file shrank or changed while
    // it was read. Whatever a reader concluded from such bytes is then void.
    virtual bool intact() { return true; }
};

class MemoryBytes final : public ByteSource {
public:
    explicit MemoryBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool read(std::uint64_t offset, std::span<std::uint8_t> out) override;
    std::span<const std::uint8_t> whole(std::vector<std::uint8_t>&) override { return bytes_; }

private:
    std::span<const std::uint8_t> bytes_;
};

// A regular file opened for reading and read with pread, so that a file another program cuts short while it is
// read gives a failed read, never a fault. ok() is false when it cannot be opened or is not a regular file (a
// FIFO, a device or a folder is refused at once, never waited on). size() is the size at opening.
class InputFile : public ByteSource {
public:
    explicit InputFile(const std::string& path);
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    bool ok() const { return fd_ >= 0; }
    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t offset, std::span<std::uint8_t> out) override;
    // True while every read came whole and the file still has the size and modification time it was opened with.
    bool intact() override;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::int64_t modified_s_ = 0, modified_ns_ = 0;
    bool failed_ = false;
};

// Writes a temporary file beside the target, flushes it to disk and renames it over the target, so a failure
// never damages an existing file and a symlink at the target is replaced, never written through. 0, or
// msg::CannotCreateFile (the temporary file cannot be created), msg::CannotWrite (write or rename failed),
// msg::DiskFull (disk full). The target keeps its permissions when it exists.
// The temporary file is named ".<target's name>.vemra-XXXXXX" and holds an exclusive flock(2) while it exists;
// each save first removes the folder's files of that name whose lock can be taken (left by a save that was
// killed), and never another file.
VResult writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// Puts the file `from` in place of `to` in one step (rename(2)), both in one file system: `to` is at every moment
// either its earlier file or the whole of `from`, also after a power cut, as from's data are flushed before the
// rename and the folders after it. 0, or msg::CannotWrite (from cannot be opened or flushed, or the rename failed:
// then both are as they were).
VResult replaceFileAtomically(const std::string& from, const std::string& to);

// True when `ending` is six characters mkstemp(3) or mkdtemp(3) put in place of "XXXXXX": ASCII letters and digits.
bool isMkstempEnding(std::string_view ending);

// Removes from folder what killed saves left behind: each entry whose name `leftOver` accepts that is a regular file
// of our own user (a link is never followed) and that `stale` judges stale, given the file opened read-only; only
// that very file goes, and only while it still has that name. Failures are ignored: what cannot be removed now is
// tried next time. writeFileAtomically does this for its own temporary files.
void removeLeftOverFiles(const std::string& folder, const std::function<bool(std::string_view name)>& leftOver,
                         const std::function<bool(int fd)>& stale);

} // namespace vemra::files
