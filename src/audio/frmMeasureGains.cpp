// The measurement window's gain sliders (calibrated steps of the four gain controls) and its level meters.
#include "audio/frmMeasure.h"

#include "audio/AudioGlobals.h"
#include "audio/VUMeter.h"
#include "audio/clsVolume.h"
#include "library/Codes.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>

namespace vemra {

namespace {

// The playback control the slider drives: the one with the longer table, the secondary on a tie.
clsVolume* playbackControl()
{
    if (!Pm || !Ps)
        return nullptr;
    return Pm->Steps() > Ps->Steps() ? Pm : Ps;
}

} // namespace

void frmMeasure::SetUpGains()
{
    if (!Pm || !Ps || !Rm || !Rs)
        return;
    Ps->setVolume(Ps->VolStepVolume(0));
    Pm->setVolume(Pm->VolStepVolume(0));
    if (clsVolume* d = playbackControl(); d && (d == Pm || Ps->Steps() != 0)) {
        {
            const QSignalBlocker quiet(sldPlayVol_);
            sldPlayVol_->setRange(0, std::max<int>(d->Steps(), 1));
        }
        d->setVolume(d->VolStepVolume(std::min<int>(sldPlayVol_->value(), d->Steps())));
        sldPlayVol_Change();
    }
    Rm->setVolume(Rm->VolStepVolume(Rm->Steps()));
    Rs->setVolume(Rs->VolStepVolume(Rs->Steps()));
    const int range = std::max(Rm->Steps() + Rs->Steps(), 1);
    for (QSlider* slider : sldCh_) {
        const QSignalBlocker quiet(slider);
        slider->setRange(0, range);
        slider->setValue(range);
    }
    sldCh1_Change();
    sldCh2_Change();
}

void frmMeasure::sldPlayVol_Change()
{
    clsVolume* d = playbackControl();
    if (!d)
        return;
    const int p = sldPlayVol_->value();
    // A position beyond the table (a slider left without set-up) moves nothing and shows nothing new.
    if (p > d->Steps())
        return;
    d->setVolume(d->VolStepVolume(p));
    lblVoldB_->setText(GainText(d->VolStepRms(p)));
}

void frmMeasure::recordingSliderChange(int channel)
{
    if (!Rm || !Rs)
        return;
    QSlider* slider = sldCh_[std::size_t(channel)];
    const int i = slider->maximum() - slider->value();
    auto set = [channel](clsVolume* control, std::int32_t volume) {
        if (channel == 0)
            control->setVolume1(volume);
        else
            control->setVolume2(volume);
    };
    float level = 0;
    if (i >= Rs->Steps()) {
        // The secondary at full gain; the master takes the rest.
        const int kRm = std::max(0, Rm->Steps() - (i - Rs->Steps()));
        set(Rs, 65535);
        set(Rm, Rm->VolStepVolume(kRm));
        level = Rm->VolStepRms(kRm) + Rs->VolStepRms(0);
    } else {
        // The master at its lowest step; the secondary moves.
        const int kRs = Rs->Steps() - i;
        set(Rs, Rs->VolStepVolume(kRs));
        set(Rm, Rm->VolStepVolume(Rm->Steps()));
        level = Rm->VolStepRms(Rm->Steps()) + Rs->VolStepRms(kRs);
    }
    lblChdB_[std::size_t(channel)]->setText(GainText(level));
}

void frmMeasure::mRecorder_VUUpdate(std::int16_t VULeft, std::int16_t VURight)
{
    shVU_[0]->update(VULeft);
    // The second input is drawn only when it is recorded.
    if (twoInputs(receiver_) || stimulus_ == StimulusExternalNoise)
        shVU_[1]->update(VURight);
    else
        shVU_[1]->forget();
}

void frmMeasure::ResetVU()
{
    for (VUMeter* meter : shVU_)
        meter->reset();
}

} // namespace vemra
