#pragma once
// The program's options (one instance, the global Options). Created: loads every option from the settings store
// (sections "Setup" and "Dir") and pushes six of them into the library. A setter that changes a value saves all
// options, pushes them again and emits SettingChanged once; setting the current value does nothing.
//
// Loading starts from the documented defaults; a stored text that does not convert, or a value outside the range
// below (checked before it is narrowed to a float), keeps the default. The options dialog and the other windows
// offer the same ranges, so what they store loads again. MinSRDist is always 0 after loading.
// Vsound (m/s) = 20.1 * sqrt(273 + Temperature) and follows every change of Temperature.
// Calling thread: the user-interface thread; SettingChanged handlers run inside the setter.
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <limits>

namespace vemra {

// What happens to a file after Save As.
enum CloseOnSaveMode : std::int16_t { CloseAlways = 0, CloseNever = 1, CloseAsk = 2 };

class clsOptions final : public QObject {
    Q_OBJECT
public:
    // Receives (index, value) for each pushed setting; the library's PushSetting unless a test gives another.
    using Pusher = std::function<void(std::int32_t, float)>;

    explicit clsOptions(QObject* parent = nullptr, Pusher pusher = {});

    bool UseCal() const { return useCal_; }
    void setUseCal(bool value);
    float MinSRDist() const { return minSRDist_; }
    void setMinSRDist(float value);
    float Vsound() const { return vsound_; }
    float ProbeDist() const { return probeDist_; }
    void setProbeDist(float value);
    // Degrees Celsius.
    float Temperature() const { return temperature_; }
    void setTemperature(float value);
    bool LockFormat() const { return lockFormat_; }
    void setLockFormat(bool value);
    // Samples.
    float AudioDelay() const { return audioDelay_; }
    void setAudioDelay(float value);
    // Folder where the next Open or Save dialog starts; the user's home folder until one was chosen (the
    // program's own folder is not writable).
    QString DataDir() const { return dataDir_; }
    void setDataDir(const QString& value);
    std::int16_t CloseOnSave() const { return closeOnSave_; }
    void setCloseOnSave(std::int16_t value);
    // Hz.
    std::int32_t SampleFrequency() const { return sampleFrequency_; }
    void setSampleFrequency(std::int32_t value);
    // Speech-index weight of octave band 125 Hz (0) to 8 kHz (6); another index throws a range error (9).
    float STI_Weight(int index) const;
    void setSTI_Weight(int index, float value);
    float ModelScale() const { return modelScale_; }
    void setModelScale(float value);
    bool ReuseWindows() const { return reuseWindows_; }
    void setReuseWindows(bool value);
    // Name of the selected sound-card calibration ("" for none).
    QString Calibration() const { return calibration_; }
    void setCalibration(const QString& value);

    static constexpr std::array<float, 7> DefaultSTIWeights = {0.9f, 1.0f, 0.8f, 0.8f, 1.3f, 1.2f, 1.0f};

    // The values the program can use. A range's ends belong to it.
    struct Range {
        double minimum;
        double maximum;
        bool contains(double v) const { return v >= minimum && v <= maximum; }
    };
    static constexpr double kLargestFloat = double(std::numeric_limits<float>::max()); // no option is ever inf
    static constexpr Range kTemperatureRange = {-100, 100};      // deg C
    static constexpr Range kMinSRDistRange = {0, kLargestFloat}; // m
    static constexpr Range kProbeDistRange = {1, kLargestFloat}; // mm
    // Samples: a second at the highest rate offered; no sound system delays more (1e9 shifted every response
    // circularly by whatever it is modulo the stimulus period).
    static constexpr Range kAudioDelayRange = {-96000, 96000};
    static constexpr Range kSTIWeightRange = {0, kLargestFloat};
    static constexpr Range kModelScaleRange = {double(0.01f), 100}; // the float nearest 0.01 belongs to it
    // The measurement rates offered (Hz); a stored rate or a calibration's rate is one of them.
    static constexpr std::array<std::int32_t, 4> kSampleRates = {22050, 44100, 48000, 96000};
    static bool isOfferedRate(std::int64_t rate_Hz);
    static float SpeedOfSound(float temperature_C);

signals:
    void SettingChanged();

private:
    template <class T>
    void let(T& field, const T& value);
    void LoadOptions();
    void SaveOptions();
    void PushSettings();
    void ApplyOptions();

    Pusher push_;
    bool useCal_ = false;
    float minSRDist_ = 0;
    float vsound_ = 0;
    float probeDist_ = 12;
    float temperature_ = 20;
    bool lockFormat_ = true;
    float audioDelay_ = 0;
    QString dataDir_;
    std::int16_t closeOnSave_ = CloseAsk;
    std::int32_t sampleFrequency_ = 48000;
    std::array<float, 7> stiWeight_ = DefaultSTIWeights;
    float modelScale_ = 10;
    bool reuseWindows_ = true;
    QString calibration_;
};

} // namespace vemra
