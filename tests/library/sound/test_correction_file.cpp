// The sound-card correction's files: the inverse filter folded onto the stimulus period, the rate each file was
// made for, the pre-filtered stimulus written without following a planted link, and a correction made anew that
// fails (among others, from a filter file cut short) leaving the earlier one.
#include "library/Codes.h"
#include "library/Messages.h"
#include "library/api_calibration.h"
#include "library/dsp/Mls.h"
#include "library/files/riff_builder.h"
#include "library/sound/CorrectionFile.h"
#include "support/ResponseFile.h"
#include "support/private_dirs.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include <sys/resource.h>

using namespace vemra;
using namespace vemra::sound;
namespace fs = std::filesystem;

namespace {

constexpr int kOrder = 6;
constexpr std::size_t kPeriod = (1u << kOrder) - 1; // MLS

// The plain period as a unit impulse: the corrected period is then the folded filter itself, scaled to peak 1.
std::vector<double> impulse()
{
    std::vector<double> p(kPeriod, 0.0);
    p[0] = 1.0;
    return p;
}

std::string folder()
{
    const std::string f = test::privateRoot() + "/Calibration";
    fs::create_directories(f);
    return f;
}

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// While it lives, no file of this process grows past a few bytes, as on a disk that takes no more: a write fails
// (EFBIG) and the process goes on. Unlike a read-only folder, this stops root as well.
class FilesStopGrowing {
public:
    FilesStopGrowing()
    {
        ::getrlimit(RLIMIT_FSIZE, &kept_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{16, kept_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FilesStopGrowing()
    {
        ::setrlimit(RLIMIT_FSIZE, &kept_);
        std::signal(SIGXFSZ, previous_);
    }
    FilesStopGrowing(const FilesStopGrowing&) = delete;
    FilesStopGrowing& operator=(const FilesStopGrowing&) = delete;

private:
    rlimit kept_{};
    void (*previous_)(int) = SIG_DFL;
};

} // namespace

// A filter response longer than the period wraps onto it, as often as it is long: a tap one or two periods on
// adds to where it would land in the periodic stimulus.
TEST(CorrectionFile, AFilterLongerThanThePeriodIsFoldedOntoIt)
{
    std::vector<std::int16_t> filter(2 * kPeriod + 20, 0);
    filter[5] = 16000;
    filter[kPeriod + 5] = 4000; // adds to the first tap
    filter[kPeriod + 9] = 10000;
    filter[2 * kPeriod + 1] = 5000;
    const std::string flt = test::ResponseFile(folder() + "/long 48000 6.mls_flt.wav").rate(48000).samples(filter).write();
    std::vector<double> out;
    ASSERT_EQ(correctedPeriod(flt, StimulusKind::Mls, kOrder, 48000, impulse(), out), Ok);
    ASSERT_EQ(out.size(), kPeriod);
    for (std::size_t i = 0; i < kPeriod; ++i) {
        SCOPED_TRACE(i);
        const double expected = i == 5 ? 1.0 : i == 9 ? 0.5 : i == 1 ? 0.25 : 0.0;
        EXPECT_NEAR(out[i], expected, 1e-9);
    }
    // The pre-filtered stimulus beside it holds the same period.
    CorrectedStimulus stored;
    ASSERT_EQ(readCorrectedStimulus(folder() + "/long 48000 6_mls.pcm", StimulusKind::Mls, kOrder, 48000, stored), Ok);
    ASSERT_EQ(stored.period.size(), kPeriod);
    EXPECT_NEAR(stored.period[9], 0.5f, 1e-6f);
}

// Each file was made for one stimulus, order and rate; a measurement of another is refused, never played. An
// inverse filter belongs to the card, not to an order: any order's period is made from it.
TEST(CorrectionFile, OnlyTheStimulusOrderAndRateItWasMadeForMatch)
{
    const std::string pcm = folder() + "/card 48000 6_mls.pcm";
    ASSERT_EQ(writeCorrectedStimulus(pcm, {StimulusKind::Mls, kOrder, 48000, std::vector<float>(kPeriod, 0.5f)}), Ok);
    std::vector<std::int16_t> taps(kPeriod, 0);
    taps[3] = 16000;
    // Under another stem, so the period it leaves beside it does not replace the one above.
    const std::string flt = test::ResponseFile(folder() + "/filter 48000.mls_flt.wav").rate(48000).samples(taps).write();
    struct Case {
        const char* name;
        StimulusKind kind;
        std::int32_t rate_Hz;
        int order;
        VResult pcmExpected, filterExpected;
    };
    const Case cases[] = {
        {"made for this", StimulusKind::Mls, 48000, kOrder, Ok, Ok},
        {"another rate", StimulusKind::Mls, 44100, kOrder, msg::CalibrationFilesDiffer, msg::CalibrationFilesDiffer},
        {"another order", StimulusKind::Mls, 48000, kOrder + 1, msg::CalibrationFilesDiffer, Ok},
        {"another stimulus", StimulusKind::Sweep, 48000, kOrder, msg::CalibrationFilesDiffer,
         msg::CalibrationFilesDiffer},
    };
    for (const Case& c : cases) {
        const std::size_t period = (std::size_t(1) << c.order) - (c.kind == StimulusKind::Mls ? 1 : 0);
        std::vector<double> plain(period, 0.0), out;
        plain[0] = 1.0;
        SCOPED_TRACE(c.name);
        EXPECT_EQ(correctedPeriod(pcm, c.kind, c.order, c.rate_Hz, plain, out), c.pcmExpected) << "pre-filtered";
        EXPECT_EQ(correctedPeriod(flt, c.kind, c.order, c.rate_Hz, plain, out), c.filterExpected) << "filter";
    }
}

// A link planted where the writer once put its temporary file, or at the file itself, is replaced or left alone,
// never written through.
TEST(CorrectionFile, AWriteNeverFollowsAPlantedLink)
{
    const CorrectedStimulus s{StimulusKind::Sweep, kOrder, 48000, std::vector<float>(std::size_t(1) << kOrder, 0.25f)};
    struct Case {
        const char* name;
        const char* linkSuffix; // appended to the file's name
    };
    const Case cases[] = {{"at the old temporary name", ".part"}, {"at the file's own name", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string victim = folder() + "/victim";
        std::ofstream(victim, std::ios::trunc) << "precious";
        const std::string path = folder() + "/planted 48000 6_swp.pcm";
        fs::remove(path);
        fs::remove(path + ".part");
        fs::create_symlink(victim, path + c.linkSuffix);

        ASSERT_EQ(writeCorrectedStimulus(path, s), Ok);
        EXPECT_EQ(contents(victim), "precious");
        EXPECT_FALSE(fs::is_symlink(path));
        CorrectedStimulus back;
        ASSERT_EQ(readCorrectedStimulus(path, StimulusKind::Sweep, kOrder, 48000, back), Ok);
        EXPECT_EQ(back.period, s.period);
    }
}

// The card's correction made anew: a make that fails in any way returns its error and leaves the correction the
// card had, byte for byte (above all, a new file that cannot be written is no success on the earlier file's bytes);
// one that succeeds replaces it.
TEST(CorrectionFile, AFailedMakeKeepsTheEarlierCorrectionAndASuccessfulOneReplacesIt)
{
    const std::string stem = folder() + "/remade 48000 6";
    const std::string flt = stem + ".mls_flt.wav", pcm = stem + "_mls.pcm";
    ASSERT_EQ(writeCorrectedStimulus(pcm, {StimulusKind::Mls, kOrder, 48000, std::vector<float>(kPeriod, 0.5f)}), Ok);
    const std::string earlier = contents(pcm);
    ASSERT_FALSE(earlier.empty());

    // An inverse filter that delays by a few samples: the corrected MLS is the MLS itself, that many samples on.
    constexpr std::size_t kDelay = 3;
    std::vector<std::int16_t> delay(kPeriod, 0);
    delay[kDelay] = 16000;
    enum class Filter { Missing, Damaged, Written };
    struct Case {
        const char* name;
        Filter filter;
        std::vector<std::int16_t> taps;
        std::int32_t fileRate_Hz;
        bool diskFull;
        VResult expected;
    };
    const Case cases[] = {
        {"the filter file missing", Filter::Missing, {}, 48000, false, msg::CannotRead},
        {"the filter file damaged", Filter::Damaged, {}, 48000, false, msg::CannotRead},
        {"a filter made at another rate", Filter::Written, delay, 44100, false, msg::CalibrationFilesDiffer},
        {"a filter without energy", Filter::Written, std::vector<std::int16_t>(kPeriod, 0), 48000, false,
         msg::CalibrationFilesDiffer},
        {"the new file cannot be written", Filter::Written, delay, 48000, true, msg::CalibrationFilesDiffer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(flt);
        if (c.filter == Filter::Damaged)
            std::ofstream(flt, std::ios::binary) << "RIFF, and then no wave at all";
        else if (c.filter == Filter::Written)
            test::ResponseFile(flt).rate(c.fileRate_Hz).samples(c.taps).write();
        std::optional<FilesStopGrowing> full;
        if (c.diskFull)
            full.emplace();
        const VResult rc = MakeCorrectionFile(flt, StimulusInternalMls, kOrder, 48000);
        full.reset();
        EXPECT_EQ(rc, c.expected);
        EXPECT_TRUE(contents(pcm) == earlier) << "the earlier correction did not stay as it was";
    }

    test::ResponseFile(flt).rate(48000).samples(delay).write();
    ASSERT_EQ(MakeCorrectionFile(flt, StimulusInternalMls, kOrder, 48000), Ok);
    CorrectedStimulus made;
    ASSERT_EQ(readCorrectedStimulus(pcm, StimulusKind::Mls, kOrder, 48000, made), Ok);
    const std::vector<double> mls = dsp::mlsSignal(kOrder);
    ASSERT_EQ(made.period.size(), kPeriod);
    ASSERT_EQ(mls.size(), kPeriod);
    for (std::size_t i = 0; i < kPeriod; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(made.period[i], mls[(i + kPeriod - kDelay) % kPeriod], 1e-6);
    }
}

// A filter file whose data are shorter than its header says, cut anywhere from inside the header to one frame short,
// is refused as unreadable, never folded from what is left of it; the earlier correction stays byte for byte. The
// whole file makes the correction.
TEST(CorrectionFile, AFilterCutShortIsRefusedAndTheEarlierCorrectionStays)
{
    const std::string stem = folder() + "/cut 48000 6";
    const std::string flt = stem + ".mls_flt.wav", pcm = stem + "_mls.pcm";
    ASSERT_EQ(writeCorrectedStimulus(pcm, {StimulusKind::Mls, kOrder, 48000, std::vector<float>(kPeriod, 0.5f)}), Ok);
    const std::string earlier = contents(pcm);

    // A one-channel filter of 65536 frames with a plain 44-byte header: a delay of a few samples.
    constexpr std::size_t kFrames = 65536, kDelay = 3, kDataStart = 44;
    std::vector<std::int16_t> taps(kFrames, 0);
    taps[kDelay] = 16000;
    const std::vector<std::uint8_t> whole =
        test::riff({{"fmt ", test::fmtBody(1, 1, 48000, 16)}, {"data", test::pcm16(taps)}});
    ASSERT_EQ(whole.size(), kDataStart + 2 * kFrames);
    auto write = [&](std::size_t bytes) {
        std::ofstream(flt, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(whole.data()), std::streamsize(bytes));
    };
    struct Cut {
        const char* name;
        std::size_t bytes;
    };
    const Cut cuts[] = {
        {"inside the header", 30},
        {"at the data chunk's start", kDataStart},
        {"mid-data", 60000},
        {"one frame short", whole.size() - 2},
    };
    for (const Cut& c : cuts) {
        SCOPED_TRACE(c.name);
        write(c.bytes);
        EXPECT_EQ(MakeCorrectionFile(flt, StimulusInternalMls, kOrder, 48000), msg::CannotRead);
        EXPECT_TRUE(contents(pcm) == earlier) << "the earlier correction did not stay as it was";
    }

    write(whole.size());
    ASSERT_EQ(MakeCorrectionFile(flt, StimulusInternalMls, kOrder, 48000), Ok);
    CorrectedStimulus made;
    ASSERT_EQ(readCorrectedStimulus(pcm, StimulusKind::Mls, kOrder, 48000, made), Ok);
    const std::vector<double> mls = dsp::mlsSignal(kOrder);
    ASSERT_EQ(made.period.size(), kPeriod);
    for (std::size_t i = 0; i < kPeriod; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(made.period[i], mls[(i + kPeriod - kDelay) % kPeriod], 1e-6);
    }
}
