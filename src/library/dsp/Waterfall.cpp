#include "library/dsp/Waterfall.h"

#include "library/Codes.h"
#include "library/dsp/Editing.h"
#include "library/dsp/Smoothing.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace vemra::dsp {
namespace {

// The falling half of a window shape in the editing family is the shape's code + 2.
constexpr int kFallingHalf = 2;

float levelOf(double amplitude)
{
    if (!(amplitude > 0))
        return kWaterfallFloor_dB;
    return std::max(kWaterfallFloor_dB, float(20.0 * std::log10(amplitude)));
}

float levelOfPower(double power)
{
    if (!(power > 0))
        return kWaterfallFloor_dB;
    return std::max(kWaterfallFloor_dB, float(10.0 * std::log10(power)));
}

} // namespace

bool validSpectrumWindow(int code)
{
    return code == kWindowRectangular || code == kWindowHanning || code == kWindowHamming || code == kWindowBlackman
           || code == kWindowBlackmanHarris;
}

bool WaterfallSettings::valid() const
{
    return logN >= kMinWaterfallLogN && logN <= kMaxWaterfallLogN && validSpectrumWindow(windowType) && slices >= 1
           && slices <= kMaxWaterfallSlices && start >= 0 && count >= 1 && csdShift >= 0 && csdShift <= kMaxCsdShift
           && csdRise_ms >= 0 && csdRise_ms <= kMaxCsdRise_ms && fs_Hz > 0 && std::isfinite(fs_Hz);
}

std::vector<float> spectrumWindow(int code, std::size_t n)
{
    if (!validSpectrumWindow(code))
        throw std::invalid_argument("unknown window");
    std::vector<float> w(n, 1.0f);
    if (code != kWindowRectangular) {
        // The symmetric window one point longer, without its last point: periodic in n.
        for (std::size_t i = 0; i < n; ++i)
            w[i] = float(windowGain(code, std::int64_t(i), std::int64_t(n) + 1));
    }
    return w;
}

double sliceOffset(const WaterfallSettings& s, int slice)
{
    if (s.mode == DecayMode::Cumulative)
        return double(slice) * double(s.csdShift);
    if (s.slices <= 1)
        return 0;
    const auto n = std::int64_t(s.fftSize());
    const double step = s.count > n ? double(s.count - n) / double(s.slices - 1) : double(s.count) / double(s.slices);
    return double(slice) * step;
}

double sliceTime_s(const WaterfallSettings& s, int slice)
{
    return std::round(sliceOffset(s, slice)) / s.fs_Hz;
}

WaterfallSlicer::WaterfallSlicer(const WaterfallSettings& settings)
    : settings_(settings), fft_(settings.valid() ? settings.fftSize() : 1)
{
    if (!settings.valid())
        throw std::invalid_argument("waterfall settings out of range");
    const std::size_t n = settings.fftSize();
    frame_.assign(n, 0.0f);
    spectrum_.assign(settings.bins(), {});
    if (settings.mode == DecayMode::TimeShifted) {
        window_ = spectrumWindow(settings.windowType, n);
        double sum = 0;
        for (float w : window_)
            sum += w;
        binScale_ = 2.0 / sum;
    } else {
        const auto gate = std::size_t(std::min<std::int64_t>(std::int64_t(n), settings.count));
        window_.assign(gate, 1.0f);
        if (settings.windowType != kWindowRectangular)
            for (std::size_t i = 0; i < gate; ++i)
                window_[i] = float(windowGain(settings.windowType + kFallingHalf, std::int64_t(i), std::int64_t(gate)));
        const auto riseSamples = std::size_t(std::llround(settings.csdRise_ms * 1e-3 * settings.fs_Hz));
        rise_.resize(riseSamples);
        for (std::size_t m = 0; m < riseSamples; ++m)
            rise_[m] = float(0.5 - 0.5 * std::cos(std::numbers::pi * double(m + 1) / double(riseSamples + 1)));
        binScale_ = 1.0;
    }
}

void WaterfallSlicer::slice(std::span<const float> signal, int slice, std::span<float> levels_dB)
{
    const WaterfallSettings& s = settings_;
    if (slice < 0 || slice >= s.slices || levels_dB.size() < bins())
        throw std::invalid_argument("slice out of range");
    const std::size_t n = s.fftSize();
    const std::int64_t end = std::min<std::int64_t>(s.start + s.count, std::int64_t(signal.size()));
    auto sample = [&](std::int64_t at) { return at >= 0 && at < end ? signal[std::size_t(at)] : 0.0f; };

    const auto offset = std::int64_t(std::llround(sliceOffset(s, slice)));
    if (s.mode == DecayMode::TimeShifted) {
        const std::int64_t first = s.start + offset;
        for (std::size_t i = 0; i < n; ++i)
            frame_[i] = window_[i] * sample(first + std::int64_t(i));
    } else {
        std::fill(frame_.begin(), frame_.end(), 0.0f);
        for (std::size_t i = std::size_t(std::min<std::int64_t>(offset, std::int64_t(window_.size())));
             i < window_.size(); ++i) {
            const std::size_t sinceCut = i - std::size_t(offset);
            const float ramp = sinceCut < rise_.size() ? rise_[sinceCut] : 1.0f;
            frame_[i] = window_[i] * ramp * sample(s.start + std::int64_t(i));
        }
    }
    fft_.forward(frame_, spectrum_);

    const std::size_t top = n / 2;
    auto amplitude = [&](std::size_t k) {
        // The bins at 0 and N/2 have no mirror image to share their energy with.
        const double scale = (k == 0 || k == top) && s.mode == DecayMode::TimeShifted ? binScale_ / 2 : binScale_;
        return double(std::abs(spectrum_[k])) * scale / kFullScale;
    };
    levels_dB[0] = levelOf(amplitude(0));
    if (!s.smooth) {
        for (std::size_t k = 1; k <= top; ++k)
            levels_dB[k] = levelOf(amplitude(k));
        return;
    }
    power_.resize(top);
    for (std::size_t k = 1; k <= top; ++k) {
        const double a = amplitude(k);
        power_[k - 1] = a * a;
    }
    const std::vector<double> smoothed = fractionalOctaveSmooth(power_, 3);
    for (std::size_t k = 1; k <= top; ++k)
        levels_dB[k] = levelOfPower(smoothed[k - 1]);
}

} // namespace vemra::dsp
