// The selection statistics window: the values of a known decay, the formats of its cells, failures of the
// document's statistics, and its life beside the document window.
#include "core/HelpWindow.h"
#include "core/UiServices.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "viewer/frmEditInfo.h"
#include "viewer_fixture.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QPushButton>

#include <cmath>

using namespace vemra;

namespace {

constexpr int kFs = 48000;
constexpr double kAmplitude = 30000.0;
// A decay of 120 dB/s (DT60 0.5 s): the amplitude falls by e every tau seconds.
constexpr double kSlope_dBps = -120.0;
const double kTau_s = 20.0 / std::log(10.0) / 120.0;

QString decayFile(const QString& name, int channels = 1)
{
    return viewertest::writeResponse(
        name, kFs, kFs, [](int i) { return kAmplitude * std::exp(-i / (kTau_s * kFs)); }, channels);
}

double number(const QLabel* cell)
{
    bool ok = false;
    const double v = QLocale().toDouble(cell->text(), &ok);
    EXPECT_TRUE(ok) << cell->text().toStdString();
    return v;
}

QColor background(const QLabel* cell) { return cell->palette().color(QPalette::Window); }

class Statistics : public viewertest::ViewerWindow {
protected:
    static frmEditInfo* openedInfo(const frmView* w)
    {
        const auto all = w->findChildren<frmEditInfo*>();
        return all.isEmpty() ? nullptr : all.last();
    }
};

TEST_F(Statistics, DecayOfASelectionMatchesItsClosedForm)
{
    clsWave* wave = WaveByKey(NewWave(false));
    wave->setFileName(decayFile(QStringLiteral("decay.wav")));
    const int start = 4800, length = 12000; // 0.1 s .. 0.35 s
    frmEditInfo info(wave->Key(), start, length);
    EXPECT_EQ(info.windowTitle(), QStringLiteral("Info"));
    EXPECT_TRUE(viewertest::scripted().messages.empty());

    const double t0 = double(start) / kFs, T = double(length) / kFs;
    const double a0 = kAmplitude * std::exp(-t0 / kTau_s);
    const double meanSquare = a0 * a0 * kTau_s / (2 * T) * (1 - std::exp(-2 * T / kTau_s));
    const double mean = a0 * kTau_s / T * (1 - std::exp(-T / kTau_s));
    EXPECT_NEAR(number(info.lblCh1(1)), a0, 1.0);                                   // maximum, whole samples
    EXPECT_NEAR(number(info.lblCh1(0)), a0 * std::exp(-(T - 1.0 / kFs) / kTau_s), 1.0); // minimum
    EXPECT_NEAR(number(info.lblCh1(2)), mean, 1.0);
    EXPECT_NEAR(number(info.lblCh1(3)), 10 * std::log10(meanSquare / (32768.0 * 32768.0)), 0.01); // dB
    EXPECT_NEAR(number(info.lblCh1(4)), kSlope_dBps, 0.5);                           // dB/s
    EXPECT_NEAR(number(info.lblCh1(5)), 0.5, 0.003);                                 // s
    EXPECT_NEAR(number(info.lblCh1(6)), kSlope_dBps * T, 0.3);                       // dB
    // Above 100 the extremes show no decimals.
    EXPECT_FALSE(info.lblCh1(1)->text().contains(QLocale().decimalPoint()));
    // One channel: the second column stays empty and grey.
    for (int row = 0; row < 7; ++row) {
        EXPECT_TRUE(info.lblCh2(row)->text().isEmpty());
        EXPECT_EQ(background(info.lblCh2(row)), QColor(0xC0, 0xC0, 0xC0));
        EXPECT_EQ(background(info.lblCh1(row)), QColor(Qt::white));
    }
}

TEST_F(Statistics, TwoChannelsFillBothColumns)
{
    clsWave* wave = WaveByKey(NewWave(false));
    wave->setFileName(decayFile(QStringLiteral("decay2.wav"), 2));
    frmEditInfo info(wave->Key(), 0, 24000);
    for (int row = 0; row < 7; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(background(info.lblCh2(row)), QColor(Qt::white));
        EXPECT_EQ(info.lblCh2(row)->text(), info.lblCh1(row)->text());
    }
}

TEST_F(Statistics, SmallValuesCarryDecimalsAndNoDecayShowsDashes)
{
    // A constant 12 units: below 100 with three decimals; a level that does not fall has no DT60.
    clsWave* wave = WaveByKey(NewWave(false));
    wave->setFileName(viewertest::writeResponse(QStringLiteral("flat.wav"), 4800, kFs, [](int) { return -12.0; }));
    frmEditInfo info(wave->Key(), 0, 4800);
    const QString minus12 = QLocale().toString(-12.0, 'f', 3);
    EXPECT_EQ(info.lblCh1(0)->text(), minus12);
    EXPECT_EQ(info.lblCh1(1)->text(), minus12);
    EXPECT_EQ(info.lblCh1(2)->text(), minus12);
    EXPECT_EQ(info.lblCh1(5)->text(), QStringLiteral("--"));
}

TEST_F(Statistics, ClippedFormat)
{
    const struct {
        float value;
        const char* text;
    } rows[] = {{-1500.0f, "<-1000"}, {1000.5f, ">1000"}, {1000.0f, "1000.000"}, {-1000.0f, "-1000.000"},
                {-12.3456f, "-12.346"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(frmEditInfo::FormatClipped(row.value, QStringLiteral("0.000")),
                  QString::fromLatin1(row.text).replace(QLatin1Char('.'), QLocale().decimalPoint()));
    }
}

TEST_F(Statistics, FailedStatisticsAreShownAndLeaveTheCellsBlank)
{
    clsWave* wave = WaveByKey(NewWave(false));
    wave->setFileName(decayFile(QStringLiteral("decay2.wav"), 2));
    frmEditInfo info(wave->Key(), 40000, 20000); // past the end of the response
    ASSERT_EQ(viewertest::scripted().messages.size(), 2u); // one box per channel
    EXPECT_TRUE(info.lblCh1(0)->text().isEmpty());
    EXPECT_TRUE(info.lblCh2(0)->text().isEmpty());
    EXPECT_EQ(background(info.lblCh2(0)), QColor(0xC0, 0xC0, 0xC0));
}

TEST_F(Statistics, MissingDocumentIsReported)
{
    frmEditInfo info(QStringLiteral("no such key"), 0, 100);
    ASSERT_EQ(viewertest::scripted().messages.size(), 1u);
    EXPECT_TRUE(viewertest::scripted().messages[0].text.contains(QStringLiteral("frmEditInfo::Load")));
    EXPECT_TRUE(info.lblCh1(0)->text().isEmpty());
}

TEST_F(Statistics, ViewInfoTakesASnapshotOfTheSelectionAndClosesWithTheDocument)
{
    frmView* w = open(decayFile(QStringLiteral("view.wav")));
    drag(*w, 100, 300);
    ASSERT_TRUE(w->selectionActive());
    ASSERT_TRUE(w->menuItem(QStringLiteral("mnViewInfo"))->isEnabled());
    w->menuItem(QStringLiteral("mnViewInfo"))->trigger();
    QPointer<frmEditInfo> first = openedInfo(w);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    EXPECT_EQ(first->Start, w->selStart());
    EXPECT_EQ(first->Length, w->selLength());
    const QString max = first->lblCh1(1)->text();

    // A new selection leaves the open window as it was; a second Info shows the new one beside it.
    drag(*w, 500, 700);
    EXPECT_EQ(first->lblCh1(1)->text(), max);
    w->menuItem(QStringLiteral("mnViewInfo"))->trigger();
    QPointer<frmEditInfo> second = openedInfo(w);
    ASSERT_TRUE(second && second != first);
    EXPECT_EQ(second->Start, w->selStart());
    EXPECT_NE(second->lblCh1(1)->text(), max);

    second->findChild<QPushButton*>(QStringLiteral("cmdHelp"))->click();
    EXPECT_EQ(HelpWindow::instance()->currentPage(), HelpPageForContext(32));
    HelpWindow::instance()->hide();
    second->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(second);

    w->WaveFile()->Die();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first);
}

} // namespace
