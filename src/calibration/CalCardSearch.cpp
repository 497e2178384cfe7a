// Steps 1 and 2: the least-distortion settings (a simulated-annealing search over the converter level and the four
// gains), the converter's peak there, and the tone level of the gain curves.
#include "calibration/frmCalCard.h"

#include "audio/AudioGlobals.h"
#include "audio/clsVolume.h"
#include "core/ErrorGuard.h"
#include "core/MessageTexts.h"
#include "core/NumberFormat.h"
#include "core/UiServices.h"
#include "library/Messages.h"
#include "library/api_calibration.h"

#include <QLabel>

#include <algorithm>
#include <cmath>
#include <functional>

namespace vemra {

namespace {

constexpr float kStartTemperature = 50.0f;
constexpr float kEndTemperature = 10.0f;
constexpr float kCooling = 0.9f;
constexpr int kStageTries = 200;
constexpr int kStageAcceptances = 40;
constexpr float kRestartRatio = 0.3f;
constexpr std::int32_t kDacLow = 24576, kDacHigh = 32767;
constexpr std::int32_t kGainLow = 1, kGainHigh = kFullPosition;
constexpr float kEnoughSignal_dB = -40.0f;

// The program's one generator: the same fixed seed at every start, never reseeded.
std::mt19937& generator()
{
    static std::mt19937 g(1994u);
    return g;
}

QString n2(float value) { return FormatNumber(value, QStringLiteral("0.00")); }

struct Point {
    std::int32_t dac = 0, pm = 0, rm = 0, ps = 0, rs = 0;
};

} // namespace

QString frmCalCard::leastThdSettingsText() const
{
    return QStringLiteral("DAC=%1 Pm=%2 Rm=%3 Ps=%4 Rs=%5")
        .arg(mThdDAC)
        .arg(mPmGain)
        .arg(mRmGain)
        .arg(mPsGain)
        .arg(mRsGain);
}

float frmCalCard::uniform() { return float(generator()() >> 8) * (1.0f / 16777216.0f); }

bool frmCalCard::FindMinThd()
{
    bool started = true;
    guarded(
        "FindMinThd",
        [&] {
            const bool hasRm = Rm->ControlID() != -1;
            Point current{kDacHigh, kFullPosition, kFullPosition, kFullPosition, hasRm ? kFullPosition : 16383};
            const std::int16_t code = PlayCalTone(current.dac, current.pm, current.rm, current.ps, current.rs);
            float thd = MeasureThd();
            StopCalSignal();
            if (code != 0) {
                HandleError(code);
                started = false;
                return;
            }
            Point candidate;
            // The start point stands as the best until a try beats it, so a restart always has a point to go to.
            mThdDAC = current.dac;
            mPmGain = current.pm;
            mRmGain = hasRm ? current.rm : 0;
            mPsGain = current.ps;
            mRsGain = current.rs;
            float best = 0.0f;
            float T = kStartTemperature, Tr = kStartTemperature;
            int tries = 0, accepted = 0;
            setBarMax(std::log(kEndTemperature / kStartTemperature) / std::log(kCooling));
            // A draw around `from` within [lo, hi]; the redraws are bounded, then the nearest end is taken.
            auto draw = [&](std::int32_t from, double span, std::int32_t lo, std::int32_t hi) {
                for (int i = 0; i < kMaxRedraws; ++i) {
                    const double v = std::nearbyint(double(from) + (double(uniform()) - 0.5) * span);
                    if (v >= lo && v <= hi)
                        return std::int32_t(v);
                }
                return std::clamp(from, lo, hi);
            };
            while (T > kEndTemperature && !mAbort && !mFailed) {
                yieldOnce();
                setBarValue(std::log(T / kStartTemperature) / std::log(kCooling));
                const double scale = double(T / kStartTemperature);
                candidate.dac = draw(current.dac, scale * 32767, kDacLow, kDacHigh);
                candidate.ps = draw(current.ps, scale * 65535, kGainLow, kGainHigh);
                candidate.pm = draw(current.pm, scale * 65535, candidate.ps, kGainHigh);
                if (hasRm) {
                    candidate.rm = draw(current.rm, scale * 65535, kGainLow, kGainHigh);
                    candidate.rs = draw(current.rs, scale * 65535, candidate.rm, kGainHigh);
                } else {
                    candidate.rs = draw(current.rs, scale * 65535, kGainLow, kGainHigh);
                }
                PlayCalTone(candidate.dac, candidate.pm, candidate.rm, candidate.ps, candidate.rs);
                float thd2 = MeasureThd();
                StopCalSignal();
                ++tries;
                if (thd2 < best) {
                    mThdDAC = candidate.dac;
                    mPmGain = candidate.pm;
                    mRmGain = candidate.rm;
                    mPsGain = candidate.ps;
                    mRsGain = candidate.rs;
                    best = thd2;
                    lblPrompt3->setText(QStringLiteral("minimum THD+N = ") + n2(thd2) + QStringLiteral(" dB"));
                } else if (T < float(kRestartRatio * Tr)) {
                    candidate = {mThdDAC, mPmGain, mRmGain, mPsGain, mRsGain};
                    thd2 = best;
                    Tr = T;
                }
                const float delta = thd2 - thd;
                const float r = uniform();
                if (delta < 0 || std::exp(-std::abs(delta) / T) > r) {
                    current = candidate;
                    thd = thd2;
                    ++accepted;
                }
                if (tries > kStageTries || accepted > kStageAcceptances) {
                    tries = accepted = 0;
                    T = kCooling * T;
                    CalLog(QStringLiteral("T=%1 THD=%2 ").arg(FormatNumber(T, QStringLiteral("0.0")), n2(best))
                           + leastThdSettingsText());
                    if (best > kEnoughSignal_dB) {
                        MessageRequest ask;
                        ask.text = MessageText(msg::CalibrationTooLittleSignal);
                        ask.title = QStringLiteral("Vemra - Calibration");
                        ask.icon = MsgIcon::Question;
                        ask.buttons = MsgButtons::YesNo;
                        ask.helpContext = msg::CalibrationTooLittleSignal;
                        ask.parent = this;
                        if (UiServices::get().messageBox(ask) == MsgResult::Yes)
                            mFailed = true;
                    }
                }
            }
            CalLog(mLineBreak);
            CalLog(QStringLiteral("THD=") + n2(best) + QLatin1Char(' ') + leastThdSettingsText());
        },
        std::function<void()>([] { StopCalSignal(); }));
    return started && !mFailed;
}

bool frmCalCard::MeasurePeakADC()
{
    guarded(
        "MeasurePeakADC",
        [&] {
            PlayCalTone(mThdDAC, mPmGain, mRmGain, mPsGain, mRsGain);
            mADCmax = std::int16_t(std::clamp(std::nearbyint(double(MeasurePeak())), -32768.0, 32767.0));
            StopCalSignal();
            CalLog(QStringLiteral("Amax=") + QString::number(mADCmax));
            CalLog(mLineBreak);
        },
        std::function<void()>([] { StopCalSignal(); }));
    return !mFailed;
}

bool frmCalCard::AdjustDAC()
{
    guarded(
        "AdjustDAC",
        [&] {
            setBarMax(float(mThdDAC) / 625.0f + 45.0f);
            float bestThd = 1000.0f;
            std::int32_t D = mThdDAC, lo = 0, s = 625;
            while (s >= 1 && !mAbort && !mFailed) {
                while (D >= lo && !mAbort && !mFailed) {
                    PlayCalTone(D, kFullPosition, kFullPosition, kFullPosition, kFullPosition);
                    const float thd = MeasureThd();
                    StopCalSignal();
                    CalLog(QStringLiteral("DAC=%1 THD=%2").arg(D).arg(n2(thd)));
                    yieldOnce();
                    if (thd < bestThd) {
                        bestThd = thd;
                        mToneDAC = D;
                    }
                    D -= s;
                    if (barMax() > barValue())
                        setBarValue(barValue() + 1);
                }
                D = std::min(mToneDAC + s, std::int32_t(32767));
                lo = std::max(mToneDAC - s, std::int32_t(0));
                s = std::int32_t(std::nearbyint(s / 5.0));
            }
        },
        std::function<void()>([] { StopCalSignal(); }));
    return !mFailed;
}

} // namespace vemra
