#pragma once
// clsParams, the parameter cache of one response file: the room-acoustic parameters by parameter index 0..18
// (core/BandsAndParameters.h; index 19 exists and is never filled), channel 0..1 and band 0..43, for windows that work on many
// files at once (the parameter graph). It needs no open window on the file: it uses the document that has the
// file open, or loads the file into a headless document of its own for as long as it needs it.
//
// Use: set FileName (reads SampleFrequency, Channels, Receiver); for a run of calculations Attach, CalcParameters
// per band, Detach; then read Value and Valid. Value and Valid also compute on demand without Attach (loading
// the file for each call). While attached, a WaveChange of the document empties the cache.
//
// A value the document reports as missing, or outside the parameter's valid range, is kept with Valid false and
// not asked for again until the cache is emptied. A band above the file's Nyquist limit is computed and invalid.
// A channel the file lacks is not valid, and a band above its Nyquist limit is computed and not valid, without
// loading the file. Value and Valid with an index outside its range throw the range failure (VemraError 9).
// Failures inside FileName and CalcParameters are reported under "clsParam::FileName" and
// "clsParam::CalcParameters".
//
// Documents are held weakly: when the document in use goes (its WaveExit), a document this object created is
// loaded again on the next calculation while attached; a named file that the user had open is loaded from disk
// from then on (its values are kept unless the document had unsaved changes); an untitled recording cannot be
// loaded again, so the cache becomes unavailable: every value is not valid, and the first lookup says so once.
// Calling thread: the user-interface thread.
#include "document/clsWave.h"
#include "library/dsp/Bands.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>

namespace vemra {

class clsParams : public QObject {
    Q_OBJECT

public:
    static constexpr int kParameters = 20; // 0..18 used
    static constexpr int kChannels = 2;

    explicit clsParams(QObject* parent = nullptr);
    ~clsParams() override; // lets go of the document (removing one it created)

    // The file path, or "Untitled-" followed by the Key of an open, unsaved document.
    QString FileName() const { return fileName_; }
    // Finds the document that has the file open (the first in collection order), else loads the file into a
    // temporary document, which is removed again once the header values are read.
    void setFileName(const QString& name);
    std::int32_t SampleFrequency() const { return sampleFrequency_; }
    std::int16_t Channels() const { return channels_; }
    std::int16_t Receiver() const { return receiver_; }
    // The name led to a loaded response (false after a load failure, already reported by the load).
    bool Loaded() const { return loaded_; }
    // The untitled recording this object used was closed: no value can be computed any more.
    bool Unavailable() const { return unavailable_; }

    // The cached value (computed first when it has not been asked for).
    float Value(int parameter, int channel, int band);
    bool Valid(int parameter, int channel, int band);
    // Computes the parameter, and the rest of its group, for every channel of the band. Nothing is loaded when
    // every channel of the band was asked for already.
    void CalcParameters(int parameter, int band);
    // Every channel of the file has the parameter in that band (range failure outside the indexes).
    bool Computed(int parameter, int band) const;

    // Keeps the document loaded (loading it when no document has the file open) and follows its changes.
    void Attach();
    // Stops following the document; one that Attach created is removed, one that was open stays open.
    void Detach();

    // The document this object follows, nullptr when not attached (for tests and the graph window).
    clsWave* attachedWave() const { return mWave_.data(); }
    // The Key of the document in use; empty before FileName is set.
    QString waveKey() const { return key_; }
    bool ownsWave() const { return owner_; }

private:
    void mWave_WaveChange();
    void documentExit(clsWave* wave);
    void follow(clsWave* wave);
    // Says once that an untitled recording in use was closed.
    void reportUnavailable();
    void Reset();
    void clearCache();
    static void checkIndices(int parameter, int channel, int band);
    void store(int parameter, int channel, int band, float value, bool valid);
    void computeGroup(clsWave& w, int parameter, int channel, int band);

    QString fileName_;
    std::int32_t sampleFrequency_ = 0;
    std::int16_t channels_ = 0;
    std::int16_t receiver_ = 0;
    bool open_ = false;  // the document named by key_ is open and may be used without loading
    QString key_;
    bool owner_ = false; // Attach created the document and removes it on Detach
    QPointer<clsWave> mWave_;
    QMetaObject::Connection waveChange_;
    QMetaObject::Connection waveExit_; // the document in use, attached or only open
    bool attached_ = false;            // between Attach and Detach
    bool loaded_ = false;
    bool unavailable_ = false;
    bool unavailableReported_ = false;

    float values_[kParameters][kChannels][dsp::kBandCount] = {};
    bool valid_[kParameters][kChannels][dsp::kBandCount] = {};
    bool computed_[kParameters][kChannels][dsp::kBandCount] = {};
};

} // namespace vemra
