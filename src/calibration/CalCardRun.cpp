// The eleven-step run and the signal measurements every step goes through.
#include "calibration/frmCalCard.h"

#include "audio/AudioGlobals.h"
#include "audio/clsPlayer.h"
#include "audio/clsRecorder.h"
#include "audio/clsVolume.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/MessageTexts.h"
#include "core/ProgressValue.h"
#include "core/Version.h"
#include "core/VemraError.h"
#include "library/Codes.h"
#include "library/Messages.h"
#include "library/api_calibration.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>

#include <cmath>

namespace vemra {

namespace {

constexpr int kMaxAttempts = 10;
constexpr float kDetected_dB = -10.0f;   // THD+N at or below: the tone came back
constexpr float kInrWanted_dB = 15.0f;   // INR at or above: the stimulus came back
constexpr float kNoSignal_dB = -10.0f;   // INR at or below: nothing came back
constexpr double kSettle_s = 0.125;
constexpr double kBarScale = 100.0;

QString now() { return QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat); }

// A converter level as the 16-bit value the library takes; beyond it is the overflow the caller traps.
std::int16_t level16(std::int32_t dac)
{
    if (dac > 32767 || dac < -32768)
        throw VemraError(6, QStringLiteral("Overflow"));
    return std::int16_t(dac);
}

} // namespace

void frmCalCard::setBarMax(double maximum) { pbProgress->setMaximum(int(std::lround(std::max(0.0, maximum) * kBarScale))); }
void frmCalCard::setBarValue(double value)
{
    ShowProgress(pbProgress, int(std::lround(value * kBarScale)));
}
double frmCalCard::barMax() const { return pbProgress->maximum() / kBarScale; }
double frmCalCard::barValue() const { return std::max(0, pbProgress->value()) / kBarScale; }

template <class Call, class Again>
void frmCalCard::attempts(Call&& call, Again&& again)
{
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        if (const VResult code = call(); code != 0) {
            HandleError(code);
            mFailed = true;
        }
        if (!again() || attempt == kMaxAttempts || mFailed)
            return;
    }
}

bool frmCalCard::RunCalibration()
{
    bool result = false;
    CalLog(mLineBreak + QStringLiteral("Vemra - build ") + QString::number(VersionRevision) + QStringLiteral(" - ")
           + now() + mLineBreak);
    mFailed = false;
    pbProgress->setVisible(true);
    setBarValue(0);
    lblPrompt2->setText(MessageText(msg::CalStep(1)));
    Player->LockPlayer();
    Recorder->setChannels(2);
    enum class Bar { Keep, Reset, Hide, Show };
    auto step = [&](int n, Bar bar, auto&& procedure) {
        if (bar == Bar::Hide)
            pbProgress->setVisible(false);
        if (bar == Bar::Reset || bar == Bar::Show)
            setBarValue(0);
        if (bar == Bar::Show)
            pbProgress->setVisible(true);
        lblPrompt2->setText(MessageText(msg::CalStep(n)));
        result = procedure();
        return result && !mAbort;
    };
    if (const std::int16_t code = Recorder->StartRecorder(); code != 0) {
        HandleError(code);
        result = false;
    } else {
        [&] {
            if (!step(1, Bar::Keep, [&] {
                    if (!FindMinThd())
                        return false;
                    if (mAbort)
                        return true;
                    if (!MeasurePeakADC())
                        return false;
                    // A card that records nothing at the least-distortion setting cannot be calibrated: said so,
                    // not left to the bare "failed" of the end.
                    if (mADCmax <= 0) {
                        HandleError(msg::NoCalibrationSignal);
                        return false;
                    }
                    return true;
                }))
                return;
            if (!step(2, Bar::Reset, [&] { return AdjustDAC(); }))
                return;
            if (!step(3, Bar::Reset, [&] { return CalibratePs(); }))
                return;
            if (!step(4, Bar::Reset, [&] { return CalibratePm(); }))
                return;
            if (!step(5, Bar::Reset, [&] { return CalibrateRm(); }))
                return;
            if (!step(6, Bar::Reset, [&] {
                    const bool ok = CalibrateRs();
                    Player->UnlockPlayer();
                    mMLSDAC = mSweepDAC = mThdDAC;
                    return ok;
                }))
                return;
            if (!step(7, Bar::Hide, [&] { return AdjustForMLS(11); }))
                return;
            if (!step(8, Bar::Show, [&] { return MeasureMLSResponse(); }))
                return;
            if (!step(9, Bar::Show, [&] { return MeasureSweepResponse(); }))
                return;
            if (!step(10, Bar::Hide, [&] { return AdjustMLSDAC(15); }))
                return;
            step(11, Bar::Hide, [&] { return AdjustForSweep(15); });
        }();
    }
    Recorder->StopRecorder();
    Player->UnlockPlayer();
    if (result && !mAbort) {
        Player->LockPlayer();
        const bool started = Recorder->StartRecorder() == 0;
        const bool failedBefore = mFailed;
        float thd = 0;
        bool measured = false;
        guarded("RunCalibration", [&] {
            if (started && PlayCalTone(mThdDAC, mPmGain, mRmGain, mPsGain, mRsGain) == 0) {
                thd = MeasureThd();
                measured = !mFailed && thd <= kDetected_dB;
            }
        });
        StopCalSignal();
        mFailed = failedBefore;
        Recorder->StopRecorder();
        Player->UnlockPlayer();
        CalLog(mLineBreak);
        // A final check that did not hear its tone reports no distortion figure.
        const QString thdText = measured ? QString::number(double(thd), 'f', 2) : QStringLiteral("--");
        CalLog(QStringLiteral("THD=%1 ADC=%2 ").arg(thdText).arg(mADCmax) + leastThdSettingsText());
    }
    CalLog(mLineBreak + QStringLiteral("Done - ") + now() + mLineBreak);
    pbProgress->setVisible(false);
    return result;
}

void frmCalCard::setVolumes(std::int32_t pm, std::int32_t rm, std::int32_t ps, std::int32_t rs)
{
    Pm->setVolume(pm);
    Rm->setVolume(rm);
    Ps->setVolume(ps);
    Rs->setVolume(rs);
}

std::int16_t frmCalCard::PlayCalTone(std::int32_t dac, std::int32_t pm, std::int32_t rm, std::int32_t ps,
                                     std::int32_t rs)
{
    setVolumes(pm, rm, ps, rs);
    const std::int16_t level = level16(dac);
    const std::int16_t code = GenCalSignal(Player->PlayFreq(), level, level);
    Wait(kSettle_s);
    return code;
}

std::int16_t frmCalCard::prepareStimulus(bool mls, std::int32_t dac, std::int32_t pm, std::int32_t rm,
                                         std::int32_t ps, std::int32_t rs)
{
    setVolumes(pm, rm, ps, rs);
    if (mls)
        Player->setMLSDACVolume(level16(dac));
    else
        Player->setSWPDACVolume(level16(dac));
    Player->setChannels(2);
    Player->setStimulus(mls ? StimulusInternalMls : StimulusInternalSweep);
    Player->setFilter(0);
    std::int16_t code = 0;
    passOver([&] {
        const int n = Player->Length();
        const auto& table = mls ? mMLSFilterFile : mSweepFilterFile;
        // Before the filters exist the stimulus plays uncorrected: never through an earlier calibration's files.
        if (n >= 0 && n < kFilterOrders && !table[std::size_t(n)].isEmpty())
            code = Player->Play(true, table[std::size_t(n)]);
        else
            code = Player->Play(false, QString());
    });
    passOver([&] { Wait(kSettle_s); });
    return code;
}

float frmCalCard::MeasureThd()
{
    CalSignalResult r;
    guarded("MeasureThd", [&] {
        attempts([&] { return MeasureCalSignal(Player->PlayFreq(), Recorder->Channels(), r); }, [] { return false; });
    });
    return r.thdn_dB;
}

float frmCalCard::MeasurePeak()
{
    CalSignalResult r;
    guarded("MeasurePeak", [&] {
        attempts([&] { return MeasureCalSignal(Player->PlayFreq(), Recorder->Channels(), r); },
                 [&] { return r.thdn_dB > kDetected_dB; });
    });
    return float(r.peak);
}

float frmCalCard::MeasureRms(bool& detected)
{
    CalSignalResult r;
    detected = false;
    guarded("MeasureRms", [&] {
        attempts([&] { return MeasureCalSignal(Player->PlayFreq(), Recorder->Channels(), r); },
                 [&] { return r.thdn_dB > kDetected_dB; });
        detected = r.thdn_dB <= kDetected_dB;
    });
    return r.rms_dB;
}

std::int16_t frmCalCard::MeasureMLSINR(float& inr)
{
    return guarded("MeasureMLSINR", std::int16_t(msg::NoCalibrationSignal), [&] {
        std::int32_t polarity = 0;
        attempts([&] { return MeasureMLSCalSignal(inr, polarity, Player->Length(), Recorder->Channels()); },
                 [&] { return inr < kInrWanted_dB; });
        return std::int16_t(0);
    });
}

float frmCalCard::MeasureSweepINR()
{
    float inr = 0;
    guarded("MeasureSweepINR", [&] {
        attempts([&] { return MeasureSweepCalSignal(inr, Player->Length(), Recorder->Channels(), Player->PlayFreq()); },
                 [&] { return inr < kInrWanted_dB; });
    });
    return inr;
}

std::int16_t frmCalCard::MeasureSign()
{
    std::int32_t polarity = 1;
    guarded("MeasureSign", [&] {
        float inr = 0;
        attempts([&] { return MeasureMLSCalSignal(inr, polarity, Player->Length(), Recorder->Channels()); },
                 [&] { return inr > kNoSignal_dB; });
    });
    // The low 16 bits carry the polarity.
    return std::int16_t(polarity) < 0 ? std::int16_t(-1) : std::int16_t(1);
}

} // namespace vemra
