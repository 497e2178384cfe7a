// The waterfall window's timer, slice loop, drawing and properties dialog.
#include "viewer/frmWaterfall.h"

#include "core/ErrorGuard.h"
#include "library/api_waterfall.h"
#include "library/draw/DeviceContext.h"
#include "library/draw/WaterfallAxes.h"
#include "library/draw/WaterfallDrawing.h"
#include "viewer/PictureBox.h"
#include "viewer/frmWaterProp.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace vemra {

void frmWaterfall::RestartTimer()
{
    tmrUpdate_->stop();
    tmrUpdate_->start();
}

void frmWaterfall::tmrUpdate_Timer()
{
    tmrUpdate_->stop();
    // The loop and the dialog each run to their end first; what the tick asked for is done afterwards.
    if (busy_ || dialog_) {
        tickDeferred_ = true;
        return;
    }
    if (firstTick_) {
        firstTick_ = false;
        ShowProperties();
        return;
    }
    const QPointer<frmWaterfall> self(this);
    setCursor(Qt::WaitCursor);
    ProcessWaterfall();
    if (!self)
        return;
    if (!closePending_)
        PaintWaterfall();
    unsetCursor();
    finishDeferred();
}

// After the loop or the dialog: a close asked for meanwhile happens now, else a tick that had to wait.
void frmWaterfall::finishDeferred()
{
    if (closePending_) {
        closePending_ = false;
        close();
        return;
    }
    if (tickDeferred_) {
        tickDeferred_ = false;
        RestartTimer();
    }
}

void frmWaterfall::setBusyControls(bool busy)
{
    // While slices are computed, nothing may change what the loop is computing.
    for (const char* key : {"Properties", "Channel1"})
        button(QString::fromLatin1(key))->setEnabled(!busy);
    button(QStringLiteral("Channel2"))->setEnabled(!busy && channels_ > 1);
}

void frmWaterfall::ProcessWaterfall()
{
    const QPointer<frmWaterfall> self(this);
    busy_ = true;
    setBusyControls(true);
    guarded("ProcessWaterfall", [&] {
        if (slicesValid_)
            return;
        stopSlicing_ = false;
        cancelPanel_->setEnabled(true);
        cancelPanel_->setText(QStringLiteral("Cancel"));
        statusPanel_->setText(QStringLiteral("Processing..."));
        prgProgress_->setValue(0);
        const std::uint64_t generation = generation_;
        for (int i = 0; i < rec_.Slices; ++i) {
            if (stopSlicing_ || generation != generation_)
                break;
            SliceWaterfall(rec_, std::int16_t(i));
            prgProgress_->setValue(int(float(i) * 100.0f / float(rec_.Slices)));
            QCoreApplication::processEvents();
            if (!self)
                return;
        }
        // Stopped slices count as computed; a change of the settings meanwhile needs another pass.
        slicesValid_ = generation == generation_;
        if (!slicesValid_)
            tickDeferred_ = true;
    });
    if (!self)
        return;
    cancelPanel_->setEnabled(false);
    cancelPanel_->setText(QString());
    prgProgress_->setValue(0);
    busy_ = false;
    setBusyControls(false);
}

void frmWaterfall::PaintWaterfall()
{
    guarded("PaintWaterfall", [&] {
        if (!slicesValid_)
            return;
        statusPanel_->setText(QStringLiteral("Drawing..."));
        useSchemeColours();
        plotNote_.clear();
        {
            QPainter painter(&picPlot_->image());
            pictureDrawn_ = drawPlot(painter, picPlot_->image().size()) == Ok;
        }
        picPlot_->update();
        statusPanel_->setText(QStringLiteral("Ready"));
        redrawNeeded_ = false;
    });
}

void frmWaterfall::useSchemeColours()
{
    if (rec_.Colors >= 0 && rec_.Colors <= 2) {
        background_ = waterfallBackground(rec_.Colors);
        foreground_ = waterfallForeground(rec_.Colors);
    }
}

void frmWaterfall::showNotDrawn()
{
    useSchemeColours();
    plotNote_ = QStringLiteral("No waterfall drawn: click Properties on the toolbar, then OK");
    QImage& image = picPlot_->image();
    QPainter painter(&image);
    painter.fillRect(image.rect(), background_);
    PaintWaterfallNote(painter, QRectF(image.rect()), rec_.Colors, plotNote_);
    painter.end();
    picPlot_->update();
}

VResult frmWaterfall::drawPlot(QPainter& painter, QSize size)
{
    painter.fillRect(QRect(QPoint(0, 0), size), background_);
    painter.setPen(foreground_);
    const DeviceContext dc(painter);
    rec_.hDC = dc.handle();
    // The record holds 16 bits; no plot is that large, and the drawing itself works in floating point.
    rec_.PlotWidth = std::int16_t(std::min(size.width(), int(INT16_MAX)));
    rec_.PlotHeight = std::int16_t(std::min(size.height(), int(INT16_MAX)));
    const VResult r = DrawWaterfall(rec_);
    rec_.hDC = 0;
    return r;
}

void frmWaterfall::ShowProperties()
{
    const QPointer<frmWaterfall> self(this);
    guarded("Waterfall::ShowProperties", [&] {
        dialog_ = new frmWaterProp(this);
        dialog_->exec();
        if (!self)
            return;
        delete dialog_.data();
        if (!cancel_ && (!slicesValid_ || redrawNeeded_))
            RestartTimer();
    });
    if (!self)
        return;
    finishDeferred();
    // Left without OK before anything was computed, and nothing else asked for: the plot would stay blank.
    if (!unloaded_ && !slicesValid_ && !tmrUpdate_->isActive())
        showNotDrawn();
}

} // namespace vemra
