// Steps 3 to 6: the gain curve of each volume control, the looped-back tone's level against the control's position
// while the other three stay at full position.
#include "calibration/frmCalCard.h"

#include "audio/AudioGlobals.h"
#include "audio/clsVolume.h"
#include "core/ErrorGuard.h"
#include "core/NumberFormat.h"
#include "library/api_calibration.h"

#include <cmath>
#include <functional>

namespace vemra {

namespace {

constexpr float kLowest_dB = -100.0f;
constexpr float kPointStep_dB = 0.8f;
constexpr double kRatio = 0.98;
constexpr double kSettle_s = 0.125;

// The next position: 2 % lower while that is more than one step, then one step at a time.
std::int32_t nextPosition(std::int32_t g)
{
    return double(g) * 0.02 > 1.0 ? std::int32_t(std::nearbyint(double(g) * kRatio)) : g - 1;
}

float stepsFromFull(double position) { return float(std::log(position / double(kFullPosition)) / std::log(kRatio)); }

} // namespace

bool frmCalCard::CalibratePs() { return calibratePlayback(false); }
bool frmCalCard::CalibratePm() { return calibratePlayback(true); }
bool frmCalCard::CalibrateRm() { return calibrateRecording(true); }
bool frmCalCard::CalibrateRs() { return calibrateRecording(false); }

float frmCalCard::startCurve(GainCurvePoints& curve, bool& detected)
{
    CalLog(mLineBreak);
    PlayCalTone(mToneDAC, kFullPosition, kFullPosition, kFullPosition, kFullPosition);
    const float level = MeasureRms(detected);
    curve.assign(1, VolStep{kFullPosition, level});
    return level;
}

float frmCalCard::curveLevel(clsVolume* control, const QString& prefix, std::int32_t position, bool& detected)
{
    control->setVolume(position);
    Wait(kSettle_s);
    const float level = MeasureRms(detected);
    CalLog(prefix + QString::number(position) + QStringLiteral(" Rms=") + FormatNumber(level, QStringLiteral("0.00")));
    yieldOnce();
    return level;
}

bool frmCalCard::calibratePlayback(bool master)
{
    std::int16_t& ref = master ? mPmRef : mPsRef;
    GainCurvePoints& curve = master ? mPmCurve : mPsCurve;
    const std::int32_t stepGain = master ? mPmGain : mPsGain;
    const QString prefix = master ? QStringLiteral("Pm=") : QStringLiteral("Ps=");
    ref = -1;
    clsVolume* control = master ? Pm : Ps;
    if (control->ControlID() == -1 || mAbort)
        return !mFailed;
    guarded(
        master ? "CalibratePm" : "CalibratePs",
        [&] {
            setBarMax(stepsFromFull(1.0));
            bool detected = false;
            float L = startCurve(curve, detected);
            float last = L;
            std::int16_t n = 0;
            std::int32_t g = kFullPosition;
            while (L > kLowest_dB && g > 0 && detected && !mAbort && !mFailed) {
                L = curveLevel(control, prefix, g, detected);
                if (float(last - L) > kPointStep_dB) {
                    ++n;
                    curve.push_back(VolStep{g, L - curve[0].Rms});
                    last = L;
                }
                if (ref == -1 && g <= stepGain)
                    ref = n;
                g = nextPosition(g);
                if (g > 0)
                    setBarValue(stepsFromFull(g));
            }
            StopCalSignal();
            curve[0].Rms = 0.0f;
            if (ref == -1)
                ref = 0;
        },
        std::function<void()>([] { StopCalSignal(); }));
    return !mFailed;
}

bool frmCalCard::calibrateRecording(bool master)
{
    GainCurvePoints& curve = master ? mRmCurve : mRsCurve;
    const std::int32_t stepGain = master ? mRmGain : mRsGain;
    const QString prefix = master ? QStringLiteral("Rm=") : QStringLiteral("Rs=");
    clsVolume* control = master ? Rm : Rs;
    if (control->ControlID() == -1 || mAbort)
        return !mFailed;
    guarded(
        master ? "CalibrateRm" : "CalibrateRs",
        [&] {
            setBarMax(stepsFromFull(std::max(stepGain, std::int32_t(1))));
            bool detected = false;
            float L = startCurve(curve, detected);
            float last = L;
            std::int32_t g = kFullPosition;
            while (L > kLowest_dB && g >= stepGain && g > 0 && detected && !mAbort && !mFailed) {
                L = curveLevel(control, prefix, g, detected);
                if (float(last - L) > kPointStep_dB) {
                    curve.push_back(VolStep{g, L});
                    last = L;
                }
                g = nextPosition(g);
                if (g > stepGain)
                    setBarValue(stepsFromFull(g));
            }
            StopCalSignal();
            // Relative to the last point, which is handled last and so becomes 0.00.
            const std::size_t n = curve.size() - 1;
            for (std::size_t i = 0; i <= n; ++i)
                curve[i].Rms -= curve[n].Rms;
        },
        std::function<void()>([] { StopCalSignal(); }));
    return !mFailed;
}

} // namespace vemra
