// The document window's File commands: Open, Save, Save As with the close-after-save decision, Close, the recently
// used files and the save question; the close-after-save prompt.
#include "core/Globals.h"
#include "core/MessageTexts.h"
#include "core/ProgramHooks.h"
#include "core/Settings.h"
#include "core/clsMRUlist.h"
#include "core/clsOptions.h"
#include "library/Messages.h"
#include "library/files/ResponseFile.h"
#include "library/files/TempFiles.h"
#include "support/private_dirs.h"
#include "viewer/frmClose.h"
#include "viewer/frmFileInfo.h"
#include "viewer_fixture.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <fstream>
#include <functional>
#include <memory>

using namespace vemra;
using viewertest::scripted;
using viewertest::writeRamp;

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The documents open, by file name.
QStringList openFiles()
{
    QStringList names;
    for (clsWave* wave : WavesSnapshot())
        names << wave->FileName();
    return names;
}

class FileCommands : public viewertest::ViewerWindow {
protected:
    void SetUp() override
    {
        ViewerWindow::SetUp();
        options_ = std::make_unique<clsOptions>(nullptr, [](std::int32_t, float) {});
        Options = options_.get();
        Options->setReuseWindows(false);
        Options->setCloseOnSave(CloseAsk);
        dataDir_ = QString::fromStdString(test::privateRoot()) + "/data";
        QDir(dataDir_).removeRecursively();
        QDir().mkpath(dataDir_);
        Options->setDataDir(dataDir_);
        DeleteSetting(QStringLiteral("MRUfiles")); // whatever an earlier test left
        mru_ = std::make_unique<clsMRUlist>();
        MRUlist = mru_.get();
        CloseAfterSave = false;
        answerModals();
    }
    void TearDown() override
    {
        delete modalTimer_;
        ViewerWindow::TearDown();
        MRUlist = nullptr;
        mru_.reset();
        Options = nullptr;
        options_.reset();
    }

    frmView* windowOf(const QString& fileName)
    {
        for (clsWave* wave : WavesSnapshot())
            if (wave->FileName() == fileName && wave->viewer())
                return qobject_cast<frmView*>(wave->viewer()->widget());
        return nullptr;
    }

    static void settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The modal windows of Save As are answered as they come up: the file information window with Cancel (or OK
    // when okInfo_ is set), the close-after-save prompt by selecting promptOption_ (-1: none) and pressing Yes or
    // No as promptYes_ says.
    void answerModals()
    {
        modalTimer_ = new QTimer(qApp);
        modalTimer_->setInterval(1);
        QObject::connect(modalTimer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* info = qobject_cast<frmFileInfo*>(modal)) {
                ++infoWindows_;
                okInfo_ ? info->cmdOK_Click() : info->cmdCancel_Click();
            } else if (auto* prompt = qobject_cast<frmClose*>(modal)) {
                ++prompts_;
                promptModeShown_ = -1;
                for (int i = 0; i < 3; ++i)
                    if (prompt->optClose(i)->isChecked())
                        promptModeShown_ = i;
                if (promptOption_ >= 0)
                    prompt->optClose(promptOption_)->setChecked(true);
                QTest::mouseClick(promptYes_ ? prompt->cmdYes() : prompt->cmdNo(), Qt::LeftButton);
            }
        });
        modalTimer_->start();
    }

    QTimer* modalTimer_ = nullptr;
    int infoWindows_ = 0;
    bool okInfo_ = false;
    int prompts_ = 0;
    int promptModeShown_ = -1;
    int promptOption_ = -1;
    bool promptYes_ = false;
    std::unique_ptr<clsOptions> options_;
    std::unique_ptr<clsMRUlist> mru_;
    QString dataDir_;
};

TEST_F(FileCommands, OpenMakesANewWindowAndTheOldDocumentGoes)
{
    const QString a = writeRamp("a.wav", 4000, 8000);
    const QString b = writeRamp("b.wav", 6000, 8000);
    frmView* w = open(a);
    const QString oldKey = w->WaveFile()->Key();
    scripted().openAnswers.push_back(b);
    w->mnFileOpen_Click();
    settle();
    EXPECT_EQ(openFiles(), QStringList{b});
    EXPECT_EQ(WaveByKey(oldKey), nullptr);
    ASSERT_NE(windowOf(b), nullptr);
    EXPECT_EQ(windowOf(b)->WaveFile()->SampleCount(), 6000);
    EXPECT_EQ(MRUlist->GetMRUfile(0), b);
    EXPECT_EQ(Options->DataDir(), QFileInfo(b).absolutePath());
    // The new window lists the file among the recently used ones.
    ASSERT_NE(windowOf(b)->menuItem("mnFileMRU(1)"), nullptr);
    EXPECT_EQ(windowOf(b)->menuItem("mnFileMRU(1)")->data().toString(), b);
    EXPECT_TRUE(windowOf(b)->menuItem("mnFileMRU(0)")->isVisible());
}

TEST_F(FileCommands, OpenPreselectsTheFilterOfTheCurrentFile)
{
    struct Row {
        const char* name;
        const char* filter;
    };
    for (const Row& r : {Row{"x.txt", "Text files (*.txt)"}, Row{"x.wav", "Wave files (*.wav)"}}) {
        SCOPED_TRACE(r.name);
        const QString path = writeRamp(r.name, 3000, 8000);
        frmView* w = open(path);
        scripted().clear();
        w->mnFileOpen_Click(); // cancelled
        settle();
        ASSERT_EQ(scripted().fileDialogs.size(), 1u);
        EXPECT_EQ(scripted().fileDialogs[0].selectedFilter, QString::fromLatin1(r.filter));
        EXPECT_EQ(scripted().fileDialogs[0].filter,
                  "Wave files (*.wav);;Mlssa files (*.tim);;Text files (*.txt);;All files (*)");
        for (clsWave* wave : WavesSnapshot())
            wave->Die();
        settle();
    }
}

TEST_F(FileCommands, CancelledDialogsChangeNothing)
{
    const QString a = writeRamp("a.wav", 4000, 8000);
    frmView* w = open(a);
    w->WaveFile()->setChanged(true);
    const QString key = w->WaveFile()->Key();
    const QByteArray before = contents(a);

    // Open: No to the save question, then the Open dialog is cancelled.
    scripted().messageAnswers.push_back(MsgResult::No);
    w->mnFileOpen_Click();
    // Save As cancelled.
    w->mnFileSaveAs_Click();
    settle();
    EXPECT_EQ(openFiles(), QStringList{a});
    EXPECT_NE(WaveByKey(key), nullptr);
    EXPECT_TRUE(WaveByKey(key)->Changed());
    EXPECT_EQ(MRUlist->GetMRUfile(0), QString());
    EXPECT_EQ(contents(a), before);
}

TEST_F(FileCommands, QuitFileAsksOnlyForChangedDocuments)
{
    const QString a = writeRamp("a.wav", 4000, 8000);
    frmView* w = open(a);
    EXPECT_TRUE(w->QuitFile());
    EXPECT_TRUE(scripted().messages.empty());

    w->WaveFile()->setChanged(true);
    scripted().messageAnswers.push_back(MsgResult::Cancel);
    EXPECT_FALSE(w->QuitFile());
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_EQ(scripted().messages[0].text, "The current data has not been saved.\rSave file now?");
    EXPECT_EQ(scripted().messages[0].title, "Vemra");
    EXPECT_EQ(scripted().messages[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(scripted().messages[0].icon, MsgIcon::Question);
    EXPECT_TRUE(scripted().fileDialogs.empty());

    // Yes: the file information window, then the Save dialog; cancelled there, the document stays.
    scripted().messageAnswers.push_back(MsgResult::Yes);
    EXPECT_FALSE(w->QuitFile());
    EXPECT_EQ(infoWindows_, 1);
    EXPECT_EQ(scripted().fileDialogs.size(), 1u);

    scripted().messageAnswers.push_back(MsgResult::No);
    EXPECT_TRUE(w->QuitFile());

    // Close answered Cancel keeps the document and its window.
    scripted().messageAnswers.push_back(MsgResult::Cancel);
    w->mnFileClose_Click();
    settle();
    EXPECT_EQ(openFiles(), QStringList{a});
}

TEST_F(FileCommands, SaveAsWritesTheFileAndOffersTimOnlyWithTheTemplate)
{
    const QString a = writeRamp("a.wav", 4000, 8000);
    frmView* w = open(a);
    const QString saved = dataDir_ + "/copy.wav";
    const QString tim = QString::fromStdString(files::timTemplatePath());
    QFile::remove(tim);

    scripted().saveAnswers.push_back(dataDir_ + "/copy"); // typed without an extension
    w->mnFileSaveAs_Click();
    settle();
    EXPECT_EQ(infoWindows_, 1);
    ASSERT_EQ(scripted().fileDialogs.size(), 1u);
    EXPECT_EQ(scripted().fileDialogs[0].filter, "Wave files (*.wav);;Text files (*.txt);;All files (*)");
    EXPECT_EQ(scripted().fileDialogs[0].selectedFilter, "Wave files (*.wav)");
    EXPECT_EQ(scripted().fileDialogs[0].defaultSuffix, "wav");
    // The proposed name is the old one without its extension.
    EXPECT_EQ(scripted().fileDialogs[0].directory, QFileInfo(a).absolutePath() + "/a");
    WaveHeader h;
    std::vector<std::int16_t> samples;
    ASSERT_EQ(files::readResponse(saved.toStdString(), h, &samples), Ok);
    WaveHeader ho;
    std::vector<std::int16_t> original;
    ASSERT_EQ(files::readResponse(a.toStdString(), ho, &original), Ok);
    EXPECT_EQ(samples, original);
    EXPECT_EQ(MRUlist->GetMRUfile(0), saved);
    // The only document: it is reopened from the saved file.
    EXPECT_EQ(openFiles(), QStringList{saved});

    QDir().mkpath(QFileInfo(tim).absolutePath());
    { std::ofstream(tim.toStdString()) << "x"; }
    scripted().clear();
    windowOf(saved)->mnFileSaveAs_Click(); // cancelled
    ASSERT_EQ(scripted().fileDialogs.size(), 1u);
    EXPECT_EQ(scripted().fileDialogs[0].filter,
              "Wave files (*.wav);;Mlssa files (*.tim);;Text files (*.txt);;All files (*)");
    QFile::remove(tim);
}

TEST_F(FileCommands, AFailedSaveKeepsTheDocumentAndTheOldFile)
{
    const QString a = writeRamp("a.wav", 4000, 8000);
    frmView* w = open(a);
    w->WaveFile()->setChanged(true);
    const QString key = w->WaveFile()->Key();
    const QByteArray before = contents(a);
    scripted().saveAnswers.push_back(dataDir_ + "/no such folder/b.wav");
    w->mnFileSaveAs_Click();
    settle();
    EXPECT_FALSE(scripted().messages.empty()); // the library's message
    EXPECT_NE(WaveByKey(key), nullptr);
    EXPECT_TRUE(WaveByKey(key)->Changed());
    EXPECT_EQ(MRUlist->GetMRUfile(0), QString());
    EXPECT_EQ(contents(a), before);

    // From the save question, the failure keeps the document too.
    scripted().clear();
    scripted().messageAnswers.push_back(MsgResult::Yes);
    scripted().saveAnswers.push_back(dataDir_ + "/no such folder/b.wav");
    EXPECT_FALSE(w->QuitFile());
}

TEST_F(FileCommands, AResponseWhoseFileHasGoneIsSavedWithTheFilesMessageAndItsTexts)
{
    // The information window shows the file's time of last writing for a response without a stored date; the
    // file deleted meanwhile is said with its message, and the window's OK keeps the document's texts.
    okInfo_ = true;
    struct Route {
        const char* name;
        std::size_t questions; // messages the route asks before the file's
        std::function<void(frmView&)> save;
    };
    const Route routes[] = {
        {"Save As", 0, [](frmView& w) { w.mnFileSaveAs_Click(); }},
        {"the save question", 1, [](frmView& w) {
             scripted().messageAnswers.push_back(MsgResult::Yes);
             EXPECT_TRUE(w.QuitFile());
         }},
    };
    for (const Route& route : routes) {
        SCOPED_TRACE(route.name);
        const QString gone = QString::fromStdString(
            test::ResponseFile("gone.wav").frames(4000).rate(8000).project("Hall").write());
        frmView* w = open(gone);
        w->WaveFile()->setChanged(true);
        ASSERT_TRUE(QFile::remove(gone));
        scripted().clear();
        infoWindows_ = 0;
        const QString kept = dataDir_ + "/kept.wav";
        scripted().saveAnswers.push_back(kept);
        route.save(*w);
        settle();
        EXPECT_EQ(infoWindows_, 1);
        std::vector<std::string> texts;
        for (std::size_t i = route.questions; i < scripted().messages.size(); ++i)
            texts.push_back(scripted().messages[i].text.toStdString());
        const QString said = MessageText(msg::CannotRead) + QLatin1Char('\n') + QDir::toNativeSeparators(gone);
        EXPECT_EQ(texts, std::vector<std::string>{said.toStdString()});
        WaveHeader h;
        ASSERT_EQ(files::readResponse(kept.toStdString(), h, nullptr), Ok);
        EXPECT_EQ(readTextField(h.Project, sizeof h.Project), "Hall");
        for (clsWave* wave : WavesSnapshot())
            wave->Die();
        settle();
        QFile::remove(kept);
    }
}

TEST_F(FileCommands, CloseAfterSaveFollowsTheModeThePromptAndTheOpenDocuments)
{
    struct Row {
        const char* name;
        bool newRecording;
        std::int16_t mode;
        bool reuse;
        bool otherOpen;
        int promptAnswer; // -1 no prompt expected, 0 No, 1 Yes
        bool reopened;
    };
    const Row rows[] = {
        {"always", false, CloseAlways, false, true, -1, false},
        {"never", false, CloseNever, false, true, -1, true},
        {"ask, loaded file", false, CloseAsk, false, true, -1, false},
        {"ask, new recording, No", true, CloseAsk, false, true, 0, true},
        {"ask, new recording, Yes", true, CloseAsk, false, true, 1, false},
        {"never, reusing windows", false, CloseNever, true, true, -1, false},
        {"ask, new recording, reusing windows", true, CloseAsk, true, true, 0, false},
        {"always, only document", false, CloseAlways, false, false, -1, true},
    };
    int n = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Options->setCloseOnSave(r.mode);
        Options->setReuseWindows(r.reuse);
        const QString src = writeRamp(QStringLiteral("src%1.wav").arg(n), 3000, 8000);
        const QString saved = dataDir_ + QStringLiteral("/saved%1.wav").arg(n++);
        if (r.otherOpen)
            open(QString());
        frmView* w = open(src);
        w->WaveFile()->setNewRecording(r.newRecording);
        const QString key = w->WaveFile()->Key();
        prompts_ = 0;
        promptYes_ = r.promptAnswer == 1;
        scripted().saveAnswers.push_back(saved);
        w->mnFileSaveAs_Click();
        settle();
        EXPECT_EQ(prompts_, r.promptAnswer >= 0 ? 1 : 0);
        if (r.promptAnswer >= 0) {
            EXPECT_EQ(promptModeShown_, r.mode);
        }
        EXPECT_TRUE(QFileInfo::exists(saved));
        EXPECT_EQ(WaveByKey(key), nullptr);
        EXPECT_EQ(openFiles().contains(saved), r.reopened);
        EXPECT_EQ(Options->CloseOnSave(), r.mode); // the prompt's Yes with nothing changed keeps the mode
        for (clsWave* wave : WavesSnapshot())
            wave->Die();
        settle();
    }
}

TEST_F(FileCommands, ThePromptStoresTheModeOnlyOnYes)
{
    Options->setCloseOnSave(CloseAsk);
    {
        frmClose prompt;
        EXPECT_TRUE(prompt.optClose(2)->isChecked());
        EXPECT_EQ(prompt.windowTitle(), "Close");
        prompt.optClose(1)->setChecked(true);
        prompt.show();
        QTest::mouseClick(prompt.cmdNo(), Qt::LeftButton);
        EXPECT_FALSE(CloseAfterSave);
        EXPECT_EQ(Options->CloseOnSave(), CloseAsk);
    }
    {
        frmClose prompt;
        prompt.optClose(1)->setChecked(true);
        prompt.show();
        QTest::mouseClick(prompt.cmdYes(), Qt::LeftButton);
        EXPECT_TRUE(CloseAfterSave);
        EXPECT_EQ(Options->CloseOnSave(), CloseNever);
    }
    {
        frmClose prompt;
        EXPECT_TRUE(prompt.optClose(1)->isChecked());
        prompt.show();
        QTest::keyClick(&prompt, Qt::Key_Escape);
        EXPECT_FALSE(CloseAfterSave);
        EXPECT_EQ(Options->CloseOnSave(), CloseNever);
    }
}

TEST_F(FileCommands, NewRecordingsAreProposedANameFromProjectAndPosition)
{
    const QString src = writeRamp("rec.wav", 3000, 8000);
    frmView* w = open(src);
    clsWave* wave = w->WaveFile();
    // A recording not yet saved has a name without extension.
    auto proposed = [&] {
        wave->header().FileName[0] = 0;
        std::strcpy(wave->header().FileName, "Untitled-9");
        scripted().clear();
        w->mnFileSaveAs_Click(); // cancelled
        return scripted().fileDialogs.at(0).directory;
    };
    wave->setNewRecording(true);
    wave->setProject(" Hall ");
    wave->setPosition("A1 ");
    EXPECT_EQ(proposed(), dataDir_ + "/Hall A1");
    QFile(dataDir_ + "/Hall A1.wav").open(QIODevice::WriteOnly);
    EXPECT_EQ(proposed(), dataDir_ + "/Hall A1 002");
    QFile(dataDir_ + "/Hall A1 002.wav").open(QIODevice::WriteOnly);
    EXPECT_EQ(proposed(), dataDir_ + "/Hall A1 003");
    wave->setProject("");
    wave->setPosition("");
    EXPECT_EQ(proposed(), dataDir_ + "/Untitled");
    // A loaded file's own name, without extension; a dot in a folder name is no extension.
    wave->setNewRecording(false);
    std::strcpy(wave->header().FileName, "/x/Data.old/take");
    scripted().clear();
    w->mnFileSaveAs_Click();
    EXPECT_EQ(scripted().fileDialogs.at(0).directory, "/x/Data.old/take");
}

TEST_F(FileCommands, SaveInPlaceReopensWithoutDialogs)
{
    const QString a = writeRamp("a.wav", 4000, 8000);
    frmView* w = open(a);
    w->WaveFile()->setChanged(true);
    const QString key = w->WaveFile()->Key();
    w->mnFileSave_Click();
    settle();
    EXPECT_TRUE(scripted().fileDialogs.empty());
    EXPECT_EQ(WaveByKey(key), nullptr);
    EXPECT_EQ(openFiles(), QStringList{a});
    EXPECT_FALSE(WaveAt(1)->Changed());
    EXPECT_EQ(MRUlist->GetMRUfile(0), QString());
}

TEST_F(FileCommands, RecentFilesMenuShowsTheNewestTenAndReopens)
{
    frmView* w = open(QString());
    EXPECT_FALSE(w->menuItem("mnFileMRU(0)")->isVisible());
    EXPECT_EQ(w->menuItem("mnFileMRU(1)"), nullptr);
    const QString a = writeRamp("a.wav", 4000, 8000);
    for (int i = 10; i >= 1; --i)
        MRUlist->setMRUfile(QStringLiteral("/old/f%1 & co.wav").arg(i));
    MRUlist->setMRUfile(a); // eleven entries
    EXPECT_TRUE(w->menuItem("mnFileMRU(0)")->isVisible());
    for (int i = 1; i <= 10; ++i)
        ASSERT_NE(w->menuItem(QStringLiteral("mnFileMRU(%1)").arg(i)), nullptr);
    EXPECT_EQ(w->menuItem("mnFileMRU(10)")->data().toString(), "/old/f9 & co.wav");
    EXPECT_EQ(w->menuItem("mnFileMRU(2)")->text(), "/old/f1 && co.wav");
    // The items stand between the separator and Close.
    QMenu* file = w->menuItem("mnFile")->menu();
    const QList<QAction*> items = file->actions();
    const qsizetype sep = items.indexOf(w->menuItem("mnFileMRU(0)"));
    EXPECT_EQ(items.at(sep + 1), w->menuItem("mnFileMRU(1)"));
    EXPECT_EQ(items.at(sep + 11)->objectName(), "mnFileSep2");

    // Reopening the second entry moves it to the top; the empty window gives way.
    MRUlist->setMRUfile("/old/f1 & co.wav");
    const QString key = w->WaveFile()->Key();
    w->menuItem("mnFileMRU(2)")->trigger();
    settle();
    EXPECT_EQ(MRUlist->GetMRUfile(0), a);
    EXPECT_EQ(openFiles(), QStringList{a});
    EXPECT_EQ(WaveByKey(key), nullptr);
}

TEST_F(FileCommands, CloseOnTheLastWindowLeavesAnEmptyOne)
{
    const QString a = writeRamp("a.wav", 4000, 8000);
    frmView* w = open(a);
    w->mnFileClose_Click();
    settle();
    EXPECT_EQ(WaveCount(), 1);
    EXPECT_EQ(WaveAt(1)->FileName(), QString());
    EXPECT_FALSE(WaveAt(1)->Valid());

    w = windowOf(QString());
    ASSERT_NE(w, nullptr);
    w->mnFileNew_Click();
    settle();
    EXPECT_EQ(WaveCount(), 2);
    EXPECT_TRUE(w->menuItem("mnFileMeasure")->isEnabled()) << "an empty window still offers a measurement";
}

TEST_F(FileCommands, OpenOnTheOnlyChangedWindowSavesReopensAndOpens)
{
    const QString a = writeRamp("a.wav", 4000, 8000);
    const QString b = writeRamp("b.wav", 5000, 8000);
    const QString saved = dataDir_ + "/a saved.wav";
    frmView* w = open(a);
    w->WaveFile()->setChanged(true);
    const QString key = w->WaveFile()->Key();
    scripted().messageAnswers.push_back(MsgResult::Yes);
    scripted().saveAnswers.push_back(saved);
    scripted().openAnswers.push_back(b);
    w->mnFileOpen_Click();
    settle();
    EXPECT_EQ(WaveByKey(key), nullptr);
    QStringList files = openFiles();
    QStringList expected{saved, b};
    files.sort();
    expected.sort();
    EXPECT_EQ(files.join('|').toStdString(), expected.join('|').toStdString());
    EXPECT_EQ(MRUlist->GetMRUfile(0), b);
    EXPECT_EQ(MRUlist->GetMRUfile(1), saved);
}

TEST_F(FileCommands, ToolbarSaveAsksForANameOnlyForUntitledDocuments)
{
    const QString a = writeRamp("a.wav", 4000, 8000);
    frmView* w = open(a);
    std::strcpy(w->WaveFile()->header().FileName, "untitled-4");
    w->toolbarButtonClick("Save"); // Save As, cancelled
    EXPECT_EQ(scripted().fileDialogs.size(), 1u);
    EXPECT_EQ(openFiles(), QStringList{"untitled-4"});

    // File > Save of a document without a file of its own asks for a name too.
    w->mnFileSave_Click();
    EXPECT_EQ(scripted().fileDialogs.size(), 2u);

    std::strcpy(w->WaveFile()->header().FileName, a.toLocal8Bit().constData());
    w->toolbarButtonClick("Save"); // in place
    settle();
    EXPECT_EQ(scripted().fileDialogs.size(), 2u);
    EXPECT_EQ(openFiles(), QStringList{a});
}

TEST_F(FileCommands, ExitAsksTheProgramToEnd)
{
    int exits = 0;
    const auto saved = ExitProgramHook;
    ExitProgramHook = [&] { ++exits; };
    open(QString())->menuItem("mnFileExit")->trigger();
    ExitProgramHook = saved;
    EXPECT_EQ(exits, 1);
}

TEST_F(FileCommands, ARecentFileChosenBeforeASaveIsTheOneOpened)
{
    // The save question's save puts the saved file at the top of the list, and every window rebuilds its items:
    // the file opened is still the one the user chose.
    const QString x = writeRamp("x.wav", 3000, 8000);
    const QString y = writeRamp("y.wav", 3500, 8000);
    const QString saved = dataDir_ + "/s.wav";
    MRUlist->setMRUfile(y);
    MRUlist->setMRUfile(x); // list: x, y
    frmView* w = open(writeRamp("w.wav", 4000, 8000));
    w->WaveFile()->setChanged(true);
    scripted().messageAnswers.push_back(MsgResult::Yes);
    scripted().saveAnswers.push_back(saved);
    w->menuItem("mnFileMRU(2)")->trigger();
    settle();
    QStringList files = openFiles();
    QStringList expected{saved, y};
    files.sort();
    expected.sort();
    EXPECT_EQ(files.join('|').toStdString(), expected.join('|').toStdString());
    EXPECT_EQ(MRUlist->GetMRUfile(0), y);
    EXPECT_EQ(MRUlist->GetMRUfile(1), saved);
    EXPECT_EQ(MRUlist->GetMRUfile(2), x);
}

} // namespace
