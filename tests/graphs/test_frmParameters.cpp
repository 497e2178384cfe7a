#include "graphs_fixture.h"

#include "core/Print.h"
#include "document/clsParams.h"
#include "graphs/HLGraph.h"
#include "graphs/ParameterTable.h"
#include "graphs/frmFileSelect.h"
#include "graphs/frmParamProp.h"
#include "library/api_files.h"
#include "support/gui_mnemonics.h"

#include <QAbstractButton>
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cmath>

using namespace vemra;
using namespace graphstest;

namespace {

constexpr int kT30 = 3;

QAction* item(const frmParameters* w, const char* name)
{
    return w->findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

QString status(const frmParameters* w) { return w->findChild<QLabel*>(QStringLiteral("Status"))->text(); }

class ParameterGraph : public GraphTest {
protected:
    // The two responses of the comparison: T30 0.8 s in one channel and 1.2 s in two.
    QString mono() { return writeDecay("mono-0.8.wav", 0.8, 1); }
    QString stereo() { return writeDecay("stereo-1.2.wav", 1.2, 2); }

    frmParameters* gathered(const QStringList& files, int parameter = kT30)
    {
        frmParameters* w = window(files);
        w->setCurrentParam(parameter);
        w->setCancel(false);
        w->UpdateGraph();
        w->DrawGraph();
        return w;
    }
};

} // namespace

TEST_F(ParameterGraph, TheSetDecidesCaptionAndCommands)
{
    frmParameters* w = window({mono()});
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Graph - ") + mono());
    EXPECT_EQ(w->FileCount(), 1);
    EXPECT_FALSE(item(w, "mnViewDev")->isEnabled());
    EXPECT_FALSE(item(w, "MinMax")->isEnabled());
    EXPECT_FALSE(item(w, "mnViewChannel(1)")->isEnabled());

    w->Add(stereo());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Graph N=2"));
    EXPECT_TRUE(item(w, "mnViewDev")->isEnabled());
    EXPECT_TRUE(item(w, "Stdev")->isEnabled());
    EXPECT_TRUE(item(w, "mnViewChannel(1)")->isEnabled());
    EXPECT_TRUE(item(w, "Channel2")->isEnabled());
    EXPECT_TRUE(w->HasTwoChannels());
    EXPECT_EQ(w->FileName(1), stereo());
    EXPECT_EQ(w->FileName(2), QString());
    EXPECT_EQ(w->FileReceiver(0).toInt(), 0);
    EXPECT_FALSE(w->FileReceiver(-1).isValid());

    w->setStatistics(2);
    w->Clear();
    EXPECT_EQ(w->FileCount(), 0);
    EXPECT_EQ(w->Statistics(), 0);
    EXPECT_FALSE(w->HasTwoChannels());
    EXPECT_TRUE(item(w, "mnViewChannel(0)")->isChecked());
    EXPECT_FALSE(item(w, "mnViewChannel(1)")->isEnabled());
    EXPECT_FALSE(item(w, "mnViewDev")->isChecked());
    EXPECT_FALSE(item(w, "mnViewDev")->isEnabled());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Graph N=2")) << "Clear leaves the caption";
}

TEST_F(ParameterGraph, AFileThatCannotBeAddedIsRefusedWithOneMessage)
{
    const QString garbage = QString::fromStdString(test::privateRoot()) + QStringLiteral("/garbage.wav");
    QFile f(garbage);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is no wave file at all");
    f.close();
    frmParameters* w = window({mono()});
    for (const QString& name : {garbage, mono().toUpper(), QStringLiteral("Untitled-999"),
                                QString::fromStdString(test::privateRoot()) + QStringLiteral("/missing.wav")}) {
        SCOPED_TRACE(name.toStdString());
        scripted().clear();
        w->Add(name);
        EXPECT_EQ(w->FileCount(), 1);
        EXPECT_EQ(scripted().messages.size(), 1u);
    }
    EXPECT_EQ(WaveCount(), 0) << "no document is left behind";
}

TEST_F(ParameterGraph, ParametersOfferedByEveryFile)
{
    struct Case {
        std::vector<std::int16_t> receivers;
        int parameter;
        bool valid;
    };
    const Case cases[] = {
        {{}, 12, true},     {{1, 3}, 12, true},  {{1, 3, 0}, 12, false}, {{5}, 13, true},   {{4}, 13, false},
        {{4, 4}, 15, true}, {{2}, 16, false},    {{6}, 17, true},        {{6}, 3, false},   {{0, 6}, 18, false},
        {{0}, 11, true},    {{0}, 19, true},     {{6}, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parameter);
        QStringList files;
        for (std::size_t i = 0; i < c.receivers.size(); ++i)
            files << writeDecay("r" + std::to_string(i) + ".wav", 0.5, 1, 48000, c.receivers[i], 0.5);
        frmParameters* w = window(files);
        EXPECT_EQ(w->ValidParam(c.parameter), c.valid);
        delete w;
    }
}

TEST_F(ParameterGraph, StoredSettingsAreRangeChecked)
{
    struct Case {
        const char* minBand;
        const char* maxBand;
        const char* param;
        const char* grid;
        int expectMin, expectMax, expectParam;
        bool expectGrid;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, nullptr, 3, 8, 1, true},
        {"2", "9", "-1", "False", 2, 9, -1, false},
        {"0", "11", "25", "maybe", 3, 8, 1, true},
        {"1.6", "9.4", "2.6", "0", 2, 9, 3, false},
        {"7", "4", "18.6", "True", 3, 8, 1, true}, // a lowest band above the highest: both defaults
        {"abc", "", "-1.4", "1", 3, 8, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.param ? c.param : "none");
        DeleteSetting(QStringLiteral("Graph"));
        auto store = [](const char* key, const char* value) {
            if (value)
                SaveSetting(QStringLiteral("Graph"), QString::fromLatin1(key), QString::fromLatin1(value));
        };
        store("MinBand", c.minBand);
        store("MaxBand", c.maxBand);
        store("Param", c.param);
        store("Grid", c.grid);
        frmParameters* w = window();
        EXPECT_EQ(w->MinFreqBand(), c.expectMin);
        EXPECT_EQ(w->MaxFreqBand(), c.expectMax);
        EXPECT_EQ(w->CurrentParam(), c.expectParam);
        EXPECT_EQ(w->Grid(), c.expectGrid);
        delete w;
    }
    // Closing writes the parameter.
    frmParameters* w = window();
    w->setCurrentParam(7);
    w->close();
    EXPECT_EQ(GetSetting(QStringLiteral("Graph"), QStringLiteral("Param")), "7");
}

TEST_F(ParameterGraph, GathersT30OfTwoFilesInOctaveBands)
{
    frmParameters* w = gathered({mono(), stereo()});
    ASSERT_TRUE(w->Computed());
    EXPECT_EQ(w->MaxChannels(), 2);
    EXPECT_EQ(w->FirstBand(0), 1);
    EXPECT_EQ(w->LastBand(0), 10);
    EXPECT_TRUE(w->statistics().done(kT30, 0));
    EXPECT_EQ(status(w), "Ready");

    clsParams& a = *w->fileCache(0);
    clsParams& b = *w->fileCache(1);
    const HLGraph& g = *w->Graph();
    ASSERT_EQ(g.XCount(), 6); // 125 Hz .. 4 kHz
    ASSERT_EQ(g.YCount(), 1);
    EXPECT_EQ(g.Title1(), "T30 [s]");
    for (int band = 3; band <= 8; ++band) {
        SCOPED_TRACE(band);
        ASSERT_TRUE(a.Valid(kT30, 0, band));
        ASSERT_TRUE(b.Valid(kT30, 0, band));
        const double ta = a.Value(kT30, 0, band), tb = b.Value(kT30, 0, band);
        // Within the scatter of a noise-like response in one band.
        EXPECT_NEAR(ta, 0.8, 0.8 * 0.07);
        EXPECT_NEAR(tb, 1.2, 1.2 * 0.07);
        const graphs::BandStatistic& s = w->statistics().at(kT30, 0, band);
        EXPECT_EQ(s.count, 2);
        EXPECT_NEAR(s.mean, (ta + tb) / 2, 1e-6);
        EXPECT_NEAR(s.stdDev, std::abs(ta - tb) / std::sqrt(2.0), 1e-6);
        EXPECT_NEAR(g.value(0, band - 3), s.mean, 1e-12);
        // Channel 2 exists in one file only.
        const graphs::BandStatistic& s2 = w->statistics().at(kT30, 1, band);
        EXPECT_EQ(s2.count, 1);
        EXPECT_NEAR(s2.mean, b.Value(kT30, 1, band), 1e-6);
        EXPECT_EQ(s2.stdDev, 0);
    }

    // The spread around the mean, then both channels with the range: the series in their order.
    w->setStatistics(2);
    w->DrawGraph();
    ASSERT_EQ(g.YCount(), 3);
    const graphs::BandStatistic& s5 = w->statistics().at(kT30, 0, 5);
    EXPECT_NEAR(g.value(0, 2), s5.mean + s5.stdDev, 1e-12);
    EXPECT_NEAR(g.value(1, 2), s5.mean - s5.stdDev, 1e-12);
    EXPECT_NEAR(g.value(2, 2), s5.mean, 1e-12);
    EXPECT_EQ(g.Title2(), "stdev");
    item(w, "mnViewChannel(1)")->trigger();
    w->setStatistics(1);
    w->DrawGraph();
    ASSERT_EQ(g.YCount(), 6);
    EXPECT_NEAR(g.value(0, 2), s5.maximum, 1e-12);
    EXPECT_NEAR(g.value(1, 2), s5.minimum, 1e-12);
    EXPECT_EQ(g.YColor(2), 0x8080FFu);
    EXPECT_NEAR(g.value(4, 2), s5.mean, 1e-12);
    EXPECT_NEAR(g.value(5, 2), w->statistics().at(kT30, 1, 5).mean, 1e-12);
    EXPECT_EQ(g.YWidth(5), 2);
}

TEST_F(ParameterGraph, EachFileIsComputedOnceAndStatisticsAreKept)
{
    frmParameters* w = gathered({mono(), stereo()});
    const QString before = NewWave(false);
    WaveByKey(before)->Die();
    // Third octaves are a new gathering; back to octaves and to T30 again costs nothing.
    item(w, "mnViewTerts")->trigger();
    EXPECT_TRUE(w->statistics().done(kT30, 1));
    EXPECT_EQ(w->LastBand(1), 43);
    EXPECT_EQ(w->Graph()->XScaleType(), 2);
    EXPECT_EQ(w->Graph()->XCount(), 18); // 100 Hz .. 5 kHz
    const QString middle = NewWave(false);
    WaveByKey(middle)->Die();
    EXPECT_EQ(middle.toInt() - before.toInt() - 1, 2) << "each file loaded once for all its bands";
    item(w, "mnViewOctave")->trigger();
    w->setCurrentParam(2); // T20 comes from the same decay analyses
    w->UpdateGraph();
    w->setCurrentParam(kT30);
    w->UpdateGraph();
    const QString after = NewWave(false);
    EXPECT_EQ(after.toInt() - middle.toInt() - 1, 0);
    EXPECT_TRUE(item(w, "mnViewOctave")->isChecked());
    EXPECT_FALSE(item(w, "mnViewTerts")->isChecked());
}

TEST_F(ParameterGraph, CancelStopsTheGatheringAndRestoresTheWindow)
{
    frmParameters* w = window({mono(), stereo(), writeDecay("third.wav", 1.0)});
    w->setCurrentParam(kT30);
    auto* progress = w->findChild<QProgressBar*>(QStringLiteral("prgProgress"));
    bool sawBusy = false;
    QObject::connect(progress, &QProgressBar::valueChanged, w, [&](int v) {
        if (v > 40 && v < 60) { // the second of three files
            sawBusy = w->Busy() && !item(w, "mnFileSelect")->isEnabled() && !item(w, "Save")->isEnabled() &&
                      !item(w, "mnViewProp")->isEnabled() && QGuiApplication::overrideCursor() &&
                      status(w) == "Processing...";
            w->findChild<QToolButton*>(QStringLiteral("Cancel"))->click();
        }
    });
    w->UpdateGraph();
    EXPECT_TRUE(sawBusy);
    EXPECT_TRUE(w->Computed());
    EXPECT_FALSE(w->statistics().done(kT30, 0));
    EXPECT_FALSE(w->Busy());
    EXPECT_EQ(status(w), "Ready");
    EXPECT_EQ(progress->value(), 0);
    EXPECT_FALSE(QGuiApplication::overrideCursor());
    EXPECT_FALSE(w->findChild<QToolButton*>(QStringLiteral("Cancel"))->isEnabled());
    EXPECT_TRUE(item(w, "mnFileSelect")->isEnabled());
    EXPECT_TRUE(item(w, "mnViewDev")->isEnabled());
    EXPECT_EQ(w->statistics().at(kT30, 0, 5).count, 0);
    w->DrawGraph(); // the statistics as they stood: every point a gap
    for (int i = 0; i < w->Graph()->XCount(); ++i)
        EXPECT_FALSE(w->Graph()->isSet(0, i));
}

TEST_F(ParameterGraph, CloseOrSelectDuringTheGatheringClosesAfterTheLoop)
{
    QPointer<frmParameters> w = window({mono(), stereo()});
    w->setCurrentParam(kT30);
    w->show();
    bool selectWasDisabled = false;
    const ModalDialogs none;
    QTimer::singleShot(0, w, [&] {
        ASSERT_TRUE(w->Busy());
        selectWasDisabled = !item(w, "mnFileSelect")->isEnabled() && !item(w, "Open")->isEnabled();
        item(w, "mnFileSelect")->trigger();
        item(w, "Open")->trigger();
        w->close();
        EXPECT_TRUE(w->isVisible()) << "the close waits for the loop";
    });
    w->UpdateGraph();
    EXPECT_TRUE(selectWasDisabled);
    EXPECT_EQ(none.unexpected, 0);
    ASSERT_TRUE(w);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->statistics().done(kT30, 0));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w);
    EXPECT_EQ(WaveCount(), 0);
}

TEST_F(ParameterGraph, TheWindowGoingAwayDuringTheGatheringEndsIt)
{
    // The program's exit hides every window, then deletes it.
    const ModalDialogs none;
    frmParameters* hidden = window({mono(), stereo()});
    hidden->setCurrentParam(kT30);
    hidden->show();
    QTimer::singleShot(0, hidden, [&] { hidden->hide(); });
    hidden->UpdateGraph();
    EXPECT_FALSE(hidden->statistics().done(kT30, 0));
    EXPECT_FALSE(hidden->Busy());
    EXPECT_EQ(none.unexpected, 0);

    QPointer<frmParameters> w = window({mono(), stereo()});
    w->setCurrentParam(kT30);
    QTimer::singleShot(0, [&] { delete w.data(); });
    w->UpdateGraph();
    EXPECT_FALSE(w);
    EXPECT_FALSE(QGuiApplication::overrideCursor());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(WaveCount(), 0);
}

TEST_F(ParameterGraph, ADocumentClosedDuringTheGathering)
{
    // A named file falls back to its file on disk; a recording that exists nowhere else drops out with one
    // message.
    std::string temp;
    ASSERT_EQ(GetTempName(temp), Ok);
    QFile::remove(QString::fromStdString(temp)); // issued empty
    ASSERT_TRUE(QFile::copy(writeDecay("recording.wav", 1.0), QString::fromStdString(temp)));
    clsWave* named = test::openDocument(mono().toStdString());
    const double t30 = named->RT30time(0, 5); // what its file gives
    EXPECT_NEAR(t30, 0.8, 0.8 * 0.07);       // within the scatter of a noise-like response in one band
    clsWave* recording = test::openDocument(temp);
    ASSERT_TRUE(recording->FileName().startsWith(QLatin1String("Untitled-")));
    frmParameters* w = window({named->FileName(), recording->FileName()});
    w->setCurrentParam(kT30);
    QTimer::singleShot(0, w, [&] {
        named->Die();
        recording->Die();
    });
    w->UpdateGraph();
    ASSERT_TRUE(w->statistics().done(kT30, 0));
    EXPECT_EQ(w->statistics().at(kT30, 0, 5).count, 1);
    EXPECT_NEAR(w->statistics().at(kT30, 0, 5).mean, t30, 1e-6);
    EXPECT_EQ(scripted().messages.size(), 1u);
    EXPECT_EQ(WaveCount(), 0);
}

TEST_F(ParameterGraph, SaveWritesTheTableOfAFinishedGathering)
{
    frmParameters* w = window({mono(), stereo()});
    w->setCurrentParam(kT30);
    const QString path = QString::fromStdString(test::privateRoot()) + QStringLiteral("/t30.txt");
    EXPECT_FALSE(w->SaveTable(path)) << "nothing gathered yet";
    EXPECT_FALSE(QFile::exists(path));

    // Save runs the gathering first, then asks for the name.
    scripted().saveAnswers.push_back(path);
    item(w, "mnFileSave")->trigger();
    ASSERT_EQ(scripted().fileDialogs.size(), 1u);
    EXPECT_TRUE(scripted().fileDialogs[0].directory.endsWith(QLatin1String("Untitled-T30.txt")));
    EXPECT_TRUE(w->statistics().done(kT30, 0));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines[0], "T30 [s]\t(Full Octave)");
    EXPECT_EQ(lines[1], QString(mono().size() > stereo().size() ? mono().size() : stereo().size(), QLatin1Char(' ')) +
                            "\t125\t250\t500\t1000\t2000\t4000");
    EXPECT_TRUE(lines[3].startsWith(mono()));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Number of Measurements\t2\t2\t2\t2\t2\t2\r\n"))));
    EXPECT_EQ(text.count(QStringLiteral("Number of Measurements")), 2) << "one block per channel";
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n\r\n\r\n")));

    // A folder that does not exist: reported, nothing written.
    scripted().clear();
    EXPECT_FALSE(w->SaveTable(QString::fromStdString(test::privateRoot()) + QStringLiteral("/no/such/t.txt")));
    EXPECT_EQ(scripted().messages.size(), 1u);
}

TEST_F(ParameterGraph, ACancelledGatheringBeforeSaveWritesNothing)
{
    frmParameters* w = window({mono(), stereo()});
    w->setCurrentParam(kT30);
    auto* progress = w->findChild<QProgressBar*>(QStringLiteral("prgProgress"));
    QObject::connect(progress, &QProgressBar::valueChanged, w, [&](int v) {
        if (v > 0)
            w->requestCancel();
    });
    scripted().saveAnswers.push_back(QString::fromStdString(test::privateRoot()) + QStringLiteral("/never.txt"));
    item(w, "Save")->trigger();
    EXPECT_TRUE(scripted().fileDialogs.empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(test::privateRoot()) + QStringLiteral("/never.txt")));
}

TEST_F(ParameterGraph, PrintsOnePageAndCopiesThePicture)
{
    frmParameters* w = gathered({mono(), stereo()});
    w->resize(800, 500);
    w->Graph()->Refresh();
    const QString pdf = QString::fromStdString(test::privateRoot()) + QStringLiteral("/graph.pdf");
    CurrentPrinter().setOutputFormat(QPrinter::PdfFormat);
    CurrentPrinter().setOutputFileName(pdf);
    item(w, "Print")->trigger();
    EXPECT_EQ(scripted().printDialogs, 1);
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLatin1(f.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))), 1);

    // A cancelled printer dialog prints nothing.
    f.close();
    QFile::remove(pdf);
    scripted().printAnswers.push_back(false);
    item(w, "mnFilePrint")->trigger();
    EXPECT_FALSE(QFile::exists(pdf));

    QGuiApplication::clipboard()->clear();
    item(w, "mnFileCopy")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), w->Graph()->picture().size());
}

TEST_F(ParameterGraph, ViewCommandsKeepMenusAndButtonsInStep)
{
    frmParameters* w = gathered({mono(), stereo()});
    // The only checked channel cannot be unchecked.
    item(w, "Channel1")->trigger();
    EXPECT_TRUE(item(w, "mnViewChannel(0)")->isChecked());
    EXPECT_TRUE(item(w, "Channel1")->isChecked());
    item(w, "mnViewChannel(0)")->trigger();
    EXPECT_TRUE(item(w, "mnViewChannel(0)")->isChecked());
    item(w, "mnViewChannel(1)")->trigger();
    EXPECT_TRUE(item(w, "Channel2")->isChecked());
    item(w, "mnViewChannel(0)")->trigger();
    EXPECT_FALSE(item(w, "Channel1")->isChecked());
    EXPECT_EQ(w->Graph()->YCount(), 1);
    EXPECT_EQ(w->Graph()->YColor(0), 0x0000FFu) << "channel 2's mean, red";

    item(w, "Stdev")->trigger();
    EXPECT_EQ(w->Statistics(), 2);
    EXPECT_TRUE(item(w, "mnViewDev")->isChecked());
    item(w, "mnViewMinMax")->trigger();
    EXPECT_EQ(w->Statistics(), 1);
    EXPECT_FALSE(item(w, "Stdev")->isChecked());
    EXPECT_TRUE(item(w, "MinMax")->isChecked());
    item(w, "MinMax")->trigger();
    EXPECT_EQ(w->Statistics(), 0);
    EXPECT_FALSE(item(w, "mnViewMinMax")->isChecked());

    item(w, "mnViewOctave")->trigger(); // already octaves: nothing changes, the check stays
    EXPECT_TRUE(item(w, "mnViewOctave")->isChecked());
    EXPECT_TRUE(item(w, "Octave")->isChecked());
}

TEST_F(ParameterGraph, FirstActivationAsksForTheParameterThenDraws)
{
    frmParameters* w = window({mono(), stereo()});
    w->setCurrentParam(1);
    {
        const ModalDialogs dialogs({[](QDialog* dialog) {
            auto* list = dialog->findChild<QListWidget*>(QStringLiteral("lstParams"));
            for (int i = 0; i < list->count(); ++i)
                if (list->item(i)->data(Qt::UserRole).toInt() == kT30)
                    list->setCurrentRow(i);
            dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        }});
        w->Form_Activate();
        EXPECT_EQ(dialogs.handled(), 1);
        EXPECT_EQ(dialogs.unexpected, 0);
    }
    EXPECT_EQ(w->CurrentParam(), kT30);
    EXPECT_FALSE(w->Cancel());
    EXPECT_TRUE(w->statistics().done(kT30, 0));
    EXPECT_EQ(w->Graph()->Title1(), "T30 [s]");

    // Later activations draw without asking; a window of an empty document neither asks nor draws.
    const ModalDialogs none;
    w->Graph()->Init();
    w->Form_Activate();
    EXPECT_EQ(w->Graph()->YCount(), 1);
    frmParameters* empty = window();
    empty->Form_Activate();
    EXPECT_FALSE(empty->Computed());
    EXPECT_EQ(empty->Graph()->YCount(), 0);
    EXPECT_EQ(none.unexpected, 0);
}

// A window closed while its first activation yields (closed as soon as it opened) asks for no parameter: the
// dialog would open on a window that the next turn of the event loop deletes, and go with it.
TEST_F(ParameterGraph, AWindowClosedDuringItsFirstActivationAsksNothing)
{
    QPointer<frmParameters> w = window({mono()});
    const ModalDialogs dialogs;
    w->show();
    // Queued behind the activation, so it comes during the activation's yield.
    QTimer::singleShot(0, w, [w] { w->close(); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w || !w->isVisible(); }, 5000));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(dialogs.unexpected, 0);
}

// File > Select starts the set anew: the channel buttons go back with the menu, and the properties dialog that the
// new set asks for has the last word (its Cancel gathers nothing).
TEST_F(ParameterGraph, SelectResetsTheChannelsAndTheFirstPropertiesCancelGathersNothing)
{
    frmParameters* w = gathered({mono(), stereo()});
    item(w, "mnViewChannel(1)")->trigger();
    item(w, "mnViewChannel(0)")->trigger();
    ASSERT_TRUE(item(w, "Channel2")->isChecked());
    ASSERT_FALSE(item(w, "Channel1")->isChecked());
    const QString third = writeDecay("third-1.0.wav", 1.0, 1);
    scripted().openAnswers.push_back(third);
    int propertiesShown = 0;
    {
        const ModalDialogs dialogs({[](QDialog* select) {
                                        select->findChild<QPushButton*>(QStringLiteral("cmdAdd"))->click();
                                        select->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
                                    },
                                    [&](QDialog* properties) {
                                        ++propertiesShown;
                                        properties->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
                                    }});
        item(w, "mnFileSelect")->trigger();
        EXPECT_EQ(dialogs.unexpected, 0);
    }
    ASSERT_EQ(w->FileCount(), 3);
    EXPECT_EQ(propertiesShown, 1);
    for (const auto& [menu, button] : {std::pair{"mnViewChannel(0)", "Channel1"}, {"mnViewChannel(1)", "Channel2"}}) {
        SCOPED_TRACE(button);
        EXPECT_EQ(item(w, button)->isChecked(), item(w, menu)->isChecked());
    }
    EXPECT_TRUE(item(w, "Channel1")->isChecked());
    EXPECT_TRUE(w->Cancel());
    EXPECT_FALSE(w->statistics().done(w->CurrentParam(), 0)) << "Cancel gathered nothing";
    EXPECT_FALSE(w->Computed());
}

// A graph that shows no value is neither copied (the clipboard keeps what it held) nor printed (not even the
// printer dialog): the user is told instead.
TEST_F(ParameterGraph, CopyAndPrintOfAGraphWithoutValuesRefuse)
{
    frmParameters* w = window({mono()});
    w->resize(800, 500);
    QGuiApplication::clipboard()->setText(QStringLiteral("from another program"));
    item(w, "Copy")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("from another program"));
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_TRUE(scripted().messages[0].text.contains("nothing to copy")) << scripted().messages[0].text.toStdString();

    const QString pdf = QString::fromStdString(test::privateRoot()) + QStringLiteral("/empty.pdf");
    CurrentPrinter().setOutputFormat(QPrinter::PdfFormat);
    CurrentPrinter().setOutputFileName(pdf);
    item(w, "mnFilePrint")->trigger();
    EXPECT_EQ(scripted().printDialogs, 0);
    EXPECT_FALSE(QFile::exists(pdf));
    ASSERT_EQ(scripted().messages.size(), 2u);
    EXPECT_TRUE(scripted().messages[1].text.contains("nothing to print")) << scripted().messages[1].text.toStdString();
}

// The window opens wholly on the screen's free area, room for its frame included, however it was placed or sized.
TEST_F(ParameterGraph, OpensWhollyOnTheScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QSize size : {QSize(760, 520), QSize(area.width() + 300, area.height() + 300)}) {
        SCOPED_TRACE(size.height());
        frmParameters* w = window();
        w->resize(size);
        w->move(area.left() + area.width() - 100, area.top() + area.height() - 15);
        {
            const ModalDialogs none;
            w->show();
            QCoreApplication::processEvents();
        }
        // Room for a title bar and borders: the window's own frame where the platform has one.
        const QRect inner = w->geometry();
        const QRect frame = w->frameGeometry() == inner ? inner.adjusted(-8, -40, 8, 8) : w->frameGeometry();
        EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                          << frame.height();
        delete w;
    }
}

// Each access key opens or presses one thing: the menu titles, the items of each menu and the buttons of each of
// the window's dialogs.
TEST_F(ParameterGraph, AccessKeysAreUniqueWithinEachMenuAndDialog)
{
    frmParameters* w = window({mono()});
    EXPECT_GT(test::ExpectUniqueMnemonics(w), 0);
    frmParamProp properties(w);
    frmFileSelect select(w);
    for (const QDialog* dialog : {static_cast<QDialog*>(&properties), static_cast<QDialog*>(&select)})
        EXPECT_GT(test::ExpectUniqueMnemonics(dialog), 0);
    EXPECT_EQ(test::ButtonsWithoutMnemonic(&select), QStringList()) << "Process, Add, Remove, Cancel, Help";
}
