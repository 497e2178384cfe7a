// The document window's File commands: New, Open, Save, Save As, Close, the recently used files and Exit, with the
// save question asked before a document goes. A window never loads a second file into its own document: opening
// or keeping a file open makes a new document and window, and the old document dies after the new one is shown.
#include "viewer/frmView.h"

#include "core/ErrorGuard.h"
#include "core/Globals.h"
#include "core/ProgramHooks.h"
#include "core/UiServices.h"
#include "core/clsMRUlist.h"
#include "core/clsOptions.h"
#include "document/Waves.h"
#include "library/api_files.h"
#include "viewer/frmClose.h"
#include "viewer/frmFileInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace vemra {
namespace {

const QString kWaveFilter = QStringLiteral("Wave files (*.wav)");
const QString kTimFilter = QStringLiteral("Mlssa files (*.tim)");
const QString kTextFilter = QStringLiteral("Text files (*.txt)");
const QString kAllFilter = QStringLiteral("All files (*)");

QString dataDir()
{
    return Options ? Options->DataDir() : QString();
}

void rememberDataDir(const QString& chosenFile)
{
    if (Options)
        Options->setDataDir(QFileInfo(chosenFile).absolutePath());
}

void rememberRecentFile(const QString& path)
{
    if (MRUlist)
        MRUlist->setMRUfile(path);
}

// A new document loaded from `path`, shown at the place of the last shown window.
void openInNewWindow(const QString& path)
{
    clsWave* wave = WaveByKey(NewWave());
    if (!wave)
        return;
    wave->setFileName(path);
    wave->Show(true);
}

bool fileExists(const QString& path)
{
    return QFileInfo(path).isFile();
}

} // namespace

void frmView::connectFileCommands()
{
    setCommand("mnFileNew", [this] { mnFileNew_Click(); });
    setCommand("mnFileOpen", [this] { mnFileOpen_Click(); });
    setCommand("mnFileSave", [this] { mnFileSave_Click(); });
    setCommand("mnFileSaveAs", [this] { mnFileSaveAs_Click(); });
    setCommand("mnFileClose", [this] { mnFileClose_Click(); });
    setCommand("mnFileExit", [this] { mnFileExit_Click(); });
    // The toolbar's Save: a response without a name of its own is given one first.
    setCommand("Save", [this] {
        const clsWave* wave = WaveFile();
        if (wave && wave->FileName().left(8).toUpper() == QLatin1String("UNTITLED"))
            mnFileSaveAs_Click();
        else
            mnFileSave_Click();
    });
    if (MRUlist)
        connect(MRUlist, &clsMRUlist::MRUlistChange, this, [this] { mMRUlist_MRUlistChange(); });
    BuildMRUMenu();
}

// --- the save question ---

bool frmView::QuitFile()
{
    return guarded("QuitFile", false, [&] {
        const clsWave* wave = WaveFile();
        if (!wave || !wave->Changed())
            return true;
        MessageRequest question;
        question.text = QStringLiteral("The current data has not been saved.\rSave file now?");
        question.title = QStringLiteral("Vemra");
        question.icon = MsgIcon::Question;
        question.buttons = MsgButtons::YesNoCancel;
        question.parent = this;
        const MsgResult answer = UiServices::get().messageBox(question);
        if (answer == MsgResult::Cancel)
            return false;
        if (answer == MsgResult::No)
            return true;
        bool reopen = false;
        return SaveFileAs(reopen);
    });
}

// --- Open ---

void frmView::OpenFile()
{
    FileDialogRequest request;
    const bool proceed = guarded("OpenFile", false, [&] {
        if (!QuitFile())
            return false;
        const QString current = WaveFile() ? WaveFile()->FileName().toUpper() : QString();
        request.parent = this;
        request.caption = QStringLiteral("Open");
        request.filter = QStringList{kWaveFilter, kTimFilter, kTextFilter, kAllFilter}.join(QStringLiteral(";;"));
        request.selectedFilter = current.contains(QLatin1String(".TXT"))   ? kTextFilter
                                 : current.contains(QLatin1String(".TIM")) ? kTimFilter
                                                                           : kWaveFilter;
        // The name field keeps what this window's dialog held last; the folder is the data folder.
        const QString last = QFileInfo(cmDlgFileName_).fileName();
        request.directory = last.isEmpty() ? dataDir() : QDir(dataDir()).filePath(last);
        return true;
    });
    if (!proceed)
        return;
    // From the dialog on, a failing step is passed over so the remaining steps still run.
    QString chosen;
    passOver([&] { chosen = UiServices::get().openFileName(request).fileName; });
    if (chosen.isEmpty())
        return;
    cmDlgFileName_ = chosen;
    passOver([&] { rememberDataDir(chosen); });
    passOver([&] { rememberRecentFile(chosen); });
    passOver([&] { openInNewWindow(chosen); });
    passOver([&] {
        if (clsWave* old = WaveFile())
            old->Die();
    });
}

// --- Save As ---

QString frmView::NewFileName()
{
    return guarded("NewFileName", QStringLiteral("Untitled"), [&] {
        const clsWave* wave = WaveFile();
        if (!wave)
            return QStringLiteral("Untitled");
        const QString base = (wave->Project().trimmed() + QLatin1Char(' ') + wave->Position().trimmed()).trimmed();
        if (base.isEmpty())
            return QStringLiteral("Untitled");
        const QDir dir(dataDir());
        if (!fileExists(dir.filePath(base + QStringLiteral(".wav"))))
            return base;
        // Numbering starts at 002: the unnumbered name counts as the first.
        for (int n = 2; n <= 1001; ++n) {
            const QString numbered = dir.filePath(base + QLatin1Char(' ') + QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')));
            if (!fileExists(numbered + QStringLiteral(".wav")))
                return numbered;
        }
        return QStringLiteral("Untitled");
    });
}

bool frmView::SaveFileAs(bool& reopen)
{
    const bool asked = reopen;
    reopen = false;
    return guarded("SaveAs", false, [&] {
        clsWave* wave = WaveFile();
        if (!wave)
            return false;
        // The recording information is offered on every Save As; its Cancel does not stop the save.
        ShowFileInfo(waveKey_, this);
        wave = WaveFile();
        if (!wave)
            return false;
        const bool newRecording = wave->NewRecording();

        // Proposed name: the current one without its extension. Only a dot in the file's own name starts an
        // extension; a dot in a folder name does not.
        const QString current = wave->FileName();
        const QFileInfo currentInfo(current);
        QString proposed;
        if (currentInfo.fileName().contains(QLatin1Char('.')))
            proposed = current.left(current.size() - currentInfo.fileName().size()) +
                       currentInfo.fileName().left(int(currentInfo.fileName().lastIndexOf(QLatin1Char('.'))));
        else if (newRecording)
            proposed = NewFileName();
        else
            proposed = current;
        cmDlgFileName_ = proposed;

        QStringList filters{kWaveFilter};
        if (TimTemplateAvailable())
            filters << kTimFilter;
        filters << kTextFilter << kAllFilter;
        FileDialogRequest request;
        request.parent = this;
        request.caption = QStringLiteral("Save As");
        request.filter = filters.join(QStringLiteral(";;"));
        request.selectedFilter = kWaveFilter;
        request.directory = QFileInfo(proposed).isAbsolute() ? proposed : QDir(dataDir()).filePath(proposed);
        request.defaultSuffix = QStringLiteral("wav");
        QString name = UiServices::get().saveFileName(request).fileName;
        if (name.isEmpty())
            return false;
        // The default extension is added to a name typed without one (the standard dialog has done so already).
        if (QFileInfo(name).suffix().isEmpty())
            name += QStringLiteral(".wav");
        cmDlgFileName_ = name;
        rememberDataDir(name);
        if (!wave->SaveAs(name))
            return false;

        rememberRecentFile(name);
        const std::int16_t mode = Options ? Options->CloseOnSave() : std::int16_t(CloseAsk);
        bool keep = false;
        if (asked && newRecording && mode == CloseAsk) {
            frmClose prompt(this);
            prompt.exec();
            keep = !CloseAfterSave;
        } else {
            keep = asked && mode == CloseNever;
        }
        if (Options && Options->ReuseWindows())
            keep = false;
        // The program never ends up without a window for the only document.
        if (WaveCount() == 1)
            keep = true;
        reopen = keep;
        if (keep)
            openInNewWindow(name);
        return true;
    });
}

// --- menu commands ---

void frmView::mnFileNew_Click()
{
    guarded("mnFileNew", [&] {
        if (clsWave* wave = WaveByKey(NewWave()))
            wave->Show();
    });
}

void frmView::mnFileOpen_Click()
{
    guarded("mnFileOpen", [&] { OpenFile(); });
}

void frmView::mnFileSave_Click()
{
    guarded("mnFileSave", [&] {
        const clsWave* wave = WaveFile();
        if (!wave)
            return;
        // A document without a file of its own (a recording, or a response named "Untitled-<Key>") is given a
        // name first: saving it "in place" would write wherever the program happens to run.
        if (wave->NewRecording() || !QFileInfo(wave->FileName()).isAbsolute())
            mnFileSaveAs_Click();
        else
            SaveFile();
    });
}

void frmView::SaveFile()
{
    clsWave* wave = WaveFile();
    if (!wave)
        return;
    const QString name = wave->FileName();
    if (!wave->SaveAs(name))
        return;
    openInNewWindow(name);
    wave->Die();
}

void frmView::mnFileSaveAs_Click()
{
    guarded("mnFileSaveAs", [&] {
        bool reopen = true;
        if (SaveFileAs(reopen)) {
            if (clsWave* wave = WaveFile())
                wave->Die();
        }
    });
}

void frmView::mnFileClose_Click()
{
    guarded("FileClose", [&] {
        if (!QuitFile())
            return;
        DisableAll();
        if (clsWave* wave = WaveFile())
            wave->Die();
        // The program keeps one window open.
        if (WaveCount() == 0) {
            if (clsWave* empty = WaveByKey(NewWave()))
                empty->Show();
        }
    });
}

void frmView::mnFileExit_Click()
{
    RequestExit();
}

// --- recently used files ---

void frmView::mnFileMRU_Click(int index)
{
    guarded("MRUfile", [&] {
        if (index < 1 || index > 10 || !mnFileMRU_[std::size_t(index)])
            return;
        // The path is taken before the save question: a save it leads to changes the list, and every window
        // then rebuilds its items, so the item at this index may name another file afterwards.
        const QString path = mnFileMRU_[std::size_t(index)]->data().toString();
        if (!QuitFile())
            return;
        rememberRecentFile(path);
        openInNewWindow(path);
        if (clsWave* old = WaveFile())
            old->Die();
    });
}

void frmView::mMRUlist_MRUlistChange()
{
    BuildMRUMenu();
}

void frmView::BuildMRUMenu()
{
    QMenu* file = menus_.value(QStringLiteral("mnFile"));
    QAction* separator = mnFileMRU_[0];
    if (!file || !separator)
        return;
    separator->setVisible(false);
    for (int i = 1; i <= 10; ++i) {
        if (QAction* item = mnFileMRU_[std::size_t(i)]) {
            menuItems_.remove(item->objectName());
            file->removeAction(item);
            item->deleteLater();
            mnFileMRU_[std::size_t(i)] = nullptr;
        }
    }
    // Items go after the separator, in list order; the eleventh entry of the list is never shown.
    const QList<QAction*> actions = file->actions();
    const qsizetype at = actions.indexOf(separator);
    QAction* before = at >= 0 && at + 1 < actions.size() ? actions[at + 1] : nullptr;
    for (int i = 1; i <= 10; ++i) {
        const QString path = MRUlist ? MRUlist->GetMRUfile(i - 1) : QString();
        if (path.isEmpty())
            continue;
        auto* item = new QAction(path, file);
        item->setObjectName(QStringLiteral("mnFileMRU(%1)").arg(i));
        // An ampersand in a path is text, not a mnemonic.
        item->setText(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
        item->setData(path);
        file->insertAction(before, item);
        connect(item, &QAction::triggered, this, [this, i] { mnFileMRU_Click(i); });
        mnFileMRU_[std::size_t(i)] = item;
        menuItems_.insert(item->objectName(), item);
        separator->setVisible(true);
    }
}

} // namespace vemra
