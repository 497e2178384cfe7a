// The document's view members: showing its window, processing and painting its view.
#include "document/clsWave.h"

#include "core/Errors.h"
#include "core/Globals.h"
#include "core/Twips.h"
#include "library/api_view.h"
#include "library/draw/MonoView.h"
#include "library/dsp/Spectrum.h"
#include "library/dsp/ViewProcessing.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace vemra {

void clsWave::Show(bool reuse)
{
    QWidget* window = viewer_ ? viewer_->widget() : nullptr;
    if (!window)
        return;
    int x = LastViewLeft + 300;
    int y = LastViewTop + 300;
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        if (ViewWidth + x >= PixelsToTwipsX(window, area.width()) || ViewHeight + y >= PixelsToTwipsY(window, area.height()))
            x = y = 600;
    }
    if (reuse) {
        x = LastViewLeft;
        y = LastViewTop;
    }
    // The window's placement variables are set by name, as the window publishes them.
    if (LastViewLeft == 0 || LastViewTop == 0) {
        window->setProperty("ViewState", -1);
    } else {
        window->setProperty("ViewLeft", x);
        window->setProperty("ViewTop", y);
        window->setProperty("ViewState", int(ViewWindowState));
    }
    window->show();
    LastViewLeft = PixelsToTwipsX(window, window->x());
    LastViewTop = PixelsToTwipsY(window, window->y());
    if (ViewWindowState == 0) {
        ViewWidth = PixelsToTwipsX(window, window->frameGeometry().width());
        ViewHeight = PixelsToTwipsY(window, window->frameGeometry().height());
    }
}

void clsWave::PaintWave(std::int16_t channel, std::int32_t height, std::int32_t width, std::int32_t first,
                        std::int32_t count, std::int32_t dc)
{
    if (!valid_)
        return;
    ReProcess();
    drawRequest_.height = height;
    drawRequest_.width = width;
    drawRequest_.firstPoint = first;
    drawRequest_.pointCount = count;
    drawRequest_.deviceContext = dc;
    drawRequest_.channel = channel;
    MonoView(header_, drawRequest_, view_.ViewType);
}

void clsWave::Invert(std::int32_t height, std::int32_t width, std::int32_t first, std::int32_t count, std::int32_t dc,
                     std::int32_t start, std::int32_t length)
{
    if (!valid_)
        return;
    DrawRequest request;
    request.height = height;
    request.width = width;
    request.firstPoint = first;
    request.pointCount = count;
    request.deviceContext = dc;
    request.channel = 0;
    InvertGraph(request, start, length);
}

void clsWave::setSmooth(bool on)
{
    markViewDirtyIfChanged(on != isTrue(view_.Smooth));
    view_.Smooth = toBool16(on);
}

namespace {
// The band the decay view and the feature value read: the filter's band, the 1 kHz octave for the wide band and
// all-pass.
int decayBandOf(int filterType)
{
    return filterType >= 1 ? filterType : 6;
}
} // namespace

double clsWave::BestRevTime(int channel)
{
    const int band = decayBandOf(view_.FilterType);
    double best = RT20time(channel, band);
    double bestCorr = RT20corr(channel, band);
    if (RT10corr(channel, band) < bestCorr) {
        best = RT10time(channel, band);
        bestCorr = RT10corr(channel, band);
    }
    if (RT30Corr(channel, band) < bestCorr)
        best = RT30time(channel, band);
    if (best <= 0) {
        const double edt = EDT(channel, band);
        best = edt > 0 ? edt : 0.001;
    }
    return best;
}

float clsWave::FeatureValue(int channel)
{
    const int band = decayBandOf(view_.FilterType);
    RT10time(channel, band); // computes the decay record
    return float(std::pow(10.0, decayRecord(channel, band).level / 10.0));
}

void clsWave::ReProcess()
{
    if (!viewDirty_)
        return;
    for (int channel = 0; channel < Channels() && channel < 2; ++channel) {
        if (view_.ViewType == dsp::ViewDecay)
            view_.bestRevTime[channel] = float(BestRevTime(channel));
        else if (view_.ViewType == dsp::ViewSchroeder)
            view_.featureValue[channel] = FeatureMode ? FeatureValue(channel) : 0.0f;
    }
    const VResult result = ProcessWave(header_, view_);
    // Clean even after a failure, so that the message shows once per change and not at every paint.
    viewDirty_ = false;
    if (result != 0)
        HandleError(result);
}

std::int32_t clsWave::GetLogSample(std::int32_t point) const
{
    return dsp::logSamplePoint(point, ProcCount());
}

void clsWave::UpdateViewer()
{
    QWidget* window = viewer_ ? viewer_->widget() : nullptr;
    if (window)
        QMetaObject::invokeMethod(window, "UpdateView", Qt::DirectConnection);
}

} // namespace vemra
