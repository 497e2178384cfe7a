#pragma once
// clsWave, the response document: one impulse response held by the signal library (addressed through its
// WaveHeader), its header information, gains, view settings and the per-channel, per-band parameter caches.
// Documents are created by NewWave (Waves.h), which gives each its Key; windows keep the Key and look the
// document up in Waves each time they need it.
//
// The document does not need a window. Its window is made through a factory the viewer registers at start-up
// (setViewerFactory); without one (tests, the parameter cache) the document is headless: QuitFile answers true,
// ChildActive false, and nothing is shown.
//
// Signals are raised synchronously (connect directly): WaveChange whenever Changed is set to true, WaveExit at
// the start of Die. Getters and setters with a channel (0..1) or band argument outside its range throw the range
// failure (VemraError 9), which the caller's error guard reports. Calling thread: the user-interface thread.
#include "library/dsp/Bands.h"
#include "library/records.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>


namespace vemra {

class clsWave;

// What the document asks of its window. The viewer implements it; the document owns the object until Die.
class WaveViewer {
public:
    virtual ~WaveViewer() = default;
    // Unloads the window; called once by Die (or when the document goes away), after which the document
    // forgets it.
    virtual void unload() = 0;
    // Asks whether the response may be closed (the save question); false when the user cancelled.
    virtual bool quitFile() { return true; }
    virtual void setFocus() {}
    // The window as a widget, nullptr when there is none.
    virtual QWidget* widget() { return nullptr; }
};

using WaveViewerFactory = std::function<WaveViewer*(clsWave& wave)>;

class clsWave : public QObject {
    Q_OBJECT

public:
    // The parameter caches hold every band 0..43 (dsp::kBandCount); the decay and energy caches also the wide
    // band (-2) and all-pass (-1): index band + 2.
    static constexpr int kBandSlots = dsp::kBandCount + 2;

    // Registered by the viewer at start-up; an empty factory makes documents headless.
    static void setViewerFactory(WaveViewerFactory factory);

    explicit clsWave(QObject* parent = nullptr);
    ~clsWave() override; // class termination: stops playback, releases the samples, unloads the window

    // --- identity and window ---
    QString Key() const { return key_; }
    void setKey(const QString& key) { key_ = key; }
    // Creates the window through the registered factory when there is none yet (NewWave does this).
    void createViewer();
    WaveViewer* viewer() const { return viewer_; }
    // The window's save question; true without a window.
    bool QuitFile();
    void SetFocus();
    // A modal child window of this document is open (the program then refuses to exit).
    bool ChildActive() const { return !childWindow_.isNull(); }
    void setChildWindow(QWidget* child) { childWindow_ = child; }
    QWidget* childWindow() const { return childWindow_.data(); }

    // --- processing windows ---
    // The windows DisplayChild opens: 0 the scale-model window, 7 the reflection-index window. The viewer
    // registers the factory (the document cannot reach the windows' layer); it makes a window for the document
    // with that key, nullptr for another code.
    using ChildWindowFactory = std::function<QWidget*(int which, const QString& key)>;
    static void setChildWindowFactory(ChildWindowFactory factory);
    // Disables the document window, shows the child window modeless and yields to the message loop until the
    // child hides itself (or goes), then unloads it and enables the document window again. ChildActive is true
    // meanwhile. Failures are reported under "DisplayChild".
    void DisplayChild(int which);

    // --- loading and lifetime ---
    // The path of the loaded file, "Untitled-<Key>" for a temporary recording, "" before any load.
    QString FileName() const;
    // Loads the file: msg::Only16Bit (not 16-bit), msg::FileTooLong (more than 4194304 frames), msg::FileTooShort
    // (fewer than 256 frames) or the file message of the library; the document stays not Valid then. A temporary file
    // that GetTempName issued is deleted after loading and the name becomes "Untitled-<Key>"; every other file stays.
    void setFileName(const QString& path);
    bool Changed() const { return changed_; }
    void setChanged(bool changed); // true raises WaveChange every time
    bool Valid() const { return valid_; }
    bool NewRecording() const { return newRecording_; }
    void setNewRecording(bool value) { newRecording_ = value; }
    // Releases the samples and deletes the file when it is a temporary one; the window and the entry in Waves
    // stay.
    void Destroy();
    // The end of the document: WaveExit, samples released, temporary recording deleted, window unloaded,
    // removed from Waves (and deleted later).
    void Die();
    // Writes the response with its information; false after showing the library's message.
    bool SaveAs(const QString& fileName);

    // --- header ---
    const WaveHeader& header() const { return header_; }
    WaveHeader& header() { return header_; }
    std::int32_t SampleCount() const { return header_.SampleCount; }
    std::int32_t SampleFrequency() const { return header_.format.SampleFrequency; }
    std::int16_t Channels() const { return header_.format.Channels; }
    std::int16_t MaxDataValue(int channel) const;
    std::int16_t MinDataValue(int channel) const;

    // --- view settings (a change marks the view dirty) ---
    float dBRange() const { return view_.dBRange; }
    void setdBRange(float range);
    std::int16_t ViewType() const { return view_.ViewType; }
    void setViewType(std::int16_t type);
    std::int16_t FilterType() const { return view_.FilterType; }
    void setFilterType(std::int16_t band);
    bool AutoScale() const { return isTrue(view_.AutoScale); }
    void setAutoScale(bool on);
    const ViewBlock& viewBlock() const { return view_; }
    ViewBlock& viewBlock() { return view_; }
    bool viewDirty() const { return viewDirty_; }
    void setViewDirty(bool dirty) { viewDirty_ = dirty; }

    // --- recording information ---
    QString VemraVersion() const; // "major.minor.revision"
    std::int16_t AvgCount() const { return header_.info.AvgCount; }
    std::int16_t Stimulus() const { return header_.info.Stimulus; }
    std::int16_t Receiver() const { return header_.info.Receiver; }
    std::int16_t SourceFilter() const { return header_.info.SourceFilter; } // SourceFilterCode
    float ProbeDist() const { return header_.info.ProbeDist; } // mm; metres for a reflection-index result
    // The five texts: read cut at the first NUL and trimmed; a set stores up to 256 characters and always marks
    // the document changed.
    QString Project() const;
    void setProject(const QString& text);
    QString Position() const;
    void setPosition(const QString& text);
    QString Engineer() const;
    void setEngineer(const QString& text);
    QString Copyright() const;
    void setCopyright(const QString& text);
    QString Comments() const;
    void setComments(const QString& text);
    // The measurement time, else now for an untitled response, else the file's time of last writing, as
    // "General Date" text (short date, then the time unless it is midnight). Throws when the file is gone.
    QString DateTime() const;

    // --- gains and calibration (a set stores and marks the document changed only when the value differs) ---
    float GainIntOut() const { return header_.gains.GainIntOut; }
    void setGainIntOut(float dB);
    float GainExtOut() const { return header_.gains.GainExtOut; }
    void setGainExtOut(float dB);
    float GainIntCha(int channel) const;
    void setGainIntCha(int channel, float dB);
    float GainExtCha(int channel) const;
    void setGainExtCha(int channel, float dB);
    // Octave bands 2..8 (63 Hz .. 4 kHz).
    float GainCalCh1(int band) const;
    void setGainCalCh1(int band, float dB);
    float GainCalCh2(int band) const;
    void setGainCalCh2(int band, float dB);
    float Temperature() const { return header_.info.Temperature; }
    void setTemperature(float celsius);
    QString CalID() const;
    void setCalID(const QString& id); // always marks the document changed
    bool Calibrated() const;          // CalID is neither "" nor "Not Calibrated"
    float TotalGain(int channel) const; // dB
    // Empties every parameter cache: at creation, after edits, option changes and stored gains.
    void ResetFlags();

    // --- decay and energy parameters ---
    // Channel 0..1 and band 0..43 (range failure outside). Each value comes from the library on first use and is
    // cached until ResetFlags; one decay analysis (CalcRT) serves the eight decay getters of a channel and band.
    // Impulse start in seconds: the header's stored start when 0 or more, else the library's ISO 3382-1 start (a
    // negative start is not cached and asked for again).
    float IRStart(int channel);
    // Decay times in seconds, NoValue when the fit is not valid.
    float EDT(int channel, int band);
    float RT10time(int channel, int band);
    float RT20time(int channel, int band);
    float RT30time(int channel, int band);
    // Correlation coefficients of the fits (about -1 for a clean decay), 0 when the fit is not valid.
    float EDTcorr(int channel, int band);
    float RT10corr(int channel, int band);
    float RT20corr(int channel, int band);
    float RT30Corr(int channel, int band);
    // How much the decay bends: (T30 / T20 - 1) x 100 in percent; NoValue when either time is missing or T20 is
    // below 1E-20 s.
    float Curvature(int channel, int band);
    // Impulse-to-noise ratio in dB, whatever the valid flags say.
    float INR(int channel, int band);
    // Clarity in dB, definition 0..1 (NoValue when C50 has none), stage support in dB, centre time in seconds:
    // the library's values, NoValue included.
    float C50(int channel, int band);
    float C80(int channel, int band);
    float D50(int channel, int band);
    float STearly(int channel, int band);
    float STlate(int channel, int band);
    float STtotal(int channel, int band);
    float ts(int channel, int band);
    // Strength in dB: the library's band level less TotalGain, the calibration gain of bands 2..8 when calibrated
    // (else 100 dB) and 10 lg(fs / 22050); NoValue when the library has none.
    float G(int channel, int band);
    // The band energy up to the decay end with `gain` (dB) handed on; 0 without a decay end.
    float LE(int channel, int band, const float& gain);
    // The decay record of (channel, band), computed when its flag is clear.
    const RTResult& decayRecord(int channel, int band);

    // --- spatial and speech parameters ---
    // Band 0..43, channel 0..1 (range failure outside). Each library value is cached until ResetFlags.
    // Lateral fraction: LF2 for an omni-omni probe (Receiver 5), else LF1. LF1 is the library's figure-of-eight
    // fraction over the channels' energy ratio (with the calibration of bands 2..8 and 6 dB when calibrated); LF2
    // and LFC are computed with channel 1 scaled to channel 0 by the gains of their first computation. -1 when the
    // library has no value (LF1 keeps it: no gain correction turns it into a number).
    float LF(int band);
    float LF1(int band);
    float LF2(int band);
    float LFC(int band);
    // Interaural cross-correlation: IACC1 the whole response, IACC2 0..80 ms, IACC3 80 ms on; -1: no value.
    float IACC1(int band);
    float IACC2(int band);
    float IACC3(int band);
    // Modulation transfer value (IEC 60268-16) of channel, octave band 3..9 and entry 0..19 (0..13 the 14
    // modulation frequencies, 14 STITEL's, 15..18 / 15..19 RASTI's in bands 5 / 7); 0..1. Failures are reported
    // under "GetMTF" and give 0.
    float MTF(int channel, int band, int index);
    // Modulation transfer index of a band: the mean transmission index of the 14 values; -1 when the band lies
    // above 0.35 times the sample rate. Failures are reported under "GetMTI" and give 0.
    float MTI(int channel, int band);
    // Speech transmission indices 0..1: STI weighted by STI_Weight (0 when all weights are 0); the revised indices
    // with redundancy correction for male and female speech, RASTI and STITEL. Every index needs the MTI of every
    // speech band the rate allows: without one, STI has no value (NoValue) and the others are -1.
    float STI(int channel);
    float STI_male(int channel);
    float STI_female(int channel);
    float RASTI(int channel);
    float STITEL(int channel);
    // "Bad" below 0.3, "Poor" below 0.45, "Fair" below 0.6, "Good" below 0.75, else "Excellent".
    static QString Rating(float sti);
    // Articulation loss of consonants in percent, 170.5405 e^(-5.419 sti), at most 100.
    static float ALC(float sti);
    // Signal-to-noise ratio of the band's decay in dB (the decay record's, unchanged); band 0..43.
    float SNR(int channel, int band);
    // Weights of the STI's octave bands 125 Hz .. 8 kHz (index 0..6), copied from the options at creation; a set
    // empties only the STI caches.
    float STI_Weight(int index) const;
    void setSTI_Weight(int index, float weight);

    // --- view processing and painting ---
    // Places and shows the window: the first of a run centred, each further one 300 twips right of and below the
    // last one placed (600, 600 when it would reach past the screen), with reuse at the last one's place.
    void Show(bool reuse = false);
    // Draws channel `channel` of the current view (processed first when dirty) into the device context `dc`, a
    // painter handle of the drawing layer: points first .. first + count - 1 over width x height pixels. Nothing
    // when not Valid.
    void PaintWave(std::int16_t channel, std::int32_t height, std::int32_t width, std::int32_t first,
                   std::int32_t count, std::int32_t dc);
    // Inverts the points start .. start + length - 1 of that graph (twice restores it). Nothing when not Valid.
    void Invert(std::int32_t height, std::int32_t width, std::int32_t first, std::int32_t count, std::int32_t dc,
                std::int32_t start, std::int32_t length);
    // Third-octave smoothing of the spectrum views (a change marks the view dirty).
    bool Smooth() const { return isTrue(view_.Smooth); }
    void setSmooth(bool on);
    // Points of the processed view (written by the library's processing).
    std::int32_t ProcCount() const { return header_.ProcCount; }
    // Hands the view settings to the library when the view is dirty; a failure is shown once per change.
    void ReProcess();
    // The linear-spectrum point that point `point` of the logarithmic view shows (ProcCount of 0 or 1 is an
    // arithmetic fault, thrown).
    std::int32_t GetLogSample(std::int32_t point) const;
    // Redraws the window (its UpdateView), when there is one.
    void UpdateViewer();
    // The reverberation time the decay view is drawn for: of the filter's band (the 1 kHz octave for the wide
    // band and all-pass), T10, T20 or T30, whichever line fits best (ties keep the earlier), else EDT, else the
    // double 0.001 s. A missing time comes back as NoValue.
    double BestRevTime(int channel);

    // --- editing, reflection index and statistics ---
    // Sample edits through the library (library/api_edit.h): each returns 0 or the library's message id and
    // reports nothing itself. Rotate, Delete, InsertFile, Window and Silence then empty the parameter caches
    // (ResetFlags) and, when they succeeded, mark the document changed (a refused edit changes no sample and
    // leaves Changed as it was); Copy and Clip2File change nothing.
    std::int16_t Rotate(std::int32_t samples);
    std::int16_t Copy(std::int32_t start, std::int32_t length);
    std::int16_t Delete(std::int32_t start, std::int32_t length);
    // Writes the clipboard's wave into a new temporary file, whose name comes back in fileName ("" on failure).
    std::int16_t Clip2File(QString& fileName);
    std::int16_t InsertFile(std::int32_t position, const QString& fileName);
    // Window shapes 1..12 (1 Hanning .. 12 RH-Blackman-Harris).
    std::int16_t Window(std::int32_t start, std::int32_t length, std::int16_t windowType);
    std::int16_t Silence(std::int32_t start, std::int32_t length);
    // Reflection index of band 0..43 of a reflection-index result, -1 where the library has none; all bands are
    // computed on first use and cached until ResetFlags. Alpha is 1 - RI, and -1 where RI has no value.
    // Failures are reported under "clsWave::RI" / "clsWave::Alpha" and give 0.
    float RI(int band);
    float Alpha(int band);
    // Statistics of samples start .. start + length - 1 of a channel through the current band filter
    // (FilterType); 0 or the library's message id. The getters return the last call's results (as the library
    // left them on failure).
    std::int16_t GetSinfo(int channel, std::int32_t start, std::int32_t length);
    float MinSampleValue() const { return sinfo_.MinSampleValue; }
    float MaxSampleValue() const { return sinfo_.MaxSampleValue; }
    float AvgSampleValue() const { return sinfo_.AvgSampleValue; }
    float Slope() const { return sinfo_.Slope; }   // dB/s
    float DT60() const { return sinfo_.DT60; }     // s; NoDecayTime_s when no decay could be fitted
    float Decay() const { return sinfo_.Decay; }   // dB
    float Power() const { return sinfo_.Power; }   // RMS level, dB
    // True when the band (0..43) lies below the Nyquist frequency of the response, as BandBelowNyquist decides.
    bool ValidFilter(int band) const;

    // --- output: printing, the clipboard and playback (clsWaveOutput.cpp) ---
    // Draws the current view as a figure (every channel over the points last painted, with title and scales)
    // onto the page of the device context `dc` (a painter handle, library/draw/DeviceContext.h); the caller begins
    // and ends the page. Nothing when not Valid; the drawing's own failures are not reported.
    void PrintWave(std::int32_t dc);
    // Puts the same figure on the system clipboard (image and SVG). Nothing when not Valid.
    void ClipSaveWave();
    // Plays samples first .. first + count - 1 through the band filter (-1 none, -2 wide band, 0..43): takes the
    // player (LockPlayerHook; 900 "Busy playing" when another user has it), then has the library play. 0, or the
    // message number, which has been shown; after a library failure the player is free again.
    std::int16_t Play(std::int32_t filter, std::int32_t first, std::int32_t count);
    // Stops this document's playback and frees the player; nothing when it is not playing. Also run when a
    // playing document ends.
    void StopPlay();
    bool Playing() const { return playing_; }
    // The Debug menu's processing: the library's band-filter test on the response, written to `fileName`.
    // The library's message is shown when it fails.
    void DebugProcess(const QString& fileName);

    // --- recording information confirmed (clsWaveInfo.cpp) ---
    // True once the file information window has stored this document's recording information with OK; while a
    // new recording has it False, that window offers the remembered defaults instead of the document's values.
    bool ValidInfo() const;
    void setValidInfo(bool value);

signals:
    void WaveChange();
    void WaveExit();

private:
    // Cache slots, range-checked (VemraError 9 outside).
    RTResult& rtCache(int channel, int band);
    EnergyResult& energyCache(int channel, int band);
    static void checkChannel(int channel);
    static void checkBand(int band); // 0..43
    void setText(char* field, const QString& text);
    void setGain(float& field, float value);
    void markViewDirtyIfChanged(bool differs);

    QString key_;
    WaveViewer* viewer_ = nullptr;
    QPointer<QWidget> childWindow_;
    WaveHeader header_;
    bool valid_ = false;
    bool changed_ = false;
    bool newRecording_ = false;
    bool validInfo_ = false;
    bool viewDirty_ = true;
    bool playing_ = false;
    ViewBlock view_;

    // --- parameter caches (ResetFlags empties them) ---
    std::int32_t irStart_[3] = {-1, -1, -1}; // first sample of the response per channel, -1 unknown
    RTResult rt_[2][kBandSlots];
    EnergyResult energy_[2][kBandSlots];
    IACCResult iacc_[dsp::kBandCount];
    float lf1_[dsp::kBandCount] = {};
    bool lf1Computed_[dsp::kBandCount] = {};
    float lf2_[dsp::kBandCount] = {};
    bool lf2Computed_[dsp::kBandCount] = {};
    float lfc_[dsp::kBandCount] = {};
    bool lfcComputed_[dsp::kBandCount] = {};
    MTFResult mtf_[2][dsp::kBandCount];
    bool mtfComputed_[2][dsp::kBandCount] = {};
    // Speech indices per channel, in the order STI_female, STI_male, RASTI, STITEL, STI.
    float speechIndex_[5][2] = {};
    bool speechIndexComputed_[5][2] = {};
    RIResult ri_;
    bool riComputed_ = false;

    // --- spatial and speech parameters: state ---
    const IACCResult& iaccRecord(int band);
    const MTFResult& mtfRecord(int channel, int band);
    float speechIndex(int channel, int kind, const std::function<float()>& calculate);
    static std::array<float, 7> initialSTIWeights(); // the options' weights, or their defaults without options
    std::array<float, 7> stiWeight_ = initialSTIWeights();

    // --- decay and energy parameters: state ---
    // The value of an energy cache entry, asked of the library (calculate(channel, band)) when its flag is clear.
    float cachedEnergy(int channel, int band, float EnergyResult::*value, bool EnergyResult::*computed,
                       const std::function<float(std::int16_t, std::int16_t)>& calculate);

    // --- view processing and painting: state ---
    DrawRequest drawRequest_; // the last request passed to the library's drawing
    // The energy per sample of the band's late decay line at time zero (the Schroeder view's 0 dB in feature mode).
    float FeatureValue(int channel);

    // --- editing, reflection index and statistics: state ---
    SinfoBlock sinfo_;
    std::int16_t afterEdit(std::int16_t result); // ResetFlags, Changed on success, then the result
};

} // namespace vemra
