#pragma once
// One period of a measurement stimulus as the engine plays it and the processing divides it out.
#include "library/api_common.h"
#include "library/sound/CorrectionFile.h"

#include <string>
#include <vector>

namespace vemra::sound {

struct StimulusPeriod {
    StimulusKind kind = StimulusKind::Mls;
    int order = 0;
    double rate_Hz = 0;
    int filter = 0;
    // What goes to the converter, fraction of full scale: gain x (reference, corrected when a correction applies).
    std::vector<float> played;
    // The plain stimulus with the source filter applied, unit scale: what the processing deconvolves by.
    std::vector<double> reference;
    double gain = 1;
    // The correction's own gain over the reference (1 without a correction), which the processing divides out with
    // the gain: a correction changes the card's frequency response, never its level, whatever scale the corrected
    // period was given to fit the converter. It is the gain that leaves the loop-back the correction was made for
    // at its own level in the octaves 125 Hz to 8 kHz: 1 / gain^2 = the mean of |R / C|^2 over the bins from 88 Hz
    // to 11.3 kHz (at most 0.45 times the rate, where the correction filters end), R the reference's spectrum and C
    // the unit-scale corrected period's.
    double correctionGain = 1;
    bool corrected = false;
};

// Orders a rate allows: the measurement window's range, plus one for long signals.
int minOrderForRate(double rate_Hz);
int maxOrderForRate(double rate_Hz); // includes the long-signal order

// Builds one period: 0, msg::BadArgument (order, level or filter out of range), msg::CannotRead or
// msg::CalibrationFilesDiffer (correction file refused, sound/CorrectionFile.h). level: 1..32767 on the 16-bit scale;
// speechScale (0, 1]: extra factor for shaped stimuli (filter != 0); a period that would exceed full scale is scaled
// down to it. correction: "" for none.
VResult buildStimulus(StimulusKind kind, int order, double rate_Hz, int level, const std::string& correction,
                      int filter, float speechScale, StimulusPeriod& out);

// The reference period alone (external stimuli, whose playing the engine does not see).
std::vector<double> referencePeriod(StimulusKind kind, int order, double rate_Hz, int filter);

} // namespace vemra::sound
