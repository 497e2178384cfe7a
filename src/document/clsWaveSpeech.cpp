// The response document's speech intelligibility (IEC 60268-16): the library gives the modulation transfer values
// per channel and octave band; the transmission indices, the speech transmission indices and their ratings are
// made here. MTF values and the indices are cached until ResetFlags.
#include "document/clsWave.h"

#include "core/BandsAndParameters.h"
#include "core/ErrorGuard.h"
#include "core/Globals.h"
#include "core/VemraError.h"
#include "core/clsOptions.h"
#include "document/SpeechTransmission.h"
#include "library/api_analysis.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace vemra {
namespace {

// Kinds of the speech index cache.
enum SpeechKind { KindFemale = 0, KindMale = 1, KindRasti = 2, KindStitel = 3, KindSti = 4 };

constexpr int kStiEntries = 14; // the full method's modulation frequencies
constexpr int kStitelEntry = 14;
constexpr int kRastiEntry = 15;
constexpr int kRasti500Count = 4, kRasti2000Count = 5;
constexpr int kRasti500Band = 5, kRasti2000Band = 7;
// A band is usable while its centre lies at most this fraction of the sample rate.
constexpr float kHighestCentre = 0.35f;

void checkSpeechBand(int band)
{
    if (band < speech::kFirstSpeechBand || band > speech::kLastSpeechBand)
        throw VemraError::range();
}

bool allowedBand(const clsWave& wave, int band)
{
    return BandCentre(band) / static_cast<float>(wave.SampleFrequency()) <= kHighestCentre;
}

// The speech bands' MTIs and which bands the rate allows: what each index is formed from.
speech::SpeechBands speechBands(clsWave& wave, int channel)
{
    speech::SpeechBands bands;
    for (int k = 0; k < speech::kSpeechBands; ++k) {
        const int band = speech::kFirstSpeechBand + k;
        bands.allowed[static_cast<std::size_t>(k)] = allowedBand(wave, band);
        bands.mti[static_cast<std::size_t>(k)] = wave.MTI(channel, band);
    }
    return bands;
}

} // namespace

std::array<float, 7> clsWave::initialSTIWeights()
{
    std::array<float, 7> w = clsOptions::DefaultSTIWeights;
    if (Options)
        for (int i = 0; i < 7; ++i)
            w[static_cast<std::size_t>(i)] = Options->STI_Weight(i);
    return w;
}

float clsWave::STI_Weight(int index) const
{
    if (index < 0 || index >= speech::kSpeechBands)
        throw VemraError::range();
    return stiWeight_[static_cast<std::size_t>(index)];
}

void clsWave::setSTI_Weight(int index, float weight)
{
    if (index < 0 || index >= speech::kSpeechBands)
        throw VemraError::range();
    stiWeight_[static_cast<std::size_t>(index)] = weight;
    speechIndexComputed_[KindSti][0] = speechIndexComputed_[KindSti][1] = false;
}

const MTFResult& clsWave::mtfRecord(int channel, int band)
{
    checkChannel(channel);
    checkSpeechBand(band);
    MTFResult& cached = mtf_[channel][band];
    if (!mtfComputed_[channel][band]) {
        const RTResult& rt = decayRecord(channel, band);
        const std::int32_t end = isTrue(rt.decayEndValid) ? rt.decayEnd : SampleCount() - 1;
        MTFResult work;
        const VResult result =
            CalcMTF(static_cast<std::int16_t>(channel), header_, static_cast<std::int16_t>(band), end, work.m);
        // A band the library could not measure (no decay, no response) has no modulation transfer, not one of 0.
        if (result != Ok)
            std::fill(std::begin(work.m), std::end(work.m), NoValue);
        cached = MTFResult{};
        for (int i = 0; i <= kStitelEntry; ++i)
            cached.m[i] = work.m[i];
        const int rasti = band == kRasti500Band ? kRasti500Count : band == kRasti2000Band ? kRasti2000Count : 0;
        for (int i = kRastiEntry; i < kRastiEntry + rasti; ++i)
            cached.m[i] = work.m[i];
        mtfComputed_[channel][band] = true;
    }
    return cached;
}

float clsWave::MTF(int channel, int band, int index)
{
    return guarded("GetMTF", 0.0f, [&] {
        if (index < 0 || index > 19)
            throw VemraError::range();
        return mtfRecord(channel, band).m[index];
    });
}

float clsWave::MTI(int channel, int band)
{
    return guarded("GetMTI", 0.0f, [&] {
        // A wrong channel or band is one failure of the index, not fourteen of its values.
        checkChannel(channel);
        checkSpeechBand(band);
        if (!allowedBand(*this, band))
            return -1.0f;
        float sum = 0;
        for (int i = 0; i < kStiEntries; ++i) {
            const float m = MTF(channel, band, i);
            if (m == NoValue)
                return -1.0f; // a band without modulation transfer has no index
            sum += speech::apparentSnr_dB(m);
        }
        return (sum / static_cast<float>(kStiEntries) + 15.0f) / 30.0f;
    });
}

float clsWave::speechIndex(int channel, int kind, const std::function<float()>& calculate)
{
    checkChannel(channel);
    if (!speechIndexComputed_[kind][channel]) {
        speechIndex_[kind][channel] = calculate();
        speechIndexComputed_[kind][channel] = true;
    }
    return speechIndex_[kind][channel];
}

float clsWave::STI(int channel)
{
    return speechIndex(channel, KindSti, [&] {
        const speech::SpeechBands bands = speechBands(*this, channel);
        if (!speech::complete(bands))
            return NoValue; // no index (all weights 0 is an index of 0)
        // In double: weights up to the largest single (the box sets no upper limit) must neither overflow their
        // sum nor lose the index.
        double weighted = 0, weights = 0;
        for (int k = 0; k < speech::kSpeechBands; ++k) {
            if (bands.allowed[static_cast<std::size_t>(k)]) {
                const double w = STI_Weight(k);
                weighted += w * bands.mti[static_cast<std::size_t>(k)];
                weights += w;
            }
        }
        return weights > 0 && std::isfinite(weights) ? static_cast<float>(std::clamp(weighted / weights, 0.0, 1.0))
                                                     : 0.0f;
    });
}

float clsWave::STI_male(int channel)
{
    return speechIndex(channel, KindMale, [&] {
        const speech::SpeechBands bands = speechBands(*this, channel);
        return speech::complete(bands) ? speech::revisedIndex(bands.mti, false) : -1.0f;
    });
}

float clsWave::STI_female(int channel)
{
    return speechIndex(channel, KindFemale, [&] {
        const speech::SpeechBands bands = speechBands(*this, channel);
        return speech::complete(bands) ? speech::revisedIndex(bands.mti, true) : -1.0f;
    });
}

float clsWave::RASTI(int channel)
{
    return speechIndex(channel, KindRasti, [&] {
        if (!speech::complete(speechBands(*this, channel)))
            return -1.0f;
        float sum = 0;
        int count = 0;
        // Both RASTI bands count only while the 500 Hz centre is usable.
        const bool usable = allowedBand(*this, kRasti500Band);
        for (int i = 1; i <= kRasti500Count + kRasti2000Count && usable; ++i) {
            const float m = i <= kRasti500Count ? MTF(channel, kRasti500Band, i + 14)
                                                : MTF(channel, kRasti2000Band, i + 10);
            if (m == NoValue)
                return -1.0f;
            sum += speech::apparentSnr_dB(m);
            ++count;
        }
        return count >= 1 ? (sum / static_cast<float>(count) + 15.0f) / 30.0f : -1.0f;
    });
}

float clsWave::STITEL(int channel)
{
    return speechIndex(channel, KindStitel, [&] {
        if (!speech::complete(speechBands(*this, channel)))
            return -1.0f;
        float sum = 0;
        int count = 0;
        for (int band = speech::kFirstSpeechBand; band <= speech::kLastSpeechBand; ++band) {
            if (allowedBand(*this, band)) {
                const float m = MTF(channel, band, kStitelEntry);
                if (m == NoValue)
                    return -1.0f;
                sum += speech::transmissionIndex(m);
                ++count;
            }
        }
        return count == speech::kSpeechBands ? sum / static_cast<float>(count) : -1.0f;
    });
}

QString clsWave::Rating(float sti)
{
    if (sti < 0.3f)
        return QStringLiteral("Bad");
    if (sti < 0.45f)
        return QStringLiteral("Poor");
    if (sti < 0.6f)
        return QStringLiteral("Fair");
    if (sti < 0.75f)
        return QStringLiteral("Good");
    return QStringLiteral("Excellent");
}

float clsWave::ALC(float sti)
{
    if (!speech::isIndex(sti))
        return NoValue; // no index (-1, or no value), no loss
    const float alc = static_cast<float>(170.5405 * std::exp(-5.419 * static_cast<double>(sti)));
    return alc > 100.0f ? 100.0f : alc;
}

float clsWave::SNR(int channel, int band)
{
    checkBand(band);
    return decayRecord(channel, band).SNR;
}

} // namespace vemra
