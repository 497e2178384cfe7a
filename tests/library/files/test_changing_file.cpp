// A response file that another program changes while it is read (a recorder or a copy still writing it, a user
// saving over it) is a failed read: msg::CannotRead, the caller's header untouched, no samples, and no fault.
#include "library/Messages.h"
#include "library/files/FileIo.h"
#include "library/files/Formats.h"
#include "library/files/ResponseFile.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace vemra;
using files::FileKind;

namespace {

// The file as the reader opened it, changed by "another program" just before the reader's read number `at`; past
// the last read, just before the reader asks whether the file held still. `at` < 0 never changes it.
class ChangedWhileRead final : public files::InputFile {
public:
    ChangedWhileRead(const std::string& path, int at, std::function<void()> change)
        : InputFile(path), at_(at), change_(std::move(change))
    {
    }
    bool read(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        if (reads_++ == at_)
            change_();
        return InputFile::read(offset, out);
    }
    bool intact() override
    {
        if (at_ >= reads_) {
            change_();
            reads_ = at_ + 1;
        }
        return InputFile::intact();
    }
    int reads() const { return reads_; }

private:
    int at_;
    std::function<void()> change_;
    int reads_ = 0;
};

WaveHeader describedHeader(int channels)
{
    WaveHeader h;
    files::setPcm16Format(h, channels, 48000, 0);
    std::memcpy(h.Project, "Hall", 4);
    return h;
}

// More frames than the WAV reader converts at a time, so its samples take several reads.
std::vector<std::int16_t> frames(int channels)
{
    std::vector<std::int16_t> s(static_cast<std::size_t>(40000 * channels));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>((i * 7919) % 60000 - 30000);
    return s;
}

std::vector<std::uint8_t> fileBytes(FileKind kind, int channels)
{
    std::vector<std::uint8_t> bytes;
    const WaveHeader h = describedHeader(channels);
    if (kind == FileKind::Tim)
        EXPECT_EQ(files::detail::encodeTim(h, frames(channels),
                                           std::vector<std::uint8_t>(files::detail::kTimTemplateBytes, 0), bytes),
                  Ok);
    else
        EXPECT_EQ(files::encodeResponse(kind, h, frames(channels), bytes), Ok);
    return bytes;
}

void save(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

TEST(ChangingFile, AFileChangedAtAnyPointOfItsReadIsACannotRead)
{
    struct Kind {
        const char* name;
        FileKind kind;
        int channels;
        const char* extension;
    };
    const Kind kinds[] = {{"stereo WAV", FileKind::Wav, 2, ".wav"},
                          {"mono WAV", FileKind::Wav, 1, ".wav"},
                          {"TIM", FileKind::Tim, 1, ".tim"},
                          {"TXT", FileKind::Txt, 2, ".txt"}};
    struct Change {
        const char* name;
        std::function<void(const std::string& path, off_t size)> apply;
    };
    const Change changes[] = {
        {"cut to nothing", [](const std::string& p, off_t) { ASSERT_EQ(::truncate(p.c_str(), 0), 0); }},
        {"cut by half", [](const std::string& p, off_t size) { ASSERT_EQ(::truncate(p.c_str(), size / 2), 0); }},
        {"one byte short", [](const std::string& p, off_t size) { ASSERT_EQ(::truncate(p.c_str(), size - 1), 0); }},
        // Grown, and given back its old time as a copy that keeps times does: only its length tells.
        {"grown", [](const std::string& p, off_t size) {
             struct stat st {};
             ASSERT_EQ(::stat(p.c_str(), &st), 0);
             ASSERT_EQ(::truncate(p.c_str(), size + 4096), 0);
             const timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
             ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
         }},
        // Rewritten in place at the same length: only its modification time tells.
        {"rewritten", [](const std::string& p, off_t) {
             const timespec times[2] = {{0, UTIME_OMIT}, {1, 0}};
             ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
         }},
    };
    for (const Kind& k : kinds) {
        const std::vector<std::uint8_t> bytes = fileBytes(k.kind, k.channels);
        const std::string path = test::privateRoot() + "/changing" + k.extension;
        for (const bool withSamples : {true, false}) {
            SCOPED_TRACE(std::string(k.name) + (withSamples ? ", samples" : ", header only"));
            // The same file left alone reads, and tells how many reads it takes.
            save(path, bytes);
            WaveHeader whole;
            files::PlanarSamples wholeSamples;
            ChangedWhileRead untouched(path, -1, [] {});
            ASSERT_EQ(files::detail::readResponseFromFile(untouched, k.kind, whole,
                                                          withSamples ? &wholeSamples : nullptr),
                      Ok);
            ASSERT_GT(untouched.reads(), 0);
            for (const Change& c : changes) {
                for (int at = 0; at <= untouched.reads(); ++at) {
                    SCOPED_TRACE(std::string(c.name) + " before read " + std::to_string(at));
                    save(path, bytes);
                    ChangedWhileRead file(path, at, [&] { c.apply(path, static_cast<off_t>(bytes.size())); });
                    WaveHeader h;
                    std::memcpy(h.Comments, "before", 6);
                    const WaveHeader before = h;
                    files::PlanarSamples samples{{1, 2, 3}};
                    EXPECT_EQ(files::detail::readResponseFromFile(file, k.kind, h, withSamples ? &samples : nullptr),
                              msg::CannotRead);
                    EXPECT_EQ(std::memcmp(&h, &before, sizeof h), 0) << "the caller's header is untouched";
                    EXPECT_EQ(samples, (files::PlanarSamples{{1, 2, 3}}));
                }
            }
        }
    }
}
