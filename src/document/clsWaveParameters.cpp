// The response document's decay and energy parameters, strength and band energy: each value is asked of the
// library once and cached per channel and band until ResetFlags.
#include "document/clsWave.h"

#include "core/VemraError.h"
#include "library/api_analysis.h"

#include <cmath>
#include <functional>

namespace vemra {
namespace {

constexpr float kUncalibratedGain_dB = 100.0f;

// The sample rate as a divisor; a document without samples has none (an arithmetic fault, not a value).
double rate(const WaveHeader& header)
{
    if (header.format.SampleFrequency <= 0)
        throw VemraError::divisionByZero();
    return header.format.SampleFrequency;
}

} // namespace

float clsWave::IRStart(int channel)
{
    checkChannel(channel);
    if (irStart_[channel] < 0) {
        const std::int32_t stored = header_.info.IRStart[channel];
        irStart_[channel] = stored >= 0 ? stored : CalcIRStartISO(static_cast<std::int16_t>(channel), header_);
    }
    const std::int32_t start = irStart_[channel];
    if (start < 0)
        irStart_[channel] = -1; // not known: asked again next time
    return static_cast<float>(start / rate(header_));
}

const RTResult& clsWave::decayRecord(int channel, int band)
{
    checkBand(band);
    RTResult& r = rtCache(channel, band);
    if (!isTrue(r.computed))
        CalcRT(static_cast<std::int16_t>(channel), header_, static_cast<std::int16_t>(band), r);
    return r;
}

float clsWave::EDT(int channel, int band)
{
    const RTResult& r = decayRecord(channel, band);
    return isTrue(r.EDTvalid) ? r.EDT : NoValue;
}

float clsWave::RT10time(int channel, int band)
{
    const RTResult& r = decayRecord(channel, band);
    return isTrue(r.T10valid) ? r.T10 : NoValue;
}

float clsWave::RT20time(int channel, int band)
{
    const RTResult& r = decayRecord(channel, band);
    return isTrue(r.T20valid) ? r.T20 : NoValue;
}

float clsWave::RT30time(int channel, int band)
{
    const RTResult& r = decayRecord(channel, band);
    return isTrue(r.T30valid) ? r.T30 : NoValue;
}

float clsWave::EDTcorr(int channel, int band)
{
    const RTResult& r = decayRecord(channel, band);
    return isTrue(r.EDTvalid) ? r.EDTcorr : 0.0f;
}

float clsWave::RT10corr(int channel, int band)
{
    const RTResult& r = decayRecord(channel, band);
    return isTrue(r.T10valid) ? r.T10corr : 0.0f;
}

float clsWave::RT20corr(int channel, int band)
{
    const RTResult& r = decayRecord(channel, band);
    return isTrue(r.T20valid) ? r.T20corr : 0.0f;
}

float clsWave::RT30Corr(int channel, int band)
{
    const RTResult& r = decayRecord(channel, band);
    return isTrue(r.T30valid) ? r.T30corr : 0.0f;
}

float clsWave::Curvature(int channel, int band)
{
    const float t20 = RT20time(channel, band);
    const float t30 = RT30time(channel, band);
    if (t20 == NoValue || t30 == NoValue || t20 < 1e-20f)
        return NoValue;
    return static_cast<float>((double(t30) / double(t20) - 1.0) * 100.0);
}

float clsWave::INR(int channel, int band) { return decayRecord(channel, band).INR; }

// The energy getters: each value has its own flag and its own library call.
float clsWave::cachedEnergy(int channel, int band, float EnergyResult::*value, bool EnergyResult::*computed,
                            const std::function<float(std::int16_t, std::int16_t)>& calculate)
{
    checkBand(band);
    EnergyResult& e = energyCache(channel, band);
    if (!(e.*computed)) {
        e.*value = calculate(static_cast<std::int16_t>(channel), static_cast<std::int16_t>(band));
        e.*computed = true;
    }
    return e.*value;
}

float clsWave::C50(int channel, int band)
{
    return cachedEnergy(channel, band, &EnergyResult::C50, &EnergyResult::C50valid,
                        [&](std::int16_t ch, std::int16_t b) { return CalcCx(ch, header_, b, 0.05f); });
}

float clsWave::C80(int channel, int band)
{
    return cachedEnergy(channel, band, &EnergyResult::C80, &EnergyResult::C80valid,
                        [&](std::int16_t ch, std::int16_t b) { return CalcCx(ch, header_, b, 0.08f); });
}

float clsWave::D50(int channel, int band)
{
    const float c50 = C50(channel, band);
    if (c50 == NoValue)
        return NoValue; // no clarity, no definition
    return static_cast<float>(1.0 / (1.0 + std::pow(10.0, -static_cast<double>(c50) / 10.0)));
}

float clsWave::STearly(int channel, int band)
{
    return cachedEnergy(channel, band, &EnergyResult::STearly, &EnergyResult::STearlyValid,
                        [&](std::int16_t ch, std::int16_t b) { return CalcSupport(ch, header_, b, 0); });
}

float clsWave::STlate(int channel, int band)
{
    return cachedEnergy(channel, band, &EnergyResult::STlate, &EnergyResult::STlateValid,
                        [&](std::int16_t ch, std::int16_t b) { return CalcSupport(ch, header_, b, 1); });
}

float clsWave::STtotal(int channel, int band)
{
    return cachedEnergy(channel, band, &EnergyResult::STtotal, &EnergyResult::STtotalValid,
                        [&](std::int16_t ch, std::int16_t b) { return CalcSupport(ch, header_, b, 2); });
}

float clsWave::ts(int channel, int band)
{
    return cachedEnergy(channel, band, &EnergyResult::ts, &EnergyResult::tsValid,
                        [&](std::int16_t ch, std::int16_t b) { return CalcTs(ch, header_, b); });
}

float clsWave::G(int channel, int band)
{
    const RTResult& r = decayRecord(channel, band);
    const std::int32_t end = isTrue(r.decayEndValid) ? r.decayEnd : header_.SampleCount;
    double correction = TotalGain(channel);
    if (Calibrated() && band >= 2 && band <= 8)
        correction += channel == 0 ? GainCalCh1(band) : double(GainCalCh1(band)) + GainCalCh2(band);
    else
        correction += kUncalibratedGain_dB;
    const double fs = rate(header_);
    const float level = CalcG(header_, static_cast<std::int16_t>(channel), static_cast<std::int16_t>(band), end);
    if (level == NoValue)
        return NoValue; // the sentinel stays the sentinel, not a number near it
    return static_cast<float>(level - correction - std::log(fs / 22050.0) * 10.0 / std::log(10.0));
}

float clsWave::LE(int channel, int band, const float& gain)
{
    const RTResult& r = decayRecord(channel, band);
    if (!isTrue(r.decayEndValid))
        return 0.0f;
    return CalcLE(header_, static_cast<std::int16_t>(channel), static_cast<std::int16_t>(band), r.decayEnd, gain);
}

} // namespace vemra
