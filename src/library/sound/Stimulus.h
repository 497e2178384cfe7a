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
