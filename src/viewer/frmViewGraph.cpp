// The document window's graphs: the view state of a loaded response, the curves (drawn by the document through
// the library), the y and x scales of every view type and the markers of the impulse start and of the
// reflection-index time window.
#include "viewer/frmView.h"

#include "core/BandsAndParameters.h"
#include "core/ErrorGuard.h"
#include "core/Settings.h"
#include "core/VemraError.h"
#include "library/Codes.h"
#include "library/draw/DeviceContext.h"
#include "library/dsp/SoundSpeed.h"
#include "library/dsp/ViewProcessing.h"
#include "viewer/PictureBox.h"
#include "library/draw/AxisTicks.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

namespace vemra {
namespace {

// Rounding of the window's arithmetic: to nearest, halves to even.
std::int64_t roundEven(double v)
{
    return std::int64_t(std::nearbyint(v));
}

// An arithmetic fault (division by zero, logarithm of nothing) ends the drawing operation with a report.
void requireFinite(double v)
{
    if (!std::isfinite(v))
        throw VemraError::divisionByZero();
}

// Prints `text` with its left edge at pixel x and its top at pixel y.
void printAt(QPainter& p, double x, double y, const QString& text)
{
    const QFontMetricsF fm(p.font());
    p.drawText(QPointF(x, y + fm.ascent()), text);
}

// A major tick of the x scale at x (scale units) from y = 0 to 15, with its label centred on it from y = 20,
// printed only when the whole label lies strictly inside lo .. hi.
void majorTick(QPainter& p, const PictureBox& pic, double x, const QString& label, double lo, double hi)
{
    const double px = pic.toPixelX(x);
    p.drawLine(QPointF(px, pic.toPixelY(0)), QPointF(px, pic.toPixelY(15)));
    const double widthUnits = QFontMetricsF(p.font()).horizontalAdvance(label) * pic.unitsPerPixelX();
    const double left = x - widthUnits / 2;
    if (!label.isEmpty() && left > lo && left + widthUnits < hi)
        printAt(p, pic.toPixelX(left), pic.toPixelY(20), label);
}

// Clears the x scale, sets its user scale and returns a painter with its font and the tick colour.
void beginXscale(QPainter& p, PictureBox& pic, double left, double width)
{
    pic.cls();
    pic.setScale(left, 0, width, 60);
    p.begin(&pic.image());
    p.setFont(pic.pictureFont());
    p.setPen(QColor(255, 255, 255));
}

} // namespace

// --- view state ---

void frmView::InitView()
{
    guarded("InitView", [&] {
        clsWave* wave = WaveFile();
        if (!wave)
            return;
        if (wave->Channels() == 2) {
            imgGraph_[1]->setEnabled(true);
            imgGraph_[1]->show();
            imgYscale_[1]->setEnabled(true);
            imgYscale_[1]->show();
        }
        mDataValid = wave->Valid(); // the layout stacks both graphs from here on
        layoutControls();
        DrawFilterIndicator();
        mFirstPoint = 0;
        mPointCount = wave->SampleCount();
        mPanStep = wave->SampleCount() > 16384 ? std::int32_t(roundEven(wave->SampleCount() / 16384.0)) : 1;
        scrPan_->setMinimum(0);
        scrPan_->setMaximum(int(roundEven(double(mPointCount) / mPanStep)));
        scrPan_->setValue(0);
        const double maxZoom = std::log2(double(wave->SampleCount()) * 0.1);
        mMaxZoomLevel = std::int16_t(std::clamp<std::int64_t>(roundEven(std::isfinite(maxZoom) ? maxZoom : 0), 0, 13));
        mZoomLevel = 0;
        UpdatePan();
        ScaleGraph();
        UpdateView();
        setButtonPressed(QStringLiteral("Pressure"), wave->ViewType() == dsp::ViewPressure);
        setButtonPressed(QStringLiteral("Stop"), true);
        const bool smooth = ReadBool(QStringLiteral("General"), QStringLiteral("Smooth")).value_or(true);
        wave->setSmooth(smooth);
        menuItem(QStringLiteral("mnViewSmooth"))->setChecked(smooth);
    });
}

void frmView::ScaleGraph()
{
    guarded("ScaleGraph", [&] {
        mGraphHeight = imgGraph_[0]->height();
        if (mGraphHeight % 2 != 0)
            mGraphHeight -= 1;
        mGraphWidth = imgGraph_[0]->width();
        DrawGraph();
    });
}

void frmView::UpdatePan()
{
    guarded("UpdatePan", [&] {
        if (!mDataValid)
            return;
        clsWave* wave = WaveFile();
        if (!wave)
            return;
        // The point count is the processed view's: bring it up to date first.
        wave->ReProcess();
        const double n = wave->ProcCount();
        mZoomFactor = std::int32_t(1) << mZoomLevel;
        mPointCount = std::int32_t(roundEven(n / mZoomFactor));
        const double perPixel = mGraphWidth > 0 ? double(mPointCount) / mGraphWidth : double(mPointCount);
        std::int64_t small = std::max<std::int64_t>(1, roundEven((perPixel <= 1 ? 1.0 : perPixel) / mPanStep));
        if (mFastPan)
            small *= 8;
        scrPan_->setSingleStep(int(small));
        if (mZoomFactor != 1) {
            const double screen = n / mZoomFactor / mPanStep;
            const int large = screen < 1 ? 1 : int(roundEven(screen));
            scrPan_->setPageStep(large);
            scrPan_->setMaximum(int(roundEven(n / mPanStep - large)));
        } else {
            scrPan_->setValue(0);
            scrPan_->setMaximum(0);
            scrPan_->setPageStep(1);
        }
        scrPan_->update();
        mFirstPoint = std::int32_t(std::int64_t(scrPan_->value()) * mPanStep);
        if (mFirstPoint > std::int32_t(n) - mPointCount)
            mFirstPoint = std::int32_t(n) - mPointCount;
        if (imgGraph_[0]->isEnabled() && imgGraph_[0]->isVisible())
            imgGraph_[0]->setFocus();
    });
}

void frmView::mnViewZoomFull_Click()
{
    guarded("mnViewZoomFull", [&] {
        ClearSelection();
        mZoomLevel = 0;
        UpdatePan();
        scrPan_->setValue(0);
        DrawGraph();
        DrawXaxis();
        setMenuEnabled(QStringLiteral("mnViewZoomOut"), false);
        setMenuEnabled(QStringLiteral("mnViewZoomFull"), false);
        setButtonEnabled(QStringLiteral("ZoomOut"), false);
        setButtonEnabled(QStringLiteral("ZoomFull"), false);
        const clsWave* wave = WaveFile();
        const bool bands = wave && dsp::isBandView(wave->ViewType());
        const bool zoomIn = !bands && mZoomLevel < mMaxZoomLevel;
        setMenuEnabled(QStringLiteral("mnViewZoomIn"), zoomIn);
        setButtonEnabled(QStringLiteral("ZoomIn"), zoomIn);
    });
}

// --- the graphs ---

void frmView::DrawGraph()
{
    guarded("DrawGraph", [&] {
        if (!mDataValid)
            return;
        clsWave* wave = WaveFile();
        if (!wave)
            return;
        QApplication::setOverrideCursor(Qt::BusyCursor);
        struct RestoreCursor {
            ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
        } restore;
        for (std::int16_t ch = 0; ch < wave->Channels() && ch < 2; ++ch) {
            PictureBox* pic = imgGraph_[std::size_t(ch)];
            pic->cls();
            pic->setForeColor(mTimeView ? QColor(0, 255, 0) : QColor(0, 255, 255));
            ShowMarker(ch); // under the curve
            {
                QPainter p(&pic->image());
                p.setPen(pic->foreColor());
                const DeviceContext dc(p);
                wave->PaintWave(ch, mGraphHeight, mGraphWidth, mFirstPoint, mPointCount, dc.handle());
            }
            pic->update();
        }
        DrawFilterIndicator();
        DrawSelection();
    });
}

void frmView::ShowMarker(std::int16_t channel)
{
    guarded("ShowMarker", [&] {
        if (!mTimeView)
            return;
        clsWave* wave = WaveFile();
        if (!wave || channel < 0 || channel > 1)
            return;
        const double fs = wave->SampleFrequency();
        const double tStart = mFirstPoint / fs;
        const double tSpan = mPointCount / fs;
        requireFinite(tStart);
        requireFinite(1.0 / tSpan);
        auto xOf = [&](double t) { return std::floor(double(mGraphWidth) * (t - tStart) / tSpan); };
        auto startOf = [&](int ch) { return double(wave->IRStart(ch)); };
        QPainter p(&imgGraph_[std::size_t(channel)]->image());
        p.setPen(QColor(255, 0, 0));
        if (wave->Receiver() != ReceiverReflectionIndex) {
            const double start = startOf(channel);
            const double d = start - tStart;
            if (start >= 0 && d >= 0 && d <= tSpan)
                p.drawLine(QPointF(xOf(start), 0), QPointF(xOf(start), mGraphHeight));
            return;
        }
        // A reflection-index result: the outline of its time window, from the start of channel 1.
        double t = startOf(1) - 0.0002;
        if (channel == 0) {
            const double vsound = dsp::speedOfSound(wave->Temperature());
            t += 2.0 * wave->ProbeDist() / vsound;
        }
        const double base = wave->ViewType() == dsp::ViewPressure ? mGraphHeight * 0.5 : double(mGraphHeight);
        const double top = double(roundEven(mGraphHeight * 0.025));
        const double flatEnd = t + 0.00518;
        p.drawLine(QPointF(xOf(t - 0.0005), base), QPointF(xOf(t), top));
        p.drawLine(QPointF(xOf(t), top), QPointF(xOf(flatEnd), top));
        p.drawLine(QPointF(xOf(flatEnd), top), QPointF(xOf(flatEnd + 0.00222), base));
    });
}

// --- the scales ---

void frmView::DrawYaxis(std::int16_t channel)
{
    guarded("DrawYaxis", [&] {
        if (channel < 0 || channel > 1)
            throw VemraError::range();
        PictureBox* pic = imgYscale_[std::size_t(channel)];
        pic->cls();
        const clsWave* wave = WaveFile();
        const int view = wave ? wave->ViewType() : int(dsp::ViewPressure);
        const double range = wave ? wave->dBRange() : 60.0;
        double top = 0;
        double bottom = -range;
        if (view == dsp::ViewPressure) {
            top = 100;
            bottom = -101;
        } else if (view == dsp::ViewReflectogram) {
            top = 100;
            bottom = -1;
        }
        pic->setScale(0, top, 55, bottom - top);
        QPainter p(&pic->image());
        p.setFont(pic->pictureFont());
        p.setPen(QColor(255, 255, 255));
        const QFontMetricsF fm(p.font());
        const double hPixels = fm.boundingRect(QStringLiteral("0")).height();
        const double h = hPixels * pic->unitsPerPixelY();
        const bool thin = !dsp::isPercentView(view) ? h > range / 10.0 : h > 9.0;

        for (const YTick& t : yScaleTicks(view, range, thin)) {
            const double py = pic->toPixelY(t.value);
            p.drawLine(QPointF(pic->toPixelX(t.major ? 45 : 52), py), QPointF(pic->toPixelX(55), py));
            if (!t.label.isEmpty())
                printAt(p, pic->toPixelX(42) - fm.horizontalAdvance(t.label), py - hPixels / 2, t.label);
        }
        p.end();
        pic->update();
    });
}

void frmView::DrawXaxis()
{
    guarded("DrawXaxis", [&] {
        const clsWave* wave = WaveFile();
        if (mLogFrequency) {
            DrawLogXaxis();
            return;
        }
        if (wave && dsp::isBandView(wave->ViewType())) {
            DrawBandXaxis();
            return;
        }
        if (!wave || !wave->Valid())
            return;
        const float fs = float(wave->SampleFrequency());
        float start = 0;
        float span = 0;
        if (mTimeView) {
            start = float(mFirstPoint) / fs;
            span = float(mPointCount) / fs;
        } else {
            const float df = fs / (2.0f * float(wave->ProcCount()) + 1.0f);
            start = df * float(mFirstPoint + 1);
            span = df * float(mPointCount);
        }
        requireFinite(std::log10(span / 10.0f));
        requireFinite(1.0 / span);
        drawXscale(linearXTicks(start, span), start, span);
    });
}

void frmView::DrawLogXaxis()
{
    guarded("DrawLogXaxis", [&] {
        const clsWave* wave = WaveFile();
        if (!wave || !wave->Valid())
            return;
        const double fs = wave->SampleFrequency();
        const std::int32_t N = wave->ProcCount();
        const double df = fs / (2.0 * N + 1.0);
        const double fLow = df * wave->GetLogSample(mFirstPoint + 1);
        const double fHigh = df * wave->GetLogSample(mFirstPoint + mPointCount);
        requireFinite(double(N) / std::log2(double(N)));
        requireFinite(1.0 / mPointCount);
        drawXscale(logXTicks(fs, N, mFirstPoint, mPointCount, fLow, fHigh), 0, 1000);
    });
}

void frmView::DrawBandXaxis()
{
    guarded("DrawBandXaxis", [&] {
        const clsWave* wave = WaveFile();
        if (!wave || !wave->Valid())
            return;
        const std::int32_t N = wave->ProcCount();
        requireFinite(1.0 / N);
        drawXscale(bandXTicks(wave->ViewType() == dsp::ViewOctave, N), 0, 1000);
    });
}

void frmView::drawXscale(const std::vector<XTick>& ticks, double start, double span)
{
    PictureBox* pic = imgXscale_;
    QPainter p;
    beginXscale(p, *pic, start, span);
    for (const XTick& t : ticks) {
        if (t.major) {
            majorTick(p, *pic, t.at, t.label, start, start + span);
        } else {
            const double px = pic->toPixelX(t.at);
            p.drawLine(QPointF(px, pic->toPixelY(0)), QPointF(px, pic->toPixelY(5)));
        }
    }
    p.end();
    pic->update();
}

// --- the selection mark (set by the pointer commands) ---

void frmView::DrawSelection()
{
    if (!mSelectionActive)
        return;
    clsWave* wave = WaveFile();
    if (!wave)
        return;
    for (int ch = 0; ch < wave->Channels() && ch < 2; ++ch) {
        QPainter p(&imgGraph_[std::size_t(ch)]->image());
        const DeviceContext dc(p);
        wave->Invert(mGraphHeight, mGraphWidth, mFirstPoint, mPointCount, dc.handle(), mSelStart, mSelLength);
        p.end();
        imgGraph_[std::size_t(ch)]->update();
    }
}

void frmView::ClearSelection()
{
    if (!mSelectionActive)
        return;
    DrawSelection();
    DrawFilterIndicator();
    mSelectionActive = false;
    UpdateEditMenu();
    status_[2]->clear();
    imgGraph_[0]->update();
    imgGraph_[1]->update();
}

} // namespace vemra
