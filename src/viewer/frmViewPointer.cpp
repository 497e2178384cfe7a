// The document window's pointer on the graphs: the selection dragged with the left button and marked by
// inverting the graphs, the position and value read-outs of the status bar, the selection's length, and the
// Edit menu's enabling by the selection and the clipboard.
//
// Every pixel <-> point and pixel <-> value conversion goes through GraphGeometry, the mapping the curves and the
// selection mark are drawn with, so a read-out names exactly what is drawn under the pointer.
#include "viewer/frmView.h"

#include "core/BandsAndParameters.h"
#include "core/ErrorGuard.h"
#include "core/Globals.h"
#include "core/clsOptions.h"
#include "library/draw/GraphGeometry.h"
#include "library/dsp/SoundSpeed.h"
#include "library/dsp/ViewProcessing.h"
#include "viewer/PictureBox.h"
#include "viewer/WaveClipboard.h"

#include <QClipboard>
#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace vemra {
namespace {

// A number with a fixed count of decimals; a value that rounds to zero shows no minus sign.
QString fixed(double v, int decimals)
{
    QString text = QString::number(v, 'f', decimals);
    if (text.startsWith(QLatin1Char('-')) && text.indexOf(QRegularExpression(QStringLiteral("[1-9]"))) < 0)
        text.remove(0, 1);
    return text;
}

// Hertz per point of the spectrum views.
double hertzPerPoint(const clsWave& wave)
{
    return double(wave.SampleFrequency()) / (2.0 * double(wave.ProcCount()) + 1.0);
}

double speedOfSound()
{
    return Options ? double(Options->Vsound()) : dsp::speedOfSound(20.0);
}

int mouseButtonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
           | (modifiers & Qt::AltModifier ? 4 : 0);
}

int buttonsCode(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0)
           | (buttons & Qt::MiddleButton ? 4 : 0);
}

} // namespace

// --- set-up ---

void frmView::connectPointer()
{
    // The read-out panels are as wide as their longest usual texts, so that no read-out is cut off.
    const QFontMetrics fm(status_[0]->font());
    status_[0]->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("Position: 4194304 / 87.381s / 29999.99m")) + 8);
    status_[1]->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("-100.0 dB")) + 8);
    // Asking the clipboard may mean a round trip to another program: ask when it changes, not on every drag step.
    // Paste follows at once, so that its shortcut works (or stays inert) whether or not a menu was ever opened.
    clipboardHoldsWave_ = HoldsWave(QGuiApplication::clipboard()->mimeData());
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        clipboardHoldsWave_ = HoldsWave(QGuiApplication::clipboard()->mimeData());
        UpdateEditMenu();
    });

    for (int i = 0; i < 2; ++i) {
        PictureBox* graph = imgGraph_[std::size_t(i)];
        graph->setMouseTracking(true); // the read-outs follow the pointer with no button down
        connect(graph, &PictureBox::mousePressed, this,
                [this, i](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at) {
                    imgGraph_MouseDown(i, mouseButtonCode(button), shiftCode(modifiers), at.x(), at.y());
                });
        connect(graph, &PictureBox::mouseMoved, this,
                [this, i](Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF at) {
                    imgGraph_MouseMove(i, buttonsCode(buttons), shiftCode(modifiers), at.x(), at.y());
                });
        connect(graph, &PictureBox::mouseReleased, this,
                [this, i](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at) {
                    imgGraph_MouseUp(i, mouseButtonCode(button), shiftCode(modifiers), at.x(), at.y());
                });
    }
}

// --- the pointer ---

void frmView::imgGraph_MouseDown(int, int button, int, double x, double)
{
    guarded("Graph_MouseDown", [&] {
        const clsWave* wave = WaveFile();
        if (!wave || !mDataValid || dsp::isBandView(wave->ViewType()))
            return;
        if (button == 1) {
            ClearSelection();
            mDragging = true;
            mSelectionActive = true;
            const GraphGeometry g{mGraphHeight, mGraphWidth, mFirstPoint, mPointCount};
            mSelStart = g.pointAt(x);
            mSelLength = 0;
            status_[2]->setText(mTimeView ? QStringLiteral("Length: 0 / 0.000s / 0.00m")
                                          : QStringLiteral("Length: 0 / 0 Hz"));
            DrawSelection();
            setMenuEnabled(QStringLiteral("mnViewZoomIn"), true);
            setButtonEnabled(QStringLiteral("ZoomIn"), true);
        } else if (button == 2) {
            ClearSelection();
        }
        imgGraph_[0]->update();
        imgGraph_[1]->update();
        UpdateEditMenu();
    });
}

std::optional<std::int32_t> frmView::ShowPointerReadout(double x, double y)
{
    // Each step on its own: a read-out that fails leaves its panel as it was.
    const clsWave* wave = WaveFile();
    if (!wave || !mDataValid || mGraphWidth <= 0 || mPointCount <= 0)
        return std::nullopt;
    x = std::clamp(x, 0.0, double(mGraphWidth));
    const int view = wave->ViewType();
    const GraphGeometry g{mGraphHeight, mGraphWidth, mFirstPoint, mPointCount, view, double(wave->dBRange())};
    const std::int32_t p = g.pointAt(x);

    passOver([&] {
        QString text = QStringLiteral("Position: ") + QString::number(p) + QStringLiteral(" / ");
        if (mTimeView) {
            const double t = g.positionAt(x) / double(wave->SampleFrequency());
            text += fixed(t, 3) + QStringLiteral("s / ") + fixed(t * speedOfSound(), 2) + QStringLiteral("m");
        } else {
            double f = 0;
            if (view == dsp::ViewLinSpectrum) {
                f = (g.positionAt(x) + 1.0) * hertzPerPoint(*wave);
            } else if (view == dsp::ViewLogSpectrum) {
                f = (double(wave->GetLogSample(p)) + 1.0) * hertzPerPoint(*wave);
            } else {
                // The band drawn in the cell under the pointer; the right edge reads as the last band.
                const std::int32_t cell = std::clamp(g.cellAt(x), 0, mPointCount - 1);
                f = BandName(dsp::firstBandOfView(view) + mFirstPoint + cell).toDouble();
            }
            if (!std::isfinite(f))
                return; // no frequency to name: the panel keeps its text
            text += fixed(f, 0) + QStringLiteral(" Hz");
        }
        status_[0]->setText(text);
    });

    passOver([&] {
        const double v = g.valueAt(y);
        if (!std::isfinite(v))
            return; // no value to name: the panel keeps its text
        status_[1]->setText(dsp::isPercentView(view) ? fixed(v, 0) + QStringLiteral("%") : fixed(v, 1) + QStringLiteral(" dB"));
    });

    return p;
}

void frmView::RefreshPointerReadout()
{
    // The response under a pointer that has not moved may have changed: read it out afresh where the pointer
    // is over a graph, and read out nothing where it is not.
    for (int i = 0; i < 2; ++i) {
        const PictureBox* graph = imgGraph_[std::size_t(i)];
        const QPointF at = graph->mapFromGlobal(QPointF(QCursor::pos()));
        if (graph->isVisible() && graph->rect().contains(at.toPoint()) && ShowPointerReadout(at.x(), at.y()))
            return;
    }
    status_[0]->clear();
    status_[1]->clear();
}

void frmView::imgGraph_MouseMove(int, int, int, double x, double y)
{
    const std::optional<std::int32_t> point = ShowPointerReadout(x, y);
    if (!point || !mDragging)
        return;
    const std::int32_t p = *point;
    passOver([&] {
        const std::int32_t n = p - mSelStart;
        if (n != mSelLength) {
            DrawSelection(); // removes the old mark
            mSelLength = n;
            ShowSelectionStatus();
        }
    });
    passOver([&] { UpdateEditMenu(); });
}

void frmView::imgGraph_MouseUp(int, int button, int, double, double)
{
    guarded("Graph_MouseUp", [&] {
        if (button != 1 || !mDragging)
            return;
        mDragging = false;
        if (mSelLength < 0) {
            mSelStart += mSelLength;
            mSelLength = -mSelLength;
        }
        // A leftward drag is a selection of one or more points only now: the Edit shortcuts follow at once.
        UpdateEditMenu();
    });
}

// --- the selection ---

void frmView::ShowSelectionStatus()
{
    const clsWave* wave = WaveFile();
    if (!wave)
        return;
    const int view = wave->ViewType();
    const std::int64_t length = std::abs(std::int64_t(mSelLength));
    if (mTimeView) {
        const double t = double(length) / double(wave->SampleFrequency());
        status_[2]->setText(QStringLiteral("Length: %1 / %2s / %3m")
                                .arg(length)
                                .arg(fixed(t, 3), fixed(speedOfSound() * t, 2)));
    } else if (view == dsp::ViewLinSpectrum) {
        status_[2]->setText(QStringLiteral("Length: %1 / %2 Hz")
                                .arg(mSelLength)
                                .arg(fixed(double(length) * hertzPerPoint(*wave), 0)));
    } else if (view == dsp::ViewLogSpectrum) {
        const std::int64_t k1 = wave->GetLogSample(mSelStart);
        const std::int64_t k2 = wave->GetLogSample(mSelStart + mSelLength);
        const std::int64_t bins = std::abs(k2 - k1);
        status_[2]->setText(QStringLiteral("Length: %1 / %2 Hz")
                                .arg(bins)
                                .arg(fixed(double(bins) * hertzPerPoint(*wave), 0)));
    }
    DrawSelection();
    imgGraph_[0]->update();
    imgGraph_[1]->update();
}

void frmView::mnEditSelectAll_Click()
{
    guarded("mnEditSelectAll", [&] { SelectRange(0, mPointCount); });
}

void frmView::SelectRange(std::int32_t start, std::int32_t length)
{
    ClearSelection();
    mSelectionActive = true;
    mSelStart = start;
    mSelLength = length;
    ShowSelectionStatus();
    UpdateEditMenu();
}

void frmView::UpdateEditMenu()
{
    for (const char* name : {"mnViewInfo", "mnEditCopy", "mnEditCut", "mnEditDelete", "mnEditRotate", "mnEditPaste",
                             "mnEditSilence", "mnEditWindow"})
        setMenuEnabled(QString::fromLatin1(name), false);
    for (int i = 0; i < 12; ++i)
        setMenuEnabled(QStringLiteral("mnEditWindowItem(%1)").arg(i), false);
    if (mSelectionActive) {
        setMenuEnabled(QStringLiteral("mnEditWindow"), mTimeView);
        setMenuEnabled(QStringLiteral("mnEditRotate"), mTimeView);
        if (mSelLength >= 1) {
            for (const char* name : {"mnViewInfo", "mnEditCopy", "mnEditCut", "mnEditDelete", "mnEditSilence"})
                setMenuEnabled(QString::fromLatin1(name), mTimeView);
            for (int i = 0; i < 12; ++i)
                setMenuEnabled(QStringLiteral("mnEditWindowItem(%1)").arg(i), true);
        }
    }
    const clsWave* wave = WaveFile();
    setMenuEnabled(QStringLiteral("mnEditSelectAll"), wave && wave->Valid());
    // Wave data on the clipboard, as this program and others put it there.
    if (clipboardHoldsWave_)
        setMenuEnabled(QStringLiteral("mnEditPaste"), mTimeView);
}

} // namespace vemra
