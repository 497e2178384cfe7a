// A whole sound-card calibration against the virtual card: the eleven steps find the card's known least-distortion
// levels, gain laws and polarity, the record and correction files are written, and a measurement through the
// correction gives the room back with the card's own response divided out.
#include "CalFixture.h"

#include "audio/clsMixer.h"
#include "audio/clsPlayer.h"
#include "core/MessageTexts.h"
#include "core/Settings.h"
#include "core/clsOptions.h"
#include "library/Messages.h"
#include "library/api_sound.h"

#include "library/sound/BackendFactory.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QListWidget>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <complex>
#include <map>
#include <numbers>

using namespace caltest;

namespace {

class WizardRun : public CalTest {};

double lawGain(std::int32_t position) { return sound::virtualMixerGain(position); }

// Convolution of the card's loop-back with a room.
std::vector<double> throughCard(const std::vector<double>& room)
{
    const auto c = cardResponse();
    std::vector<double> y(room.size() + c.size() - 1, 0.0);
    for (std::size_t i = 0; i < room.size(); ++i)
        for (std::size_t k = 0; k < c.size(); ++k)
            y[i + k] += room[i] * c[k];
    return y;
}

} // namespace

TEST_F(WizardRun, ElevenStepsFindTheCardsKnownValuesAndTheCorrectionDividesTheCardOut)
{
    const auto tempsBefore = tempFiles();
    frmCalCard* w = openWizard();
    ASSERT_EQ(w->State(), 0);
    w->cmdNext_Click();
    ASSERT_EQ(w->State(), 1);
    // The run steps the card through its clock: nothing in it waits for real time, so the event loop never
    // blocks waiting for an event (a timer, a wait on the steady clock).
    int blockingWaits = 0;
    const QMetaObject::Connection blocking = QObject::connect(QAbstractEventDispatcher::instance(),
                                                              &QAbstractEventDispatcher::aboutToBlock,
                                                              [&] { ++blockingWaits; });
    // The least-distortion point as step 1 left it (step 7 may raise the playback gains afterwards).
    std::array<std::int32_t, 4> step1{};
    std::int32_t step1Dac = 0;
    auto* prompt = control<QLabel>("lblPrompt2");
    time.onIdle = [&] {
        if (step1Dac == 0 && prompt->text() == MessageText(msg::CalStep(2))) {
            step1 = w->Gains();
            step1Dac = w->ThdDAC();
        }
    };
    QApplication::setActiveWindow(w);
    control<QPushButton>("cmdNext")->setFocus(); // as a click on Continue leaves it
    w->cmdNext_Click();
    time.onIdle = nullptr;
    QObject::disconnect(blocking);
    ASSERT_EQ(w->State(), 2);
    ASSERT_TRUE(w->Success()) << runReport();
    EXPECT_TRUE(shownErrors().empty());
    EXPECT_EQ(control<QPushButton>("cmdNext")->text(), QStringLiteral("&OK"));

    // Step 1: the least-distortion point is as clean as the card's laws allow.
    const auto [leastThdn, bestAmplitude] = knownOptimum();
    const auto g = step1; // Pm, Rm, Ps, Rs
    const double amplitude = step1Dac / 32768.0 * lawGain(g[0]) * lawGain(g[2]);
    const double recording = lawGain(g[1]) * lawGain(g[3]);
    EXPECT_LT(knownThdn_dB(amplitude, recording), leastThdn + 3.0);
    EXPECT_NEAR(w->ADCmax(), amplitude * recording * cardGainAt(1000) * 32767, 0.03 * w->ADCmax());
    // Step 2: the tone level of the gain curves, at full gains, lies at the card's clean amplitude.
    EXPECT_LT(knownThdn_dB(w->ToneDAC() / 32768.0), leastThdn + 1.0);
    EXPECT_NEAR(w->ToneDAC() / 32768.0, bestAmplitude, 0.3 * bestAmplitude);
    // Steps 3 to 6: each curve follows the mixer's law, 60 dB over the whole travel.
    struct Curve { const char* name; const GainCurvePoints& points; bool playback; };
    for (const Curve& c : {Curve{"Pm", w->PmCurve(), true}, Curve{"Ps", w->PsCurve(), true},
                           Curve{"Rm", w->RmCurve(), false}, Curve{"Rs", w->RsCurve(), false}}) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.points.empty());
        const std::int32_t reference = c.playback ? c.points.front().Volume : c.points.back().Volume;
        EXPECT_EQ(c.playback ? c.points.front().Rms : c.points.back().Rms, 0.0f);
        for (const VolStep& p : c.points) {
            if (p.Rms < -40)
                continue; // near the noise the tone's level is the noise's too
            EXPECT_NEAR(p.Rms, 60.0 * (p.Volume - reference) / 65535.0, 0.3) << p.Volume;
        }
        if (c.playback) {
            EXPECT_GT(c.points.size(), 40u);
        }
    }
    EXPECT_GE(w->PmRef(), 0);
    // Steps 7 to 11: levels within the converter, the card's inverting loop-back.
    EXPECT_EQ(w->Sign(), -1);
    for (std::int32_t level : {w->MLSDAC(), w->SweepDAC()}) {
        EXPECT_GE(level, 15000);
        EXPECT_LE(level, 32767);
    }
    for (int order = 13; order <= 19; ++order) {
        EXPECT_FALSE(w->MLSFilterFile(order).isEmpty());
        EXPECT_FALSE(w->SweepFilterFile(order).isEmpty());
    }
    EXPECT_EQ(blockingWaits, 0) << "the run steps the card, it does not wait for it";

    // OK: the record, the correction files, the calibration in use, the log appended under the card's name.
    // Enter, wherever the run left the focus, is OK.
    const QString listName = QStringLiteral("Virtual sound card - 22050");
    QApplication::setActiveWindow(w);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(w->isHidden());
    EXPECT_TRUE(Options->UseCal());
    EXPECT_EQ(Options->Calibration(), listName);
    EXPECT_EQ(GetSetting(kSoundSysSection, QStringLiteral("0")), listName);
    const QString section = CalibrationSection(listName);
    const QString fingerPrint = Mixer->FingerPrint();
    EXPECT_EQ(GetSetting(section, QStringLiteral("Mixer")), fingerPrint);
    EXPECT_EQ(GetSetting(section, QStringLiteral("Sign")), QStringLiteral("-1"));
    EXPECT_EQ(GetSetting(section, QStringLiteral("Frequency")), QStringLiteral(" 22050"));
    EXPECT_EQ(GetSetting(section, QStringLiteral("ADCmax")), QLatin1Char(' ') + QString::number(w->ADCmax()));
    EXPECT_TRUE(GetSetting(section, QStringLiteral("Pm")).contains(QStringLiteral("=0.00;")));
    window.reset(); // unloads: the mixer loads the new calibration
    EXPECT_TRUE(Options->UseCal()) << "the loader accepted the record";
    EXPECT_EQ(Mixer->Sign(), -1);
    EXPECT_TRUE(shownErrors().empty());
    for (int order = 13; order <= 19; ++order)
        for (const char* ending : {"_mls.pcm", "_swp.pcm"}) {
            SCOPED_TRACE(order);
            EXPECT_TRUE(QFile::exists(CorrectionFileName(fingerPrint, kRate, order, QLatin1String(ending))));
        }
    for (const QString& f : calibrationFiles())
        EXPECT_FALSE(f.endsWith(QStringLiteral("_flt.wav"))) << f.toStdString();
    EXPECT_EQ(QDir(CalibrationFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 0);
    EXPECT_FALSE(QFile::exists(frmCalCard::SessionLogPath()));
    const QString log = text(frmCalCard::CardLogPath(QStringLiteral("Virtual sound card"), kRate));
    EXPECT_TRUE(log.contains(QStringLiteral("Mixer test"))) << log.left(200).toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Done - ")));
    EXPECT_TRUE(log.contains(QStringLiteral("Sign = -1")));
    EXPECT_EQ(tempFiles(), tempsBefore) << "the run's temporary files are gone";

    // A measurement through the correction: a room behind the card comes back as the room.
    const std::vector<double> room = sound::test::knownRoom(2048, 40, 0.02, kRate);
    sound::VirtualCardConfig config = cardConfig();
    config.response = throughCard(room);
    config.cubicDistortion = 0;
    installCard(config);
    std::string correction = CorrectionFileName(fingerPrint, kRate, 14, QStringLiteral("_mls.pcm")).toStdString();
    ASSERT_EQ(StartContRecording(kRate, 1), 0);
    ASSERT_EQ(StartMLS(1, 14, kRate, 4000, correction, 0, 1.0f), 0);
    card->step(20000);
    ASSERT_EQ(StartRecording(kRate, (1 << 14) - 1, 4), 0);
    card->step(4 * (1 << 14) + 2000);
    StopPlaying();
    MeasurementInfo info;
    info.Stimulus = 1;
    MeasurementGains gains;
    std::string file;
    ASSERT_EQ(ProcessRecording(file, kRate, 14, info, gains, 1, 0), 0);
    StopContRecording();
    WaveHeader header;
    std::vector<std::int16_t> samples;
    ASSERT_EQ(files::readResponse(file, header, &samples), 0);
    files::removeTempFile(file);
    std::vector<double> got(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        got[i] = samples[i] * double(header.gains.channelFactor[0]);
    // The correction takes the card's frequency response out and keeps its level: through a card at unit mixer
    // gains the room comes back scaled by the card's own RMS gain over the bins of the octaves 125 Hz to 8 kHz, up to
    // where the correction reaches (0.45 times the rate); compared as it is, with no scale fitted to it.
    const double df = double(kRate) / double(got.size());
    double power = 0;
    std::size_t bins = 0;
    for (double f = df; f < std::min(8000 * std::sqrt(2.0), 0.45 * kRate); f += df)
        if (f >= 125 / std::sqrt(2.0)) {
            power += cardGainAt(f) * cardGainAt(f);
            ++bins;
        }
    const double cardRms = std::sqrt(power / double(bins));
    std::vector<double> scaled = room;
    for (double& v : scaled)
        v *= cardRms;
    EXPECT_LT(sound::test::bandError_dB(got, scaled, kRate, 125, 8000), -40.0);
}

namespace {

// The program's own virtual card, calibrated through its line input, the cable from line-out that the wizard asks
// for: the converter pair's fixed noise floor (after the recording gains) and its gentle distortion rising towards
// full scale.
class ProgramCardRun : public CalTest {
protected:
    sound::VirtualCardConfig cardConfig() override { return sound::virtualRoom(); }
};

// The line path's gain at f (its filters' response).
double lineGainAt(double f_Hz)
{
    const auto h = sound::virtualRoom().line.response;
    const double w = 2 * std::numbers::pi * f_Hz / kRate;
    std::complex<double> sum = 0;
    for (std::size_t k = 0; k < h.size(); ++k)
        sum += h[k] * std::polar(1.0, -w * double(k));
    return std::abs(sum);
}

} // namespace

TEST_F(ProgramCardRun, TheLineInputGivesTheConvertersGainsPeakAndASmoothDistortionSearch)
{
    const sound::VirtualLineConfig line = sound::virtualRoom().line;
    ASSERT_FALSE(line.response.empty());
    frmCalCard* w = openWizard();
    w->cmdNext_Click();
    auto* sources = control<QListWidget>("lstAudioIn");
    ASSERT_EQ(sources->count(), 2);
    ASSERT_EQ(sources->item(1)->text(), QStringLiteral("Line"));
    sources->setCurrentRow(1);
    std::array<std::int32_t, 4> step1{};
    std::int32_t step1Dac = 0;
    QString log;
    auto* prompt = control<QLabel>("lblPrompt2");
    time.onIdle = [&] {
        if (step1Dac == 0 && prompt->text() == MessageText(msg::CalStep(2))) {
            step1 = w->Gains();
            step1Dac = w->ThdDAC();
        }
        if (prompt->text() == MessageText(msg::CalStep(3)) && log.isEmpty())
            log = text(frmCalCard::SessionLogPath());
    };
    w->cmdNext_Click();
    time.onIdle = nullptr;
    ASSERT_TRUE(w->Success()) << runReport();
    EXPECT_TRUE(shownErrors().empty());

    // The noise floor lies after the recording gains, so the least distortion has them up and the tone loud: the
    // search (a random walk through five settings) ends some dB below the corner of all gains up, never ten. Where
    // in those dB it stops follows the walk's every turn: ten walks on this card ended with the recording gains
    // 0.3 to 3.5 dB and the converters' peak 1 to 7 dB down.
    const auto g = step1; // Pm, Rm, Ps, Rs
    const double recording_dB = 20 * std::log10(lawGain(g[1]) * lawGain(g[3]));
    const double amplitude = step1Dac / 32768.0 * lawGain(g[0]) * lawGain(g[2]);
    EXPECT_GT(recording_dB, -6.0);
    EXPECT_GT(20 * std::log10(amplitude), -6.0);
    // The converters' peak there is what the card records at those settings (its distortion and filters), close to
    // its full scale.
    const double recorded
        = (amplitude - 0.75 * line.cubicDistortion * std::pow(amplitude, 3)) * lineGainAt(1000)
          * lawGain(g[1]) * lawGain(g[3]) * 32767;
    EXPECT_NEAR(20 * std::log10(w->ADCmax() / recorded), 0.0, 0.5) << w->ADCmax();
    EXPECT_GT(20 * std::log10(w->ADCmax() / 32767.0), -10.0) << w->ADCmax();

    // The level search of step 2: THD+N follows the level smoothly where a step of the search changes the level by
    // less than 1 dB (the upper 12 dB): neighbouring levels differ by less than 3 dB. Its best is the pair's noise
    // floor against the tone.
    std::map<int, double> thdn;
    const QRegularExpression row(QStringLiteral("^DAC=(\\d+) THD=(-?[0-9.]+)"), QRegularExpression::MultilineOption);
    for (auto it = row.globalMatch(log); it.hasNext();) {
        const auto m = it.next();
        thdn[m.captured(1).toInt()] = m.captured(2).toDouble();
    }
    ASSERT_GT(thdn.size(), 10u) << log.left(2000).toStdString();
    double best = 0;
    int neighbours = 0;
    for (auto it = thdn.lower_bound(8192); it != thdn.end() && std::next(it) != thdn.end(); ++it, ++neighbours)
        EXPECT_LT(std::abs(std::next(it)->second - it->second), 3.0)
            << "DAC " << it->first << " to " << std::next(it)->first;
    EXPECT_GT(neighbours, 10);
    for (const auto& [dac, value] : thdn)
        best = std::min(best, value);
    const double tone_rms = 1 / std::sqrt(2.0);
    EXPECT_NEAR(best, 20 * std::log10(line.noiseRms * std::sqrt(0.45 * 2 - 40.0 / kRate) / tone_rms), 3.0);
}

