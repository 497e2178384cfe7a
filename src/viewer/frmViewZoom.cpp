// The document window's zoom and pan: zoom in (also to a selection or around a clicked point), zoom out, the pan
// bar with its acceleration while an arrow is held, the keys that pan from the graph, and Auto Scale.
#include "viewer/frmView.h"

#include "core/ErrorGuard.h"
#include "viewer/PictureBox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>
#include <QToolBar>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <utility>

namespace vemra {
namespace {

// Rounding of the window's arithmetic: to nearest, halves to even.
std::int64_t roundEven(double v)
{
    return std::int64_t(std::nearbyint(v));
}

// Changes of the pan bar closer together than this count as one held arrow.
constexpr double kQuickPan_s = 0.25;
// The twelfth quick change in a row switches to the fast step, eight times the normal one.
constexpr int kQuickPansBeforeFast = 12;

// The graph has the keyboard focus after every pan (so that the pan bar never keeps it); the arrow, page, home
// and end keys pressed there move the pan bar: left and page up towards the start.
class PanKeys : public QObject {
public:
    PanKeys(QScrollBar* bar, QObject* parent) : QObject(parent), bar_(bar) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !bar_ || !bar_->isVisible() || !bar_->isEnabled())
            return QObject::eventFilter(watched, event);
        static constexpr std::pair<int, QAbstractSlider::SliderAction> kKeys[] = {
            {Qt::Key_Left, QAbstractSlider::SliderSingleStepSub}, {Qt::Key_Right, QAbstractSlider::SliderSingleStepAdd},
            {Qt::Key_PageUp, QAbstractSlider::SliderPageStepSub}, {Qt::Key_PageDown, QAbstractSlider::SliderPageStepAdd},
            {Qt::Key_Home, QAbstractSlider::SliderToMinimum},     {Qt::Key_End, QAbstractSlider::SliderToMaximum}};
        const int key = static_cast<QKeyEvent*>(event)->key();
        const auto* found = std::find_if(std::begin(kKeys), std::end(kKeys), [key](const auto& k) { return k.first == key; });
        if (found == std::end(kKeys))
            return QObject::eventFilter(watched, event);
        const QAbstractSlider::SliderAction action = found->second;
        bar_->triggerAction(action);
        return true;
    }

private:
    QPointer<QScrollBar> bar_;
};

} // namespace

void frmView::connectZoomAndPan()
{
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    panClock_ = [clock] { return double(clock->nsecsElapsed()) * 1e-9; };
    connect(scrPan_, &QScrollBar::valueChanged, this, [this] { scrPan_Change(); });
    auto* keys = new PanKeys(scrPan_, this);
    for (PictureBox* graph : imgGraph_)
        graph->installEventFilter(keys);
    setCommand(QStringLiteral("mnViewZoomIn"), [this] { mnViewZoomIn_Click(); });
    setCommand(QStringLiteral("mnViewZoomOut"), [this] { mnViewZoomOut_Click(); });
    setCommand(QStringLiteral("mnViewAuto"), [this] { mnViewAuto_Click(); });
}

void frmView::setZoomCommandsEnabled(bool zoomIn, bool zoomOutAndFull)
{
    setMenuEnabled(QStringLiteral("mnViewZoomIn"), zoomIn);
    setButtonEnabled(QStringLiteral("ZoomIn"), zoomIn);
    for (const char* name : {"mnViewZoomOut", "mnViewZoomFull"})
        setMenuEnabled(QString::fromLatin1(name), zoomOutAndFull);
    for (const char* key : {"ZoomOut", "ZoomFull"})
        setButtonEnabled(QString::fromLatin1(key), zoomOutAndFull);
}

void frmView::scrPan_Change()
{
    guarded("scrPan", [&] {
        const double now = panClock_ ? panClock_() : 0.0;
        const double dt = now - LastPanTime;
        if (dt < kQuickPan_s) {
            ++QuickPanCount;
            if (QuickPanCount == kQuickPansBeforeFast)
                mFastPan = true;
        } else {
            mFastPan = false;
            QuickPanCount = 0;
        }
        LastPanTime = now;
        UpdatePan();
        DrawGraph();
        DrawXaxis();
    });
}

namespace {
// The pan bar's value for a first point, clamped to the bar's range.
int panValueFor(double firstPoint, std::int32_t panStep, const QScrollBar& bar)
{
    if (firstPoint < 0)
        return 0;
    const std::int64_t v = roundEven(firstPoint / double(panStep));
    return int(std::min<std::int64_t>(v, bar.maximum()));
}
} // namespace

void frmView::mnViewZoomIn_Click()
{
    guarded("ZoomIn", [&] {
        const clsWave* wave = WaveFile();
        if (!wave || !mDataValid)
            return;
        const double n = wave->ProcCount();
        if (mSelectionActive && mSelLength != 0) {
            // Zoom to the selection.
            ClearSelection();
            if (mSelLength < 0) {
                mSelStart += mSelLength;
                mSelLength = -mSelLength;
            }
            const double level = std::log2(n / double(mSelLength));
            mZoomLevel = std::int16_t(std::clamp<std::int64_t>(std::isfinite(level) ? roundEven(level) : 0, 0,
                                                               mMaxZoomLevel));
            UpdatePan();
            scrPan_->setValue(panValueFor(mSelStart, mPanStep, *scrPan_));
        } else {
            mZoomLevel = std::min<std::int16_t>(std::int16_t(mZoomLevel + 1), mMaxZoomLevel);
            UpdatePan();
            // A click without dragging: the clicked point goes to the middle of the graph where the view allows.
            if (mSelectionActive)
                scrPan_->setValue(panValueFor(mSelStart - mPointCount / 2.0, mPanStep, *scrPan_));
        }
        DrawGraph();
        DrawXaxis();
        setZoomCommandsEnabled(mZoomLevel < mMaxZoomLevel, true);
    });
}

void frmView::mnViewZoomOut_Click()
{
    guarded("ZoomOut", [&] {
        if (mZoomLevel > 0) {
            mZoomLevel -= 1;
            // The old range goes to the middle of the new one, twice as wide.
            const double c = mFirstPoint - mPointCount / 2.0;
            UpdatePan();
            scrPan_->setValue(panValueFor(c, mPanStep, *scrPan_));
            DrawGraph();
            DrawXaxis();
        }
        const bool zoomed = mZoomLevel > 0;
        setZoomCommandsEnabled(mZoomLevel < mMaxZoomLevel, zoomed);
    });
}

void frmView::mnViewAuto_Click()
{
    guarded("mnViewAuto", [&] {
        clsWave* wave = WaveFile();
        if (!wave)
            return;
        wave->setAutoScale(!wave->AutoScale());
        // The menu item and the button are checkable and may have toggled themselves already: set, not toggle.
        menuItem(QStringLiteral("mnViewAuto"))->setChecked(wave->AutoScale());
        setButtonPressed(QStringLiteral("Autoscale"), wave->AutoScale());
        UpdateView();
    });
}

} // namespace vemra
