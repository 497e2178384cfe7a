// The speech table: its band rows and indices as the document gives them, the band weights (what a box takes,
// what OK and Cancel keep, what the file writes), the source filter's hidden values, and the modulation table.
#include "tables_fixture.h"

#include "core/Globals.h"
#include "core/clsOptions.h"
#include "tables/frmTableMTF.h"
#include "tables/frmTableSpeech.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>


using namespace tabletest;
using tables::FormatPattern;

namespace {

class SpeechTable : public TableTestWithOptions {
protected:
    frmTableSpeech* openSpeech(clsWave& wave)
    {
        return static_cast<frmTableSpeech*>(open(ParameterTable::Speech, wave));
    }
    // Types a weight into box k and leaves it with Enter.
    static void enterWeight(frmTableSpeech& t, int k, const QString& text)
    {
        QLineEdit* box = t.txtWeight(k);
        box->setFocus();
        box->setText(text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    // A speech table with its weights shown, active, so that its access keys work.
    QPointer<frmTableSpeech> openActive(clsWave& wave)
    {
        QPointer<frmTableSpeech> t = openSpeech(wave);
        t->cmdMore_Click();
        t->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(t));
        return t;
    }
    // Types into box k over its whole text, as on taking the focus from the keyboard; the focus stays there.
    static QLineEdit* type(frmTableSpeech& t, int k, const char* text)
    {
        QLineEdit* box = t.txtWeight(k);
        box->setFocus(Qt::TabFocusReason);
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(text));
        return box;
    }
};

TEST_F(SpeechTable, ShowsTheDocumentsValuesAndIndices)
{
    clsWave& wave = openDocument(Response{});
    frmTableSpeech* t = openSpeech(wave);
    for (int k = 0; k < 7; ++k) {
        SCOPED_TRACE(k);
        const float snr = wave.SNR(0, k + 3); // none where no noise floor bounds it
        EXPECT_EQ(cell(*t, QStringLiteral("lblSNR(%1)").arg(k)), snr == NoValue ? "--" : FormatPattern(snr, "0"));
        EXPECT_EQ(cell(*t, QStringLiteral("lblEDT(%1)").arg(k)), FormatPattern(wave.EDT(0, k + 3), "0.00"));
        EXPECT_EQ(cell(*t, QStringLiteral("lblD50(%1)").arg(k)), FormatPattern(wave.D50(0, k + 3), "0.00"));
        EXPECT_EQ(t->txtWeight(k)->text(), FormatPattern(clsOptions::DefaultSTIWeights[std::size_t(k)], "0.000"));
    }
    const float female = wave.STI_female(0);
    ASSERT_GE(female, 0);
    EXPECT_EQ(cell(*t, "lblSTI(0)"), FormatPattern(female, "0.00") + " : " + clsWave::Rating(female));
    EXPECT_EQ(cell(*t, "lblALC(0)"), FormatPattern(clsWave::ALC(female), "0.0"));
    EXPECT_EQ(cell(*t, "lblSTI(2)"), FormatPattern(wave.STI(0), "0.00") + " : " + clsWave::Rating(wave.STI(0)));
}

// The bundled example has every speech band's MTI and so its indices (weighted STI 0.545 in channel 0). Cut to
// its first 256 frames (what deleting everything leaves), 300 frames or 20 ms, a channel keeps the MTIs of a few
// bands only, and then no index has a value, a rating or a loss: not on screen, not in the file.
TEST_F(SpeechTable, TheExampleCutShortShowsNoIndex)
{
    const char* const values[] = {"lblSTI(0)", "lblSTI(1)", "lblRASTI", "lblSTITEL", "lblSTI(2)"};
    const char* const losses[] = {"lblALC(0)", "lblALC(1)", "lblALC(2)", "lblALC(3)", "lblALC(4)"};
    struct Case {
        std::int32_t frames; // 0: the whole example
        int channel;
    };
    for (const Case c : {Case{0, 0}, Case{256, 0}, Case{300, 1}, Case{960, 0}, Case{960, 1}}) {
        SCOPED_TRACE(testing::Message() << c.frames << " frames, channel " << c.channel);
        clsWave* wave = WaveByKey(NewWave(false));
        wave->setFileName(QStringLiteral(VEMRA_EXAMPLES_DIR "/example-room.wav"));
        ASSERT_TRUE(wave->Valid());
        if (c.frames > 0) {
            ASSERT_EQ(wave->Delete(c.frames, wave->SampleCount() - c.frames), 0);
        }
        frmTableSpeech* t = openSpeech(*wave);
        if (c.channel != 0) {
            t->optChannel(c.channel)->click();
            ASSERT_TRUE(finish(t, 2));
        }
        const QString text = t->ExportText();
        if (c.frames == 0) {
            const float sti = wave->STI(0);
            EXPECT_NEAR(sti, 0.545, 0.005);
            EXPECT_EQ(cell(*t, "lblSTI(2)"), FormatPattern(sti, "0.00") + " : " + clsWave::Rating(sti));
            EXPECT_EQ(cell(*t, "lblALC(4)"), FormatPattern(clsWave::ALC(sti), "0.0"));
            EXPECT_TRUE(text.contains("STI           \t" + FormatPattern(sti, "0.00 ") + "(Fair)")) << text.toStdString();
        } else {
            int measured = 0;
            for (int band = 3; band <= 9; ++band)
                measured += wave->MTI(c.channel, band) >= 0 ? 1 : 0;
            ASSERT_GT(measured, 0) << "a cut that some bands still measure";
            for (int i = 0; i < 5; ++i) {
                SCOPED_TRACE(values[i]);
                EXPECT_EQ(cell(*t, QString::fromLatin1(values[i])), " -- ");
                EXPECT_EQ(cell(*t, QString::fromLatin1(losses[i])), " - ");
            }
            EXPECT_EQ(text.count("\t --  \r\n% ALC         \t -   \r\n"), 5) << text.toStdString();
            for (const char* rating : {"Bad", "Poor", "Fair", "Good", "Excellent"}) {
                EXPECT_FALSE(text.contains(QString::fromLatin1(rating))) << rating;
            }
        }
        t->close();
        wave->Die();
    }
}

TEST_F(SpeechTable, WeightEntries)
{
    struct Case {
        const char* text;
        QLocale::Language language;
        bool accepted;
        float weight;
    };
    clsWave& wave = openDocument(Response{});
    for (const Case& c : {Case{"0", QLocale::C, true, 0.0f}, Case{"2.5", QLocale::C, true, 2.5f},
                          Case{"2,5", QLocale::German, true, 2.5f}, Case{"-0.1", QLocale::C, false, 0},
                          Case{"abc", QLocale::C, false, 0}, Case{"", QLocale::C, false, 0},
                          Case{"nan", QLocale::C, false, 0}, Case{"inf", QLocale::C, false, 0},
                          Case{"1e39", QLocale::C, false, 0}}) {
        SCOPED_TRACE(c.text);
        QLocale::setDefault(QLocale(c.language));
        // Each table starts the document from the stored weights.
        QPointer<frmTableSpeech> t = openSpeech(wave);
        t->cmdMore_Click();
        const float before = wave.STI_Weight(2);
        t->txtWeight(2)->setText(QString::fromLatin1(c.text));
        EXPECT_EQ(t->Weight_Validate(2), c.accepted);
        const float now = c.accepted ? c.weight : before;
        EXPECT_EQ(wave.STI_Weight(2), now);
        EXPECT_EQ(t->txtWeight(2)->text(), FormatPattern(now, "0.000"));
        ASSERT_TRUE(finish(t.data(), c.accepted && now != before ? 2 : 1));
        EXPECT_EQ(cell(*t, "lblSTI(2)"), FormatPattern(wave.STI(0), "0.00") + " : " + clsWave::Rating(wave.STI(0)));
        t->cmdCancel_Click();
        finish(t.data());
        QLocale::setDefault(QLocale::c());
    }
}

TEST_F(SpeechTable, EnterMovesOnAndARefusedEntryKeepsTheFocus)
{
    clsWave& wave = openDocument(Response{});
    frmTableSpeech* t = openSpeech(wave);
    t->cmdMore_Click();
    t->activateWindow();
    enterWeight(*t, 1, "1.5");
    EXPECT_EQ(wave.STI_Weight(1), 1.5f);
    EXPECT_TRUE(t->txtWeight(2)->hasFocus());
    enterWeight(*t, 2, "x");
    EXPECT_TRUE(t->txtWeight(2)->hasFocus());
    EXPECT_EQ(t->txtWeight(2)->text(), "0.800");
    EXPECT_TRUE(t->isVisible()); // Enter in a box is no press of the default button
}

TEST_F(SpeechTable, OkStoresTheWeightsCancelDoesNot)
{
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        clsWave& wave = openDocument(Response{});
        QPointer<frmTableSpeech> t = openSpeech(wave);
        t->cmdMore_Click();
        t->txtWeight(4)->setText("3");
        ASSERT_TRUE(t->Weight_Validate(4));
        if (ok)
            t->cmdOK_Click();
        else
            t->cmdCancel_Click();
        finish(t.data());
        EXPECT_TRUE(t.isNull());
        EXPECT_EQ(Options->STI_Weight(4), ok ? 3.0f : 1.3f);
        // A new table starts the document from the stored weights again.
        frmTableSpeech* again = openSpeech(wave);
        EXPECT_EQ(wave.STI_Weight(4), ok ? 3.0f : 1.3f);
        EXPECT_EQ(again->txtWeight(4)->text(), ok ? "3.000" : "1.300");
        wave.Die();
    }
}

// A key presses a command with the focus still in the box being typed in (a click would have taken the focus and
// run the box's check first): the command takes the typed weight all the same.
TEST_F(SpeechTable, KeyPressedCommandsTakeTheWeightBeingTyped)
{
    clsWave& wave = openDocument(Response{});
    QPointer<frmTableSpeech> t = openActive(wave);

    // Alt+S: the file holds the weight typed, and the weighted STI it gives.
    const QString file = QDir(QString::fromStdString(test::privateRoot())).filePath("typed_speech.txt");
    scripted().saveAnswers.push_back(file);
    QLineEdit* box = type(*t, 0, "3");
    QTest::keyClick(box, Qt::Key_S, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(file); }));
    ASSERT_TRUE(finish(t.data(), 2));
    EXPECT_EQ(wave.STI_Weight(0), 3.0f);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(saved.readAll());
    EXPECT_TRUE(text.contains("weight        \t3.000\t1.000\t0.800")) << text.toStdString();
    EXPECT_TRUE(text.contains("STI           \t" + FormatPattern(wave.STI(0), "0.00 ") + "(")) << text.toStdString();

    // A refused entry keeps the window open with the focus in the box: the command waits for a weight.
    box = type(*t, 3, "x");
    QTest::keyClick(box, Qt::Key_O, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->text() == "0.800"; }));
    ASSERT_FALSE(t.isNull());
    EXPECT_TRUE(t->isVisible());
    EXPECT_TRUE(box->hasFocus());
    EXPECT_EQ(Options->STI_Weight(0), 0.9f);

    // Alt+O: the weight typed is stored with the others.
    box = type(*t, 3, "2.5");
    QTest::keyClick(box, Qt::Key_O, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.isNull(); }));
    EXPECT_EQ(Options->STI_Weight(0), 3.0f);
    EXPECT_EQ(Options->STI_Weight(3), 2.5f);
}

// Esc presses Cancel with the focus in a box: the document takes the weight typed, the stored ones stay.
TEST_F(SpeechTable, EscTakesTheWeightButKeepsTheStoredOnes)
{
    clsWave& wave = openDocument(Response{});
    QPointer<frmTableSpeech> t = openActive(wave);
    QTest::keyClick(type(*t, 1, "4"), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.isNull(); }));
    EXPECT_EQ(wave.STI_Weight(1), 4.0f);
    EXPECT_EQ(Options->STI_Weight(1), 1.0f);
}

TEST_F(SpeechTable, FileAndPageWriteTheWeightsInUse)
{
    clsWave& wave = openDocument(Response{});
    frmTableSpeech* t = openSpeech(wave);
    t->cmdMore_Click();
    t->txtWeight(0)->setText("2");
    ASSERT_TRUE(t->Weight_Validate(0));
    finish(t, 2);
    const QString text = t->ExportText();
    EXPECT_TRUE(text.contains("weight        \t2.000\t1.000\t0.800")) << text.toStdString();
    EXPECT_TRUE(text.contains("STI           \t" + FormatPattern(wave.STI(0), "0.00 ") + "(")) << text.toStdString();
    EXPECT_EQ(Options->STI_Weight(0), 0.9f); // not stored: Cancel could still keep the old defaults
}

TEST_F(SpeechTable, ColumnsAboveTheLimitAndMissingIndices)
{
    Response r;
    r.fs = 22050;
    clsWave& wave = openDocument(r);
    frmTableSpeech* t = openSpeech(wave);
    EXPECT_EQ(t->txtWeight(6)->text(), "--");
    EXPECT_FALSE(t->txtWeight(6)->isEnabled());
    EXPECT_EQ(cell(*t, "lblSNR(6)"), "--");
    // STITEL needs the 8 kHz band.
    ASSERT_LT(wave.STITEL(0), 0);
    EXPECT_EQ(cell(*t, "lblSTITEL"), " -- ");
    EXPECT_EQ(cell(*t, "lblALC(3)"), " - ");
    const QStringList lines = t->ExportText().split("\r\n");
    EXPECT_EQ(lines[0], "         \t125\t250\t500\t1000\t2000\t4000\t");
    EXPECT_EQ(lines[2].count('\t'), 6);
    EXPECT_TRUE(lines.contains("STITEL        \t --  "));
    EXPECT_TRUE(lines.contains("% ALC         \t -   "));
    // Another calculation does not enable the box again.
    t->Calculate();
    finish(t, 2);
    EXPECT_FALSE(t->txtWeight(6)->isEnabled());
}

// A rate that allows no speech band - 80 Hz, the lowest a response may have, and 359 Hz, just below the 359.7 Hz
// from which the 125 Hz octave's centre lies at most 0.35 times the rate - has no band column and no index: every
// value " -- " and every loss " - " on screen and in the file, no rating anywhere (an index of 0 would read "Bad").
// At 360 Hz the 125 Hz octave counts and the weighted STI has its value and rating; the other indices need bands
// the rate does not allow.
TEST_F(SpeechTable, NoIndexAtARateThatAllowsNoSpeechBand)
{
    const char* const values[] = {"lblSTI(0)", "lblSTI(1)", "lblRASTI", "lblSTITEL", "lblSTI(2)"};
    const char* const losses[] = {"lblALC(0)", "lblALC(1)", "lblALC(2)", "lblALC(3)", "lblALC(4)"};
    struct Row {
        int fs;
        bool sti;
    };
    for (const Row row : {Row{80, false}, Row{359, false}, Row{360, true}}) {
        SCOPED_TRACE(row.fs);
        Response r;
        r.fs = row.fs;
        r.length_s = 4.0; // 320 frames at 80 Hz: the fewest a response file may have are 256
        clsWave& wave = openDocument(r);
        frmTableSpeech* t = openSpeech(wave);
        EXPECT_EQ(t->txtWeight(0)->isEnabled(), row.sti);
        const QString text = t->ExportText();
        const int empty = row.sti ? 4 : 5;
        for (int i = 0; i < empty; ++i) {
            SCOPED_TRACE(values[i]);
            EXPECT_EQ(cell(*t, QString::fromLatin1(values[i])), " -- ");
            EXPECT_EQ(cell(*t, QString::fromLatin1(losses[i])), " - ");
        }
        EXPECT_EQ(text.count("\t --  \r\n% ALC         \t -   \r\n"), empty) << text.toStdString();
        if (row.sti) {
            const float sti = wave.STI(0);
            ASSERT_GE(sti, 0.0f);
            EXPECT_EQ(cell(*t, "lblSTI(2)"), FormatPattern(sti, "0.00") + " : " + clsWave::Rating(sti));
            EXPECT_EQ(cell(*t, "lblALC(4)"), FormatPattern(clsWave::ALC(sti), "0.0"));
            EXPECT_TRUE(text.contains("STI           \t" + FormatPattern(sti, "0.00 ") + "(" + clsWave::Rating(sti) +
                                      ")"))
                << text.toStdString();
        } else {
            EXPECT_EQ(text.split("\r\n")[0], "         \t");
            for (const char* rating : {"Bad", "Poor", "Fair", "Good", "Excellent"}) {
                EXPECT_FALSE(text.contains(QString::fromLatin1(rating))) << rating;
            }
        }
        t->close();
        wave.Die();
    }
}

TEST_F(SpeechTable, RastiWithoutItsBandsIsMissingLikeTheOthers)
{
    Response r;
    r.fs = 1200; // the 500 Hz octave lies above 0.35 times the rate
    clsWave& wave = openDocument(r);
    frmTableSpeech* t = openSpeech(wave);
    ASSERT_LT(wave.RASTI(0), 0);
    EXPECT_EQ(cell(*t, "lblRASTI"), " -- ");
    EXPECT_TRUE(t->ExportText().contains("RASTI         \t --  \r\n% ALC         \t -   \r\n"));
}

TEST_F(SpeechTable, SourceFilterHidesTheOtherIndices)
{
    struct Case {
        std::int16_t filter;
        QStringList hidden;
    };
    const QStringList all{"lblSTI(0)", "lblALC(0)", "lblSTI(1)", "lblALC(1)", "lblRASTI",
                          "lblALC(2)", "lblSTITEL", "lblALC(3)", "lblSTI(2)", "lblALC(4)"};
    for (const Case& c : {Case{SourceFilterNone, {}},
                          Case{SourceFilterFemale, {"lblSTI(1)", "lblALC(1)", "lblRASTI", "lblALC(2)"}},
                          Case{SourceFilterMale, {"lblSTI(0)", "lblALC(0)", "lblRASTI", "lblALC(2)"}},
                          Case{SourceFilterRasti,
                               {"lblSTI(0)", "lblALC(0)", "lblSTI(1)", "lblALC(1)", "lblSTITEL", "lblALC(3)",
                                "lblSTI(2)", "lblALC(4)"}}}) {
        SCOPED_TRACE(c.filter);
        Response r;
        r.sourceFilter = c.filter;
        clsWave& wave = openDocument(r);
        frmTableSpeech* t = openSpeech(wave);
        t->cmdMore_Click();
        for (const QString& name : all)
            EXPECT_EQ(t->label(name)->isVisibleTo(t), !c.hidden.contains(name)) << name.toStdString();
        wave.Die();
    }
}

TEST_F(SpeechTable, MoreShowsTheWeights)
{
    clsWave& wave = openDocument(Response{});
    frmTableSpeech* t = openSpeech(wave);
    const int height = t->height();
    EXPECT_FALSE(t->txtWeight(0)->isVisibleTo(t));
    t->cmdMore_Click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(t->txtWeight(0)->isVisibleTo(t));
    EXPECT_EQ(t->findChild<QPushButton*>("cmdMore")->text(), "Hide...");
    EXPECT_GT(t->height(), height);
    t->cmdMore_Click();
    EXPECT_EQ(t->findChild<QPushButton*>("cmdMore")->text(), "More...");
    EXPECT_FALSE(t->txtWeight(0)->isVisibleTo(t));
}

TEST_F(SpeechTable, ModulationTableOpensModallyOnTheSameDocument)
{
    Response r;
    r.receiver = ReceiverDualOmni;
    clsWave& wave = openDocument(r);
    frmTableSpeech* t = openSpeech(wave);
    QStringList seen;
    const auto answer = answerModalTable<frmTableMTF>([&](frmTableMTF& mtf) {
        seen << mtf.windowTitle() << cell(mtf, "lblMTF(0)") << cell(mtf, "lblMTI(6)")
             << QString::number(mtf.optChannel(1)->isVisible());
        mtf.cmdOK()->click();
    });
    t->cmdMTF_Click();
    ASSERT_EQ(seen.size(), 4);
    EXPECT_EQ(seen[0], "STI - " + wave.FileName());
    EXPECT_EQ(seen[1], FormatPattern(wave.MTF(0, 3, 0), "0.000"));
    EXPECT_EQ(seen[2], FormatPattern(wave.MTI(0, 9), "0.000"));
    EXPECT_EQ(seen[3], "1");
}

} // namespace
