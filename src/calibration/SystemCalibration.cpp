// The system calibration's computation: the mean band energies and reverberation times of the listed
// reverberation-room responses, the channel-1 reference level and the channel-2 difference per octave band, and
// the stored record.
#include "calibration/frmCalSystem.h"

#include "audio/SoundSysNames.h"
#include "core/ErrorGuard.h"
#include "core/Errors.h"
#include "core/ProgressValue.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/Messages.h"

#include <QCoreApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>
#include <functional>
#include <memory>

namespace vemra {

namespace {

constexpr int kBands = 7;        // octave bands 63 Hz .. 4 kHz
constexpr int kFirstBand = 2;    // band index of 63 Hz
constexpr double kReferenceRate = 22050.0;
constexpr double kTiny = 1e-20;
constexpr double kNoTime = 1e30; // the no-value sentinel and anything near it

bool usableTime(float t) { return std::isfinite(t) && t > 0 && double(t) < kNoTime; }

// Removes the document when the computation leaves its file step, whichever way.
struct DocumentOfStep {
    clsWave* wave = nullptr;
    ~DocumentOfStep()
    {
        if (wave)
            passOver([&] { wave->Die(); });
    }
};

} // namespace

QString SystemCalRecordText(std::int16_t stimulus, std::int16_t receiver, const float (&result)[2][7])
{
    QString text = QString::number(stimulus) + QLatin1Char(';') + QString::number(receiver) + QLatin1Char(';');
    for (int row = 0; row < 2; ++row)
        for (int b = 0; b < kBands; ++b)
            text += TwoDecimals(result[row][b]) + QLatin1Char(';');
    return text;
}

bool frmCalSystem::SystemCalibration()
{
    bool ok = true;
    Processing = true;
    cmdCancel->setEnabled(true);
    for (auto& row : CalResult)
        for (float& v : row)
            v = 0;
    guarded(
        "SystemCalibration",
        [&] {
            double E[2][kBands] = {};
            double T[kBands] = {};
            bool timeMissing63 = false;
            const int N = lstFiles->count();
            if (N < 1) {
                ok = false;
                return;
            }
            // The check of the files has read their shared channel count.
            const int C = mChannels != 1 ? 2 : 1;
            lblStatus->setText(QStringLiteral("Processing files..."));
            prgProgress->setMinimum(0);
            prgProgress->setMaximum(N * kBands * C);
            ShowProgress(prgProgress, 0);
            for (int i = 0; i < N && ok && Processing; ++i) {
                const QString path = lstFiles->item(i)->text();
                lblFilename->setText(path);
                showStatus();
                DocumentOfStep doc{WaveByKey(NewWave(false))};
                doc.wave->setFileName(path);
                if (!doc.wave->Valid()) {
                    // The document has said why, naming the file.
                    ok = false;
                    break;
                }
                // Each file's energies at the reference rate, so files of different rates average alike.
                const double rateFactor = kReferenceRate / double(doc.wave->SampleFrequency());
                for (int ch = 0; ch < C && ok && Processing; ++ch) {
                    for (int b = 0; b < kBands && ok && Processing; ++b) {
                        const int band = b + kFirstBand;
                        const float g = doc.wave->TotalGain(ch);
                        const float e = doc.wave->LE(ch, band, g);
                        bool skipped = false;
                        if (!(e > 0) && b == 0) {
                            HandleError(msg::CalibrationNoData63);
                            skipped = true;
                        } else if (!(e > 0)) {
                            HandleError(msg::CalibrationNoData);
                            ok = false;
                        } else {
                            E[ch][b] += double(e) * rateFactor;
                        }
                        if (ch == 0 && !skipped) {
                            const float r30 = doc.wave->RT30Corr(0, band);
                            const float r20 = doc.wave->RT20corr(0, band);
                            const float t = std::abs(r30 - 1) < std::abs(r20 - 1) ? doc.wave->RT20time(0, band)
                                                                                  : doc.wave->RT30time(0, band);
                            if (!usableTime(t)) {
                                if (b == 0) {
                                    HandleError(msg::CalibrationBadRevTime63);
                                    timeMissing63 = true;
                                } else {
                                    HandleError(msg::CalibrationBadRevTime);
                                    ok = false;
                                }
                            } else {
                                T[b] += t;
                            }
                        }
                        ShowProgress(prgProgress, prgProgress->value() + 1);
                        QCoreApplication::processEvents();
                        if (mUnloaded)
                            Processing = false;
                    }
                }
            }
            if (!ok || !Processing)
                return;
            const std::optional<double> volume = RoomVolume(txtVolume->text());
            const double V = volume ? *volume : 0.0;
            double L0[kBands] = {};
            for (int ch = 0; ch < C; ++ch) {
                for (int b = 0; b < kBands; ++b) {
                    const double e = E[ch][b] / N;
                    if (e < kTiny) {
                        CalResult[ch][b] = 0;
                        continue;
                    }
                    const float L = float(10.0 * std::log10(e));
                    if (ch == 0) {
                        L0[b] = L;
                        const double t = T[b] / N;
                        const double x = t > 0 ? V * 0.16 / t : 0.0;
                        // No gain from a band whose reverberation time is missing.
                        CalResult[0][b] = !(b == 0 && timeMissing63) && x > kTiny
                                              ? float(10.0 * std::log10(x) + L - 37.0)
                                              : 0.0f;
                    } else {
                        CalResult[1][b] = float(L - L0[b]);
                    }
                }
            }
        },
        std::function<void()>([&] { ok = false; }));
    if (!Processing && !mUnloaded) {
        // Cancelled: nothing is stored, the window goes.
        unloadWindow();
        return false;
    }
    if (mUnloaded)
        return false;
    cmdCancel->setEnabled(false);
    Processing = false;
    return ok;
}

} // namespace vemra
