// Every command of a loaded document window either does its job or is disabled: each menu item and toolbar button
// that a user can press must have a row in kCommandChecks saying how its work shows, and that row must see it.
// When a subsystem registers a command (frmView::setCommand), it adds its row here.
#include "core/Globals.h"
#include "core/ProgramHooks.h"
#include "core/Print.h"
#include "library/WaveStore.h"
#include "library/sound/Engine.h"
#include "library/sound/VirtualCard.h"
#include "support/private_dirs.h"
#include "library/files/TempFiles.h"
#include "viewer/WaveClipboard.h"
#include "viewer_fixture.h"

#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPrinter>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>
#include <QToolBar>

#include <cmath>
#include <map>

using namespace vemra;
using viewertest::scripted;

namespace {

// What the commands under test leave behind besides the document: the windows they showed.
struct Seen {
    QSet<QString> windows; // class names of every window other than a document window shown meanwhile
};

class Commands;

struct CommandCheck {
    // Brings the window into a state in which the command is enabled (optional).
    std::function<void(Commands&, frmView&)> prepare;
    // True when the command's work shows (the window is null when the command closed it).
    std::function<bool(Commands&, frmView*, const Seen&)> didItsJob;
};

// The document loaded for every check: one channel, 3000 samples of a decaying tone at 48 kHz.
QString responseFile()
{
    return viewertest::writeResponse(QStringLiteral("commands.wav"), 3000, 48000, [](int i) {
        return 20000.0 * std::exp(-i / 600.0) * std::sin(i * 0.3);
    });
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Commands : public viewertest::ViewerWindow {
protected:
    void SetUp() override
    {
        ViewerWindow::SetUp();
        DebugMode = true; // the Debug menu and Edit > Window are commands too
        exitRequests = 0;
        seen = {};
        ExitProgramHook = [this] { ++exitRequests; };
        closer_ = new QTimer(qApp);
        closer_->setInterval(2);
        QObject::connect(closer_, &QTimer::timeout, [this] { closeOtherWindows(); });
        closer_->start();
    }
    void TearDown() override
    {
        delete closer_;
        closeOtherWindows();
        ExitProgramHook = {};
        DebugMode = false;
        if (cardInstalled)
            sound::Engine::instance().setBackend(nullptr);
        cardInstalled = false;
        ViewerWindow::TearDown();
    }

public:
    // Every window other than a document window is recorded and closed as soon as it shows (modal ones too), so
    // that no command waits for a user.
    void closeOtherWindows()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || qobject_cast<frmView*>(w) || qobject_cast<QMenu*>(w))
                continue;
            seen.windows.insert(QString::fromLatin1(w->metaObject()->className()));
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->reject();
            else
                w->hide();
        }
    }

    // The leaf items of the menu bar, with the name of the command each runs.
    static std::vector<QAction*> menuItems(const frmView& w)
    {
        std::vector<QAction*> items;
        std::function<void(const QList<QAction*>&)> walk = [&](const QList<QAction*>& actions) {
            for (QAction* a : actions) {
                if (a->isSeparator())
                    continue;
                if (a->menu())
                    walk(a->menu()->actions());
                else
                    items.push_back(a);
            }
        };
        walk(w.menuBar()->actions());
        return items;
    }

    // An item or button a user can press: visible (also its menus) and enabled.
    static bool pressable(const QAction* a)
    {
        if (!a->isVisible() || !a->isEnabled())
            return false;
        for (QObject* p = a->parent(); p; p = p->parent())
            if (auto* m = qobject_cast<QMenu*>(p); m && (!m->menuAction()->isVisible() || !m->menuAction()->isEnabled()))
                return false;
        return true;
    }

    static QString commandOf(const QAction* a)
    {
        const QString command = a->property("vemraCommand").toString();
        return command.isEmpty() ? a->objectName() : command;
    }

    frmView* loaded() { return open(responseFile()); }
    // A selection dragged over the middle of the graph, and the samples as they were.
    void selectMiddle(frmView& w)
    {
        drag(w, w.graphWidth() / 3, w.graphWidth() / 2);
        keepSamples(w);
    }
    void keepSamples(frmView& w)
    {
        const auto s = WaveStore::samples(w.WaveFile()->header(), 0);
        samples.assign(s.begin(), s.end());
    }
    std::vector<std::int16_t> samplesOf(frmView* w) const
    {
        const auto s = WaveStore::samples(w->WaveFile()->header(), 0);
        return {s.begin(), s.end()};
    }

    // Printing goes to a PDF file.
    void printToPdf()
    {
        file = QString::fromStdString(test::privateRoot()) + QStringLiteral("/commands.pdf");
        QFile::remove(file);
        CurrentPrinter().setOutputFormat(QPrinter::PdfFormat);
        CurrentPrinter().setOutputFileName(file);
    }
    // Playing goes to a stepped virtual card.
    void installCard()
    {
        qputenv("VEMRA_SOUND_BACKEND", "virtual");
        sound::Engine::instance().setBackend(std::make_unique<sound::VirtualCard>());
        cardInstalled = true;
    }

    Seen seen;
    std::vector<std::int16_t> samples;
    bool cardInstalled = false;
    int exitRequests = 0;
    QString file;

private:
    QTimer* closer_ = nullptr;
};

clsWave* waveOf(frmView* w) { return w ? w->WaveFile() : nullptr; }

// Marks the document changed the way an edit does, and lets the window show it.
void changeDocument(Commands&, frmView& w)
{
    w.WaveFile()->setProject(QStringLiteral("changed"));
    w.EnableAll();
}

const std::map<QString, CommandCheck>& commandChecks()
{
    static const std::map<QString, CommandCheck> checks{
        {"mnFileNew", {{}, [](Commands&, frmView*, const Seen&) { return WaveCount() == 2; }}},
        {"mnFileOpen",
         {{}, [](Commands&, frmView*, const Seen&) {
              return !scripted().fileDialogs.empty() && scripted().fileDialogs.back().caption == "Open";
          }}},
        {"mnFileSave",
         {[](Commands& t, frmView& w) {
              t.file = w.WaveFile()->FileName();
              changeDocument(t, w);
          },
          [](Commands& t, frmView*, const Seen&) {
              return contents(t.file).contains("changed") && WaveCount() == 1;
          }}},
        {"Save",
         {[](Commands& t, frmView& w) {
              t.file = w.WaveFile()->FileName();
              changeDocument(t, w);
          },
          [](Commands& t, frmView*, const Seen&) { return contents(t.file).contains("changed"); }}},
        {"mnFileSaveAs",
         {{}, [](Commands&, frmView*, const Seen& seen) {
              return seen.windows.contains("vemra::frmFileInfo") && !scripted().fileDialogs.empty()
                     && scripted().fileDialogs.back().caption == "Save As";
          }}},
        {"mnFileInfo",
         {{}, [](Commands&, frmView*, const Seen& seen) { return seen.windows.contains("vemra::frmFileInfo"); }}},
        {"mnFileClose",
         {[](Commands& t, frmView& w) { t.file = w.WaveFile()->Key(); },
          [](Commands& t, frmView*, const Seen&) { return !WaveByKey(t.file) && WaveCount() == 1; }}},
        {"mnFileExit", {{}, [](Commands& t, frmView*, const Seen&) { return t.exitRequests == 1; }}},
        {"mnEditSelectAll",
         {{}, [](Commands&, frmView* w, const Seen&) {
              return w->selectionActive() && w->selStart() == 0 && w->selLength() == w->pointCount();
          }}},
        {"mnFilePrint",
         {[](Commands& t, frmView&) { t.printToPdf(); },
          [](Commands& t, frmView*, const Seen&) { return scripted().printDialogs == 1 && QFile::exists(t.file); }}},
        {"Print",
         {[](Commands& t, frmView&) { t.printToPdf(); },
          [](Commands& t, frmView*, const Seen&) { return scripted().printDialogs == 0 && QFile::exists(t.file); }}},
        {"Play",
         {[](Commands& t, frmView&) { t.installCard(); },
          [](Commands&, frmView* w, const Seen&) {
              return waveOf(w)->Playing() && sound::Engine::instance().playbackRunning();
          }}},
        {"Stop",
         {[](Commands& t, frmView& w) {
              t.installCard();
              w.button("Play")->trigger();
          },
          [](Commands&, frmView* w, const Seen&) {
              return !waveOf(w)->Playing() && !sound::Engine::instance().playbackRunning();
          }}},
        {"mnDebugInvert",
         {[](Commands& t, frmView& w) {
              t.file = QString::fromStdString(test::privateRoot()) + QStringLiteral("/invert.wav");
              QFile::remove(t.file);
              QFile::copy(w.WaveFile()->FileName(), t.file);
              scripted().openAnswers.push_back(t.file);
          },
          [](Commands& t, frmView* w, const Seen&) {
              return contents(t.file) != contents(waveOf(w)->FileName()) && contents(t.file).startsWith("RIFF");
          }}},
        {"mnDebugProcess",
         {{}, [](Commands&, frmView*, const Seen&) {
              return QFile::exists(QString::fromStdString(files::dataFolder()) + "/filtertest.wav");
          }}},
        {"mnEditCut",
         {[](Commands&, frmView& w) { w.mnEditSelectAll_Click(); },
          [](Commands&, frmView* w, const Seen&) {
              return waveOf(w)->SampleCount() == 256 && HoldsWave(QGuiApplication::clipboard()->mimeData());
          }}},
        {"mnEditCopy",
         {[](Commands&, frmView& w) {
              QGuiApplication::clipboard()->clear();
              w.mnEditSelectAll_Click();
          },
          [](Commands&, frmView*, const Seen&) { return HoldsWave(QGuiApplication::clipboard()->mimeData()); }}},
        {"mnEditPaste",
         {[](Commands&, frmView& w) {
              w.WaveFile()->Copy(0, 300);
              w.mnEditSelectAll_Click(); // the Edit menu follows the clipboard
          },
          [](Commands&, frmView* w, const Seen&) { return waveOf(w)->SampleCount() == 300; }}},
        {"mnEditDelete",
         {[](Commands&, frmView& w) { w.mnEditSelectAll_Click(); },
          [](Commands&, frmView* w, const Seen&) { return waveOf(w)->SampleCount() == 256; }}},
        {"mnEditRotate",
         {[](Commands& t, frmView& w) { t.selectMiddle(w); },
          [](Commands& t, frmView* w, const Seen&) {
              const auto now = t.samplesOf(w);
              return now.size() == t.samples.size() && now.front() == t.samples[std::size_t(w->selStart())];
          }}},
        {"mnEditSilence",
         {[](Commands& t, frmView& w) { t.selectMiddle(w); },
          [](Commands& t, frmView* w, const Seen&) {
              const auto now = t.samplesOf(w);
              return now != t.samples && now[std::size_t(w->selStart() + 1)] == 0;
          }}},
        {"mnEditWindowItem",
         {[](Commands& t, frmView& w) { t.selectMiddle(w); },
          [](Commands& t, frmView* w, const Seen&) {
              return t.samplesOf(w) != t.samples && waveOf(w)->SampleCount() == 3000;
          }}},
        {"mnViewFilter",
         {{}, [](Commands&, frmView*, const Seen& seen) { return seen.windows.contains("vemra::frmFilter"); }}},
        {"FilterDown",
         {{}, [](Commands&, frmView* w, const Seen&) { return waveOf(w)->FilterType() != -1; }}},
        {"FilterUp", {{}, [](Commands&, frmView* w, const Seen&) { return waveOf(w)->FilterType() != -1; }}},
        {"mnViewZoomIn", {{}, [](Commands&, frmView* w, const Seen&) { return w->zoomLevel() == 1; }}},
        {"mnViewZoomOut",
         {[](Commands&, frmView& w) { w.mnViewZoomIn_Click(), w.mnViewZoomIn_Click(); },
          [](Commands&, frmView* w, const Seen&) { return w->zoomLevel() == 1; }}},
        {"mnViewZoomFull",
         {[](Commands&, frmView& w) { w.mnViewZoomIn_Click(); },
          [](Commands&, frmView* w, const Seen&) { return w->zoomLevel() == 0; }}},
        {"mnViewAuto", {{}, [](Commands&, frmView* w, const Seen&) { return waveOf(w)->AutoScale(); }}},
        {"mnViewSmooth",
         {[](Commands&, frmView& w) { w.mnViewItem_Click(6); },
          [](Commands&, frmView* w, const Seen&) {
              return waveOf(w)->Smooth() == w->menuItem("mnViewSmooth")->isChecked();
          }}},
        {"mnViewWaterfall",
         {{}, [](Commands&, frmView*, const Seen& seen) { return seen.windows.contains("vemra::frmWaterfall"); }}},
        {"mnViewInfo",
         {[](Commands&, frmView& w) { w.mnEditSelectAll_Click(); },
          [](Commands&, frmView*, const Seen& seen) { return seen.windows.contains("vemra::frmEditInfo"); }}},
        {"mnParGraph",
         {{}, [](Commands&, frmView*, const Seen& seen) { return seen.windows.contains("vemra::frmParameters"); }}},
        {"mnParIso", {{}, [](Commands&, frmView*, const Seen& s) { return s.windows.contains("vemra::frmTableISO"); }}},
        {"mnParRev", {{}, [](Commands&, frmView*, const Seen& s) { return s.windows.contains("vemra::frmTableRev"); }}},
        {"mnParSpa",
         {{}, [](Commands&, frmView*, const Seen& s) { return s.windows.contains("vemra::frmTableSpace"); }}},
        {"mnParEne",
         {{}, [](Commands&, frmView*, const Seen& s) { return s.windows.contains("vemra::frmTableRatio"); }}},
        {"mnParLev",
         {{}, [](Commands&, frmView*, const Seen& s) { return s.windows.contains("vemra::frmTableLevel"); }}},
        {"mnParSpe",
         {{}, [](Commands&, frmView*, const Seen& s) { return s.windows.contains("vemra::frmTableSpeech"); }}},
        {"mnParSta",
         {{}, [](Commands&, frmView*, const Seen& s) { return s.windows.contains("vemra::frmTableStage"); }}},
        {"mnProcAdrienne",
         {{}, [](Commands&, frmView*, const Seen& seen) { return seen.windows.contains("vemra::frmAdrienne"); }}},
        {"mnProcScale",
         {{}, [](Commands&, frmView*, const Seen& seen) { return seen.windows.contains("vemra::frmScale"); }}},
        {"mnDebugHelpTest",
         {[](Commands&, frmView&) { scripted().inputAnswers.push_back(QStringLiteral("204")); },
          [](Commands&, frmView*, const Seen&) {
              return !scripted().messages.empty() && scripted().messages.back().title == "Vemra - error (204)";
          }}},
        {"mnDebugWritePRNs",
         {{}, [](Commands&, frmView*, const Seen&) {
              return QFile::exists(QString::fromStdString(files::dataFolder()) + "/TestSignals/mls 13.wav");
          }}},
        {"mnDebugWriteSweeps",
         {{}, [](Commands&, frmView*, const Seen&) {
              return QFile::exists(QString::fromStdString(files::dataFolder()) + "/TestSignals/sweep 48000 14.wav");
          }}},
        {"mnFileMeasure",
         {{}, [](Commands&, frmView*, const Seen& seen) { return seen.windows.contains("vemra::frmMeasure"); }}},
        {"mnSetupOptions",
         {{}, [](Commands&, frmView*, const Seen& seen) { return seen.windows.contains("vemra::frmSetup"); }}},
        {"mnSetupCalCard",
         {{}, [](Commands&, frmView*, const Seen& seen) { return seen.windows.contains("vemra::frmCalCard"); }}},
        {"mnSetupCalSys",
         {{}, [](Commands&, frmView*, const Seen& seen) { return seen.windows.contains("vemra::frmCalSystem"); }}},
        {"mnHelpTopics",
         {{}, [](Commands&, frmView*, const Seen& seen) { return seen.windows.contains("vemra::HelpWindow"); }}},
        {"mnHelpAbout",
         {{}, [](Commands&, frmView*, const Seen& seen) { return seen.windows.contains("vemra::frmAbout"); }}},
    };
    return checks;
}

// The view items: each switches the view to its type (the current one is left by first showing another).
bool viewCheck(const QString& command, frmView* w)
{
    static const QRegularExpression item(QStringLiteral("^mnViewItem\\((\\d)\\)$"));
    const auto m = item.match(command);
    return m.hasMatch() && waveOf(w)->ViewType() == m.captured(1).toInt();
}

// The row of a command; the twelve window shapes share one.
const CommandCheck* checkOf(const QString& command)
{
    const QString family = command.startsWith(QLatin1String("mnEditWindowItem(")) ? QStringLiteral("mnEditWindowItem")
                                                                                   : command;
    const auto row = commandChecks().find(family);
    return row == commandChecks().end() ? nullptr : &row->second;
}

bool hasCheck(const QString& command)
{
    return checkOf(command) || command.startsWith(QLatin1String("mnViewItem("));
}

} // namespace

TEST_F(Commands, EveryItemAndButtonAUserCanPressHasAHandlerAndACheck)
{
    frmView* w = loaded();
    w->mnEditSelectAll_Click(); // the selection commands are offered too
    for (QAction* a : menuItems(*w)) {
        if (!pressable(a))
            continue;
        SCOPED_TRACE(a->objectName().toStdString());
        const QString command = commandOf(a);
        EXPECT_TRUE(w->hasCommand(command) || a->objectName().startsWith(QLatin1String("mnFileMRU(")));
        EXPECT_TRUE(hasCheck(command)) << "no row says what " << command.toStdString() << " does";
    }
    for (QAction* a : w->toolbar()->actions()) {
        if (a->isSeparator() || !pressable(a))
            continue;
        SCOPED_TRACE(a->objectName().toStdString());
        const QString command = frmView::commandOfButton(a->objectName());
        EXPECT_TRUE(w->hasCommand(command));
        EXPECT_TRUE(hasCheck(command)) << "no row says what button " << a->objectName().toStdString() << " does";
    }
}

TEST_F(Commands, AnItemWithoutHandlerStaysDisabledWhateverTheStateRulesSay)
{
    frmView* w = loaded();
    w->EnableAll();
    w->mnEditSelectAll_Click();
    for (QAction* a : menuItems(*w)) {
        const QString command = a->property("vemraCommand").toString();
        if (!command.isEmpty() && !w->hasCommand(command)) {
            SCOPED_TRACE(command.toStdString());
            EXPECT_FALSE(a->isEnabled());
        }
    }
    // A handler set later lets the rules enable the item; removing it disables the item again.
    w->setCommand(QStringLiteral("mnParIso"), [] {});
    w->EnableAll();
    EXPECT_TRUE(w->menuItem(QStringLiteral("mnParIso"))->isEnabled());
    w->setCommand(QStringLiteral("mnParIso"), {});
    w->EnableAll();
    EXPECT_FALSE(w->menuItem(QStringLiteral("mnParIso"))->isEnabled());
}

TEST_F(Commands, EachPressableCommandDoesItsJob)
{
    // Which commands a loaded window offers, by menu item and by button.
    QStringList commands;
    {
        frmView* w = loaded();
        w->mnEditSelectAll_Click();
        for (QAction* a : menuItems(*w))
            if (pressable(a) && !a->objectName().startsWith(QLatin1String("mnFileMRU(")))
                commands << commandOf(a);
        for (QAction* a : w->toolbar()->actions())
            if (!a->isSeparator() && pressable(a))
                commands << QStringLiteral("button:") + a->objectName();
        TearDown();
        SetUp();
    }
    EXPECT_GT(commands.size(), 40);
    for (const QString& entry : commands) {
        SCOPED_TRACE(entry.toStdString());
        const bool isButton = entry.startsWith(QLatin1String("button:"));
        const QString key = isButton ? entry.mid(7) : QString();
        const QString command = isButton ? frmView::commandOfButton(key) : entry;
        QPointer<frmView> w = loaded();
        const CommandCheck* row = checkOf(command);
        const bool isView = command.startsWith(QLatin1String("mnViewItem("));
        if (!row && !isView)
            continue; // reported by the test above
        if (isView)
            w->mnViewItem_Click(command == QLatin1String("mnViewItem(1)") ? 2 : 1);
        else if (row->prepare)
            row->prepare(*this, *w);
        seen = {};
        QAction* a = isButton ? w->button(key) : w->menuItem(command);
        ASSERT_TRUE(a);
        ASSERT_TRUE(a->isEnabled()) << "the check's state leaves it disabled";
        a->trigger();
        QCoreApplication::processEvents();
        closeOtherWindows();
        EXPECT_TRUE(isView ? viewCheck(command, w) : row->didItsJob(*this, w, seen));
        TearDown();
        SetUp();
    }
}
