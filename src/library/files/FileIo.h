#pragma once
// Plain file access for the response readers and writers.
#include "library/api_common.h"

#include <cstdint>
#include <span>
#include <string>

namespace vemra::files {

// A whole file mapped read-only; empty bytes() when it could not be opened or is not a regular file (ok() false:
// a FIFO, a device or a folder is refused at once, never waited on). An empty file maps to ok() with no bytes.
class MappedFile {
public:
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    bool ok() const { return ok_; }
    std::span<const std::uint8_t> bytes() const { return {data_, size_}; }
    // Gives back the resident pages wholly before `offset`: a long file read once need not stay in memory beside
    // what was made of it. Those bytes may still be read; they come back from the file.
    void releaseBefore(std::size_t offset) const;

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    bool ok_ = false;
    bool mapped_ = false;
    mutable std::size_t released_ = 0;
};

// Writes a temporary file beside the target, flushes it to disk and renames it over the target, so a failure
// never damages an existing file. 0, or msg::CannotCreateFile (the temporary file cannot be created), msg::CannotWrite
// (write or rename failed), msg::DiskFull (disk full). The target keeps its permissions when it exists.
VResult writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace vemra::files
