// The document window's display settings: the view type, third-octave smoothing, the band filter with its
// palette, stepping and indicator, and the dB range.
#include "viewer/frmView.h"

#include "core/BandsAndParameters.h"
#include "core/ErrorGuard.h"
#include "core/Settings.h"
#include "viewer/PictureBox.h"
#include "viewer/frmFilter.h"
#include "viewer/frmdBRange.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QToolBar>

#include <cmath>

namespace vemra {

void frmView::mnViewItem_Click(int index)
{
    clsWave* wave = WaveFile();
    if (!wave || wave->ViewType() == index)
        return;
    mLogFrequency = false;
    bool reprocess = false;
    const bool timeView = dsp::isTimeView(index);
    if (timeView) {
        for (const char* key : {"FilterDown", "Filter", "FilterUp"})
            setButtonEnabled(key, true);
        setMenuEnabled(QStringLiteral("mnViewFilter"), true);
        reprocess = !mTimeView;
    } else {
        setMenuEnabled(QStringLiteral("mnViewFilter"), false);
        for (const char* key : {"FilterDown", "Filter", "FilterUp"})
            setButtonEnabled(key, false);
        mLogFrequency = index == dsp::ViewLogSpectrum;
        reprocess = true;
    }
    setMenuEnabled(QStringLiteral("mnViewSmooth"), dsp::isSpectrumView(index));
    wave->setViewType(std::int16_t(index));
    if (reprocess) {
        wave->ReProcess();
        mFirstPoint = 0;
        mPointCount = wave->SampleCount();
        mTimeView = timeView;
        mnViewZoomFull_Click();
    }
    UpdateView();
    UpdateEditMenu(); // the sample edits belong to the time views
}

void frmView::mnViewSmooth_Click()
{
    clsWave* wave = WaveFile();
    if (!wave)
        return;
    wave->setSmooth(!wave->Smooth());
    QAction* item = menuItem(QStringLiteral("mnViewSmooth"));
    item->setChecked(wave->Smooth());
    SaveSetting(QStringLiteral("General"), QStringLiteral("Smooth"),
                wave->Smooth() ? QStringLiteral("True") : QStringLiteral("False"));
    DrawGraph();
}

void frmView::ChangeFilter()
{
    guarded("ChangeFilter", [&] {
        const clsWave* wave = WaveFile();
        if (!wave)
            return;
        frmFilter palette(this);
        palette.Key = wave->Key();
        // Beside the toolbar's Filter button, level with the top of the first graph.
        int buttonLeft = 0;
        if (QAction* filter = button(QStringLiteral("Filter")))
            if (QWidget* w = toolbar_->widgetForAction(filter))
                buttonLeft = w->mapTo(this, QPoint(0, 0)).x();
        const QPoint graphTop = imgGraph_[0]->mapToGlobal(QPoint(0, 0));
        palette.move(frameGeometry().x() + buttonLeft, graphTop.y());
        palette.exec();
    });
}

void frmView::FilterDown()
{
    clsWave* wave = WaveFile();
    if (!wave)
        return;
    const int f = wave->FilterType();
    const float fs = float(wave->SampleFrequency());
    int next = f;
    if (f >= 15 && f <= 43) {
        next = f - 1;
    } else if (f == 14 || f == 1) {
        next = -1;
    } else if (f >= 2 && f <= 13) {
        next = f - 1;
    } else if (f == -1 || f == -2) {
        // Wrap to the highest usable band of the kind shown last.
        next = mLastBand < 14 ? 10 : 43;
        const int lowest = mLastBand < 14 ? 1 : 14;
        while (next > lowest && !BandBelowNyquist(next, fs))
            --next;
    }
    wave->setFilterType(std::int16_t(next));
}

void frmView::FilterUp()
{
    clsWave* wave = WaveFile();
    if (!wave)
        return;
    const int f = wave->FilterType();
    const float fs = float(wave->SampleFrequency());
    int next = f;
    if (f == -1 || f == -2) {
        next = mLastBand < 14 ? 1 : 14;
    } else if (f == 10 || f == 43) {
        next = -1;
    } else if ((f >= 0 && f <= 9) || (f >= 11 && f <= 42)) {
        next = BandBelowNyquist(f + 1, fs) ? f + 1 : -1;
    }
    wave->setFilterType(std::int16_t(next));
}

void frmView::DrawFilterIndicator()
{
    if (!mTimeView)
        return;
    const clsWave* wave = WaveFile();
    if (!wave)
        return;
    const int type = wave->FilterType();
    QString label = BandName(type);
    if (dsp::isBand(type)) {
        label += QStringLiteral(" Hz");
        mLastBand = std::int16_t(type);
    }
    const QColor cyan(0, 255, 255);
    const QColor olive(128, 128, 0);
    QColor c[3] = {cyan, cyan, cyan};
    if (type >= 14) {
        const int k = (type - 14) % 3;
        for (int i = 0; i < 3; ++i)
            c[i] = i == k ? cyan : olive;
    }
    PictureBox* pic = imgGraph_[0];
    QPainter p(&pic->image());
    const int w = pic->image().width();
    // Three marks 4 wide and 14 high, lowest third on the left; the lit one shows where the band lies in its octave.
    const int rights[3] = {w - 23, w - 17, w - 11};
    for (int i = 0; i < 3; ++i)
        p.fillRect(QRect(rights[i] - 4, 10, 4, 14), c[i]);
    p.setFont(pic->pictureFont());
    p.setPen(cyan);
    const QFontMetricsF fm(p.font());
    p.drawText(QPointF(w - fm.horizontalAdvance(label) - 31, 12 + fm.ascent()), label);
    p.end();
    pic->update();
}

void frmView::ChangeRange()
{
    guarded("ChangeRange", [&] {
        clsWave* wave = WaveFile();
        if (!wave || dsp::isPercentView(wave->ViewType()))
            return;
        frmdBRange dialog(this);
        dialog.dBRange = std::int16_t(std::nearbyint(wave->dBRange()));
        dialog.exec();
        wave->setdBRange(float(dialog.dBRange));
        UpdateView();
    });
}

} // namespace vemra
