// What the table windows show: every cell up to the band limit as the document's member gives it (the tables
// compute nothing but their tests and formats), the rows and channel buttons each receiver gets, the tests on the
// impulse-to-noise ratio and the calibration, and the Save and Help commands.
#include "tables_fixture.h"

#include "core/Globals.h"
#include "core/HelpWindow.h"
#include "core/clsOptions.h"
#include "support/gui_mnemonics.h"
#include "tables/TableFormat.h"
#include "tables/frmTableMTF.h"

#include "tables/frmTableSpeech.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QKeySequence>
#include <QLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace tabletest;
using tables::FormatPattern;

namespace {

// A grid row: its cells, the member behind them and how a value shows.
struct GridRow {
    const char* cells;
    std::function<double(clsWave&, int channel, int band)> value;
    const char* pattern;
    std::function<bool(double)> shown = [](double v) { return v < 100; };
};

std::function<double(clsWave&, int, int)> of(float (clsWave::*m)(int, int), double scale = 1)
{
    return [m, scale](clsWave& w, int ch, int b) { return (w.*m)(ch, b) * scale; };
}
std::function<double(clsWave&, int, int)> of(float (clsWave::*m)(int))
{
    return [m](clsWave& w, int, int b) { return (w.*m)(b); };
}
bool nonNegative(double v) { return v >= 0; }

struct GridCase {
    const char* name;
    ParameterTable table;
    std::int16_t receiver;
    int channel;
    int fs;
    int firstBand;
    std::vector<GridRow> rows;
    int columns = 7;
};

const GridCase kGrids[] = {
    {"iso_omni", ParameterTable::Iso, ReceiverOmni, 0, 48000, 2,
     {{"lblEDT", of(&clsWave::EDT), "0.00"},
      {"lblT20", of(&clsWave::RT20time), "0.00"},
      {"lblT30", of(&clsWave::RT30time), "0.00"},
      {"lblTs", of(&clsWave::ts, 1000), "0.0"},
      {"lblC80", of(&clsWave::C80), "0.00"},
      {"lblD50", of(&clsWave::D50), "0.00"}}},
    {"iso_head_iacc", ParameterTable::Iso, ReceiverHead, 0, 48000, 2,
     {{"lblIACC1", of(&clsWave::IACC1), "0.00", nonNegative},
      {"lblIACC2", of(&clsWave::IACC2), "0.00", nonNegative},
      {"lblIACC3", of(&clsWave::IACC3), "0.00", nonNegative}}},
    {"levels_second_channel", ParameterTable::Levels, ReceiverDualOmni, 1, 48000, 2,
     {{"lblG", of(&clsWave::G), "0.00", [](double v) { return v > -100; }}}},
    {"energy_8k", ParameterTable::EnergyRatios, ReceiverOmni, 0, 8000, 2,
     {{"lblTs", of(&clsWave::ts, 1000), "0.0"}, {"lblC80", of(&clsWave::C80), "0.00"}}},
    {"reverberation_44k1", ParameterTable::Reverberation, ReceiverDualOmni, 1, 44100, 1,
     {{"lblEDT", of(&clsWave::EDT), "0.000"},
      {"lblrEDT", of(&clsWave::EDTcorr), "0.000", [](double) { return true; }},
      {"lblT10", of(&clsWave::RT10time), "0.000"},
      {"lblT30", of(&clsWave::RT30time), "0.000"},
      {"lblr30", of(&clsWave::RT30Corr), "0.000", [](double) { return true; }}},
     10},
    {"space_probe", ParameterTable::Spaciousness, ReceiverOmniOmniProbe, 0, 48000, 2,
     {{"lblLF", of(&clsWave::LF), "0.00", nonNegative}, {"lblLFC", of(&clsWave::LFC), "0.00", nonNegative}}},
    {"stage_second_channel", ParameterTable::Stage, ReceiverHead, 1, 44100, 2,
     {{"lblSTearly", of(&clsWave::STearly), "0.00", [](double v) { return std::abs(v) < 100; }},
      {"lblSTtotal", of(&clsWave::STtotal), "0.00", [](double v) { return std::abs(v) < 100; }}}},
};

void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }

class TableGrid : public TableTest, public testing::WithParamInterface<GridCase> {};

TEST_P(TableGrid, CellsAreTheDocumentsValues)
{
    const GridCase& c = GetParam();
    Response r;
    r.receiver = c.receiver;
    r.fs = c.fs;
    clsWave& wave = openDocument(r);
    frmTable* t = open(c.table, wave);
    if (c.channel != 0) {
        t->optChannel(c.channel)->click();
        ASSERT_TRUE(finish(t, 2));
    }
    const int last = t->columns().last;
    for (const GridRow& row : c.rows)
        for (int k = 0; k < c.columns; ++k) {
            SCOPED_TRACE(testing::Message() << row.cells << " column " << k);
            const QString name = QStringLiteral("%1(%2)").arg(QLatin1String(row.cells)).arg(k);
            if (k > last) {
                EXPECT_EQ(cell(*t, name), "--");
                continue;
            }
            const double v = row.value(wave, c.channel, c.firstBand + k);
            ASSERT_TRUE(row.shown(v)) << "the fixture gives every band a value";
            EXPECT_EQ(cell(*t, name), FormatPattern(v, QString::fromLatin1(row.pattern)));
        }
}

INSTANTIATE_TEST_SUITE_P(Tables, TableGrid, testing::ValuesIn(kGrids),
                         [](const testing::TestParamInfo<GridCase>& info) { return std::string(info.param.name); });

class TableWindow : public TableTest {};

TEST_F(TableWindow, RowsAndChannelButtonsByReceiver)
{
    struct Case {
        ParameterTable table;
        std::int16_t receiver;
        QStringList shownFrames;
        QStringList hiddenFrames;
        bool channels;
    };
    const Case cases[] = {
        {ParameterTable::Iso, ReceiverOmni, {"fraPower", "fraRev", "fraRatio"}, {"fraLFC", "fraLF", "fraIACC"}, false},
        {ParameterTable::Iso, ReceiverDualOmni, {"fraRatio"}, {"fraLF", "fraIACC"}, true},
        {ParameterTable::Iso, ReceiverOmniFig8, {"fraRev", "fraLF"}, {"fraLFC", "fraIACC"}, false},
        {ParameterTable::Iso, ReceiverOmniOmniProbe, {"fraLFC"}, {"fraLF", "fraIACC"}, false},
        {ParameterTable::Iso, ReceiverHead, {"fraIACC"}, {"fraPower", "fraRev", "fraRatio", "fraLFC", "fraLF"}, false},
        {ParameterTable::Spaciousness, ReceiverOmniFig8Switched, {"fraLF"}, {"fraLFC", "fraIACC"}, false},
        {ParameterTable::Spaciousness, ReceiverOmniOmniProbe, {"fraLFC", "fraLF"}, {"fraIACC"}, false},
        {ParameterTable::Spaciousness, ReceiverHead, {"fraIACC"}, {"fraLFC", "fraLF"}, false},
        {ParameterTable::Levels, ReceiverOmni, {}, {}, false},
        {ParameterTable::Levels, ReceiverOmniFig8, {}, {}, true},
        {ParameterTable::EnergyRatios, ReceiverOmniFig8, {}, {}, false},
        {ParameterTable::Stage, ReceiverHead, {}, {}, true},
        {ParameterTable::Reverberation, ReceiverOmniOmniProbe, {}, {}, true},
        {ParameterTable::Speech, ReceiverOmniFig8Switched, {}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.table) << " receiver " << c.receiver);
        Response r;
        r.receiver = c.receiver;
        r.length_s = 0.5;
        clsWave& wave = openDocument(r);
        frmTable* t = ShowParameterTable(c.table, wave.Key());
        ASSERT_NE(t, nullptr);
        for (const QString& f : c.shownFrames)
            EXPECT_TRUE(t->findChild<QFrame*>(f)->isVisibleTo(t)) << f.toStdString();
        for (const QString& f : c.hiddenFrames)
            EXPECT_FALSE(t->findChild<QFrame*>(f)->isVisibleTo(t)) << f.toStdString();
        EXPECT_EQ(t->optChannel(0)->isVisibleTo(t), c.channels);
        EXPECT_EQ(t->optChannel(1)->isVisibleTo(t), c.channels);
        wave.Die();
        finish(t);
    }
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(TableWindow, UnknownReceiverIsReportedAndTheTableStillOpens)
{
    for (ParameterTable kind : {ParameterTable::Iso, ParameterTable::Spaciousness}) {
        scripted().clear();
        Response r;
        r.receiver = ReceiverReflectionIndex;
        r.length_s = 0.5;
        clsWave& wave = openDocument(r);
        frmTable* t = open(kind, wave);
        ASSERT_NE(t, nullptr);
        ASSERT_EQ(scripted().messages.size(), 1u);
        EXPECT_TRUE(scripted().messages[0].text.contains("Unknown receiver type"));
        EXPECT_TRUE(scripted().messages[0].text.contains("TableLoad"));
        // Laid out as for the receivers it resembles most: an omni response, a lateral fraction.
        EXPECT_EQ(t->findChild<QFrame*>("fraLF")->isVisibleTo(t), kind == ParameterTable::Spaciousness);
        wave.Die();
    }
}

TEST_F(TableWindow, NoiseHidesTheReverberationTimesItSpoils)
{
    // Under 44.5 dB of INR in the 1 kHz octave: enough for T20 (35 dB) and strength (30 dB), not for T30 (45 dB).
    Response r;
    r.inr1k_dB = 44;
    r.calibrated = true;
    clsWave& wave = openDocument(r);
    const double inr = std::abs(wave.INR(0, 6));
    ASSERT_GT(inr, 36);
    ASSERT_LT(inr, 44.5);
    ASSERT_LT(wave.RT30time(0, 6), 100); // the document has a T30; the table must not show it
    frmTable* t = open(ParameterTable::Iso, wave);
    EXPECT_EQ(cell(*t, "lblT30(4)"), "--");
    EXPECT_EQ(cell(*t, "lblT20(4)"), FormatPattern(wave.RT20time(0, 6), "0.00"));
    EXPECT_EQ(cell(*t, "lblG(4)"), FormatPattern(wave.G(0, 6), "0.00"));
    const QStringList lines = t->ExportText().split("\r\n");
    ASSERT_GT(lines.size(), 6);
    EXPECT_EQ(lines[6].split('\t')[5], " "); // the T30 row, 1 kHz
}

TEST_F(TableWindow, StrengthNeedsACalibrationOnScreenAndARowInTheFile)
{
    for (bool calibrated : {false, true}) {
        SCOPED_TRACE(calibrated);
        Response r;
        r.calibrated = calibrated;
        clsWave& wave = openDocument(r);
        frmTable* t = open(ParameterTable::Iso, wave);
        EXPECT_EQ(cell(*t, "lblG(3)"), calibrated ? FormatPattern(wave.G(0, 5), "0.00") : QString("--"));
        EXPECT_EQ(t->ExportText().split("\r\n")[2].startsWith("G   [dB]:"), calibrated);
        wave.Die();
    }
}

TEST_F(TableWindow, EightKilohertzLeavesTheTopColumn)
{
    Response r;
    r.fs = 8000;
    clsWave& wave = openDocument(r);
    frmTable* t = open(ParameterTable::Iso, wave);
    EXPECT_EQ(t->columns().last, 5);
    EXPECT_EQ(cell(*t, "lblD50(6)"), "--");
    const QStringList lines = t->ExportText().split("\r\n");
    EXPECT_EQ(lines[0].count('\t'), 7);
    EXPECT_EQ(lines[2].count('\t'), 6);                    // EDT up to 2 kHz
    EXPECT_TRUE(lines[8].startsWith("D50  [-]:"));
    EXPECT_EQ(lines[8].count('\t'), 7);                    // D50 through every column
    EXPECT_TRUE(lines[8].endsWith("\t "));
}

TEST_F(TableWindow, CaptionAndHelp)
{
    struct Case {
        ParameterTable table;
        const char* title;
        int help;
    };
    Response probe;
    probe.receiver = ReceiverOmniOmniProbe; // every table has rows for it
    clsWave& wave = openDocument(probe);
    for (const Case& c : {Case{ParameterTable::Iso, "ISO 3382 - ", 3}, Case{ParameterTable::Levels, "Levels - ", 15},
                          Case{ParameterTable::EnergyRatios, "Energy ratios - ", 16},
                          Case{ParameterTable::Reverberation, "Reverberation - ", 17},
                          Case{ParameterTable::Spaciousness, "Spaciousness - ", 18},
                          Case{ParameterTable::Stage, "Stage - ", 29}, Case{ParameterTable::Speech, "Speech - ", 13}}) {
        SCOPED_TRACE(c.title);
        QPointer<frmTable> t = ShowParameterTable(c.table, wave.Key());
        EXPECT_EQ(t->windowTitle(), QString::fromLatin1(c.title) + wave.FileName());
        t->cmdHelp_Click();
        EXPECT_EQ(HelpWindow::instance()->currentPage(), QStringLiteral("context-%1.html").arg(c.help));
        finish(t);
        t->cmdOK()->click();
        finish(t);
        EXPECT_TRUE(t.isNull());
    }
    for (const MessageRequest& m : scripted().messages)
        ADD_FAILURE() << m.text.toStdString();
}

// Noise far above the decay leaves no decay to measure, so no signal-to-noise ratio either: every SNR cell of the
// speech table reads "--" on screen and in the file, never a number. A value of exactly 0, though, is a value like
// any other and is written as the number.
TEST_F(TableWindow, SignalToNoiseRatioWithoutADecayHasNoValueAndZeroIsANumber)
{
    Response r;
    r.inr1k_dB = -30;
    clsWave& wave = openDocument(r);
    frmTable* t = open(ParameterTable::Speech, wave);
    for (int k = 0; k < 7; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(cell(*t, QStringLiteral("lblSNR(%1)").arg(k)).trimmed(), QStringLiteral("--"));
    }
    const QStringList lines = t->ExportText().split(QStringLiteral("\r\n"));
    const auto line = std::find_if(lines.begin(), lines.end(), [](const QString& l) { return l.startsWith("SNR [dB]:"); });
    ASSERT_NE(line, lines.end());
    const QStringList fields = line->split(QLatin1Char('\t')).mid(1);
    EXPECT_EQ(fields.size(), 7) << line->toStdString();
    for (const QString& field : fields)
        EXPECT_EQ(field.trimmed(), QStringLiteral("--")) << line->toStdString();

    const tables::Cell zero = tables::ValueCell(true, 0.0, QStringLiteral("0"), QStringLiteral("0    "));
    EXPECT_EQ(zero.screen, QStringLiteral("0"));
    EXPECT_EQ(zero.file, QStringLiteral("0"));
    EXPECT_EQ(zero.print.trimmed(), QStringLiteral("0"));
}

// A lateral fraction of exactly 0 is a value, and its row shows it as one: a second channel that sounds only long
// after the early window (one sample near the response's end, so the channel is not silent) has no energy from 5
// to 80 ms in any band. The figure-of-eight's LF and the probe's LFC are 0, and read "0.00" on screen and in the
// file, not the "--" of a missing value.
TEST_F(TableWindow, ALateralFractionOfExactly0ShowsAsANumber)
{
    struct Case {
        const char* name;
        ParameterTable table;
        std::int16_t receiver;
        const char* cells;
        const char* fileLabel;
        float (clsWave::*member)(int band);
    };
    const Case cases[] = {
        {"figure-of-eight", ParameterTable::Iso, ReceiverOmniFig8, "lblLF", "LF  [-]:", &clsWave::LF},
        {"probe", ParameterTable::Spaciousness, ReceiverOmniOmniProbe, "lblLFC", "LFC  [-]:", &clsWave::LFC},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Response r;
        r.receiver = c.receiver;
        const std::vector<float> omni = tonalDecay(r, r.T0_s, 9000, 3);
        std::vector<float> late(omni.size(), 0.0f);
        late[late.size() - 10] = 1000;
        clsWave* wave = WaveByKey(NewWave(false));
        wave->setFileName(QString::fromStdString(test::ResponseFile("late-lateral.wav")
                                                      .rate(r.fs)
                                                      .perChannel({omni, late})
                                                      .receiver(c.receiver)
                                                      .probeDistance(20.0f)
                                                      .write()));
        ASSERT_TRUE(wave->Valid());
        frmTable* t = open(c.table, *wave);
        QStringList zeros;
        for (int k = 0; k <= t->columns().last; ++k) {
            SCOPED_TRACE(k);
            ASSERT_EQ((wave->*c.member)(k + 2), 0.0f);
            EXPECT_EQ(cell(*t, QStringLiteral("%1(%2)").arg(QLatin1String(c.cells)).arg(k)), "0.00");
            zeros << QStringLiteral("0.00");
        }
        const QStringList lines = t->ExportText().split(QStringLiteral("\r\n"));
        const auto line = std::find_if(lines.begin(), lines.end(),
                                       [&](const QString& l) { return l.startsWith(QLatin1String(c.fileLabel)); });
        ASSERT_NE(line, lines.end());
        EXPECT_EQ(line->split(QLatin1Char('\t')).mid(1, zeros.size()), zeros) << line->toStdString();
        t->close();
        wave->Die();
    }
}

// Each access key (Alt and the underlined letter) presses one button of its window: two buttons of one key would
// make it press neither.
TEST_F(TableWindow, AccessKeysAreUniqueWithinEachWindow)
{
    Response r;
    r.receiver = ReceiverDualOmni; // every table shows its channel buttons
    clsWave& wave = openDocument(r);
    std::vector<QPointer<frmTable>> tables;
    for (ParameterTable kind : {ParameterTable::Iso, ParameterTable::Levels, ParameterTable::EnergyRatios,
                                ParameterTable::Reverberation, ParameterTable::Spaciousness, ParameterTable::Stage,
                                ParameterTable::Speech})
        tables.emplace_back(ShowParameterTable(kind, wave.Key()));
    tables.emplace_back(new frmTableMTF(wave.Key()));
    for (const QPointer<frmTable>& t : tables) {
        ASSERT_TRUE(t);
        EXPECT_GT(test::ExpectUniqueMnemonics(t), 0);
    }
    delete tables.back().data();
}

TEST_F(TableWindow, SpeechTableKeysForMoreAndTheModulationTable)
{
    clsWave& wave = openDocument(Response{});
    QPointer<frmTableSpeech> t = static_cast<frmTableSpeech*>(open(ParameterTable::Speech, wave));
    t->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(t));
    QTest::keyClick(t, Qt::Key_M, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return t->weightsShown(); }));
    QString opened;
    const auto answer = answerModalTable<frmTableMTF>([&](frmTableMTF& mtf) {
        opened = mtf.objectName();
        mtf.cmdOK()->click();
    });
    QTest::keyClick(t, Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty() && !QApplication::activeModalWidget(); }));
    EXPECT_EQ(opened, "frmTableMTF");
}

// The index rows line up whatever frame holds them: the weighted STI's value and loss stand under those of the
// other indices.
TEST_F(TableWindow, SpeechIndexRowsLineUpAndTheWeightBoxesShowLargeWeightsWhole)
{
    clsWave& wave = openDocument(Response{});
    frmTableSpeech* t = static_cast<frmTableSpeech*>(open(ParameterTable::Speech, wave));
    t->cmdMore_Click();
    t->layout()->activate();
    QCoreApplication::processEvents();
    auto x = [&](const char* name) { return t->label(QString::fromLatin1(name))->mapTo(t, QPoint(0, 0)).x(); };
    auto right = [&](const char* name) {
        const QLabel* l = t->label(QString::fromLatin1(name));
        return l->mapTo(t, QPoint(l->width(), 0)).x();
    };
    for (const char* alc : {"lblALC(1)", "lblALC(2)", "lblALC(3)", "lblALC(4)"}) {
        SCOPED_TRACE(alc);
        EXPECT_EQ(x(alc), x("lblALC(0)"));
    }
    for (const char* caption : {"lblSI(1)", "lblSI(3)", "lblSI(8)", "lblSI(5)"}) {
        SCOPED_TRACE(caption);
        EXPECT_EQ(right(caption), right("lblSI(17)"));
    }
    EXPECT_EQ(x("lblSTI(2)"), x("lblSTI(0)"));
    // A column's boxes and cells share their place.
    EXPECT_EQ(t->txtWeight(5)->mapTo(t, QPoint(0, 0)).x(), x("lblSNR(5)"));

    for (const char* weight : {"0.000", "12.500", "9999.999"}) {
        SCOPED_TRACE(weight);
        QLineEdit* box = t->txtWeight(3);
        box->setText(QString::fromLatin1(weight));
        QStyleOptionFrame frame;
        frame.initFrom(box);
        frame.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, box);
        const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &frame, box);
        const int textRoom = contents.width() - 2 * 2; // the line edit's own margin on either side
        EXPECT_LE(box->fontMetrics().horizontalAdvance(box->text()), textRoom);
    }
}

class TableSave : public TableTestWithOptions {
protected:
    void SetUp() override
    {
        TableTestWithOptions::SetUp();
        Options->setDataDir(QString::fromStdString(test::privateRoot()));
    }
};

TEST_F(TableSave, OffersTheDefaultNameAndWritesTheChosenFile)
{
    clsWave& wave = openDocument(Response{}, "Hall.WAV");
    frmTable* t = open(ParameterTable::Stage, wave);
    const QString folder = QString::fromStdString(test::privateRoot()) + "/exports";
    QDir().mkpath(folder);
    scripted().saveAnswers.push_back(folder + "/stage.txt");
    t->cmdSave()->click();
    ASSERT_EQ(scripted().fileDialogs.size(), 1u);
    const FileDialogRequest& asked = scripted().fileDialogs[0];
    EXPECT_EQ(asked.caption, "Save As");
    EXPECT_EQ(asked.directory, QString::fromStdString(test::privateRoot()) + "/Hall_stage.txt");
    EXPECT_EQ(asked.filter, "Text files (*.txt)");
    EXPECT_EQ(asked.defaultSuffix, "txt");
    QFile file(folder + "/stage.txt");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), t->ExportText().toLocal8Bit());
    EXPECT_EQ(Options->DataDir(), folder);
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(TableSave, CancelWritesNothing)
{
    clsWave& wave = openDocument(Response{});
    frmTable* t = open(ParameterTable::Levels, wave);
    const QString before = Options->DataDir();
    t->cmdSave()->click();
    EXPECT_EQ(scripted().fileDialogs.size(), 1u);
    EXPECT_EQ(Options->DataDir(), before);
    EXPECT_EQ(QDir(before).entryList({"*.txt"}), QStringList());
    EXPECT_TRUE(scripted().messages.empty());
}

TEST_F(TableSave, FailedWriteIsReportedOnce)
{
    clsWave& wave = openDocument(Response{});
    frmTable* t = open(ParameterTable::Levels, wave);
    // A file where the folder should be: the name cannot be written.
    const QString blocker = QString::fromStdString(test::privateRoot()) + "/not-a-folder";
    QFile(blocker).open(QIODevice::WriteOnly);
    t->SaveTable(blocker + "/levels.txt");
    ASSERT_EQ(scripted().messages.size(), 1u);
    EXPECT_TRUE(scripted().messages[0].text.contains("SaveTable"));
    EXPECT_FALSE(QFile::exists(blocker + "/levels.txt"));
}

} // namespace
