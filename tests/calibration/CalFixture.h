#pragma once
// The calibration windows on the stepped virtual card at 22050 Hz: a card with a known loop-back response, a known
// cubic distortion, noise before and after the recording gains, and the virtual mixer's known gain law (position p:
// -60 + 60 p / 65535 dB per control). One clock steps the card for the window's waits and the library's waits.
#include "audio/MeasureFixture.h"

#include "audio/SoundSysNames.h"
#include "calibration/frmCalCard.h"
#include "core/Globals.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>
#include <memory>
#include <numbers>

namespace caltest {

using namespace vemra;
using namespace audiotest;

inline constexpr std::int32_t kRate = 22050;

// The card's own loop-back: inverting, with a gentle treble loss the correction must take out.
inline std::vector<double> cardResponse() { return {-0.6, -0.25, 0.05}; }
inline constexpr double kCubic = 0.05;       // the card's distortion: x - k x^3
inline constexpr double kAnalogNoise = 1e-5; // before the recording gains
inline constexpr double kAdcNoise = 1e-4;    // after them

// The card's loop-back gain at f.
inline double cardGainAt(double f_Hz)
{
    const double w = 2 * std::numbers::pi * f_Hz / kRate;
    double re = 0, im = 0;
    const auto h = cardResponse();
    for (std::size_t k = 0; k < h.size(); ++k) {
        re += h[k] * std::cos(w * double(k));
        im -= h[k] * std::sin(w * double(k));
    }
    return std::hypot(re, im);
}

// The known THD+N (dB) of the 1 kHz tone at output amplitude a and recording gain g (linear), by the card's laws:
// the third harmonic k a^3 / 4 and the noise of the band the analysis counts (20 Hz up to 0.45 times the rate)
// against the recorded fundamental.
inline double knownThdn_dB(double a, double g = 1.0)
{
    const double fundamental = cardGainAt(1000) * (a - 0.75 * kCubic * a * a * a);
    const double harmonic = cardGainAt(3000) * kCubic * a * a * a / 4;
    const double band = (0.45 * kRate - 20.0) / (kRate / 2.0);
    const double noise2 = (kAnalogNoise * kAnalogNoise + kAdcNoise * kAdcNoise / (g * g)) * band;
    return 10 * std::log10((harmonic * harmonic / 2 + noise2) / (fundamental * fundamental / 2));
}

// The least THD+N the card allows, and the output amplitude where it lies (a scan of the law above).
inline std::pair<double, double> knownOptimum()
{
    double best = 1e9, at = 0;
    for (double a = 0.01; a < 0.8; a += 0.0005)
        if (knownThdn_dB(a) < best) {
            best = knownThdn_dB(a);
            at = a;
        }
    return {best, at};
}

class CalTest : public MeasureTest {
protected:
    sound::VirtualCardConfig cardConfig() override
    {
        sound::VirtualCardConfig c;
        c.response = cardResponse();
        c.cubicDistortion = kCubic;
        c.noiseRms = kAnalogNoise;
        c.adcNoiseRms = kAdcNoise;
        c.latencyFrames = 300;
        return c;
    }
    void SetUp() override
    {
        MeasureTest::SetUp();
        time.rate = kRate;
        Options->setSampleFrequency(kRate);
        frmCalCard::setClock(&time);
        DebugMode = false;
        QDir(CalibrationFolder()).removeRecursively();
        DeleteSetting(QStringLiteral("Calibration"));
    }
    void TearDown() override
    {
        window.reset();
        frmCalCard::setClock(nullptr);
        DebugMode = false;
        MeasureTest::TearDown();
    }

    std::unique_ptr<frmCalCard> window;

    // The mixer and the wizard on its first page.
    frmCalCard* openWizard()
    {
        if (!Mixer)
            CreateMixer();
        window = std::make_unique<frmCalCard>();
        window->show();
        QCoreApplication::processEvents();
        return window.get();
    }
    template <class T>
    T* control(const char* name) const
    {
        return window->findChild<T*>(QLatin1String(name));
    }
    // The files of the calibration folder.
    static QStringList calibrationFiles()
    {
        return QDir(CalibrationFolder()).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }
    // What a failed run leaves to read: the end of the session's log and the boxes shown.
    static std::string runReport()
    {
        std::string report = text(frmCalCard::SessionLogPath()).right(3000).toStdString();
        for (const MessageRequest& m : scripted().messages)
            report += "\n[box] " + m.title.toStdString() + ": " + m.text.toStdString();
        return report;
    }
    static QString text(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

} // namespace caltest
