// The gain sliders with a sound-card calibration in use: set-up, the controls they move, the levels they show,
// and that a measured level changes by what they show.
#include "MeasureFixture.h"

using namespace audiotest;

namespace {

class Gains : public MeasureTest {
protected:
    frmMeasure* w = nullptr;
    void SetUp() override
    {
        MeasureTest::SetUp();
        useCalibration(QStringLiteral("Virtual"));
        w = open();
        ASSERT_TRUE(Options->UseCal());
    }
    double measuredPeak_dB()
    {
        w->cmdRecord()->click();
        const std::vector<double> r = responseOf(*lastDocument());
        double peak = 0;
        for (double v : r)
            peak = std::max(peak, std::abs(v));
        return 20 * std::log10(peak);
    }
};

TEST_F(Gains, TheSlidersStartAtTheFirstPlaybackAndTheLastRecordingStep)
{
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Vemra - Measurement"));
    EXPECT_TRUE(w->sldPlayVol()->isEnabled());
    EXPECT_EQ(w->sldPlayVol()->maximum(), 4) << "Pm has more steps than Ps";
    EXPECT_EQ(w->lblVoldB()->text(), QStringLiteral("0.0"));
    EXPECT_TRUE(w->sldCh(0)->isEnabled());
    EXPECT_FALSE(w->fraVU(1)->isVisible()) << "one microphone: the second meter and its slider are not shown";
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(w->sldCh(c)->maximum(), 6) << "Rm 4 steps and Rs 2";
        EXPECT_EQ(w->sldCh(c)->value(), 6) << "at the bottom";
        EXPECT_EQ(w->lblChdB(c)->text(), QStringLiteral("-18.0"));
    }
    EXPECT_EQ(Rm->Volume(), Rm->VolStepVolume(4));
    EXPECT_EQ(Rs->Volume(), Rs->VolStepVolume(2));
}

TEST_F(Gains, ARecordingSliderRaisesTheSecondaryFirstThenTheMaster)
{
    const struct {
        int position;
        int rs; // step, -1 for full gain
        int rm;
        const char* label;
    } rows[] = {{6, 2, 4, "-18.0"}, {5, 1, 4, "-15.0"}, {4, -1, 4, "-12.0"}, {3, -1, 3, "-9.0"}, {0, -1, 0, "0.0"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.position);
        w->sldCh(0)->setValue(row.position);
        EXPECT_EQ(Rs->Volume1(), row.rs < 0 ? 65535 : Rs->VolStepVolume(row.rs));
        EXPECT_EQ(Rm->Volume1(), Rm->VolStepVolume(row.rm));
        EXPECT_EQ(w->lblChdB(0)->text(), QLatin1String(row.label));
        EXPECT_EQ(Rm->Volume2(), Rm->VolStepVolume(4)) << "channel 2 has its own slider";
    }
}

TEST_F(Gains, TheMeasuredLevelChangesByTheShownGain)
{
    w->optInternal()->setChecked(true);
    w->optMLS()->setChecked(true);
    w->lstLength()->setCurrentIndex(w->lstLength()->findData(14));
    struct Setting {
        int play, record;
    };
    const Setting settings[] = {{0, 6}, {0, 4}, {0, 1}, {2, 1}};
    double firstPeak = 0, firstShown = 0;
    for (std::size_t i = 0; i < std::size(settings); ++i) {
        SCOPED_TRACE(i);
        w->sldPlayVol()->setValue(settings[i].play);
        w->sldCh(0)->setValue(settings[i].record);
        const double shown = w->lblVoldB()->text().toDouble() + w->lblChdB(0)->text().toDouble();
        const double peak = measuredPeak_dB();
        if (i == 0) {
            firstPeak = peak;
            firstShown = shown;
        } else {
            EXPECT_NEAR(peak - firstPeak, shown - firstShown, 0.1);
        }
    }
}

} // namespace
