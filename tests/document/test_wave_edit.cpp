#include "document_fixture.h"

#include "core/UiServices.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/WaveStore.h"
#include "library/api_files.h"
#include "library/dsp/BandFilter.h"
#include "support/private_dirs.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

using namespace vemra;

namespace {

ScriptedUiServices& ui() { return static_cast<ScriptedUiServices&>(UiServices::get()); }

constexpr std::int32_t kFs = 48000;

// A loaded document of `frames` frames made by sample(channel, i); `prepare` fills the header's information.
clsWave* document(const std::string& name, int channels, std::int64_t frames,
                  const std::function<std::int16_t(int, std::int64_t)>& sample,
                  const std::function<void(WaveHeader&)>& prepare = {})
{
    return test::openDocument(test::ResponseFile(name)
                                  .channels(channels)
                                  .frames(frames)
                                  .sample([&sample](std::int64_t i, int c) { return sample(c, i); })
                                  .header(prepare)
                                  .write());
}

// 400 frames with an impulse at `at` on both channels (channel 1 at half its height).
clsWave* impulseDocument(const std::string& name, std::int64_t at)
{
    return document(name, 2, 400, [at](int c, std::int64_t i) -> std::int16_t {
        return i == at ? std::int16_t(c ? 10000 : 20000) : std::int16_t(0);
    });
}

std::vector<std::int16_t> samples(const clsWave& w, int channel)
{
    const auto s = WaveStore::samples(w.header(), channel);
    return {s.begin(), s.end()};
}

class WaveEdit : public test::DocumentTest {};

} // namespace

TEST_F(WaveEdit, EditsChangeTheSamplesMarkTheDocumentAndEmptyItsCaches)
{
    struct Row {
        const char* name;
        std::function<std::int16_t(clsWave&)> edit;
        std::int32_t frames;
        float start_s; // where channel 0's response starts afterwards
    };
    const Row rows[] = {
        {"rotate", [](clsWave& w) { return w.Rotate(50); }, 400, 50.0f / kFs},
        {"delete", [](clsWave& w) { return w.Delete(0, 40); }, 360, 60.0f / kFs},
        {"silence the impulse", [](clsWave& w) { return w.Silence(90, 20); }, 400, -1.0f / kFs},
        {"window over the impulse", [](clsWave& w) { return w.Window(100, 100, 3); }, 400, 100.0f / kFs},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        clsWave* w = impulseDocument(std::string(r.name) + ".wav", 100);
        EXPECT_FLOAT_EQ(w->IRStart(0), 100.0f / kFs); // cached from here on
        QSignalSpy changes(w, &clsWave::WaveChange);
        w->setViewDirty(false);
        ASSERT_EQ(r.edit(*w), 0);
        EXPECT_TRUE(w->Changed());
        EXPECT_EQ(changes.count(), 1);
        EXPECT_TRUE(w->viewDirty());
        EXPECT_EQ(w->SampleCount(), r.frames);
        EXPECT_FLOAT_EQ(w->IRStart(0), r.start_s);
    }
}

TEST_F(WaveEdit, ARefusedEditLeavesChangedAloneButEmptiesItsCaches)
{
    clsWave* w = impulseDocument("refused.wav", 100);
    EXPECT_FLOAT_EQ(w->IRStart(0), 100.0f / kFs);
    // New samples behind the document's back: only an emptied cache sees them.
    ASSERT_TRUE(WaveStore::edit(w->header(), [](WaveStore::Channels& c) { std::rotate(c[0].begin(), c[0].begin() + 30, c[0].end()); }));
    const auto before = samples(*w, 0);
    EXPECT_EQ(w->Rotate(400), 302);
    EXPECT_EQ(w->Delete(0, 145), 904);
    EXPECT_EQ(w->Window(0, 10, 13), 302);
    EXPECT_EQ(samples(*w, 0), before);
    EXPECT_EQ(w->SampleCount(), 400);
    EXPECT_FALSE(w->Changed());
    EXPECT_FLOAT_EQ(w->IRStart(0), 70.0f / kFs);
    EXPECT_TRUE(ui().messages.empty()); // the window shows the result, not the document
}

TEST_F(WaveEdit, CopyAndPasteThroughATemporaryFile)
{
    clsWave* w = document("paste.wav", 1, 300, [](int, std::int64_t i) { return std::int16_t(i); });
    QSignalSpy changes(w, &clsWave::WaveChange);
    ASSERT_EQ(w->Copy(10, 3), 0);
    QString file;
    ASSERT_EQ(w->Clip2File(file), 0);
    EXPECT_FALSE(w->Changed());
    EXPECT_EQ(changes.count(), 0);
    ASSERT_EQ(w->InsertFile(0, file), 0);
    EXPECT_TRUE(DeleteTempFile(file.toStdString()));
    EXPECT_EQ(w->SampleCount(), 303);
    const auto s = samples(*w, 0);
    EXPECT_EQ(std::vector<std::int16_t>(s.begin(), s.begin() + 5), (std::vector<std::int16_t>{10, 11, 12, 0, 1}));
    EXPECT_TRUE(w->Changed());
}

TEST_F(WaveEdit, SelectionStatisticsThroughTheDocumentsBandFilter)
{
    // 30000 exp(-t / tau) on a 1 kHz tone, tau for a 60 dB fall in 0.5 s.
    const double tau = 0.5 / (3 * std::log(10.0));
    clsWave* w = document("decay.wav", 1, 24000, [&](int, std::int64_t i) {
        const double t = double(i) / kFs;
        return std::int16_t(std::lround(30000 * std::exp(-t / tau) * std::sin(2 * M_PI * 1000 * t)));
    });
    for (const std::int16_t filter : {std::int16_t(-1), std::int16_t(-2), std::int16_t(6)}) {
        SCOPED_TRACE(filter);
        w->setFilterType(filter);
        ASSERT_EQ(w->GetSinfo(0, 4800, 9600), 0);
        EXPECT_NEAR(w->Slope(), -120, 2);
        EXPECT_NEAR(w->DT60(), 0.5, 0.01);
        EXPECT_NEAR(w->Decay(), w->Slope() * 0.2f, 0.01);
        // The filter delays the tone by its group delay: the selection shows the decay that much earlier.
        const double delay_s = dsp::BandFilter::design(filter, kFs)->groupDelay_s(1000);
        EXPECT_NEAR(w->MaxSampleValue(), 30000 * std::pow(10.0, -0.6) * std::exp(delay_s / tau), 150);
        EXPECT_NEAR(w->MinSampleValue(), -w->MaxSampleValue(), 150);
        EXPECT_LT(w->Power(), 0);
    }
    // A refused range leaves the last results.
    const float slope = w->Slope();
    EXPECT_EQ(w->GetSinfo(0, 23000, 1001), 302);
    EXPECT_EQ(w->GetSinfo(1, 0, 100), 300);
    EXPECT_EQ(w->Slope(), slope);
    EXPECT_TRUE(ui().messages.empty());
}

TEST_F(WaveEdit, ReflectionIndexIsComputedOnceUntilAnEdit)
{
    // Channel 1 incident, channel 0 half of it 2 d / c later: RI 1.96 * 0.25 = 0.49.
    const double c = 20.1 * std::sqrt(20.0 + 273.0);
    const std::int64_t delay = std::lround(0.5 / c * kFs);
    clsWave* w = document(
        "ri.wav", 2, 4800,
        [&](int ch, std::int64_t i) -> std::int16_t {
            if (ch == 1)
                return i == 1000 ? 20000 : 0;
            return i == 1000 + delay ? 10000 : 0;
        },
        [](WaveHeader& h) {
            h.info.Receiver = 6;
            h.info.ProbeDist = 0.25f;
            h.info.Temperature = 20;
        });
    EXPECT_NEAR(w->RI(6), 0.49, 1e-4);
    EXPECT_NEAR(w->Alpha(6), 0.51, 1e-4);
    // Samples changed behind the document's back: the cache answers until an edit empties it.
    ASSERT_TRUE(WaveStore::edit(w->header(), [](WaveStore::Channels& ch) { ch[0].assign(ch[0].size(), 0); }));
    EXPECT_NEAR(w->RI(20), 0.49, 1e-4);
    ASSERT_EQ(w->Silence(0, 0), 0);
    EXPECT_NEAR(w->RI(20), 0.0, 1e-6);
    EXPECT_NEAR(w->Alpha(20), 1.0, 1e-6);

    ui().clear();
    EXPECT_EQ(w->RI(44), 0.0f);
    EXPECT_EQ(w->Alpha(-1), 0.0f);
    EXPECT_EQ(ui().messages.size(), 2u); // range failures, reported
}

TEST_F(WaveEdit, AResponseThatIsNoReflectionIndexResultHasNoIndexAndNoAbsorption)
{
    clsWave* w = impulseDocument("plain.wav", 100);
    EXPECT_EQ(w->RI(6), -1.0f);
    EXPECT_EQ(w->Alpha(6), -1.0f);
}
