#pragma once
// A set of files made in a private folder and then put in place of the files of the same names beside it, all or
// none: a reader of the set never finds a file missing or half written, and a failure part-way leaves the earlier
// set whole.
//
// The folder is "<parent>/.staging-XXXXXX" (mkdtemp's six letters, owner only). While it lives its maker holds an
// exclusive flock(2) on the file ".lock" inside; the kernel drops the lock with the last descriptor, so the folder
// of a maker that was killed is one whose lock anyone can take (or, killed in the instant between the two, one
// without a lock file): that is what "stale" means. Each new staging folder first removes the stale ones of its
// parent, and never anything else. No Qt; calling thread: any, one object per thread.
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace vemra::files {

class StagingFolder {
public:
    // Removes parent's stale staging folders, then makes and holds a new one; ok() is false when none can be made.
    explicit StagingFolder(const std::string& parent);
    // Removes the folder with whatever it still holds.
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    bool ok() const { return lockFd_ >= 0; }
    const std::string& path() const { return path_; }
    std::string filePath(std::string_view name) const;

    // One file made in the folder and the file of the parent it replaces (which need not exist yet).
    struct Move {
        std::string staged, target;
    };
    // Puts one file in place of another in one step, true when done; rename(2)'s contract: on false both are as
    // they were. The default is replaceFileAtomically; tests give one that fails where they choose.
    using RenameStep = std::function<bool(const std::string& from, const std::string& to)>;
    struct Outcome {
        bool replaced = false;  // every target holds its staged file
        std::size_t failed = 0; // otherwise the move that failed, counted from 0
        bool restored = true;   // otherwise: every target is its earlier file again, or absent as it was
    };
    // Each existing target is first kept in the folder (a hard link, or a copy where the file system has none);
    // then the staged files go in place one by one. When one fails, the targets already replaced get their kept
    // files back and those that did not exist before are removed, latest first, so the set is the earlier one.
    Outcome replaceTargets(std::span<const Move> moves, const RenameStep& step = {});

    // Removes parent's staging folders that no running maker holds: a folder of our own user (a link is never
    // followed) named exactly as above whose lock file can be locked or is missing. Failures are ignored: what
    // cannot be removed now is tried next time.
    static void removeStale(const std::string& parent);

private:
    std::string path_;
    int lockFd_ = -1;
};

} // namespace vemra::files
