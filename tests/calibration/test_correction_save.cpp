// The correction files at the end of a calibration: the set is put in place all or none, a failure at any file of
// it keeps the card's earlier set and says so, a filter cut short is refused by name, and the staging folders of
// saves that were killed go while one still held stays.
#include "CalFixture.h"

#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "core/MessageTexts.h"
#include "core/NativePath.h"
#include "library/Messages.h"
#include "library/files/FileIo.h"
#include "library/files/StagingFolder.h"
#include "library/sound/CorrectionFile.h"

#include <QFileInfo>

#include <map>
#include <optional>

using namespace caltest;

namespace {

class CorrectionSave : public CalTest {
protected:
    void TearDown() override
    {
        frmCalCard::setRenameStep({});
        CalTest::TearDown();
    }
};

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList stagingFolders()
{
    return QDir(CalibrationFolder()).entryList({QStringLiteral(".staging-*")}, QDir::Dirs | QDir::Hidden);
}

} // namespace

TEST_F(CorrectionSave, AFailureAtAnyFileKeepsTheEarlierSetAndSaysSoAndASaveThatWorksReplacesThemAll)
{
    frmCalCard* w = openWizard();
    w->cmdNext_Click();
    w->cmdNext_Click();
    ASSERT_TRUE(w->Success()) << runReport();

    // The card's earlier set: bytes of its own under every name the save makes, in the order it makes them.
    const QString fingerPrint = Mixer->FingerPrint();
    const std::int32_t rate = Player->PlayFreq();
    const int minOrder = Player->MinLength(), maxOrder = Player->MaxLength();
    std::vector<QString> set;
    for (int n = minOrder; n <= maxOrder; ++n)
        for (const char* ending : {"_mls.pcm", "_swp.pcm"})
            set.push_back(CorrectionFileName(fingerPrint, rate, n, QLatin1String(ending)));
    ASSERT_GE(set.size(), 3u);
    std::map<QString, QByteArray> earlier;
    for (const QString& f : set) {
        QFile out(f);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        earlier[f] = "earlier correction " + f.toUtf8();
        out.write(earlier[f]);
    }
    // A staging folder a running save holds, and one whose save was killed before it held it.
    std::optional<files::StagingFolder> held(std::in_place, NativePath(CalibrationFolder()));
    ASSERT_TRUE(held->ok());
    const QString killed = CalibrationFolder() + QStringLiteral("/.staging-Ab12Cd");
    QDir().mkpath(killed);

    const std::size_t positions[] = {0, set.size() / 2, set.size() - 1};
    for (const std::size_t failAt : positions) {
        SCOPED_TRACE(failAt);
        frmCalCard::setRenameStep([&](const std::string& from, const std::string& to) {
            const bool putBack = QFileInfo(PathFromNative(from)).fileName() != QFileInfo(PathFromNative(to)).fileName();
            if (!putBack && PathFromNative(to) == set[failAt])
                return false;
            return files::replaceFileAtomically(from, to) == Ok;
        });
        scripted().clear();
        EXPECT_FALSE(w->SaveCalibration());
        ASSERT_EQ(shownErrors(), std::vector<int>{msg::CannotCreateFile}) << runReport();
        const QString text = scripted().messages.front().text;
        EXPECT_TRUE(text.startsWith(MessageText(msg::CannotCreateFile))) << text.toStdString();
        EXPECT_TRUE(text.contains(QDir::toNativeSeparators(set[failAt]))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("earlier correction files are kept as they were")))
            << text.toStdString();
        for (const QString& f : set)
            EXPECT_TRUE(bytesOf(f) == earlier[f]) << "not the earlier file: " << f.toStdString();
        EXPECT_FALSE(QFileInfo::exists(killed)) << "a killed save's folder goes";
        EXPECT_EQ(stagingFolders(), QStringList{QFileInfo(PathFromNative(held->path())).fileName()});
    }

    frmCalCard::setRenameStep({});
    scripted().clear();
    EXPECT_TRUE(w->SaveCalibration()) << runReport();
    EXPECT_TRUE(shownErrors().empty()) << runReport();
    for (int n = minOrder; n <= maxOrder; ++n) {
        SCOPED_TRACE(n);
        sound::CorrectedStimulus made;
        EXPECT_EQ(sound::readCorrectedStimulus(NativePath(CorrectionFileName(fingerPrint, rate, n, QStringLiteral("_mls.pcm"))),
                                               sound::StimulusKind::Mls, n, rate, made), Ok);
        EXPECT_EQ(sound::readCorrectedStimulus(NativePath(CorrectionFileName(fingerPrint, rate, n, QStringLiteral("_swp.pcm"))),
                                               sound::StimulusKind::Sweep, n, rate, made), Ok);
    }
    held.reset();
    EXPECT_TRUE(stagingFolders().isEmpty());

    // One of the run's filters cut short: refused by its name, and the set just saved stays as it is.
    std::map<QString, QByteArray> saved;
    for (const QString& f : set)
        saved[f] = bytesOf(f);
    const QString filter = w->SweepFilterFile(minOrder + 1);
    const QByteArray whole = bytesOf(filter);
    ASSERT_FALSE(whole.isEmpty());
    {
        QFile cut(filter);
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cut.write(whole.left(whole.size() / 2));
    }
    scripted().clear();
    EXPECT_FALSE(w->SaveCalibration());
    ASSERT_EQ(shownErrors(), std::vector<int>{msg::CannotRead}) << runReport();
    EXPECT_TRUE(scripted().messages.front().text.contains(QDir::toNativeSeparators(filter)));
    for (const QString& f : set)
        EXPECT_TRUE(bytesOf(f) == saved[f]) << "not the file saved: " << f.toStdString();
    EXPECT_TRUE(stagingFolders().isEmpty());
}
