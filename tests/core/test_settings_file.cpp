// The settings file: Qt's INI reader and the store read each other's files alike, every byte that is not UTF-8
// comes back as it was, an untouched entry keeps its bytes, and a write the file cannot take is told once per save
// and leaves the earlier file as it was.
#include "core/NativePath.h"
#include "core/Settings.h"
#include "core/SettingsIni.h"
#include "core/clsMRUlist.h"
#include "core/clsOptions.h"
#include "support/settings_faults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using namespace vemra;
using namespace vemra::test;

namespace {

const QString kSection = QStringLiteral("StoreTest");

void writeFile(const QByteArray& bytes)
{
    ReloadSettings();
    const QString path = SettingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    ReloadSettings();
}

// A file of its own for each use of Qt's reader and writer: QSettings shares what it read of a file among all its
// objects on that path, whatever their format, so Qt's reader never looks at the store's own file.
QString scratchFile()
{
    static int n = 0;
    return QDir::tempPath() + QStringLiteral("/qt-ini-%1-%2.ini").arg(QCoreApplication::applicationPid()).arg(++n);
}

// Qt's reading of an entry of the settings file, as the store gives it (a list as its items joined by ", ").
QString qtReads(const QString& key)
{
    const QString copy = scratchFile();
    QFile::copy(SettingsFilePath(), copy);
    const QSettings qt(copy, QSettings::IniFormat);
    const QVariant v = qt.value(key);
    QFile::remove(copy);
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

// The file Qt's writer makes of these entries.
QByteArray qtWrites(const std::vector<std::pair<QString, QVariant>>& entries)
{
    const QString path = scratchFile();
    {
        QSettings qt(path, QSettings::IniFormat);
        for (const auto& [key, value] : entries)
            qt.setValue(key, value);
    }
    const QByteArray bytes = FileBytes(path);
    QFile::remove(path);
    return bytes;
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override { clear(); }
    void TearDown() override
    {
        clear();
        SetSettingsNotSavedReport({});
    }
    static void clear()
    {
        for (const char* section : {"StoreTest", "Setup", "Dir", "MRUfiles", "UserInfo", "General", "Typed"})
            DeleteSetting(QString::fromLatin1(section));
        FlushSettings();
    }
};

// Values whose forms in the file differ from their text: separators, blanks at the ends, quotes, escapes,
// control characters, a leading '@', characters beyond ASCII and beyond U+FFFF.
const std::vector<QString>& awkwardValues()
{
    static const std::vector<QString> values = {
        QStringLiteral("plain"),
        QString(),
        QStringLiteral("12;=0.00;-3=1.5;"),
        QStringLiteral("a, b,c"),
        QStringLiteral("  padded  "),
        QStringLiteral("say \"hi\" \\ there"),
        QStringLiteral("tab\there\nnew line\r"),
        QStringLiteral("bell\a then 1f"),
        QStringLiteral("@at the start"),
        QStringLiteral("@@two"),
        QStringLiteral("@ByteArray(not bytes)"),
        QStringLiteral("R\u00e4ume \u20ac \U0001F3B5"),
        QStringLiteral("semi;colon"),
        QString(QChar(0)) + QStringLiteral("12"),
    };
    return values;
}

} // namespace

TEST_F(SettingsFile, QtsReaderReadsWhatTheStoreWrites)
{
    const auto& values = awkwardValues();
    for (std::size_t i = 0; i < values.size(); ++i)
        SaveSetting(kSection, QStringLiteral("v%1").arg(i), values[i]);
    // Keys and section names with what the file escapes.
    SaveSetting(QStringLiteral("StoreTest\\Card A/B - 48000"), QStringLiteral("Gain %"), QStringLiteral("3"));
    SaveSetting(kSection, QStringLiteral("R\u00e4um/e"), QStringLiteral("key"));
    SaveSetting(QStringLiteral("General"), QStringLiteral("DPTest"), QStringLiteral("1.00"));
    ASSERT_TRUE(FlushSettings());
    for (std::size_t i = 0; i < values.size(); ++i) {
        SCOPED_TRACE(values[i].toStdString());
        EXPECT_EQ(qtReads(QStringLiteral("StoreTest/v%1").arg(i)), values[i]);
    }
    EXPECT_EQ(qtReads(QStringLiteral("StoreTest/Card A%2FB - 48000/Gain %25")), QStringLiteral("3"));
    EXPECT_EQ(qtReads(QStringLiteral("StoreTest/R\u00e4um%2Fe")), QStringLiteral("key"));
    EXPECT_EQ(qtReads(QStringLiteral("General/DPTest")), QStringLiteral("1.00"));
}

TEST_F(SettingsFile, TheStoreReadsWhatQtsWriterWroteAndKeepsItsBytes)
{
    const auto& values = awkwardValues();
    std::vector<std::pair<QString, QVariant>> entries;
    for (std::size_t i = 0; i < values.size(); ++i)
        entries.emplace_back(QStringLiteral("StoreTest/v%1").arg(i), values[i]);
    entries.emplace_back(QStringLiteral("StoreTest/Card A%2FB/Gain"), QStringLiteral("3"));
    entries.emplace_back(QStringLiteral("General/DPTest"), QStringLiteral("1.00"));
    entries.emplace_back(QStringLiteral("WindowState"), QStringLiteral("2"));
    // A name that is not UTF-8, as the store wrote it before it kept such bytes as they are.
    entries.emplace_back(QStringLiteral("Dir/DataDirectory"), QByteArray("/data/r\xE4ume"));
    // And a section a person typed, its separators escaped as Qt's writer never escapes them.
    writeFile(qtWrites(entries) + "\n[Typed]\n%2Fk=1\na%2Fb=2\nk%2F%2F=3\n");
    const QByteArray written = FileBytes(SettingsFilePath());
    auto readsAll = [&] {
        for (std::size_t i = 0; i < values.size(); ++i) {
            SCOPED_TRACE(values[i].toStdString());
            EXPECT_EQ(GetSetting(kSection, QStringLiteral("v%1").arg(i)), values[i]);
        }
        EXPECT_EQ(GetSetting(QStringLiteral("StoreTest\\Card A/B"), QStringLiteral("Gain")), QStringLiteral("3"));
        EXPECT_EQ(GetSetting(QStringLiteral("General"), QStringLiteral("DPTest")), QStringLiteral("1.00"));
        EXPECT_EQ(ReadPath(QStringLiteral("Dir"), QStringLiteral("DataDirectory")), PathFromNative("/data/r\xE4ume"));
    };
    readsAll();

    // Another entry changes: every other entry is written back as the file held it.
    SaveSetting(kSection, QStringLiteral("changed"), QStringLiteral("yes"));
    ASSERT_TRUE(FlushSettings());
    const QByteArray rewritten = FileBytes(SettingsFilePath());
    for (const QByteArray& line : written.split('\n'))
        EXPECT_TRUE(!line.contains('=') || rewritten.contains(line + '\n')) << line.toStdString();
    ReloadSettings();
    readsAll();
}

TEST_F(SettingsFile, HandWrittenEntriesReadAsQtReadsThem)
{
    // Forms a user or another tool may have written, each read by Qt's reader and by the store.
    const char* const lines[] = {
        "spaced =  value with blanks  ",
        "quoted=\"  kept  \"",
        "list=a, b ,c",
        "quotedList=\"a,b\", c",
        "hex=\\x41\\x42C",
        "octal=\\101\\60",
        "dropped=a\\qb",
        "comment=value ; a comment",
        "continued=first \\\n  second",
        "crlf=windows\r",
        "bytes=@ByteArray(\\xff\\0)",
        "string=@String(a\\0b)",
        "invalid=@Invalid()",
        "doubleAt=@@x",
        "escapedQuote=\\\"q\\\"",
        "trailingTab=x\\t\t",
        "equals=a=b",
        "utf8=R\xC3\xA4ume",
    };
    QByteArray file = "; comment line\n[StoreTest]\n";
    for (const char* line : lines)
        file += QByteArray(line) + '\n';
    file += "[General]\ntop=level\n[%General]\nDPTest=1.00\n";
    writeFile(file);
    for (const char* line : lines) {
        const QString key = QString::fromLatin1(line).section(QLatin1Char('='), 0, 0).trimmed();
        SCOPED_TRACE(line);
        const QString qt = qtReads(QStringLiteral("StoreTest/") + key);
        if (key == QLatin1String("bytes")) {
            EXPECT_EQ(NativePath(GetSetting(kSection, key)), std::string("\xFF\0", 2));
        } else {
            EXPECT_EQ(GetSetting(kSection, key, QStringLiteral("(none)")), qt.isNull() ? QStringLiteral("(none)") : qt);
        }
    }
    EXPECT_EQ(GetSetting(QString(), QStringLiteral("top")), QStringLiteral("level"));
    EXPECT_EQ(GetSetting(QStringLiteral("General"), QStringLiteral("DPTest")), QStringLiteral("1.00"));
    EXPECT_EQ(SettingKeys(QString()), QStringList{QStringLiteral("top")});
}

// Every entry reads back with the same value, under the same key as the file spelled it (a separator may be spelled
// '\\' or "%2F", a character escaped or not) and in a section of the same header. Files laid out as the writer lays
// them out (a blank line between sections, ungrouped entries first) come back byte for byte.
TEST(SettingsIni, WhatTheWriterWritesReadsBackAsTheFileRead)
{
    const struct {
        const char* name;
        QByteArray file;
        bool whole = false; // written back byte for byte
    } rows[] = {
        {"sections named like the one of ungrouped entries", "[general]\nx=1\n[%general]\ny=2\n[%General]\nz=3\n"},
        {"a key that starts with a group separator", "[General]\n\\lead=1\n[a]\n\\b\\c=2\n"},
        {"a key that ends with one", "[a]\nk%2F=1\nk%2F%2F=2\n"},
        {"an ungrouped key that ends with one", "[General]\nk%2F=1\nx\\y%2F=2\n"},
        {"escaped bytes that would meet as a character", "[a]\nk=\\xdcc3\xA4\n%UDCC3%UDCA4=1\n"},
        {"a surrogate of no pair", "[a]\nk=\\xd800x\n"},
        {"a quote the file never closes", "[a]\nk=\"open\nnext=1\n"},
        {"a '\\' before the end of the file", "[a]\nk=ends\\"},
        {"a '\\' and a carriage return before the end", "[a]\nk=cr\\\r"},
        {"nested sections and blanks", "\xEF\xBB\xBF[a b\\c]\nk = 1 \n[a%5Db]\n%3Bk=\"x;y\"\n"},
        {"a list with quoted and empty items", "[a]\nk=x, \" y \",, @z, @@w\n"},
        {"an escaped separator at a key's start", "[General]\n%2Fk=1\n\n[a]\n%2Fk=2\n", true},
        {"one in a key's middle", "[General]\na%2Fb=1\n\n[a]\na%2Fb=2\n", true},
        {"two at a key's end", "[General]\nk%2F%2F=1\n\n[a]\nk%2F%2F=2\n", true},
        {"a separator spelled both ways in one key", "[a]\n%2F\\k=1\nx\\y%2fz=2\n", true},
        {"escaped backslashes, a key's own characters", "[General]\n%5Ck=1\na%5Cb=2\nk%5C%5C=3\n\n[a]\n%5Ck=4\n", true},
        {"section names that hold escaped separators", "[%2Fc]\nk=1\n\n[a%2Fb]\n%2Fk=2\n", true},
        {"keys before the first section", "%41=1\nk%2F%2F=2\n\n[General]\nx=3\n", true},
        {"a key before the first section that starts as a byte-order mark", "\xEF\xBB\xBF\n\xEF\xBB\xBFk=1\n"},
        {"a section line that ends in an escaped carriage return", "[a]\\\r\rk=1\n", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QSettings::SettingsMap read = ReadIniText(row.file);
        ASSERT_FALSE(read.isEmpty());
        const QByteArray written = IniFileText(read);
        const QSettings::SettingsMap again = ReadIniText(written);
        EXPECT_EQ(again.keys(), read.keys()) << written.toStdString();
        for (auto it = read.begin(); it != read.end(); ++it) {
            SCOPED_TRACE(it.key().toStdString());
            EXPECT_EQ(IniValue(again.value(it.key())), IniValue(it.value()));
            const IniEntry before = it.value().value<IniEntry>(), after = again.value(it.key()).value<IniEntry>();
            EXPECT_EQ(after.key, before.key) << written.toStdString();
            EXPECT_EQ(after.section, before.section) << written.toStdString();
        }
        EXPECT_EQ(IniFileText(again), written);
        if (row.whole) {
            EXPECT_EQ(written.toStdString(), row.file.toStdString());
        }
    }
}

// The file's spelling of a key goes with the entry only while it still reads as the entry's key: an entry put under
// another key is written under that one.
TEST(SettingsIni, AnEntryUnderAnotherKeyIsWrittenUnderThatKey)
{
    QSettings::SettingsMap entries = ReadIniText("[a]\n%2Fk=1\nx=2\n");
    entries.insert(QStringLiteral("b/c"), entries.take(QStringLiteral("a//k")));
    entries.insert(QStringLiteral("top"), entries.value(QStringLiteral("a/x")));
    const QByteArray written = IniFileText(entries);
    const QSettings::SettingsMap again = ReadIniText(written);
    EXPECT_EQ(again.keys(), entries.keys()) << written.toStdString();
    EXPECT_EQ(IniValue(again.value(QStringLiteral("b/c"))), QVariant(QStringLiteral("1")));
    EXPECT_EQ(IniValue(again.value(QStringLiteral("top"))), QVariant(QStringLiteral("2")));
}

TEST_F(SettingsFile, BytesThatAreNotUtf8ComeBackByteForByte)
{
    writeFile("[Dir]\nDataDirectory=/data/\xFF\xFE\n"
              "[MRUfiles]\n0=/rooms/h\xE4ll.wav\n"
              "[UserInfo]\nEngineer=caf\xE9\n"
              "[Setup]\nTemperature=20\n");
    {
        clsOptions options(nullptr, [](std::int32_t, float) {});
        EXPECT_EQ(NativePath(options.DataDir()), "/data/\xFF\xFE");
        EXPECT_EQ(NativePath(GetSetting(QStringLiteral("UserInfo"), QStringLiteral("Engineer"))), "caf\xE9");
        clsMRUlist recent;
        EXPECT_EQ(NativePath(recent.GetMRUfile(0)), "/rooms/h\xE4ll.wav");
        // The program changes other values: the options save all of theirs, the list moves its names down.
        options.setTemperature(25.0f);
        recent.setMRUfile(PathFromNative("/rooms/\xFF.wav"));
    } // the list writes itself back as at the exit
    ASSERT_TRUE(FlushSettings());
    const QByteArray file = FileBytes(SettingsFilePath());
    for (const char* line : {"DataDirectory=/data/\xFF\xFE\n", "Engineer=caf\xE9\n", "0=/rooms/\xFF.wav\n",
                             "1=/rooms/h\xE4ll.wav\n", "Temperature=25\n"})
        EXPECT_TRUE(file.contains(line)) << line;
    ReloadSettings();
    EXPECT_EQ(NativePath(*ReadPath(QStringLiteral("Dir"), QStringLiteral("DataDirectory"))), "/data/\xFF\xFE");
    EXPECT_EQ(NativePath(*ReadPath(QStringLiteral("MRUfiles"), QStringLiteral("1"))), "/rooms/h\xE4ll.wav");
}

TEST_F(SettingsFile, KeysThatAreNotUtf8KeepTheirBytes)
{
    writeFile("[StoreTest]\nR\xE4ume=1\n");
    const QString key = PathFromNative("R\xE4ume");
    ASSERT_EQ(SettingKeys(kSection), QStringList{key});
    SaveSetting(kSection, QStringLiteral("other"), QStringLiteral("2"));
    ASSERT_TRUE(FlushSettings());
    EXPECT_TRUE(FileBytes(SettingsFilePath()).contains("\nR\xE4ume=1\n"));
}

TEST_F(SettingsFile, WritingTheValueAnEntryHoldsLeavesItAsTheFileHasIt)
{
    // The same text in another form than the store would write it.
    writeFile("[StoreTest]\nquoted=\"plain\"\nlist=a,b\n");
    SaveSetting(kSection, QStringLiteral("quoted"), QStringLiteral("plain"));
    SaveSetting(kSection, QStringLiteral("list"), GetSetting(kSection, QStringLiteral("list")));
    SaveSetting(kSection, QStringLiteral("new"), QStringLiteral("x"));
    ASSERT_TRUE(FlushSettings());
    const QByteArray file = FileBytes(SettingsFilePath());
    EXPECT_TRUE(file.contains("quoted=\"plain\"\n"));
    EXPECT_TRUE(file.contains("list=a,b\n"));
}

namespace {

class NotSaved : public SettingsFile, public ::testing::WithParamInterface<SettingsFault> {
protected:
    void SetUp() override
    {
        SettingsFile::SetUp();
        SetSettingsNotSavedReport([this](const QString& file) { reports.push_back(file); });
        SaveSetting(kSection, QStringLiteral("kept"), QStringLiteral("before"));
        ASSERT_TRUE(FlushSettings());
    }
    std::vector<QString> reports;
};

} // namespace

TEST_P(NotSaved, EachSaveTellsOnceAndTheEarlierFileStays)
{
    const QString path = SettingsFilePath();
    {
        const UnwritableSettings fault(GetParam());
        // A setting changed on the way, outside a save the user asked for: the log hears of it, the user does not.
        SaveSetting(kSection, QStringLiteral("kept"), QStringLiteral("after"));
        EXPECT_FALSE(FlushSettings());
        EXPECT_TRUE(reports.empty());
        EXPECT_EQ(GetSetting(kSection, QStringLiteral("kept")), QStringLiteral("after")) << "kept for the run";

        // One save, nested ones inside, many flushes: told once, when the outermost ends.
        {
            const SettingsSaveEvent save;
            for (int i = 0; i < 3; ++i) {
                const SettingsSaveEvent inner;
                SaveSetting(kSection, QStringLiteral("n%1").arg(i), QStringLiteral("x"));
                EXPECT_FALSE(FlushSettings());
            }
            EXPECT_TRUE(reports.empty()) << "nothing while the save is open";
        }
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0], path);
        // A save that writes nothing tells nothing, whatever the one before met.
        {
            const SettingsSaveEvent nothingWritten;
        }
        EXPECT_EQ(reports.size(), 1u);
        // The next save tells again: what is pending is still not in the file.
        {
            const SettingsSaveEvent again;
            EXPECT_FALSE(FlushSettings());
        }
        EXPECT_EQ(reports.size(), 2u);
        EXPECT_EQ(fault.now(), fault.before()) << "the earlier file as it was";
        EXPECT_NE(fault.now().size(), 0) << "there was an earlier file";
    }
    // Writable again: the next flush writes everything the failed ones left, and tells nothing.
    {
        const SettingsSaveEvent save;
        EXPECT_TRUE(FlushSettings());
    }
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_EQ(qtReads(QStringLiteral("StoreTest/kept")), QStringLiteral("after"));
    EXPECT_EQ(qtReads(QStringLiteral("StoreTest/n2")), QStringLiteral("x"));
}

INSTANTIATE_TEST_SUITE_P(Faults, NotSaved,
                         ::testing::Values(SettingsFault::ReadOnlyFolder, SettingsFault::FullDisk,
                                           SettingsFault::FolderIsAFile),
                         [](const auto& info) {
                             std::string name = SettingsFaultName(info.param);
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST_F(SettingsFile, NothingPendingWritesNothingAndTellsNothing)
{
    std::vector<QString> reports;
    SetSettingsNotSavedReport([&](const QString& file) { reports.push_back(file); });
    SaveSetting(kSection, QStringLiteral("same"), QStringLiteral("value"));
    const UnwritableSettings fault(SettingsFault::FullDisk);
    SaveSetting(kSection, QStringLiteral("same"), QStringLiteral("value"));
    EXPECT_TRUE(FlushSettings());
    EXPECT_TRUE(reports.empty());
}

// A write of the file killed inside QSaveFile leaves "<file>.XXXXXX" beside it, six letters of both cases at random.
// The next save removes such files, but no file, folder or FIFO of another shape, no copy a user named (digits
// anywhere, a word in small, capital or title letters), nothing a link points at, and nothing while another save
// holds the file's lock (QSettings writes under it, so one of these may be its temporary, still being written).
TEST_F(SettingsFile, TheNextSaveRemovesWhatAKilledSaveLeftAndNothingElse)
{
    const QFileInfo file(SettingsFilePath());
    const QString folder = file.absolutePath() + QLatin1Char('/');
    const QString name = file.fileName();
    ASSERT_TRUE(QDir().mkpath(folder));
    const auto plant = [&](const QString& entry) {
        QFile f(folder + entry);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("left");
    };
    const QStringList killed = {name + QStringLiteral(".qWeRtY"), name + QStringLiteral(".aBCdef"),
                                name + QStringLiteral(".ZzZzZz")};
    // The same name with another stem of its length ("Other.ini" beside "Vemra.ini").
    const QString otherStem = QStringLiteral("Other") + name.mid(5);
    QStringList others = {name + QStringLiteral(".tmp"),     name + QStringLiteral(".ABCDEFG"),
                          name + QStringLiteral(".ABC"),     QStringLiteral("Other") + name + QStringLiteral(".ABCDEF"),
                          name + QStringLiteral(".AB-DEF"),  name + QStringLiteral("ABCDEF"),
                          name + QStringLiteral(".ABCDE\u00e9"), otherStem + QStringLiteral(".aBcDeF")};
    // Copies a user made: Qt never puts a digit in, and a word is a person's in any of the ways people write one.
    for (const char* ending : {"a1B2c3", "bak001", "202612", "copy01", "Orig01", "backup", "Backup", "BACKUP"})
        others << name + QLatin1Char('.') + QLatin1String(ending);
    for (const QString& entry : killed + others)
        plant(entry);
    const QString fifo = name + QStringLiteral(".fIfOxY");
    ASSERT_EQ(::mkfifo(NativePath(folder + fifo).c_str(), 0600), 0);
    const QString folderOfThatName = name + QStringLiteral(".DiRxyz");
    ASSERT_TRUE(QDir().mkpath(folder + folderOfThatName));
    const QString victim = folder + QStringLiteral("victim");
    plant(QStringLiteral("victim"));
    const QString link = name + QStringLiteral(".LnKxyz");
    ASSERT_TRUE(QFile::link(victim, folder + link));
    // Another user's file of that name is not ours to remove (only root can give a file away to plant one).
    const QString anothers = name + QStringLiteral(".OtHeRs");
    plant(anothers);
    const bool anotherUser = ::chown(NativePath(folder + anothers).c_str(), 65534, 65534) == 0;

    const auto exists = [&](const QString& entry) { return QFileInfo(folder + entry).exists(); };
    {
        // Another save under way: it holds the lock, and what is planted may be its temporary.
        QLockFile otherSave(SettingsFilePath() + QStringLiteral(".lock"));
        ASSERT_TRUE(otherSave.tryLock(0));
        EXPECT_TRUE(FlushSettings());
        for (const QString& entry : killed) {
            SCOPED_TRACE(entry.toStdString());
            EXPECT_TRUE(exists(entry)) << "removed while another save held the lock";
        }
    }

    SaveSetting(kSection, QStringLiteral("saved"), QStringLiteral("yes"));
    ASSERT_TRUE(FlushSettings());
    for (const QString& entry : killed) {
        SCOPED_TRACE(entry.toStdString());
        EXPECT_FALSE(exists(entry)) << "a killed save's file stays";
    }
    for (const QString& entry : others) {
        SCOPED_TRACE(entry.toStdString());
        EXPECT_EQ(FileBytes(folder + entry), QByteArray("left"));
        QFile::remove(folder + entry);
    }
    EXPECT_TRUE(QFileInfo(folder + folderOfThatName).isDir());
    struct stat fifoNow {};
    EXPECT_TRUE(::lstat(NativePath(folder + fifo).c_str(), &fifoNow) == 0 && S_ISFIFO(fifoNow.st_mode))
        << "a FIFO went";
    EXPECT_TRUE(QFileInfo(folder + link).isSymLink());
    EXPECT_EQ(FileBytes(victim), QByteArray("left"));
    EXPECT_EQ(exists(anothers), anotherUser) << "another user's file went, or our own stayed";
    EXPECT_EQ(GetSetting(kSection, QStringLiteral("saved")), QStringLiteral("yes"));
    QDir(folder + folderOfThatName).removeRecursively();
    QFile::remove(folder + link);
    QFile::remove(folder + fifo);
    QFile::remove(folder + anothers);
    QFile::remove(victim);
}
