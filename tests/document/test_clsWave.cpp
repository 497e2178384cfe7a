#include "document_fixture.h"

#include "core/NativePath.h"
#include "core/UiServices.h"
#include "core/VemraError.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/WaveStore.h"
#include "library/Messages.h"
#include "library/api_files.h"
#include "support/private_dirs.h"

#include <QDate>
#include <QLocale>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace vemra;
namespace fs = std::filesystem;

namespace {

ScriptedUiServices& ui() { return static_cast<ScriptedUiServices&>(UiServices::get()); }

// The message ids shown since the last clear.
std::vector<int> shownMessages()
{
    std::vector<int> ids;
    for (const MessageRequest& m : ui().messages)
        ids.push_back(m.helpContext);
    return ids;
}

// A response of the project "Hall" whose samples count 0 to 999 over and over.
std::string writeResponse(const std::string& path, std::int64_t frames)
{
    return test::ResponseFile(path)
        .frames(frames)
        .sample([](std::int64_t i, int) { return double(i % 1000); })
        .project("Hall")
        .write();
}

// True when every message shown names `path` on its last line.
bool everyMessageNames(const std::string& path)
{
    for (const MessageRequest& m : ui().messages)
        if (!m.text.endsWith(QLatin1Char('\n') + QString::fromStdString(path)))
            return false;
    return true;
}

// A plain PCM wave of 300 frames, written byte by byte (the test writer makes only what the program accepts).
std::string writePcmWave(const std::string& path, int channels, int bits, std::uint32_t rate = 8000)
{
    const std::uint32_t frameBytes = std::uint32_t(channels * bits / 8), dataBytes = 300 * frameBytes;
    std::string b = "RIFF";
    auto le = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b.push_back(static_cast<char>(v >> (8 * i)));
    };
    le(36 + dataBytes, 4);
    b += "WAVEfmt ";
    le(16, 4);
    le(1, 2);
    le(std::uint32_t(channels), 2);
    le(rate, 4);
    le(std::uint32_t(std::min<std::uint64_t>(std::uint64_t(rate) * frameBytes, UINT32_MAX)), 4);
    le(frameBytes, 2);
    le(std::uint32_t(bits), 2);
    b += "data";
    le(dataBytes, 4);
    b.append(dataBytes, bits == 8 ? '\x80' : '\0');
    std::ofstream(path, std::ios::binary) << b;
    return path;
}

std::string inRoot(const std::string& name) { return test::privateRoot() + "/" + name; }

clsWave* newDocument() { return WaveByKey(NewWave(false)); }

class Document : public test::DocumentTest {};

} // namespace

TEST_F(Document, LoadsWithinTheLengthLimits)
{
    struct Case {
        const char* name;
        std::int64_t frames;
        bool valid;
        std::vector<int> messages;
    };
    const Case cases[] = {
        {"shortest", 256, true, {}},
        {"one frame short", 255, false, {904}},
        {"longest", 4194304, true, {}},
        {"one frame long", 4194305, false, {903}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui().clear();
        const std::string path = writeResponse(inRoot("len.wav"), c.frames);
        clsWave* w = newDocument();
        w->setFileName(QString::fromStdString(path));
        EXPECT_EQ(w->Valid(), c.valid);
        EXPECT_EQ(shownMessages(), c.messages);
        EXPECT_TRUE(everyMessageNames(path));
        EXPECT_EQ(w->FileName().toStdString(), path);
        if (c.valid) {
            EXPECT_EQ(w->SampleCount(), c.frames);
            EXPECT_EQ(w->Project(), "Hall");
            EXPECT_FALSE(w->Changed());
        }
        w->Die();
    }
}

TEST_F(Document, OnlySixteenBitFilesLoad)
{
    const std::string path = writePcmWave(inRoot("eight.wav"), 1, 8);
    clsWave* w = newDocument();
    w->setFileName(QString::fromStdString(path));
    EXPECT_FALSE(w->Valid());
    EXPECT_EQ(shownMessages(), std::vector<int>{902});
    EXPECT_TRUE(everyMessageNames(path));
    EXPECT_EQ(w->FileName().toStdString(), path);
}

TEST_F(Document, SampleRatesOutsideWhatTheProgramHandlesAreRefused)
{
    struct Case {
        std::uint32_t rate;
        std::vector<int> messages;
    };
    const Case cases[] = {
        {1, {msg::UnsupportedSampleRate}},          {79, {msg::UnsupportedSampleRate}},
        {80, {}},                                   {10000000, {}},
        {10000001, {msg::UnsupportedSampleRate}},   {2000000000, {msg::UnsupportedSampleRate}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        ui().clear();
        const std::string path = writePcmWave(inRoot("rate.wav"), 1, 16, c.rate);
        clsWave* w = newDocument();
        w->setFileName(QString::fromStdString(path));
        EXPECT_EQ(w->Valid(), c.messages.empty());
        EXPECT_EQ(shownMessages(), c.messages);
        EXPECT_TRUE(everyMessageNames(path));
        EXPECT_EQ(WaveStore::isOpen(w->header()), c.messages.empty());
        w->Die();
    }
}

TEST_F(Document, NamesThatAreNotUtf8OpenAndSaveUnderTheirBytes)
{
    const std::string bytes = inRoot("r\xE4ume-\xFF.wav");
    writeResponse(bytes, 300);
    const std::string saved = inRoot("saved-\xE4.wav");
    clsWave* w = newDocument();
    w->setFileName(PathFromNative(bytes));
    ASSERT_TRUE(w->Valid());
    EXPECT_TRUE(shownMessages().empty());
    EXPECT_EQ(NativePath(w->FileName()), bytes);
    EXPECT_EQ(w->Project(), "Hall");
    ASSERT_TRUE(w->SaveAs(PathFromNative(saved)));
    EXPECT_TRUE(fs::exists(saved));
    // Another such file inserted into it: the edits name files the same way.
    const std::int32_t before = w->header().SampleCount;
    EXPECT_EQ(w->InsertFile(0, PathFromNative(bytes)), 0);
    EXPECT_EQ(w->header().SampleCount, before + 300);
}

TEST_F(Document, PathLongerThanTheHeaderHoldsIsSaidToBeTooLong)
{
    // 259 bytes fit; a character of two bytes makes the 260th.
    const std::string folder = inRoot("long");
    fs::create_directories(folder);
    const std::string stem = folder + "/" + std::string(259 - folder.size() - 5, 'a');
    const std::string fits = writeResponse(stem + ".wav", 300);
    ASSERT_EQ(fits.size(), 259u);
    clsWave* w = newDocument();
    w->setFileName(QString::fromStdString(fits));
    EXPECT_TRUE(w->Valid());
    EXPECT_TRUE(shownMessages().empty());
    w->Die();

    const std::string tooLong = writeResponse(stem.substr(0, stem.size() - 1) + "\xC3\xA4.wav", 300);
    ASSERT_EQ(tooLong.size(), 260u) << "the file is there: only its path is too long";
    w = newDocument();
    w->setFileName(QString::fromStdString(tooLong));
    EXPECT_FALSE(w->Valid());
    EXPECT_EQ(shownMessages(), std::vector<int>{msg::PathTooLong});
    EXPECT_TRUE(everyMessageNames(tooLong));
}

TEST_F(Document, LibraryFailureIsShownNamingTheFileAndLeavesTheDocumentInvalid)
{
    const std::string garbage = inRoot("garbage.wav");
    std::ofstream(garbage) << "not a wave file at all";
    const std::string threeChannels = writePcmWave(inRoot("three.wav"), 3, 16);
    // A header the library reads, and samples cut short of what it promises.
    const std::string cut = writePcmWave(inRoot("cut.wav"), 1, 16);
    fs::resize_file(cut, fs::file_size(cut) - 200);
    struct Case { const char* name; std::string path; int message; };
    const Case cases[] = {
        {"not a wave file", garbage, 209},
        {"three channels", threeChannels, msg::BadChannelCount},
        {"samples cut short", cut, msg::BadDataChunk},
        {"no such file", inRoot("missing.wav"), msg::CannotRead},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui().clear();
        clsWave* w = newDocument();
        w->setFileName(QString::fromStdString(c.path));
        EXPECT_FALSE(w->Valid());
        EXPECT_EQ(shownMessages(), std::vector<int>{c.message});
        EXPECT_TRUE(everyMessageNames(c.path));
        w->Die();
    }
}

TEST_F(Document, TemporaryRecordingBecomesUntitledAndItsFileGoes)
{
    std::string temp;
    ASSERT_EQ(GetTempName(temp), Ok);
    writeResponse(temp, 1000);
    const QString key = NewWave(false);
    clsWave* w = WaveByKey(key);
    w->setFileName(QString::fromStdString(temp));
    ASSERT_TRUE(w->Valid());
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_EQ(w->FileName(), "Untitled-" + key);
    EXPECT_EQ(WaveStore::frames(w->header()), 1000) << "the samples stay in the library";
}

TEST_F(Document, UsersTmpFilesAreKept)
{
    for (const char* name : {"x.tmp", "y.TMP", "z.tmp.wav"}) {
        SCOPED_TRACE(name);
        const std::string path = writeResponse(inRoot(name), 300);
        clsWave* w = newDocument();
        w->setFileName(QString::fromStdString(path));
        ASSERT_TRUE(w->Valid());
        EXPECT_TRUE(fs::exists(path));
        EXPECT_EQ(w->FileName().toStdString(), path);
        w->setNewRecording(true);
        w->Die();
        EXPECT_TRUE(fs::exists(path)) << "a new recording's Die deletes only temporary files";
    }
}

TEST_F(Document, ViewSettingsMarkTheViewDirtyOnlyWhenTheyChange)
{
    clsWave* w = newDocument();
    EXPECT_EQ(w->dBRange(), 60.0f);
    EXPECT_EQ(w->ViewType(), 0);
    EXPECT_EQ(w->FilterType(), -1);
    EXPECT_FALSE(w->AutoScale());
    auto dirtyAfter = [&](const std::function<void()>& set) {
        w->setViewDirty(false);
        set();
        return w->viewDirty();
    };
    EXPECT_FALSE(dirtyAfter([&] { w->setdBRange(60); }));
    EXPECT_TRUE(dirtyAfter([&] { w->setdBRange(80); }));
    EXPECT_FALSE(dirtyAfter([&] { w->setViewType(0); }));
    EXPECT_TRUE(dirtyAfter([&] { w->setViewType(3); }));
    EXPECT_FALSE(dirtyAfter([&] { w->setFilterType(-1); }));
    EXPECT_TRUE(dirtyAfter([&] { w->setFilterType(30); }));
    EXPECT_FALSE(dirtyAfter([&] { w->setAutoScale(false); }));
    EXPECT_TRUE(dirtyAfter([&] { w->setAutoScale(true); }));
    EXPECT_FALSE(w->Changed()) << "view settings are not changes of the response";
}

TEST_F(Document, ChangedRaisesWaveChangeEveryTimeItIsSet)
{
    clsWave* w = newDocument();
    QSignalSpy spy(w, &clsWave::WaveChange);
    w->setChanged(true);
    w->setChanged(true);
    EXPECT_EQ(spy.count(), 2);
    w->setChanged(false);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_FALSE(w->Changed());
}

TEST_F(Document, KeysCountUpAndAreNeverReused)
{
    const QString a = NewWave(false);
    const QString b = NewWave(false);
    EXPECT_EQ(b.toInt(), a.toInt() + 1);
    EXPECT_EQ(FindWaveByKey(a), WaveCount() - 1);
    WaveByKey(b)->Die();
    EXPECT_EQ(FindWaveByKey(b), 0);
    EXPECT_EQ(WaveByKey(b), nullptr);
    const QString c = NewWave(false);
    EXPECT_EQ(c.toInt(), b.toInt() + 1);
    EXPECT_EQ(WaveAt(FindWaveByKey(c))->Key(), c);
    EXPECT_EQ(WaveAt(0), nullptr);
}

TEST_F(Document, DieRaisesWaveExitUnloadsTheWindowAndLeavesTheCollection)
{
    struct FakeViewer : WaveViewer {
        int* unloads;
        explicit FakeViewer(int* u) : unloads(u) {}
        void unload() override
        {
            ++*unloads;
            delete this;
        }
        bool quitFile() override { return false; }
    };
    int unloads = 0;
    clsWave::setViewerFactory([&](clsWave&) { return new FakeViewer(&unloads); });
    const QString key = NewWave();
    clsWave::setViewerFactory({});
    clsWave* w = WaveByKey(key);
    ASSERT_NE(w->viewer(), nullptr);
    EXPECT_FALSE(w->QuitFile()) << "the window answers the save question";
    w->setFileName(QString::fromStdString(writeResponse(inRoot("die.wav"), 300)));
    ASSERT_TRUE(w->Valid());
    const WaveHeader held = w->header();
    QSignalSpy exits(w, &clsWave::WaveExit);
    w->Die();
    EXPECT_EQ(exits.count(), 1);
    EXPECT_EQ(unloads, 1);
    EXPECT_EQ(FindWaveByKey(key), 0);
    EXPECT_FALSE(WaveStore::isOpen(held));
}

TEST_F(Document, HeadlessDocumentHasNoWindowAndNeverRefuses)
{
    clsWave* w = WaveByKey(NewWave());
    EXPECT_EQ(w->viewer(), nullptr);
    EXPECT_TRUE(w->QuitFile());
    EXPECT_FALSE(w->ChildActive());
    w->SetFocus();
    w->Die(); // never loaded: only leaves the collection
    EXPECT_EQ(WaveCount(), 0);
}

TEST_F(Document, SaveAsKeepsNameAndChangedAndClearsNewRecording)
{
    clsWave* w = newDocument();
    w->setFileName(QString::fromStdString(writeResponse(inRoot("save.wav"), 300)));
    w->setNewRecording(true);
    w->setProject("Changed project");
    const std::string target = inRoot("saved.wav");
    EXPECT_TRUE(w->SaveAs(QString::fromStdString(target)));
    EXPECT_FALSE(w->NewRecording());
    EXPECT_TRUE(w->Changed());
    EXPECT_EQ(w->FileName().toStdString(), inRoot("save.wav"));

    clsWave* back = newDocument();
    back->setFileName(QString::fromStdString(target));
    EXPECT_EQ(back->Project(), "Changed project");

    // No set-up template: the library refuses and the document stays unsaved.
    w->setNewRecording(true);
    EXPECT_FALSE(w->SaveAs(QString::fromStdString(inRoot("saved.tim"))));
    EXPECT_EQ(shownMessages(), std::vector<int>{217});
    EXPECT_TRUE(w->NewRecording());
}

TEST_F(Document, RecordingInformation)
{
    clsWave* w = newDocument();
    WaveHeader& h = w->header();
    h.info.versionMajor = 3;
    h.info.versionMinor = 0;
    h.info.versionRevision = 12;
    EXPECT_EQ(w->VemraVersion(), "3.0.12");

    QSignalSpy changes(w, &clsWave::WaveChange);
    w->setProject("Same");
    w->setProject("Same");
    EXPECT_EQ(changes.count(), 2) << "every text set marks the document changed";
    w->setComments(QString(300, 'c'));
    EXPECT_EQ(w->Comments(), QString(256, 'c'));
    w->setEngineer("  padded  ");
    EXPECT_EQ(w->Engineer(), "padded");

    writeFileNameField(h, "Untitled-4");
    h.info.time = 86400;
    EXPECT_EQ(w->DateTime(), QLocale().toString(QDate(1980, 1, 2), QLocale::ShortFormat));
    h.info.time = 86400 + 3661;
    const QString withTime = w->DateTime();
    EXPECT_TRUE(withTime.startsWith(QLocale().toString(QDate(1980, 1, 2), QLocale::ShortFormat) + " ")) << withTime.toStdString();
    EXPECT_TRUE(withTime.contains("1:01:01")) << withTime.toStdString();
    h.info.time = 0;
    EXPECT_TRUE(w->DateTime().startsWith(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat)));

    // A named file without a stored time gives its time of last writing; a file that is gone is an error.
    const std::string path = writeResponse(inRoot("dated.wav"), 300);
    writeFileNameField(h, path);
    EXPECT_TRUE(w->DateTime().startsWith(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat)));
    fs::remove(path);
    EXPECT_THROW(w->DateTime(), VemraError);
}

TEST_F(Document, GainsChangeTheDocumentOnlyWhenTheyDiffer)
{
    clsWave* w = newDocument();
    QSignalSpy changes(w, &clsWave::WaveChange);
    w->setGainIntOut(0);
    w->setGainExtCha(1, 0);
    w->setGainCalCh1(2, 0);
    w->setTemperature(w->Temperature());
    EXPECT_EQ(changes.count(), 0);
    w->setGainIntOut(-6);
    w->setGainCalCh2(8, 1.5f);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(w->GainCalCh2(8), 1.5f);
    w->setCalID(w->CalID());
    EXPECT_EQ(changes.count(), 3) << "CalID always marks the document changed";
    EXPECT_THROW(w->GainCalCh1(1), VemraError);
    EXPECT_THROW(w->setGainCalCh1(9, 0), VemraError);
    EXPECT_THROW(w->GainIntCha(2), VemraError);
}

TEST_F(Document, CalibratedUnlessTheNameSaysOtherwise)
{
    clsWave* w = newDocument();
    for (const char* id : {"", "Not Calibrated", "     "}) {
        w->setCalID(id);
        EXPECT_FALSE(w->Calibrated()) << id;
    }
    w->setCalID("Room 3");
    EXPECT_TRUE(w->Calibrated());
    w->setCalID("not calibrated");
    EXPECT_TRUE(w->Calibrated()) << "the comparison is case-sensitive";
}

TEST_F(Document, TotalGainByStimulusAndReceiver)
{
    clsWave* w = newDocument();
    w->setGainIntOut(1);
    w->setGainExtOut(2);
    w->setGainIntCha(0, 10);
    w->setGainIntCha(1, 20);
    w->setGainExtCha(0, 100);
    w->setGainExtCha(1, 200);
    struct Case {
        std::int16_t stimulus, receiver;
        float ch0, ch1;
    };
    const Case cases[] = {
        {1, 0, 113, 223}, // internal MLS: output and input gains
        {5, 0, 113, 223}, // internal sweep
        {5, 1, 113, 113}, // switched receiver: both channels through input 0
        {3, 0, -110, -110}, // external noise: channel 0 against channel 1, whatever the channel
        {2, 0, 110, 220},   // other stimuli: input gains only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stimulus * 10 + c.receiver);
        w->header().info.Stimulus = c.stimulus;
        w->header().info.Receiver = c.receiver;
        EXPECT_FLOAT_EQ(w->TotalGain(0), c.ch0);
        EXPECT_FLOAT_EQ(w->TotalGain(1), c.ch1);
    }
}

TEST_F(Document, DestroyReleasesTheSamplesButKeepsUsersFilesAndTheEntry)
{
    const std::string path = writeResponse(inRoot("destroy.wav"), 300);
    const QString key = NewWave(false);
    clsWave* w = WaveByKey(key);
    w->setFileName(QString::fromStdString(path));
    ASSERT_TRUE(w->Valid());
    w->setChanged(true);
    const WaveHeader held = w->header();
    w->Destroy();
    EXPECT_FALSE(w->Valid());
    EXPECT_FALSE(w->Changed());
    EXPECT_FALSE(WaveStore::isOpen(held));
    EXPECT_TRUE(fs::exists(path)) << "only files GetTempName issued are deleted";
    EXPECT_EQ(WaveByKey(key), w);
}
