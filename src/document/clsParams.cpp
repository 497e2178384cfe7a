#include "document/clsParams.h"

#include "core/BandsAndParameters.h"
#include "core/ErrorGuard.h"
#include "core/UiServices.h"
#include "core/VemraError.h"
#include "document/Waves.h"
#include "document/clsWave.h"
#include "library/records.h"

#include <cmath>
#include <cstring>
#include <optional>

namespace vemra {

namespace {

const QString kUntitled = QStringLiteral("Untitled-");

clsWave& waveOf(const QString& key)
{
    clsWave* w = WaveByKey(key);
    if (!w)
        throw VemraError::invalidCall(QStringLiteral("Invalid procedure call or argument: no document with key %1").arg(key));
    return *w;
}

// A document loaded only for the call: removed again on every way out, so a failure leaves no document behind.
class TemporaryWave {
public:
    explicit TemporaryWave(const QString& fileName) : key_(NewWave(false))
    {
        waveOf(key_).setFileName(fileName);
    }
    ~TemporaryWave()
    {
        if (clsWave* w = WaveByKey(key_))
            w->Die();
    }
    TemporaryWave(const TemporaryWave&) = delete;
    TemporaryWave& operator=(const TemporaryWave&) = delete;
    const QString& key() const { return key_; }

private:
    QString key_;
};

bool belowNoValue(float v) { return v < NoValue; }

} // namespace

clsParams::clsParams(QObject* parent) : QObject(parent) { Reset(); }

clsParams::~clsParams()
{
    // Leaving an owned document behind would keep a hidden document in Waves for the rest of the run.
    Detach();
    QObject::disconnect(waveExit_);
}

void clsParams::clearCache()
{
    std::memset(values_, 0, sizeof values_);
    std::memset(valid_, 0, sizeof valid_);
    std::memset(computed_, 0, sizeof computed_);
}

void clsParams::Reset()
{
    // A document Attach created would otherwise stay in Waves, hidden and followed, after the name changes.
    if (mWave_ || owner_)
        Detach();
    follow(nullptr);
    fileName_.clear();
    sampleFrequency_ = 0;
    channels_ = 0;
    open_ = false;
    owner_ = false;
    attached_ = false;
    loaded_ = false;
    unavailable_ = false;
    unavailableReported_ = false;
    clearCache();
}

void clsParams::mWave_WaveChange() { clearCache(); }

void clsParams::follow(clsWave* wave)
{
    QObject::disconnect(waveExit_);
    if (wave)
        waveExit_ = connect(wave, &clsWave::WaveExit, this, [this, w = QPointer<clsWave>(wave)] {
            if (w)
                documentExit(w);
        });
}

void clsParams::documentExit(clsWave* wave)
{
    QObject::disconnect(waveExit_);
    QObject::disconnect(waveChange_);
    mWave_.clear();
    if (owner_) {
        // Someone else ended the document this object made (the program's exit): while attached, the next
        // calculation loads the file again.
        owner_ = false;
        open_ = false;
        return;
    }
    open_ = false;
    if (fileName_.startsWith(kUntitled)) {
        // An untitled recording exists nowhere else.
        unavailable_ = true;
        clearCache();
    } else if (wave->Changed()) {
        // The values came from edits that were never saved; the file on disk may differ.
        clearCache();
    }
}

void clsParams::reportUnavailable()
{
    if (unavailableReported_)
        return;
    unavailableReported_ = true;
    MessageRequest r;
    r.text = QStringLiteral("%1 was closed without being saved: its parameters are no longer available.")
                 .arg(fileName_);
    r.title = QStringLiteral("Vemra");
    r.icon = MsgIcon::Exclamation;
    UiServices::get().messageBox(r);
}

void clsParams::setFileName(const QString& name)
{
    guarded("clsParam::FileName", [&] {
        if (!fileName_.isEmpty())
            Reset();
        if (name.startsWith(kUntitled)) {
            open_ = true;
            key_ = name.mid(name.indexOf(QLatin1Char('-')) + 1).trimmed();
        } else {
            for (clsWave* w : WavesSnapshot()) {
                if (w->FileName() == name) {
                    key_ = w->Key();
                    open_ = true;
                    break;
                }
            }
        }
        fileName_ = name;
        auto readHeader = [&](const QString& key) {
            const clsWave& w = waveOf(key);
            sampleFrequency_ = w.SampleFrequency();
            channels_ = w.Channels();
            receiver_ = w.Receiver();
            loaded_ = w.Valid();
        };
        if (open_) {
            readHeader(key_);
            follow(&waveOf(key_));
        } else {
            const TemporaryWave temporary(fileName_);
            key_ = temporary.key();
            readHeader(key_);
        }
    });
}

void clsParams::Attach()
{
    if (unavailable_)
        return;
    attached_ = true;
    const bool wasOpen = open_;
    if (!wasOpen) {
        key_ = NewWave(false);
        owner_ = true;
    }
    clsWave& w = waveOf(key_);
    if (mWave_)
        QObject::disconnect(waveChange_);
    mWave_ = &w;
    waveChange_ = connect(&w, &clsWave::WaveChange, this, &clsParams::mWave_WaveChange);
    follow(&w);
    if (!wasOpen)
        w.setFileName(fileName_);
    open_ = true;
}

void clsParams::Detach()
{
    attached_ = false;
    QObject::disconnect(waveChange_);
    mWave_.clear();
    if (owner_) {
        follow(nullptr); // its end is this object's own doing
        if (clsWave* w = WaveByKey(key_))
            w->Die();
        owner_ = false;
        open_ = false;
    }
}

void clsParams::checkIndices(int parameter, int channel, int band)
{
    if (parameter < 0 || parameter >= kParameters || channel < 0 || channel >= kChannels || band < 0 ||
        band >= dsp::kBandCount)
        throw VemraError::range();
}

bool clsParams::Computed(int parameter, int band) const
{
    checkIndices(parameter, 0, band);
    for (int ch = 0; ch < std::min<int>(channels_, kChannels); ++ch)
        if (!computed_[parameter][ch][band])
            return false;
    return true;
}

float clsParams::Value(int parameter, int channel, int band)
{
    checkIndices(parameter, channel, band);
    if (channel >= channels_)
        return 0.0f;
    if (unavailable_) {
        reportUnavailable();
        return 0.0f;
    }
    if (!computed_[parameter][channel][band])
        CalcParameters(parameter, band);
    return values_[parameter][channel][band];
}

bool clsParams::Valid(int parameter, int channel, int band)
{
    checkIndices(parameter, channel, band);
    if (channel >= channels_)
        return false;
    if (unavailable_) {
        reportUnavailable();
        return false;
    }
    if (!computed_[parameter][channel][band])
        CalcParameters(parameter, band);
    return valid_[parameter][channel][band];
}

void clsParams::store(int parameter, int channel, int band, float value, bool valid)
{
    values_[parameter][channel][band] = value;
    valid_[parameter][channel][band] = valid;
    computed_[parameter][channel][band] = true;
}

void clsParams::computeGroup(clsWave& w, int parameter, int channel, int band)
{
    const int ch = channel;
    auto time = [&](int p, float t) { store(p, ch, band, t, t < 100.0f); };
    auto level = [&](int p, float v) { store(p, ch, band, v, belowNoValue(v)); };
    // The band-only members give both channels the same value.
    auto fraction = [&](int p, float v) { store(p, ch, band, v, v >= 0.0f && belowNoValue(v)); };
    switch (parameter) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4: {
        // One decay analysis serves the whole group, in this order.
        time(0, w.EDT(ch, band));
        time(1, w.RT10time(ch, band));
        time(2, w.RT20time(ch, band));
        time(3, w.RT30time(ch, band));
        const float inr = std::abs(w.INR(ch, band));
        store(4, ch, band, inr, belowNoValue(inr));
        break;
    }
    case 5:
        level(5, w.G(ch, band));
        break;
    case 6: {
        const float ts = w.ts(ch, band);
        store(6, ch, band, ts * 1000.0f, ts < 100.0f); // seconds to milliseconds
        break;
    }
    case 7: {
        const float c80 = w.C80(ch, band);
        store(7, ch, band, c80, c80 < 100.0f);
        break;
    }
    case 8:
        level(8, w.D50(ch, band));
        break;
    case 9:
        level(9, w.STearly(ch, band));
        break;
    case 10:
        level(10, w.STlate(ch, band));
        break;
    case 11:
        level(11, w.STtotal(ch, band));
        break;
    case 12:
        fraction(12, w.LF(band));
        break;
    case 13:
        fraction(13, w.LFC(band));
        break;
    case 14:
    case 15:
    case 16:
        fraction(14, w.IACC1(band));
        fraction(15, w.IACC2(band));
        fraction(16, w.IACC3(band));
        break;
    case 17: {
        const float ri = w.RI(band);
        store(17, ch, band, ri, ri >= 0.0f);
        break;
    }
    case 18: {
        const float alpha = w.Alpha(band);
        store(18, ch, band, alpha, alpha >= 0.0f);
        break;
    }
    default:
        break;
    }
}

void clsParams::CalcParameters(int parameter, int band)
{
    guarded("clsParam::CalcParameters", [&] {
        if (parameter < 0 || parameter >= kParameters || band < 0 || band >= dsp::kBandCount)
            throw VemraError::range();
        if (unavailable_) {
            reportUnavailable();
            return;
        }
        const int channels = std::min<int>(channels_, kChannels);
        // The sample rate alone decides a band above the Nyquist limit: no need to load the file for it.
        if (!BandBelowNyquist(band, float(sampleFrequency_))) {
            for (int ch = 0; ch < channels; ++ch) {
                computed_[parameter][ch][band] = true;
                valid_[parameter][ch][band] = false;
            }
            return;
        }
        if (Computed(parameter, band))
            return;
        if (attached_ && !mWave_)
            Attach(); // the attached document went away meanwhile
        std::optional<TemporaryWave> temporary;
        QString key = key_;
        if (!open_) {
            temporary.emplace(fileName_);
            key = temporary->key();
        }
        clsWave& w = waveOf(key);
        for (int ch = 0; ch < channels; ++ch) {
            if (!w.ValidFilter(band)) {
                computed_[parameter][ch][band] = true;
                valid_[parameter][ch][band] = false;
            } else if (!computed_[parameter][ch][band] && parameter < 19) {
                computeGroup(w, parameter, ch, band);
            }
        }
    });
}

} // namespace vemra
