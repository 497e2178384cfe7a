// Steps 7, 10 and 11: the converter levels (and, in step 7, the playback gains) of the MLS and the sweep that give
// the best impulse-to-noise ratio, and the loop-back polarity of the uncorrected MLS.
#include "calibration/frmCalCard.h"

#include "audio/AudioGlobals.h"
#include "audio/clsPlayer.h"
#include "audio/clsVolume.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace vemra {

namespace {

constexpr std::int32_t kLowestStart = 16384;
constexpr std::int32_t kHighest = 32767;

// "00.00": at least two digits before the decimal separator.
QString inrText(float inr)
{
    const double rounded = std::round(double(inr) * 100.0) / 100.0;
    QString digits = FormatNumber(std::abs(rounded), QStringLiteral("0.00"));
    if (std::abs(rounded) < 10.0)
        digits.prepend(QLatin1Char('0'));
    return (rounded < 0 ? QStringLiteral("-") : QString()) + digits;
}

} // namespace

bool frmCalCard::AdjustForMLS(std::int16_t order) { return adjustLevel(true, true, order, false); }
bool frmCalCard::AdjustMLSDAC(std::int16_t order) { return adjustLevel(true, false, order, true); }
bool frmCalCard::AdjustForSweep(std::int16_t order) { return adjustLevel(false, false, order, true); }

bool frmCalCard::adjustLevel(bool mls, bool gains, std::int16_t order, bool raise)
{
    const std::int16_t savedLength = Player->Length();
    const char* name = gains ? "AdjustForMLS" : mls ? "AdjustMLSDAC" : "AdjustForSweep";
    bool result = false;
    guarded(
        name,
        [&] {
            CalLog(mLineBreak);
            std::int16_t refPm = mPmRef, refPs = mPsRef;
            const bool hasPm = Pm->ControlID() != -1, hasPs = Ps->ControlID() != -1;
            std::int32_t gPm = hasPm ? CurvePosition(mPmCurve, refPm) : kFullPosition;
            std::int32_t gPs = hasPs ? CurvePosition(mPsCurve, refPs) : kFullPosition;
            std::int32_t dac = mls ? mMLSDAC : mSweepDAC;
            // The player offers no sequence shorter than its shortest order at this rate.
            Player->setLength(std::max<std::int16_t>(order, Player->MinLength()));
            // The stimulus's impulse-to-noise ratio; the MLS's measurement can fail with a message of its own.
            auto measure = [&](float& inr) {
                std::int16_t c = 0;
                if (mls)
                    c = MeasureMLSINR(inr);
                else
                    inr = MeasureSweepINR();
                return c;
            };
            const std::int16_t setup = prepareStimulus(mls, dac, gPm, mRmGain, gPs, mRsGain);
            std::int16_t code = setup;
            if (setup != 0) {
                Player->Silence();
                HandleError(setup);
                return;
            }
            float best = 0;
            code = measure(best);
            // The polarity the record keeps: the uncorrected MLS of step 7, measured in step with what plays.
            if (gains)
                mSign = MeasureSign();
            Player->Silence();
            QString line = QStringLiteral("INR=") + inrText(best) + QStringLiteral(" DAC=") + QString::number(dac);
            if (hasPm)
                line += QStringLiteral(" Pm=") + QString::number(gPm);
            if (hasPs)
                line += QStringLiteral(" Ps=") + QString::number(gPs);
            CalLog(line);

            auto trial = [&](std::int32_t level, float& inr) {
                prepareStimulus(mls, level, gPm, mRmGain, gPs, mRsGain);
                const std::int16_t c = measure(inr);
                Player->Silence();
                return c;
            };
            bool done = false;
            // Converter phase: down by 5 % (step 7) or up by 5 % (steps 10, 11) while the INR holds up.
            while (!done && !mAbort && !mFailed && dac >= kLowestStart && (!mls || code == 0)) {
                dac = std::int32_t(std::nearbyint(double(dac) * (raise ? 1.05 : 0.95)));
                if (dac > kHighest) {
                    done = true;
                    continue;
                }
                float inr = best;
                const std::int16_t c = trial(dac, inr);
                if (mls)
                    code = c;
                CalLog(QStringLiteral("INR=") + inrText(inr) + QStringLiteral(" DAC=") + QString::number(dac));
                if (inr > best) {
                    best = inr;
                    (mls ? mMLSDAC : mSweepDAC) = dac;
                } else if (inr < float(best - 1.0f)) {
                    done = true;
                }
            }
            if (gains) {
                // Gain phase: one curve point nearer full position at a time, the secondary control first.
                done = false;
                while (!done && !mAbort && !mFailed && code == 0) {
                    if (hasPs && refPs > 0) {
                        --refPs;
                        gPs = CurvePosition(mPsCurve, refPs);
                    } else if (hasPm && refPm > 0) {
                        --refPm;
                        gPm = CurvePosition(mPmCurve, refPm);
                    } else {
                        done = true;
                        break;
                    }
                    float inr = best;
                    code = trial(mMLSDAC, inr);
                    CalLog(QStringLiteral("INR=") + inrText(inr) + QStringLiteral(" Pm=") + QString::number(gPm)
                           + QStringLiteral(" Ps=") + QString::number(gPs));
                    if (inr > best) {
                        best = inr;
                        mPmGain = gPm;
                        mPsGain = gPs;
                        mPmRef = refPm;
                        mPsRef = refPs;
                    } else if (inr < float(best - 1.0f)) {
                        done = true;
                    }
                }
                result = code == 0 && !mFailed;
            } else {
                result = setup == 0 && !mFailed;
            }
        },
        std::function<void()>([&] {
            Player->Silence();
            result = false;
        }));
    Player->setLength(savedLength);
    return result;
}

} // namespace vemra
