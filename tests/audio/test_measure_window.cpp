// The measurement window's set-up: what it opens with, the choices and the rules that enable the controls, the
// pre-average entry, the length list, the level meters, and its reaction to a new sample rate.
#include "MeasureFixture.h"

#include "audio/frmSetup.h"
#include "support/gui_mnemonics.h"

using namespace audiotest;

namespace {

class Window : public MeasureTest {};

TEST_F(Window, OpensWithTheStoredChoicesOrTheirDefaults)
{
    const struct {
        const char* name;
        const char* receiver;
        const char* stimulus;
        const char* filter;
        int expectReceiver, expectStimulus, expectFilter;
    } rows[] = {
        {"nothing stored", nullptr, nullptr, nullptr, 0, 1, 0},
        {"external impulse, dual omni, male", "2", "4", "3", 2, 4, 3},
        {"sweep", "0", "5", "0", 0, 5, 0},
        {"out of range", "9", "7", "5", 0, 1, 0},
        {"not numbers", "x", "", "one", 0, 1, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DeleteSetting(QStringLiteral("Measurement"));
        const auto store = [](const char* key, const char* value) {
            if (value)
                SaveSetting(QStringLiteral("Measurement"), QLatin1String(key), QLatin1String(value));
        };
        store("Receiver", row.receiver);
        store("Stimulus", row.stimulus);
        store("Filter", row.filter);
        scripted().clear();
        frmMeasure* w = open();
        EXPECT_TRUE(scripted().messages.empty()) << "a bad stored value is no error";
        EXPECT_EQ(w->receiver(), row.expectReceiver);
        EXPECT_TRUE(w->cmdType(row.expectReceiver)->isChecked());
        EXPECT_EQ(w->stimulus(), row.expectStimulus);
        EXPECT_EQ(w->cmbFilter()->currentIndex(), row.expectFilter);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Vemra - Measurement (not calibrated)"));
        EXPECT_TRUE(Recorder->Busy()) << "the continuous input runs while the window is open";
        frmMeasure::Unload();
        settle();
        ReleaseMixer();
    }
}

TEST_F(Window, TheControlsFollowTheStimulusAndTheReceiver)
{
    frmMeasure* w = open();
    const struct {
        const char* name;
        QRadioButton* (frmMeasure::*source)() const;
        QRadioButton* (frmMeasure::*signal)() const;
        int receiver;
        int stimulus;
        bool test, import, averages, secondMeter;
        int channels;
        const char* playFrame;
    } rows[] = {
        {"internal MLS", &frmMeasure::optInternal, &frmMeasure::optMLS, 0, 1, true, false, true, false, 1, "MLS"},
        {"internal sweep, two omnis", &frmMeasure::optInternal, &frmMeasure::optSweep, 2, 5, true, false, true, true, 2, "Sweep"},
        {"external MLS, head", &frmMeasure::optExternal, &frmMeasure::optMLS, 4, 2, false, true, true, true, 2, "Capture"},
        {"external noise", &frmMeasure::optExternal, &frmMeasure::optNoise, 3, 3, false, true, false, true, 2, "Capture"},
        {"external impulse", &frmMeasure::optExternal, &frmMeasure::optImpuls, 1, 4, false, true, false, false, 1, "Capture"},
        {"internal after noise", &frmMeasure::optInternal, nullptr, 0, 1, true, false, true, false, 1, "MLS"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        (w->*row.source)()->setChecked(true);
        if (row.signal)
            (w->*row.signal)()->setChecked(true);
        w->cmdType(row.receiver)->click();
        EXPECT_EQ(w->stimulus(), row.stimulus);
        // Noise takes the second input for the source: the receiver falls back to one microphone.
        EXPECT_EQ(w->receiver(), row.stimulus == 3 ? 0 : row.receiver);
        EXPECT_EQ(w->cmdTest()->isVisible(), row.test);
        EXPECT_EQ(w->cmdImport()->isVisible(), row.import);
        EXPECT_EQ(w->txtAvg()->isVisible(), row.averages);
        EXPECT_EQ(w->fraVU(1)->isVisible(), row.secondMeter);
        EXPECT_EQ(Recorder->Channels(), row.channels);
        EXPECT_EQ(w->fraPlay()->title(), QLatin1String(row.playFrame));
        for (int i = 2; i < 6; ++i)
            EXPECT_EQ(w->cmdType(i)->isEnabled(), row.stimulus != 3) << i;
        EXPECT_EQ(w->optNoise()->isEnabled(), w->optExternal()->isChecked());
        if (!row.averages) {
            EXPECT_EQ(Recorder->PreAvgCnt(), 1);
        }
        EXPECT_TRUE(Recorder->VUEnabled());
        EXPECT_FALSE(w->sldCh(0)->isEnabled()) << "no calibration: no gain sliders";
    }
}

TEST_F(Window, ACardWithoutFullDuplexOffersOnlyExternalSources)
{
    auto config = cardConfig();
    config.rates = {44100}; // not the options' 48000 Hz
    installCard(config);
    for (const char* stored : {"1", "5"}) {
        SCOPED_TRACE(stored);
        SaveSetting(QStringLiteral("Measurement"), QStringLiteral("Stimulus"), QLatin1String(stored));
        frmMeasure* w = open();
        EXPECT_TRUE(w->optExternal()->isChecked());
        EXPECT_FALSE(w->optInternal()->isEnabled());
        EXPECT_TRUE(w->optNoise()->isEnabled());
        EXPECT_EQ(w->stimulus(), QLatin1String(stored) == QLatin1String("1") ? 2 : 6);
        frmMeasure::Unload();
        settle();
        ReleaseMixer();
    }
}

TEST_F(Window, AnInputThatCannotStartIsToldOnce)
{
    auto config = cardConfig();
    config.inputs = 0;
    installCard(config);
    frmMeasure* w = open();
    EXPECT_EQ(shownErrors(), std::vector<int>{msg::CannotOpenInput});
    w->optSweep()->setChecked(true);
    w->optNoise()->setChecked(true);
    w->cmdType(1)->click();
    EXPECT_EQ(shownErrors().size(), 1u) << "the choices do not tell it again";
}

TEST_F(Window, ThePreAverageEntryTakesOnlyCountsItCanUse)
{
    frmMeasure* w = open();
    w->txtAvg()->setText(QStringLiteral("7"));
    ASSERT_EQ(Recorder->PreAvgCnt(), 7);
    const struct {
        const char* typed;
        int count;
    } rows[] = {{"0", 1}, {"12", 12}, {"5000", 12}, {"abc", 12}, {"-4", 1}, {"3.4", 3}, {"1000", 1000}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        w->txtAvg()->setText(QLatin1String(row.typed));
        EXPECT_EQ(Recorder->PreAvgCnt(), row.count);
        EXPECT_EQ(w->txtAvg()->text(), QString::number(row.count));
    }
    w->udPreAvg()->upButton()->click();
    EXPECT_EQ(w->txtAvg()->text(), QStringLiteral("1000")) << "the up-down stays within 1..1000";
    w->udPreAvg()->downButton()->click();
    EXPECT_EQ(Recorder->PreAvgCnt(), 999);
}

TEST_F(Window, TheLengthListShowsEachOrdersDuration)
{
    const struct {
        std::int32_t rate;
        std::vector<const char*> texts;
    } rows[] = {
        {48000, {"   0.34", "   0.68", "   1.37", "   2.73", "   5.46", "  10.9", "  21.8"}},
        {22050, {"   0.37", "   0.74", "   1.49", "   2.97", "   5.94", "  11.9", "  23.8"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rate);
        Options->setSampleFrequency(row.rate);
        SaveSetting(QStringLiteral("Measurement"), QStringLiteral("PRNLength"), QStringLiteral("21"));
        frmMeasure* w = open();
        ASSERT_EQ(w->lstLength()->count(), int(row.texts.size()));
        for (int i = 0; i < w->lstLength()->count(); ++i)
            EXPECT_EQ(w->lstLength()->itemText(i), QLatin1String(row.texts[std::size_t(i)])) << i;
        EXPECT_EQ(w->lstLength()->currentIndex(), 0) << "a stored order outside the list selects the first";
        EXPECT_EQ(Player->Length(), Player->MinLength());
        frmMeasure::Unload();
        settle();
        ReleaseMixer();
    }
}

TEST_F(Window, ANewSampleRateClosesTheWindow)
{
    open();
    ASSERT_TRUE(frmMeasure::loaded());
    Options->setTemperature(25); // another option: the window stays
    EXPECT_TRUE(frmMeasure::loaded());
    Options->setSampleFrequency(44100);
    settle();
    EXPECT_FALSE(frmMeasure::loaded());
    EXPECT_FALSE(Recorder->Busy()) << "its continuous input stopped with it";
}

TEST_F(Window, GainLabelsShowHalfDecibels)
{
    const struct {
        float level;
        const char* text;
    } rows[] = {{-11.25f, "-11.0"}, {-11.3f, "-11.5"}, {-11.75f, "-12.0"}, {0.0f, "0.0"}, {-0.2f, "0.0"}, {3.0f, "3.0"}};
    for (const auto& row : rows)
        EXPECT_EQ(frmMeasure::GainText(row.level), QLatin1String(row.text)) << row.level;
}

// --- the level meters ---

TEST(VUMeterTest, TheBarFollowsTheLevelAndHoldsItsPeak)
{
    VUMeter m;
    m.update(-1);
    m.update(15);
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(m.lit(i)) << i;
    EXPECT_EQ(m.colour(11), QColor(0x00, 0xFF, 0x00));
    EXPECT_EQ(m.colour(12), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(m.peak(), 15);
    EXPECT_EQ(m.hold(), 24);

    m.update(3); // falls: 4..15 dark, the held peak lit again
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m.lit(i), i <= 3 || i == 15) << i;
    for (int k = 0; k < 23; ++k)
        m.update(3);
    EXPECT_TRUE(m.lit(15)) << "held for 25 updates after its rise";
    EXPECT_EQ(m.hold(), 0);
    m.update(3);
    EXPECT_FALSE(m.lit(15));
    EXPECT_EQ(m.peak(), -1);
    EXPECT_EQ(m.colour(15), QColor(0x80, 0x00, 0x00));

    // A level staying at its peak renews the hold every time, and costs no repaint.
    m.update(9);
    const long writes = m.writes();
    for (int k = 0; k < 40; ++k)
        m.update(9);
    EXPECT_EQ(m.hold(), 24);
    EXPECT_EQ(m.writes(), writes);

    m.update(-1); // the bar goes dark, the peak stays for its hold
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m.lit(i), i == 9) << i;

    m.update(40); // out of the library's range: the top segment
    EXPECT_EQ(m.rememberedLevel(), 15);
    m.update(-7);
    EXPECT_EQ(m.rememberedLevel(), -1);
    m.reset();
    for (int i = 0; i < 16; ++i)
        EXPECT_FALSE(m.lit(i));
}

TEST_F(Window, TheMetersMoveWhileTheInputRunsAndTheSecondOnlyWhenRecorded)
{
    frmMeasure* w = open();
    for (int receiver : {0, 2}) {
        SCOPED_TRACE(receiver);
        w->cmdType(receiver)->click();
        w->cmdTest()->click(); // the stimulus through the room to both inputs
        for (int k = 0; k < 20; ++k) {
            time.advance(0.02);
            Recorder->Timer();
        }
        EXPECT_TRUE(w->shVU(0)->lit(0));
        EXPECT_GE(w->shVU(0)->rememberedLevel(), 8);
        EXPECT_EQ(w->shVU(1)->lit(0), receiver == 2);
        w->cmdTest()->click();
    }
}

} // namespace

// Alt and a letter presses one control of the measurement window and of its options dialog. The window's
// documented captions give two letters twice: N to "I&nternal" and "&Noise", S to "&Sweep" and "&Start" (Qt then
// moves the focus between the two in turn).
TEST_F(Window, AccessKeysAreUniqueInTheWindowAndItsOptions)
{
    frmMeasure* w = open();
    const auto sharedByDesign = [](const QString& where, QChar letter) {
        return where == QLatin1String("frmMeasure") && (letter == QLatin1Char('N') || letter == QLatin1Char('S'));
    };
    EXPECT_GT(test::ExpectUniqueMnemonics(w, sharedByDesign), 0);
    frmSetup options;
    EXPECT_GT(test::ExpectUniqueMnemonics(&options), 0);
}
