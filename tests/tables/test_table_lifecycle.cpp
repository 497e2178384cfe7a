// The calculation run of a table window and the window's life around it: closing during a run, the document
// closing or changing during a run, a channel change during a run, and one run at a time.
#include "tables_fixture.h"

#include "tables/frmTableMTF.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QRadioButton>
#include <QTimer>

#include <functional>

using namespace tabletest;

namespace {

struct Kind {
    const char* name;
    ParameterTable table;
    std::int16_t receiver;
};

const Kind kKinds[] = {
    {"iso", ParameterTable::Iso, ReceiverOmni},
    {"reverberation", ParameterTable::Reverberation, ReceiverDualOmni},
    {"spaciousness", ParameterTable::Spaciousness, ReceiverOmniFig8},
    {"energy_ratios", ParameterTable::EnergyRatios, ReceiverDualOmni},
    {"levels", ParameterTable::Levels, ReceiverDualOmni},
    {"speech", ParameterTable::Speech, ReceiverOmni},
    {"stage", ParameterTable::Stage, ReceiverDualOmni},
};

Response shortResponse(std::int16_t receiver)
{
    Response r;
    r.receiver = receiver;
    r.length_s = 1.0;
    return r;
}

// Runs `action` during the table's first run, at the first yield after the label `filled` got a value (any
// yield when no label is named).
void duringFirstRun(frmTable* table, std::function<void()> action, const QString& filled = {})
{
    auto* once = new QTimer(table);
    once->setSingleShot(true);
    QObject::connect(once, &QTimer::timeout, table, [table, once, action, filled] {
        if (table->busy() && (filled.isEmpty() || cell(*table, filled) != "--"))
            action();
        else
            once->start(0);
    });
    once->start(0);
}

void PrintTo(const Kind& k, std::ostream* os) { *os << k.name; }

class TableLifecycle : public TableTest, public testing::WithParamInterface<Kind> {};

TEST_P(TableLifecycle, CloseDuringTheRunClosesAfterTheCurrentCell)
{
    clsWave& wave = openDocument(shortResponse(GetParam().receiver));
    QPointer<frmTable> table = ShowParameterTable(GetParam().table, wave.Key());
    ASSERT_TRUE(table);
    bool refused = false;
    duringFirstRun(table, [&] {
        table->close();
        refused = table->isVisible() && table->busy();
    });
    finish(table);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(table.isNull());
    EXPECT_EQ(WaveByKey(wave.Key()), &wave);
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_P(TableLifecycle, DocumentClosedDuringTheRunClosesTheTableSilently)
{
    clsWave& wave = openDocument(shortResponse(GetParam().receiver));
    QPointer<frmTable> table = ShowParameterTable(GetParam().table, wave.Key());
    ASSERT_TRUE(table);
    duringFirstRun(table, [&] { wave.Die(); });
    finish(table);
    EXPECT_TRUE(table.isNull());
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_P(TableLifecycle, IdleTableClosesWithItsDocument)
{
    clsWave& wave = openDocument(shortResponse(GetParam().receiver));
    QPointer<frmTable> table = ShowParameterTable(GetParam().table, wave.Key());
    ASSERT_TRUE(finish(table));
    wave.Die();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(table.isNull());
}

// The window shows itself whole before the first cell is computed (the first cell may take seconds): its first
// painting finds every label as it was built.
TEST_P(TableLifecycle, WindowIsPaintedBeforeTheFirstCell)
{
    clsWave& wave = openDocument(shortResponse(GetParam().receiver));
    QPointer<frmTable> table = ShowParameterTable(GetParam().table, wave.Key());
    ASSERT_TRUE(table);
    QStringList built;
    for (const QLabel* l : table->findChildren<QLabel*>())
        built << l->text();
    struct FirstPaint : QObject {
        std::function<void()> onPaint;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint && onPaint) {
                onPaint();
                onPaint = nullptr;
            }
            return false;
        }
    } watch;
    QStringList atFirstPaint;
    watch.onPaint = [&] {
        for (const QLabel* l : table->findChildren<QLabel*>())
            atFirstPaint << l->text();
    };
    table->installEventFilter(&watch);
    ASSERT_TRUE(finish(table));
    table->removeEventFilter(&watch);
    EXPECT_EQ(atFirstPaint.join('|').toStdString(), built.join('|').toStdString());
}

INSTANTIATE_TEST_SUITE_P(Tables, TableLifecycle, testing::ValuesIn(kKinds),
                         [](const testing::TestParamInfo<Kind>& info) { return std::string(info.param.name); });

class TableRun : public TableTest {};

TEST_F(TableRun, CloseStopsTheRunAtTheCellItWasIn)
{
    clsWave& wave = openDocument(shortResponse(ReceiverOmni));
    QPointer<frmTable> table = ShowParameterTable(ParameterTable::Levels, wave.Key());
    // What the grid held when the window finally closed: the INR of the first band and nothing after it.
    QStringList atClose;
    struct Watch : QObject {
        std::function<void()> onClose;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Close)
                onClose();
            return false;
        }
    } watch;
    watch.onClose = [&] {
        if (!table->busy())
            atClose = {cell(*table, "lblSN(0)"), cell(*table, "lblG(0)"), cell(*table, "lblSN(1)")};
    };
    table->installEventFilter(&watch);
    duringFirstRun(table, [&] { table->cmdOK()->click(); });
    finish(table);
    ASSERT_TRUE(table.isNull());
    ASSERT_EQ(atClose.size(), 3);
    EXPECT_NE(atClose[0], "--");
    EXPECT_EQ(atClose[1], "--");
    EXPECT_EQ(atClose[2], "--");
}

TEST_F(TableRun, DocumentChangedDuringTheRunIsShownAsItIsAtTheEnd)
{
    clsWave& wave = openDocument(shortResponse(ReceiverOmni));
    const float before = wave.G(0, 6);
    QPointer<frmTable> table = ShowParameterTable(ParameterTable::Levels, wave.Key());
    // A stored gain changes every strength by 10 dB and announces the change, after the first one was shown.
    duringFirstRun(table, [&] { wave.setGainExtCha(0, wave.GainExtCha(0) + 10); }, "lblG(0)");
    ASSERT_TRUE(finish(table));
    ASSERT_NE(wave.G(0, 6), before);
    for (int k = 0; k < 7; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(cell(*table, QStringLiteral("lblG(%1)").arg(k)), tables::FormatPattern(wave.G(0, k + 2), "0.00"));
    }
    EXPECT_EQ(table->runsCompleted(), 1); // the change started the run over; it did not start a second one
}

TEST_F(TableRun, ChannelChangedDuringTheRunStartsItOver)
{
    clsWave& wave = openDocument(shortResponse(ReceiverDualOmni));
    QPointer<frmTable> table = ShowParameterTable(ParameterTable::EnergyRatios, wave.Key());
    bool busyAfterClick = false;
    duringFirstRun(table, [&] {
        table->optChannel(1)->click();
        busyAfterClick = table->busy();
        // Save and Print wait for the end of the run.
        EXPECT_FALSE(table->cmdSave()->isEnabled());
        EXPECT_FALSE(table->cmdPrint()->isEnabled());
    });
    ASSERT_TRUE(finish(table));
    EXPECT_TRUE(busyAfterClick);
    EXPECT_EQ(table->runsCompleted(), 1);
    EXPECT_TRUE(table->cmdSave()->isEnabled());
    for (int k = 0; k < 7; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(cell(*table, QStringLiteral("lblC80(%1)").arg(k)), tables::FormatPattern(wave.C80(1, k + 2), "0.00"));
    }
}

TEST_F(TableRun, EscapeDuringTheRunIsAClose)
{
    clsWave& wave = openDocument(shortResponse(ReceiverOmni));
    QPointer<frmTable> table = ShowParameterTable(ParameterTable::Stage, wave.Key());
    duringFirstRun(table, [&] { QTest::keyClick(table, Qt::Key_Escape); });
    finish(table);
    EXPECT_TRUE(table.isNull());
}

TEST_F(TableRun, ModulationTableClosesWithItsDocument)
{
    clsWave& wave = openDocument(shortResponse(ReceiverOmni));
    QPointer<frmTable> mtf = new frmTableMTF(wave.Key());
    mtf->show();
    duringFirstRun(mtf, [&] { wave.Die(); });
    finish(mtf);
    EXPECT_TRUE(mtf.isNull());
    EXPECT_TRUE(scripted().messages.empty());
}

// The first run waits for the window's first painting: a window closed, or whose document ends, before it ever
// painted closes at once and never calculates.
TEST_F(TableRun, ClosedBeforeItsFirstPaintingItNeverRuns)
{
    for (const bool documentEnds : {false, true}) {
        SCOPED_TRACE(documentEnds ? "document ends" : "closed");
        clsWave& wave = openDocument(shortResponse(ReceiverOmni));
        QPointer<frmTable> table = ShowParameterTable(ParameterTable::Iso, wave.Key());
        ASSERT_TRUE(table);
        if (documentEnds)
            wave.Die();
        else
            table->close();
        int runs = -1;
        QObject::connect(table, &frmTable::calculated, [&] { runs = table->runsCompleted(); });
        finish(table);
        EXPECT_TRUE(table.isNull());
        EXPECT_EQ(runs, -1);
        if (!documentEnds)
            wave.Die();
    }
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(TableRun, TableOnADocumentThatIsGoneDoesNotOpen)
{
    EXPECT_EQ(ShowParameterTable(ParameterTable::Iso, QStringLiteral("no such key")), nullptr);
    // Reported once, under the loading's name.
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_TRUE(scripted().messages[0].text.contains("TableLoad"));
}

} // namespace
