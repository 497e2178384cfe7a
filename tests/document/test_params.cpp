#include "document_fixture.h"

#include "core/UiServices.h"
#include "core/VemraError.h"
#include "document/Waves.h"
#include "document/clsParams.h"
#include "document/clsWave.h"
#include "library/WaveStore.h"
#include "library/api_files.h"
#include "support/ResponseGenerator.h"
#include "support/private_dirs.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

using namespace vemra;
namespace ts = vemra::testsupport;

namespace {

ScriptedUiServices& ui() { return static_cast<ScriptedUiServices&>(UiServices::get()); }

constexpr int kEDT = 0, kT10 = 1, kT20 = 2, kT30 = 3, kINR = 4, kTs = 6, kC80 = 7, kD50 = 8, kLF = 12, kRI = 17,
              kAlpha = 18;

// A noisy exponential decay of time T written as a response file; `prepare` fills the header's information.
QString writeDecay(const std::string& name, double T, std::int32_t fs = 48000, int channels = 1,
                   const std::function<void(WaveHeader&)>& prepare = {})
{
    const auto pcm = ts::toPcm16(ts::exponentialDecay(T, fs, 1.5, 20000, 60, 480));
    return QString::fromStdString(test::ResponseFile(name)
                                      .channels(channels)
                                      .rate(fs)
                                      .frames(std::int64_t(pcm.size()))
                                      .sample([&pcm](std::int64_t i, int c) { return c ? pcm[i] / 2 : pcm[i]; })
                                      .header(prepare)
                                      .write());
}

clsWave* open(const QString& path) { return test::openDocument(path.toStdString()); }

class Params : public test::DocumentTest {
protected:
    void TearDown() override
    {
        DocumentTest::TearDown();
        QCoreApplication::processEvents(); // documents removed by Die are deleted from the event loop
    }
};

} // namespace

TEST_F(Params, AnOpenFileIsUsedWhereItIsOpen)
{
    const QString path = writeDecay("open.wav", 1.0, 44100, 2);
    clsWave* first = open(path);
    clsWave* second = open(path); // open twice: the first in collection order serves
    const int documents = WaveCount();
    clsParams p;
    p.setFileName(path);
    EXPECT_EQ(WaveCount(), documents);
    EXPECT_EQ(p.waveKey(), first->Key());
    EXPECT_NE(p.waveKey(), second->Key());
    EXPECT_EQ(p.SampleFrequency(), 44100);
    EXPECT_EQ(p.Channels(), 2);
    EXPECT_NEAR(p.Value(kT20, 0, 6), 1.0, 0.05);
    EXPECT_TRUE(p.Valid(kT20, 1, 6));
    EXPECT_EQ(p.Value(kT20, 0, 6), first->RT20time(0, 6));
    EXPECT_EQ(WaveCount(), documents);
}

TEST_F(Params, AnUntitledNameUsesTheDocumentWithThatKey)
{
    clsWave* w = open(writeDecay("untitled.wav", 0.5));
    clsParams p;
    p.setFileName(QStringLiteral("Untitled-") + w->Key());
    EXPECT_EQ(p.waveKey(), w->Key());
    EXPECT_EQ(p.Channels(), 1);
    EXPECT_NEAR(p.Value(kEDT, 0, 6), 0.5, 0.05);

    // A key that belongs to no document: reported, nothing read.
    ui().clear();
    clsParams gone;
    gone.setFileName(QStringLiteral("Untitled-9999"));
    EXPECT_EQ(gone.Channels(), 0);
    EXPECT_EQ(ui().messages.size(), 1u);
}

TEST_F(Params, AnUnopenedFileIsLoadedOnlyWhileItIsNeeded)
{
    const QString path = writeDecay("closed.wav", 1.5, 48000, 1, [](WaveHeader& h) { h.info.Receiver = 3; });
    const int documents = WaveCount();
    clsParams p;
    p.setFileName(path);
    EXPECT_EQ(WaveCount(), documents);
    EXPECT_EQ(p.SampleFrequency(), 48000);
    EXPECT_EQ(p.Channels(), 1);
    EXPECT_EQ(p.Receiver(), 3);
    EXPECT_NEAR(p.Value(kT30, 0, 5), 1.5, 0.08);
    EXPECT_EQ(WaveCount(), documents);
    EXPECT_FALSE(p.attachedWave());
}

TEST_F(Params, AGroupIsFilledInOnePassWithItsScaling)
{
    clsWave* w = open(writeDecay("group.wav", 1.0));
    clsParams p;
    p.setFileName(w->FileName());
    p.CalcParameters(kT20, 6);
    const float edt = w->EDT(0, 6), t10 = w->RT10time(0, 6), t30 = w->RT30time(0, 6);
    const float inr = w->INR(0, 6);
    // New samples and emptied document caches, without a change event: only values already cached survive.
    ASSERT_TRUE(WaveStore::edit(w->header(), [](WaveStore::Channels& c) { c[0].assign(c[0].size(), 0); }));
    w->ResetFlags();
    EXPECT_EQ(p.Value(kEDT, 0, 6), edt);
    EXPECT_EQ(p.Value(kT10, 0, 6), t10);
    EXPECT_EQ(p.Value(kT30, 0, 6), t30);
    EXPECT_EQ(p.Value(kINR, 0, 6), std::abs(inr));
    EXPECT_GT(p.Value(kINR, 0, 6), 0.0f);
    // Not part of that group: computed now, from the silent samples, and invalid.
    EXPECT_FALSE(p.Valid(kC80, 0, 6));
}

TEST_F(Params, CentreTimeInMillisecondsAndBandsAboveNyquist)
{
    clsWave* w = open(writeDecay("ts.wav", 1.0, 22050));
    clsParams p;
    p.setFileName(w->FileName());
    EXPECT_FLOAT_EQ(p.Value(kTs, 0, 6), w->ts(0, 6) * 1000.0f);
    EXPECT_TRUE(p.Valid(kTs, 0, 6));
    // The 16 kHz octave lies above 11.025 kHz.
    EXPECT_FALSE(p.Valid(kT20, 0, 10));
    EXPECT_EQ(p.Value(kT20, 0, 10), 0.0f);
    // Index 19 is never filled; LF of a one-channel response has no value (-1).
    EXPECT_FALSE(p.Valid(19, 0, 6));
    EXPECT_FALSE(p.Valid(kLF, 0, 6));
    EXPECT_THROW(p.Value(20, 0, 6), VemraError);
    EXPECT_THROW(p.Valid(0, 2, 6), VemraError);
    EXPECT_THROW(p.Valid(0, 0, 44), VemraError);
}

// The energy parameters as the parameter graph reads them, exact: centre time in milliseconds, C80 and D50 of a
// decay whose band values are known (test::DecayUnderWay) to well under what a limit moved by a millisecond changes.
TEST_F(Params, EnergyParametersHoldTheirLimitsExactly)
{
    const test::DecayUnderWay decay;
    clsParams p;
    p.setFileName(QString::fromStdString(decay.write("under-way.wav")));
    for (int band : test::DecayUnderWay::kBands) {
        SCOPED_TRACE("band " + std::to_string(band));
        for (int parameter : {kTs, kC80, kD50})
            EXPECT_TRUE(p.Valid(parameter, 0, band)) << "parameter " << parameter;
        EXPECT_NEAR(p.Value(kTs, 0, band), decay.centreTime_s(band) * 1000, 0.1);
        EXPECT_NEAR(p.Value(kC80, 0, band), decay.clarity_dB(band, 0.080), 0.04);
        EXPECT_NEAR(p.Value(kD50, 0, band), decay.definition(band), 0.002);
    }
}

TEST_F(Params, ReflectionIndexAndAbsorptionOfAReflectionIndexResult)
{
    // An impulse in both channels at the same time: the reflected channel's window opens after it, so RI is 0
    // (valid) and the absorption 1.
    const std::string path = test::ResponseFile("ri.wav")
                                 .channels(2)
                                 .frames(4800)
                                 .sample([](std::int64_t i, int) { return i == 1000 ? 20000 : 0; })
                                 .receiver(6)
                                 .probeDistance(0.25f)
                                 .write();
    clsParams p;
    p.setFileName(QString::fromStdString(path));
    EXPECT_EQ(p.Receiver(), 6);
    EXPECT_TRUE(p.Valid(kRI, 0, 20));
    EXPECT_NEAR(p.Value(kRI, 1, 20), 0.0, 1e-6);
    EXPECT_NEAR(p.Value(kAlpha, 0, 20), 1.0, 1e-6);
}

TEST_F(Params, AChangeOfTheAttachedDocumentEmptiesTheCache)
{
    clsWave* w = open(writeDecay("change.wav", 1.0));
    clsParams p;
    p.setFileName(w->FileName());
    p.Attach();
    EXPECT_EQ(p.attachedWave(), w);
    EXPECT_FALSE(p.ownsWave());
    const float before = p.Value(kT20, 0, 6);
    EXPECT_NEAR(before, 1.0, 0.05);
    // The falling half of a Hanning window over the whole response makes the decay faster.
    ASSERT_EQ(w->Window(0, w->SampleCount(), 3), 0);
    const float after = p.Value(kT20, 0, 6);
    EXPECT_NE(after, before);
    EXPECT_EQ(after, w->RT20time(0, 6));
    p.Detach();
    EXPECT_FALSE(p.attachedWave());
    EXPECT_EQ(WaveByKey(p.waveKey()), w); // an open document stays open
}

TEST_F(Params, ADocumentAttachCreatedIsRemovedAgain)
{
    const QString path = writeDecay("owned.wav", 0.8);
    const int documents = WaveCount();
    clsParams p;
    p.setFileName(path);
    p.Attach();
    EXPECT_TRUE(p.ownsWave());
    EXPECT_EQ(WaveCount(), documents + 1);
    ASSERT_TRUE(p.attachedWave());
    EXPECT_EQ(p.attachedWave()->FileName(), path);
    EXPECT_FALSE(p.attachedWave()->viewer());
    for (int band = 3; band <= 8; ++band)
        p.CalcParameters(kT20, band);
    EXPECT_EQ(WaveCount(), documents + 1); // loaded once for all bands
    p.Detach();
    EXPECT_EQ(WaveCount(), documents);
    EXPECT_NEAR(p.Value(kT20, 0, 6), 0.8, 0.05); // cached

    // A new name, or the end of the object, while attached also lets the document go.
    {
        clsParams q;
        q.setFileName(path);
        q.Attach();
        EXPECT_EQ(WaveCount(), documents + 1);
        q.setFileName(path);
        EXPECT_EQ(WaveCount(), documents);
        q.Attach();
        EXPECT_EQ(WaveCount(), documents + 1);
    }
    EXPECT_EQ(WaveCount(), documents);
}

namespace {

// The number of documents created since the last call (keys count up and are never reused).
int documentsCreatedSince(int& lastKey)
{
    const QString key = NewWave(false);
    WaveByKey(key)->Die();
    const int created = key.toInt() - lastKey - 1;
    lastKey = key.toInt();
    return created;
}

} // namespace

TEST_F(Params, AMissingChannelAndABandAboveNyquistNeedNoLoading)
{
    const QString path = writeDecay("mono22.wav", 0.6, 22050);
    clsParams p;
    p.setFileName(path);
    int key = -1;
    documentsCreatedSince(key);
    EXPECT_FALSE(p.Valid(kT30, 1, 6));
    EXPECT_EQ(p.Value(kT30, 1, 6), 0.0f);
    EXPECT_FALSE(p.Valid(kT30, 0, 10)); // 16 kHz octave above 11.025 kHz
    EXPECT_FALSE(p.Valid(kT30, 0, 43));
    p.CalcParameters(kT30, 42);
    EXPECT_EQ(documentsCreatedSince(key), 0);
    EXPECT_TRUE(p.Valid(kT30, 0, 6)); // a band it offers is loaded and computed
    EXPECT_EQ(documentsCreatedSince(key), 1);
}

TEST_F(Params, ANamedFileOutlivesTheDocumentThatHadItOpen)
{
    const QString path = writeDecay("outlives.wav", 0.9);
    clsWave* w = open(path);
    clsParams p;
    p.setFileName(path);
    p.Attach();
    p.CalcParameters(kT30, 5);
    const float t30 = p.Value(kT30, 0, 5);
    w->Die();
    EXPECT_FALSE(p.attachedWave());
    // Still attached: the next calculation loads the file itself and keeps it for the rest of the run.
    p.CalcParameters(kT30, 6);
    EXPECT_TRUE(p.ownsWave());
    EXPECT_NEAR(p.Value(kT30, 0, 6), 0.9, 0.05);
    EXPECT_EQ(p.Value(kT30, 0, 5), t30); // values of an unchanged document stay
    p.Detach();
    EXPECT_EQ(WaveCount(), 0);
    EXPECT_TRUE(test::scriptedUi().messages.empty());

    // A document closed with unsaved edits: its values are forgotten, the file on disk counts.
    clsWave* edited = open(path);
    clsParams q;
    q.setFileName(path);
    ASSERT_EQ(edited->Window(0, edited->SampleCount(), 3), 0);
    const float fromEdit = q.Value(kT30, 0, 6);
    edited->Die();
    EXPECT_NE(q.Value(kT30, 0, 6), fromEdit);
    EXPECT_NEAR(q.Value(kT30, 0, 6), 0.9, 0.05);
}

TEST_F(Params, AClosedUntitledRecordingIsUnavailableWithOneMessage)
{
    std::string temp;
    ASSERT_EQ(GetTempName(temp), Ok);
    test::ResponseFile(temp).samples(ts::toPcm16(ts::exponentialDecay(0.7, 48000, 1.5, 20000, 60, 480))).write();
    clsWave* w = open(QString::fromStdString(temp));
    ASSERT_TRUE(w->FileName().startsWith(QLatin1String("Untitled-")));
    clsParams p;
    p.setFileName(w->FileName());
    EXPECT_TRUE(p.Valid(kT30, 0, 6));
    p.Attach();
    w->Die();
    EXPECT_TRUE(p.Unavailable());
    int key = -1;
    documentsCreatedSince(key);
    for (int band = 3; band <= 8; ++band) {
        p.CalcParameters(kT30, band);
        EXPECT_FALSE(p.Valid(kT30, 0, band));
        EXPECT_EQ(p.Value(kT30, 0, band), 0.0f);
    }
    p.Detach();
    EXPECT_EQ(documentsCreatedSince(key), 0);
    EXPECT_EQ(test::scriptedUi().messages.size(), 1u);
}
